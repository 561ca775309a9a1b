// Hostile input end to end: the built stallscan runs over the demo print system with extra jobs
// whose listings hold megabyte lines, NUL bytes, invalid UTF-8, lone CR, 100,000 documents and
// absurd document numbers; job texts and domains that a shell would interpret; and listing tools
// that exit at once or are no program at all. Each case checks what the report says, not only
// that nothing crashed. (Tools that crash or write only errors: tool_faults_test; that hang:
// command_line_test and fast_scan_test; that flood: demo_reports_test.)

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"

#ifndef _WIN32
#include <fcntl.h>
#include <stdlib.h>

#include "support/started_program.h"
#endif

namespace {

using namespace e2e;
using namespace std::string_literals;

// A job of the demo server in the office queue (whose printer has no problem), pending unless
// `state` says otherwise, with the given extra model-file lines.
std::string JobFile(int number, const std::string& extra, const std::string& state = "pending") {
    return "server = demo\njob-identifier = " + std::to_string(number) +
           "\ncurrent-job-state = " + state + "\nassigned-queue = q-office\n" + extra;
}

const std::string kMegabyteName = test_os::Pattern(1 << 20);
// A lone CR, bytes that are not UTF-8 (a lone continuation byte, an overlong "/", a truncated
// sequence), a valid "é", a placeholder, quotes, a screen-clearing escape sequence, BEL and the
// C1 control U+009B.
const std::string kOddName =
    "a\rb \xff\xfe caf\xe9 \xc0\xaf \xe2\x82 \xc3\xa9 %2 \"q\" \x1b[2J\x07\xc2\x9b";
const std::string kOddPrinter = "lp-\xff\x01x";
constexpr int kManyDocuments = 100000;
constexpr int kEmptyDocument = 54321;

// The demo model plus hostile jobs, installed for both modes; the canned files get jobs that no
// model file can express.
class HostileInput : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const fs::path base = FreshDir("hostile");
        const fs::path jobs = base / "model" / "jobs";
        fs::copy(kDemoData, base / "model", fs::copy_options::recursive);
        WriteFile(jobs / "demo-901.txt", JobFile(901, "job-name = " + kMegabyteName +
                                                          "\n[document 1]\noctet-count = 9\n"));
        WriteFile(jobs / "demo-902.txt",
                  JobFile(902, "job-name = " + kOddName + "\nphysical-printers-requested = " +
                                   kOddPrinter + "\n[document 1]\noctet-count = 9\n"));
        WriteFile(jobs / "demo-903.txt", JobFile(903, "job-name = x\0y\njob-owner = o\0\0p\n"s));
        // Held: the state in which the documents are checked for data.
        std::string many =
            JobFile(904, "job-name = many\njob-state-reasons = job-hold-until-specified\n", "held");
        for (int d = 1; d <= kManyDocuments; ++d) {
            many += "[document " + std::to_string(d) +
                    "]\ndocument-format = PCL\noctet-count = " + (d == kEmptyDocument ? "0" : "1") +
                    "\n";
        }
        WriteFile(jobs / "demo-904.txt", many);
        install_.Create(base, base / "model");
        // Document numbers that no model file can hold.
        WriteFile(install_.Canned() / "demo-905.txt",
                  "demo:905: job-identifier = 905\r\ndemo:905: job-name = odd documents\r\n"
                  "demo:905: current-job-state = pending\r\ndemo:905: assigned-queue = q-office\r\n"
                  "demo:905.99999999999: octet-count = 0\r\n"
                  "demo:905.99999999999: document-name = huge\r\n"
                  "demo:905.-3: octet-count = 0\r\ndemo:905.-3: document-format = simple-text\r\n");
    }
    static void TearDownTestSuite() { install_.Remove(); }

    static inline Installation install_;
};

// The report of a demo job in q-office on lp-office; `more` follows the printers line.
std::string Report(int job, const std::string& name, const std::string& reasons,
                   const std::string& status = "pending", const std::string& more = "") {
    return "Job identifier: demo:" + std::to_string(job) + "\r\nJob name: " + name +
           "\r\nJob status: " + status +
           "\r\nAssigned spooler: demo\r\nAssigned queue: q-office\r\nPhysical printer(s): "
           "lp-office\r\n" +
           more + "The job is not printing for the following reason(s):\r\n" + reasons + "\r\n";
}
const std::string kNone = "No problems were found.\r\n";

}  // namespace

