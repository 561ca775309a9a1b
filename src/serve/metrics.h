#pragma once
// A scan's figures in the Prometheus text format (version 0.0.4).

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "serve/snapshot.h"

namespace stallscan::serve {

// What the metrics count since the start, beyond the last scan.
struct Totals {
    int64_t scans = 0;         // scans finished since the start
    int64_t failed_scans = 0;  // of which failed (a job list could not be read)
    int64_t listing_runs = 0;  // listings that reached the print system since the start
    // Every problem code, printer and server a scan has counted since the start: their series
    // drop to 0 when no job has them any more, instead of vanishing.
    std::set<std::string> seen_codes;
    std::set<std::string> seen_printers;
    std::set<std::string> seen_servers;
    // Every queue with a job whose time the print system told: its age series stay, at 0 when
    // the queue has no such job any more.
    std::set<QueueKey> seen_queues;

    // Counts a finished scan.
    void Add(const Snapshot& snapshot);
};

// The label value as the format writes it: backslash, double quote and line feed escaped.
std::string EscapeLabel(std::string_view value);

// `snapshot` may be null before the first scan has finished.
std::string Metrics(const Snapshot* snapshot, const Totals& totals);

}  // namespace stallscan::serve
