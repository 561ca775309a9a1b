#include "run/scan.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "diag/diagnose.h"

namespace stallscan::run {

namespace {

// What the workers and the delivering thread share.
class Board {
  public:
    Board(std::size_t jobs, std::size_t window) : jobs_(jobs), window_(window) {}

    // The next job for a worker; false when there is none or the scan is over. Waits while the
    // finished jobs not yet delivered fill the window.
    bool Take(std::size_t& index, const std::stop_token& stop) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, stop, [&] { return next_ >= jobs_ || next_ < delivered_ + window_; });
        if (stop.stop_requested() || next_ >= jobs_) {
            return false;
        }
        index = next_++;
        return true;
    }

    void Finish(ScannedJob job) {
        std::lock_guard lock(mutex_);
        finished_.emplace(job.index, std::move(job));
        changed_.notify_all();
    }

    // The next job in plan order, once it is finished; false when stopped first.
    bool Next(ScannedJob& job, const std::stop_token& stop) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, stop, [&] { return finished_.contains(delivered_); });
        // After a stop, a job that was finished may have been cut short: none is handed over.
        const auto found = finished_.find(delivered_);
        if (stop.stop_requested() || found == finished_.end()) {
            return false;
        }
        job = std::move(found->second);
        finished_.erase(found);
        ++delivered_;
        changed_.notify_all();
        return true;
    }

  private:
    const std::size_t jobs_;
    const std::size_t window_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::size_t next_ = 0;       // the next job to start
    std::size_t delivered_ = 0;  // jobs handed over
    std::map<std::size_t, ScannedJob> finished_;
};

// The workers of a scan. However the scan ends (all delivered, a stop, an exception of the
// delivering callback), every worker is asked to stop, its listing in flight with it, before the
// first is joined (std::jthread joins when it goes): none waits for room that will never come, and
// none starts another job while another is joined.
struct Workers {
    std::vector<std::jthread> threads;
    ~Workers() {
        for (std::jthread& thread : threads) {
            thread.request_stop();
        }
    }
};

}  // namespace

bool Scan(listing::ListingSource& source, const RunPlan& plan, const ScanSettings& settings,
          std::stop_token stop, const std::function<void(ScannedJob&&)>& deliver) {
    const std::size_t jobs = plan.items.size();
    const auto parallel = static_cast<std::size_t>(std::max(settings.parallel, 1));
    Board board(jobs, 4 * parallel);
    Workers workers;
    for (std::size_t w = 0; w < std::min(parallel, jobs); ++w) {
        workers.threads.emplace_back([&](std::stop_token own) {
            std::size_t index = 0;
            while (board.Take(index, own)) {
                const RunItem& item = plan.items[index];
                listing::Lister lister(source, {own, settings.timeout});
                ScannedJob job;
                job.index = index;
                job.item = &item;
                job.diagnosis = diag::DiagnoseJob(lister, item.server, settings.domain, item.job);
                job.failures = lister.Failures();
                board.Finish(std::move(job));
            }
        });
    }
    std::size_t delivered = 0;
    ScannedJob job;
    while (delivered < jobs && board.Next(job, stop)) {
        deliver(std::move(job));
        ++delivered;
    }
    return delivered == jobs && !stop.stop_requested();
}

}  // namespace stallscan::run