// Hostile listings, in both modes where a model file can hold them: a megabyte line reaches the
// report whole; a NUL inside a value splits it (values are kept NUL-separated), so the first part
// shows and no NUL; document numbers beyond 32 bits ("99999999999" would make 2,147,483,647
// documents) or below 1 are neither walked nor reported; of 100,000 documents the empty one is
// reported, once. A canned file is read as text, where a lone CR ends a line: the name stops there.
TEST_F(HostileInput, HostileListingsGiveCompleteReports) {
    const std::string many =
        Report(904, "many",
               "- The job is held for the following reason(s): \"job-hold-until-specified\"\r\n"
               "- Document " +
                   std::to_string(kEmptyDocument) + " () has no data.\r\n",
               "held");
    const std::pair<test_os::ProgramRun, std::string> cases[] = {
        {install_.Normal({"--crlf", "demo:901"}), Report(901, kMegabyteName, kNone)},
        {install_.Pseudo({"--crlf", "demo:901"}), Report(901, kMegabyteName, kNone)},
        {install_.Normal({"--crlf", "demo:903"}), Report(903, "x", kNone)},
        {install_.Pseudo({"--crlf", "demo:903"}), Report(903, "x", kNone)},
        {install_.Normal({"--crlf", "demo:904"}), many},
        {install_.Pseudo({"--crlf", "demo:904"}), many},
        {install_.Pseudo({"--crlf", "demo:905"}), Report(905, "odd documents", kNone)},
    };
    for (const auto& [run, report] : cases) {
        EXPECT_EQ(run.exit_code, 0) << run.err;
        EXPECT_EQ(run.out, report);
    }
    EXPECT_NE(install_.Pseudo({"--crlf", "demo:902"}).out.find("\r\nJob name: a\r\nJob status"),
              std::string::npos);
}

TEST_F(HostileInput, OddBytesStayInTheTextReportAndBecomeReplacementsInJson) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows converts each capture from the ANSI code page, where these bytes are "
                    "characters of their own";
#endif
    const test_os::ProgramRun run = install_.Normal({"--crlf", "demo:902"});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, Report(902, kOddName, "- Printer \"" + kOddPrinter + "\" was not found.\r\n",
                              "pending", "Requested physical printer(s): " + kOddPrinter + "\r\n"));

    const test_os::ProgramRun json = install_.Normal({"--json", "demo:902"});
    ASSERT_EQ(json.exit_code, 0);
    // Each byte that is not UTF-8 becomes U+FFFD; control characters are escaped.
    const std::string r = "\xEF\xBF\xBD";
    // (A truncated sequence is one replacement.)
    EXPECT_NE(json.out.find("\"name\":\"a\\rb " + r + r + " caf" + r + " " + r + r + " " + r +
                            " \xc3\xa9 %2 \\\"q\\\" \\u001b[2J\\u0007\xc2\x9b\""),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"args\":[\"lp-" + r + "\\u0001x\"]"), std::string::npos);
}

#ifndef _WIN32
// On a terminal the control characters of the print system's texts are shown, not obeyed (in a
// pipe every byte stays: above).
TEST_F(HostileInput, ControlCharactersAreShownEscapedOnATerminal) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    test_os::Started run({"demo:902"}, install_.Env({}), -1, STALLSCAN_PATH, ::ptsname(master));
    using namespace std::chrono_literals;
    const std::string shown = test_os::Started::ReadFor(master, test_os::Scaled(30s), "0 not d");
    EXPECT_EQ(run.WaitAtMost(30s), 0);
    ::close(master);
    EXPECT_NE(shown.find("Job name: a\\rb \\xff\\xfe caf\\xe9 \\xc0\\xaf \\xe2\\x82 \xc3\xa9 %2 "
                         "\"q\" \\e[2J\\x07\\x9b\r\n"),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("Printer \"lp-\\xff\\x01x\" was not found."), std::string::npos) << shown;
    for (const char raw : {'\x01', '\x07', '\x1b'}) {
        EXPECT_EQ(shown.find(raw), std::string::npos) << static_cast<int>(raw);
    }
}
#endif

