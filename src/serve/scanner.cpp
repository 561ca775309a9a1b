#include "serve/scanner.h"

#include <condition_variable>

#include "listing/caching_source.h"
#include "listing/lister.h"
#include "listing/object_attributes.h"
#include "run/run_plan.h"
#include "run/scan.h"
#include "text/catalog.h"
#include "text/text_functions.h"

namespace stallscan::serve {

namespace {

using Clock = std::chrono::steady_clock;

// The catalogue's sentence without its line end.
std::string Sentence(text::Msg message, const std::string& server) {
    std::string sentence = text::SubstituteArgs(text::Catalog(message), {server});
    return sentence.substr(0, sentence.find('\r'));
}

// Why a "server:" that gave no job makes the scan fail (its job list could not be read, or the
// print system does not know the server); nothing when the server answered that it has no waiting
// job.
std::optional<std::string> EmptyServerFailure(listing::Lister& lister, const std::string& domain,
                                              const run::EmptyServer& empty) {
    if (listing::IsAccessFailure(empty.status)) {
        return Sentence(text::Msg::kUnableToAccessServer, empty.server);
    }
    // An unknown server's job list is as empty as an idle one's: the server itself tells them
    // apart.
    listing::ObjectAttributes server;
    const listing::Status status =
        server.List(lister, {model::ObjectClass::kServer, empty.server, domain}, true);
    if (status == listing::Status::kNoEntries) {
        return "Server \"" + empty.server + "\" was not found.";
    }
    // A server that did not answer in time may be one that does not exist: never all well.
    if (listing::IsAccessFailure(status)) {
        return Sentence(text::Msg::kUnableToAccessServer, empty.server);
    }
    return std::nullopt;
}

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

Scanner::~Scanner() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void Scanner::Start() {
    thread_ = std::thread([this] { Loop(); });
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

void Scanner::Loop() {
    while (!stop_.stop_requested()) {
        const auto started = Clock::now();
        std::shared_ptr<const Snapshot> snapshot = ScanOnce();
        if (snapshot != nullptr) {
            std::lock_guard lock(mutex_);
            latest_ = snapshot;
            ++totals_.scans;
            totals_.failed_scans += snapshot->failed ? 1 : 0;
        }
        std::mutex wait_mutex;
        std::unique_lock lock(wait_mutex);
        std::condition_variable_any().wait_until(lock, stop_, started + settings_.interval,
                                                 [] { return false; });
    }
}

std::shared_ptr<const Snapshot> Scanner::ScanOnce() {
    const auto wall_start = std::chrono::system_clock::now();
    const auto start = Clock::now();
    listing::CachingSource cache(counting_);
    listing::ListingSource& source =
        settings_.no_cache ? static_cast<listing::ListingSource&>(counting_) : cache;
    listing::Lister lister(source, {stop_, settings_.timeout});
    std::vector<std::string> specs = settings_.specs;
    const std::string only_server = source.OnlyServer();
    if (specs.empty() && !only_server.empty()) {
        specs.push_back(only_server + ":");
    }
    const run::RunPlan plan = run::MakeRunPlan(
        lister, {specs, true, settings_.domain, [&] {
                     return only_server.empty()
                                ? run::AssociatedServer(lister, settings_.default_printer)
                                : only_server;
                 }});
    SnapshotBuilder builder;
    for (const run::EmptyServer& empty : plan.empty_servers) {
        if (auto failure = EmptyServerFailure(lister, settings_.domain, empty)) {
            builder.Error(std::move(*failure), true);
        }
    }
    const bool complete =
        run::Scan(source, plan, {settings_.domain, settings_.timeout, settings_.jobs}, stop_,
                  [&](run::ScannedJob&& job) {
                      if (!job.item->repeated_key) {
                          builder.Add(job.diagnosis);
                      }
                  });
    if (!complete || stop_.stop_requested()) {
        return nullptr;
    }
    return std::make_shared<Snapshot>(builder.Finish(wall_start, Clock::now() - start));
}

}  // namespace stallscan::serve
