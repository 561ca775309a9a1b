// The checks of a job against a printer and of its documents, on attributes listed through the
// in-memory print system.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "diag/diagnose.h"
#include "support/fake_source.h"

using fake::Attr;
using stallscan::diag::Diagnosis;
using stallscan::listing::ObjectAttributes;
using stallscan::model::ObjectClass;

namespace {

// Job S1:1 and printer P1 made of these attributes, listed in full.
std::pair<ObjectAttributes, ObjectAttributes> JobAndPrinter(std::vector<Attr> job,
                                                            std::vector<Attr> printer) {
    fake::FakeSource source;
    job.emplace_back("job-identifier", "1");
    source.Add(ObjectClass::kJob, "S1:1", std::move(job));
    source.Add(ObjectClass::kPrinter, "P1", std::move(printer));
    stallscan::listing::Lister lister(source);
    std::pair<ObjectAttributes, ObjectAttributes> listed;
    listed.first.List(lister, {ObjectClass::kJob, "S1:1", ""}, true);
    listed.second.List(lister, {ObjectClass::kPrinter, "P1", ""}, true);
    return listed;
}

std::string NotSupported(const std::string& value, const std::string& printerAttr) {
    return "- Printer \"P1\" does not support \"" + value + "\" in its \"" + printerAttr +
           "\" attribute.\r\n";
}

// A job's attributes, the printer's, and the messages of all capability checks.
using Case = std::tuple<std::vector<Attr>, std::vector<Attr>, std::string>;

void ExpectChecks(const std::vector<Case>& cases) {
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& [job_attrs, printer_attrs, expected] = cases[i];
        const auto [job, printer] = JobAndPrinter(job_attrs, printer_attrs);
        Diagnosis diagnosis;
        stallscan::diag::CheckJobAgainstPrinter(diagnosis, "P1", printer, job);
        EXPECT_EQ(diagnosis.MessageText(), expected) << "case " << i;
    }
}

// A job with one value against a printer with one value; `reported`: the value reported, if any.
Case One(const std::string& jobAttr, const std::string& jobValue, const std::string& printerAttr,
         const std::string& printerValue, const std::string& reported = "") {
    return {{{jobAttr, jobValue}}, {{printerAttr, printerValue}},
            reported.empty() ? "" : NotSupported(reported, printerAttr)};
}

const std::string kMedia = "media-ready";
const std::string kSelect = "page-select-supported";

TEST(CapabilityChecks, MembershipReportsEachUncoveredValue) {
    const std::string colours = "highlight-colours-ready";
    const std::vector<Attr> highlights{{"1.highlight-colour", "red"},
                                       {"1.highlight-colour-mismatch-action", "ignore"},
                                       {"2.highlight-colour", "blue"},
                                       {"2.highlight-colour-mismatch-action", "abort"}};
    ExpectChecks({
        {{{"finishing", {"staple", "punch", "fold"}}}, {{"finishings-ready", "punch"}},
         NotSupported("staple", "finishings-ready") + NotSupported("fold", "finishings-ready")},
        // Highlight colours per document, unless its mismatch action ignores them.
        {highlights, {{colours, "green"}}, NotSupported("blue", colours)},
        {highlights, {}, NotSupported("blue", colours)},  // a printer listing none supports none
        // A printer listing some checks the documents' colours, not the job's own (which a printer
        // listing none is checked with: see the end-to-end highlight tests).
        {{{"highlight-colour", "red"}, {"1.highlight-colour", "blue"}}, {{colours, "green"}},
         NotSupported("blue", colours)},
        // The media of the page media selections, quoted or not, join the default medium.
        {{{"default-medium", "a4"}, {"page-media-select", {"1:3:letter", "4:5:a4"}}},
         {{kMedia, "a4"}, {kSelect, "numeric"}}, NotSupported("letter", kMedia)},
        {{{"1.page-media-select", "\"1:2:legal\""}}, {{kMedia, "a4"}, {kSelect, "numeric"}},
         NotSupported("legal", kMedia)},
        {{{"1.page-media-select", "1:2"}}, {{kMedia, "a4"}, {kSelect, "numeric"}}, ""},
        // Page selections by their kinds, each kind reported once; the documents' page media
        // selections count, also without a page selection.
        One("page-select", "\"1:5\"", kSelect, "numeric"),
        One("page-select", "intro:index", kSelect, "numeric", "alphanumeric"),
        {{{"page-select", {"1:end", "a:b", "c:d"}}}, {{kSelect, "other"}},
         NotSupported("numeric", kSelect) + NotSupported("alphanumeric", kSelect)},
        One("page-select", "5", kSelect, "other"),
        {{{"1.page-media-select", "3:4:a4"}}, {{kSelect, "alphanumeric"}, {kMedia, "a4"}},
         NotSupported("numeric", kSelect)},
    });
}

