#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diag/diagnose_job.h"
#include "diag/fake_print_system.h"

using diagtest::Attr;

namespace {

std::string NotSupported(const std::string& value, const std::string& printerAttr) {
    return "- Printer \"P1\" does not support \"" + value + "\" in its \"" + printerAttr +
           "\" attribute.\r\n";
}

class CapabilityTest : public ::testing::Test {
  protected:
    // Lists job S1:1 and printer P1 with these attributes and checks one pair.
    std::string Check(std::vector<Attr> jobAttrs, std::vector<Attr> printerAttrs,
                      const std::string& printerAttr, const std::string& jobAttr,
                      const std::string& extra = {}) {
        List(std::move(jobAttrs), std::move(printerAttrs));
        clsDiagResult result;
        basDiagJobs::CheckJobAttrAgainstPrinter(result, "P1", printer, job, printerAttr, jobAttr,
                                                extra);
        return result.DiagMessages();
    }

    void List(std::vector<Attr> jobAttrs, std::vector<Attr> printerAttrs) {
        jobAttrs.insert(jobAttrs.begin(), Attr{"job-identifier", "1"});
        printerAttrs.emplace_back("printer-state", "idle");
        fake.Add(4, "S1:1", std::move(jobAttrs));
        fake.Add(2, "P1", std::move(printerAttrs));
        job = fake.Listed(4, "S1:1");
        printer = fake.Listed(2, "P1");
    }

