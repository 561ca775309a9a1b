// The command line as scripts, cron and monitoring meet it: signals, streaming and progress on a
// terminal, the JSON report exactly and against its schema, --check, and the filters. The built
// stallscan runs over the demo print system through real runs of the stand-in tool. (Time-outs:
// fast_scan_test.)

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
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

    // Validates JSON text with the real validator against the variant of the schema that names
    // every field (or the published one, open to added fields); false with its message otherwise.
    static testing::AssertionResult Valid(const std::string& text, bool lines,
                                          bool published = false) {
        const fs::path file = demo_.Base() / "report.json";
        WriteFile(file, text);
        std::vector<std::string> args = {SOURCE_DIR "/tests/support/validate_report.py",
                                         published ? SOURCE_DIR "/docs/report.schema.json"
                                                   : SOURCE_DIR
                                             "/tests/support/report.strict.schema.json",
                                         file.string()};
        if (lines) {
            args.push_back("--lines");
        }
        const auto run = test_os::RunProgram("/usr/bin/python3", args);
        return run.exit_code == 0 ? testing::AssertionSuccess()
                                  : testing::AssertionFailure() << run.exit_code << ": " << run.err;
    }

    static inline Installation demo_;

    // True once no process of the demo's tool runs (a tool may take a moment to go once
    // killed). Windows test builds cannot list processes by program: there the job object that
    // ends the tools is trusted.
    static bool NoToolLeft() {
#ifdef _WIN32
        return true;
#else
        return test_os::WaitUntil([] { return test_os::ProcessesOf(demo_.Tool()) == 0; },
                                  test_os::Scaled(std::chrono::seconds(10)));
#endif
    }
};

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

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
        {STALLSCAN_PATH,
         {"--json", "demo:10"},
         "hang",
         "-cp",
         "{\"schema\":1,\"scanTime\":\"T\",\"version\":\"V\",\"jobs\":[],\"complete\":false,"
         "\"servers\":[]}\n"}};
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
        // demo:10 was cut short: nothing of it is written, and the document says so.
        EXPECT_EQ(WithoutRunValues(out), c.out) << what;
        EXPECT_TRUE(NoToolLeft()) << what;
    }
}

