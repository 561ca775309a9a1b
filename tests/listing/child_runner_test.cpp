#include "listing/child_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <initializer_list>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "support/test_os.h"

namespace {

using namespace std::chrono_literals;
using basPosixCtl::KillChildProcess;
using basPosixCtl::RunChildProcess;

std::string Pattern(size_t n) {
    std::string text(n, ' ');
    for (size_t i = 0; i < n; ++i) {
        text[i] = static_cast<char>('a' + i % 26);
    }
    return text;
}

ChildCommand ChildWith(std::initializer_list<std::string> actions) {
    ChildCommand cmd;
    cmd.args.push_back(TEST_CHILD_PATH);
    cmd.args.insert(cmd.args.end(), actions);
    cmd.commandLine = test_os::CommandLine(cmd.args);
    return cmd;
}

using test_os::NoChildLeft;

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

TEST_F(ChildRunner, SilentChildGivesTwoEmptyOutputs) {
    out.Init("old");
    err.Init("old");
    EXPECT_EQ(Run(ChildWith({})), 0);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_TRUE(err.IsEmpty());
    EXPECT_EQ(basPosixCtl::StdoutReadSize(), 4096);
    EXPECT_EQ(basPosixCtl::StderrReadSize(), 256);
}

TEST_F(ChildRunner, OutputLargerThanReadSizeAsksForRepeatThenGivesAll) {
    const ChildCommand cmd = ChildWith({"out", "5000", "errtext", "warn"});
    EXPECT_EQ(Run(cmd), 903);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_TRUE(err.IsEmpty());
    EXPECT_EQ(basPosixCtl::StdoutReadSize(), 5000);
    EXPECT_EQ(basPosixCtl::StderrReadSize(), 256);

    EXPECT_EQ(Run(cmd), 0);
    EXPECT_EQ(out.GetAll(), Pattern(5000));
    EXPECT_EQ(err.GetAll(), "warn");

    // Sizes only grow: a smaller output later does not shrink them.
    EXPECT_EQ(Run(ChildWith({"out", "10"})), 0);
    EXPECT_EQ(basPosixCtl::StdoutReadSize(), 5000);
}

TEST_F(ChildRunner, StandardErrorSizeGrowsOnItsOwnAndBothGrowInOneRun) {
    EXPECT_EQ(Run(ChildWith({"outtext", "x", "err", "300"})), 903);
    EXPECT_EQ(basPosixCtl::StderrReadSize(), 300);
    EXPECT_EQ(basPosixCtl::StdoutReadSize(), 4096);
    EXPECT_TRUE(out.IsEmpty());

    const ChildCommand both = ChildWith({"out", "7000", "err", "700"});
    EXPECT_EQ(Run(both), 903);
    EXPECT_EQ(basPosixCtl::StdoutReadSize(), 7000);
    EXPECT_EQ(basPosixCtl::StderrReadSize(), 700);
    EXPECT_EQ(Run(both), 0);
    EXPECT_EQ(out.Length(), 7000);
    EXPECT_EQ(err.Length(), 700);
}

TEST_F(ChildRunner, ReadsBothStreamsConcurrently) {
    // A child that fills standard error before writing standard output would block for good
    // against a reader that drains standard output first.
    const ChildCommand errFirst = ChildWith({"err", "1000000", "out", "1000000"});
    EXPECT_EQ(Run(errFirst), 903);
    EXPECT_EQ(Run(errFirst), 0);
    EXPECT_EQ(out.GetAll(), Pattern(1000000));
    EXPECT_EQ(err.GetAll(), Pattern(1000000));

    EXPECT_EQ(Run(ChildWith({"both", "1000000"})), 0);
    EXPECT_EQ(out.Length(), 1000000);
    EXPECT_EQ(err.Length(), 1000000);
}

TEST_F(ChildRunner, KeepsEverySingleByteAndNul) {
    const ChildCommand cmd =
        ChildWith({"out", "1", "sleep", "30", "nul", "3", "sleep", "30", "out", "1", "err", "1"});
    EXPECT_EQ(Run(cmd), 0);
    EXPECT_EQ(out.GetAll(), std::string("a\0\0\0a", 5));
    EXPECT_EQ(err.GetAll(), "a");
}

TEST_F(ChildRunner, ArgumentsReachTheChildUnsplitAndUninterpreted) {
    EXPECT_EQ(Run(ChildWith({"outtext", "a  b \"c\" $HOME; *"})), 0);
    EXPECT_EQ(out.GetAll(), "a  b \"c\" $HOME; *");
}

TEST_F(ChildRunner, ExitCodeDoesNotMatterButAChildEndedByASignalFails) {
    EXPECT_EQ(Run(ChildWith({"outtext", "listed", "exit", "7"})), 0);
    EXPECT_EQ(out.GetAll(), "listed");
    // Its output may be cut short anywhere: a failure, not a shorter answer.
    EXPECT_EQ(Run(ChildWith({"errtext", "dying", "abort"})), basPosixCtl::kStartFailed);
    EXPECT_EQ(err.GetAll(), "");
    EXPECT_EQ(Run(ChildWith({"outtext", "x", "segv"})), basPosixCtl::kStartFailed);
    EXPECT_EQ(out.GetAll(), "");
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
    const std::string missing = std::string(TEST_CHILD_PATH) + "-missing";
    EXPECT_EQ(Run(ChildWith({}), missing), 2002);
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
    for (char& c : winPath) {
        c = c == '/' ? '\\' : c;
    }
    EXPECT_EQ(Run(ChildWith({"outtext", "found"}), winPath), 0);
    EXPECT_EQ(out.GetAll(), "found");
}

// Starts `cmd`, kills it from another thread after 200 ms; returns the code and the time taken.
std::pair<int32_t, std::chrono::steady_clock::duration> RunAndKill(const ChildCommand& cmd) {
    clsKvOutput out;
    clsKvOutput err;
    const auto start = std::chrono::steady_clock::now();
    std::thread killer([] {
        std::this_thread::sleep_for(200ms);
        KillChildProcess();
    });
    const int32_t rc = RunChildProcess(TEST_CHILD_PATH, cmd, out, err);
    const auto taken = std::chrono::steady_clock::now() - start;
    killer.join();
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_TRUE(err.IsEmpty());
    return {rc, taken};
}

TEST_F(ChildRunner, KillEndsASleepingChildAtOnce) {
    const auto [rc, taken] = RunAndKill(ChildWith({"outtext", "partial", "sleep", "30000"}));
    EXPECT_EQ(rc, 2004);
    EXPECT_LT(taken, 5s);
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(ChildRunner, KillEndsARunWhoseGrandchildHoldsThePipes) {
    const auto [rc, taken] = RunAndKill(ChildWith({"grandchild", "30000"}));
    EXPECT_EQ(rc, 2004);
    EXPECT_LT(taken, 5s);
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(ChildRunner, KillWithoutARunChangesNothing) {
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
    const std::string missing = std::string(TEST_CHILD_PATH) + "-missing";
    int failures = 0;
    for (int i = 0; i < kManyRuns; ++i) {
        const bool startFails = i % 100 == 99;
        const int32_t rc = RunChildProcess(startFails ? missing : TEST_CHILD_PATH, cmd, out, err);
        if (rc != (startFails ? 2002 : 0) || (!startFails && out.GetAll() != "x")) {
            ++failures;
        }
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(platform::OpenDescriptorCount(), fdsBefore);
    EXPECT_TRUE(NoChildLeft());
}

}  // namespace
