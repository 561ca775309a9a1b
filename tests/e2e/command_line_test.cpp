// The command line as scripts, cron and monitoring meet it: time-outs, signals, streaming and
// progress on a terminal, the JSON report against its schema, --check, and the filters. The built
// stallscan runs over the demo print system through real runs of the stand-in tool.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <nlohmann/json.hpp>
#include <thread>

#include "e2e/e2e_support.h"
#include "support/started_program.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>
#endif

namespace {

using namespace std::chrono_literals;
using namespace e2e;
using Json = nlohmann::json;

class CommandLine : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { demo_.Create(FreshDir("cli"), kDemoData); }
    static void TearDownTestSuite() { demo_.Remove(); }

    static fs::path Tool() {
        return demo_.Base() / "normal-root" / "bin" / test_os::ProgramFileName("kvls");
    }
    // The environment of a run over the demo, with the tool's runs logged.
    static std::map<std::string, std::string> Env(std::map<std::string, std::string> more = {}) {
        more["OV_ROOT"] = (demo_.Base() / "normal-root").string();
        more["KVLS_LOG"] = (demo_.Base() / "runs.log").string();
        return more;
    }
    static Json ParseJson(const std::string& text) { return Json::parse(text); }

    // Validates JSON text with the real validator; false with its message otherwise.
    static testing::AssertionResult Valid(const std::string& text, bool lines) {
        const fs::path file = demo_.Base() / "report.json";
        WriteFile(file, text);
        std::vector<std::string> args = {SOURCE_DIR "/tests/support/validate_report.py",
                                         SOURCE_DIR "/docs/report.schema.json", file.string()};
        if (lines) {
            args.push_back("--lines");
        }
        const auto run = test_os::RunProgram("/usr/bin/python3", args);
        if (run.exit_code == 0) {
            return testing::AssertionSuccess();
        }
        return testing::AssertionFailure() << "status " << run.exit_code << ": " << run.err;
    }

    static inline Installation demo_;
};

// A hanging listing ends that job with the server's time-out and the next job is diagnosed.
TEST_F(CommandLine, ATimeOutEndsThatJobAndTheRunGoesOn) {
    const auto start = std::chrono::steady_clock::now();
    const auto run = demo_.Normal({"--crlf", "--timeout", "1", "demo:9", "demo:1"},
                                  {{"KVLS_FAULT", "hang"}, {"KVLS_FAULT_MATCH", "q-office"}});
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
    EXPECT_EQ(run.exit_code, 5);
    const std::string reason = "The job is not printing for the following reason(s):\r\n"
                               "- Server \"demo\" is not responding.\r\n\r\n";
    const size_t cut = run.out.find(reason);
    ASSERT_NE(cut, std::string::npos) << run.out;
    EXPECT_EQ(run.out.substr(cut + reason.size()), ExpectedReport("demo:1"));
    EXPECT_EQ(test_os::ProcessesOf(Tool()) > 0, false);

    const Json json = ParseJson(
        demo_.Normal({"--json", "--timeout", "0.5", "demo:9"},
                     {{"KVLS_FAULT", "hang"}, {"KVLS_FAULT_MATCH", "q-office"}})
            .out);
    EXPECT_EQ(json["jobs"][0]["outcome"], "timed-out");
    EXPECT_EQ(json["jobs"][0]["messages"][0]["code"], "server-not-responding");
}

#ifndef _WIN32
// SIGTERM while a tool hangs, also one that started a process of its own: stallscan ends at once
// with 143, nothing half-written, and no tool process is left.
TEST_F(CommandLine, SigtermEndsTheRunPromptlyAndNoToolOutlivesIt) {
    for (const char* fault : {"hang", "hang-child"}) {
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        test_os::Started run({"--crlf", "demo:10", "demo:9"},
                    Env({{"KVLS_FAULT", fault}, {"KVLS_FAULT_MATCH", "-cp"}}), null);
        ::close(null);
        for (int i = 0; i < 500 && test_os::ProcessesOf(Tool()) < 1; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        std::this_thread::sleep_for(100ms);
        ASSERT_GE(test_os::ProcessesOf(Tool()), 1) << fault;
        const auto start = std::chrono::steady_clock::now();
        ::kill(run.Pid(), SIGTERM);
        const std::string out = test_os::Started::ReadFor(run.Out(), 20s);
        EXPECT_EQ(run.Wait(), 143) << fault;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << fault;
        EXPECT_EQ(out, "") << fault;  // demo:10 was cut short: nothing of it is written
        EXPECT_EQ(test_os::ProcessesOf(Tool()), 0) << fault;
    }
}

// On a terminal the first report of a slow run comes before the run ends, with a progress line;
// with a pipe there is no progress text.
TEST_F(CommandLine, ReportsStreamAndAProgressLineShowsOnATerminalOnly) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(terminal, 0);
    {
        test_os::Started run({"-j", "1", "--no-cache", "demo:10", "demo:9", "demo:12"},
                    Env({{"KVLS_FAULT", "sleep:0.3"}}), terminal);
        const std::string first = test_os::Started::ReadFor(run.Out(), 20s, "No problems were found.\n");
        EXPECT_NE(first.find("Job identifier: demo:10\n"), std::string::npos) << first;
        EXPECT_TRUE(run.Running());
        const std::string progress = test_os::Started::ReadFor(master, 2s, "] demo:10");
        EXPECT_NE(progress.find("] demo:10"), std::string::npos) << progress;
        EXPECT_EQ(run.Wait(), 0);
        const std::string rest = test_os::Started::ReadFor(master, 2s, "not diagnosed");
        EXPECT_NE(rest.find("stallscan: 3 jobs: 3 diagnosed (1 with problems, 2 without), 0 not "
                            "diagnosed"),
                  std::string::npos)
            << rest;
    }
    ::close(terminal);
    ::close(master);

    const auto piped = demo_.Normal({"demo:10", "demo:9"});
    EXPECT_EQ(piped.err, "");
    EXPECT_EQ(piped.out.find('\r'), std::string::npos);  // LF line ends on POSIX
}
#endif

