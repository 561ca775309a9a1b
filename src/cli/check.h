#pragma once
// What a run found, counted: for --check's line in the monitoring-plugin convention
// ("STALLSCAN WARNING - 3 of 12 jobs blocked: ... | jobs=12 blocked=3;0 not_diagnosed=0") and for
// the summary after a run on a terminal.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "diag/diagnosis.h"
#include "run/json_report.h"

namespace stallscan::cli {

struct CheckSummary {
    int jobs = 0;
    int blocked = 0;        // diagnosed, with at least one message of severity problem
    int not_diagnosed = 0;  // invalid, not found, unreachable, timed out
    int not_found = 0;      // named jobs that the server does not know (or no job number)
    // What went wrong with the servers that could not be found, reached or read, a sentence
    // each: the monitored service is down or missing.
    std::vector<std::string> server_failures;
    // Per problem code, the number of blocked jobs that have it.
    std::map<std::string, int> problems;
    // How long the oldest blocked job has waited since it was submitted (seconds); none while no
    // blocked job tells it.
    std::optional<int64_t> oldest_blocked;
    // Diagnosed jobs whose submission time the print system does not tell.
    int without_time = 0;

    void Count(const diag::Diagnosis& diagnosis);
    void CountServers(const std::vector<run::ServerOutcome>& servers);
    // OK, WARNING, CRITICAL or UNKNOWN as an exit status (0 to 3).
    int Status(const Options& options) const;
    std::string Line(const Options& options) const;
};

}  // namespace stallscan::cli
