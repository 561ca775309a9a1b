#include "serve/metrics.h"

#include <sstream>

namespace stallscan::serve {

namespace {

void Family(std::ostringstream& out, const char* name, const char* type, const char* help) {
    out << "# HELP " << name << ' ' << help << "\n# TYPE " << name << ' ' << type << '\n';
}

// A metric of one value, with its family lines.
template <typename Value>
void Single(std::ostringstream& out, const char* name, const char* type, const char* help,
            Value value) {
    Family(out, name, type, help);
    out << name << ' ' << value << '\n';
}

void Labelled(std::ostringstream& out, const char* name, const char* label,
              const std::map<std::string, int>& counts) {
    for (const auto& [value, count] : counts) {
        out << name << '{' << label << "=\"" << EscapeLabel(value) << "\"} " << count << '\n';
    }
}

}  // namespace

std::string EscapeLabel(std::string_view value) {
    std::string escaped;
    for (const char c : value) {
        if (c == '\\' || c == '"') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string Metrics(const Snapshot* snapshot, const Totals& totals) {
    std::ostringstream out;
    Single(out, "stallscan_scans_total", "counter", "Scans finished since the start.",
           totals.scans);
    Single(out, "stallscan_scan_errors_total", "counter",
           "Scans whose job list could not be read, since the start.", totals.failed_scans);
    Single(out, "stallscan_listing_runs_total", "counter",
           "Listings that reached the print system since the start.", totals.listing_runs);
    if (snapshot == nullptr) {
        return out.str();
    }
    const Snapshot& s = *snapshot;
    Single(out, "stallscan_last_scan_timestamp_seconds", "gauge",
           "When the last scan finished, in seconds since the epoch.",
           std::chrono::duration_cast<std::chrono::seconds>(s.finished.time_since_epoch()).count());
    Single(out, "stallscan_scan_duration_seconds", "gauge", "How long the last scan took.",
           s.duration_s);
    Single(out, "stallscan_scan_errors", "gauge",
           "Objects the last scan could not read (job lists, servers).", s.errors.size());
    Single(out, "stallscan_waiting_jobs", "gauge", "Waiting jobs found by the last scan.", s.jobs);
    Single(out, "stallscan_blocked_jobs", "gauge",
           "Waiting jobs with at least one problem that blocks them.", s.blocked);
    Single(out, "stallscan_not_diagnosed_jobs", "gauge",
           "Waiting jobs whose diagnosis could not get past the job itself.", s.not_diagnosed);
    Family(out, "stallscan_jobs_by_reason", "gauge",
           "Blocked jobs per problem code (a job counts once per code it has).");
    Labelled(out, "stallscan_jobs_by_reason", "code", s.by_reason);
    Family(out, "stallscan_jobs_by_printer", "gauge",
           "Waiting jobs per printer they may print on.");
    Labelled(out, "stallscan_jobs_by_printer", "printer", s.by_printer);
    Family(out, "stallscan_jobs_by_server", "gauge", "Waiting jobs per server.");
    Labelled(out, "stallscan_jobs_by_server", "server", s.by_server);
    return out.str();
}

}  // namespace stallscan::serve
