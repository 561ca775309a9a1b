// The command line as scripts, cron and monitoring meet it: signals, streaming and progress on a
// terminal, the JSON report exactly and against its schema, --check, and the filters. The built
// stallscan runs over the demo print system through real runs of the stand-in tool. (Time-outs:
// fast_scan_test.)

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <nlohmann/json.hpp>

#include "e2e/e2e_support.h"

#ifndef _WIN32
#include "support/started_program.h"

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
        return run.exit_code == 0 ? testing::AssertionSuccess()
                                  : testing::AssertionFailure() << run.exit_code << ": " << run.err;
    }

    static inline Installation demo_;
};

#ifndef _WIN32
// SIGTERM while a tool hangs, also one that started a process of its own: stallscan ends at once
// with 143, nothing half-written (JSON: a whole document of the jobs written), and no tool
// process is left.
TEST_F(CommandLine, SigtermEndsTheRunPromptlyAndNoToolOutlivesIt) {
    struct Case {
        std::string program;
        std::vector<std::string> args;
        std::string fault, match, out;
    };
    std::vector<Case> cases = {
        {STALLSCAN_PATH, {"--crlf", "demo:10", "demo:9"}, "hang", "-cp", ""},
        {STALLSCAN_PATH, {"--crlf", "demo:10", "demo:9"}, "hang-child", "-cp", ""},
        {STALLSCAN_PATH, {"--json", "demo:10"}, "hang", "-cp", "{\"schema\":1,\"jobs\":[]}\n"}};
#ifdef STALLSCAN_GUI_PATH
    // The windows, while the main window looks up the default printer's server.
    cases.push_back({STALLSCAN_GUI_PATH, {}, "hang", "lp-office", ""});
#endif
    const fs::path log = demo_.Base() / "sigterm-runs.log";
    for (const Case& c : cases) {
        // The windows' display, default printer and settings (the command line, given servers,
        // uses none of them); the tool's runs logged, each before it misbehaves.
        auto env = Fault(c.fault, c.match);
        env.insert({{"KVLS_LOG", log.string()},
                    {"QT_QPA_PLATFORM", "offscreen"},
                    {"KVPRINTER", "lp-office"},
                    {"XDG_CONFIG_HOME", (demo_.Base() / "gui-settings").string()}});
        fs::remove(log);
        const std::string what = c.program + " " + c.fault;
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        test_os::Started run(c.args, demo_.Env(env), null, c.program);
        ::close(null);
        // The listing that hangs has started (and with hang-child, its own process too).
        const auto hanging = [&] {
            const auto runs = ReadLines(log);
            return std::any_of(runs.begin(), runs.end(),
                               [&](const std::string& r) { return r.find(c.match) != r.npos; }) &&
                   (c.fault != "hang-child" || test_os::StartedItself(demo_.Tool()));
        };
        ASSERT_TRUE(test_os::WaitUntil(hanging, test_os::Scaled(30s))) << what;
        ::kill(run.Pid(), SIGTERM);
        const std::string out = test_os::Started::ReadFor(run.Out(), test_os::Scaled(20s));
        EXPECT_EQ(run.WaitAtMost(10s), 143) << what;
        EXPECT_EQ(out, c.out) << what;  // demo:10 was cut short: nothing of it is written
        // Killed, the tool's own process may take a moment to go.
        EXPECT_TRUE(test_os::WaitUntil([&] { return test_os::ProcessesOf(demo_.Tool()) == 0; },
                                       test_os::Scaled(10s)))
            << what;
    }
}

// On a terminal the first report of a slow run comes before the run ends, with a progress line
// and a summary. (With a pipe there is no progress text: the demo reports check that standard
// error stays empty.)
TEST_F(CommandLine, ReportsStreamAndAProgressLineShowsOnATerminal) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(terminal, 0);
    test_os::Started run({"-j", "1", "--no-cache", "demo:10", "demo:9", "demo:12"},
                         demo_.Env(Fault("sleep:0.3")), terminal);
    ::close(terminal);  // the run has it as its standard error
    const std::string first =
        test_os::Started::ReadFor(run.Out(), test_os::Scaled(20s), "No problems were found.\n");
    EXPECT_NE(first.find("Job identifier: demo:10\n"), std::string::npos) << first;
    // The other two jobs take at least 4 s of the tool's sleeps: the run is still going.
    EXPECT_TRUE(run.Running());
    const std::string progress =
        test_os::Started::ReadFor(master, test_os::Scaled(20s), "] demo:10");
    EXPECT_NE(progress.find("] demo:10"), std::string::npos) << progress;
    EXPECT_EQ(run.Wait(), 0);
    const std::string rest =
        test_os::Started::ReadFor(master, test_os::Scaled(20s), "not diagnosed");
    EXPECT_NE(rest.find("stallscan: 3 jobs: 3 diagnosed (1 with problems, 2 without), 0 not "
                        "diagnosed"),
              std::string::npos)
        << rest;
    ::close(master);

    // Into a pipe, with no terminal (and no progress line, whose writes flush the reports too),
    // each report still leaves as soon as it is done.
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    test_os::Started piped({"-j", "1", "--no-cache", "demo:10", "demo:9", "demo:12"},
                           demo_.Env(Fault("sleep:0.3")), null);
    ::close(null);
    const std::string streamed =
        test_os::Started::ReadFor(piped.Out(), test_os::Scaled(20s), "No problems were found.\n");
    EXPECT_NE(streamed.find("Job identifier: demo:10\n"), std::string::npos) << streamed;
    EXPECT_EQ(streamed.find("demo:12"), std::string::npos) << streamed;  // seconds later
    EXPECT_EQ(piped.Wait(), 0);
}
#endif

