// stallscan --serve end to end: the built program scans a copy of the demo print system through
// real runs of the stand-in tool and serves it on a free loopback port; the tests read the API,
// the metrics and the health check with an HTTP client, change the model, load it with many
// clients, and end it with signals. POSIX only.

#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <thread>

#include "e2e/e2e_support.h"
#include "serve/metrics.h"
#include "serve/serve.h"
#include "support/fake_source.h"
#include "support/started_program.h"

namespace {

using namespace std::chrono_literals;
using namespace e2e;
using Json = nlohmann::json;
namespace serve = stallscan::serve;

// A printer name that needs escaping as a metrics label value.
const std::string kOddPrinter = "lp-\"quote\\back";

// A running stallscan --serve over its own copy of the demo model (plus a job that asks for
// kOddPrinter), with the tool's runs logged.
class Served {
  public:
    explicit Served(const std::vector<std::string>& options,
                    std::map<std::string, std::string> env = {}, const std::string& name = "serve")
        : base_(FreshDir(name)) {
        fs::copy(kDemoData, base_ / "model", fs::copy_options::recursive);
        WriteFile(base_ / "model" / "jobs" / "demo-950.txt",
                  "server = demo\njob-identifier = 950\njob-name = odd\n"
                  "current-job-state = pending\nassigned-queue = q-office\n"
                  "physical-printers-requested = " +
                      kOddPrinter + "\n[document 1]\noctet-count = 9\n");
        install_.Create(base_, base_ / "model");
        env["OV_ROOT"] = (base_ / "normal-root").string();
        env["KVLS_LOG"] = Log().string();
        int err[2];
        EXPECT_EQ(::pipe2(err, O_CLOEXEC), 0);
        err_ = err[0];
        std::vector<std::string> args = {"--serve"};
        args.insert(args.end(), options.begin(), options.end());
        for (const char* spec : {"demo:", "nightly:"}) {
            args.emplace_back(spec);
        }
        run_ = std::make_unique<test_os::Started>(args, env, err[1]);
        ::close(err[1]);
        announced_ = test_os::Started::ReadFor(err_, 30s, "/\n");
        std::smatch port;
        if (std::regex_search(announced_, port, std::regex(R"(serving on http://\S+:(\d+)/)"))) {
            port_ = std::stoi(port[1]);
        }
    }
    ~Served() {
        if (run_->Pid() > 0) {
            ::kill(run_->Pid(), SIGTERM);
            run_->Wait();
        }
        run_.reset();
        ::close(err_);
        std::error_code ignored;
        fs::remove_all(base_, ignored);
    }

    int Port() const { return port_; }
    const std::string& Announced() const { return announced_; }
    test_os::Started& Process() { return *run_; }
    fs::path Log() const { return base_ / "runs.log"; }
    fs::path Root() const { return base_ / "normal-root"; }
    fs::path Model() const { return base_ / "model"; }
    fs::path Tool() const {
        return base_ / "normal-root" / "bin" / test_os::ProgramFileName("kvls");
    }
    size_t Runs() const { return ReadLines(Log()).size(); }

    httplib::Client Client() const {
        httplib::Client client("127.0.0.1", port_);
        client.set_connection_timeout(10s);
        client.set_read_timeout(30s);
        return client;
    }
    // The body of a GET that must answer 200.
    std::string Get(const std::string& path) const {
        auto result = Client().Get(path);
        EXPECT_TRUE(result) << path << ": " << httplib::to_string(result.error());
        if (!result) {
            return {};
        }
        EXPECT_EQ(result->status, 200) << path << ": " << result->body;
        return result->body;
    }
    // The scan, once one has finished after `after` (an ISO time; empty: any).
    Json ScanAfter(const std::string& after = "", std::chrono::seconds wait = 60s) const {
        const auto end = std::chrono::steady_clock::now() + wait;
        while (std::chrono::steady_clock::now() < end) {
            if (auto result = Client().Get("/api/v1/scan"); result && result->status == 200) {
                Json scan = Json::parse(result->body);
                if (scan["started"].get<std::string>() > after) {
                    return scan;
                }
            }
            std::this_thread::sleep_for(50ms);
        }
        ADD_FAILURE() << "no scan finished in time";
        return {};
    }

    // stallscan's JSON report of the same SPECs from a command-line run.
    Json CommandLineReport() const {
        const auto run = install_.Normal({"--json", "demo:", "nightly:"});
        return Json::parse(run.out);
    }

