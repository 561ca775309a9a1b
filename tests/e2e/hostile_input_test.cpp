// Hostile input end to end: the built stallscan runs over the demo print system with extra jobs
// whose listings hold megabyte lines, NUL bytes, invalid UTF-8, lone CR, 100,000 documents and
// absurd document numbers; job texts and domains that a shell would interpret; and listing tools
// that exit at once or are no program at all. Each case checks what the report says, not only
// that nothing crashed. (Tools that hang, crash, flood or write only errors: tool_faults_test.)

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kvls/run_kvls.h"
#include "support/json_validator.h"
#include "support/test_os.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

const std::string kCrLf = "\r\n";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// 'a' to 'z' repeated.
std::string Pattern(size_t n) {
    std::string text(n, ' ');
    for (size_t i = 0; i < n; ++i) {
        text[i] = static_cast<char>('a' + i % 26);
    }
    return text;
}

// A job of the demo server in the office queue (whose printer has no problem), pending unless
// `state` says otherwise, with the given extra model-file lines.
std::string JobFile(int number, const std::string& extra, const std::string& state = "pending") {
    return "server = demo\njob-identifier = " + std::to_string(number) +
           "\ncurrent-job-state = " + state + "\nassigned-queue = q-office\n" + extra;
}

const std::string kMegabyteName = Pattern(1 << 20);
// A lone CR, bytes that are not UTF-8 (a lone continuation byte, an overlong "/", a truncated
// sequence), a valid "é", a placeholder and quotes.
const std::string kOddName = "a\rb \xff\xfe caf\xe9 \xc0\xaf \xe2\x82 \xc3\xa9 %2 \"q\"";
const std::string kOddPrinter = "lp-\xff\x01x";
constexpr int kManyDocuments = 100000;
constexpr int kEmptyDocument = 54321;

// Normal installations (the stand-in tool over a model: the demo plus hostile jobs) and a pseudo
// one (the same model exported, plus canned files that no model file can express).
class HostileInput : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        base_ = fs::temp_directory_path() /
                ("stallscan-hostile-" +
                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(base_);
        fs::copy(SOURCE_DIR "/examples/demo/data", base_ / "model", fs::copy_options::recursive);
        WriteHostileJobs(base_ / "model" / "jobs");

        fs::create_directories(base_ / "normal-root" / "bin");
        fs::copy_file(KVLS_PATH, base_ / "normal-root" / "bin" / test_os::ProgramFileName("kvls"));
        fs::create_directories(base_ / "pseudo-root" / "bin");
        WriteFile(base_ / "pseudo-root" / "bin" / "kvls.exe", "not run in pseudo mode\n");
        const kvls_test::RunResult exported = kvls_test::RunKvls(
            {"--export-pseudo", (base_ / "canned").string()}, {{"KVLS_DATA", Model()}}, 120000);
        ASSERT_EQ(exported.exit_code, 0) << exported.err;
        WriteCannedOnlyJobs(base_ / "canned");
    }
    static void TearDownTestSuite() { fs::remove_all(base_); }

    static void WriteHostileJobs(const fs::path& jobs) {
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
    }

    // Document numbers that no model file can hold.
    static void WriteCannedOnlyJobs(const fs::path& canned) {
        WriteFile(canned / "demo-905.txt",
                  "demo:905: job-identifier = 905\r\n"
                  "demo:905: job-name = odd documents\r\n"
                  "demo:905: current-job-state = pending\r\n"
                  "demo:905: assigned-queue = q-office\r\n"
                  "demo:905.99999999999: octet-count = 0\r\n"
                  "demo:905.99999999999: document-name = huge\r\n"
                  "demo:905.-3: octet-count = 0\r\n"
                  "demo:905.-3: document-format = simple-text\r\n");
    }

    static std::string Model() { return (base_ / "model").string(); }

    static kvls_test::RunResult Normal(const std::vector<std::string>& args,
                                       std::map<std::string, std::string> env = {}) {
        env["OV_ROOT"] = (base_ / "normal-root").string();
        env["KVLS_DATA"] = Model();
        env.emplace("STALLSCAN", "");
        return kvls_test::RunKvls(args, env, 120000, STALLSCAN_PATH);
    }
    static kvls_test::RunResult Pseudo(std::vector<std::string> args) {
        args.insert(args.begin(), "pseudo-kvls@" + (base_ / "canned").string());
        return kvls_test::RunKvls(args, {{"OV_ROOT", (base_ / "pseudo-root").string()}}, 120000,
                                  STALLSCAN_PATH);
    }
    static fs::path Base() { return base_; }

  private:
    static inline fs::path base_;
};

