#pragma once
// The live view's scans: one at a time, every interval, on a thread of its own; the last finished
// one is kept for the requests, which never start a listing.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

#include "listing/source.h"
#include "serve/metrics.h"
#include "serve/serve.h"
#include "serve/snapshot.h"

namespace stallscan::serve {

// Counts the listings that reach the print system, those of a scan's own source (a CUPS server's
// scan snapshot, which the scan's cache asks for) included.
class CountingSource : public listing::ListingSource {
  public:
    explicit CountingSource(listing::ListingSource& inner) : inner_(inner), runs_(own_runs_) {}
    listing::Answer List(const listing::Request& request,
                         const listing::Control& control) override;
    listing::Dialect AttributeDialect() const override { return inner_.AttributeDialect(); }
    std::string OnlyServer() const override { return inner_.OnlyServer(); }
    std::string ServerForCommands() const override { return inner_.ServerForCommands(); }
    std::unique_ptr<listing::ListingSource> NewScan() override;
    int64_t Runs() const { return runs_.load(); }

  private:
    CountingSource(std::unique_ptr<listing::ListingSource> scan, std::atomic<int64_t>& runs)
        : scan_(std::move(scan)), inner_(*scan_), runs_(runs) {}

    std::unique_ptr<listing::ListingSource> scan_;
    listing::ListingSource& inner_;
    std::atomic<int64_t> own_runs_{0};
    std::atomic<int64_t>& runs_;
};

class Scanner {
  public:
    // `settings` and `source` outlive the scanner. A stop requested on `stop`, or the destructor,
    // stops the scan in flight; the destructor waits for it to end.
    Scanner(const ServeSettings& settings, listing::ListingSource& source, std::stop_token stop);
    ~Scanner();

    // Starts scanning, at once and then every interval.
    void Start();

    // The last finished scan; null before the first.
    std::shared_ptr<const Snapshot> Latest() const;
    Totals GetTotals() const;

  private:
    void Loop(const std::stop_token& stop);
    // One scan with a cache of its own; nothing when it was stopped.
    std::shared_ptr<const Snapshot> ScanOnce(const std::stop_token& stop);

    const ServeSettings& settings_;
    CountingSource counting_;
    std::stop_token stop_;
    mutable std::mutex mutex_;
    std::shared_ptr<const Snapshot> latest_;
    Totals totals_;
    std::jthread thread_;
    // Passes a stop of `stop_` on to the thread; declared after it, so it is gone before the
    // thread is joined.
    std::optional<std::stop_callback<std::function<void()>>> forward_stop_;
};

}  // namespace stallscan::serve
