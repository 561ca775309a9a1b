#pragma once
// The diagnosis engine: walks from a job to its server, queue, printers and supervisors, and
// explains in catalogue messages why the job is not printing (or what became of it).

#include <string>

#include "diag/diag_result.h"
#include "model/object_attrs.h"

namespace basDiagJobs {

// Diagnoses job `jobId` of `server`; every outcome, failures included, is in `result`.
void DiagnoseJob(const std::string& server, const std::string& domain, const std::string& jobId,
                 clsDiagResult& result);

// Reports (322) each value of the job attribute that the printer attribute does not cover.
void CheckJobAttrAgainstPrinter(clsDiagResult& result, const std::string& printerName,
                                const clsObjectAttrs& printer, const clsObjectAttrs& job,
                                const std::string& printerAttr, const std::string& jobAttr,
                                const std::string& extraJobAttr = {});

// Runs CheckJobAttrAgainstPrinter for each of the 33 job/printer attribute pairs, in their fixed
// order.
void CheckJobAgainstPrinter(clsDiagResult& result, const std::string& printerName,
                            const clsObjectAttrs& printer, const clsObjectAttrs& job);

// Reports (342) the documents of the job that carry no data.
void CheckEmptyDocuments(clsDiagResult& result, const clsObjectAttrs& job);

// Warns (344) about plain-text documents bound for a PCL printer without plain-text support.
void CheckNativeDocFormats(clsDiagResult& result, const std::string& printerName,
                           const clsObjectAttrs& printer, const clsObjectAttrs& job);

}  // namespace basDiagJobs