// The value of a report line "<label>: <value>" CR LF.
std::string ReportLine(const std::string& report, const std::string& label) {
    const size_t at = report.find(label + ": ");
    if (at == std::string::npos) {
        return "<no line " + label + ">";
    }
    const size_t start = at + label.size() + 2;
    return report.substr(start, report.find(kCrLf, start) - start);
}

}  // namespace

TEST_F(HostileInput, AMegabyteListingLineReachesTheReportWhole) {
    for (const auto& run : {Normal({"demo:901"}), Pseudo({"demo:901"})}) {
        ASSERT_EQ(run.exit_code, 0) << run.err;
        EXPECT_EQ(ReportLine(run.out, "Job name"), kMegabyteName);
        EXPECT_NE(run.out.find("No problems were found." + kCrLf), std::string::npos);
    }
    const kvls_test::RunResult json = Normal({"--json", "demo:901"});
    EXPECT_TRUE(json_check::IsValidJson(json.out));
    EXPECT_NE(json.out.find("\"jobName\": \"" + kMegabyteName + "\""), std::string::npos);
}

TEST_F(HostileInput, OddBytesStayInTheTextReportAndTheJsonStaysValid) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows converts each capture from the ANSI code page, where these bytes are "
                    "characters of their own";
#endif
    const kvls_test::RunResult run = Normal({"demo:902"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(ReportLine(run.out, "Job name"), kOddName);
    EXPECT_NE(run.out.find("- Printer \"" + kOddPrinter + "\" was not found." + kCrLf),
              std::string::npos)
        << run.out;

    const kvls_test::RunResult json = Normal({"--json", "demo:902"});
    ASSERT_EQ(json.exit_code, 0);
    EXPECT_TRUE(json_check::IsValidJson(json.out)) << json.out;
    // Each byte that is not UTF-8 becomes U+FFFD; control characters are escaped.
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_NE(json.out.find("\"jobName\": \"a\\rb " + r + r + " caf" + r + " " + r + r + " " + r +
                            r + " \xc3\xa9 %2 \\\"q\\\"\""),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"args\": [\"lp-" + r + "\\u0001x\"]"), std::string::npos);
}

