#include "diag/remedies.h"

#include <algorithm>
#include <optional>

#include "diag/message_info.h"
#include "text/text_functions.h"

namespace stallscan::diag {

namespace {

using text::Msg;

// The sentence for a printer that reports something stallscan has no remedy of its own for.
constexpr std::string_view kLookAtPrinter =
    "Look at printer \"%1\" and clear the condition it reports.";

struct KeywordRemedy {
    std::string_view keyword;
    std::string_view remedy;
};

// Printer keywords with a remedy of their own.
constexpr KeywordRemedy kPrinterRemedies[] = {
    {"cover-open", "Close the doors and covers of printer \"%1\"."},
    {"door-open", "Close the doors and covers of printer \"%1\"."},
    {"interlock-open", "Close the doors and covers of printer \"%1\"."},
    {"deactivated", "Activate printer \"%1\" again, or move its jobs to another printer."},
    {"deleted", "Move the printer's jobs to another printer, or create printer \"%1\" again."},
    {"hold-new-jobs", "Let printer \"%1\" take new jobs again."},
    {"input-cannot-feed-size-selected", "Load the paper size the job asks for into printer \"%1\"."},
    {"input-manual-input-request", "Feed paper by hand into printer \"%1\"."},
    {"input-media-color-change", "Load paper of the color the job asks for into printer \"%1\"."},
    {"input-media-form-parts-change", "Load the paper the job asks for into printer \"%1\"."},
    {"input-media-size-change", "Load the paper size the job asks for into printer \"%1\"."},
    {"input-media-type-change", "Load the paper type the job asks for into printer \"%1\"."},
    {"input-media-weight-change", "Load paper of the weight the job asks for into printer \"%1\"."},
    {"interpreter-complex-page-encountered", "Check the printed pages of printer \"%1\"."},
    {"interpreter-resource-unavailable", "Install the font or resource printer \"%1\" misses."},
    {"media-empty", "Load paper into printer \"%1\"."},
    {"media-needed", "Load paper into printer \"%1\"."},
    {"media-jam", "Clear the paper jam in printer \"%1\"."},
    {"media-path-cannot-duplex-media-selected",
     "Load paper that printer \"%1\" can print on both sides, or print one-sided."},
    {"media-path-input-request", "Feed paper into printer \"%1\"."},
    {"motor-failure", "Turn printer \"%1\" off and on again; if the failure stays, call for service."},
    {"offline", "Turn printer \"%1\" on and check its cable or network."},
    {"other", kLookAtPrinter},
    {"output-mailbox-select-failure", "Check the output mailboxes of printer \"%1\"."},
    {"paused", "Start printer \"%1\" again once it is ready to print."},
    {"power-down", "Turn printer \"%1\" on again."},
    {"scan-media-path-input-request", "Put the originals into the scanner of printer \"%1\"."},
    {"shutdown", "Turn printer \"%1\" on again."},
    {"spool-area-full", "Free space in the spool area of printer \"%1\"."},
    {"stapler-jam", "Clear the staple jam in printer \"%1\"."},
    {"stopped-partly", "Look at the parts that printer \"%1\" has stopped."},
    {"suspend", "Resume printer \"%1\"."},
    {"timed-out", "Check that printer \"%1\" is on and can be reached."},
    {"toner-empty", "Replace the toner of printer \"%1\"."},
    {"marker-supply-empty", "Replace the toner of printer \"%1\"."},
    {"unknown", "Check that printer \"%1\" is on and can be reached."},
    {"wifi-not-configured", "Set up the wireless network of printer \"%1\"."},
    {"cups-insecure-filter", "Reinstall the printer driver of \"%1\" so that its files are safe."},
    {"cups-missing-filter",
     "Install a printer driver for \"%1\" that converts the document's format."},
    {"cups-pki", "Check the security certificate of printer \"%1\"."},
    {"cups-pki-changed", "Accept the new certificate of printer \"%1\" once you trust it."},
    {"cups-pki-expired", "Renew the security certificate of printer \"%1\"."},
    {"cups-pki-invalid", "Give printer \"%1\" a valid security certificate."},
    {"cups-pki-unknown", "Have the certificate of printer \"%1\" signed, or accept it."},
    {"cups-remote-aborted", "Look at the remote printer behind \"%1\" and print the job again."},
    {"cups-remote-canceled", "Print the job again if it is still wanted."},
    {"cups-remote-pending-held", "Release the job on the remote printer behind \"%1\"."},
    {"cups-remote-stopped", "Start the remote printer behind \"%1\" again."},
};

// The conditions of a printer's parts, by the end of the keyword ("stapler-jam": "jam").
constexpr KeywordRemedy kConditionRemedies[] = {
    {"almost-empty", "Have a refill or replacement ready for printer \"%1\"."},
    {"low", "Have a refill or replacement ready for printer \"%1\"."},
    {"almost-full", "Empty the part of printer \"%1\" that is filling up, soon."},
    {"near-limit", "Service the part of printer \"%1\" that is near its limit, soon."},
    {"at-limit", "Empty or service the part of printer \"%1\" that is at its limit."},
    {"at-eol", "Replace the part of printer \"%1\" that is at the end of its life."},
    {"life-over", "Replace the part of printer \"%1\" that is at the end of its life."},
    {"near-eol", "Order a replacement for the part of printer \"%1\" that is wearing out."},
    {"life-almost-over", "Order a replacement for the part of printer \"%1\" that is wearing out."},
    {"life-warn", "Order a replacement for the part of printer \"%1\" that is wearing out."},
    {"cover-open", "Close the doors and covers of printer \"%1\"."},
    {"interlock-open", "Close the doors and covers of printer \"%1\"."},
    {"opened", "Close the doors and covers of printer \"%1\"."},
    {"empty", "Refill or replace what printer \"%1\" has run out of."},
    {"needed", "Refill or replace what printer \"%1\" has run out of."},
    {"feed", "Clear the paper path of printer \"%1\" and check the paper in its tray."},
    {"full", "Empty the full container of printer \"%1\"."},
    {"jam", "Clear the jam in printer \"%1\"."},
    {"memory-exhausted", "Restart printer \"%1\", or print the job in smaller parts."},
    {"missing", "Put the missing part back into printer \"%1\"."},
    {"offline", "Turn on and connect the part of printer \"%1\" that is offline."},
    {"turned-off", "Turn on the part of printer \"%1\" that is off."},
    {"over-temp", "Let printer \"%1\" cool down and check its ventilation."},
    {"over-temperature", "Let printer \"%1\" cool down and check its ventilation."},
    {"temperature-high", "Let printer \"%1\" cool down and check its ventilation."},
    {"temperature-low", "Let printer \"%1\" warm up to its working temperature."},
    {"under-temp", "Let printer \"%1\" warm up to its working temperature."},
    {"under-temperature", "Let printer \"%1\" warm up to its working temperature."},
    {"recoverable-storage", "Check the storage of printer \"%1\"."},
    {"unrecoverable-storage", "Call for service for printer \"%1\"."},
    {"unrecoverable-failure", "Call for service for printer \"%1\"."},
    {"failure", "Turn printer \"%1\" off and on again; if the failure stays, call for service."},
};

// Job keywords with a remedy of their own; the others have their group's (JobRemedy).
constexpr KeywordRemedy kJobRemedies[] = {
    {"aborted-by-system", "Print the job again once its printer works."},
    {"compression-error", "Print the job again: its data arrived damaged."},
    {"conflicting-attributes", "Print the job again with settings that go together."},
    {"destination-uri-failed", "Check the address of the job's destination."},
    {"digital-signature-did-not-verify", "Print the job again with a valid signature."},
    {"errors-detected", "Look at the job's errors in the print system's log."},
    {"job-completed-with-errors", "Look at the job's errors in the print system's log."},
    {"job-completed-with-warnings", "Look at the job's warnings in the print system's log."},
    {"job-data-insufficient", "Wait for the job's data, or print it again."},
    {"job-delay-output-until-specified", "Release the job to print it before its set time."},
    {"job-held-for-button-press", "Press the button on the printer."},
    {"job-hold-until-specified", "Release the job to print it before its set time."},
    {"job-password-wait", "Enter the job's password at the printer."},
    {"job-release-wait", "Release the job at the printer."},
    {"job-printed-with-errors", "Check the printed pages and print the job again if needed."},
    {"job-printed-with-warnings", "Check the printed pages."},
    {"job-saved-with-errors", "Save the job again."},
    {"job-saved-with-warnings", "Check the saved job."},
    {"printer-stopped", "Start the job's printer again once it is ready to print."},
    {"printer-stopped-partly", "Look at the parts that the job's printer has stopped."},
    {"resources-are-not-ready", "Make the resources the job needs ready."},
    {"resources-are-not-supported", "Move the job to a printer that has the resources it needs."},
    {"service-off-line", "Turn the job's printer on and check its cable or network."},
    {"submission-interrupted", "Print the job again."},
    {"unsupported-attributes-or-values",
     "Move the job to a printer that offers its settings, or print it again without them."},
    {"unsupported-compression", "Print the job again without compression."},
    {"unsupported-document-format",
     "Move the job to a printer that takes its format, or install a filter that converts it."},
    {"waiting-for-user-action", "Do what the printer asks for on its panel."},
    {"warnings-detected", "Look at the job's warnings in the print system's log."},
    {"cups-held-for-authentication", "Have the job's owner release it with their password."},
};

// The remedy of a job keyword by its group, for those without one of their own.
std::string_view JobGroupRemedy(std::string_view keyword) {
    if (keyword.starts_with("account-")) {
        return "Have the job's account put in order, then release the job.";
    }
    if (keyword.starts_with("document-")) {
        return "Print the document again from a copy that can be read and printed.";
    }
    if (keyword.starts_with("job-held-") || keyword.starts_with("job-suspended")) {
        return "Release the job once it may print.";
    }
    return "Look at the job in the print system and act on its reason.";
}

std::string_view Find(const KeywordRemedy* begin, const KeywordRemedy* end,
                      std::string_view keyword) {
    const auto found = std::find_if(
        begin, end, [keyword](const KeywordRemedy& entry) { return entry.keyword == keyword; });
    return found == end ? std::string_view() : found->remedy;
}

// A printer keyword's remedy: its own, else its condition's (the longest that ends it).
std::string_view PrinterRemedy(std::string_view base) {
    if (const std::string_view own =
            Find(std::begin(kPrinterRemedies), std::end(kPrinterRemedies), base);
        !own.empty()) {
        return own;
    }
    const KeywordRemedy* best = nullptr;
    for (const KeywordRemedy& condition : kConditionRemedies) {
        const size_t length = condition.keyword.size() + 1;
        if (base.size() > length && base.ends_with(condition.keyword) &&
            base[base.size() - length] == '-' &&
            (best == nullptr || best->keyword.size() < condition.keyword.size())) {
            best = &condition;
        }
    }
    return best == nullptr ? kLookAtPrinter : best->remedy;
}

// The other report messages that call for someone to act; "%1" and on are the message's arguments.
struct MessageRemedy {
    Msg id;
    std::string_view remedy;
};

constexpr MessageRemedy kMessageRemedies[] = {
    {Msg::kNoServerSpecified, "Name the job's server, as SERVER:JOB."},
    {Msg::kUnableToAccessServer, "Check that server \"%1\" runs and can be reached from here."},
    {Msg::kUnableToAccessPrinter, "Check that printer \"%1\" exists and may be listed."},
    {Msg::kUnableToAccessQueue, "Check that queue \"%1\" exists and may be listed."},
    {Msg::kUnableToAccessJob, "Run stallscan again to see whether the job still waits."},
    {Msg::kUnableToAccessDocument, "Check that the job's documents may be listed."},
    {Msg::kInvalidJobId, "Name the job by its number."},
    {Msg::kJobNotFound, "Check the job number: the job may have finished and been removed."},
    {Msg::kNoJobState, "Run stallscan as a user who may read the job."},
    {Msg::kNoAssignedQueue, "Run stallscan as a user who may read the job."},
    {Msg::kNoServerState, "Run stallscan as a user who may read server \"%1\"."},
    {Msg::kNoQueueState, "Run stallscan as a user who may read queue \"%1\"."},
    {Msg::kNoPrinterState, "Run stallscan as a user who may read printer \"%1\"."},
    {Msg::kReasonJobStateMessage, "Act on the job's state message."},
    {Msg::kReasonSpoolerPaused, "Resume spooler \"%1\"."},
    {Msg::kReasonNoPrinters, "Assign printers to the job's queue."},
    {Msg::kReasonNoSubmissionLibrary, "Load the job submission library of printer \"%1\"."},
    {Msg::kReasonNoSubmissionChannels, "Check the job submission channels of printer \"%1\"."},
    {Msg::kReasonNotSupported,
     "Offer \"%2\" on printer \"%1\" (load it, or set its \"%3\"), or move the job to a printer "
     "that has it."},
    {Msg::kReasonPrinterNeedsAttention, "Do what the panel of printer \"%1\" asks for."},
    {Msg::kReasonPrinterTimedOut, "Check that printer \"%1\" is on and can be reached."},
    {Msg::kReasonPrinterShutDown, "Turn printer \"%1\" on again."},
    {Msg::kReasonPrinterStatusUnknown, "Check that printer \"%1\" is on and can be reached."},
    {Msg::kReasonPrinterProblem, "Clear the problem that printer \"%1\" reports."},
    {Msg::kReasonSupervisorDisabled, "Enable supervisor \"%1\"."},
    {Msg::kReasonDocumentEmpty, "Print the document again: it reached the print system empty."},
    {Msg::kWarningNotNativeFormat,
     "Define a filter for \"%1\" on printer \"%2\", or send the document in the printer's "
     "own format."},
    {Msg::kReasonWrongPafReference,
     "Create printer \"%1\" again with the access file of its supervisor."},
    {Msg::kReasonWrongPafVelmar,
     "Create printer \"%1\" again with the access file of its supervisor."},
    {Msg::kPrinterProblemMessage, "Look at the printer that prints the job."},
    {Msg::kWarningZeroSize, "Print the job again: it had no data."},
    {Msg::kServerNotResponding,
     "Look at the load of server \"%1\", or give each listing more time (--timeout)."},
    {Msg::kReasonAuthenticationRequired,
     "Run stallscan as a user whom server \"%1\" lets list its jobs without logging in."},
};

bool IsPlainWordCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("_@%+=:,./-").find(c) != std::string_view::npos;
}

std::string Filled(std::string_view shape, std::string_view arg) {
    return text::SubstituteArgsLiteral(shape, {arg});
}

// The keyword behind the six reasons that have catalogue numbers of their own.
std::string_view LegacyKeyword(Msg id) {
    switch (id) {
        case Msg::kReasonPrinterMediaEmpty:
            return "media-empty";
        case Msg::kReasonPrinterMediaJam:
            return "media-jam";
        case Msg::kReasonPrinterTonerEmpty:
            return "toner-empty";
        case Msg::kReasonPrinterOffline:
            return "offline";
        case Msg::kReasonPrinterMissingFilter:
            return "cups-missing-filter";
        default:
            break;
    }
    return "door-open";
}

// The remedy of one message, if it has one.
std::optional<Action> RemedyOf(const Diagnosis& diagnosis, const Message& message,
                               const CommandTarget& target) {
    const auto arg = [&message](size_t i) {
        return i < message.args.size() ? message.args[i] : std::string();
    };
    // Information needs nothing done, but for a queue that takes no new jobs (which stops the
    // jobs that would come), and a problem weighed down to information (a class member that
    // another member stands in for) needs nothing either.
    if (SeverityOf(message) == Severity::kInfo && message.id != Msg::kQueueNotAccepting) {
        return std::nullopt;
    }
    const std::string& job = diagnosis.JobId();
    const auto cups = [&](std::string_view tool, const std::vector<std::string>& args) {
        return target.cups ? CupsCommand(tool, target, args) : std::string();
    };
    switch (message.id) {
        case Msg::kReasonJobHeld:
        case Msg::kReasonHeldUntil:
            return Action{"Release the job once it may print.",
                          cups("lp", {"-i", job, "-H", "resume"})};
        case Msg::kReasonJobPaused:
            return Action{"Start the job's printer again, or restart the job.",
                          cups("lp", {"-i", job, "-H", "restart"})};
        case Msg::kReasonPrinterPaused:
        case Msg::kReasonPrinterDisabled:
            return Action{Filled("Start printer \"%1\" again once it is ready to print.", arg(0)),
                          cups("cupsenable", {arg(0)})};
        case Msg::kReasonQueuePaused:
            return Action{Filled("Start queue \"%1\" again once it may print.", arg(0)),
                          cups("cupsenable", {arg(0)})};
        case Msg::kQueueNotAccepting:
            return Action{Filled("Let queue \"%1\" accept new jobs again.", arg(0)),
                          cups("cupsaccept", {arg(0)})};
        case Msg::kReasonPrinterNotFound:
            return Action{Filled("Create printer \"%1\", or take it out of the queue.", arg(0)),
                          cups("lpadmin", {"-p", arg(0), "-r", diagnosis.QueueName()})};
        case Msg::kReasonPrinterMediaEmpty:
        case Msg::kReasonPrinterMediaJam:
        case Msg::kReasonPrinterTonerEmpty:
        case Msg::kReasonPrinterOffline:
        case Msg::kReasonPrinterMissingFilter:
        case Msg::kReasonPrinterDoorOpen:
        case Msg::kReasonPrinterReports:
        case Msg::kWarningPrinterReports:
        case Msg::kPrinterReports: {
            // A state reason: the code names its keyword; an unknown one keeps its own argument.
            const bool legacy = message.id >= Msg::kReasonPrinterMediaEmpty &&
                                message.id <= Msg::kReasonPrinterDoorOpen;
            const std::string keyword =
                legacy ? std::string(LegacyKeyword(message.id)) : arg(1);
            // The message's severity, which a class member's weighing may have lowered.
            StateReason reason = PrinterReason(keyword);
            reason.severity = SeverityOf(message);
            const std::string remedy = ReasonRemedy(reason);
            if (remedy.empty()) {
                return std::nullopt;
            }
            return Action{Filled(remedy, arg(0)), {}};
        }
        case Msg::kReasonJobReports:
        case Msg::kWarningJobReports:
        case Msg::kJobReports: {
            StateReason reason = JobReason(arg(0));
            reason.severity = SeverityOf(message);
            const std::string remedy = ReasonRemedy(reason);
            if (remedy.empty()) {
                return std::nullopt;
            }
            const bool release = reason.base.starts_with("job-held-for-") ||
                                 reason.base == "job-hold-until-specified";
            return Action{remedy, release ? cups("lp", {"-i", job, "-H", "resume"}) : ""};
        }
        default:
            break;
    }
    const std::string_view remedy = OtherMessageRemedy(message.id);
    if (remedy.empty() || SeverityOf(message) == Severity::kInfo) {
        return std::nullopt;
    }
    std::vector<std::string_view> args(message.args.begin(), message.args.end());
    args.resize(3);
    return Action{text::SubstituteArgsLiteral(remedy, {args[0], args[1], args[2]}), {}};
}

}  // namespace

