#include "listing/tool_source.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace stallscan::listing;
using stallscan::model::ObjectClass;
using namespace stallscan::platform;

const std::string kTool = "C:\\print\\bin\\kvls.exe";
// The tool as the child's first argument: on POSIX the path of this system.
#ifdef _WIN32
const std::string kToolArgument = kTool;
#else
const std::string kToolArgument = "C:/print/bin/kvls";  // the POSIX name of a missing tool
#endif

Request Ask(ObjectClass object_class, const std::string& name) {
    return {{object_class, name, ""}, "all", ""};
}

// A stand-in for the tool's runs: answers in turn, and records each run's options.
class ToolRuns : public ::testing::Test {
  protected:
    void Serve(std::string out, std::string err = {}, CaptureStatus status = CaptureStatus::kOk) {
        answers_.push_back({status, out, err, out.size(), err.size()});
    }

    std::deque<CaptureResult> answers_;
    std::vector<CaptureOptions> options_;
    ToolSource source_{kTool, [this](const ChildCommand&, const CaptureOptions& options) {
                           options_.push_back(options);
                           CaptureResult answer = answers_.front();
                           answers_.pop_front();
                           return answer;
                       }};
};

// A run whose standard error outgrew its read size raises it and is made once more. (The output's
// read size: the end-to-end tests of large listings.)
TEST_F(ToolRuns, ErrorsBeyondTheReadSizeRaiseItAndRepeatTheRunOnce) {
    for (int run = 0; run < 2; ++run) Serve("S1: a = 1\r\n", std::string(300, 'e'));
    EXPECT_EQ(source_.List(Ask(ObjectClass::kServer, "S1"), {}).status, Status::kOk);
    ASSERT_EQ(options_.size(), 2u);
    EXPECT_EQ(options_[1].err_read_size, 300);
}

// Standard error decides only when there is no output: "No entries." (as written) is an empty
// listing, anything else the tool's error. A run that failed names the program.
TEST_F(ToolRuns, ClassifiesWhatTheToolWrote) {
    // The run's status, output and standard error; the status and error text of the listing.
    const std::tuple<CaptureStatus, std::string, std::string, Status, std::string> cases[] = {
        {CaptureStatus::kOk, "", "kvls: No entries.\r\n", Status::kNoEntries, ""},
        {CaptureStatus::kOk, "", "kvls: no entries.\r\n", Status::kToolError,
         "kvls: no entries.\r\n"},
        {CaptureStatus::kOk, "P1: printer-state = idle\r\n", "warning\r\n", Status::kOk, ""},
        {CaptureStatus::kStartFailed, "", "", Status::kStartFailed,
         "could not start " + kToolArgument},
        {CaptureStatus::kCrashed, "", "", Status::kStartFailed,
         kToolArgument + " ended abnormally"},
    };
    for (const auto& [run, out, err, status, error_text] : cases) {
        Serve(out, err, run);
        const auto answer = source_.List(Ask(ObjectClass::kPrinter, "P1"), {});
        EXPECT_EQ(answer.status, status) << err;
        EXPECT_EQ(answer.error_text, error_text) << err;
    }
    EXPECT_EQ(source_.List(Ask(ObjectClass::kPrinter, ""), {}).status, Status::kRefused);
    EXPECT_EQ(options_.size(), std::size(cases));  // the empty name ran nothing
}

}  // namespace
