// The record of a diagnosis, and the walk of a diagnosis over the in-memory print system: the
// branches and edge cases that the demo reports of the end-to-end tests do not reach.

#include "diag/diagnose.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/fake_source.h"

using namespace std::string_literals;
using fake::Attr;
using stallscan::diag::Diagnosis;
using stallscan::model::ObjectClass;
using stallscan::text::Msg;

namespace {

TEST(FormatValueList, DistinctValuesByLastOccurrenceEachWithoutOnePairOfQuotes) {
    // A text without NUL is one value, blanks and commas included.
    const std::vector<std::pair<std::string, std::string>> cases{
        {"a\0b\0a\0"s, "b, a"}, {"\0\0x\0\0y"s, "x, y"},     {"\"x\"", "x"},
        {"\"\"x\"\"", "\"x\""},   {"\"", "\""}, {"\"a b\"\0c\0"s, "a b, c"}, {"a, b c", "a, b c"},
        {"\"\"\0x\0"s, ", x"},  // an empty first item still gets its separator
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(Diagnosis::FormatValueList(text), expected) << text;
    }
}

// The record as a log file holds it, every missing field by its fallback.
TEST(Diagnosis, SavedRecordFallbacksAndRequestedPrinters) {
    Diagnosis r;
    r.SetPrintersRequested("p3\0"s);
    EXPECT_EQ(r.ReportText(),
              "Job identifier: unknown ID\r\n"
              "Job name:  \r\n"
              "Job status: unknown status\r\n"
              "Assigned spooler: unknown spooler\r\n"
              "Assigned queue:  \r\n"
              "Physical printer(s):  \r\n"
              "Requested physical printer(s): p3\r\n"
              "The job is not printing for the following reason(s):\r\n");
}

// Each argument is formatted as a value list; placeholders beyond %9 and inside values stay as
// they are; the messages are kept as data too. An access failure names the object of a class
// from server to document unformatted, and nothing for any other class.
TEST(Diagnosis, MessagesFormatTheirArgumentsAndAreKeptAsData) {
    Diagnosis r;
    r.SetJobName("Budget 100%2 %1");
    r.Add(Msg::kReasonNotSupported,
          {"\"P1\"", "a\0b\0a\0"s, "3%1", "4", "5", "6", "7", "8", "9", "10"});
    r.Add(Msg::kReasonQueuePaused, {"q%3", "unused"});
    for (const auto kind : {ObjectClass::kNone, ObjectClass::kIvj, ObjectClass::kDocument}) {
        r.AddAccessFailure(kind, "\"d\"");
    }
    EXPECT_EQ(r.MessageText(),
              "- Printer \"P1\" does not support \"b, a\" in its \"3%1\" attribute.\r\n"
              "- Queue \"q%3\" is paused.\r\nUnable to access document \"\"d\"\".\r\n");
    EXPECT_NE(r.ReportText().find("Job name: Budget 100%2 %1\r\n"), std::string::npos);
    ASSERT_EQ(r.Messages().size(), 3u);
    EXPECT_EQ(r.Messages()[2].id, Msg::kUnableToAccessDocument);
    EXPECT_EQ(r.Messages()[0].args,
              (std::vector<std::string>{"P1", "b, a", "3%1", "4", "5", "6", "7", "8", "9"}));
}

using Attrs = std::vector<Attr>;
using Names = std::vector<std::string>;

class DiagnoseJobTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake.Add(ObjectClass::kServer, "S1",
                 {{"server-state", "idle"}, {"default-job-completion-period", "P7D"}});
        for (const auto& [name, enabled] :
             {std::pair{"SUP1", "true"}, {"SA", "false"}, {"SB", "false"}}) {
            fake.Add(ObjectClass::kServer, name, {{"server-name", name}, {"enabled", enabled}});
        }
    }

    // Job 12 of S1; a waiting one is on queue Q1 of these printers.
    void Job(Attrs attrs, const Names& printers = {}) {
        attrs.emplace_back("job-identifier", "12");
        fake.Add(ObjectClass::kJob, "S1:12", std::move(attrs));
        fake.Add(ObjectClass::kQueue, "Q1",
                 {{"state", "ready"}, {"physical-printers-supported", printers}});
    }
    void WaitingJob(Attrs attrs, const Names& printers, const std::string& state = "pending") {
        attrs.insert(attrs.end(), {{"current-job-state", state}, {"assigned-queue", "Q1"}});
        Job(std::move(attrs), printers);
    }

    // An empty state or supervisor is one the printer does not list.
    void Printer(const std::string& name, const std::string& state,
                 const std::string& supervisor = "SUP1", Attrs attrs = {}) {
        attrs.insert(attrs.end(), {{"printer-state", state}, {"associated-server", supervisor}});
        fake.Add(ObjectClass::kPrinter, name, std::move(attrs));
    }

    std::string Diagnose(const std::string& job_id = "12", const std::string& server = "S1") {
        stallscan::listing::Lister lister(fake);
        return stallscan::diag::DiagnoseJob(lister, server, "", job_id).MessageText();
    }

    fake::FakeSource fake;
};