std::string_view OtherMessageRemedy(Msg id) {
    const auto found =
        std::find_if(std::begin(kMessageRemedies), std::end(kMessageRemedies),
                     [id](const MessageRemedy& entry) { return entry.id == id; });
    return found == std::end(kMessageRemedies) ? std::string_view() : found->remedy;
}

std::string ShellWord(std::string_view word) {
    if (!word.empty() && std::all_of(word.begin(), word.end(), IsPlainWordCharacter)) {
        return std::string(word);
    }
    std::string quoted = "'";
    for (const char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string CupsCommand(std::string_view tool, const CommandTarget& target,
                        const std::vector<std::string>& args) {
    std::string command(tool);
    if (!target.server.empty()) {
        command += " -h " + ShellWord(target.server);
    }
    for (const std::string& arg : args) {
        command += " " + ShellWord(arg);
    }
    return command;
}

std::string ReasonRemedy(const StateReason& reason) {
    if (reason.severity == Severity::kInfo) {
        return {};
    }
    if (reason.attribute == ReasonAttribute::kPrinter) {
        return std::string(PrinterRemedy(text::FoldCase(reason.base)));
    }
    const std::string_view own =
        Find(std::begin(kJobRemedies), std::end(kJobRemedies), reason.base);
    return std::string(own.empty() ? JobGroupRemedy(reason.base) : own);
}

std::vector<Action> Remedies(const Diagnosis& diagnosis, const CommandTarget& target) {
    std::vector<Action> actions;
    for (const Message& message : diagnosis.Messages()) {
        std::optional<Action> action = RemedyOf(diagnosis, message, target);
        if (!action) {
            continue;
        }
        const bool known = std::any_of(actions.begin(), actions.end(), [&](const Action& a) {
            return a.text == action->text && a.command == action->command;
        });
        if (!known) {
            actions.push_back(std::move(*action));
        }
    }
    return actions;
}

}  // namespace stallscan::diag
