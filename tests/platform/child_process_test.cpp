#include "platform/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <initializer_list>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "support/test_os.h"

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using namespace stallscan::platform;
using enum CaptureStatus;
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

// Runs the test child with small reads; a run that hangs fails the test after 60 s.
CaptureResult RunChild(const ChildCommand& command, CaptureOptions options = {}) {
    options.out_read_size = 100;
    options.err_read_size = 7;
    if (options.deadline == std::chrono::steady_clock::time_point::max()) {
        options.deadline = std::chrono::steady_clock::now() + test_os::Scaled(60s);
    }
    const CaptureResult result = RunAndCapture(command, options);
    EXPECT_NE(result.status, kTimedOut) << command.command_line;
    return result;
}

class ChildProcess : public ::testing::Test {
  protected:
    void SetUp() override { test_os::WarmUpThreads(); }
};

// Every byte of both outputs, read concurrently whatever the read size; a child ended by a signal
// may have been cut short anywhere: a failure, not a shorter answer. No run, not even one that
// cannot start, leaves a descriptor or a child behind.
TEST_F(ChildProcess, RunsGiveEveryByteOrTheirFailure) {
    const int fds_before = OpenDescriptorCount();
    ASSERT_GT(fds_before, 0);
    const struct {
        ChildCommand command;
        CaptureStatus status;
        std::string out, err;
        int exit_code;
    } runs[] = {
        {ChildWith({"out", "5000", "errtext", "warn"}), kOk, Pattern(5000), "warn", 0},
        // A reader that drained standard output first would wait for good on this child.
        {ChildWith({"err", "1000000", "out", "1000000"}), kOk, Pattern(1000000), Pattern(1000000),
         0},
        {ChildWith({"out", "1", "sleep", "30", "nul", "3", "sleep", "30", "out", "1", "err", "1"}),
         kOk, "a\0\0\0a"s, "a", 0},
        {ChildWith({"outtext", "a  b \"c\" $HOME; *"}), kOk, "a  b \"c\" $HOME; *", "", 0},
        {ChildWith({"outtext", "x", "errtext", "dying", "abort"}), kCrashed, "", "", -1},
        {ChildWith({}, TEST_CHILD_PATH "-missing"), kStartFailed, "", "", -1},
    };
    for (const auto& run : runs) {
        const CaptureResult result = RunChild(run.command);
        EXPECT_EQ(result.status, run.status) << run.command.command_line;
        EXPECT_TRUE(result.out == run.out) << run.command.command_line;
        EXPECT_TRUE(result.err == run.err) << run.command.command_line;
        if (run.status == kOk) {
            EXPECT_EQ(result.exit_code, run.exit_code) << run.command.command_line;
            EXPECT_EQ(result.out_bytes, run.out.size());
        }
    }
    EXPECT_EQ(OpenDescriptorCount(), fds_before);
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
    // A group of its own (led by its supervisor), so that a time-out can end it with its children.
    const std::string group = RunChild(ChildWith({"pgid"})).out;
    EXPECT_FALSE(group.empty());
    EXPECT_NE(group, std::to_string(::getpgrp()));
#endif
}

// The test child's process id and its grandchild's, once it has written them to `marker`.
std::pair<long, long> Marked(const std::filesystem::path& marker) {
    EXPECT_TRUE(test_os::WaitUntil([&] { return std::filesystem::exists(marker); },
                                   test_os::Scaled(30s)));
    std::pair<long, long> ids{0, 0};
    std::ifstream(marker) >> ids.first >> ids.second;
    return ids;
}

// A stop from another thread, or the deadline, ends a child whose grandchild holds the pipes at
// once, without any of its output, and the grandchild with it, while a run beside it on another
// thread is left alone to finish with its output; a stop requested before the run starts nothing.
// No pipe or child is left. (A sleeping child, stopped or timed out in a listing: tests/e2e.)
TEST_F(ChildProcess, StopAndDeadlineEndTheRunAtOnceAndLeaveOthersAlone) {
    const int fds_before = OpenDescriptorCount();
    const std::filesystem::path dir = test_os::FreshDir("child-process");
    const auto command = [&](const char* marker) {
        return ChildWith({"outtext", "partial", "grandchild", "120000", "mark",
                          (dir / marker).string()});
    };
    const auto expect_gone = [](long pid) {
#ifndef _WIN32
        EXPECT_GT(pid, 0);
        EXPECT_TRUE(test_os::WaitUntil([pid] { return test_os::Ended(static_cast<int>(pid)); },
                                       test_os::Scaled(10s)));
#else
        (void)pid;
#endif
    };
    std::stop_source stop;
    CaptureOptions options;
    options.stop = stop.get_token();
    auto stopped = std::async(std::launch::async, [&] { return RunChild(command("stop"), options); });
    auto beside = std::async(std::launch::async,
                             [] { return RunChild(ChildWith({"sleep", "500", "out", "3000"})); });
    const long stopped_grandchild = Marked(dir / "stop").second;
    stop.request_stop();
    const CaptureResult cut = stopped.get();
    EXPECT_EQ(cut.status, kStopped);
    EXPECT_TRUE(cut.out.empty());
    expect_gone(stopped_grandchild);
    const CaptureResult answered = beside.get();
    EXPECT_EQ(answered.status, kOk);
    EXPECT_EQ(answered.out, Pattern(3000));
    EXPECT_TRUE(NoChildLeft());

    // A deadline long enough for the child to start its grandchild; the run ends at it, long
    // before the grandchild would let the pipes close.
    const auto start = std::chrono::steady_clock::now();
    options = {};
    options.deadline = start + test_os::Scaled(2s);
    EXPECT_EQ(RunAndCapture(command("deadline"), options).status, kTimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - options.deadline, 30s);
    expect_gone(Marked(dir / "deadline").second);
    EXPECT_TRUE(NoChildLeft());

    options = {};
    options.stop = stop.get_token();
    EXPECT_EQ(RunChild(ChildWith({"outtext", "ok"}), options).status, kStopped);
    EXPECT_EQ(OpenDescriptorCount(), fds_before);
    std::filesystem::remove_all(dir);
}

}  // namespace
