#include "diag/printer_checks.h"

#include <array>
#include <optional>
#include <utility>

#include "diag/diagnose.h"
#include "diag/state_reasons.h"
#include "diag/time_lines.h"
#include "model/string_list.h"

namespace stallscan::diag {

namespace {

using model::ObjectClass;
using text::Catalog;
using text::Msg;

constexpr const char* kPrinterExtraAttrs =
    "paf-rsup-submission-channels-supported paf-vsup-submission-channels-supported "
    "paf-v-file-name";
constexpr const char* kSupervisorAttrs = "server-name enabled supervisor-type";
constexpr const char* kSupervisorAttrsFallback = "server-name enabled";

// Lists the printer's supervisor unless it is the one listed last. False when it cannot be listed
// with either attribute set.
bool ListSupervisor(const std::string& associated, PrinterLoop& loop) {
    if (associated == loop.supervisor.SingleValue("server-name")) {
        return true;
    }
    return ListObject(loop.lister, loop.supervisor, ObjectClass::kServer, associated, loop.domain,
                      false, kSupervisorAttrs) ||
           ListObject(loop.lister, loop.supervisor, ObjectClass::kServer, associated, loop.domain,
                      false, kSupervisorAttrsFallback);
}

// Reports a disabled supervisor the first time it is met for this job.
void CheckSupervisorOnce(Diagnosis& diagnosis, const std::string& associated, PrinterLoop& loop) {
    const std::string marked = associated + '\0';
    if (loop.seen_supervisors.find('\0' + marked) != std::string::npos) {
        return;
    }
    loop.seen_supervisors += marked;
    if (loop.supervisor.SingleValue("enabled") == Catalog(Msg::kFalse)) {
        diagnosis.Add(Msg::kReasonSupervisorDisabled, {associated});
    }
}

// The message for a printer state; nothing when the state needs none.
std::optional<Msg> StateMessage(const std::string& printer_state) {
    static constexpr std::array<std::pair<Msg, Msg>, 8> kStates{{
        {Msg::kConnectingToPrinter, Msg::kReasonPrinterBusy},
        {Msg::kNeedsAttention, Msg::kReasonPrinterNeedsAttention},
        {Msg::kPaused, Msg::kReasonPrinterPaused},
        {Msg::kPrinting, Msg::kReasonPrinterBusy},
        {Msg::kSaturated, Msg::kReasonPrinterBusy},
        {Msg::kShutdown, Msg::kReasonPrinterShutDown},
        {Msg::kTimedOut, Msg::kReasonPrinterTimedOut},
        {Msg::kUnknown, Msg::kReasonPrinterStatusUnknown},
    }};
    for (const auto& [keyword, message] : kStates) {
        if (printer_state == Catalog(keyword)) {
            return message;
        }
    }
    return std::nullopt;
}

// A printer under a Velmar supervisor needs a job submission library and a channel.
void CheckVelmarSubmission(Diagnosis& diagnosis, const std::string& printer_name,
                           const listing::ObjectAttributes& printer) {
    if (printer.SingleValue("job-submission-library-name").empty()) {
        diagnosis.Add(Msg::kReasonNoSubmissionLibrary, {printer_name});
    }
    if (printer.SingleValue("job-submission-channel-ready").empty()) {
        diagnosis.Add(Msg::kReasonNoSubmissionChannels, {printer_name});
    }
}

// The printer access file must match the supervisor type.
void CheckPaf(Diagnosis& diagnosis, const std::string& printer_name,
              const listing::ObjectAttributes& printer, const std::string& supervisor_type) {
    const bool v_channels = !printer.MultiValues("paf-vsup-submission-channels-supported").empty();
    const bool r_channels = !printer.MultiValues("paf-rsup-submission-channels-supported").empty();
    if (supervisor_type == Catalog(Msg::kSupervisorReference)) {
        if (!r_channels && v_channels) {
            diagnosis.Add(Msg::kReasonWrongPafReference,
                          {printer_name, printer.PathValue("paf-v-file-name")});
        }
    } else if (supervisor_type == Catalog(Msg::kSupervisorVelmar)) {
        if (!v_channels && r_channels) {
            diagnosis.Add(Msg::kReasonWrongPafVelmar,
                          {printer_name, printer.PathValue("paf-v-file-name")});
        }
    }
}

// The reasons an IPP printer gives for its state ("media-jam-error", "toner-low-warning" ...), each
// in its sentence with its own severity. "none" and "paused" (which the state says) add nothing.
void CheckStateReasons(Diagnosis& diagnosis, const std::string& printer_name,
                       const listing::ObjectAttributes& printer) {
    const model::StringList reasons(printer.MultiValues("printer-state-reasons"));
    for (int32_t i = 1; i <= reasons.Count(); ++i) {
        const StateReason reason = PrinterReason(reasons.Item(i));
        if (reason.base != "none" && reason.base != "paused") {
            AddReason(diagnosis, reason, printer_name);
        }
    }
}

}  // namespace

bool ListObject(listing::Lister& lister, listing::ObjectAttributes& attrs,
                model::ObjectClass object_class, const std::string& name,
                const std::string& domain, bool list_all, std::string requested) {
    const listing::Status status =
        attrs.List(lister, {object_class, name, domain}, list_all, std::move(requested));
    if (listing::IsInterruption(status)) {
        throw ListingInterrupted{};
    }
    return status == listing::Status::kOk;
}

PrinterCheckOutcome CheckPrinter(Diagnosis& diagnosis, const std::string& printer_name,
                                 const listing::ObjectAttributes& job, PrinterLoop& loop) {
    listing::ObjectAttributes printer;
    if (!ListObject(loop.lister, printer, ObjectClass::kPrinter, printer_name, loop.domain, true,
                    kPrinterExtraAttrs)) {
        diagnosis.Add(Msg::kReasonPrinterNotFound, {printer_name});
        return PrinterCheckOutcome::kEndLoop;
    }

    const std::string associated = printer.SingleValue("associated-server");
    if (!ListSupervisor(associated, loop)) {
        diagnosis.AddAccessFailure(ObjectClass::kServer, associated);
        return PrinterCheckOutcome::kStopDiagnosis;
    }
    CheckSupervisorOnce(diagnosis, associated, loop);

    std::string supervisor_type = loop.supervisor.SingleValue("supervisor-type");
    if (supervisor_type.empty()) {
        supervisor_type = Catalog(Msg::kSupervisorTypeShort);
    }

    if (printer.SingleValue("enabled") == Catalog(Msg::kFalse)) {
        diagnosis.Add(Msg::kReasonPrinterDisabled, {printer_name});
    }

    const std::string printer_state = printer.SingleValue("printer-state");
    if (printer_state.empty()) {
        diagnosis.Add(Msg::kNoPrinterState, {printer_name});
        return PrinterCheckOutcome::kEndLoop;
    }
    if (const auto message = StateMessage(printer_state)) {
        if (*message == Msg::kReasonPrinterBusy) {
            diagnosis.Add(*message, {printer_name, printer_state});
        } else {
            diagnosis.Add(*message, {printer_name});
        }
        if (*message == Msg::kReasonPrinterPaused &&
            loop.lister.AttributeDialect() == listing::Dialect::kIpp) {
            AddPausedFor(diagnosis, printer_name, printer);
        }
    }

    const std::string problem = printer.SingleValue("printer-problem-message");
    if (!problem.empty()) {
        diagnosis.Add(Msg::kReasonPrinterProblem, {printer_name, problem});
    }

    if (supervisor_type == Catalog(Msg::kSupervisorVelmar)) {
        CheckVelmarSubmission(diagnosis, printer_name, printer);
    }
    CheckPaf(diagnosis, printer_name, printer, supervisor_type);

    CheckStateReasons(diagnosis, printer_name, printer);
    CheckJobAgainstPrinter(diagnosis, printer_name, printer, job, loop.lister.AttributeDialect());
    return PrinterCheckOutcome::kNextPrinter;
}

}  // namespace stallscan::diag
