#include "diag/message_info.h"

#include <algorithm>
#include <stdexcept>

namespace stallscan::diag {

namespace {

using text::Msg;
constexpr Severity kProblem = Severity::kProblem;
constexpr Severity kWarning = Severity::kWarning;
constexpr Severity kInfo = Severity::kInfo;

const std::vector<MessageInfo> kInfos = {
    {Msg::kNoServerSpecified, "no-server", kProblem, "no server was given for the job"},
    {Msg::kUnableToAccessServer, "server-unreachable", kProblem,
     "the job's server, or a printer's supervisor, could not be listed"},
    {Msg::kUnableToAccessPrinter, "printer-unreachable", kProblem,
     "the printer of a job being printed could not be listed"},
    {Msg::kUnableToAccessQueue, "queue-unreachable", kProblem, "the job's queue could not be listed"},
    {Msg::kUnableToAccessJob, "job-unreachable", kProblem,
     "the job could not be listed again to see whether it still waits"},
    {Msg::kUnableToAccessDocument, "document-unreachable", kProblem,
     "a document of the job could not be listed"},
    {Msg::kInvalidJobId, "invalid-job-id", kProblem, "the job identifier is no job number"},
    {Msg::kJobNotFound, "job-not-found", kProblem, "the server does not know the job"},
    {Msg::kNoJobState, "no-job-state", kProblem,
     "the job's state could not be read (the user may not have access)"},
    {Msg::kNoAssignedQueue, "no-assigned-queue", kProblem,
     "the waiting job's queue could not be read"},
    {Msg::kNoServerState, "no-server-state", kProblem, "the server's state could not be read"},
    {Msg::kNoQueueState, "no-queue-state", kProblem, "the queue's state could not be read"},
    {Msg::kNoPrinterState, "no-printer-state", kProblem, "a printer's state could not be read"},
    {Msg::kJobStateIs, "job-state", kInfo, "the job is in a state other than waiting or done"},
    {Msg::kReasonJobStateMessage, "job-state-message", kWarning,
     "the waiting job carries a message from the print system"},
    {Msg::kReasonJobPaused, "job-paused", kProblem, "the job is paused"},
    {Msg::kReasonJobHeld, "job-held", kProblem, "the job is held, with its reasons"},
    {Msg::kReasonSpoolerPaused, "spooler-paused", kProblem, "the job's server is paused"},
    {Msg::kReasonQueuePaused, "queue-paused", kProblem, "the job's queue is paused"},
    {Msg::kReasonInterveningJobs, "jobs-ahead", kInfo, "other jobs are scheduled before the job"},
    {Msg::kReasonNoPrinters, "no-printers", kProblem, "the queue has no printers"},
    {Msg::kReasonPrinterPaused, "printer-paused", kProblem, "a printer is paused"},
    {Msg::kReasonPrinterDisabled, "printer-disabled", kProblem, "a printer is disabled"},
    {Msg::kReasonNoSubmissionLibrary, "no-submission-library", kProblem,
     "a printer has no job submission library loaded"},
    {Msg::kReasonNoSubmissionChannels, "no-submission-channel", kProblem,
     "a printer has no job submission channel ready"},
    {Msg::kReasonNotSupported, "not-supported", kProblem,
     "a printer does not offer something the job asks for"},
    {Msg::kReasonPrinterBusy, "printer-busy", kInfo, "a printer is busy with another job"},
    {Msg::kReasonPrinterNeedsAttention, "printer-needs-attention", kProblem,
     "a printer needs attention"},
    {Msg::kReasonPrinterTimedOut, "printer-timed-out", kProblem, "a printer has timed out"},
    {Msg::kReasonPrinterShutDown, "printer-shut-down", kProblem, "a printer has shut down"},
    {Msg::kReasonPrinterStatusUnknown, "printer-state-unknown", kProblem,
     "a printer's state is unknown"},
    {Msg::kReasonPrinterProblem, "printer-problem-message", kProblem,
     "a printer reports a problem"},
    {Msg::kReasonPrinterNotFound, "printer-not-found", kProblem, "a printer does not exist"},
    {Msg::kReasonSupervisorDisabled, "supervisor-disabled", kProblem,
     "a printer's supervisor is disabled"},
    {Msg::kNoLongerPending, "no-longer-waiting", kInfo,
     "the job left the waiting states while it was diagnosed"},
    {Msg::kAssignedPrinterState, "assigned-printer-state", kInfo,
     "the state of the printer printing the job"},
    {Msg::kNoProblemsFound, "no-problems", kInfo, "nothing blocks the waiting job"},
    {Msg::kJobCompletedPeriod, "job-completed", kInfo,
     "the job has completed, with its completion period"},
    {Msg::kJobRetainedPeriod, "job-retained", kInfo,
     "the job is retained, with its retention period"},
    {Msg::kJobCompletedState, "job-completion-reasons", kInfo, "how the finished job ended"},
    {Msg::kJobProcessing, "job-processing", kInfo, "the job is being processed"},
    {Msg::kJobPrinting, "job-printing", kInfo, "the job is printing"},
    {Msg::kJobStateMessage, "job-message", kInfo,
     "the print system's message about a job that does not wait"},
    {Msg::kJobStateReason, "job-state-reason", kInfo,
     "the reasons for the state of a job that does not wait"},
    {Msg::kReasonDocumentEmpty, "document-empty", kProblem, "a document of the job has no data"},
    {Msg::kWarningNotNativeFormat, "not-native-format", kWarning,
     "a plain-text document was sent to a PCL printer without a filter for it"},
    {Msg::kReasonWrongPafReference, "wrong-paf-reference", kProblem,
     "a printer under a Reference supervisor has the wrong printer access file"},
    {Msg::kReasonWrongPafVelmar, "wrong-paf-velmar", kProblem,
     "a printer under a Velmar supervisor has the wrong printer access file"},
    {Msg::kPrinterProblemMessage, "assigned-printer-problem", kWarning,
     "the printer printing the job reports a problem"},
    {Msg::kWarningZeroSize, "zero-size", kWarning,
     "the job was aborted by the system and has no data"},
    {Msg::kServerNotResponding, "server-not-responding", kProblem,
     "a listing did not finish within the time-out"},
    {Msg::kReasonHeldUntil, "job-held-until", kProblem, "until when the held job is held"},
    {Msg::kQueueNotAccepting, "queue-not-accepting", kInfo,
     "the queue takes no new jobs (the jobs already queued are not stopped by it)"},
    {Msg::kReasonPrinterMediaEmpty, "printer-media-empty", kProblem, "a printer is out of paper"},
    {Msg::kReasonPrinterMediaJam, "printer-media-jam", kProblem, "a printer has a paper jam"},
    {Msg::kReasonPrinterTonerEmpty, "printer-toner-empty", kProblem, "a printer is out of toner"},
    {Msg::kReasonPrinterOffline, "printer-offline", kProblem, "a printer is offline"},
    {Msg::kReasonPrinterMissingFilter, "printer-missing-filter", kProblem,
     "a printer has no filter that converts the document"},
    {Msg::kReasonPrinterDoorOpen, "printer-door-open", kProblem,
     "a printer has an open door or cover"},
    {Msg::kReasonPrinterReports, "printer-reason", kProblem,
     "a printer reports a state reason (printer-state-reasons) that is a problem; its code is "
     "that of the reason (see STATE REASONS), \"printer-reason\" for a keyword stallscan does "
     "not know"},
    {Msg::kWarningPrinterReports, "printer-reason-warning", kWarning,
     "a printer reports a state reason that is a warning; \"printer-reason-warning\" for a "
     "keyword stallscan does not know"},
    {Msg::kPrinterReports, "printer-reason-report", kInfo,
     "a printer reports a state reason for information; \"printer-reason-report\" for a "
     "keyword stallscan does not know"},
    {Msg::kReasonAuthenticationRequired, "authentication-required", kProblem,
     "the server asks for a password, which stallscan never gives"},
    {Msg::kReasonJobReports, "job-reason", kProblem,
     "the waiting job gives a reason (job-state-reasons) that blocks it; its code is that of "
     "the reason (see STATE REASONS)"},
    {Msg::kWarningJobReports, "job-reason-warning", kWarning,
     "the waiting job gives a reason that is a warning"},
    {Msg::kJobReports, "job-reason-report", kInfo,
     "the waiting job gives a reason for information"},
    {Msg::kQueueStateMessage, "queue-state-message", kInfo,
     "the job's queue (a class) carries a message of its own"},
    {Msg::kJobWaitingSince, "job-waiting-since", kInfo,
     "how long the waiting job has waited since it was submitted"},
    {Msg::kPrinterPausedFor, "printer-paused-since", kInfo, "how long a printer has been paused"},
    {Msg::kHoldEnds, "job-hold-ends", kInfo, "when the hold of a job held until a time ends"},
};

}  // namespace

const MessageInfo& InfoOf(Msg id) {
    const auto found = std::find_if(kInfos.begin(), kInfos.end(),
                                    [id](const MessageInfo& info) { return info.id == id; });
    if (found == kInfos.end()) {
        throw std::out_of_range("no report message " + std::to_string(static_cast<int>(id)));
    }
    return *found;
}

const std::vector<MessageInfo>& AllMessageInfo() {
    return kInfos;
}

std::string_view CodeOf(const Message& message) {
    return message.code.empty() ? InfoOf(message.id).code : std::string_view(message.code);
}

Severity SeverityOf(const Message& message) {
    return message.severity.value_or(InfoOf(message.id).severity);
}

std::string_view SeverityName(Severity severity) {
    switch (severity) {
        case Severity::kProblem:
            return "problem";
        case Severity::kWarning:
            return "warning";
        case Severity::kInfo:
            break;
    }
    return "info";
}

std::string_view OutcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::kDiagnosed:
            return "diagnosed";
        case Outcome::kInvalid:
            return "invalid";
        case Outcome::kNotFound:
            return "not-found";
        case Outcome::kUnreachable:
            return "unreachable";
        case Outcome::kTimedOut:
            break;
    }
    return "timed-out";
}

bool IsBlocked(const Diagnosis& diagnosis) {
    return diagnosis.GetOutcome() == Outcome::kDiagnosed &&
           std::any_of(diagnosis.Messages().begin(), diagnosis.Messages().end(),
                       [](const Message& m) { return SeverityOf(m) == kProblem; });
}

std::set<std::string> ProblemCodes(const Diagnosis& diagnosis) {
    std::set<std::string> codes;
    for (const Message& message : diagnosis.Messages()) {
        if (SeverityOf(message) == kProblem) {
            codes.emplace(CodeOf(message));
        }
    }
    return codes;
}

}  // namespace stallscan::diag
