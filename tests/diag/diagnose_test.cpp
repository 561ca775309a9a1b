// The record of a diagnosis, and the walk of a diagnosis over the in-memory print system: the
// branches and edge cases that the demo reports of the end-to-end tests do not reach.

#include "diag/diagnose.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "diag/message_info.h"
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

// For a terminal every value's control characters are escaped, a CR LF inside a value too, while
// the record's own line ends stay.
TEST(Diagnosis, TerminalRecordEscapesValuesButKeepsItsLineEnds) {
    Diagnosis r;
    r.SetJobName("a\x1b[2J\r\nFake: line");
    r.Add(Msg::kReasonQueuePaused, {"q\r\n- Queue \"x\" is paused.\x07"});
    const std::string shown = r.TerminalReportText();
    EXPECT_NE(shown.find("\r\nJob name: a\\e[2J\\r\\nFake: line\r\n"), std::string::npos) << shown;
    EXPECT_TRUE(shown.ends_with("reason(s):\r\n- Queue \"q\\r\\n- Queue \"x\" is paused.\\x07\" is "
                                "paused.\r\n"))
        << shown;
    EXPECT_NE(r.ReportText().find("Job name: a\x1b[2J\r\nFake: line\r\n"), std::string::npos);
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

    Diagnosis Diagnosed(const std::string& job_id = "12", const std::string& server = "S1") {
        stallscan::listing::Lister lister(fake);
        return stallscan::diag::DiagnoseJob(lister, server, "", job_id);
    }
    std::string Diagnose(const std::string& job_id = "12", const std::string& server = "S1") {
        return Diagnosed(job_id, server).MessageText();
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
    // State reasons in their sentences, each with its severity: its suffix's, else its own.
    Printer("PR", "idle", "SUP1",
            {{"printer-state-reasons",
              {"none", "paused", "media-needed", "marker-supply-empty-warning", "offline-report",
               "fuser-error"}}});
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
         "- " + p + "is out of paper.\r\nWarning: " + p + "is out of toner.\r\n" + p +
             "is offline.\r\n- " + p + "reports \"fuser-error\".\r\n"},
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

// An IPP print system (CUPS): what a printer does not list it makes no claim about and its own
// default is never a reason; a class member that can print the job makes the problems of the
// others information; a printing job's printer tells what stops it; a waiting job's own reasons
// and a stopped class's message are told; a job that cannot be asked for is not "not found".
TEST_F(DiagnoseJobTest, IppReadingOfCapabilitiesClassesAndReasons) {
    fake.dialect = stallscan::listing::Dialect::kIpp;
    const Attrs asks = {{"print-color-mode", "monochrome"}, {"sides", "two-sided-long-edge"},
                        {"media", "iso_a3_297x420mm"}, {"copies", "2"}};
    Printer("P1", "idle", "SUP1",
            {{"print-color-mode-default", "monochrome"}, {"sides-supported", "one-sided"},
             {"media-supported", {"iso_a4_210x297mm", "iso_a3_297x420mm"}},
             {"media-ready", "iso_a4_210x297mm"}, {"copies-supported", "1:1"},
             {"copies-default", "2"}});
    WaitingJob(asks, {"P1"});
    const std::string a3 = "- Printer \"P1\" does not support \"iso_a3_297x420mm\" in its ";
    EXPECT_EQ(Diagnose(), a3 + "\"media-ready\" attribute.\r\n- Printer \"P1\" does not support "
                              "\"two-sided-long-edge\" in its \"sides-supported\" attribute.\r\n");
    Printer("P2", "idle");  // lists nothing
    WaitingJob(asks, {"P2"});
    EXPECT_EQ(Diagnose(), "No problems were found.\r\n");
    fake.Add(ObjectClass::kPrinter, "P1", {{"printer-state", "idle"}, {"associated-server", "SUP1"},
                                           {"media-supported", "iso_a4_210x297mm"}});
    WaitingJob(asks, {"P1"});
    EXPECT_EQ(Diagnose(), a3 + "\"media-supported\" attribute.\r\n");

    // Class members: one that can print the job is enough.
    Printer("PA", "paused");
    WaitingJob({}, {"PA", "P2"});
    Diagnosis diagnosis = Diagnosed();
    EXPECT_EQ(diagnosis.MessageText(), "Printer \"PA\" is paused.\r\n");
    EXPECT_FALSE(stallscan::diag::IsBlocked(diagnosis));
    Printer("PB", "idle", "SUP1", {{"printer-state-reasons", "media-empty-error"}});
    WaitingJob({}, {"PA", "PB"});
    diagnosis = Diagnosed();
    EXPECT_EQ(diagnosis.MessageText(),
              "- Printer \"PA\" is paused.\r\n- Printer \"PB\" is out of paper.\r\n");
    EXPECT_EQ(stallscan::diag::ProblemCodes(diagnosis),
              (std::set<std::string>{"printer-paused", "printer-media-empty"}));

    // A stopped class's message; a held job's own reasons.
    WaitingJob({{"job-state-reasons", {"job-hold-until-specified", "job-held-for-review",
                                       "account-closed"}}},
               {"P2"}, "held");
    fake.Add(ObjectClass::kQueue, "Q1",
             {{"state", "paused"}, {"physical-printers-supported", "P2"},
              {"queue-state-message", "Weekend shutdown"}});
    EXPECT_EQ(Diagnose(),
              "- The job is held for the following reason(s): \"job-hold-until-specified, "
              "job-held-for-review, account-closed\"\r\n- The job is held for review.\r\n"
              "- The job's account is closed.\r\n- Queue \"Q1\" is paused.\r\n"
              "Queue \"Q1\" has a queue state message of \"Weekend shutdown\".\r\n");

    // A printing job's printer that is offline.
    Printer("P4", "printing", "SUP1",
            {{"printer-state-reasons", {"offline", "toner-low-warning", "paused"}}});
    Job({{"current-job-state", "processing"}, {"printers-assigned", "P4"}});
    EXPECT_EQ(Diagnose(), "This job is currently processing.\r\nThe assigned printer is \"P4\"; "
                          "the current printer state is \"printing\".\r\n"
                          "- Printer \"P4\" is offline.\r\n");

    fake.Fail(ObjectClass::kJob, "S1:12", stallscan::listing::Status::kToolError, "dropped");
    EXPECT_EQ(Diagnose(), "Unable to access job \"S1:12\".\r\n");
    fake.dialect = stallscan::listing::Dialect::kListingTool;
    EXPECT_EQ(Diagnose(), "Job \"12\" not found in server \"S1\".\r\n");
}

}  // namespace
