#include "serve/scanner.h"

#include "listing/caching_source.h"
#include "listing/lister.h"
#include "run/json_report.h"
#include "run/run_plan.h"
#include "run/scan.h"
#include "run/sleep_until.h"

namespace stallscan::serve {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

listing::Answer CountingSource::List(const listing::Request& request,
                                     const listing::Control& control) {
    ++runs_;
    return inner_.List(request, control);
}

std::unique_ptr<listing::ListingSource> CountingSource::NewScan() {
    std::unique_ptr<listing::ListingSource> scan = inner_.NewScan();
    return scan != nullptr ? std::unique_ptr<CountingSource>(new CountingSource(std::move(scan), runs_))
                           : nullptr;
}

Scanner::Scanner(const ServeSettings& settings, listing::ListingSource& source,
                 std::stop_token stop)
    : settings_(settings), counting_(source), stop_(std::move(stop)) {}

// The members' destructors end the scans: the forwarding goes, then the std::jthread asks the
// loop to stop and joins it.
Scanner::~Scanner() = default;

void Scanner::Start() {
    thread_ = std::jthread([this](std::stop_token own) { Loop(own); });
    forward_stop_.emplace(stop_, [this] { thread_.request_stop(); });
}

std::shared_ptr<const Snapshot> Scanner::Latest() const {
    std::lock_guard lock(mutex_);
    return latest_;
}

Totals Scanner::GetTotals() const {
    std::lock_guard lock(mutex_);
    Totals totals = totals_;
    totals.listing_runs = counting_.Runs();
    return totals;
}

void Scanner::Loop(const std::stop_token& stop) {
    while (!stop.stop_requested()) {
        const auto started = Clock::now();
        std::shared_ptr<const Snapshot> snapshot = ScanOnce(stop);
        if (snapshot != nullptr) {
            std::lock_guard lock(mutex_);
            latest_ = snapshot;
            totals_.Add(*snapshot);
        }
        run::SleepUntil(stop, started + settings_.interval);
    }
}

std::shared_ptr<const Snapshot> Scanner::ScanOnce(const std::stop_token& stop) {
    const auto wall_start = std::chrono::system_clock::now();
    const auto start = Clock::now();
    listing::CachingSource cache(counting_);
    listing::ListingSource& source =
        settings_.no_cache ? static_cast<listing::ListingSource&>(counting_) : cache;
    listing::Lister lister(source, {stop, settings_.timeout});
    run::RunPlan plan =
        run::PlanForSource(lister, settings_.specs, settings_.domain, settings_.default_printer);
    // A server that gave no job because it cannot be read, or because the print system does not
    // know it (a mistyped name, the placeholder SERVER:), fails the scan: never all well.
    run::FindUnknownServers(lister, plan, settings_.domain);
    SnapshotBuilder builder;
    builder.Plan(plan);
    run::ServerOutcomes outcomes;
    outcomes.AddPlan(plan);
    for (const run::ServerOutcome& server : outcomes.List()) {
        if (!server.error.empty()) {
            builder.Error(server.error, true);
        }
    }
    const bool complete =
        run::Scan(source, plan, {settings_.domain, settings_.timeout, settings_.jobs}, stop,
                  [&](run::ScannedJob&& job) {
                      if (!job.item->repeated_key) {
                          builder.Add(job.diagnosis);
                      }
                  });
    if (!complete || stop.stop_requested()) {
        return nullptr;
    }
    return std::make_shared<Snapshot>(builder.Finish(wall_start, Clock::now() - start));
}

}  // namespace stallscan::serve
