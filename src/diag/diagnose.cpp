#include "diag/diagnose.h"

#include <cmath>
#include <utility>
#include <vector>

#include "diag/clock.h"
#include "diag/alternatives.h"
#include "diag/message_info.h"
#include "diag/printer_checks.h"
#include "diag/remedies.h"
#include "diag/state_reasons.h"
#include "diag/time_lines.h"
#include "model/string_list.h"
#include "text/text_functions.h"

namespace stallscan::diag {

namespace {

using listing::ObjectAttributes;
using model::ObjectClass;
using text::Catalog;
using text::Msg;

bool Is(const std::string& value, Msg keyword) {
    return value == Catalog(keyword);
}

// What DiagnoseJob works with and has learnt so far about one job.
struct JobWalk {
    listing::Lister& lister;
    const std::string& server;
    const std::string& domain;
    const std::string& job_id;
    Diagnosis& diagnosis;
    std::string job_object_name;
    std::string server_state;
    ObjectAttributes server_attrs;
    ObjectAttributes job;
    int64_t now = 0;  // what the job's ages are taken against

    bool List(ObjectAttributes& attrs, ObjectClass object_class, const std::string& name,
              bool list_all, std::string requested) {
        return ListObject(lister, attrs, object_class, name, domain, list_all,
                          std::move(requested));
    }
};

// Branch A: the job has completed or is retained.
void DiagnoseFinishedJob(JobWalk& walk, const std::string& state) {
    const ObjectAttributes& job = walk.job;
    Diagnosis& diagnosis = walk.diagnosis;
    const bool completed = Is(state, Msg::kCompleted);
    if (completed) {
        std::string period = job.SingleValue("job-completion-period");
        if (period.empty()) {
            period = walk.server_attrs.SingleValue("default-job-completion-period");
        }
        diagnosis.Add(Msg::kJobCompletedPeriod, {period});
    } else {
        diagnosis.Add(Msg::kJobRetainedPeriod, {job.SingleValue("job-retention-period")});
    }

    const std::string reasons = job.MultiValues("job-state-reasons");
    diagnosis.Add(Msg::kJobCompletedState, {reasons});

    const std::string state_message = job.SingleValue("job-state-message");
    if (!state_message.empty()) {
        diagnosis.Add(Msg::kJobStateMessage, {state_message});
    }

    if (!completed && reasons.find("completed-with-errors") != std::string::npos) {
        // The printer is listed for its native formats; when it cannot be, the check is skipped.
        const std::string assigned = job.SingleValue("printers-assigned");
        ObjectAttributes printer;
        if (!assigned.empty() && walk.List(printer, ObjectClass::kPrinter, assigned, false,
                                           "native-document-formats-ready")) {
            CheckNativeDocFormats(diagnosis, assigned, printer, job);
        }
    }

    if (completed && reasons.find("aborted-by-system") != std::string::npos &&
        std::floor(text::NumericValue(job.SingleValue("total-job-octets"))) == 0) {
        diagnosis.Add(Msg::kWarningZeroSize);
    }
}

// Branch B: the job is processing or printing; report its assigned printer.
void DiagnoseActiveJob(JobWalk& walk, const std::string& state) {
    Diagnosis& diagnosis = walk.diagnosis;
    diagnosis.Add(Is(state, Msg::kProcessing) ? Msg::kJobProcessing : Msg::kJobPrinting);

    const std::string assigned = walk.job.SingleValue("printers-assigned");
    if (assigned.empty()) {
        return;
    }
    const bool ipp = walk.lister.AttributeDialect() == listing::Dialect::kIpp;
    ObjectAttributes printer;
    if (!walk.List(printer, ObjectClass::kPrinter, assigned, false,
                   ipp ? "printer-state printer-problem-message printer-state-reasons"
                       : "printer-state printer-problem-message")) {
        diagnosis.AddAccessFailure(ObjectClass::kPrinter, assigned);
        return;
    }
    diagnosis.Add(Msg::kAssignedPrinterState, {assigned, printer.SingleValue("printer-state")});

    const std::string problem = printer.SingleValue("printer-problem-message");
    if (!problem.empty()) {
        diagnosis.Add(Msg::kPrinterProblemMessage, {problem});
    }
    // A printer that cannot go on with the job (offline, out of paper ...) says why.
    const model::StringList reasons(ipp ? printer.MultiValues("printer-state-reasons") : "");
    for (int32_t i = 1; i <= reasons.Count(); ++i) {
        const StateReason reason = PrinterReason(reasons.Item(i));
        if (reason.severity == Severity::kProblem && reason.base != "paused") {
            AddReason(diagnosis, reason, assigned);
        }
    }
}

// Branch C: any other state; report the state and its reasons or message.
void DiagnoseOtherJob(JobWalk& walk, const std::string& state) {
    Diagnosis& diagnosis = walk.diagnosis;
    diagnosis.Add(Msg::kJobStateIs, {state});
    const std::string reasons = walk.job.MultiValues("job-state-reasons");
    if (!reasons.empty()) {
        diagnosis.Add(Msg::kJobStateReason, {reasons});
        return;
    }
    const std::string state_message = walk.job.SingleValue("job-state-message");
    if (!state_message.empty()) {
        diagnosis.Add(Msg::kJobStateMessage, {state_message});
    }
}

// The reasons that the job itself gives for waiting.
void ReportJobHold(JobWalk& walk, const std::string& state) {
    const ObjectAttributes& job = walk.job;
    Diagnosis& diagnosis = walk.diagnosis;
    if (Is(state, Msg::kPaused)) {
        diagnosis.Add(Msg::kReasonJobPaused);
        if (Is(job.SingleValue("job-hold"), Msg::kTrue)) {
            diagnosis.Add(Msg::kReasonJobHeld, {Catalog(Msg::kJobHoldSet)});
            CheckEmptyDocuments(diagnosis, job);
        }
    }
    if (Is(state, Msg::kHeld)) {
        diagnosis.Add(Msg::kReasonJobHeld, {job.MultiValues("job-state-reasons")});
        const std::string until = job.SingleValue("job-hold-until");
        if (!until.empty()) {
            diagnosis.Add(Msg::kReasonHeldUntil, {until});
            if (walk.lister.AttributeDialect() == listing::Dialect::kIpp) {
                AddHoldEnd(diagnosis, until, walk.now);
            }
        }
        CheckEmptyDocuments(diagnosis, job);
    }
}

// An IPP queue of several printers (a class) prints a job on any member that can: when one member
// has no problem, the problems of the others do not block the job and are told as information.
void WeighClassMembers(Diagnosis& diagnosis, const std::vector<std::pair<size_t, size_t>>& members,
                       const std::vector<bool>& checked) {
    const auto has_problem = [&diagnosis](std::pair<size_t, size_t> range) {
        for (size_t m = range.first; m < range.second; ++m) {
            if (SeverityOf(diagnosis.Messages()[m]) == Severity::kProblem) {
                return true;
            }
        }
        return false;
    };
    bool usable = false;
    for (size_t i = 0; i < members.size(); ++i) {
        usable = usable || (checked[i] && !has_problem(members[i]));
    }
    if (!usable) {
        return;
    }
    for (const auto& [begin, end] : members) {
        for (size_t m = begin; m < end; ++m) {
            if (SeverityOf(diagnosis.Messages()[m]) == Severity::kProblem) {
                diagnosis.Weigh(m, Severity::kInfo);
            }
        }
    }
}

// The job-state-reasons that tell why a waiting IPP job waits, each in its own words.
void ReportJobReasons(JobWalk& walk) {
    if (walk.lister.AttributeDialect() != listing::Dialect::kIpp) {
        return;
    }
    const model::StringList reasons(walk.job.MultiValues("job-state-reasons"));
    for (int32_t i = 1; i <= reasons.Count(); ++i) {
        const StateReason reason = JobReason(reasons.Item(i));
        if (reason.explains_wait) {
            AddReason(walk.diagnosis, reason);
        }
    }
}

// Runs the printer checks over the list; false when the diagnosis must stop without the tail.
bool CheckPrinters(JobWalk& walk, const std::string& printers) {
    PrinterLoop loop(walk.lister, walk.domain);
    const model::StringList names(printers);
    std::vector<std::pair<size_t, size_t>> members;  // each printer's messages
    std::vector<bool> checked;                        // each printer checked to the end
    bool go_on = true;
    for (int32_t i = 1; i <= names.Count() && go_on; ++i) {
        const size_t first = walk.diagnosis.Messages().size();
        const PrinterCheckOutcome outcome = CheckPrinter(walk.diagnosis, names.Item(i), walk.job, loop);
        members.emplace_back(first, walk.diagnosis.Messages().size());
        checked.push_back(outcome == PrinterCheckOutcome::kNextPrinter);
        if (outcome == PrinterCheckOutcome::kStopDiagnosis) {
            return false;
        }
        go_on = outcome == PrinterCheckOutcome::kNextPrinter;
    }
    if (walk.lister.AttributeDialect() == listing::Dialect::kIpp) {
        WeighClassMembers(walk.diagnosis, members, checked);
    }
    return true;
}

// The closing messages of a waiting job, and the re-check when nothing was found.
void ReportTail(JobWalk& walk) {
    Diagnosis& diagnosis = walk.diagnosis;
    const std::string state_message = walk.job.SingleValue("job-state-message");
    if (!state_message.empty()) {
        diagnosis.Add(Msg::kReasonJobStateMessage, {state_message});
    }
    const std::string intervening = walk.job.SingleValue("intervening-jobs");
    if (text::NumericValue(intervening) != 0) {
        diagnosis.Add(Msg::kReasonInterveningJobs, {intervening});
    }
    if (!diagnosis.MessageText().empty()) {
        return;
    }

    diagnosis.Add(Msg::kNoProblemsFound);
    if (!walk.List(walk.job, ObjectClass::kJob, walk.job_object_name, false,
                   "current-job-state")) {
        diagnosis.AddAccessFailure(ObjectClass::kJob, walk.job_object_name);
        diagnosis.SetOutcome(Outcome::kUnreachable);
        return;
    }
    const std::string fresh_state = walk.job.SingleValue("current-job-state");
    if (!Is(fresh_state, Msg::kPending)) {
        diagnosis.Add(Msg::kNoLongerPending, {fresh_state});
    }
}

// Branch D: the job is waiting (pending, paused or held); look for what blocks it.
void DiagnoseWaitingJob(JobWalk& walk, const std::string& state, ObjectAttributes& queue_attrs) {
    Diagnosis& diagnosis = walk.diagnosis;
    const std::string queue = walk.job.SingleValue("assigned-queue");
    if (queue.empty()) {
        diagnosis.Add(Msg::kNoAssignedQueue, {walk.job_object_name});
        return;
    }
    const bool ipp = walk.lister.AttributeDialect() == listing::Dialect::kIpp;
    if (!walk.List(queue_attrs, ObjectClass::kQueue, queue, false,
                   ipp ? "physical-printers-supported state queue-state-message "
                         "server-current-time"
                       : "physical-printers-supported state")) {
        diagnosis.AddAccessFailure(ObjectClass::kQueue, queue);
        return;
    }
    walk.now = NowFor(queue_attrs);

    std::string printers = queue_attrs.MultiValues("physical-printers-supported");
    const std::string queue_state = queue_attrs.SingleValue("state");
    diagnosis.SetPrintersSupported(printers);
    const std::string requested = walk.job.MultiValues("physical-printers-requested");
    if (!requested.empty()) {
        printers = requested;
        diagnosis.SetPrintersRequested(printers);
    }

    ReportJobHold(walk, state);
    ReportJobReasons(walk);

    if (Is(walk.server_state, Msg::kPaused)) {
        diagnosis.Add(Msg::kReasonSpoolerPaused, {walk.server});
    }
    if (queue_state.empty()) {
        diagnosis.Add(Msg::kNoQueueState, {queue});
        return;
    }
    if (Is(queue_state, Msg::kPaused)) {
        diagnosis.Add(Msg::kReasonQueuePaused, {queue});
        const std::string message = queue_attrs.SingleValue("queue-state-message");
        if (!message.empty()) {
            diagnosis.Add(Msg::kQueueStateMessage, {queue, message});
        }
    }
    if (printers.empty()) {
        diagnosis.Add(Msg::kReasonNoPrinters);
        return;
    }

    if (CheckPrinters(walk, printers)) {
        ReportTail(walk);
    }
}

// Lists the server and the job; false (with the message written) when the diagnosis ends.
bool ListServerAndJob(JobWalk& walk) {
    Diagnosis& diagnosis = walk.diagnosis;
    if (walk.server.empty()) {
        diagnosis.Add(Msg::kNoServerSpecified);
        diagnosis.SetOutcome(Outcome::kInvalid);
        return false;
    }
    diagnosis.SetSpoolerName(walk.server);
    if (!walk.List(walk.server_attrs, ObjectClass::kServer, walk.server, true, "") ||
        (walk.server_state = walk.server_attrs.SingleValue("server-state")).empty()) {
        diagnosis.AddAccessFailure(ObjectClass::kServer, walk.server);
        diagnosis.SetOutcome(Outcome::kUnreachable);
        return false;
    }

    if (std::floor(text::NumericValue(walk.job_id)) <= 0) {
        diagnosis.Add(Msg::kInvalidJobId, {walk.job_id});
        diagnosis.SetOutcome(Outcome::kInvalid);
        return false;
    }
    walk.job_object_name = walk.server + ":" + walk.job_id;
    const listing::Status status = walk.job.List(
        walk.lister, {ObjectClass::kJob, walk.job_object_name, walk.domain}, true,
        "int-max-copy-count");
    if (listing::IsInterruption(status)) {
        throw ListingInterrupted{};
    }
    if (status == listing::Status::kOk && !walk.job.SingleValue("job-identifier").empty()) {
        return true;
    }
    // An IPP server that could not be asked does not say that the job is unknown.
    if (listing::IsAccessFailure(status) &&
        walk.lister.AttributeDialect() == listing::Dialect::kIpp) {
        diagnosis.AddAccessFailure(ObjectClass::kJob, walk.job_object_name);
        diagnosis.SetOutcome(Outcome::kUnreachable);
        return false;
    }
    diagnosis.Add(Msg::kJobNotFound, {walk.job_id, walk.server});
    diagnosis.SetOutcome(Outcome::kNotFound);
    return false;
}

void Walk(JobWalk& walk) {
    if (!ListServerAndJob(walk)) {
        return;
    }
    Diagnosis& diagnosis = walk.diagnosis;
    diagnosis.SetJobName(walk.job.SingleValue("job-name"));
    diagnosis.SetJobStatus(walk.job.SingleValue("current-job-state"));
    diagnosis.SetQueueName(walk.job.SingleValue("assigned-queue"));
    diagnosis.SetJobOwner(walk.job.SingleValue("job-owner"));
    const std::string state = diagnosis.JobStatus();
    // Read before the re-check lists the job again with its state alone.
    const auto created = TimeEntry(walk.job, "time-at-creation");
    walk.now = Now();
    if (state.empty()) {
        diagnosis.Add(Msg::kNoJobState, {walk.job_id});
        diagnosis.SetOutcome(Outcome::kUnreachable);
        return;
    }

    if (Is(state, Msg::kCompleted) || Is(state, Msg::kRetained)) {
        DiagnoseFinishedJob(walk, state);
    } else if (Is(state, Msg::kProcessing) || Is(state, Msg::kPrinting)) {
        DiagnoseActiveJob(walk, state);
    } else if (Is(state, Msg::kPending) || Is(state, Msg::kPaused) || Is(state, Msg::kHeld)) {
        ObjectAttributes queue;
        DiagnoseWaitingJob(walk, state, queue);
        // A queue that takes no new jobs does not stop those already in it: information only.
        if (queue.SingleValue("accepting-jobs") == Catalog(Msg::kFalse)) {
            diagnosis.Add(Msg::kQueueNotAccepting, {queue.Address().name});
        }
        if (walk.lister.AttributeDialect() == listing::Dialect::kIpp && MovingCouldHelp(diagnosis)) {
            diagnosis.SetAlternatives(FindAlternatives(
                walk.lister, walk.domain, diagnosis, walk.job,
                {true, walk.lister.ServerForCommands()}));
        }
    } else {
        DiagnoseOtherJob(walk, state);
    }
    if (walk.lister.AttributeDialect() == listing::Dialect::kIpp &&
        diagnosis.GetOutcome() == Outcome::kDiagnosed) {
        AddJobTimes(diagnosis, created, walk.now,
                    Is(state, Msg::kPending) || Is(state, Msg::kPaused) || Is(state, Msg::kHeld));
    }
}

}  // namespace

Diagnosis DiagnoseJob(listing::Lister& lister, const std::string& server,
                      const std::string& domain, const std::string& job_id) {
    Diagnosis diagnosis;
    diagnosis.SetJobId(job_id);
    JobWalk walk{lister, server, domain, job_id, diagnosis, {}, {}, {}, {}};
    try {
        Walk(walk);
        // A server that wants a password is the reason behind whatever could not be listed.
        for (const auto& failure : lister.Failures()) {
            if (failure.status == listing::Status::kAuthenticationRequired) {
                diagnosis.Add(Msg::kReasonAuthenticationRequired, {server});
                break;
            }
        }
    } catch (const ListingInterrupted&) {
        // A listing that did not finish in time ends the report with the server's time-out; one
        // that was stopped ends the diagnosis without a word (the work it belonged to is over).
        if (lister.Interruption() == listing::Status::kTimedOut) {
            diagnosis.AddReasonLine(Msg::kServerNotResponding, server);
            diagnosis.SetOutcome(Outcome::kTimedOut);
        }
    }
    // On a print system with commands for them (CUPS), the report ends with the remedies.
    const bool cups = lister.AttributeDialect() == listing::Dialect::kIpp;
    diagnosis.SetRemedies(Remedies(diagnosis, {cups, lister.ServerForCommands()}), cups);
    return diagnosis;
}

}  // namespace stallscan::diag
