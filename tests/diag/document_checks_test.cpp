#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diag/diagnose_job.h"
#include "diag/fake_print_system.h"

using diagtest::Attr;

namespace {

class DocumentChecksTest : public ::testing::Test {
  protected:
    std::string EmptyDocuments(std::vector<Attr> jobAttrs) {
        jobAttrs.insert(jobAttrs.begin(), Attr{"job-identifier", "1"});
        fake.Add(4, "S1:1", std::move(jobAttrs));
        clsDiagResult result;
        basDiagJobs::CheckEmptyDocuments(result, fake.Listed(4, "S1:1"));
        return result.DiagMessages();
    }

    std::string NativeFormats(std::vector<Attr> jobAttrs, std::vector<Attr> printerAttrs) {
        jobAttrs.insert(jobAttrs.begin(), Attr{"job-identifier", "1"});
        printerAttrs.emplace_back("printer-state", "idle");
        fake.Add(4, "S1:1", std::move(jobAttrs));
        fake.Add(2, "P1", std::move(printerAttrs));
        clsDiagResult result;
        basDiagJobs::CheckNativeDocFormats(result, "P1", fake.Listed(2, "P1"),
                                           fake.Listed(4, "S1:1"));
        return result.DiagMessages();
    }

    diagtest::FakePrintSystem fake;
};

TEST_F(DocumentChecksTest, ReportsDocumentsWithoutData) {
    EXPECT_EQ(EmptyDocuments({{"1.octet-count", "100"},
                              {"2.octet-count", "0"},
                              {"2.document-file-name", "c|/spool/f2"},
                              {"2.document-name", "ignored"}}),
              "- Document 2 (c:\\spool\\f2) has no data.\r\n");
    EXPECT_EQ(EmptyDocuments({{"1.octet-count", "-1"}, {"1.document-name", "report"}}),
              "- Document 1 (report) has no data.\r\n");
    // No octet count at all counts as no data; no name leaves the parentheses empty.
    EXPECT_EQ(EmptyDocuments({{"1.document-format", "PCL"}}), "- Document 1 () has no data.\r\n");
    EXPECT_EQ(EmptyDocuments({}), "");
}

TEST_F(DocumentChecksTest, AbsentDocumentsBelowTheHighestAreReported) {
    EXPECT_EQ(EmptyDocuments({{"3.octet-count", "10"}}),
              "- Document 1 () has no data.\r\n- Document 2 () has no data.\r\n");
}

TEST_F(DocumentChecksTest, AnAbsurdDocumentNumberChecksOnlyDocumentsPresent) {
    EXPECT_EQ(EmptyDocuments({{"1.octet-count", "0"}, {"2000000000.octet-count", "0"}}),
              "- Document 1 () has no data.\r\n- Document 2000000000 () has no data.\r\n");

    // At the limit every number below the highest is still examined.
    const std::string text = EmptyDocuments({{"10001.octet-count", "5"}});
    size_t lines = 0;
    for (size_t p = text.find("\r\n"); p != std::string::npos; p = text.find("\r\n", p + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, 10000u);
    EXPECT_TRUE(
        text.ends_with("Document 9999 () has no data.\r\n- Document 10000 () has no data.\r\n"));
}

TEST_F(DocumentChecksTest, PlainTextOnAPclPrinterNeedsAFilter) {
    const std::vector<Attr> job{{"1.document-format", "simple-text"},
                                {"2.document-format", "PCL5e"}};
    EXPECT_EQ(NativeFormats(job, {{"native-document-formats-ready", {"postscript", "HP-PCL5e"}}}),
              "Warning: Document format \"simple-text\" is not a native format for printer "
              "\"P1\".\r\n"
              "Make sure that the appropriate translation filter is defined.\r\n");
    EXPECT_EQ(NativeFormats(job, {{"native-document-formats-ready", {"simple-text", "PCL5e"}}}),
              "");
    EXPECT_EQ(NativeFormats(job, {{"native-document-formats-ready", "postscript"}}), "");
    EXPECT_EQ(NativeFormats(job, {{"native-document-formats-ready", "pcl"}}), "");
    EXPECT_EQ(
        NativeFormats({{"document-format", "pdf"}}, {{"native-document-formats-ready", "PCL5e"}}),
        "");
    EXPECT_EQ(NativeFormats({}, {{"native-document-formats-ready", "PCL5e"}}), "");
}

}  // namespace
