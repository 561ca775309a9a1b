#pragma once
// One scan of a CUPS server (a command-line run, one scan of the live view), answered from a
// number of requests that grows with the destinations, never with the jobs:
//  - the scan's job list is one Get-Jobs that brings every waiting job with all that the diagnosis
//    reads; these answers are the scan's job listings;
//  - one Get-Jobs per destination counts the jobs ahead of all of its jobs at once;
//  - one Get-Printer-Attributes per printer or class answers both its queue and its printer
//    listing (a destination that the jobs name as a class is asked for as a class first);
//  - one more Get-Jobs, made when the first job with nothing found asks whether it still waits,
//    answers that re-check for every job of the scan;
//  - every destination at once (where else a blocked job could print) is the source's one
//    CUPS-Get-Printers, which the scan's cache shares among the jobs.
// A job that the job list did not bring (a job named by its number) is listed by the source, one
// listing at a time, and so is the re-check of a job that had left the jobs not completed. The
// server's own listing, too, is the source's.
//
// Each of these requests is made by the first listing that needs it, on a connection of its own
// and within that listing's time-out; listings that need it meanwhile wait for it. Its failure is
// the answer of every listing that needs it for the rest of the scan, except a stop and a failure
// that may pass: the next listing asks again.

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "cups/cups_source.h"
#include "listing/memo.h"

namespace stallscan::cups {

class ScanSnapshot : public listing::ListingSource {
  public:
    explicit ScanSnapshot(CupsSource& source);
    ~ScanSnapshot() override;

    listing::Answer List(const listing::Request& request, const listing::Control& control) override;
    listing::Dialect AttributeDialect() const override { return listing::Dialect::kIpp; }
    std::string OnlyServer() const override { return source_.OnlyServer(); }
    std::string ServerForCommands() const override { return source_.ServerForCommands(); }

  private:
    struct Jobs;
    struct Order;
    struct Destination;
    struct States;

    listing::Answer WaitingJobs(const listing::Control& control);
    std::shared_ptr<const Jobs> Listed() const;
    std::optional<listing::Answer> Job(const std::string& name, const listing::Control& control);
    std::optional<listing::Answer> Recheck(const std::string& name,
                                           const listing::Control& control);
    listing::Answer DestinationAs(model::ObjectClass object_class, const std::string& name,
                                  const listing::Control& control);

    CupsSource& source_;
    mutable std::mutex mutex_;
    std::shared_ptr<const Jobs> jobs_;  // the waiting jobs, once listed
    listing::Memo<std::shared_ptr<const Order>> orders_;
    listing::Memo<std::shared_ptr<const Destination>> destinations_;
    listing::Memo<std::shared_ptr<const States>> states_;
};

}  // namespace stallscan::cups
