// The listing tool's runs as listings, and the attributes and job lists read from its listings.

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <tuple>
#include <vector>

#include "listing/job_list.h"
#include "listing/object_attributes.h"
#include "listing/tool_source.h"

namespace {

using namespace std::string_literals;
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

// A stand-in for the tool's runs: answers in turn, and records each run's options; and what is
// listed through it.
class ToolRuns : public ::testing::Test {
  protected:
    void Serve(std::string out, std::string err = {}, CaptureStatus status = CaptureStatus::kOk) {
        answers_.push_back({status, out, err, out.size(), err.size()});
    }
    void ListJob(ObjectClass object_class, const std::string& listing) {
        Serve(listing);
        ASSERT_EQ(attrs.List(lister, {object_class, "srv1:42", ""}, true), Status::kOk);
    }

    std::deque<CaptureResult> answers_;
    std::vector<CaptureOptions> options_;
    ToolSource source_{kTool, [this](const ChildCommand&, const CaptureOptions& options) {
                           options_.push_back(options);
                           CaptureResult answer = answers_.front();
                           answers_.pop_front();
                           return answer;
                       }};
    Lister lister{source_};
    ObjectAttributes attrs;
};

TEST_F(ToolRuns, ListsAllThenRequestedIntoTheSameEntries) {
    Serve("P1: printer-state = idle\r\nP1: enabled = true\r\n");
    Serve("P1: printer-state = needs-attention\r\n");
    EXPECT_EQ(attrs.List(lister, {ObjectClass::kPrinter, "P1", "D1"}, true, "printer-state x"),
              Status::kOk);
    EXPECT_EQ(attrs.SingleValue("printer-state"), "needs-attention");
    EXPECT_EQ(attrs.SingleValue("Enabled"), "true");  // keys ignore letter case

    Serve("", "broken\r\n");
    EXPECT_EQ(attrs.Update(lister), Status::kToolError);
    Serve("# nothing\r\n");
    EXPECT_EQ(attrs.Update(lister), Status::kNoAttributes);
    EXPECT_EQ(options_.size(), 4u);  // the second listing did not run
    Serve("P1: a = 1\r\n");
    Serve("", "kvls: No entries.\r\n");
    EXPECT_EQ(attrs.Update(lister), Status::kNoEntries);
    EXPECT_EQ(attrs.SingleValue("a"), "1");  // the first listing's entries stay
}

TEST_F(ToolRuns, JobAttributesFallBackToTheLowestDocumentThatHasThem) {
    ListJob(ObjectClass::kJob,
            "srv1:42: job-name = x\r\nsrv1:42.2: document-format = PCL\r\n"
            "srv1:42.3: document-format = simple-text\r\nsrv1:42.3: file-name = c|/spool/f1\r\n");
    EXPECT_EQ(attrs.SingleValue("document-format"), "PCL");
    EXPECT_EQ(attrs.MultiValues("document-format"), "PCL\0simple-text\0"s);
    EXPECT_EQ(attrs.MultiValues("document-format", 3), "simple-text\0"s);
    EXPECT_EQ(attrs.SingleValue("job-name", -1), "");  // only the documents are read
    EXPECT_EQ(attrs.SingleValue("document-format", -1), "PCL");
    EXPECT_EQ(attrs.PathValue("file-name"), "c:\\spool\\f1");

    ListJob(ObjectClass::kPrinter, "srv1:42: a = 1\r\nsrv1:42.1: document-format = PCL\r\n");
    EXPECT_EQ(attrs.SingleValue("document-format"), "");
    EXPECT_EQ(attrs.SingleValue("document-format", 1), "PCL");
}

TEST_F(ToolRuns, OnlyCanonicalDocumentNumbersUpToTheCountAreVisited) {
    ListJob(ObjectClass::kJob,
            "srv1:42: job-name = x\r\nsrv1:42.-3: f = minus\r\nsrv1:42.01: f = zero\r\n"
            "srv1:42.7: g = seven\r\nsrv1:42.99999999999: f = huge\r\nsrv1:42.5: f = five\r\n");
    EXPECT_EQ(attrs.SingleValue("number-of-documents"), "2147483647");
    EXPECT_EQ(attrs.DocumentNumbers(), (std::vector<int32_t>{5, 7}));

    ListJob(ObjectClass::kJob, "j: a = x\r\nj.2147483648: f = over\r\nj.2147483647: g = max\r\n");
    EXPECT_EQ(attrs.DocumentNumbers(), (std::vector<int32_t>{2147483647}));
}

TEST_F(ToolRuns, TheJobListKeepsWaitingJobsOnceInListingOrder) {
    Serve(
        "srv1:1: job-name = no identifier\r\nsrv1: job-identifier = 5\r\n"
        "srv1:abc: job-identifier = 6\r\nsrv1:0: job-identifier = 0\r\n"
        "srv1:2: job-identifier = \r\nsrv1:3: job-identifier = 3\r\n"
        "srv1:4: job-identifier = 4\r\nsrv1:3: job-identifier = 3\r\n");
    JobList jobs;
    EXPECT_EQ(jobs.List(lister, "srv1", "D1"), Status::kOk);
    // srv1:2 gave no entry at all; the jobs after it still count.
    EXPECT_EQ(jobs.IdText(), "srv1:4 srv1:3");
}

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