TEST(CapabilityChecks, MaximaAndRanges) {
    const std::string copies = "maximum-copies-supported";
    const std::string pages = "job-page-count-range-ready";
    const std::string size = "job-size-range-ready";
    const std::string up = "numbers-up-supported";
    const std::vector<Attr> tenCopies{{"job-copies", "5"}, {"int-max-copy-count", "2"}};
    const std::vector<Attr> sizeAndPages{{"total-job-octets", "5000"}, {"job-page-count", "10"}};
    ExpectChecks({
        One("binding-edge-image-shift", "12", "binding-edge-image-shift-max-supported", "10", "12"),
        {tenCopies, {{copies, "10"}}, ""},
        {tenCopies, {}, ""},                 // no limit listed
        {tenCopies, {{copies, "0.9"}}, ""},  // nor a limit below one
        // Copies given only by the documents count as one copy.
        {{{"1.copy-count", "3"}, {"int-max-copy-count", "4"}}, {{copies, "3"}},
         NotSupported("4", copies)},
        // Products beyond 32 bits are compared and reported as they are, up to the largest
        // 64-bit number.
        {{{"job-copies", "65536"}, {"int-max-copy-count", "65536"}}, {{copies, "100"}},
         NotSupported("4294967296", copies)},
        {{{"job-copies", "9223372036854775807"}}, {{copies, "100"}},
         NotSupported("9223372036854775807", copies)},
        // An upper bound of 0 is open for the page count and the job size.
        One("job-page-count", "0", pages, "1:100", "0"),
        One("job-page-count", "120", pages, "1:0"),
        One("job-page-count", "120", pages, "100"),
        // The job size is skipped when both sides give the page count.
        {sizeAndPages, {{size, "1:1000"}, {pages, "1:100"}}, ""},
        {sizeAndPages, {{size, "1:1000"}}, NotSupported("5000", size)},
        // Image shifts have closed ranges: both bounds are within.
        One("x-image-shift", "5", "x-image-shift-range-supported", "-10:0", "5"),
        One("x-image-shift", "0", "x-image-shift-range-supported", "-10:0"),
        One("y-image-shift", "-10", "y-image-shift-range-supported", "-10:10"),
        One("y-image-shift", "-20", "y-image-shift-range-supported", "-10:10", "-20"),
        // Number-up: a listed value or a positive number within a range of two bounds.
        One("number-up", "1", up, "1:16"),
        One("number-up", "16", up, "1:16"),
        One("number-up", "2", up, ":16", "2"),
        One("number-up", "0", up, "0:16", "0"),
    });
}

std::string EmptyDocuments(std::vector<Attr> jobAttrs) {
    Diagnosis diagnosis;
    stallscan::diag::CheckEmptyDocuments(diagnosis, JobAndPrinter(std::move(jobAttrs), {}).first);
    return diagnosis.MessageText();
}

TEST(DocumentChecks, DocumentsWithoutDataByFileNameOrName) {
    const std::vector<std::pair<std::vector<Attr>, std::string>> cases{
        {{{"1.octet-count", "100"}, {"2.octet-count", "0"},
          {"2.document-file-name", "c|/spool/f2"}, {"2.document-name", "ignored"}},
         "- Document 2 (c:\\spool\\f2) has no data.\r\n"},
        {{{"1.octet-count", "-1"}, {"1.document-name", "report"}},
         "- Document 1 (report) has no data.\r\n"},
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
        {textAndPcl, {"pcl"}, ""},
        {{{"document-format", "pdf"}}, {"PCL5e"}, ""}};
    for (const auto& [job, native, expected] : cases) {
        const auto [job_attrs, printer] =
            JobAndPrinter(job, {{"native-document-formats-ready", native}});
        Diagnosis diagnosis;
        stallscan::diag::CheckNativeDocFormats(diagnosis, "P1", printer, job_attrs);
        EXPECT_EQ(diagnosis.MessageText(), expected) << native.back();
    }
}

}  // namespace
