#pragma once
// Diagnoses the jobs of a run plan, up to a number of them at once, and hands the diagnoses over
// in plan order, each as soon as it and every job before it are done. Only a bounded window of
// finished diagnoses is held, however many jobs the plan has.

#include <chrono>
#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "diag/diagnosis.h"
#include "listing/lister.h"
#include "run/run_plan.h"

namespace stallscan::run {

struct ScanSettings {
    std::string domain;  // as given to the listings
    // Per listing; zero for none.
    std::chrono::milliseconds timeout{0};
    // Jobs diagnosed at once (at least 1).
    int parallel = 1;
};

struct ScannedJob {
    std::size_t index = 0;  // position in the plan
    const RunItem* item = nullptr;
    diag::Diagnosis diagnosis;
    // The job's listings that failed with what the print system said.
    std::vector<listing::Lister::Failure> failures;
};

// Calls `deliver` on the calling thread for every job of the plan, in plan order. A stop request
// ends the scan at once: the listings in flight are stopped and nothing more is delivered. True
// when every job was delivered. An exception of `deliver` ends the scan with it: the workers are
// stopped and joined, and the exception passes on to the caller.
bool Scan(listing::ListingSource& source, const RunPlan& plan, const ScanSettings& settings,
          std::stop_token stop, const std::function<void(ScannedJob&&)>& deliver);

}  // namespace stallscan::run
