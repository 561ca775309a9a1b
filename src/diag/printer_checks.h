#pragma once
// The per-printer checks of a waiting job: the body of the printer loop of DiagnoseJob.

#include <string>

#include "diag/diag_result.h"
#include "model/object_attrs.h"

namespace basDiagJobs {

// State carried along the printer loop of one job.
struct PrinterLoopState {
    explicit PrinterLoopState(std::string in_domain);

    std::string domain;
    // The supervisor listed last (a one-entry cache); empty while none has been listed.
    clsObjectAttrs supervisor;
    // Supervisors already examined for this job: NUL, then each name followed by NUL.
    std::string seenSupervisors;
};

enum class PrinterCheckOutcome {
    NextPrinter,    // go on with the next printer
    EndLoop,        // no further printer is checked; the tail of the diagnosis follows
    StopDiagnosis,  // the diagnosis of the job ends here, without the tail
};

// Checks one printer of the job's printer list and writes its findings to `result`.
PrinterCheckOutcome CheckPrinter(clsDiagResult& result, const std::string& printerName,
                                 const clsObjectAttrs& job, PrinterLoopState& state);

}  // namespace basDiagJobs