// SIGKILL of stallscan, or of its whole process group (what a monitoring system does to a check
// that takes too long), while a listing hangs that has started a process of its own: neither
// the tool nor its process outlives stallscan.
TEST_F(CommandLine, SigkillOfStallscanOrItsGroupLeavesNoTool) {
    const fs::path log = demo_.Base() / "sigkill-runs.log";
    for (const bool group : {false, true}) {
        fs::remove(log);
        auto env = Fault("hang-child", "-cp");
        env["KVLS_LOG"] = log.string();
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        test_os::Started run({"--check", "demo:10"}, demo_.Env(env), null, STALLSCAN_PATH, "",
                             true);
        ::close(null);
        ASSERT_TRUE(test_os::WaitUntil(
            [&] { return !ReadLines(log).empty() && test_os::StartedItself(demo_.Tool()); },
            test_os::Scaled(30s)))
            << group;
        ::kill(group ? -run.Pid() : run.Pid(), SIGKILL);
        EXPECT_EQ(run.WaitAtMost(10s), 128 + SIGKILL);
        EXPECT_TRUE(NoToolLeft()) << (group ? "group" : "stallscan") << ": a tool was left";
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
// is unreachable are exactly as expected, with the run around them (when, which version, whether
// complete, each server's outcome), and valid against the schema that names every field, which a
// field more fails; the published schema takes it.
TEST_F(CommandLine, JsonReportsAreExactlyAsExpectedAndValidateAgainstTheSchema) {
    const fs::path expected = SOURCE_DIR "/tests/e2e/expected";
    for (const bool lines : {false, true}) {
        const std::string before = UtcNow();
        const auto run = demo_.Normal({lines ? "--json-lines" : "--json", "demo:", "nightly:",
                                       "demo:1", "demo:2", "demo:3", "demo:4", "demo:14",
                                       "demo:999", "nosuch:1", "gone:"});
        EXPECT_EQ(run.exit_code, 5);
        EXPECT_EQ(lines ? run.out : WithoutRunValues(run.out),
                  ReadFile(expected / (lines ? "json-lines-report.txt" : "json-report.txt")));
#ifndef _WIN32  // the validator is the build machine's Python, which takes no Windows paths
        EXPECT_TRUE(Valid(run.out, lines));
        if (!lines) {
            const Json document = Json::parse(run.out);
            EXPECT_GE(document["scanTime"].get<std::string>(), before);
            EXPECT_LE(document["scanTime"].get<std::string>(), UtcNow());
            EXPECT_EQ(document["version"], STALLSCAN_VERSION);
        }
#endif
    }
#ifndef _WIN32
    Json wrong = Json::parse(ReadFile(expected / "json-report.txt"));
    wrong["scanTime"] = "2026-12-07T08:00:00Z";
    EXPECT_TRUE(Valid(wrong.dump(), false));
    wrong["jobs"][0]["colour"] = "blue";
    wrong["servers"][0]["address"] = "10.0.0.1";
    EXPECT_FALSE(Valid(wrong.dump(), false));
    EXPECT_TRUE(Valid(wrong.dump(), false, true));
#endif
}

// --check writes one line: the status that the thresholds choose, the counts of jobs, blocked and
// not diagnosed, the most frequent reasons and the performance data.
TEST_F(CommandLine, CheckWritesOneLineAndFollowsTheThresholds) {
    const std::string deadline = std::to_string(test_os::Scaled(2));
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
        // Ranges in the monitoring-plugin syntax, carried into the performance data as given.
        {{"-w", "10:", "demo:"}, 1, "STALLSCAN WARNING" + demo + "10: not_diagnosed=0"},
        {{"-w", "5:9", "demo:"}, 0, "STALLSCAN OK" + demo + "5:9 not_diagnosed=0"},
        {{"-w", "~:7", "demo:"}, 1, "STALLSCAN WARNING" + demo + "~:7 not_diagnosed=0"},
        {{"-w", "~:9", "-c", "@8:9", "demo:"},
         2,
         "STALLSCAN CRITICAL" + demo + "~:9;@8:9 not_diagnosed=0"},
        {{"-w", "~:9", "-c", "@9:12", "demo:"},
         0,
         "STALLSCAN OK" + demo + "~:9;@9:12 not_diagnosed=0"},
        {{"demo:10", "demo:1"},
         0,
         "STALLSCAN OK - 2 jobs, none blocked | jobs=2 blocked=0;0 "
         "not_diagnosed=0"},
        // A server that cannot be found, reached or read is the service down: CRITICAL, named.
        {{"nosuch:1"},
         2,
         "STALLSCAN CRITICAL - Unable to access server \"nosuch\"; 1 job, none "
         "blocked, 1 not diagnosed | jobs=1 blocked=0;0 not_diagnosed=1"},
        {{"nosuch:", "demo:10"},
         2,
         "STALLSCAN CRITICAL - Server \"nosuch\" was not found; 1 job, none blocked | jobs=1 "
         "blocked=0;0 not_diagnosed=0"},
        {{"--timeout", "1", "sup-ref:1"},  // its server hangs (see below)
         2,
         "STALLSCAN CRITICAL - Server \"sup-ref\" is not responding; 1 job, none "
         "blocked, 1 not diagnosed | jobs=1 blocked=0;0 not_diagnosed=1"},
        // A job named that the server does not know is worth a look.
        {{"demo:10", "demo:999"},
         1,
         "STALLSCAN WARNING - 2 jobs, none blocked, 1 not diagnosed (1 not found) | jobs=2 "
         "blocked=0;0 not_diagnosed=1"},
        {{"--timeout", "x"},
         3,
         "STALLSCAN UNKNOWN - usage: stallscan: --timeout takes seconds "
         "from 0 (no limit) to 86400, not \"x\"; see stallscan --help"},
        {{"-c", "9:1", "demo:"},
         3,
         "STALLSCAN UNKNOWN - usage: stallscan: -c takes a range of blocked jobs (N, N:, ~:N, "
         "N:M or @N:M), not \"9:1\"; see stallscan --help"},
        // The deadline ends a run whose listing hangs, however long --timeout is.
        {{"-t", deadline, "sup-ref:1"},
         3,
         "STALLSCAN UNKNOWN - the deadline of " + deadline +
             " s (-t) ended the run after 0 of 1 job; give it more time with -t, or look at the "
             "print server's load | jobs=0 blocked=0 not_diagnosed=1"},
    };
    for (auto c : cases) {
        c.args.insert(c.args.begin(), "--check");
        const auto run = demo_.Normal(c.args, Fault("hang", "-cs -r all -sl -F sup-ref"), 90000);
        EXPECT_EQ(run.exit_code, c.status) << c.line;
        EXPECT_EQ(run.out, c.line + "\n");
        EXPECT_EQ(run.err, "") << c.line;  // the line is the whole output
        EXPECT_TRUE(NoToolLeft()) << c.line;
    }
}

// The deadline of a run that is no check: the reports written before it stay, the jobs not
// reached are not diagnosed (status 5), and the JSON document says it is not complete.
TEST_F(CommandLine, TheDeadlineEndsARunAndKeepsWhatWasWritten) {
    const std::string deadline = std::to_string(test_os::Scaled(4));
    auto run = demo_.Normal({"-j", "1", "--crlf", "-t", deadline, "demo:10", "demo:9"},
                            Fault("hang", "-sl -F demo:9"), 90000);
    EXPECT_EQ(run.exit_code, 5);
    EXPECT_EQ(run.out, ExpectedReport("demo:10"));
    EXPECT_EQ(run.err, "stallscan: the deadline of " + deadline +
                           " s (-t) ended the run after 1 of 2 jobs; the others were not "
                           "diagnosed\n");
    run = demo_.Normal({"--json", "-t", deadline, "demo:9"}, Fault("hang", "-sl -F demo:9"), 90000);
    EXPECT_EQ(run.exit_code, 5);
    EXPECT_FALSE(Json::parse(run.out)["complete"].get<bool>()) << run.out;
    EXPECT_TRUE(NoToolLeft());
}

#ifndef _WIN32
// A write that fails for another reason than a reader gone (a full disk) ends the run with one
// line on standard error and a status that is no success; the help and the version too.
TEST_F(CommandLine, AFullDiskIsAFailureThatIsSaid) {
    const struct {
        std::vector<std::string> args;
        int status;
    } cases[] = {{{"-h"}, 6}, {{"-V"}, 6}, {{"demo:10"}, 6}, {{"--check", "demo:10"}, 3}};
    for (const auto& c : cases) {
        const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
        ASSERT_GE(full, 0);
        test_os::Started run(c.args, demo_.Env({}), -1, STALLSCAN_PATH, "", false, full);
        ::close(full);
        EXPECT_EQ(run.WaitAtMost(60s), c.status) << c.args[0];
        EXPECT_EQ(test_os::Started::ReadFor(run.Out(), test_os::Scaled(10s)),
                  "stallscan: cannot write to standard output: No space left on device\n")
            << c.args[0];
    }
}
#endif

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
    // --list lists the jobs that the reports of the same filters have.
    EXPECT_EQ(demo_.Normal({"--list", "--printer", "lp-retired", "demo:"}).out, "demo:13\n");
    EXPECT_EQ(demo_.Normal({"--list", "--problems-only", "demo:10", "demo:9", "demo:1"}).out,
              "demo:9\ndemo:1\n");
}

}  // namespace
