#include "serve/metrics.h"

#include <sstream>

#ifndef STALLSCAN_VERSION
#define STALLSCAN_VERSION "unknown"
#endif

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

// A gauge with one label: a series for every value seen since the start, 0 where the last scan
// counted none.
void Labelled(std::ostringstream& out, const char* name, const char* help, const char* label,
              const std::map<std::string, int>& counts, const std::set<std::string>& seen) {
    Family(out, name, "gauge", help);
    for (const std::string& value : seen) {
        const auto count = counts.find(value);
        out << name << '{' << label << "=\"" << EscapeLabel(value) << "\"} "
            << (count != counts.end() ? count->second : 0) << '\n';
    }
}

// An age gauge per queue: a series for every queue seen with a job's time since the start, 0
// where the last scan found no such job in it.
void QueueAges(std::ostringstream& out, const char* name, const char* help,
               const std::map<QueueKey, int64_t>& ages, const std::set<QueueKey>& seen) {
    Family(out, name, "gauge", help);
    for (const QueueKey& queue : seen) {
        const auto age = ages.find(queue);
        out << name << "{server=\"" << EscapeLabel(queue.first) << "\",queue=\""
            << EscapeLabel(queue.second) << "\"} " << (age != ages.end() ? age->second : 0)
            << '\n';
    }
}

}  // namespace

void Totals::Add(const Snapshot& snapshot) {
    ++scans;
    failed_scans += snapshot.failed ? 1 : 0;
    for (const auto& [code, count] : snapshot.by_reason) {
        seen_codes.insert(code);
    }
    for (const auto& [printer, count] : snapshot.by_printer) {
        seen_printers.insert(printer);
    }
    for (const auto& [server, count] : snapshot.by_server) {
        seen_servers.insert(server);
    }
    for (const auto& [queue, age] : snapshot.oldest_waiting) {
        seen_queues.insert(queue);
    }
}

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
    Family(out, "stallscan_build_info", "gauge", "Always 1; the version of stallscan as a label.");
    out << "stallscan_build_info{version=\"" << EscapeLabel(STALLSCAN_VERSION) << "\"} 1\n";
    Single(out, "stallscan_scans_total", "counter", "Scans finished since the start.",
           totals.scans);
    Single(out, "stallscan_scans_failed_total", "counter",
           "Scans since the start that could not read a job list (counted in "
           "stallscan_scans_total too).",
           totals.failed_scans);
    Single(out, "stallscan_listing_runs_total", "counter",
           "Listings that reached the print system since the start.", totals.listing_runs);
    if (snapshot == nullptr) {
        return out.str();
    }
    const Snapshot& s = *snapshot;
    Single(out, "stallscan_last_scan_success", "gauge",
           "1 when the last scan read every job list, 0 when it is missing jobs.",
           s.failed ? 0 : 1);
    Single(out, "stallscan_last_scan_timestamp_seconds", "gauge",
           "When the last scan finished, in seconds since the epoch.",
           std::chrono::duration_cast<std::chrono::seconds>(s.finished.time_since_epoch()).count());
    Single(out, "stallscan_last_scan_duration_seconds", "gauge", "How long the last scan took.",
           s.duration_s);
    Single(out, "stallscan_last_scan_unreadable_objects", "gauge",
           "Objects the last scan could not read (job lists, servers).", s.errors.size());
    Labelled(out, "stallscan_waiting_jobs",
             "Waiting jobs per server (sum() gives all waiting jobs; each job counts once).",
             "server", s.by_server, totals.seen_servers);
    Single(out, "stallscan_blocked_jobs", "gauge",
           "Waiting jobs with at least one problem that blocks them (part of "
           "stallscan_waiting_jobs).",
           s.blocked);
    Single(out, "stallscan_not_diagnosed_jobs", "gauge",
           "Waiting jobs whose diagnosis could not get past the job itself (part of "
           "stallscan_waiting_jobs, never of stallscan_blocked_jobs).",
           s.not_diagnosed);
    Labelled(out, "stallscan_jobs_with_problem",
             "Blocked jobs per problem code. A job counts once per code it has, so the codes "
             "overlap: their sum may exceed stallscan_blocked_jobs.",
             "code", s.by_reason, totals.seen_codes);
    Labelled(out, "stallscan_printer_waiting_jobs",
             "Waiting jobs per printer they may print on. A job counts for each of its printers, "
             "so the printers overlap: their sum may exceed sum(stallscan_waiting_jobs).",
             "printer", s.by_printer, totals.seen_printers);
    QueueAges(out, "stallscan_oldest_waiting_job_age_seconds",
              "How long the oldest waiting job of a queue had waited when the last scan saw it "
              "(0: none with a time); only queues whose print system tells when jobs were "
              "submitted.",
              s.oldest_waiting, totals.seen_queues);
    QueueAges(out, "stallscan_oldest_blocked_job_age_seconds",
              "How long the oldest blocked job of a queue had waited when the last scan saw it "
              "(0: none blocked); only queues whose print system tells when jobs were submitted.",
              s.oldest_blocked, totals.seen_queues);
    return out.str();
}

}  // namespace stallscan::serve
