#pragma once
// A CUPS server's IPP answers as the objects the diagnosis reads (docs/cups.md has the mapping),
// and the requests that ask for them. Both the source (one listing at a time) and the scan
// snapshot (one answer for many listings) build their objects here, so that they list the same.

#include <string>
#include <vector>

#include "cups/connection.h"
#include "cups/ipp_values.h"
#include "model/listing_parser.h"

namespace stallscan::cups {

// The URI of every job of the server.
inline constexpr const char* kAllJobs = "ipp://localhost/";

// Get-Jobs of the jobs not completed on `printer_uri` (kAllJobs: the whole server), asking for
// these attributes.
ipp_t* JobsRequest(const std::string& printer_uri, const std::vector<const char*>& wanted);
// What the jobs ahead are counted from: number, state and priority.
const std::vector<const char*>& OrderAttributes();
// Every job attribute that JobObject reads.
const std::vector<const char*>& JobAttributes();

// A job (the response to Get-Job-Attributes, or one job group of Get-Jobs) as the job object
// `name`: its number and state, and with `everything` all that the diagnosis reads but the jobs
// ahead, which SetJobsAhead adds.
model::ListedObject JobObject(ipp_t* job, const std::string& name, bool everything);
void SetJobsAhead(model::ListedObject& job, int ahead);
// A job's printer URI ("job-printer-uri"), which names its destination.
std::string PrinterUriOf(ipp_t* job);

// The server's own object: running, with itself as every printer's supervisor.
model::ListedObject ServerObject(const std::string& server);
// A destination (the response to Get-Printer-Attributes) as the queue and as the printer `name`.
model::ListedObject QueueObject(ipp_t* destination, const std::string& name, bool is_class);
model::ListedObject PrinterObject(ipp_t* destination, const std::string& name,
                                  const std::string& server);

// CUPS-Get-Printers of every destination, asking for what DestinationObjects reads.
ipp_t* DestinationsRequest();
// The destinations of its response, each as its printer object (PrinterObject) with
// "accepting-jobs" too, named by "printer-name".
std::vector<model::ListedObject> DestinationObjects(ipp_t* response, const std::string& server);

// A printer or class by name, with every attribute: asked for as a printer, then as a class (the
// other way round with `class_first`); `is_class` tells which it is. Nothing, with `failure` set,
// when neither is found or the server fails.
IppPtr GetDestination(Connection& connection, const std::string& name, bool class_first,
                      bool& is_class, listing::Answer& failure);

}  // namespace stallscan::cups
