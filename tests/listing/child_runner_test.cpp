#include "listing/child_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <initializer_list>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "support/test_os.h"

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using basPosixCtl::KillChildProcess;
using basPosixCtl::RunChildProcess;
using test_os::NoChildLeft;
using test_os::Pattern;

ChildCommand ChildWith(std::initializer_list<std::string> actions) {
    ChildCommand cmd;
    cmd.args.push_back(TEST_CHILD_PATH);
    cmd.args.insert(cmd.args.end(), actions);
    cmd.commandLine = test_os::CommandLine(cmd.args);
    return cmd;
}

const std::string kMissing = std::string(TEST_CHILD_PATH) + "-missing";

class ChildRunner : public ::testing::Test {
  protected:
    void SetUp() override {
        basPosixCtl::ResetReadSizes();
        test_os::WarmUpThreads();
    }
    void TearDown() override { basPosixCtl::ResetReadSizes(); }

    // Runs the test child; a run that hangs is killed after 20 s so that the test fails instead.
    int32_t Run(const ChildCommand& cmd, const std::string& app = TEST_CHILD_PATH) {
        auto run =
            std::async(std::launch::async, [&] { return RunChildProcess(app, cmd, out, err); });
        if (run.wait_for(20s) != std::future_status::ready) {
            ADD_FAILURE() << "run did not end: " << cmd.commandLine;
            KillChildProcess();
        }
        return run.get();
    }

    clsKvOutput out;
    clsKvOutput err;
};

