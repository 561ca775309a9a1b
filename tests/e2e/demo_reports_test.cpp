// The command-line mode end to end: the built stallscan runs over the demo print system, in pseudo
// mode (canned files exported from the model) and in normal mode (real runs of the stand-in tool).

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "kvls/run_kvls.h"
#include "support/test_os.h"

namespace fs = std::filesystem;

namespace {

const std::string kDemoData = SOURCE_DIR "/examples/demo/data";
const std::string kExpectedDir = SOURCE_DIR "/tests/e2e/expected";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int CountLines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// A pseudo installation (a tool file that is never run, and the exported listings) and a normal
// one (the stand-in tool in bin/, the demo model as its data), shared by all tests.
class DemoInstallations : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        base_ =
            fs::temp_directory_path() / ("stallscan-e2e-" + std::to_string(test_os::ProcessId()));
        fs::remove_all(base_);
        fs::create_directories(base_ / "pseudo-root" / "bin");
        std::ofstream(base_ / "pseudo-root" / "bin" / "kvls.exe") << "not run in pseudo mode\n";
        fs::create_directories(base_ / "normal-root" / "bin");
        fs::copy_file(KVLS_PATH, base_ / "normal-root" / "bin" / test_os::ProgramFileName("kvls"));
        test_os::LinkOrCopyDirectory(kDemoData, base_ / "normal-root" / "data");
        const kvls_test::RunResult exported = kvls_test::RunKvls(
            {"--export-pseudo", (base_ / "canned").string()}, {{"KVLS_DATA", kDemoData}});
        ASSERT_EQ(exported.exit_code, 0) << exported.err;
    }
    static void TearDownTestSuite() { fs::remove_all(base_); }

    static kvls_test::RunResult Pseudo(std::vector<std::string> args) {
        args.insert(args.begin(), "pseudo-kvls@" + (base_ / "canned").string());
        return kvls_test::RunKvls(args, {{"OV_ROOT", (base_ / "pseudo-root").string()}}, 20000,
                                  STALLSCAN_PATH);
    }
    static kvls_test::RunResult Normal(std::vector<std::string> args,
                                       std::map<std::string, std::string> env = {}) {
        env["OV_ROOT"] = (base_ / "normal-root").string();
        env.emplace("KVLS_DATA", "");
        return kvls_test::RunKvls(args, env, 20000, STALLSCAN_PATH);
    }
    static fs::path Base() { return base_; }

  private:
    static inline fs::path base_;
};

const std::vector<std::string> kDemoJobs = {
    "demo:1", "demo:2",  "demo:3",  "demo:4",  "demo:5",  "demo:6",  "demo:7",  "demo:8",
    "demo:9", "demo:10", "demo:11", "demo:12", "demo:13", "demo:14", "demo:15", "nightly:1"};

std::string ExpectedReport(const std::string& job) {
    std::string name = job;
    name[name.find(':')] = '-';
    return ReadFile(fs::path(kExpectedDir) / (name + ".txt"));
}

}  // namespace

TEST_F(DemoInstallations, EachJobsReportIsExactlyAsExpectedInPseudoMode) {
    for (const std::string& job : kDemoJobs) {
        const kvls_test::RunResult run = Pseudo({job});
        EXPECT_EQ(run.exit_code, 0) << job << run.err;
        EXPECT_EQ(run.out, ExpectedReport(job)) << job;
        EXPECT_EQ(run.err, "") << job;
    }
}

TEST_F(DemoInstallations, NormalModeGivesTheSameReportsThroughRealToolRuns) {
    for (const std::string& job : kDemoJobs) {
        const kvls_test::RunResult run = Normal({job});
        EXPECT_EQ(run.exit_code, 0) << job << run.err;
        EXPECT_EQ(run.out, ExpectedReport(job)) << job;
    }
}