TEST_F(DiagnoseJobTest, GatesThatEndTheDiagnosis) {
    EXPECT_EQ(Diagnose("12", ""), "No server has been specified.\r\n");
    EXPECT_TRUE(fake.Calls().empty());
    fake.Add(ObjectClass::kServer, "S2", {{"server-name", "S2"}});  // listed, but no state
    EXPECT_EQ(Diagnose("12", "S2"), "Unable to access server \"S2\".\r\n");
    for (const std::string id : {"0", "0.5", ""}) {
        EXPECT_EQ(Diagnose(id), "Invalid job identifier \"" + id + "\".\r\n") << id;
    }
    // A job listed without its identifier is no job.
    fake.Add(ObjectClass::kJob, "S1:14", {{"job-name", "x"}, {"current-job-state", "pending"}});
    EXPECT_EQ(Diagnose("14"), "Job \"14\" not found in server \"S1\".\r\n");
    Job({{"assigned-queue", "Q1"}});
    EXPECT_EQ(Diagnose(),
              "Unable to retrieve current job state for job \"12\"; user may not have access.\r\n");
    // A queue without a state.
    WaitingJob({}, {"P1"});
    fake.Add(ObjectClass::kQueue, "Q1", {{"physical-printers-supported", "P1"}});
    EXPECT_EQ(Diagnose(),
              "Unable to retrieve queue state for queue \"Q1\"; user may not have access.\r\n");
}

TEST_F(DiagnoseJobTest, JobsThatAreNotWaitingSayWhatBecameOfThem) {
    const std::string canceled = "This job has a job state of \"canceled\".\r\n";
    const std::pair<Attrs, std::string> cases[] = {
        // The job's own completion period wins; a job with data gets no zero-size warning.
        {{{"current-job-state", "completed"}, {"job-completion-period", "PT1H"},
          {"job-state-reasons", "aborted-by-system"}, {"total-job-octets", "12"}},
         "This job has completed; the job completion period is \"PT1H\".\r\n"
         "The job completed with a job state of \"aborted-by-system\".\r\n"},
        // Retained with errors on a printer that cannot be listed: no format check.
        {{{"current-job-state", "retained"}, {"job-state-reasons", "completed-with-errors"},
          {"printers-assigned", "P1"}, {"1.document-format", "simple-text"}},
         "This job is retained; the job retention period is \"\".\r\n"
         "The job completed with a job state of \"completed-with-errors\".\r\n"},
        // Any other state: its reasons, else its message.
        {{{"current-job-state", "canceled"}, {"job-state-reasons", "by-user"},
          {"job-state-message", "m"}},
         canceled + "The job has a job state reason of \"by-user\".\r\n"},
        {{{"current-job-state", "canceled"}, {"job-state-message", "m"}},
         canceled + "The job has a job state message of \"m\".\r\n"},
    };
    for (const auto& [job, expected] : cases) {
        Job(job);
        EXPECT_EQ(Diagnose(), expected);
    }
}

