// Highlight colours on a printer that lists none, end to end in both modes: a job's own colours
// are reported, even when a document asks for other ones.

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"

namespace {

using namespace e2e;

// Server hl with queue q-hl, whose printer lp-hl has no "highlight-colours-ready"; job 1 asks
// for red, job 2 too while its document 1 asks for blue.
const std::pair<const char*, const char*> kModel[] = {
    {"servers/hl.txt", "server-name = hl\nserver-state = running\n"},
    {"queues/q-hl.txt", "queue-name = q-hl\nstate = ready\nphysical-printers-supported = lp-hl\n"},
    {"printers/lp-hl.txt", "associated-server = hl\nprinter-state = idle\nenabled = true\n"},
    {"jobs/hl-1.txt",
     "job-identifier = 1\njob-name = own\ncurrent-job-state = pending\nassigned-queue = q-hl\n"
     "highlight-colour = red\n"},
    {"jobs/hl-2.txt",
     "job-identifier = 2\njob-name = both\ncurrent-job-state = pending\nassigned-queue = q-hl\n"
     "highlight-colour = red\n[document 1]\nhighlight-colour = blue\noctet-count = 10\n"},
};

std::string Report(const std::string& job, const std::string& name) {
    return "Job identifier: hl:" + job + "\r\nJob name: " + name +
           "\r\nJob status: pending\r\nAssigned spooler: hl\r\nAssigned queue: q-hl\r\n"
           "Physical printer(s): lp-hl\r\n"
           "The job is not printing for the following reason(s):\r\n"
           "- Printer \"lp-hl\" does not support \"red\" in its \"highlight-colours-ready\" "
           "attribute.\r\n\r\n";
}

}  // namespace

TEST(Highlight, AJobsOwnColoursAreReportedOnAPrinterListingNone) {
    const fs::path base = FreshDir("highlight");
    for (const auto& [file, text] : kModel) {
        fs::create_directories((base / "model" / file).parent_path());
        WriteFile(base / "model" / file, text);
    }
    Installation install;
    install.Create(base, base / "model");
    const std::string expected = Report("1", "own") + Report("2", "both");
    for (const test_os::ProgramRun& run :
         {install.Normal({"--crlf", "hl:1", "hl:2"}), install.Pseudo({"--crlf", "hl:1", "hl:2"})}) {
        EXPECT_EQ(run.exit_code, 0) << run.err;
        EXPECT_EQ(run.out, expected);
    }
    install.Remove();
}
