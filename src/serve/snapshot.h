#pragma once
// One finished scan, with every response body made once, when the scan ends: requests only copy
// them.

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "diag/diagnosis.h"
#include "run/json_report.h"
#include "run/run_plan.h"

namespace stallscan::serve {

// A queue of a server: (server, queue).
using QueueKey = std::pair<std::string, std::string>;

struct Snapshot {
    std::chrono::system_clock::time_point finished;
    double duration_s = 0;
    bool failed = false;              // a job list could not be read
    std::vector<std::string> errors;  // what could not be read, as sentences
    int jobs = 0;
    int blocked = 0;
    int not_diagnosed = 0;
    std::map<std::string, int> by_reason;   // problem code -> jobs that have it
    std::map<std::string, int> by_printer;  // printer -> waiting jobs that may print on it
    std::map<std::string, int> by_server;   // server -> waiting jobs
    // How long the oldest waiting job of a queue, and the oldest blocked one, had waited when the
    // scan saw them, in seconds; only queues of jobs whose print system tells when they were
    // submitted (a CUPS server), the blocked ages only where a job with a time is blocked.
    std::map<QueueKey, int64_t> oldest_waiting;
    std::map<QueueKey, int64_t> oldest_blocked;
    std::string jobs_json;                  // /api/v1/jobs
    std::string scan_json;                  // /api/v1/scan
};

// Builds the counts and bodies of a scan from its diagnoses (in run order).
class SnapshotBuilder {
  public:
    // The servers of the scan's "server:" SPECs, with what their job lists gave.
    void Plan(const run::RunPlan& plan) { servers_.AddPlan(plan); }
    void Add(const diag::Diagnosis& diagnosis);
    void Error(std::string sentence, bool job_list_failed);
    Snapshot Finish(std::chrono::system_clock::time_point started,
                    std::chrono::steady_clock::duration took);

  private:
    Snapshot snapshot_;
    std::string jobs_;  // the jobs' JSON objects, comma-separated
    run::ServerOutcomes servers_;
};

}  // namespace stallscan::serve
