#pragma once
// The diagnosis: walks from a job to its server, queue, printers and supervisors, and explains in
// catalogue messages why the job is not printing (or what became of it).

#include <string>

#include "diag/diagnosis.h"
#include "listing/lister.h"
#include "listing/object_attributes.h"

namespace stallscan::diag {

// Diagnoses job `job_id` of `server`; every outcome, failures of the print system included, is in
// the diagnosis. A listing that is stopped or times out ends the diagnosis there (the lister tells
// which).
Diagnosis DiagnoseJob(listing::Lister& lister, const std::string& server,
                      const std::string& domain, const std::string& job_id);

// Reports (322) each value of the job attribute that the printer attribute does not cover.
void CheckAttributeAgainstPrinter(Diagnosis& diagnosis, const std::string& printer_name,
                                  const listing::ObjectAttributes& printer,
                                  const listing::ObjectAttributes& job,
                                  const std::string& printer_attr, const std::string& job_attr,
                                  const std::string& extra_job_attr = {});

// Checks each job/printer attribute pair of the source's attribute names, in their fixed order:
// the 33 pairs of the listing tool's names, or the IPP pairs ("media" against "media-ready",
// "sides" against "sides-supported" ...).
void CheckJobAgainstPrinter(Diagnosis& diagnosis, const std::string& printer_name,
                            const listing::ObjectAttributes& printer,
                            const listing::ObjectAttributes& job,
                            listing::Dialect dialect = listing::Dialect::kListingTool);

// Reports (342) the documents of the job that carry no data.
void CheckEmptyDocuments(Diagnosis& diagnosis, const listing::ObjectAttributes& job);

// Warns (344) about plain-text documents bound for a PCL printer without plain-text support.
void CheckNativeDocFormats(Diagnosis& diagnosis, const std::string& printer_name,
                           const listing::ObjectAttributes& printer,
                           const listing::ObjectAttributes& job);

}  // namespace stallscan::diag