// The JSON document and JSON lines of the demo's jobs, of a job not found and of one whose server
// is unreachable are exactly as expected, and valid against the schema, which a wrong document
// fails.
TEST_F(CommandLine, JsonReportsAreExactlyAsExpectedAndValidateAgainstTheSchema) {
    const fs::path expected = SOURCE_DIR "/tests/e2e/expected";
    for (const bool lines : {false, true}) {
        const auto run =
            demo_.Normal({lines ? "--json-lines" : "--json", "demo:", "nightly:", "demo:1",
                          "demo:2", "demo:3", "demo:4", "demo:14", "demo:999", "nosuch:1"});
        EXPECT_EQ(run.exit_code, 5);
        EXPECT_EQ(run.out,
                  ReadFile(expected / (lines ? "json-lines-report.txt" : "json-report.txt")));
#ifndef _WIN32  // the validator is the build machine's Python, which takes no Windows paths
        EXPECT_TRUE(Valid(run.out, lines));
#endif
    }
#ifndef _WIN32
    Json wrong = Json::parse(ReadFile(expected / "json-report.txt"));
    wrong["jobs"][0]["colour"] = "blue";
    EXPECT_FALSE(Valid(wrong.dump(), false));
#endif
}

// --check writes one line: the status that the thresholds choose, the counts of jobs, blocked and
// not diagnosed, the most frequent reasons and the performance data.
TEST_F(CommandLine, CheckWritesOneLineAndFollowsTheThresholds) {
    const std::string demo =
        " - 10 jobs, 8 blocked: job-held 2, document-empty 1, job-paused 1 | "
        "jobs=10 blocked=8;";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string line;
    } cases[] = {
        {{"demo:"}, 1, "STALLSCAN WARNING" + demo + "0 not_diagnosed=0"},
        // The thresholds are exceeded above N, not at N.
        {{"--warning", "8", "demo:"}, 0, "STALLSCAN OK" + demo + "8 not_diagnosed=0"},
        {{"--critical", "7", "demo:"}, 2, "STALLSCAN CRITICAL" + demo + "0;7 not_diagnosed=0"},
        {{"--critical", "8", "demo:"}, 1, "STALLSCAN WARNING" + demo + "0;8 not_diagnosed=0"},
        {{"demo:10", "demo:1"},
         0,
         "STALLSCAN OK - 2 jobs, none blocked | jobs=2 blocked=0;0 "
         "not_diagnosed=0"},
        {{"nosuch:1"},
         3,
         "STALLSCAN UNKNOWN - a job's server could not be read; 1 job, none "
         "blocked, 1 not diagnosed | jobs=1 blocked=0;0 not_diagnosed=1"},
        {{"--timeout", "1", "sup-ref:1"},  // its server hangs (see below)
         3,
         "STALLSCAN UNKNOWN - a job's server could not be read; 1 job, none "
         "blocked, 1 not diagnosed | jobs=1 blocked=0;0 not_diagnosed=1"},
        {{"--timeout", "x"},
         3,
         "STALLSCAN UNKNOWN - usage: stallscan: --timeout takes seconds "
         "from 0 (no limit) to 86400, not \"x\""},
    };
    for (auto c : cases) {
        c.args.insert(c.args.begin(), "--check");
        const auto run = demo_.Normal(c.args, Fault("hang", "-cs -r all -sl -F sup-ref"), 60000);
        EXPECT_EQ(run.exit_code, c.status) << c.line;
        EXPECT_EQ(run.out, c.line + "\n");
    }
}

TEST_F(CommandLine, FiltersKeepTheJobsThatConcernThem) {
    using Ids = std::vector<std::string>;
    const auto ids = [](const std::vector<std::string>& args) {
        Ids found;
        const Json report = Json::parse(demo_.Normal(args).out);
        for (const Json& job : report["jobs"]) {
            found.push_back(job["id"]);
        }
        return found;
    };
    EXPECT_EQ(ids({"--json", "--problems-only", "demo:10", "demo:9", "demo:1"}),
              (Ids{"9", "1"}));  // a warning is something wrong
    EXPECT_EQ(ids({"--json", "--printer", "lp-office", "demo:"}),
              (Ids{"5", "6", "9", "10", "12", "13"}));
    // A job that requests printers may print on those only, not on its queue's.
    EXPECT_EQ(ids({"--json", "--printer", "lp-retired", "demo:"}), (Ids{"13"}));
    EXPECT_EQ(ids({"--json", "--queue", "q-setup", "demo:"}), (Ids{"8"}));
    EXPECT_EQ(ids({"--json", "--owner", "ivo", "demo:", "demo:999"}),
              (Ids{"9", "999"}));  // a job that could not be diagnosed is never left out
}

}  // namespace
