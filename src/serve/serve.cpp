#include "serve/serve.h"

#include <httplib.h>
#include <sys/socket.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <queue>
#include <thread>

#include <nlohmann/json.hpp>

#include "listing/caching_source.h"
#include "listing/lister.h"
#include "run/run_plan.h"
#include "run/scan.h"
#include "serve/metrics.h"
#include "serve/page.h"
#include "serve/snapshot.h"
#include "text/catalog.h"
#include "text/text_functions.h"

namespace stallscan::serve {

namespace {

using Clock = std::chrono::steady_clock;

// Counts the listings that reach the print system, those of a scan's own source (a CUPS server's
// scan snapshot, which the scan's cache asks for) included.
class CountingSource : public listing::ListingSource {
  public:
    explicit CountingSource(listing::ListingSource& inner) : inner_(inner), runs_(own_runs_) {}
    listing::Answer List(const listing::Request& request,
                         const listing::Control& control) override {
        ++runs_;
        return inner_.List(request, control);
    }
    listing::Dialect AttributeDialect() const override { return inner_.AttributeDialect(); }
    std::string OnlyServer() const override { return inner_.OnlyServer(); }
    std::unique_ptr<listing::ListingSource> NewScan() override {
        std::unique_ptr<listing::ListingSource> scan = inner_.NewScan();
        return scan != nullptr ? std::unique_ptr<CountingSource>(new CountingSource(std::move(scan), runs_))
                               : nullptr;
    }
    int64_t Runs() const { return runs_.load(); }

  private:
    CountingSource(std::unique_ptr<listing::ListingSource> scan, std::atomic<int64_t>& runs)
        : scan_(std::move(scan)), inner_(*scan_), runs_(runs) {}

    std::unique_ptr<listing::ListingSource> scan_;
    listing::ListingSource& inner_;
    std::atomic<int64_t> own_runs_{0};
    std::atomic<int64_t>& runs_;
};

// Scans every interval, one scan at a time, on a thread of its own; keeps the last finished one.
class Scanner {
  public:
    Scanner(const ServeSettings& settings, listing::ListingSource& source, std::stop_token stop)
        : settings_(settings), counting_(source), stop_(std::move(stop)) {
        thread_ = std::thread([this] { Loop(); });
    }
    ~Scanner() { thread_.join(); }

    std::shared_ptr<const Snapshot> Latest() const {
        std::lock_guard lock(mutex_);
        return latest_;
    }
    Totals GetTotals() const {
        std::lock_guard lock(mutex_);
        Totals totals = totals_;
        totals.listing_runs = counting_.Runs();
        return totals;
    }

  private:
    void Loop() {
        while (!stop_.stop_requested()) {
            const auto started = Clock::now();
            std::shared_ptr<const Snapshot> snapshot = ScanOnce();
            if (snapshot != nullptr) {
                std::lock_guard lock(mutex_);
                latest_ = snapshot;
                totals_.Add(*snapshot);
            }
            std::mutex wait_mutex;
            std::unique_lock lock(wait_mutex);
            std::condition_variable_any().wait_until(lock, stop_, started + settings_.interval,
                                                     [] { return false; });
        }
    }

