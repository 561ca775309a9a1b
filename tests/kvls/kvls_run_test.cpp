// Runs the built kvls as a child process against a small model. (Listings of the demo model in
// both modes, the runs' log and the pseudo files are checked end to end by tests/e2e.)
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_program.h"
#include "support/test_os.h"

namespace {

namespace fs = std::filesystem;
using RunResult = test_os::ProgramRun;
using Args = std::vector<std::string>;

// Server srv1 with printer p1 of domain D1, and jobs 42 and 43 (completed).
class KvlsRun : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::pair<const char*, const char*> files[] = {
            {"servers/srv1.txt", "server-state = ready\nenabled = true\n"},
            {"printers/p1.txt", "domain = D1\nprinter-state = idle\n"},
            {"jobs/srv1-42.txt", "job-identifier = 42\ncurrent-job-state = pending\n"},
            {"jobs/srv1-43.txt", "job-identifier = 43\ncurrent-job-state = completed\n"},
        };
        for (const auto& [file, text] : files) {
            fs::create_directories((data_ / file).parent_path());
            test_os::WriteFile(data_ / file, text);
        }
        for (const char* name : {"KVLS_LOG", "KVLS_FAULT", "KVLS_FAULT_MATCH"}) env_[name] = "";
    }
    void TearDown() override { fs::remove_all(root_); }

    RunResult Run(const Args& args) {
        return test_os::RunProgram(KVLS_PATH, args, env_, 10000);
    }
    void ExpectError(const Args& args, const std::string& err_holds, int exit_code) {
        const RunResult r = Run(args);
        EXPECT_EQ(r.out, "") << testing::PrintToString(args);
        EXPECT_NE(r.err.find(err_holds), std::string::npos) << r.err;
        EXPECT_EQ(r.exit_code, exit_code) << testing::PrintToString(args);
    }

    const fs::path root_ = test_os::FreshDir("kvls-run");
    const fs::path data_ = root_ / "data";
    std::map<std::string, std::string> env_{{"KVLS_DATA", data_.string()}};
};

TEST_F(KvlsRun, NoMatchingObjectIsNoEntriesAndBadCommandLinesAreErrors) {
    // A class option names where to look; a domain selects; so does a filter.
    const Args none[] = {{"-cs", "p1"},
                         {"-cp", "-x", "domain-name=D2", "p1"},
                         {"-cs", "-x", "domain-name=D1", "srv1"},
                         {"-cj", "-f", "current-job-state!=completed", "srv1:43"},
                         {"-cp", "../servers/srv1"},
                         {"-cj", "srv1:42.1"}};
    for (const Args& args : none) {
        ExpectError(args, "No entries.\r\n", 1);
    }
    const std::pair<Args, const char*> usage[] = {
        {{}, "no object class"},
        {{"-cp", "-F", "-f", "a==b", "p1"}, "exclude"},
        {{"-cp", "-f", "(a==b", "p1"}, "filter: missing \")\""},
    };
    for (const auto& [args, what] : usage) {
        ExpectError(args, what, 2);
    }
    env_["KVLS_DATA"] = (root_ / "none").string();
    ExpectError({"-cs", "srv1"}, "model folder not found", 3);
}

// A crash after the whole answer has been written is still a crash; a malformed fault is a usage
// error. (Delays, hangs, crashes inside the answer and error texts for matching runs: the
// end-to-end tests, whose outcomes depend on each of them.)
TEST_F(KvlsRun, FaultsCrashAlsoAfterTheAnswerAndMalformedOnesAreRefused) {
    env_["KVLS_FAULT"] = "crash-after:1M";
    EXPECT_TRUE(Run({"-cs", "-r", "enabled", "srv1"}).crashed);
    for (const char* bad : {"sleep", "sleep:x", "hang:1", "bytes:-1", "bytes:1G",
                            "crash-after:", "stderr:", "explode"}) {
        env_["KVLS_FAULT"] = bad;
        ExpectError({"-cp", "p1"}, "KVLS_FAULT", 2);
    }
}

// The answer cut at that many bytes, or padded to it with comment lines (whose 50 MB parse to the
// unpadded listing in tests/e2e); a single byte or two cannot hold a line end.
TEST_F(KvlsRun, FaultBytesWritesExactlyThatManyBytes) {
    for (const auto& [n, out] : {std::pair{2, "#x"}, {5, "#xx\r\n"}}) {
        env_["KVLS_FAULT"] = "bytes:" + std::to_string(n);
        const RunResult r = Run({"-cs", "-r", "enabled", "nope"});
        EXPECT_EQ(r.out, out) << n;
        EXPECT_EQ(r.err, "No entries.\r\n");
    }
    env_["KVLS_FAULT"] = "bytes:5";
    EXPECT_EQ(Run({"-cs", "-r", "enabled", "srv1"}).out, "srv1:");
}

}  // namespace