  private:
    fs::path base_;
    Installation install_;
    std::unique_ptr<test_os::Started> run_;
    int err_ = -1;
    std::string announced_;
    int port_ = 0;
};

// What the metrics must count in a JSON report: jobs by problem code (once per job), by printer
// (requested or possible) and by server, and the blocked jobs.
struct Counts {
    std::map<std::string, std::map<std::string, int>> by;  // "code", "printer", "server"
    int blocked = 0;
};
Counts Count(const Json& jobs) {
    Counts counts;
    for (const Json& job : jobs) {
        ++counts.by["server"][job["server"]];
        const bool requested = !job["requestedPrinters"].empty();
        for (const Json& printer : job[requested ? "requestedPrinters" : "printers"]) {
            ++counts.by["printer"][printer];
        }
        std::set<std::string> codes;
        for (const Json& message : job["messages"]) {
            if (message["severity"] == "problem") {
                codes.insert(message["code"]);
            }
        }
        for (const std::string& code : codes) {
            ++counts.by["code"][code];
        }
        counts.blocked += codes.empty() ? 0 : 1;
    }
    return counts;
}

// The value of the metric line `name{labels}`, or -1.
double Metric(const std::string& metrics, const std::string& series) {
    std::istringstream lines(metrics);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(series + " ")) {
            return std::stod(line.substr(series.size() + 1));
        }
    }
    return -1;
}

// The API holds the command line's reports job for job; the metrics count them, with label values
// escaped; the page and its parts are served; other paths and methods are refused.
TEST(Serve, ApiAndMetricsMatchTheCommandLineReports) {
    Served served({"--listen", "127.0.0.1:0", "--interval", "3600"});
    ASSERT_GT(served.Port(), 0) << served.Announced();
    served.ScanAfter();
    const Json expected = served.CommandLineReport();
    const Json api = Json::parse(served.Get("/api/v1/jobs"));
    EXPECT_EQ(api["schema"], expected["schema"]);
    EXPECT_FALSE(api["scanTime"].get<std::string>().empty());
    ASSERT_EQ(api["jobs"].size(), expected["jobs"].size());
    for (size_t i = 0; i < expected["jobs"].size(); ++i) {
        EXPECT_EQ(api["jobs"][i], expected["jobs"][i]) << expected["jobs"][i]["job"];
    }

    const Json& jobs = expected["jobs"];
    const std::string metrics = served.Get("/metrics");
    const Json scan = Json::parse(served.Get("/api/v1/scan"));
    const Counts counts = Count(jobs);
    EXPECT_EQ(Metric(metrics, "stallscan_waiting_jobs"), jobs.size());
    EXPECT_EQ(scan["jobs"], jobs.size());
    EXPECT_EQ(Metric(metrics, "stallscan_blocked_jobs"), counts.blocked);
    EXPECT_EQ(scan["blocked"], counts.blocked);
    EXPECT_EQ(Metric(metrics, "stallscan_scans_total"), 1);
    EXPECT_EQ(Metric(metrics, "stallscan_listing_runs_total"), served.Runs());
    for (const auto& [family, label] :
         {std::pair{"reason", "code"}, {"printer", "printer"}, {"server", "server"}}) {
        EXPECT_FALSE(counts.by.at(label).empty()) << family;
        for (const auto& [value, count] : counts.by.at(label)) {
            EXPECT_EQ(Metric(metrics, "stallscan_jobs_by_" + std::string(family) + "{" + label +
                                          "=\"" + serve::EscapeLabel(value) + "\"}"),
                      count)
                << family << " " << value;
        }
    }
    EXPECT_NE(metrics.find("stallscan_jobs_by_printer{printer=\"lp-\\\"quote\\\\back\"} 1\n"),
              std::string::npos)
        << metrics;

    EXPECT_NE(served.Get("/").find("<table id=\"jobs\">"), std::string::npos);
    EXPECT_NE(served.Get("/page.js").find("textContent"), std::string::npos);
    EXPECT_EQ(served.Get("/healthz"), "ok\n");
    httplib::Client client = served.Client();
    EXPECT_EQ(client.Get("/api/v2/jobs")->status, 404);
    EXPECT_GE(client.Get("/../etc/passwd")->status, 400);
    EXPECT_EQ(client.Post("/api/v1/jobs", "{}", "application/json")->status, 404);
    const auto large = client.Post("/api/v1/jobs", std::string(1 << 20, 'x'), "text/plain");
    EXPECT_TRUE(!large || large->status == 413) << large->status;
}

