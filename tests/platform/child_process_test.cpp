#include "platform/child_process.h"

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
using stallscan::platform::CaptureOptions;
using stallscan::platform::CaptureResult;
using stallscan::platform::CaptureStatus;
using stallscan::platform::ChildCommand;
using stallscan::platform::RunAndCapture;
using test_os::NoChildLeft;
using test_os::Pattern;

ChildCommand ChildWith(std::initializer_list<std::string> actions,
                       const std::string& program = TEST_CHILD_PATH) {
    ChildCommand command;
    command.program = program;
    command.args.push_back(program);
    command.args.insert(command.args.end(), actions);
    command.command_line = test_os::CommandLine(command.args);
    return command;
}

// Runs the test child with small reads; a run that hangs fails the test after 20 s.
CaptureResult RunChild(const ChildCommand& command, CaptureOptions options = {}) {
    options.out_read_size = 100;
    options.err_read_size = 7;
    if (options.deadline == std::chrono::steady_clock::time_point::max()) {
        options.deadline = std::chrono::steady_clock::now() + 20s;
    }
    const CaptureResult result = RunAndCapture(command, options);
    EXPECT_NE(result.status, CaptureStatus::kTimedOut) << command.command_line;
    return result;
}

class ChildProcess : public ::testing::Test {
  protected:
    void SetUp() override { test_os::WarmUpThreads(); }
};

// Every byte of both outputs, read concurrently whatever the read size; a child ended by a signal
// may have been cut short anywhere: a failure, not a shorter answer.
TEST_F(ChildProcess, RunsGiveEveryByteOrTheirFailure) {
    const struct {
        ChildCommand command;
        CaptureStatus status;
        std::string out, err;
        int exit_code;
    } runs[] = {
        {ChildWith({"out", "5000", "errtext", "warn"}), CaptureStatus::kOk, Pattern(5000), "warn", 0},
        // A reader that drained standard output first would wait for good on this child.
        {ChildWith({"err", "1000000", "out", "1000000"}), CaptureStatus::kOk, Pattern(1000000),
         Pattern(1000000), 0},
        {ChildWith({"out", "1", "sleep", "30", "nul", "3", "sleep", "30", "out", "1", "err", "1"}),
         CaptureStatus::kOk, "a\0\0\0a"s, "a", 0},
        {ChildWith({"outtext", "a  b \"c\" $HOME; *"}), CaptureStatus::kOk, "a  b \"c\" $HOME; *",
         "", 0},
        {ChildWith({"outtext", "listed", "exit", "7"}), CaptureStatus::kOk, "listed", "", 7},
        {ChildWith({"errtext", "dying", "abort"}), CaptureStatus::kCrashed, "", "", -1},
        {ChildWith({"outtext", "x", "segv"}), CaptureStatus::kCrashed, "", "", -1},
        {ChildWith({}, TEST_CHILD_PATH "-missing"), CaptureStatus::kStartFailed, "", "", -1},
    };
    for (const auto& run : runs) {
        const CaptureResult result = RunChild(run.command);
        EXPECT_EQ(result.status, run.status) << run.command.command_line;
        EXPECT_TRUE(result.out == run.out) << run.command.command_line;
        EXPECT_TRUE(result.err == run.err) << run.command.command_line;
        if (run.status == CaptureStatus::kOk) {
            EXPECT_EQ(result.exit_code, run.exit_code) << run.command.command_line;
            EXPECT_EQ(result.out_bytes, run.out.size());
        }
    }
    EXPECT_TRUE(NoChildLeft());
}

