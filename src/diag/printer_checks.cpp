#include "diag/printer_checks.h"

#include <array>
#include <utility>

#include "app/catalog.h"
#include "app/globals.h"
#include "diag/diagnose_job.h"
#include "model/object_addr.h"

namespace basDiagJobs {

namespace {

using basCommon::GetCatalogString;

constexpr const char* kPrinterExtraAttrs =
    "paf-rsup-submission-channels-supported paf-vsup-submission-channels-supported "
    "paf-v-file-name";
constexpr const char* kSupervisorAttrs = "server-name enabled supervisor-type";
constexpr const char* kSupervisorAttrsFallback = "server-name enabled";

// Lists the printer's supervisor unless it is the one listed last. False when it cannot be listed
// with either attribute set.
bool ListSupervisor(const std::string& associated, PrinterLoopState& state) {
    if (associated == state.supervisor.GetSingleValue("server-name")) {
        return true;
    }
    clsObjectAddr address;
    address.Init(kClassServer, associated, state.domain);
    return state.supervisor.Init(address, false, kSupervisorAttrs) == 0 ||
           state.supervisor.Init(address, false, kSupervisorAttrsFallback) == 0;
}

// Reports a disabled supervisor the first time it is met for this job.
void CheckSupervisorOnce(clsDiagResult& result, const std::string& associated,
                         PrinterLoopState& state) {
    if (state.seenSupervisors.find(gNul + associated + gNul) != std::string::npos) {
        return;
    }
    state.seenSupervisors += associated + gNul;
    if (state.supervisor.GetSingleValue("enabled") == GetCatalogString(msg::KwFalse)) {
        result.PrintF(msg::ReasonSupervisorDisabled, {associated});
    }
}

// The message for a printer state; 0 when the state needs none.
int32_t StateMessage(const std::string& printerState) {
    static constexpr std::array<std::pair<int32_t, int32_t>, 8> kStates{{
        {msg::KwConnectingToPrinter, msg::ReasonPrinterBusy},
        {msg::KwNeedsAttention, msg::ReasonPrinterNeedsAttention},
        {msg::KwPaused, msg::ReasonPrinterPaused},
        {msg::KwPrinting, msg::ReasonPrinterBusy},
        {msg::KwSaturated, msg::ReasonPrinterBusy},
        {msg::KwShutdown, msg::ReasonPrinterShutDown},
        {msg::KwTimedOut, msg::ReasonPrinterTimedOut},
        {msg::KwUnknown, msg::ReasonPrinterStatusUnknown},
    }};
    for (const auto& [keyword, message] : kStates) {
        if (printerState == GetCatalogString(keyword)) {
            return message;
        }
    }
    return 0;
}

// A printer under a Velmar supervisor needs a job submission library and a channel.
void CheckVelmarSubmission(clsDiagResult& result, const std::string& printerName,
                           const clsObjectAttrs& printer) {
    if (printer.GetSingleValue("job-submission-library-name").empty()) {
        result.PrintF(msg::ReasonNoSubmissionLibrary, {printerName});
    }
    if (printer.GetSingleValue("job-submission-channel-ready").empty()) {
        result.PrintF(msg::ReasonNoSubmissionChannels, {printerName});
    }
}

// The printer access file must match the supervisor type.
void CheckPaf(clsDiagResult& result, const std::string& printerName, const clsObjectAttrs& printer,
              const std::string& supervisorType) {
    const bool vChannels =
        !printer.GetMultiValues("paf-vsup-submission-channels-supported").empty();
    const bool rChannels =
        !printer.GetMultiValues("paf-rsup-submission-channels-supported").empty();
    if (supervisorType == GetCatalogString(msg::SupervisorReference)) {
        if (!rChannels && vChannels) {
            result.PrintF(msg::ReasonWrongPafReference,
                          {printerName, printer.GetSingleValueInWinPath("paf-v-file-name")});
        }
    } else if (supervisorType == GetCatalogString(msg::SupervisorVelmar)) {
        if (!vChannels && rChannels) {
            result.PrintF(msg::ReasonWrongPafVelmar,
                          {printerName, printer.GetSingleValueInWinPath("paf-v-file-name")});
        }
    }
}

}  // namespace

PrinterLoopState::PrinterLoopState(std::string in_domain)
    : domain(std::move(in_domain)), seenSupervisors(gNul) {}

PrinterCheckOutcome CheckPrinter(clsDiagResult& result, const std::string& printerName,
                                 const clsObjectAttrs& job, PrinterLoopState& state) {
    clsObjectAddr address;
    address.Init(kClassPrinter, printerName, state.domain);
    clsObjectAttrs printer;
    if (printer.Init(address, true, kPrinterExtraAttrs) != 0) {
        result.PrintF(msg::ReasonPrinterNotFound, {printerName});
        return PrinterCheckOutcome::EndLoop;
    }

    const std::string associated = printer.GetSingleValue("associated-server");
    if (!ListSupervisor(associated, state)) {
        result.PrintUA(kClassServer, associated);
        return PrinterCheckOutcome::StopDiagnosis;
    }
    CheckSupervisorOnce(result, associated, state);

    std::string supervisorType = state.supervisor.GetSingleValue("supervisor-type");
    if (supervisorType.empty()) {
        supervisorType = GetCatalogString(msg::SupervisorTypeShort);
    }

    if (printer.GetSingleValue("enabled") == GetCatalogString(msg::KwFalse)) {
        result.PrintF(msg::ReasonPrinterDisabled, {printerName});
    }

    const std::string printerState = printer.GetSingleValue("printer-state");
    if (printerState.empty()) {
        result.PrintF(msg::NoPrinterState, {printerName});
        return PrinterCheckOutcome::EndLoop;
    }
    if (const int32_t message = StateMessage(printerState); message == msg::ReasonPrinterBusy) {
        result.PrintF(message, {printerName, printerState});
    } else if (message != 0) {
        result.PrintF(message, {printerName});
    }

    const std::string problem = printer.GetSingleValue("printer-problem-message");
    if (!problem.empty()) {
        result.PrintF(msg::ReasonPrinterProblem, {printerName, problem});
    }

    if (supervisorType == GetCatalogString(msg::SupervisorVelmar)) {
        CheckVelmarSubmission(result, printerName, printer);
    }
    CheckPaf(result, printerName, printer, supervisorType);

    CheckJobAgainstPrinter(result, printerName, printer, job);
    return PrinterCheckOutcome::NextPrinter;
}

}  // namespace basDiagJobs