TEST_F(DemoInstallations, ServerSpecsExpandToWaitingJobsInListingOrder) {
    const kvls_test::RunResult run = Normal({"demo:", "nightly:", "demo:1", "demo:5"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    std::string expected;
    for (const char* job : {"demo:6", "demo:7", "demo:8", "demo:9", "demo:10", "demo:11", "demo:12",
                            "demo:13", "demo:15", "nightly:1", "demo:1", "demo:5"}) {
        expected += ExpectedReport(job);
    }
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(Pseudo({"demo:", "nightly:", "demo:1", "demo:5"}).out, expected);
}

TEST_F(DemoInstallations, RepeatedItemsRunOnceAtTheirLastPlace) {
    const kvls_test::RunResult run = Pseudo({"demo:12", "demo:13", "demo:12", "DEMO:13"});
    EXPECT_EQ(run.out, ExpectedReport("demo:13") + ExpectedReport("demo:12"));
}

TEST_F(DemoInstallations, RunsPerJobFollowTheCostModel) {
    const fs::path log = Base() / "runs.log";
    // server 1, job 2, queue 1, printer 2, supervisor 1, final re-check 1.
    fs::remove(log);
    Normal({"demo:10"}, {{"KVLS_LOG", log.string()}});
    EXPECT_EQ(CountLines(ReadFile(log)), 8);
    // server 1, job 2, queue 1, seven printers 2 each, one supervisor 1; messages, no re-check.
    fs::remove(log);
    Normal({"demo:7"}, {{"KVLS_LOG", log.string()}});
    EXPECT_EQ(CountLines(ReadFile(log)), 1 + 2 + 1 + 14 + 1);
    // A processing job: server 1, job 2, its printer 1.
    fs::remove(log);
    Normal({"demo:3"}, {{"KVLS_LOG", log.string()}});
    EXPECT_EQ(CountLines(ReadFile(log)), 4);
}

TEST_F(DemoInstallations, JsonCarriesTheSameMessagesAsData) {
    const kvls_test::RunResult run = Pseudo({"--json", "nightly:1"});
    ASSERT_EQ(run.exit_code, 0);
    EXPECT_NE(run.out.find("{\"id\": 314, \"args\": [\"nightly\"], \"text\": "
                           "\"- Spooler \\\"nightly\\\" is paused.\\r\\n\"}"),
              std::string::npos)
        << run.out;
}

TEST_F(DemoInstallations, ExitStatusesOfTheCommandLine) {
    // A server without waiting jobs: nothing to diagnose.
    kvls_test::RunResult run = Normal({"sup-ref:"});
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.err, "There are no jobs for which diagnostics will be given.\r\n");
    EXPECT_EQ(run.out, "");

    // A job list that cannot be read; the other SPEC is still served.
    run = Normal({"demo:", "demo:10"}, {{"KVLS_FAULT", "stderr:spooler down"},
                                        {"KVLS_FAULT_MATCH", "current-job-state==held"}});
    EXPECT_EQ(run.exit_code, 4);
    EXPECT_EQ(run.err, "Unable to access server \"demo\".\r\n");
    EXPECT_EQ(run.out, ExpectedReport("demo:10"));

    run = Normal({"-h"});
    EXPECT_EQ(run.exit_code, 0);
    run = Normal({"--bogus"});
    EXPECT_EQ(run.exit_code, 2);
    run = kvls_test::RunKvls({"demo:1"}, {{"OV_ROOT", ""}}, 20000, STALLSCAN_PATH);
    EXPECT_EQ(run.exit_code, 3);
    EXPECT_EQ(run.err, "Invalid execution of stallscan.\r\n");
}

TEST_F(DemoInstallations, HostileJobTextsNeverLeaveThePseudoDirectory) {
    for (const std::string job :
         {"demo:1 2", "demo:\"3\"", "demo:4;rm -rf x", "demo:5|cat", "demo:$(id)",
          "demo:6/../../etc/passwd", "demo:..\\7", "demo:-3", "demo:99999999999"}) {
        const kvls_test::RunResult run = Pseudo({job});
        EXPECT_EQ(run.exit_code, 0) << job;
        EXPECT_NE(run.out.find("Job identifier: "), std::string::npos) << job;
    }
    EXPECT_NE(Pseudo({"demo:-3"}).out.find("Invalid job identifier \"-3\"."), std::string::npos);
    EXPECT_NE(Pseudo({"demo:6/../../x"}).out.find("Job \"6/../../x\" not found in server"),
              std::string::npos);
}