// Runs in turn, with their code and every byte of both outputs. An output larger than its read
// size gives 903 and no output; the size grows to it, so the same run then succeeds, and never
// shrinks. The exit code does not matter, but the output of a child ended by a signal may be cut
// short anywhere: a failure, not a shorter answer.
TEST_F(ChildRunner, RunsGiveTheirCodeAndEveryByte) {
    const ChildCommand both = ChildWith({"out", "7000", "err", "700"});
    // A reader that drains standard output first would wait for good on this child.
    const ChildCommand errFirst = ChildWith({"err", "1000000", "out", "1000000"});
    const struct {
        ChildCommand cmd;
        int32_t code;
        std::string out, err;
    } runs[] = {
        {ChildWith({"out", "5000", "errtext", "warn"}), 903, "", ""},
        {ChildWith({"out", "5000", "errtext", "warn"}), 0, Pattern(5000), "warn"},
        {ChildWith({"outtext", "x", "err", "300"}), 903, "", ""},
        {ChildWith({"outtext", "x", "err", "300"}), 0, "x", Pattern(300)},
        {both, 903, "", ""},
        {ChildWith({"out", "10"}), 0, Pattern(10), ""},
        {both, 0, Pattern(7000), Pattern(700)},
        {errFirst, 903, "", ""},
        {errFirst, 0, Pattern(1000000), Pattern(1000000)},
        {ChildWith({"both", "1000000"}), 0, Pattern(1000000), Pattern(1000000)},
        {ChildWith({"out", "1", "sleep", "30", "nul", "3", "sleep", "30", "out", "1", "err", "1"}),
         0, "a\0\0\0a"s, "a"},
        {ChildWith({"outtext", "a  b \"c\" $HOME; *"}), 0, "a  b \"c\" $HOME; *", ""},
        {ChildWith({"outtext", "listed", "exit", "7"}), 0, "listed", ""},
        {ChildWith({"errtext", "dying", "abort"}), basPosixCtl::kStartFailed, "", ""},
        {ChildWith({"outtext", "x", "segv"}), basPosixCtl::kStartFailed, "", ""},
    };
    for (const auto& run : runs) {
        EXPECT_EQ(Run(run.cmd), run.code) << run.cmd.commandLine;
        EXPECT_TRUE(out.GetAll() == run.out) << run.cmd.commandLine;
        EXPECT_TRUE(err.GetAll() == run.err) << run.cmd.commandLine;
    }
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(ChildRunner, ChildHasOnlyStandardDescriptorsAndItsOwnGroup) {
#ifdef _WIN32
    // An inheritable handle of this process must still not reach the child.
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE event = CreateEventA(&inheritable, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    const auto value = std::to_string(reinterpret_cast<uintptr_t>(event));
    EXPECT_EQ(Run(ChildWith({"handle", value})), 0);
    CloseHandle(event);
    EXPECT_EQ(out.GetAll(), "closed");
#else
    const int inheritable = ::dup(1);  // not close-on-exec: must still not reach the child
    ASSERT_GE(inheritable, 3);
    EXPECT_EQ(Run(ChildWith({"fds"})), 0);
    ::close(inheritable);
    EXPECT_EQ(out.GetAll(), "0 1 2");
    EXPECT_EQ(Run(ChildWith({"pgid"})), 0);
    EXPECT_EQ(out.GetAll(), "own");
#endif
}

TEST_F(ChildRunner, MissingProgramFailsToStartAndLeavesNothing) {
    const int fdsBefore = platform::OpenDescriptorCount();
    out.Init("old");
    err.Init("old");
    EXPECT_EQ(Run(ChildWith({}), kMissing), 2002);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_TRUE(err.IsEmpty());
    EXPECT_EQ(platform::OpenDescriptorCount(), fdsBefore);
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(ChildRunner, WindowsToolPathFindsTheProgramWithoutSuffix) {
#ifdef _WIN32
    GTEST_SKIP() << "the fallback to a file without \".exe\" is POSIX's; Windows runs the path as "
                    "given";
#endif
    std::string winPath = std::string(TEST_CHILD_PATH) + ".exe";
    std::replace(winPath.begin(), winPath.end(), '/', '\\');
    EXPECT_EQ(Run(ChildWith({"outtext", "found"}), winPath), 0);
    EXPECT_EQ(out.GetAll(), "found");
}

// A kill from another thread ends a sleeping child, or one whose grandchild holds the pipes, at
// once; a kill without a run changes nothing.
TEST_F(ChildRunner, KillFromAnotherThreadEndsTheRunAtOnce) {
    for (const ChildCommand& cmd : {ChildWith({"outtext", "partial", "sleep", "30000"}),
                                    ChildWith({"grandchild", "30000"})}) {
        const auto start = std::chrono::steady_clock::now();
        std::thread killer([] {
            std::this_thread::sleep_for(200ms);
            KillChildProcess();
        });
        EXPECT_EQ(RunChildProcess(TEST_CHILD_PATH, cmd, out, err), 2004) << cmd.commandLine;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        killer.join();
        EXPECT_TRUE(out.IsEmpty());
        EXPECT_TRUE(err.IsEmpty());
        EXPECT_TRUE(NoChildLeft());
    }
    KillChildProcess();
    EXPECT_EQ(Run(ChildWith({"outtext", "ok"})), 0);
    EXPECT_EQ(out.GetAll(), "ok");
}

// A process start costs some 40 ms under wine: fewer runs there prove the same.
#ifdef _WIN32
constexpr int kManyRuns = 1000;
#else
constexpr int kManyRuns = 10000;
#endif

TEST_F(ChildRunner, TenThousandRunsLeaveNoDescriptorOrChildBehind) {
    const int fdsBefore = platform::OpenDescriptorCount();
    ASSERT_GT(fdsBefore, 0);
    const ChildCommand cmd = ChildWith({"outtext", "x", "errtext", "y"});
    int failures = 0;
    for (int i = 0; i < kManyRuns; ++i) {
        const bool startFails = i % 100 == 99;
        const int32_t rc = RunChildProcess(startFails ? kMissing : TEST_CHILD_PATH, cmd, out, err);
        failures += rc != (startFails ? 2002 : 0) || (!startFails && out.GetAll() != "x");
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(platform::OpenDescriptorCount(), fdsBefore);
    EXPECT_TRUE(NoChildLeft());
}

}  // namespace