    diagtest::FakePrintSystem fake;
    clsObjectAttrs job;
    clsObjectAttrs printer;
};

TEST_F(CapabilityTest, MembershipReportsEachUncoveredValue) {
    EXPECT_EQ(Check({{"sides", "duplex"}}, {{"sides-ready", {"simplex", "duplex"}}}, "sides-ready",
                    "sides"),
              "");
    EXPECT_EQ(Check({{"sides", "duplex"}}, {}, "sides-ready", "sides"),
              NotSupported("duplex", "sides-ready"));
    EXPECT_EQ(Check({}, {}, "sides-ready", "sides"), "");
    EXPECT_EQ(
        Check({{"finishing", {"staple", "punch", "fold"}}}, {{"finishings-ready", "punch"}},
              "finishings-ready", "finishing"),
        NotSupported("staple", "finishings-ready") + NotSupported("fold", "finishings-ready"));
    // Exact and case-sensitive.
    EXPECT_EQ(
        Check({{"sides", "Duplex"}}, {{"sides-ready", "duplex-long"}}, "sides-ready", "sides"),
        NotSupported("Duplex", "sides-ready"));
}

TEST_F(CapabilityTest, CopiesAreTheProductWithIntMaxCopyCount) {
    const std::vector<Attr> job{{"job-copies", "5"}, {"int-max-copy-count", "2"}};
    EXPECT_EQ(Check(job, {{"maximum-copies-supported", "9"}}, "maximum-copies-supported",
                    "job-copies", "copy-count"),
              NotSupported("10", "maximum-copies-supported"));
    EXPECT_EQ(Check(job, {{"maximum-copies-supported", "10"}}, "maximum-copies-supported",
                    "job-copies", "copy-count"),
              "");
    // No limit listed.
    EXPECT_EQ(Check(job, {}, "maximum-copies-supported", "job-copies", "copy-count"), "");
    EXPECT_EQ(Check(job, {{"maximum-copies-supported", "0"}}, "maximum-copies-supported",
                    "job-copies", "copy-count"),
              "");
    EXPECT_EQ(Check(job, {{"maximum-copies-supported", "0.9"}}, "maximum-copies-supported",
                    "job-copies", "copy-count"),
              "");
}

TEST_F(CapabilityTest, CopiesFromDocumentsCountAsOneCopyEach) {
    const std::vector<Attr> job{{"1.copy-count", "3"}, {"int-max-copy-count", "4"}};
    EXPECT_EQ(Check(job, {{"maximum-copies-supported", "3"}}, "maximum-copies-supported",
                    "job-copies", "copy-count"),
              NotSupported("4", "maximum-copies-supported"));
    // Without the extra attribute the job is not checked at all.
    EXPECT_EQ(
        Check(job, {{"maximum-copies-supported", "3"}}, "maximum-copies-supported", "job-copies"),
        "");
}

TEST_F(CapabilityTest, CopiesBeyondThirtyTwoBitsAreReportedAsTheyAre) {
    // 65536 * 65536 wraps to 0 in 32 bits; the product must still exceed the limit.
    EXPECT_EQ(Check({{"job-copies", "65536"}, {"int-max-copy-count", "65536"}},
                    {{"maximum-copies-supported", "100"}}, "maximum-copies-supported", "job-copies",
                    "copy-count"),
              NotSupported("4294967296", "maximum-copies-supported"));
    EXPECT_EQ(Check({{"job-copies", "3000000000"}}, {{"maximum-copies-supported", "2147483647"}},
                    "maximum-copies-supported", "job-copies", "copy-count"),
              NotSupported("3000000000", "maximum-copies-supported"));
}

TEST_F(CapabilityTest, MaximumRule) {
    const std::string attr = "binding-edge-image-shift-max-supported";
    EXPECT_EQ(Check({{"binding-edge-image-shift", "12"}}, {{attr, "10"}}, attr,
                    "binding-edge-image-shift"),
              NotSupported("12", attr));
    EXPECT_EQ(Check({{"binding-edge-image-shift", "10"}}, {{attr, "10"}}, attr,
                    "binding-edge-image-shift"),
              "");
}

TEST_F(CapabilityTest, RangeWithOpenTop) {
    const std::string attr = "job-page-count-range-ready";
    auto pages = [&](const std::string& count, const std::string& range) {
        return Check({{"job-page-count", count}}, {{attr, range}}, attr, "job-page-count");
    };
    EXPECT_EQ(pages("120", "1:100"), NotSupported("120", attr));
    EXPECT_EQ(pages("0", "1:100"), NotSupported("0", attr));
    EXPECT_EQ(pages("120", "1:0"), "");
    EXPECT_EQ(pages("120", "0:0"), "");
    EXPECT_EQ(pages("120", "100"), "");
    EXPECT_EQ(pages("50", "1:100"), "");
}

TEST_F(CapabilityTest, JobSizeIsSkippedWhenThePageCountDecides) {
    const std::vector<Attr> printerAttrs{{"job-size-range-ready", "1:1000"},
                                         {"job-page-count-range-ready", "1:100"}};
    EXPECT_EQ(Check({{"total-job-octets", "5000"}, {"job-page-count", "10"}}, printerAttrs,
                    "job-size-range-ready", "total-job-octets"),
              "");
    EXPECT_EQ(Check({{"total-job-octets", "5000"}}, printerAttrs, "job-size-range-ready",
                    "total-job-octets"),
              NotSupported("5000", "job-size-range-ready"));
    EXPECT_EQ(
        Check({{"total-job-octets", "5000"}, {"job-page-count", "10"}},
              {{"job-size-range-ready", "1:1000"}}, "job-size-range-ready", "total-job-octets"),
        NotSupported("5000", "job-size-range-ready"));
}

TEST_F(CapabilityTest, ClosedRangeCountsAnUpperBoundOfZero) {
    const std::string attr = "x-image-shift-range-supported";
    EXPECT_EQ(Check({{"x-image-shift", "5"}}, {{attr, "-10:0"}}, attr, "x-image-shift"),
              NotSupported("5", attr));
    EXPECT_EQ(Check({{"x-image-shift", "-5"}}, {{attr, "-10:0"}}, attr, "x-image-shift"), "");
    EXPECT_EQ(Check({{"y-image-shift", "-20"}}, {{"y-image-shift-range-supported", "-10:10"}},
                    "y-image-shift-range-supported", "y-image-shift"),
              NotSupported("-20", "y-image-shift-range-supported"));
}

TEST_F(CapabilityTest, NumberUpByValueOrRange) {
    const std::string attr = "numbers-up-supported";
    auto up = [&](const std::string& value, std::vector<std::string> listed) {
        return Check({{"number-up", value}}, {{attr, std::move(listed)}}, attr, "number-up");
    };
    EXPECT_EQ(up("4", {"1:16"}), "");
    EXPECT_EQ(up("4", {"1", "4"}), "");
    EXPECT_EQ(up("32", {"1:16"}), NotSupported("32", attr));
    EXPECT_EQ(up("2", {":16"}), NotSupported("2", attr));
    EXPECT_EQ(up("0", {"0:16"}), NotSupported("0", attr));
    EXPECT_EQ(up("none", {"none"}), "");
}

TEST_F(CapabilityTest, PageSelectionIsCheckedByKind) {
    const std::string attr = "page-select-supported";
    auto select = [&](std::vector<Attr> jobAttrs, const std::string& kinds) {
        return Check(std::move(jobAttrs), {{attr, kinds}}, attr, "page-select",
                     "page-media-select");
    };
    EXPECT_EQ(select({{"page-select", "1:5"}}, "numeric"), "");
    EXPECT_EQ(select({{"page-select", "\"1:5\""}}, "numeric"), "");
    EXPECT_EQ(select({{"page-select", "intro:index"}}, "numeric"),
              NotSupported("alphanumeric", attr));
    // A mixed range needs both kinds, each reported once.
    EXPECT_EQ(select({{"page-select", {"1:end", "a:b"}}}, "other"),
              NotSupported("numeric", attr) + NotSupported("alphanumeric", attr));
    EXPECT_EQ(select({{"page-select", "5"}}, "other"), "");
    // The documents' page media selections take part, also without a page selection.
    EXPECT_EQ(select({{"1.page-media-select", "3:4:a4"}}, "alphanumeric"),
              NotSupported("numeric", attr));
}

TEST_F(CapabilityTest, DefaultMediumIncludesPageMedia) {
    const std::string attr = "media-ready";
    EXPECT_EQ(Check({{"default-medium", "a4"}, {"page-media-select", {"1:3:letter", "4:5:a4"}}},
                    {{attr, "a4"}}, attr, "default-medium", "page-media-select"),
              NotSupported("letter", attr));
    EXPECT_EQ(Check({{"1.page-media-select", "\"1:2:legal\""}}, {{attr, "a4"}}, attr,
                    "default-medium", "page-media-select"),
              NotSupported("legal", attr));
    EXPECT_EQ(Check({{"1.page-media-select", "1:2"}}, {{attr, "a4"}}, attr, "default-medium",
                    "page-media-select"),
              "");
}

TEST_F(CapabilityTest, HighlightColourPerDocumentHonoursIgnore) {
    const std::vector<Attr> job{{"1.highlight-colour", "red"},
                                {"1.highlight-colour-mismatch-action", "ignore"},
                                {"2.highlight-colour", "blue"},
                                {"2.highlight-colour-mismatch-action", "abort"}};
    const std::string attr = "highlight-colours-ready";
    EXPECT_EQ(Check(job, {{attr, "green"}}, attr, "highlight-colour"), NotSupported("blue", attr));
    EXPECT_EQ(Check(job, {{attr, "blue"}}, attr, "highlight-colour"), "");
    // Also on a printer that lists no highlight colours at all.
    EXPECT_EQ(Check(job, {}, attr, "highlight-colour"), NotSupported("blue", attr));
}

TEST_F(CapabilityTest, AllPairsRunInTheirFixedOrder) {
    List({{"y-image-shift", "50"},
          {"sides", "duplex"},
          {"document-format", "pdf"},
          {"x-image-shift", "50"},
          {"plex", "simplex"}},
         {{"x-image-shift-range-supported", "0:10"}, {"y-image-shift-range-supported", "0:10"}});
    clsDiagResult result;
    basDiagJobs::CheckJobAgainstPrinter(result, "P1", printer, job);
    EXPECT_EQ(result.DiagMessages(), NotSupported("pdf", "document-formats-ready") +
                                         NotSupported("duplex", "sides-ready") +
                                         NotSupported("simplex", "plexes-supported") +
                                         NotSupported("50", "x-image-shift-range-supported") +
                                         NotSupported("50", "y-image-shift-range-supported"));
}

}  // namespace
