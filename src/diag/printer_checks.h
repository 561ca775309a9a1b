#pragma once
// Internal to the diagnosis: its listing step and the per-printer checks of a waiting job (the
// body of the printer loop of DiagnoseJob).

#include <string>

#include "diag/diagnosis.h"
#include "listing/lister.h"
#include "listing/object_attributes.h"

namespace stallscan::diag {

// Thrown when a listing was stopped or timed out: the diagnosis of the job ends there.
struct ListingInterrupted {};

// Lists an object into `attrs`; true when it was listed. Throws ListingInterrupted.
bool ListObject(listing::Lister& lister, listing::ObjectAttributes& attrs,
                model::ObjectClass object_class, const std::string& name,
                const std::string& domain, bool list_all, std::string requested);

// State carried along the printer loop of one job.
struct PrinterLoop {
    PrinterLoop(listing::Lister& lister, std::string domain)
        : lister(lister), domain(std::move(domain)) {}

    listing::Lister& lister;
    std::string domain;
    // The supervisor listed last (a one-entry cache); empty while none has been listed.
    listing::ObjectAttributes supervisor;
    // Supervisors already examined for this job: NUL, then each name followed by NUL.
    std::string seen_supervisors{std::string(1, '\0')};
};

enum class PrinterCheckOutcome {
    kNextPrinter,    // go on with the next printer
    kEndLoop,        // no further printer is checked; the tail of the diagnosis follows
    kStopDiagnosis,  // the diagnosis of the job ends here, without the tail
};

// Checks one printer of the job's printer list and writes its findings to the diagnosis.
PrinterCheckOutcome CheckPrinter(Diagnosis& diagnosis, const std::string& printer_name,
                                 const listing::ObjectAttributes& job, PrinterLoop& loop);

}  // namespace stallscan::diag