    // One scan with a cache of its own; nothing when it was stopped.
    std::shared_ptr<const Snapshot> ScanOnce() {
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
        builder.Plan(plan);
        for (const run::EmptyServer& empty : plan.empty_servers) {
            if (listing::IsAccessFailure(empty.status)) {
                std::string sentence = text::SubstituteArgs(
                    text::Catalog(text::Msg::kUnableToAccessServer), {empty.server});
                builder.Error(sentence.substr(0, sentence.find('\r')), true);
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

    const ServeSettings& settings_;
    CountingSource counting_;
    std::stop_token stop_;
    mutable std::mutex mutex_;
    std::shared_ptr<const Snapshot> latest_;
    Totals totals_;
    std::thread thread_;
};

// A fixed pool of request threads. A connection that arrives while too many wait for a thread is
// still read, but answered 503 at once (see Rejecting), so an overload never grows into a hang.
thread_local bool rejecting = false;

class BoundedPool : public httplib::TaskQueue {
  public:
    BoundedPool(size_t threads, size_t most_waiting) : most_waiting_(most_waiting) {
        for (size_t i = 0; i < threads; ++i) {
            threads_.emplace_back([this] { Work(); });
        }
    }
    void enqueue(std::function<void()> fn) override {
        {
            std::lock_guard lock(mutex_);
            tasks_.push({std::move(fn), tasks_.size() >= most_waiting_});
        }
        ready_.notify_one();
    }
    void shutdown() override {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        ready_.notify_all();
        for (std::thread& thread : threads_) {
            thread.join();
        }
    }

  private:
    struct Task {
        std::function<void()> fn;
        bool reject;
    };
    void Work() {
        for (;;) {
            Task task;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [this] { return done_ || !tasks_.empty(); });
                if (tasks_.empty()) {
                    return;
                }
                task = std::move(tasks_.front());
                tasks_.pop();
            }
            rejecting = task.reject;
            task.fn();
        }
    }

    const size_t most_waiting_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::queue<Task> tasks_;
    std::vector<std::thread> threads_;
    bool done_ = false;
};

constexpr size_t kLargestRequest = 16 * 1024;

std::string Base64Decode(const std::string& text) {
    static const std::string kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    int buffer = 0;
    int bits = 0;
    for (const char c : text) {
        if (c == '=') {
            break;
        }
        const size_t value = kAlphabet.find(c);
        if (value == std::string::npos) {
            return {};
        }
        buffer = (buffer << 6) | static_cast<int>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

// The secret as a bearer token, or as the password of HTTP Basic authentication (any user name).
bool Authorized(const httplib::Request& request, const std::string& token) {
    if (token.empty()) {
        return true;
    }
    const std::string header = request.get_header_value("Authorization");
    if (header == "Bearer " + token) {
        return true;
    }
    if (header.starts_with("Basic ")) {
        const std::string pair = Base64Decode(header.substr(6));
        const size_t colon = pair.find(':');
        return colon != std::string::npos && pair.substr(colon + 1) == token;
    }
    return false;
}

}  // namespace

std::optional<std::pair<std::string, int>> ParseListen(const std::string& text,
                                                       std::string& error) {
    std::string host;
    std::string port_text;
    if (text.starts_with("[")) {
        const size_t close = text.find("]:");
        if (close == std::string::npos) {
            error = "--listen takes ADDR:PORT or [IPV6ADDR]:PORT, not \"" + text + "\"";
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        port_text = text.substr(close + 2);
    } else {
        const size_t colon = text.rfind(':');
        if (colon == std::string::npos || text.find(':') != colon) {
            error = "--listen takes ADDR:PORT or [IPV6ADDR]:PORT, not \"" + text + "\"";
            return std::nullopt;
        }
        host = text.substr(0, colon);
        port_text = text.substr(colon + 1);
    }
    int port = -1;
    if (!port_text.empty() && port_text.size() <= 5 &&
        port_text.find_first_not_of("0123456789") == std::string::npos) {
        port = std::stoi(port_text);
    }
    if (host.empty() || port < 0 || port > 65535) {
        error = "--listen takes ADDR:PORT or [IPV6ADDR]:PORT, not \"" + text + "\"";
        return std::nullopt;
    }
    return std::pair{host, port};
}

bool Serve(const ServeSettings& settings, listing::ListingSource& source, std::stop_token stop,
           std::ostream& err) {
    httplib::Server server;
    server.new_task_queue = [&settings] {
        return new BoundedPool(settings.request_threads, settings.most_waiting);
    };
    server.set_payload_max_length(kLargestRequest);
    server.set_keep_alive_max_count(20);
    server.set_keep_alive_timeout(2);
    server.set_read_timeout(settings.read_timeout);
    server.set_write_timeout(std::chrono::seconds(5));
    // SO_REUSEADDR to listen again at once after a stop, but not the library's SO_REUSEPORT: a
    // second instance on the same port must fail, not share it.
    int listening_socket = -1;
    server.set_socket_options([&listening_socket](socket_t sock) {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listening_socket = sock;
    });
    // Port 0: any free port (the address announced below says which).
    const int port = settings.port == 0 ? server.bind_to_any_port(settings.host)
                     : server.bind_to_port(settings.host, settings.port) ? settings.port
                                                                         : -1;
    if (port <= 0) {
        err << "stallscan: cannot listen on " << settings.host << " port " << settings.port
            << ": the port is in use, or the address is not one of this machine's\n";
        return false;
    }

    // The library listens with a backlog of 5, too few for a burst of clients: they would wait
    // for a SYN retry (seconds) rather than for a thread.
    ::listen(listening_socket, SOMAXCONN);

    Scanner scanner(settings, source, stop);
    const auto interval_s = std::chrono::duration<double>(settings.interval).count();

    server.set_pre_routing_handler([&](const httplib::Request& request,
                                       httplib::Response& response) {
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_header("Cache-Control", "no-store");
        if (rejecting) {
            response.status = 503;
            response.set_header("Retry-After", "1");
            response.set_header("Connection", "close");
            response.set_content("busy\n", "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (!Authorized(request, settings.token) && request.path != "/healthz") {
            response.status = 401;
            response.set_header("WWW-Authenticate", "Basic realm=\"stallscan\", charset=\"UTF-8\"");
            response.set_content("the secret of --token-file is needed\n", "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    const auto starting = [](httplib::Response& response) {
        response.status = 503;
        response.set_header("Retry-After", "5");
        response.set_content("{\"error\":\"the first scan has not finished yet\"}\n",
                             "application/json");
    };
    server.Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_header("Content-Security-Policy",
                            "default-src 'self'; script-src 'self'; style-src 'self'; "
                            "img-src 'self'; connect-src 'self'; frame-ancestors 'none'");
        response.set_content(std::string(kPageHtml), "text/html; charset=utf-8");
    });
    server.Get("/page.js", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(std::string(kPageScript), "text/javascript; charset=utf-8");
    });
    server.Get("/page.css", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(std::string(kPageStyle), "text/css; charset=utf-8");
    });
    server.Get("/api/v1/jobs", [&](const httplib::Request&, httplib::Response& response) {
        const auto latest = scanner.Latest();
        if (latest == nullptr) {
            return starting(response);
        }
        response.set_content(latest->jobs_json, "application/json");
    });
    server.Get("/api/v1/scan", [&](const httplib::Request&, httplib::Response& response) {
        const auto latest = scanner.Latest();
        if (latest == nullptr) {
            return starting(response);
        }
        const double age =
            std::chrono::duration<double>(std::chrono::system_clock::now() - latest->finished)
                .count();
        std::string body = latest->scan_json;
        // Stale: the last scan is older than two intervals, or failed.
        body.insert(body.rfind('}'),
                    ",\"intervalSeconds\":" + nlohmann::json(interval_s).dump() + ",\"stale\":" +
                        (latest->failed || age > 2 * interval_s ? "true" : "false"));
        response.set_content(body, "application/json");
    });
    server.Get("/healthz", [&](const httplib::Request&, httplib::Response& response) {
        const auto latest = scanner.Latest();
        const bool fresh = latest != nullptr && !latest->failed &&
                           std::chrono::system_clock::now() - latest->finished <
                               2 * settings.interval + std::chrono::seconds(1);
        response.status = fresh ? 200 : 503;
        response.set_content(latest == nullptr ? "starting\n"
                             : fresh           ? "ok\n"
                                               : "stale\n",
                             "text/plain");
    });
    server.Get("/metrics", [&](const httplib::Request&, httplib::Response& response) {
        const auto latest = scanner.Latest();
        response.set_content(Metrics(latest.get(), scanner.GetTotals()),
                             "text/plain; version=0.0.4; charset=utf-8");
    });

    std::thread listening([&server] { server.listen_after_bind(); });
    err << "stallscan: serving on http://"
        << (settings.host.find(':') != std::string::npos ? "[" + settings.host + "]"
                                                         : settings.host)
        << ":" << port << "/\n"
        << std::flush;
    if (settings.listening) {
        settings.listening(port);
    }
    std::mutex wait_mutex;
    std::unique_lock lock(wait_mutex);
    std::condition_variable_any().wait(lock, stop, [] { return false; });
    server.stop();
    listening.join();
    return true;
}

}  // namespace stallscan::serve