// A change in the print system shows in the next scan; a request during a slow scan is answered at
// once from the previous one.
TEST(Serve, TheNextScanShowsAChangeAndRequestsNeverWaitForAScan) {
    Served served({"--listen", "127.0.0.1:0", "--interval", "1", "-j", "1", "--no-cache"},
                  {{"KVLS_FAULT", "sleep:0.05"}});
    ASSERT_GT(served.Port(), 0) << served.Announced();
    const Json first = served.ScanAfter();
    ASSERT_GT(first["durationSeconds"].get<double>(), 2.0);  // ~60 listings of 50 ms each
    const auto reasons_of_demo7 = [&] {
        const Json report = Json::parse(served.Get("/api/v1/jobs"));
        for (const Json& job : report["jobs"]) {
            if (job["job"] == "demo:7") {
                return job["messages"].dump();
            }
        }
        return std::string();
    };
    EXPECT_NE(reasons_of_demo7().find("printer-paused"), std::string::npos);

    // The second scan runs now; requests meanwhile get the first at once.
    for (int i = 0; i < 20; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const Json scan = Json::parse(served.Get("/api/v1/scan"));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
        EXPECT_EQ(scan["jobs"], first["jobs"]);
        std::this_thread::sleep_for(50ms);
    }

    const fs::path printer = served.Model() / "printers" / "lp-paused.txt";
    std::string model = ReadFile(printer);
    model.replace(model.find("printer-state = paused"), 22, "printer-state = idle");
    const auto changed = std::chrono::system_clock::now();
    WriteFile(printer, model);
    served.ScanAfter(serve::IsoTime(changed + 1s), 120s);
    EXPECT_EQ(reasons_of_demo7().find("printer-paused"), std::string::npos);
}

// 1,000 requests from 50 clients at once: each gets 200 or 503 in a bounded time, and the tool
// runs only for the scan.
TEST(Serve, ManyClientsAtOnceNeverStartListingsOrHang) {
    Served served({"--listen", "127.0.0.1:0", "--interval", "3600"});
    ASSERT_GT(served.Port(), 0) << served.Announced();
    served.ScanAfter();
    const size_t runs = served.Runs();
    std::atomic<int> ok = 0, busy = 0, other = 0;
    std::atomic<int64_t> slowest_ms = 0;
    std::vector<std::thread> clients;
    for (int c = 0; c < 50; ++c) {
        clients.emplace_back([&, c] {
            const char* paths[] = {"/api/v1/jobs", "/metrics", "/", "/api/v1/scan", "/healthz"};
            for (int r = 0; r < 20; ++r) {
                const auto start = std::chrono::steady_clock::now();
                auto result = served.Client().Get(paths[(c + r) % 5]);
                const int64_t took = (std::chrono::steady_clock::now() - start) / 1ms;
                int64_t seen = slowest_ms.load();
                while (took > seen && !slowest_ms.compare_exchange_weak(seen, took)) {
                }
                (!result                 ? other
                 : result->status == 200 ? ok
                 : result->status == 503 ? busy
                                         : other)++;
            }
        });
    }
    for (std::thread& client : clients) {
        client.join();
    }
    EXPECT_EQ(ok + busy, 1000) << other << " failed";
    EXPECT_GT(ok, 0);
    EXPECT_LT(slowest_ms, 30000);
    EXPECT_EQ(served.Runs(), runs);
    EXPECT_EQ(Metric(served.Get("/metrics"), "stallscan_scans_total"), 1);
}