// Job texts that a shell would take apart reach the tool unchanged as one argument each, when
// they begin with a job number; the others are refused before any job listing. Nothing that they
// name is run, and pseudo mode reads no file outside its directory for them.
TEST_F(HostileInput, JobTextsReachTheToolAsOneArgumentEach) {
    const fs::path sentinel = install_.Base() / "sentinel";
    const std::string touch = "touch " + sentinel.string();
    const struct {
        std::string job;
        std::string logged;  // the object argument of the job listing; empty: refused
    } cases[] = {
        {"demo:1 2", "\"demo:1 2\""},
        {"demo:4;" + touch, "\"demo:4;" + touch + "\""},
        {"demo:6/../../etc/passwd", "demo:6/../../etc/passwd"},
        {"demo:99999999999", "demo:99999999999"},
        {"demo:$(" + touch + ")", ""},  // and so a `...` one
        {"demo:..\\7", ""},
        {"demo:-3", ""},
    };
    for (const auto& [job, logged] : cases) {
#ifdef _WIN32
        if (job.find(' ') != std::string::npos) {
            continue;  // the Windows command line carries the object name unquoted
        }
#endif
        const std::string id = job.substr(5);
        const std::string said = logged.empty()
                                     ? "Invalid job identifier \"" + id + "\"."
                                     : "Job \"" + id + "\" not found in server \"demo\".";
        std::vector<std::string> runs;
        for (const auto& run :
             {install_.Logged({"--crlf", job}, runs), install_.Pseudo({"--crlf", job})}) {
            EXPECT_EQ(run.exit_code, 5) << job << run.err;  // not diagnosed
            EXPECT_TRUE(run.out.starts_with("Job identifier: " + job + "\r\n")) << run.out;
            EXPECT_NE(run.out.find(said), std::string::npos) << run.out;
        }
        std::vector<std::string> expected = {"-cs -r all -sl -F demo"};  // the server
        if (!logged.empty()) {
            expected.push_back("-cj -x scope=1 -r all -sl -F " + logged);
        }
        EXPECT_EQ(runs, expected);
    }
    EXPECT_FALSE(fs::exists(sentinel));
}

TEST_F(HostileInput, ADomainWithBlanksReachesTheToolAsOneArgument) {
#ifdef _WIN32
    GTEST_SKIP() << "the Windows command line carries the domain unquoted, so a blank splits it";
#endif
    // From STALLSCAN the domain runs to the next ";", blanks included. No demo object is in that
    // domain: the server cannot be listed.
    std::vector<std::string> runs;
    const test_os::ProgramRun run =
        install_.Logged({"demo:10"}, runs, {{"STALLSCAN", "domain-name@my print dom;x"}});
    EXPECT_EQ(run.exit_code, 5) << run.err;
    EXPECT_EQ(runs.at(0), "-cs -x \"domain-name=my print dom\" -r all -sl -F demo");
    EXPECT_NE(run.out.find("Unable to access server \"demo\"."), std::string::npos) << run.out;
}

// A tool that ends at once without a word, and a tool file that is no program: each job's report
// says that the server could not be listed, and the run goes on to the next job.
TEST_F(HostileInput, AToolThatExitsAtOnceOrCannotStartFailsEachJobAlone) {
    const std::string tool = test_os::ProgramFileName("kvls");
    const fs::path silent = install_.Base() / "silent-root", text = install_.Base() / "text-root";
    fs::create_directories(silent / "bin");
    fs::create_directories(text / "bin");
    fs::copy_file(TEST_CHILD_PATH, silent / "bin" / tool);  // no arguments: exit 0, no output
    WriteFile(text / "bin" / tool, "echo this is not a program\n");
    fs::permissions(text / "bin" / tool, fs::perms::owner_all);
    std::string expected;
    for (const char* job : {"demo:10", "demo:11"}) {
        expected += "Job identifier: "s + job +
                    "\r\nJob name:  \r\nJob status: unknown status\r\nAssigned spooler: demo\r\n"
                    "Assigned queue:  \r\nPhysical printer(s):  \r\n"
                    "The job is not printing for the following reason(s):\r\n"
                    "Unable to access server \"demo\".\r\n\r\n";
    }
    for (const fs::path& root : {silent, text}) {
        const test_os::ProgramRun run = test_os::RunProgram(
            STALLSCAN_PATH, {"--crlf", "demo:10", "demo:11"}, {{"OV_ROOT", root.string()}});
        EXPECT_EQ(run.exit_code, 5) << root << run.err;
        EXPECT_EQ(run.out, expected) << root;
    }
}
