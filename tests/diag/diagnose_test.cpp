// The record of a diagnosis, the walk of a diagnosis over the in-memory print system (the branches
// and edge cases that the demo reports of the end-to-end tests do not reach), the checks of a job
// against a printer and of its documents, and the state reasons in plain words: the severity rule
// (suffix, else condition), sentences built from a part and a condition or written one by one,
// codes, and the message a reason becomes (its catalogue number and arguments, and the code and
// severity that JSON, --check and the metrics read).

#include "diag/diagnose.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "diag/clock.h"
#include "diag/message_info.h"
#include "diag/state_reasons.h"
#include "support/fake_source.h"

using namespace std::string_literals;
using fake::Attr;
using namespace stallscan::diag;
using stallscan::listing::ObjectAttributes;
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
              "Job identifier: unknown ID\r\nJob name:  \r\nJob status: unknown status\r\n"
              "Assigned spooler: unknown spooler\r\nAssigned queue:  \r\nPhysical printer(s):  \r\n"
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

    Diagnosis Diagnosed(const std::string& job_id = "12", const std::string& server = "S1") {
        stallscan::listing::Lister lister(fake);
        return DiagnoseJob(lister, server, "", job_id);
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
// is counted by the end-to-end demo reports.) When nothing is found, the job's state is listed
// afresh, and a change is told.
TEST_F(DiagnoseJobTest, SupervisorsAreReportedOnceAndPlainWithoutATypeAndTheStateIsRechecked) {
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
    EXPECT_FALSE(IsBlocked(diagnosis));
    Printer("PB", "idle", "SUP1", {{"printer-state-reasons", "media-empty-error"}});
    WaitingJob({}, {"PA", "PB"});
    diagnosis = Diagnosed();
    EXPECT_EQ(diagnosis.MessageText(),
              "- Printer \"PA\" is paused.\r\n- Printer \"PB\" is out of paper.\r\n");
    EXPECT_EQ(ProblemCodes(diagnosis),
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

// Where the print system tells times: how long a waiting job has waited (against the server's
// clock where its destination tells it, else the local one; a fixed time over both), since when a
// printer is paused and when a hold to a time of day ends, each at the local offset; information
// that never decides "No problems were found."; a listing-tool job gets none of it.
TEST_F(DiagnoseJobTest, AgesAgainstTheServersClockTheLocalOneOrAFixedOne) {
    fake.dialect = stallscan::listing::Dialect::kIpp;
    const int64_t t = 1796631240;  // 2026-12-07 08:14 UTC
    SetClock({[t] { return t + 60; }, [](int64_t) { return 3600; }, {}});
    const Attrs created = {{"time-at-creation", std::to_string(t - 8040)}};
    Printer("P2", "idle");
    WaitingJob(created, {"P2"});
    Diagnosis diagnosis = Diagnosed();
    EXPECT_EQ(diagnosis.MessageText(),
              "No problems were found.\r\nThe job has been waiting for 2 h 15 min "
              "(since 2026-12-07 07:00 +01:00).\r\n");
    EXPECT_EQ(diagnosis.Created(), t - 8040);
    EXPECT_EQ(diagnosis.WaitingSeconds(), 8100);
    EXPECT_FALSE(IsBlocked(diagnosis));
    fake.Add(ObjectClass::kQueue, "Q1",
             {{"state", "ready"}, {"physical-printers-supported", "P2"},
              {"server-current-time", std::to_string(t)}});
    EXPECT_EQ(Diagnosed().WaitingSeconds(), 8040);

    Printer("PA", "paused", "SUP1",
            {{"printer-state-change-time", std::to_string(t - 2100)},
             {"server-current-time", std::to_string(t + 600)}});
    Attrs held = created;
    held.insert(held.end(), {{"job-state-reasons", "job-hold-until-specified"},
                             {"job-hold-until", "23:59"}});
    WaitingJob(held, {"PA"}, "held");
    diagnosis = Diagnosed();
    EXPECT_EQ(diagnosis.MessageText(),
              "- The job is held for the following reason(s): \"job-hold-until-specified\"\r\n"
              "- The job is held until \"23:59\".\r\n"
              "The hold ends at 23:59 UTC (00:59 +01:00), in 15 h 44 min.\r\n"
              "- Printer \"PA\" is paused.\r\nPrinter \"PA\" has been paused for 45 min.\r\n"
              "The job has been waiting for 2 h 15 min (since 2026-12-07 07:00 +01:00).\r\n");
    EXPECT_EQ(diagnosis.Messages()[4].since, t - 2100);
    EXPECT_EQ(ProblemCodes(diagnosis),
              (std::set<std::string>{"job-held", "job-held-until", "printer-paused"}));

    SetClock({{}, {}, t + 86400});
    diagnosis = Diagnosed();
    EXPECT_EQ(diagnosis.WaitingSeconds(), 86400 + 8040);
    EXPECT_NE(diagnosis.MessageText().find("in 15 h 45 min"), std::string::npos);
    EXPECT_NE(diagnosis.MessageText().find("paused for 1 d."), std::string::npos);

    fake.dialect = stallscan::listing::Dialect::kListingTool;
    diagnosis = Diagnosed();
    EXPECT_EQ(diagnosis.MessageText().find("wait"), std::string::npos);
    EXPECT_FALSE(diagnosis.Created());
    SetClock({});
}

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

// A job with one value against a printer with one value; `reported`: the value reported, if any.
Case One(const std::string& jobAttr, const std::string& jobValue, const std::string& printerAttr,
         const std::string& printerValue, const std::string& reported = "") {
    return {{{jobAttr, jobValue}}, {{printerAttr, printerValue}},
            reported.empty() ? "" : NotSupported(reported, printerAttr)};
}

// Membership reports each uncovered value; maxima and ranges.
TEST(CapabilityChecks, MembershipMaximaAndRanges) {
    const std::string colours = "highlight-colours-ready", media = "media-ready";
    const std::string select = "page-select-supported", copies = "maximum-copies-supported";
    const std::string pages = "job-page-count-range-ready", size = "job-size-range-ready";
    const std::string up = "numbers-up-supported";
    const std::vector<Attr> highlights{{"1.highlight-colour", "red"},
                                       {"1.highlight-colour-mismatch-action", "ignore"},
                                       {"2.highlight-colour", "blue"},
                                       {"2.highlight-colour-mismatch-action", "abort"}};
    const std::vector<Attr> tenCopies{{"job-copies", "5"}, {"int-max-copy-count", "2"}};
    const std::vector<Attr> sizeAndPages{{"total-job-octets", "5000"}, {"job-page-count", "10"}};
    const Case cases[] = {
        {{{"finishing", {"staple", "punch", "fold"}}}, {{"finishings-ready", "punch"}},
         NotSupported("staple", "finishings-ready") + NotSupported("fold", "finishings-ready")},
        // Highlight colours per document, unless its mismatch action ignores them.
        {highlights, {{colours, "green"}}, NotSupported("blue", colours)},
        {highlights, {}, NotSupported("blue", colours)},  // a printer listing none supports none
        // A printer listing some checks the documents' colours, not the job's own (which a printer
        // listing none is checked with: see the end-to-end hostile input tests).
        {{{"highlight-colour", "red"}, {"1.highlight-colour", "blue"}}, {{colours, "green"}},
         NotSupported("blue", colours)},
        // The media of the page media selections, quoted or not, join the default medium.
        {{{"default-medium", "a4"}, {"page-media-select", {"1:3:letter", "4:5:a4"}}},
         {{media, "a4"}, {select, "numeric"}}, NotSupported("letter", media)},
        {{{"1.page-media-select", "\"1:2:legal\""}}, {{media, "a4"}, {select, "numeric"}},
         NotSupported("legal", media)},
        {{{"1.page-media-select", "1:2"}}, {{media, "a4"}, {select, "numeric"}}, ""},
        // Page selections by their kinds, each kind reported once; the documents' page media
        // selections count, also without a page selection.
        One("page-select", "\"1:5\"", select, "numeric"),
        One("page-select", "intro:index", select, "numeric", "alphanumeric"),
        {{{"page-select", {"1:end", "a:b", "c:d"}}}, {{select, "other"}},
         NotSupported("numeric", select) + NotSupported("alphanumeric", select)},
        One("page-select", "5", select, "other"),
        {{{"1.page-media-select", "3:4:a4"}}, {{select, "alphanumeric"}, {media, "a4"}},
         NotSupported("numeric", select)},
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
        One("number-up", "1", up, "1:16"), One("number-up", "16", up, "1:16"),
        One("number-up", "2", up, ":16", "2"), One("number-up", "0", up, "0:16", "0"),
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [job_attrs, printer_attrs, expected] = cases[i];
        const auto [job, printer] = JobAndPrinter(job_attrs, printer_attrs);
        Diagnosis diagnosis;
        CheckJobAgainstPrinter(diagnosis, "P1", printer, job);
        EXPECT_EQ(diagnosis.MessageText(), expected) << "case " << i;
    }
}

std::string EmptyDocuments(std::vector<Attr> jobAttrs) {
    Diagnosis diagnosis;
    CheckEmptyDocuments(diagnosis, JobAndPrinter(std::move(jobAttrs), {}).first);
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
    for (const auto& [job, expected] : cases) EXPECT_EQ(EmptyDocuments(job), expected) << expected;

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
        CheckNativeDocFormats(diagnosis, "P1", printer, job_attrs);
        EXPECT_EQ(diagnosis.MessageText(), expected) << native.back();
    }
}

using enum Severity;
constexpr Msg kOwn = Msg::kReasonPrinterReports;  // 368 to 370 by severity, with the keyword

TEST(StateReasons, PrinterReasonsAsMessages) {
    const struct {
        std::string keyword;
        Severity severity;
        std::string code, sentence;
        Msg id = kOwn;
    } cases[] = {
        // Parts and conditions: a device, a supply; the condition decides without a suffix.
        {"stapler-jam", kProblem, "printer-stapler-jam", "has a staple jam."},
        {"binder-jam", kProblem, "printer-binder-jam", "has a jam in its binder."},
        {"toner-low", kWarning, "printer-toner-low", "is almost out of toner."},
        {"input-tray-missing", kProblem, "printer-input-tray-missing",
         "is missing its input tray."},
        {"marker-waste-almost-full", kWarning, "printer-marker-waste-almost-full",
         "has an almost full waste container."},
        {"fuser-over-temp", kProblem, "printer-fuser-over-temp", "has an overheated fuser."},
        {"stacker-added", kInfo, "printer-stacker-added", "has a new stacker."},
        {"subunit-timing-Failure", kProblem, "printer-subunit-timing-failure",
         "has a timing failure in its subunit."},
        // A suffix decides; the messages that had sentences keep their codes.
        {"media-jam-error", kProblem, "printer-media-jam", "has a paper jam.",
         Msg::kReasonPrinterMediaJam},
        {"marker-supply-empty-warning", kWarning, "printer-toner-empty", "is out of toner."},
        {"offline-report", kInfo, "printer-offline", "is offline."},
        {"stacker-added-error", kProblem, "printer-stacker-added", "has a new stacker."},
        // Sentences of their own; passing states are information.
        {"connecting-to-device", kInfo, "printer-connecting-to-device",
         "is connecting to its device."},
        {"moving-to-paused", kInfo, "printer-moving-to-paused", "is pausing."},
        {"cups-waiting-for-job-completed", kInfo, "printer-cups-waiting-for-job-completed",
         "waits for the job before this one to complete."},
        // Nobody knows it: the generic sentence, by its suffix.
        {"frobnicator-jam", kProblem, "printer-reason", "reports \"frobnicator-jam\"."},
        {"fuser-warning", kWarning, "printer-reason-warning", "reports \"fuser-warning\"."},
    };
    for (const auto& c : cases) {
        Diagnosis diagnosis;
        AddReason(diagnosis, PrinterReason(c.keyword), "P");
        const Message& message = diagnosis.Messages().at(0);
        const bool warning = c.severity == kWarning, info = c.severity == kInfo;
        const Msg id = warning ? Msg::kWarningPrinterReports : info ? Msg::kPrinterReports : c.id;
        const std::string start = warning ? "Warning: " : info ? "" : "- ";
        EXPECT_EQ(message.text, start + "Printer \"P\" " + c.sentence + "\r\n") << c.keyword;
        EXPECT_EQ(CodeOf(message), c.code) << c.keyword;
        EXPECT_EQ(SeverityOf(message), c.severity) << c.keyword;
        EXPECT_EQ(IsBlocked(diagnosis), c.severity == kProblem) << c.keyword;
        EXPECT_EQ(message.id, id) << c.keyword;
        EXPECT_EQ(message.args,
                  (id == Msg::kReasonPrinterMediaJam ? std::vector<std::string>{"P"}
                                                     : std::vector<std::string>{"P", c.keyword}))
            << c.keyword;
    }
}

TEST(StateReasons, JobReasonsAndWhichOfThemExplainAWait) {
    Diagnosis diagnosis;
    for (const char* waits :
         {"job-held-for-review", "cups-held-for-authentication", "account-limit-reached"}) {
        EXPECT_TRUE(JobReason(waits).explains_wait) << waits;
        AddReason(diagnosis, JobReason(waits));
    }
    EXPECT_EQ(diagnosis.MessageText(),
              "- The job is held for review.\r\n- The job is held until its owner gives a "
              "password.\r\n- The job's account has reached its limit.\r\n");
    EXPECT_EQ(CodeOf(diagnosis.Messages().at(0)), "job-job-held-for-review");
    EXPECT_EQ(diagnosis.Messages().at(0).id, Msg::kReasonJobReports);
    for (const char* said_elsewhere :
         {"job-hold-until-specified", "printer-stopped", "job-incoming", "job-queued", "none",
          "processing-to-stop-point", "no-such-reason"}) {
        EXPECT_FALSE(JobReason(said_elsewhere).explains_wait) << said_elsewhere;
    }
    EXPECT_FALSE(JobReason("no-such-reason").known);
}

}  // namespace
