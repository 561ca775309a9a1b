#include "diag/diagnose_job.h"

#include <cmath>

#include "app/catalog.h"
#include "app/text_functions.h"
#include "diag/printer_checks.h"
#include "model/object_addr.h"
#include "model/string_list.h"

namespace basDiagJobs {

namespace {

using basCommon::GetCatalogString;

// What DiagnoseJob has learnt so far about the job it works on.
struct JobContext {
    const std::string& server;
    const std::string& domain;
    const std::string& jobId;
    std::string jobObjectName;
    std::string serverState;
    clsObjectAttrs serverAttrs;
    clsObjectAttrs job;
};

bool Is(const std::string& value, int32_t keywordId) {
    return value == GetCatalogString(keywordId);
}

int32_t List(clsObjectAttrs& attrs, int32_t objectClass, const std::string& name,
             const std::string& domain, bool listAll, const std::string& requested) {
    clsObjectAddr address;
    address.Init(objectClass, name, domain);
    return attrs.Init(address, listAll, requested);
}

// Branch A: the job has completed or is retained.
void DiagnoseFinishedJob(JobContext& ctx, const std::string& state, clsDiagResult& result) {
    const clsObjectAttrs& job = ctx.job;
    const bool completed = Is(state, msg::KwCompleted);
    if (completed) {
        std::string period = job.GetSingleValue("job-completion-period");
        if (period.empty()) {
            period = ctx.serverAttrs.GetSingleValue("default-job-completion-period");
        }
        result.PrintF(msg::JobCompletedPeriod, {period});
    } else {
        result.PrintF(msg::JobRetainedPeriod, {job.GetSingleValue("job-retention-period")});
    }

    const std::string reasons = job.GetMultiValues("job-state-reasons");
    result.PrintF(msg::JobCompletedState, {reasons});

    const std::string stateMessage = job.GetSingleValue("job-state-message");
    if (!stateMessage.empty()) {
        result.PrintF(msg::JobStateMessage, {stateMessage});
    }

    if (!completed && reasons.find("completed-with-errors") != std::string::npos) {
        // The printer is listed for its native formats; when it cannot be, the check is skipped.
        const std::string assigned = job.GetSingleValue("printers-assigned");
        clsObjectAttrs printer;
        if (!assigned.empty() && List(printer, kClassPrinter, assigned, ctx.domain, false,
                                      "native-document-formats-ready") == 0) {
            CheckNativeDocFormats(result, assigned, printer, job);
        }
    }

    if (completed && reasons.find("aborted-by-system") != std::string::npos &&
        std::floor(basCommon::NumericValue(job.GetSingleValue("total-job-octets"))) == 0) {
        result.PrintF(msg::WarningZeroSize);
    }
}

// Branch B: the job is processing or printing; report its assigned printer.
void DiagnoseActiveJob(JobContext& ctx, const std::string& state, clsDiagResult& result) {
    result.PrintF(Is(state, msg::KwProcessing) ? msg::JobProcessing : msg::JobPrinting);

    const std::string assigned = ctx.job.GetSingleValue("printers-assigned");
    if (assigned.empty()) {
        return;
    }
    clsObjectAttrs printer;
    if (List(printer, kClassPrinter, assigned, ctx.domain, false,
             "printer-state printer-problem-message") != 0) {
        result.PrintUA(kClassPrinter, assigned);
        return;
    }
    result.PrintF(msg::AssignedPrinterState, {assigned, printer.GetSingleValue("printer-state")});

    const std::string problem = printer.GetSingleValue("printer-problem-message");
    if (!problem.empty()) {
        result.PrintF(msg::PrinterProblemMessage, {problem});
    }
}

// Branch C: any other state; report the state and its reasons or message.
void DiagnoseOtherJob(JobContext& ctx, const std::string& state, clsDiagResult& result) {
    result.PrintF(msg::JobStateIs, {state});
    const std::string reasons = ctx.job.GetMultiValues("job-state-reasons");
    if (!reasons.empty()) {
        result.PrintF(msg::JobStateReason, {reasons});
        return;
    }
    const std::string stateMessage = ctx.job.GetSingleValue("job-state-message");
    if (!stateMessage.empty()) {
        result.PrintF(msg::JobStateMessage, {stateMessage});
    }
}

// The reasons that the job itself gives for waiting.
void ReportJobHold(const JobContext& ctx, const std::string& state, clsDiagResult& result) {
    const clsObjectAttrs& job = ctx.job;
    if (Is(state, msg::KwPaused)) {
        result.PrintF(msg::ReasonJobPaused);
        if (Is(job.GetSingleValue("job-hold"), msg::KwTrue)) {
            result.PrintF(msg::ReasonJobHeld, {GetCatalogString(msg::KwJobHoldSet)});
            CheckEmptyDocuments(result, job);
        }
    }
    if (Is(state, msg::KwHeld)) {
        result.PrintF(msg::ReasonJobHeld, {job.GetMultiValues("job-state-reasons")});
        CheckEmptyDocuments(result, job);
    }
}

// Runs the printer checks over the list; false when the diagnosis must stop without the tail.
bool CheckPrinters(JobContext& ctx, const std::string& printers, clsDiagResult& result) {
    PrinterLoopState loop(ctx.domain);
    clsStringList names;
    names.Init(printers);
    for (int32_t i = 1; i <= names.Count(); ++i) {
        switch (CheckPrinter(result, names.Item(i), ctx.job, loop)) {
            case PrinterCheckOutcome::NextPrinter:
                break;
            case PrinterCheckOutcome::EndLoop:
                return true;
            case PrinterCheckOutcome::StopDiagnosis:
                return false;
        }
    }
    return true;
}

// The closing messages of a waiting job, and the re-check when nothing was found.
void ReportTail(JobContext& ctx, clsDiagResult& result) {
    const std::string stateMessage = ctx.job.GetSingleValue("job-state-message");
    if (!stateMessage.empty()) {
        result.PrintF(msg::ReasonJobStateMessage, {stateMessage});
    }
    const std::string intervening = ctx.job.GetSingleValue("intervening-jobs");
    if (basCommon::NumericValue(intervening) != 0) {
        result.PrintF(msg::ReasonInterveningJobs, {intervening});
    }
    if (!result.DiagMessages().empty()) {
        return;
    }

    result.PrintF(msg::NoProblemsFound);
    if (List(ctx.job, kClassJob, ctx.jobObjectName, ctx.domain, false, "current-job-state") != 0) {
        result.PrintUA(kClassJob, ctx.jobObjectName);
        return;
    }
    const std::string freshState = ctx.job.GetSingleValue("current-job-state");
    if (!Is(freshState, msg::KwPending)) {
        result.PrintF(msg::NoLongerPending, {freshState});
    }
}

// Branch D: the job is waiting (pending, paused or held); look for what blocks it.
void DiagnoseWaitingJob(JobContext& ctx, const std::string& state, clsDiagResult& result) {
    const std::string queue = ctx.job.GetSingleValue("assigned-queue");
    if (queue.empty()) {
        result.PrintF(msg::NoAssignedQueue, {ctx.jobObjectName});
        return;
    }
    clsObjectAttrs queueAttrs;
    if (List(queueAttrs, kClassQueue, queue, ctx.domain, false,
             "physical-printers-supported state") != 0) {
        result.PrintUA(kClassQueue, queue);
        return;
    }

    std::string printers = queueAttrs.GetMultiValues("physical-printers-supported");
    const std::string queueState = queueAttrs.GetSingleValue("state");
    result.PhyPrintersSup(printers);
    const std::string requested = ctx.job.GetMultiValues("physical-printers-requested");
    if (!requested.empty()) {
        printers = requested;
        result.PhyPrintersReq(printers);
    }

    ReportJobHold(ctx, state, result);

    if (Is(ctx.serverState, msg::KwPaused)) {
        result.PrintF(msg::ReasonSpoolerPaused, {ctx.server});
    }
    if (queueState.empty()) {
        result.PrintF(msg::NoQueueState, {queue});
        return;
    }
    if (Is(queueState, msg::KwPaused)) {
        result.PrintF(msg::ReasonQueuePaused, {queue});
    }
    if (printers.empty()) {
        result.PrintF(msg::ReasonNoPrinters);
        return;
    }

    if (CheckPrinters(ctx, printers, result)) {
        ReportTail(ctx, result);
    }
}

// Lists the server and the job; false (with the message written) when the diagnosis ends.
bool ListServerAndJob(JobContext& ctx, clsDiagResult& result) {
    if (ctx.server.empty()) {
        result.PrintF(msg::NoServerSpecified);
        return false;
    }
    result.SpoolerName(ctx.server);
    if (List(ctx.serverAttrs, kClassServer, ctx.server, ctx.domain, true, "") != 0) {
        result.PrintUA(kClassServer, ctx.server);
        return false;
    }
    ctx.serverState = ctx.serverAttrs.GetSingleValue("server-state");
    if (ctx.serverState.empty()) {
        result.PrintUA(kClassServer, ctx.server);
        return false;
    }

    if (std::floor(basCommon::NumericValue(ctx.jobId)) <= 0) {
        result.PrintF(msg::InvalidJobId, {ctx.jobId});
        return false;
    }
    ctx.jobObjectName = ctx.server + ":" + ctx.jobId;
    if (List(ctx.job, kClassJob, ctx.jobObjectName, ctx.domain, true, "int-max-copy-count") != 0 ||
        ctx.job.GetSingleValue("job-identifier").empty()) {
        result.PrintF(msg::JobNotFound, {ctx.jobId, ctx.server});
        return false;
    }
    return true;
}

}  // namespace

void DiagnoseJob(const std::string& server, const std::string& domain, const std::string& jobId,
                 clsDiagResult& result) {
    result.Clear();
    result.JobId(jobId);

    JobContext ctx{server, domain, jobId, {}, {}, {}, {}};
    if (!ListServerAndJob(ctx, result)) {
        return;
    }

    result.JobName(ctx.job.GetSingleValue("job-name"));
    result.JobStatus(ctx.job.GetSingleValue("current-job-state"));
    result.QueueName(ctx.job.GetSingleValue("assigned-queue"));
    const std::string state = result.JobStatus();
    if (state.empty()) {
        result.PrintF(msg::NoJobState, {jobId});
        return;
    }

    if (Is(state, msg::KwCompleted) || Is(state, msg::KwRetained)) {
        DiagnoseFinishedJob(ctx, state, result);
    } else if (Is(state, msg::KwProcessing) || Is(state, msg::KwPrinting)) {
        DiagnoseActiveJob(ctx, state, result);
    } else if (Is(state, msg::KwPending) || Is(state, msg::KwPaused) || Is(state, msg::KwHeld)) {
        DiagnoseWaitingJob(ctx, state, result);
    } else {
        DiagnoseOtherJob(ctx, state, result);
    }
}

}  // namespace basDiagJobs
