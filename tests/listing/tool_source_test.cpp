#include "listing/tool_source.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using stallscan::listing::BuildToolCommand;
using stallscan::listing::Request;
using stallscan::listing::Status;
using stallscan::listing::ToolSource;
using stallscan::model::ObjectClass;
using stallscan::platform::CaptureOptions;
using stallscan::platform::CaptureResult;
using stallscan::platform::CaptureStatus;
using stallscan::platform::ChildCommand;

const std::string kTool = "C:\\print\\bin\\kvls.exe";
// The tool as the child's first argument: on POSIX the path of this system.
#ifdef _WIN32
const std::string kToolArgument = kTool;
#else
const std::string kToolArgument = "C:/print/bin/kvls";  // the POSIX name of a missing tool
#endif

Request Ask(ObjectClass object_class, const std::string& name, const std::string& attrs = "all",
            const std::string& filter = "", const std::string& domain = "") {
    return {{object_class, name, domain}, attrs, filter};
}

TEST(ToolCommand, CommandLinesAreExactlyTheToolsSyntax) {
    const std::string pending =
        "(current-job-state==pending) || (current-job-state==paused) || "
        "(current-job-state==held)";
    const struct {
        Request request;
        std::string expected;  // after the tool's path and a blank
    } cases[] = {
        {Ask(ObjectClass::kPrinter, "P1", "printer-state printer-problem-message", "", "D1"),
         "-cp -x domain-name=D1 -r \"printer-state printer-problem-message\" -sl -F P1"},
        {Ask(ObjectClass::kJob, "S1:", "job-identifier", pending),
         "-cj -x scope=1 -r \"job-identifier\" -sl -f \"" + pending + "\" S1:"},
        {Ask(ObjectClass::kNone, "X", ""), "-r \"all\" -sl -F X"},  // no class option
        {Ask(ObjectClass::kServer, "N"), "-cs -r \"all\" -sl -F N"},
        {Ask(ObjectClass::kQueue, "N"), "-cq -r \"all\" -sl -F N"},
        {Ask(ObjectClass::kDocument, "N"), "-cd -r \"all\" -sl -F N"},
        {Ask(ObjectClass::kIvj, "N"), "-c i-v-j -r \"all\" -sl -F N"},
        {Ask(ObjectClass::kIvd, "N"), "-c i-v-d -r \"all\" -sl -F N"},
        {Ask(static_cast<ObjectClass>(8), "N"), "-r \"all\" -sl -F N"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildToolCommand(kTool, c.request).command_line, kTool + " " + c.expected);
    }
    using Args = std::vector<std::string>;
    EXPECT_EQ(BuildToolCommand(kTool, Ask(ObjectClass::kJob, "my server:12", "", "a == b")).args,
              (Args{kToolArgument, "-cj", "-x", "scope=1", "-r", "all", "-sl", "-f", "a == b",
                    "my server:12"}));
}

// A stand-in for the tool's runs: answers in turn, and records each run's command and options.
class ToolRuns : public ::testing::Test {
  protected:
    void Serve(std::string out, std::string err = {},
               CaptureStatus status = CaptureStatus::kOk) {
        CaptureResult result;
        result.status = status;
        result.out_bytes = out.size();
        result.err_bytes = err.size();
        result.out = std::move(out);
        result.err = std::move(err);
        answers_.push_back(std::move(result));
    }

    std::deque<CaptureResult> answers_;
    std::vector<ChildCommand> commands_;
    std::vector<CaptureOptions> options_;
    ToolSource source_{kTool, [this](const ChildCommand& command, const CaptureOptions& options) {
                           commands_.push_back(command);
                           options_.push_back(options);
                           CaptureResult answer = answers_.front();
                           answers_.pop_front();
                           return answer;
                       }};
};

// A run whose output outgrew the read size raises it to the byte count and is made again; the
// sizes never shrink, and both can grow in one run.
TEST_F(ToolRuns, OutputBeyondTheReadSizeRaisesItAndRepeatsTheRunOnce) {
    const std::string big(5000, 'x');
    Serve("S1: a = " + big + "\r\n", std::string(300, 'e'));
    Serve("S1: a = " + big + "\r\n", std::string(300, 'e'));
    Serve("S1: b = 1\r\n");
    EXPECT_EQ(source_.List(Ask(ObjectClass::kServer, "S1"), {}).objects.at(0).entries.Get("a"),
              big + '\0');
    EXPECT_EQ(source_.List(Ask(ObjectClass::kServer, "S1"), {}).status, Status::kOk);
    ASSERT_EQ(options_.size(), 3u);
    EXPECT_EQ(options_[0].out_read_size, 4096);
    EXPECT_EQ(options_[0].err_read_size, 256);
    EXPECT_EQ(options_[1].out_read_size, 5010);
    EXPECT_EQ(options_[1].err_read_size, 300);
    EXPECT_EQ(options_[2].out_read_size, 5010);
    EXPECT_EQ(commands_[0].command_line, commands_[1].command_line);
    EXPECT_EQ(commands_[0].program, kToolArgument);
}

TEST_F(ToolRuns, ClassifiesWhatTheToolWrote) {
    const struct {
        CaptureStatus run;
        std::string out, err;
        Status expected;
        std::string error_text;
    } cases[] = {
        {CaptureStatus::kOk, "", "kvls: No entries.\r\n", Status::kNoEntries, ""},
        // The search is case-sensitive.
        {CaptureStatus::kOk, "", "kvls: no entries.\r\n", Status::kToolError,
         "kvls: no entries.\r\n"},
        {CaptureStatus::kOk, "", "server down\r\n", Status::kToolError, "server down\r\n"},
        {CaptureStatus::kOk, "P1: printer-state = idle\r\n", "warning\r\n", Status::kOk, ""},
        {CaptureStatus::kOk, "", "", Status::kOk, ""},
        {CaptureStatus::kStartFailed, "", "", Status::kStartFailed,
         "could not start " + kToolArgument},
        {CaptureStatus::kCrashed, "", "", Status::kStartFailed, kToolArgument + " ended abnormally"},
        {CaptureStatus::kStopped, "", "", Status::kStopped, ""},
        {CaptureStatus::kTimedOut, "", "", Status::kTimedOut, ""},
    };
    for (const auto& c : cases) {
        Serve(c.out, c.err, c.run);
        const auto answer = source_.List(Ask(ObjectClass::kPrinter, "P1"), {});
        EXPECT_EQ(answer.status, c.expected) << c.err;
        EXPECT_EQ(answer.error_text, c.error_text) << c.err;
    }
}

TEST_F(ToolRuns, EmptyNameIsRefusedAndTheTimeOutBoundsTheRun) {
    EXPECT_EQ(source_.List(Ask(ObjectClass::kPrinter, "", "all", "", "D1"), {}).status,
              Status::kRefused);
    EXPECT_TRUE(commands_.empty());
    Serve("");
    source_.List(Ask(ObjectClass::kPrinter, "P1"), {{}, std::chrono::milliseconds(1500)});
    const auto left = options_.back().deadline - std::chrono::steady_clock::now();
    EXPECT_GT(left, std::chrono::milliseconds(500));
    EXPECT_LE(left, std::chrono::milliseconds(1500));
}

}  // namespace