// Without --listen it listens on 127.0.0.1 at the default port; with --token-file everything but
// the health check needs the secret, as a bearer token or a Basic password.
TEST(Serve, LoopbackByDefaultAndTheSecretGuardsTheData) {
    {
        Served served({"--interval", "3600"}, {}, "serve-default");
        if (served.Port() == 0 && served.Announced().find("cannot listen") != std::string::npos) {
            GTEST_SKIP() << "the default port is taken: " << served.Announced();
        }
        ASSERT_EQ(served.Port(), serve::kDefaultPort) << served.Announced();
        char hex_port[8];
        std::snprintf(hex_port, sizeof hex_port, ":%04X ", serve::kDefaultPort);
        bool listening = false;
        for (const std::string& line : ReadLines("/proc/net/tcp")) {
            // local_address rem_address st: 0A is LISTEN.
            if (line.find(hex_port) != std::string::npos &&
                line.find(" 0A ") != std::string::npos) {
                EXPECT_NE(line.find(" 0100007F" + std::string(hex_port)), std::string::npos)
                    << line;
                listening = true;
            }
        }
        EXPECT_TRUE(listening);
        // A second one on the same port fails instead of sharing it.
        const auto second = test_os::RunProgram(STALLSCAN_PATH, {"--serve", "demo:"},
                                                {{"OV_ROOT", served.Root().string()}}, 30000);
        EXPECT_EQ(second.exit_code, 2) << second.err;
        EXPECT_NE(second.err.find("cannot listen on 127.0.0.1 port 9631"), std::string::npos);
        for (const std::string& line : ReadLines("/proc/net/tcp6")) {
            EXPECT_EQ(line.find(std::string(hex_port) + "00000000000000000000000000000000:0000 0A"),
                      std::string::npos)
                << line;
        }
    }
    const fs::path secret = FreshDir("serve-secret") / "token";
    WriteFile(secret, "s3cret token\n");
    Served served({"--listen", "[::1]:0", "--interval", "3600", "--token-file", secret.string()},
                  {}, "serve-token");
    fs::remove_all(secret.parent_path());
    if (served.Port() == 0 && served.Announced().find("cannot listen") != std::string::npos) {
        GTEST_SKIP() << "no IPv6 loopback here: " << served.Announced();
    }
    ASSERT_GT(served.Port(), 0) << served.Announced();
    httplib::Client client("::1", served.Port());
    for (const char* path : {"/", "/api/v1/jobs", "/api/v1/scan", "/metrics"}) {
        const auto refused = client.Get(path);
        ASSERT_TRUE(refused) << path;
        EXPECT_EQ(refused->status, 401) << path;
        EXPECT_NE(refused->get_header_value("WWW-Authenticate").find("Basic"), std::string::npos);
    }
    EXPECT_EQ(client.Get("/api/v1/jobs", {{"Authorization", "Bearer wrong"}})->status, 401);
    EXPECT_NE(client.Get("/healthz")->status, 401);
    const auto started = std::chrono::steady_clock::now();
    int status = 0;
    while (status != 200 && std::chrono::steady_clock::now() - started < 60s) {
        status = client.Get("/api/v1/jobs", {{"Authorization", "Bearer s3cret token"}})->status;
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(status, 200);
    client.set_basic_auth("anyone", "s3cret token");
    EXPECT_EQ(client.Get("/")->status, 200);
}

// Before the first scan the API answers 503 with Retry-After and the page loads; SIGTERM then ends
// the mode at once with status 0, and no listing tool is left.
TEST(Serve, SigtermEndsItCleanlyAlsoInTheFirstScan) {
    Served served({"--listen", "127.0.0.1:0"}, {{"KVLS_FAULT", "hang"}});
    ASSERT_GT(served.Port(), 0) << served.Announced();
    for (int i = 0; i < 500 && test_os::ProcessesOf(served.Tool()) < 1; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_GE(test_os::ProcessesOf(served.Tool()), 1);
    const auto waiting = served.Client().Get("/api/v1/jobs");
    ASSERT_TRUE(waiting);
    EXPECT_EQ(waiting->status, 503);
    EXPECT_FALSE(waiting->get_header_value("Retry-After").empty());
    EXPECT_EQ(served.Client().Get("/")->status, 200);
    EXPECT_EQ(served.Client().Get("/healthz")->status, 503);
    const auto start = std::chrono::steady_clock::now();
    ::kill(served.Process().Pid(), SIGTERM);
    EXPECT_EQ(served.Process().Wait(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(test_os::ProcessesOf(served.Tool()), 0);
}

// With one request thread held by a connection that sends nothing, and room for one waiting
// connection, the connections beyond it are answered 503 as soon as a thread is free; none hangs.
TEST(Serve, OverTheBoundConnectionsGet503) {
    fake::FakeSource source;  // lists nothing: every scan fails, the page is served anyway
    serve::ServeSettings settings;
    settings.specs = {"demo:"};
    settings.port = 0;
    settings.request_threads = 1;
    settings.most_waiting = 1;
    settings.read_timeout = 1s;
    std::promise<int> port;
    settings.listening = [&port](int p) { port.set_value(p); };
    std::stop_source stop;
    std::ostringstream err;
    std::thread serving([&] { serve::Serve(settings, source, stop.get_token(), err); });
    const int listening = port.get_future().get();

    const int idle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(listening));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(idle, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::this_thread::sleep_for(200ms);  // the idle connection holds the only thread
    std::vector<std::future<int>> statuses;
    for (int i = 0; i < 4; ++i) {
        statuses.push_back(std::async(std::launch::async, [listening] {
            httplib::Client client("127.0.0.1", listening);
            const auto result = client.Get("/");
            return result ? result->status : -1;
        }));
        std::this_thread::sleep_for(100ms);
    }
    std::multiset<int> seen;
    for (auto& status : statuses) {
        ASSERT_EQ(status.wait_for(30s), std::future_status::ready);
        seen.insert(status.get());
    }
    EXPECT_EQ(seen.count(200), 1);
    EXPECT_EQ(seen.count(503), 3);
    ::close(idle);
    stop.request_stop();
    serving.join();
}

TEST(Serve, ListenAddresses) {
    std::string error;
    EXPECT_EQ(serve::ParseListen("127.0.0.1:9631", error),
              (std::pair<std::string, int>{"127.0.0.1", 9631}));
    EXPECT_EQ(serve::ParseListen("[::1]:0", error), (std::pair<std::string, int>{"::1", 0}));
    for (const char* bad : {"127.0.0.1", ":80", "::1:80", "[::1]80", "h:65536", "h:-1", "h:8x"}) {
        EXPECT_FALSE(serve::ParseListen(bad, error)) << bad;
        EXPECT_NE(error.find("--listen"), std::string::npos);
    }
}

}  // namespace