// A waiting job (its first document empty) on queue Q1 of the given printers: its own reasons,
// then each printer's until one ends the loop or the diagnosis, then the closing messages.
TEST_F(DiagnoseJobTest, WhatBlocksAWaitingJob) {
    Printer("P1", "idle");
    Printer("P2", "paused");
    Printer("PN", "", "SUP1", {{"enabled", "false"}});
    for (const char* busy : {"connecting-to-printer", "saturated"}) {
        Printer(busy, busy, "SUP1", {{"sides-ready", "simplex"}});
    }
    for (const char* name : {"P0", "P3"}) Printer(name, "paused", "");
    Printer("PU", "paused", "SUPX");
    // State reasons with a sentence of their own whatever their suffix, others by their suffix.
    Printer("PR", "idle", "SUP1",
            {{"printer-state-reasons",
              {"none", "paused", "media-needed", "media-jam-error", "marker-supply-empty-warning",
               "offline-report", "cups-missing-filter", "cover-open", "fuser-error",
               "toner-low-warning", "spool-area-full-report"}}});
    const std::string no_data = "- Document 1 (memo) has no data.\r\n";
    const std::string p = "Printer \"PR\" ";
    const std::tuple<Attrs, std::string, Names, std::string> cases[] = {
        // A paused job's documents are checked only when it has a hold set too.
        {{}, "paused", {"P1"}, "- The job is paused.\r\n"},
        {{{"job-hold", "true"}}, "paused", {"P1"},
         "- The job is paused.\r\n- The job is held for the following reason(s): "
         "\"job-hold-set\"\r\n" + no_data},
        // A missing printer ends the loop, and so does one without a state.
        {{{"job-state-message", "waiting"}, {"intervening-jobs", "3"}}, "pending", {"PX", "P1"},
         "- Printer \"PX\" was not found.\r\n- The job has a job state message of \"waiting\".\r\n"
         "- The queue has 3 intervening job(s) to schedule before this job.\r\n"},
        {{}, "pending", {"PN", "P2"},
         "- Printer \"PN\" is disabled.\r\n"
         "Unable to retrieve printer state for printer \"PN\"; user may not have access.\r\n"},
        // A busy printer is still compared with the job.
        {{{"sides", "duplex"}}, "pending", {"connecting-to-printer", "saturated"},
         "- Printer \"connecting-to-printer\" is currently printing a job; the printer state is "
         "\"connecting-to-printer\".\r\n- Printer \"connecting-to-printer\" does not support "
         "\"duplex\" in its \"sides-ready\" attribute.\r\n- Printer \"saturated\" is currently "
         "printing a job; the printer state is \"saturated\".\r\n- Printer \"saturated\" does not "
         "support \"duplex\" in its \"sides-ready\" attribute.\r\n"},
        {{}, "pending", {"PR"},
         "- " + p + "is out of paper.\r\n- " + p + "has a paper jam.\r\n- " + p +
             "is out of toner.\r\n- " + p + "is offline.\r\n- " + p +
             "has no filter for the document format.\r\n- " + p +
             "has an open door or cover.\r\n- " + p + "reports \"fuser-error\".\r\nWarning: " + p +
             "reports \"toner-low-warning\".\r\n" + p + "reports \"spool-area-full-report\".\r\n"},
        // A supervisor that cannot be listed ends the diagnosis, without the closing messages. A
        // printer without one passes only while no supervisor has been listed.
        {{{"job-state-message", "m"}}, "pending", {"PU", "P2"},
         "Unable to access server \"SUPX\".\r\n"},
        {{}, "pending", {"P0", "P1", "P3"},
         "- Printer \"P0\" is paused.\r\nUnable to access server \"\".\r\n"},
    };
    for (auto [job, state, printers, expected] : cases) {
        job.insert(job.end(), {{"1.octet-count", "0"}, {"1.document-name", "memo"}});
        WaitingJob(job, printers, state);
        EXPECT_EQ(Diagnose(), expected) << printers[0];
    }
}

// A disabled supervisor is reported once however many printers it serves. (How often it is listed
// is counted by the end-to-end demo reports.)
TEST_F(DiagnoseJobTest, SupervisorsAreReportedOnceAndPlainWithoutAType) {
    WaitingJob({}, {"P1", "P2", "P3", "P4"});
    for (const char* printer : {"P1", "P3", "P4"}) Printer(printer, "idle", "SA");
    Printer("P2", "idle", "SB");
    EXPECT_EQ(Diagnose(),
              "- Supervisor \"SA\" is disabled.\r\n- Supervisor \"SB\" is disabled.\r\n");

    // Listed without its type (the listing with it gives nothing), a supervisor is plain.
    fake.Add(ObjectClass::kServer, "SUP1",
             {{"server-name", "SUP1"}, {"enabled", "true"}, {"supervisor-type", "Velmar"}});
    fake.Add(ObjectClass::kServer, "SUP1", {}, "server-name enabled supervisor-type");
    Printer("P1", "idle");
    WaitingJob({}, {"P1"});
    EXPECT_EQ(Diagnose(), "No problems were found.\r\n");  // no Velmar checks
}

// Nothing found: the job's state is listed afresh, and a change is told.
TEST_F(DiagnoseJobTest, NothingFoundRechecksTheJobState) {
    WaitingJob({}, {"P1"});
    Printer("P1", "idle");
    EXPECT_EQ(Diagnose(), "No problems were found.\r\n");
    fake.Add(ObjectClass::kJob, "S1:12", {{"current-job-state", "printing"}}, "current-job-state");
    EXPECT_EQ(Diagnose(),
              "No problems were found.\r\n"
              "This job is no longer pending; the current job state is \"printing\".\r\n");
}

}  // namespace
