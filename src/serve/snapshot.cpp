#include "serve/snapshot.h"

#include <algorithm>

#include "diag/message_info.h"
#include "run/json_report.h"

namespace stallscan::serve {

void SnapshotBuilder::Add(const diag::Diagnosis& diagnosis) {
    Snapshot& s = snapshot_;
    ++s.jobs;
    ++s.by_server[diagnosis.SpoolerName()];
    const std::optional<int64_t> waited = diagnosis.WaitingSeconds();
    const QueueKey queue{diagnosis.SpoolerName(), diagnosis.QueueName()};
    // The oldest of a queue: the largest age seen (an absent entry reads as 0, and ages are >= 0).
    const auto oldest = [&](std::map<QueueKey, int64_t>& ages) {
        int64_t& age = ages[queue];
        age = std::max(age, *waited);
    };
    if (waited) {
        oldest(s.oldest_waiting);
    }
    if (diagnosis.GetOutcome() != diag::Outcome::kDiagnosed) {
        ++s.not_diagnosed;
    } else if (diag::IsBlocked(diagnosis)) {
        ++s.blocked;
        for (const std::string& code : diag::ProblemCodes(diagnosis)) {
            ++s.by_reason[code];
        }
        if (waited) {
            oldest(s.oldest_blocked);
        }
    }
    const bool requested = !diagnosis.PrintersRequested().empty();
    for (const std::string& printer : diagnosis.PrinterList(requested)) {
        ++s.by_printer[printer];
    }
    if (!jobs_.empty()) {
        jobs_ += ",";
    }
    jobs_ += run::DumpJson(run::JobToJson(diagnosis));
    servers_.AddJob(diagnosis);
}

void SnapshotBuilder::Error(std::string sentence, bool job_list_failed) {
    snapshot_.errors.push_back(std::move(sentence));
    snapshot_.failed = snapshot_.failed || job_list_failed;
}

Snapshot SnapshotBuilder::Finish(std::chrono::system_clock::time_point started,
                                 std::chrono::steady_clock::duration took) {
    Snapshot& s = snapshot_;
    s.finished = std::chrono::system_clock::now();
    s.duration_s = std::chrono::duration<double>(took).count();
    const std::string time = run::Rfc3339(s.finished);
    // The same document as --json writes; a snapshot is made of finished scans only.
    s.jobs_json = run::DocumentHead(s.finished) + jobs_ + run::DocumentTail(true, servers_.List()) +
                  "\n";
    nlohmann::ordered_json scan = {
        {"scanTime", time},
        {"started", run::Rfc3339(started)},
        {"durationSeconds", s.duration_s},
        {"jobs", s.jobs},
        {"blocked", s.blocked},
        {"notDiagnosed", s.not_diagnosed},
        {"failed", s.failed},
        {"errors", s.errors},
        {"byReason", s.by_reason},
        {"byPrinter", s.by_printer},
        {"byServer", s.by_server},
    };
    s.scan_json = run::DumpJson(scan) + "\n";
    return std::move(snapshot_);
}

}  // namespace stallscan::serve