TEST_F(HostileInput, ALoneCrEndsALineOnlyInCannedFiles) {
    // A canned file is read as text, where a lone CR ends a line: the name stops there.
    const kvls_test::RunResult run = Pseudo({"demo:902"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(ReportLine(run.out, "Job name"), "a");
}

TEST_F(HostileInput, ANulByteInAListedValueSeparatesValues) {
    // The listing's values are kept NUL-separated, so a NUL inside a value splits it: the job
    // name shows the first value, the JSON the same without any NUL.
    for (const auto& run : {Normal({"demo:903"}), Pseudo({"demo:903"})}) {
        ASSERT_EQ(run.exit_code, 0) << run.err;
        EXPECT_EQ(ReportLine(run.out, "Job name"), "x");
        EXPECT_EQ(run.out.find('\0'), std::string::npos);
    }
    const kvls_test::RunResult json = Normal({"--json", "demo:903"});
    EXPECT_TRUE(json_check::IsValidJson(json.out));
    EXPECT_NE(json.out.find("\"jobName\": \"x\""), std::string::npos);
}

TEST_F(HostileInput, AHundredThousandDocumentsAreCheckedEachOnce) {
    const std::string emptyDocument =
        "- Document " + std::to_string(kEmptyDocument) + " () has no data.";
    for (const auto& run : {Normal({"demo:904"}), Pseudo({"demo:904"})}) {
        ASSERT_EQ(run.exit_code, 0) << run.err;
        EXPECT_EQ(ReportLine(run.out, "Job name"), "many");
        EXPECT_EQ(ReportLine(run.out, "Physical printer(s)"), "lp-office");
        const size_t reported = run.out.find("- Document ");
        EXPECT_EQ(run.out.substr(reported, emptyDocument.size() + 2), emptyDocument + kCrLf);
        EXPECT_EQ(run.out.find("- Document ", reported + 1), std::string::npos) << run.out;
    }
}

TEST_F(HostileInput, AbsurdDocumentNumbersAreNeitherWalkedNorReported) {
    // "99999999999" would make 2,147,483,647 documents; "-3" is no document number at all.
    const kvls_test::RunResult run = Pseudo({"demo:905"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(ReportLine(run.out, "Job name"), "odd documents");
    EXPECT_EQ(run.out.find("Document"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("No problems were found."), std::string::npos) << run.out;
}

// Job texts that a shell would take apart reach the tool unchanged as one argument each, when
// they begin with a job number; the others are refused before any job listing. Nothing that they
// name is run.
TEST_F(HostileInput, JobTextsReachTheToolAsOneArgumentEach) {
    const fs::path log = Base() / "job-texts.log";
    const fs::path sentinel = Base() / "sentinel";
    const std::string touch = "touch " + sentinel.string();
    const std::vector<std::pair<std::string, std::string>> listed = {
        {"demo:1 2", "\"demo:1 2\""},
        {"demo:4;" + touch, "\"demo:4;" + touch + "\""},
        {"demo:5|cat", "demo:5|cat"},
        {"demo:6/../../etc/passwd", "demo:6/../../etc/passwd"},
    };
    for (const auto& [job, logged] : listed) {
#ifdef _WIN32
        if (job.find(' ') != std::string::npos) {
            continue;  // the Windows command line carries the object name unquoted
        }
#endif
        fs::remove(log);
        const kvls_test::RunResult run = Normal({job}, {{"KVLS_LOG", log.string()}});
        EXPECT_EQ(run.exit_code, 0) << job << run.err;
        EXPECT_EQ(ReportLine(run.out, "Job identifier"), job);
        EXPECT_NE(run.out.find("not found in server \"demo\"."), std::string::npos) << run.out;
        EXPECT_NE(ReadFile(log).find("-cj -x scope=1 -r all -sl -F " + logged + "\n"),
                  std::string::npos)
            << job << "\n"
            << ReadFile(log);
    }
    for (const std::string& job :
         std::vector<std::string>{"demo:$(" + touch + ")", "demo:`" + touch + "`", "demo:..\\7"}) {
        fs::remove(log);
        const kvls_test::RunResult run = Normal({job}, {{"KVLS_LOG", log.string()}});
        EXPECT_EQ(run.exit_code, 0) << job << run.err;
        EXPECT_NE(run.out.find("Invalid job identifier \"" + job.substr(5) + "\"."),
                  std::string::npos)
            << run.out;
        EXPECT_EQ(ReadFile(log), "-cs -r all -sl -F demo\n");  // the server only
    }
    EXPECT_FALSE(fs::exists(sentinel));
}

TEST_F(HostileInput, ADomainWithBlanksReachesTheToolAsOneArgument) {
#ifdef _WIN32
    GTEST_SKIP() << "the Windows command line carries the domain unquoted, so a blank splits it";
#endif
    // From STALLSCAN the domain runs to the next ";", blanks included.
    const fs::path log = Base() / "domain.log";
    kvls_test::RunResult run = Normal(
        {"demo:10"}, {{"KVLS_LOG", log.string()}, {"STALLSCAN", "domain-name@my print dom;x"}});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(ReadFile(log).find("-cs -x \"domain-name=my print dom\" -r all -sl -F demo\n"),
              std::string::npos)
        << ReadFile(log);
    // No demo object is in that domain: the server cannot be listed.
    EXPECT_NE(run.out.find("Unable to access server \"demo\"."), std::string::npos) << run.out;

    // On the command line the domain ends at the first blank.
    fs::remove(log);
    run = Normal({"domain-name@D1", "demo:10"}, {{"KVLS_LOG", log.string()}});
    EXPECT_NE(ReadFile(log).find("-cs -x domain-name=D1 -r all -sl -F demo\n"), std::string::npos);
}

// A tool that ends at once without a word, and a tool file that is no program: each job's report
// says that the server could not be listed, and the run goes on to the next job.
TEST_F(HostileInput, AToolThatExitsAtOnceOrCannotStartFailsEachJobAlone) {
    const fs::path silent = Base() / "silent-root";
    fs::create_directories(silent / "bin");
    const std::string tool = test_os::ProgramFileName("kvls");
    fs::copy_file(TEST_CHILD_PATH, silent / "bin" / tool);  // no arguments: exit 0, no output
    const fs::path text = Base() / "text-root";
    fs::create_directories(text / "bin");
    WriteFile(text / "bin" / tool, "echo this is not a program\n");
    fs::permissions(text / "bin" / tool, fs::perms::owner_all);

    for (const fs::path& root : {silent, text}) {
        const kvls_test::RunResult run = kvls_test::RunKvls(
            {"demo:10", "demo:11"}, {{"OV_ROOT", root.string()}}, 20000, STALLSCAN_PATH);
        EXPECT_EQ(run.exit_code, 0) << root << run.err;
        EXPECT_EQ(ReportLine(run.out, "Job identifier"), "demo:10") << root;
        const std::string failed = "Unable to access server \"demo\"." + kCrLf;
        const size_t first = run.out.find(failed);
        ASSERT_NE(first, std::string::npos) << root << run.out;
        EXPECT_NE(run.out.find(failed, first + 1), std::string::npos) << root << run.out;
    }
}
