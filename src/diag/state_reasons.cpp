#include "diag/state_reasons.h"

#include <algorithm>
#include <optional>

#include "diag/message_info.h"
#include "diag/remedies.h"
#include "text/text_functions.h"

namespace stallscan::diag {

namespace {

using text::Msg;
constexpr Severity kProblem = Severity::kProblem;
constexpr Severity kWarning = Severity::kWarning;
constexpr Severity kInfo = Severity::kInfo;

// The keywords of docs/ipp-state-reasons.txt, its "[...]" section lines included, built into the
// program at configure time (kRegisteredReasons).
#include "registered_reasons.inc"

// A part of a printer that printer-state-reasons name, with the words for it. A supply ("toner")
// runs out; a device ("stapler") jams, fills up and breaks.
struct Part {
    std::string_view key;
    std::string_view noun;
    bool supply = false;
};

constexpr Part kParts[] = {
    {"bander", "bander"},
    {"binder", "binder"},
    {"camera", "camera"},
    {"chamber", "build chamber"},
    {"cleaner", "cleaner"},
    {"developer", "developer", true},
    {"die-cutter", "die cutter"},
    {"extruder", "extruder"},
    {"fan", "fan"},
    {"fax-modem", "fax modem"},
    {"folder", "folder"},
    {"fuser", "fuser"},
    {"imprinter", "imprinter"},
    {"input-media-tray", "input tray"},
    {"input-pick-roller", "input pick roller"},
    {"input-tray", "input tray"},
    {"inserter", "inserter"},
    {"lamp", "lamp"},
    {"laser", "laser"},
    {"make-envelope", "envelope maker"},
    {"marker", "marking unit"},
    {"marker-carrier", "print head carrier"},
    {"marker-cleaner", "marking unit's cleaner"},
    {"marker-developer", "developer", true},
    {"marker-fuser", "fuser"},
    {"marker-ink", "ink", true},
    {"marker-opc", "photoconductor"},
    {"marker-print-ribbon", "print ribbon", true},
    {"marker-supply", "toner", true},
    {"marker-toner", "toner", true},
    {"marker-toner-cartridge", "toner cartridge"},
    {"marker-waste", "waste container"},
    {"marker-waste-ink-receptacle", "waste ink container"},
    {"marker-waste-toner-receptacle", "waste toner container"},
    {"material", "build material", true},
    {"media", "paper", true},
    {"media-path", "paper path"},
    {"media-path-input", "paper path input"},
    {"media-path-media-tray", "paper path tray"},
    {"media-path-output", "paper path output"},
    {"media-path-pick-roller", "paper path pick roller"},
    {"opc", "photoconductor"},
    {"output-area", "output area"},
    {"output-media-tray", "output tray"},
    {"output-tray", "output tray"},
    {"perforater", "perforator"},
    {"platform", "build platform"},
    {"puncher", "hole punch"},
    {"scan-media-path", "scanner paper path"},
    {"scan-media-path-input", "scanner input"},
    {"scan-media-path-output", "scanner output"},
    {"scan-media-path-pick-roller", "scanner pick roller"},
    {"scan-media-path-tray", "scanner tray"},
    {"scanner-light", "scanner light"},
    {"scanner-sensor", "scanner sensor"},
    {"separation-cutter", "separation cutter"},
    {"sheet-rotator", "sheet rotator"},
    {"slitter", "slitter"},
    {"stacker", "stacker"},
    {"stapler", "stapler"},
    {"stitcher", "stitcher"},
    {"subunit", "subunit"},
    {"toner", "toner", true},
    {"trimmer", "trimmer"},
    {"wrapper", "wrapper"},
};

// A condition of a part: what is said of a device and, where it differs, of a supply ("{}" is the
// part's noun), and its severity when the keyword has no suffix.
struct Condition {
    std::string_view key;
    std::string_view device;
    std::string_view supply;
    Severity severity;
};

constexpr Condition kConditions[] = {
    {"added", "has a new {}", "", kInfo},
    {"almost-empty", "has an almost empty {}", "is almost out of {}", kWarning},
    {"almost-full", "has an almost full {}", "", kWarning},
    {"at-eol", "has its {} at the end of its life", "", kProblem},
    {"at-limit", "has its {} at its limit", "", kProblem},
    {"closed", "has its {} closed", "", kInfo},
    {"configuration-change", "has a configuration change in its {}", "", kInfo},
    {"cooling", "has its {} cooling down", "", kInfo},
    {"cooling-down", "has its {} cooling down", "", kInfo},
    {"cover-closed", "has the cover of its {} closed", "", kInfo},
    {"cover-open", "has the cover of its {} open", "", kProblem},
    {"elevation-failure", "has a lift failure in its {}", "", kProblem},
    {"empty", "has an empty {}", "is out of {}", kProblem},
    {"failure", "has a failure in its {}", "has a failure in its {} supply", kProblem},
    {"feed", "has a feeding problem in its {}", "", kProblem},
    {"full", "has a full {}", "", kProblem},
    {"heating", "has its {} heating up", "", kInfo},
    {"interlock-closed", "has the interlock of its {} closed", "", kInfo},
    {"interlock-open", "has the interlock of its {} open", "", kProblem},
    {"jam", "has a jam in its {}", "has a {} jam", kProblem},
    {"life-almost-over", "has its {} near the end of its life", "", kWarning},
    {"life-over", "has its {} at the end of its life", "", kProblem},
    {"life-warn", "has its {} near the end of its life", "", kWarning},
    {"low", "has its {} running low", "is almost out of {}", kWarning},
    {"memory-exhausted", "has run out of memory in its {}", "", kProblem},
    {"missing", "is missing its {}", "", kProblem},
    {"motor-failure", "has a motor failure in its {}", "", kProblem},
    {"near-eol", "has its {} near the end of its life", "", kWarning},
    {"near-limit", "has its {} near its limit", "", kWarning},
    {"needed", "needs its {}", "needs {}", kProblem},
    {"offline", "has its {} offline", "", kProblem},
    {"opened", "has its {} open", "", kProblem},
    {"over-temp", "has an overheated {}", "", kProblem},
    {"over-temperature", "has an overheated {}", "", kProblem},
    {"position-failure", "has a position failure in its {}", "", kProblem},
    {"power-saver", "has its {} in power-saving mode", "", kInfo},
    {"recoverable-failure", "has a recoverable failure in its {}", "", kProblem},
    {"recoverable-storage", "has a recoverable storage error in its {}", "", kWarning},
    {"removed", "has had its {} removed", "", kInfo},
    {"resource-added", "has a resource added to its {}", "", kInfo},
    {"resource-removed", "has a resource removed from its {}", "", kInfo},
    {"temperature-high", "has an overheated {}", "", kProblem},
    {"temperature-low", "has its {} below its working temperature", "", kWarning},
    {"thermistor-failure", "has a thermistor failure in its {}", "", kProblem},
    {"timing-failure", "has a timing failure in its {}", "", kProblem},
    {"turned-off", "has its {} turned off", "", kProblem},
    {"turned-on", "has its {} turned on", "", kInfo},
    {"under-temp", "has its {} below its working temperature", "", kWarning},
    {"under-temperature", "has its {} below its working temperature", "", kWarning},
    {"unrecoverable-failure", "has a failure in its {} that needs service", "", kProblem},
    {"unrecoverable-storage", "has a storage error in its {} that needs service", "", kProblem},
    {"warming-up", "has its {} warming up", "", kInfo},
};

// Printer keywords with sentences of their own (what follows "Printer "%1" "), among them CUPS's.
struct OwnSentence {
    std::string_view keyword;
    std::string_view predicate;
    Severity severity;
};

constexpr OwnSentence kOwnPrinterSentences[] = {
    {"alert-removal-of-binary-change-entry", "has removed an alert about a changed setting", kInfo},
    {"configuration-change", "has changed its configuration", kInfo},
    {"connecting-to-device", "is connecting to its device", kInfo},
    {"cover-open", "has an open door or cover", kProblem},
    {"deactivated", "is deactivated", kProblem},
    {"deleted", "has been deleted", kProblem},
    {"door-open", "has an open door or cover", kProblem},
    {"hibernate", "is hibernating", kInfo},
    {"hold-new-jobs", "holds every new job", kProblem},
    {"identify-printer-requested", "was asked to identify itself", kInfo},
    {"input-cannot-feed-size-selected", "cannot feed the paper size selected", kProblem},
    {"input-manual-input-request", "waits for paper to be fed by hand", kProblem},
    {"input-media-color-change", "needs paper of another color loaded", kProblem},
    {"input-media-form-parts-change", "needs paper with another number of parts loaded", kProblem},
    {"input-media-size-change", "needs paper of another size loaded", kProblem},
    {"input-media-type-change", "needs paper of another type loaded", kProblem},
    {"input-media-weight-change", "needs paper of another weight loaded", kProblem},
    {"interlock-closed", "has its interlock closed", kInfo},
    {"interlock-open", "has an open door or cover", kProblem},
    {"interpreter-cartridge-added", "has a new interpreter cartridge", kInfo},
    {"interpreter-cartridge-deleted", "has had its interpreter cartridge removed", kInfo},
    {"interpreter-complex-page-encountered", "has met a page too complex to print as it is",
     kWarning},
    {"interpreter-memory-decrease", "has less memory for its interpreter", kInfo},
    {"interpreter-memory-increase", "has more memory for its interpreter", kInfo},
    {"interpreter-resource-added", "has a resource added to its interpreter", kInfo},
    {"interpreter-resource-deleted", "has had a resource of its interpreter removed", kInfo},
    {"interpreter-resource-unavailable", "is missing a resource that its interpreter needs",
     kProblem},
    {"marker-adjusting-print-quality", "is adjusting its print quality", kInfo},
    {"media-drying", "is letting printed paper dry", kInfo},
    {"media-needed", "is out of paper", kProblem},
    {"media-path-cannot-duplex-media-selected", "cannot print two-sided on the paper selected",
     kProblem},
    {"media-path-input-request", "waits for paper at the input of its paper path", kProblem},
    {"motor-failure", "has a motor failure", kProblem},
    {"moving-to-paused", "is pausing", kInfo},
    {"none", "reports no reason", kInfo},
    {"offline", "is offline", kProblem},
    {"other", "reports a condition it does not name", kProblem},
    {"output-mailbox-select-failure", "cannot select the output mailbox asked for", kProblem},
    {"paused", "is paused", kProblem},
    {"power-down", "is powering down", kProblem},
    {"power-up", "is powering up", kInfo},
    {"printer-manual-reset", "is being reset by hand", kInfo},
    {"printer-nms-reset", "is being reset by its network management", kInfo},
    {"printer-ready-to-print", "is ready to print", kInfo},
    {"resuming", "is resuming", kInfo},
    {"scan-media-path-input-request", "waits for originals at its scanner input", kProblem},
    {"shutdown", "is shutting down", kProblem},
    {"spool-area-full", "has a full spool area", kProblem},
    {"stapler-jam", "has a staple jam", kProblem},
    {"standby", "is on standby", kInfo},
    {"stopped-partly", "has stopped some of its parts", kWarning},
    {"stopping", "is stopping", kInfo},
    {"suspend", "is suspended", kProblem},
    {"testing", "is running a test", kInfo},
    {"timed-out", "has timed out", kProblem},
    {"unknown", "is in an unknown state", kProblem},
    {"wifi-not-configured", "has no wireless network configured", kWarning},
    // CUPS's own.
    {"cups-insecure-filter", "has a filter whose files are not safely installed", kProblem},
    {"cups-ipp-conformance-failure", "does not follow IPP in all its answers", kInfo},
    {"cups-ipp-missing-cancel-job", "lacks IPP support for \"Cancel-Job\"", kInfo},
    {"cups-ipp-missing-get-job-attributes", "lacks IPP support for \"Get-Job-Attributes\"", kInfo},
    {"cups-ipp-missing-get-printer-attributes", "lacks IPP support for \"Get-Printer-Attributes\"",
     kInfo},
    {"cups-ipp-missing-job-history", "lacks IPP support for a job history", kInfo},
    {"cups-ipp-missing-job-id", "lacks IPP support for job numbers", kInfo},
    {"cups-ipp-missing-job-state", "lacks IPP support for job states", kInfo},
    {"cups-ipp-missing-operations-supported", "lacks IPP support for a list of its operations",
     kInfo},
    {"cups-ipp-missing-print-job", "lacks IPP support for \"Print-Job\"", kInfo},
    {"cups-ipp-missing-printer-is-accepting-jobs",
     "lacks IPP support for telling whether it accepts jobs", kInfo},
    {"cups-ipp-missing-printer-state-reasons", "lacks IPP support for state reasons", kInfo},
    {"cups-ipp-missing-send-document", "lacks IPP support for \"Send-Document\"", kInfo},
    {"cups-ipp-missing-validate-job", "lacks IPP support for \"Validate-Job\"", kInfo},
    {"cups-ipp-wrong-http-version", "answers in an HTTP version that IPP does not use", kInfo},
    {"cups-missing-filter", "has no filter for the document format", kProblem},
    {"cups-pki-changed", "has a security certificate that changed", kProblem},
    {"cups-pki", "has a security certificate that cannot be used", kProblem},
    {"cups-pki-expired", "has an expired security certificate", kProblem},
    {"cups-pki-invalid", "has an invalid security certificate", kProblem},
    {"cups-pki-unknown", "has a security certificate that nobody vouches for", kProblem},
    {"cups-remote-aborted", "passed the job on to a printer where it was aborted", kProblem},
    {"cups-remote-canceled", "passed the job on to a printer where it was canceled", kProblem},
    {"cups-remote-completed", "passed the job on to a printer where it has completed", kInfo},
    {"cups-remote-pending", "passed the job on to a printer where it is pending", kInfo},
    {"cups-remote-pending-held", "passed the job on to a printer where it is held", kProblem},
    {"cups-remote-processing", "passed the job on to a printer where it is printing", kInfo},
    {"cups-remote-stopped", "passed the job on to a printer that has stopped", kProblem},
    {"cups-waiting-for-job-completed", "waits for the job before this one to complete", kInfo},
};

// The keywords of the seven messages that had sentences before the table, which keep their
// catalogue numbers (for the problem) and codes.
struct Legacy {
    std::string_view keyword;
    Msg id;
    std::string_view code;
};
constexpr Legacy kLegacy[] = {
    {"media-empty", Msg::kReasonPrinterMediaEmpty, "printer-media-empty"},
    {"media-needed", Msg::kReasonPrinterMediaEmpty, "printer-media-empty"},
    {"media-jam", Msg::kReasonPrinterMediaJam, "printer-media-jam"},
    {"toner-empty", Msg::kReasonPrinterTonerEmpty, "printer-toner-empty"},
    {"marker-supply-empty", Msg::kReasonPrinterTonerEmpty, "printer-toner-empty"},
    {"offline", Msg::kReasonPrinterOffline, "printer-offline"},
    {"cups-missing-filter", Msg::kReasonPrinterMissingFilter, "printer-missing-filter"},
    {"door-open", Msg::kReasonPrinterDoorOpen, "printer-door-open"},
    {"cover-open", Msg::kReasonPrinterDoorOpen, "printer-door-open"},
    {"interlock-open", Msg::kReasonPrinterDoorOpen, "printer-door-open"},
};

struct JobSentence {
    std::string_view keyword;
    std::string_view sentence;
    Severity severity;
    bool explains_wait;
};

constexpr JobSentence kJobSentences[] = {
    {"aborted-by-system", "The job was aborted by the system.", kProblem, false},
    {"account-authorization-failed", "The job's account could not be authorized.", kProblem, true},
    {"account-closed", "The job's account is closed.", kProblem, true},
    {"account-info-needed", "The job needs account information.", kProblem, true},
    {"account-limit-reached", "The job's account has reached its limit.", kProblem, true},
    {"compression-error", "The job's data could not be decompressed.", kProblem, true},
    {"conflicting-attributes", "The job asks for settings that conflict.", kProblem, true},
    {"connected-to-destination", "The job is connected to its destination.", kInfo, false},
    {"connecting-to-destination", "The job is connecting to its destination.", kInfo, false},
    {"destination-uri-failed", "The job could not be sent to its destination.", kProblem, true},
    {"digital-signature-did-not-verify", "The job's digital signature did not verify.", kProblem,
     true},
    {"document-access-error", "A document of the job could not be fetched.", kProblem, true},
    {"document-format-error", "A document of the job has errors in its format.", kProblem, true},
    {"document-password-error", "A document of the job needs a password that was not given.",
     kProblem, true},
    {"document-permission-error", "A document of the job may not be printed.", kProblem, true},
    {"document-security-error", "A document of the job failed a security check.", kProblem, true},
    {"document-unprintable-error", "A document of the job cannot be printed.", kProblem, true},
    {"errors-detected", "The job has errors.", kProblem, false},
    {"job-canceled-after-timeout", "The job was canceled after a time-out.", kInfo, false},
    {"job-canceled-at-device", "The job was canceled at the printer.", kInfo, false},
    {"job-canceled-by-operator", "The job was canceled by an operator.", kInfo, false},
    {"job-canceled-by-user", "The job was canceled by its owner.", kInfo, false},
    {"job-completed-successfully", "The job completed successfully.", kInfo, false},
    {"job-completed-with-errors", "The job completed with errors.", kProblem, false},
    {"job-completed-with-warnings", "The job completed with warnings.", kWarning, false},
    {"job-data-insufficient", "The job has not received enough data to start.", kWarning, true},
    {"job-delay-output-until-specified", "The job's output is delayed until a set time.", kProblem,
     true},
    {"job-fetchable", "The job waits for a printer to fetch it.", kInfo, true},
    {"job-held-for-authorization", "The job is held until it is authorized.", kProblem, true},
    {"job-held-for-button-press", "The job waits for a button to be pressed on the printer.",
     kProblem, true},
    {"job-held-for-release", "The job is held until someone releases it.", kProblem, true},
    {"job-held-for-review", "The job is held for review.", kProblem, true},
    {"job-hold-until-specified", "The job is held until a set time.", kProblem, false},
    {"job-incoming", "The job is still arriving.", kInfo, false},
    {"job-interpreting", "The job is being interpreted.", kInfo, false},
    {"job-outgoing", "The job is being sent on.", kInfo, false},
    {"job-password-wait", "The job waits for its password to be entered at the printer.", kProblem,
     true},
    {"job-printed-successfully", "The job printed successfully.", kInfo, false},
    {"job-printed-with-errors", "The job printed with errors.", kProblem, false},
    {"job-printed-with-warnings", "The job printed with warnings.", kWarning, false},
    {"job-printing", "The job is printing.", kInfo, false},
    {"job-queued", "The job is queued.", kInfo, false},
    {"job-queued-for-marker", "The job is queued for the marking unit.", kInfo, false},
    {"job-release-wait", "The job waits to be released at the printer.", kProblem, true},
    {"job-restartable", "The job can be restarted.", kInfo, false},
    {"job-resuming", "The job is resuming.", kInfo, false},
    {"job-saved-successfully", "The job was saved.", kInfo, false},
    {"job-saved-with-errors", "The job was saved with errors.", kProblem, false},
    {"job-saved-with-warnings", "The job was saved with warnings.", kWarning, false},
    {"job-saving", "The job is being saved.", kInfo, false},
    {"job-spooling", "The job is being spooled.", kInfo, false},
    {"job-stored", "The job is stored.", kInfo, false},
    {"job-storing", "The job is being stored.", kInfo, false},
    {"job-streaming", "The job is streaming to the printer.", kInfo, false},
    {"job-suspended", "The job is suspended.", kProblem, true},
    {"job-suspended-by-operator", "The job was suspended by an operator.", kProblem, true},
    {"job-suspended-by-system", "The job was suspended by the system.", kProblem, true},
    {"job-suspended-by-user", "The job was suspended by its owner.", kProblem, true},
    {"job-suspended-for-approval", "The job is suspended until it is approved.", kProblem, true},
    {"job-suspending", "The job is being suspended.", kInfo, false},
    {"job-transferring", "The job is being transferred.", kInfo, false},
    {"job-transforming", "The job is being converted.", kInfo, false},
    {"none", "The job gives no reason.", kInfo, false},
    {"printer-stopped", "The job's printer is stopped.", kProblem, false},
    {"printer-stopped-partly", "The job's printer has stopped some of its parts.", kWarning, false},
    {"processing-to-stop-point", "The job is being stopped.", kInfo, false},
    {"queued-in-device", "The job is queued in the printer.", kInfo, false},
    {"resources-are-not-ready", "The resources the job needs are not ready.", kProblem, true},
    {"resources-are-not-supported", "The job needs resources that the printer does not have.",
     kProblem, true},
    {"service-off-line", "The job's printer is offline.", kProblem, false},
    {"submission-interrupted", "The job's submission was interrupted.", kProblem, true},
    {"unsupported-attributes-or-values", "The job asks for settings the printer does not offer.",
     kProblem, true},
    {"unsupported-compression",
     "The job's data is compressed in a way the printer does not support.", kProblem, true},
    {"unsupported-document-format", "The job has a document format the printer does not support.",
     kProblem, true},
    {"waiting-for-user-action", "The job waits for someone to act at the printer.", kProblem, true},
    {"warnings-detected", "The job has warnings.", kWarning, false},
    // CUPS's own.
    {"cups-held-for-authentication", "The job is held until its owner gives a password.", kProblem,
     true},
};

// CUPS's keywords among the sentences above, listed after the registry's.
constexpr std::string_view kCupsPrefix = "cups-";

std::string Fill(std::string_view shape, std::string_view noun) {
    std::string text(shape);
    if (const size_t at = text.find("{}"); at != std::string::npos) {
        text.replace(at, 2, noun);
    }
    return text;
}

const Part* FindPart(std::string_view key) {
    const auto found = std::find_if(std::begin(kParts), std::end(kParts),
                                    [key](const Part& part) { return part.key == key; });
    return found == std::end(kParts) ? nullptr : found;
}

// The sentence of a part's condition ("stapler" "jam": "has a jam in its stapler"); false when
// the keyword is no part followed by a condition.
bool FromParts(std::string_view base, std::string& predicate, Severity& severity) {
    const Condition* best = nullptr;
    const Part* part = nullptr;
    for (const Condition& condition : kConditions) {
        const size_t length = condition.key.size() + 1;
        if (base.size() <= length || !base.ends_with(condition.key) ||
            base[base.size() - length] != '-' ||
            (best != nullptr && best->key.size() >= condition.key.size())) {
            continue;
        }
        if (const Part* found = FindPart(base.substr(0, base.size() - length))) {
            best = &condition;
            part = found;
        }
    }
    if (best == nullptr) {
        return false;
    }
    predicate =
        Fill(part->supply && !best->supply.empty() ? best->supply : best->device, part->noun);
    severity = best->severity;
    return true;
}

// Splits off a printer keyword's suffix; the severity it gives, if any.
std::optional<Severity> SplitSuffix(std::string_view& base) {
    static constexpr std::pair<std::string_view, Severity> kSuffixes[] = {
        {"-error", kProblem}, {"-warning", kWarning}, {"-report", kInfo}};
    for (const auto& [suffix, severity] : kSuffixes) {
        if (base.size() > suffix.size() && base.ends_with(suffix)) {
            base.remove_suffix(suffix.size());
            return severity;
        }
    }
    return std::nullopt;
}

Msg PrinterMessage(Severity severity) {
    switch (severity) {
        case kProblem:
            return Msg::kReasonPrinterReports;
        case kWarning:
            return Msg::kWarningPrinterReports;
        case kInfo:
            break;
    }
    return Msg::kPrinterReports;
}

Msg JobMessage(Severity severity) {
    switch (severity) {
        case kProblem:
            return Msg::kReasonJobReports;
        case kWarning:
            return Msg::kWarningJobReports;
        case kInfo:
            break;
    }
    return Msg::kJobReports;
}

}  // namespace

StateReason PrinterReason(std::string_view keyword) {
    StateReason reason;
    reason.attribute = ReasonAttribute::kPrinter;
    reason.keyword = std::string(keyword);
    std::string_view base = keyword;
    const std::optional<Severity> by_suffix = SplitSuffix(base);
    reason.base = std::string(base);
    // Keywords are lower case; the registry spells one "subunit-timing-Failure".
    const std::string folded = text::FoldCase(base);

    std::string predicate;
    Severity severity = kProblem;
    const auto own = std::find_if(std::begin(kOwnPrinterSentences), std::end(kOwnPrinterSentences),
                                  [&](const OwnSentence& s) { return s.keyword == folded; });
    if (own != std::end(kOwnPrinterSentences)) {
        predicate = own->predicate;
        severity = own->severity;
        reason.known = true;
    } else {
        reason.known = FromParts(folded, predicate, severity);
    }
    reason.severity = by_suffix.value_or(severity);
    reason.id = PrinterMessage(reason.severity);
    if (!reason.known) {
        reason.sentence = "Printer \"%1\" reports \"%2\".";
        reason.code = std::string(InfoOf(reason.id).code);
        return reason;
    }
    reason.sentence = "Printer \"%1\" " + predicate + ".";
    reason.code = "printer-" + folded;
    for (const Legacy& legacy : kLegacy) {
        if (legacy.keyword == folded) {
            reason.code = std::string(legacy.code);
            if (reason.severity == kProblem) {
                reason.id = legacy.id;
            }
        }
    }
    return reason;
}

StateReason JobReason(std::string_view keyword) {
    StateReason reason;
    reason.attribute = ReasonAttribute::kJob;
    reason.keyword = std::string(keyword);
    reason.base = reason.keyword;
    const auto found = std::find_if(std::begin(kJobSentences), std::end(kJobSentences),
                                    [&](const JobSentence& s) { return s.keyword == keyword; });
    if (found == std::end(kJobSentences)) {
        reason.severity = kInfo;
        reason.id = JobMessage(kInfo);
        reason.code = std::string(InfoOf(reason.id).code);
        reason.sentence = "The job reports \"%2\".";
        return reason;
    }
    reason.known = true;
    reason.severity = found->severity;
    reason.id = JobMessage(found->severity);
    reason.code = "job-" + reason.keyword;
    reason.sentence = std::string(found->sentence);
    reason.explains_wait = found->explains_wait;
    return reason;
}

void AddReason(Diagnosis& diagnosis, const StateReason& reason, std::string_view printer) {
    std::vector<std::string> args;
    if (reason.attribute == ReasonAttribute::kPrinter) {
        args.emplace_back(printer);
    }
    const bool legacy =
        reason.id >= Msg::kReasonPrinterMediaEmpty && reason.id <= Msg::kReasonPrinterDoorOpen;
    if (!legacy) {
        args.push_back(reason.keyword);
    }
    std::string line(SeverityPrefix(reason.severity));
    line += text::SubstituteArgsLiteral(reason.sentence, {printer, reason.keyword});
    line += text::kCrLf;
    diagnosis.AddOwn(reason.id, std::move(args), std::move(line), reason.code, reason.severity);
}

std::vector<StateReason> AllStateReasons() {
    std::vector<StateReason> all;
    ReasonAttribute section = ReasonAttribute::kJob;
    const auto add_cups = [&all](ReasonAttribute attribute) {
        if (attribute == ReasonAttribute::kJob) {
            for (const JobSentence& s : kJobSentences) {
                if (s.keyword.starts_with(kCupsPrefix)) {
                    all.push_back(JobReason(s.keyword));
                }
            }
            return;
        }
        for (const OwnSentence& s : kOwnPrinterSentences) {
            if (s.keyword.starts_with(kCupsPrefix)) {
                all.push_back(PrinterReason(s.keyword));
            }
        }
    };
    for (const std::string_view line : kRegisteredReasons) {
        if (line == "[printer-state-reasons]") {
            add_cups(ReasonAttribute::kJob);
            section = ReasonAttribute::kPrinter;
        } else if (!line.starts_with("[")) {
            all.push_back(section == ReasonAttribute::kJob ? JobReason(line) : PrinterReason(line));
        }
    }
    add_cups(ReasonAttribute::kPrinter);
    return all;
}

std::string ReasonRow(const StateReason& reason) {
    const bool job = reason.attribute == ReasonAttribute::kJob;
    std::string sentence(SeverityPrefix(reason.severity));
    sentence += text::SubstituteArgsLiteral(reason.sentence, {"P", reason.keyword});
    return std::string(job ? "job-state-reasons" : "printer-state-reasons") + "\t" + reason.base +
           "\t" + std::string(SeverityName(reason.severity)) + "\t" + reason.code + "\t" + sentence +
           "\t" + text::SubstituteArgsLiteral(ReasonRemedy(reason), {"P"});
}

}  // namespace stallscan::diag
