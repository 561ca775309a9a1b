#include "diag/alternatives.h"

#include <algorithm>

#include "diag/diagnose.h"
#include "diag/message_info.h"
#include "diag/printer_checks.h"
#include "diag/state_reasons.h"
#include "model/string_list.h"
#include "text/catalog.h"

namespace stallscan::diag {

namespace {

using text::Catalog;
using text::Msg;

// True when the destination can take and print the job now.
bool CanPrint(const std::string& name, const listing::ObjectAttributes& destination,
              const listing::ObjectAttributes& job) {
    if (destination.SingleValue("printer-state") == Catalog(Msg::kPaused) ||
        destination.SingleValue("accepting-jobs") != Catalog(Msg::kTrue)) {
        return false;
    }
    const model::StringList reasons(destination.MultiValues("printer-state-reasons"));
    for (int32_t i = 1; i <= reasons.Count(); ++i) {
        if (PrinterReason(reasons.Item(i)).severity == Severity::kProblem) {
            return false;
        }
    }
    // What the job asks for, as the diagnosis checks it: a destination that claims nothing for a
    // pair passes it.
    Diagnosis scratch;
    CheckJobAgainstPrinter(scratch, name, destination, job, listing::Dialect::kIpp);
    return scratch.Messages().empty();
}

}  // namespace

bool MovingCouldHelp(const Diagnosis& diagnosis) {
    const auto own = [](const Message& message) {
        return SeverityOf(message) == Severity::kProblem &&
               (message.id == Msg::kReasonJobHeld || message.id == Msg::kReasonHeldUntil ||
                message.id == Msg::kReasonJobReports);
    };
    return IsBlocked(diagnosis) &&
           std::none_of(diagnosis.Messages().begin(), diagnosis.Messages().end(), own);
}

std::vector<Alternative> FindAlternatives(listing::Lister& lister, const std::string& domain,
                                          const Diagnosis& diagnosis,
                                          const listing::ObjectAttributes& job,
                                          const CommandTarget& target) {
    const model::ObjectAddress every{model::ObjectClass::kQueue, listing::kEveryDestination,
                                     domain};
    const listing::Answer answer = lister.List({every, "all", {}});
    if (listing::IsInterruption(answer.status)) {
        throw ListingInterrupted{};
    }
    std::vector<Alternative> alternatives;
    if (answer.status != listing::Status::kOk) {
        return alternatives;
    }
    // The job's own queue and printers are not elsewhere.
    std::vector<std::string> own = diagnosis.PrinterList(false);
    own.push_back(diagnosis.QueueName());
    for (const model::ListedObject& object : answer.objects) {
        const listing::ObjectAttributes destination = listing::ObjectAttributes::Of(
            {model::ObjectClass::kPrinter, object.name, domain}, object);
        if (std::find(own.begin(), own.end(), object.name) == own.end() &&
            CanPrint(object.name, destination, job)) {
            alternatives.push_back(
                {object.name, CupsCommand("lpmove", target, {diagnosis.JobId(), object.name})});
        }
    }
    return alternatives;
}

}  // namespace stallscan::diag
