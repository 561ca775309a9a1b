#include "listing/object_attributes.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "listing/job_list.h"

namespace {

using namespace std::string_literals;
using namespace stallscan::listing;
using stallscan::model::ObjectClass;

// Answers in turn with listings given as the tool's text (or a failure), and records requests.
class ScriptedSource : public stallscan::listing::ListingSource {
  public:
    void Serve(const std::string& listing, Status status = Status::kOk) {
        answers.push_back({status, stallscan::model::ParseObjects(listing), {}});
    }
    Answer List(const Request& request, const Control&) override {
        requests.push_back(request);
        if (answers.empty()) {
            return {};
        }
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<Answer> answers;
    std::vector<Request> requests;
};

class Listings : public ::testing::Test {
  protected:
    void ListJob(ObjectClass object_class, const std::string& listing) {
        source.Serve(listing);
        ASSERT_EQ(attrs.List(lister, {object_class, "srv1:42", ""}, true), Status::kOk);
    }
    ScriptedSource source;
    Lister lister{source};
    ObjectAttributes attrs;
};

TEST_F(Listings, ListsAllThenRequestedIntoTheSameEntries) {
    source.Serve("P1: printer-state = idle\r\nP1: enabled = true\r\n");
    source.Serve("P1: printer-state = needs-attention\r\n");
    EXPECT_EQ(attrs.List(lister, {ObjectClass::kPrinter, "P1", "D1"}, true, "printer-state x"),
              Status::kOk);
    EXPECT_EQ(attrs.SingleValue("printer-state"), "needs-attention");
    EXPECT_EQ(attrs.SingleValue("Enabled"), "true");  // keys ignore letter case

    source.Serve("", Status::kToolError);
    EXPECT_EQ(attrs.Update(lister), Status::kToolError);
    source.Serve("# nothing\r\n");
    EXPECT_EQ(attrs.Update(lister), Status::kNoAttributes);
    EXPECT_EQ(source.requests.size(), 4u);  // the second listing did not run
    source.Serve("P1: a = 1\r\n");
    source.Serve("", Status::kNoEntries);
    EXPECT_EQ(attrs.Update(lister), Status::kNoEntries);
    EXPECT_EQ(attrs.SingleValue("a"), "1");  // the first listing's entries stay
}

TEST_F(Listings, JobAttributesFallBackToTheLowestDocumentThatHasThem) {
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

TEST_F(Listings, OnlyCanonicalDocumentNumbersUpToTheCountAreVisited) {
    ListJob(ObjectClass::kJob,
            "srv1:42: job-name = x\r\nsrv1:42.-3: f = minus\r\nsrv1:42.01: f = zero\r\n"
            "srv1:42.7: g = seven\r\nsrv1:42.99999999999: f = huge\r\nsrv1:42.5: f = five\r\n");
    EXPECT_EQ(attrs.SingleValue("number-of-documents"), "2147483647");
    EXPECT_EQ(attrs.DocumentNumbers(), (std::vector<int32_t>{5, 7}));

    ListJob(ObjectClass::kJob, "j: a = x\r\nj.2147483648: f = over\r\nj.2147483647: g = max\r\n");
    EXPECT_EQ(attrs.DocumentNumbers(), (std::vector<int32_t>{2147483647}));
}

TEST_F(Listings, TheJobListKeepsWaitingJobsOnceInListingOrder) {
    source.Serve(
        "srv1:1: job-name = no identifier\r\nsrv1: job-identifier = 5\r\n"
        "srv1:abc: job-identifier = 6\r\nsrv1:0: job-identifier = 0\r\n"
        "srv1:2: job-identifier = \r\nsrv1:3: job-identifier = 3\r\n"
        "srv1:4: job-identifier = 4\r\nsrv1:3: job-identifier = 3\r\n");
    JobList jobs;
    EXPECT_EQ(jobs.List(lister, "srv1", "D1"), Status::kOk);
    // srv1:2 gave no entry at all; the jobs after it still count.
    EXPECT_EQ(jobs.IdText(), "srv1:4 srv1:3");
}

}  // namespace
