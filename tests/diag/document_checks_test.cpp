#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "diag/diagnose_job.h"
#include "diag/fake_print_system.h"

using diagtest::Attr;

namespace {

std::string EmptyDocuments(std::vector<Attr> jobAttrs) {
    diagtest::FakePrintSystem fake;
    clsDiagResult result;
    basDiagJobs::CheckEmptyDocuments(result, fake.JobAndPrinter(std::move(jobAttrs), {}).first);
    return result.DiagMessages();
}

TEST(DocumentChecks, DocumentsWithoutDataByFileNameOrName) {
    const std::vector<std::pair<std::vector<Attr>, std::string>> cases{
        {{{"1.octet-count", "100"},
          {"2.octet-count", "0"},
          {"2.document-file-name", "c|/spool/f2"},
          {"2.document-name", "ignored"}},
         "- Document 2 (c:\\spool\\f2) has no data.\r\n"},
        {{{"1.octet-count", "-1"}, {"1.document-name", "report"}},
         "- Document 1 (report) has no data.\r\n"},
        {{{"1.document-format", "PCL"}}, "- Document 1 () has no data.\r\n"},
        {{}, ""},
        // Documents absent below the highest number have no data either ...
        {{{"3.octet-count", "10"}},
         "- Document 1 () has no data.\r\n- Document 2 () has no data.\r\n"},
        // ... unless the highest number is absurd: then only the documents present count.
        {{{"1.octet-count", "0"}, {"2000000000.octet-count", "0"}},
         "- Document 1 () has no data.\r\n- Document 2000000000 () has no data.\r\n"},
    };
    for (const auto& [job, expected] : cases) {
        EXPECT_EQ(EmptyDocuments(job), expected) << expected;
    }

    // At the limit every number below the highest is still examined.
    const std::string text = EmptyDocuments({{"10001.octet-count", "5"}});
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 10000);
    EXPECT_TRUE(text.ends_with("- Document 10000 () has no data.\r\n"));
}

TEST(DocumentChecks, PlainTextOnAPclPrinterNeedsAFilter) {
    const std::vector<Attr> textAndPcl{{"1.document-format", "simple-text"},
                                       {"2.document-format", "PCL5e"}};
    const std::string warning =
        "Warning: Document format \"simple-text\" is not a native format for printer \"P1\".\r\n"
        "Make sure that the appropriate translation filter is defined.\r\n";
    const std::vector<std::tuple<std::vector<Attr>, std::vector<std::string>, std::string>> cases{
        {textAndPcl, {"postscript", "HP-PCL5e"}, warning},
        {textAndPcl, {"simple-text", "PCL5e"}, ""},
        {textAndPcl, {"postscript"}, ""},
        {textAndPcl, {"pcl"}, ""},
        {{{"document-format", "pdf"}}, {"PCL5e"}, ""}};
    for (const auto& [job, native, expected] : cases) {
        diagtest::FakePrintSystem fake;
        const auto [jobAttrs, printer] =
            fake.JobAndPrinter(job, {{"native-document-formats-ready", native}});
        clsDiagResult result;
        basDiagJobs::CheckNativeDocFormats(result, "P1", printer, jobAttrs);
        EXPECT_EQ(result.DiagMessages(), expected) << native.back();
    }
}

}  // namespace