TEST_F(CommandLine, JsonReportsValidateAgainstTheSchemaAndCarrySeverities) {
    const std::vector<std::string> all = {"demo:", "nightly:", "demo:1", "demo:2", "demo:3",
                                          "demo:4", "demo:14", "demo:999", "nosuch:1"};
    std::vector<std::string> args = {"--json"};
    args.insert(args.end(), all.begin(), all.end());
    const auto document = demo_.Normal(args);
    EXPECT_EQ(document.exit_code, 5);
    EXPECT_TRUE(Valid(document.out, false));
    args[0] = "--json-lines";
    const auto lines = demo_.Normal(args);
    EXPECT_TRUE(Valid(lines.out, true));

    std::map<std::string, Json> jobs;
    const Json parsed = ParseJson(document.out);
    for (const Json& job : parsed["jobs"]) {
        jobs[job["job"]] = job;
    }
    EXPECT_EQ(jobs.size(), 18u);
    EXPECT_TRUE(jobs["demo:10"]["messages"].empty());  // "No problems were found."
    for (const Json& message : jobs["demo:9"]["messages"]) {
        EXPECT_EQ(message["code"], "not-supported");
        EXPECT_EQ(message["severity"], "problem");
    }
    EXPECT_EQ(jobs["demo:9"]["owner"], "ivo");
    EXPECT_EQ(jobs["demo:8"]["printers"].size(), 4u);
    EXPECT_EQ(jobs["demo:1"]["messages"].back()["severity"], "warning");
    EXPECT_EQ(jobs["demo:1"]["messages"].back()["code"], "zero-size");
    EXPECT_EQ(jobs["demo:999"]["outcome"], "not-found");
    EXPECT_EQ(jobs["nosuch:1"]["outcome"], "unreachable");

    // A wrong document fails.
    Json wrong = ParseJson(document.out);
    wrong["jobs"][0]["colour"] = "blue";
    EXPECT_FALSE(Valid(wrong.dump(), false));
}

TEST_F(CommandLine, CheckCountsWhatTheJsonSaysAndFollowsTheThresholds) {
    int jobs = 0, blocked = 0, not_diagnosed = 0;
    const Json report = ParseJson(demo_.Normal({"--json", "demo:"}).out);
    for (const Json& job : report["jobs"]) {
        ++jobs;
        if (job["outcome"] != "diagnosed") {
            ++not_diagnosed;
            continue;
        }
        for (const Json& message : job["messages"]) {
            if (message["severity"] == "problem") {
                ++blocked;
                break;
            }
        }
    }
    const std::string data = " | jobs=" + std::to_string(jobs) +
                             " blocked=" + std::to_string(blocked);
    const struct {
        std::vector<std::string> args;
        int status;
        std::string begins;
    } cases[] = {
        {{"--check", "demo:"}, 1, "STALLSCAN WARNING - "},
        {{"--check", "--warning", "100", "demo:"}, 0, "STALLSCAN OK - "},
        {{"--check", "--critical", "2", "demo:"}, 2, "STALLSCAN CRITICAL - "},
        {{"--check", "demo:10", "demo:1"}, 0, "STALLSCAN OK - 2 jobs, none blocked | jobs=2"},
        {{"--check", "nosuch:1"}, 3, "STALLSCAN UNKNOWN - "},
        {{"--check", "--timeout", "x"}, 3, "STALLSCAN UNKNOWN - usage"},
    };
    for (const auto& c : cases) {
        const auto run = demo_.Normal(c.args);
        EXPECT_EQ(run.exit_code, c.status) << c.args[1];
        EXPECT_EQ(run.out.rfind(c.begins, 0), 0u) << run.out;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    }
    EXPECT_NE(demo_.Normal({"--check", "demo:"}).out.find(data + ";0 not_diagnosed=" +
                                                          std::to_string(not_diagnosed) + "\n"),
              std::string::npos);
}

TEST_F(CommandLine, FiltersKeepTheJobsThatConcernThem) {
    const auto ids = [](const std::string& text) {
        std::vector<std::string> found;
        const Json report = Json::parse(text);
        for (const Json& job : report["jobs"]) {
            found.push_back(job["id"]);
        }
        return found;
    };
    using Ids = std::vector<std::string>;
    EXPECT_EQ(ids(demo_.Normal({"--json", "--problems-only", "demo:10", "demo:9", "demo:1"}).out),
              (Ids{"9", "1"}));  // a warning is something wrong
    EXPECT_EQ(ids(demo_.Normal({"--json", "--printer", "lp-office", "demo:"}).out),
              (Ids{"5", "6", "9", "10", "12", "13"}));
    EXPECT_EQ(ids(demo_.Normal({"--json", "--queue", "q-setup", "demo:"}).out), (Ids{"8"}));
    EXPECT_EQ(ids(demo_.Normal({"--json", "--owner", "ivo", "demo:", "demo:999"}).out),
              (Ids{"9", "999"}));  // a job that could not be diagnosed is never left out
}

}  // namespace