TEST_F(ChildProcess, ChildHasOnlyStandardDescriptorsAndItsOwnGroup) {
#ifdef _WIN32
    // An inheritable handle of this process must still not reach the child.
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE event = CreateEventA(&inheritable, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    const auto value = std::to_string(reinterpret_cast<uintptr_t>(event));
    EXPECT_EQ(RunChild(ChildWith({"handle", value})).out, "closed");
    CloseHandle(event);
#else
    const int inheritable = ::dup(1);  // not close-on-exec: must still not reach the child
    ASSERT_GE(inheritable, 3);
    EXPECT_EQ(RunChild(ChildWith({"fds"})).out, "0 1 2");
    ::close(inheritable);
    EXPECT_EQ(RunChild(ChildWith({"pgid"})).out, "own");
#endif
}

// A stop from another thread, or the deadline, ends a sleeping child, or one whose grandchild
// holds the pipes, at once; a stop requested before the run starts nothing.
TEST_F(ChildProcess, StopAndDeadlineEndTheRunAtOnce) {
    for (const ChildCommand& command : {ChildWith({"outtext", "partial", "sleep", "30000"}),
                                        ChildWith({"grandchild", "30000"})}) {
        const auto start = std::chrono::steady_clock::now();
        std::stop_source stop;
        std::thread stopper([&stop] {
            std::this_thread::sleep_for(200ms);
            stop.request_stop();
        });
        CaptureOptions options;
        options.stop = stop.get_token();
        CaptureResult result = RunChild(command, options);
        stopper.join();
        EXPECT_EQ(result.status, CaptureStatus::kStopped) << command.command_line;
        EXPECT_TRUE(result.out.empty());

        options = {};
        options.deadline = std::chrono::steady_clock::now() + 300ms;
        result = RunAndCapture(command, options);
        EXPECT_EQ(result.status, CaptureStatus::kTimedOut) << command.command_line;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
        EXPECT_TRUE(NoChildLeft());
    }
    std::stop_source stopped;
    stopped.request_stop();
    CaptureOptions options;
    options.stop = stopped.get_token();
    EXPECT_EQ(RunChild(ChildWith({"outtext", "ok"}), options).status, CaptureStatus::kStopped);
    EXPECT_TRUE(NoChildLeft());
}

// Two runs at once: stopping the one that hangs leaves the other to finish with its output.
TEST_F(ChildProcess, StoppingOneOfTwoRunsLeavesTheOtherAlone) {
    const int fds_before = stallscan::platform::OpenDescriptorCount();
    std::stop_source stop_hanging;
    auto hanging = std::async(std::launch::async, [&] {
        CaptureOptions options;
        options.stop = stop_hanging.get_token();
        return RunChild(ChildWith({"sleep", "30000"}), options);
    });
    auto answering = std::async(std::launch::async, [&] {
        return RunChild(ChildWith({"sleep", "500", "out", "3000"}));
    });
    std::this_thread::sleep_for(200ms);
    stop_hanging.request_stop();
    EXPECT_EQ(hanging.get().status, CaptureStatus::kStopped);
    const CaptureResult answered = answering.get();
    EXPECT_EQ(answered.status, CaptureStatus::kOk);
    EXPECT_EQ(answered.out, Pattern(3000));
    EXPECT_EQ(stallscan::platform::OpenDescriptorCount(), fds_before);
    EXPECT_TRUE(NoChildLeft());
}

// A process start costs some 40 ms under wine: fewer runs there prove the same.
#ifdef _WIN32
constexpr int kManyRuns = 1000;
#else
constexpr int kManyRuns = 10000;
#endif

TEST_F(ChildProcess, ManyRunsLeaveNoDescriptorOrChildBehind) {
    const int fds_before = stallscan::platform::OpenDescriptorCount();
    ASSERT_GT(fds_before, 0);
    const ChildCommand command = ChildWith({"outtext", "x", "errtext", "y"});
    const ChildCommand missing = ChildWith({}, TEST_CHILD_PATH "-missing");
    int failures = 0;
    for (int i = 0; i < kManyRuns; ++i) {
        const bool start_fails = i % 100 == 99;
        const CaptureResult result = RunAndCapture(start_fails ? missing : command, {});
        failures += start_fails ? result.status != CaptureStatus::kStartFailed : result.out != "x";
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(stallscan::platform::OpenDescriptorCount(), fds_before);
    EXPECT_TRUE(NoChildLeft());
}

}  // namespace
