#include "diag/diagnose.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_source.h"

using fake::Attr;
using stallscan::model::ObjectClass;

namespace {

class DiagnoseJobTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake.Add(ObjectClass::kServer, "S1",
                 {{"server-state", "idle"}, {"default-job-completion-period", "P7D"}});
    }

    void Job(std::vector<Attr> attrs) {
        attrs.insert(attrs.begin(), Attr{"job-identifier", "12"});
        fake.Add(ObjectClass::kJob, "S1:12", std::move(attrs));
    }

    // A job waiting in the given state on queue Q1 of these printers; supervisor SUP1 is plain.
    void WaitingJob(std::vector<Attr> attrs, std::vector<std::string> printers = {"P1"},
                    const std::string& state = "pending") {
        attrs.emplace_back("current-job-state", state);
        attrs.emplace_back("assigned-queue", "Q1");
        Job(std::move(attrs));
        fake.Add(ObjectClass::kQueue, "Q1",
                 {{"state", "ready"}, {"physical-printers-supported", printers}});
        Supervisor("SUP1", "true");
    }

    void Supervisor(const std::string& name, const std::string& enabled) {
        fake.Add(ObjectClass::kServer, name, {{"server-name", name}, {"enabled", enabled}});
    }

    void Printer(const std::string& name, const std::string& state,
                 const std::string& supervisor = "SUP1", std::vector<Attr> attrs = {}) {
        if (!state.empty()) {
            attrs.emplace_back("printer-state", state);
        }
        if (!supervisor.empty()) {
            attrs.emplace_back("associated-server", supervisor);
        }
        fake.Add(ObjectClass::kPrinter, name, std::move(attrs));
    }

    std::string Diagnose(const std::string& job_id = "12", const std::string& server = "S1") {
        stallscan::listing::Lister lister(fake);
        result = stallscan::diag::DiagnoseJob(lister, server, "", job_id);
        return result.MessageText();
    }

    fake::FakeSource fake;
    stallscan::diag::Diagnosis result;
};

TEST_F(DiagnoseJobTest, ServerGatesStopBeforeTheJob) {
    EXPECT_EQ(Diagnose("12", ""), "No server has been specified.\r\n");
    EXPECT_TRUE(fake.Calls().empty());
    EXPECT_EQ(result.JobId(), "12");

    EXPECT_EQ(Diagnose("12", "S9"), "Unable to access server \"S9\".\r\n");
    EXPECT_EQ(result.SpoolerName(), "S9");
    fake.Add(ObjectClass::kServer, "S2", {{"server-name", "S2"}});  // no state
    EXPECT_EQ(Diagnose("12", "S2"), "Unable to access server \"S2\".\r\n");
    EXPECT_EQ(fake.Calls().size(), 2u);
}

TEST_F(DiagnoseJobTest, JobGates) {
    Job({{"current-job-state", "processing"}});
    EXPECT_EQ(Diagnose(), "This job is currently processing.\r\n");  // 3 runs, no printer
    for (const std::string id : {"0", "-5", "abc", "0.5", ""}) {
        EXPECT_EQ(Diagnose(id), "Invalid job identifier \"" + id + "\".\r\n") << id;
    }
    EXPECT_EQ(fake.Calls().size(), 3u + 5u);  // the server each time, never a job

    EXPECT_EQ(Diagnose("13"), "Job \"13\" not found in server \"S1\".\r\n");
    fake.Add(ObjectClass::kJob, "S1:14", {{"job-name", "x"}, {"current-job-state", "pending"}});
    EXPECT_EQ(Diagnose("14"), "Job \"14\" not found in server \"S1\".\r\n");

    Job({{"job-name", "\"weekly\""}, {"assigned-queue", "Q1"}});
    EXPECT_EQ(Diagnose(),
              "Unable to retrieve current job state for job \"12\"; user may not have access.\r\n");
    EXPECT_EQ(result.JobName(), "weekly");
    EXPECT_EQ(result.QueueName(), "Q1");
}

TEST_F(DiagnoseJobTest, FinishedJobs) {
    // The job's own completion period wins; a job with data gets no zero-size warning.
    Job({{"current-job-state", "completed"},
         {"job-completion-period", "PT1H"},
         {"job-state-reasons", "aborted-by-system"},
         {"total-job-octets", "12"}});
    EXPECT_EQ(Diagnose(),
              "This job has completed; the job completion period is \"PT1H\".\r\n"
              "The job completed with a job state of \"aborted-by-system\".\r\n");

    // Retained with errors: a printer that cannot be listed skips the format check silently.
    Job({{"current-job-state", "retained"},
         {"job-state-reasons", "completed-with-errors"},
         {"printers-assigned", "P1"},
         {"1.document-format", "simple-text"}});
    EXPECT_EQ(Diagnose(),
              "This job is retained; the job retention period is \"\".\r\n"
              "The job completed with a job state of \"completed-with-errors\".\r\n");
    EXPECT_EQ(fake.Calls().back(), "2:P1|native-document-formats-ready");

    Job({{"current-job-state", "retained"}, {"printers-assigned", "P1"}});
    Diagnose();
    EXPECT_EQ(fake.Runs(ObjectClass::kPrinter, "P1"), 1);  // not listed without errors
}

TEST_F(DiagnoseJobTest, AnyOtherStateGivesItsReasonsOrElseItsMessage) {
    Job({{"current-job-state", "canceled"},
         {"job-state-reasons", "canceled-by-user"},
         {"job-state-message", "m"}});
    EXPECT_EQ(Diagnose(),
              "This job has a job state of \"canceled\".\r\n"
              "The job has a job state reason of \"canceled-by-user\".\r\n");
    Job({{"current-job-state", "canceled"}, {"job-state-message", "m"}});
    EXPECT_EQ(Diagnose(),
              "This job has a job state of \"canceled\".\r\n"
              "The job has a job state message of \"m\".\r\n");
}

TEST_F(DiagnoseJobTest, WaitingJobGatesBeforeThePrinters) {
    Job({{"current-job-state", "pending"}});
    EXPECT_EQ(Diagnose(),
              "Unable to retrieve assigned queue for job \"S1:12\"; user may not have access.\r\n");
    Job({{"current-job-state", "pending"}, {"assigned-queue", "Q1"}, {"job-state-message", "m"}});
    fake.Add(ObjectClass::kQueue, "Q1", {{"physical-printers-supported", "P1"}});
    EXPECT_EQ(Diagnose(),
              "Unable to retrieve queue state for queue \"Q1\"; user may not have access.\r\n");
    fake.Add(ObjectClass::kQueue, "Q1", {{"state", "ready"}});
    EXPECT_EQ(Diagnose(), "- No physical printers have been assigned to this queue.\r\n");
    EXPECT_EQ(fake.Runs(ObjectClass::kPrinter, "P1"), 0);
}

TEST_F(DiagnoseJobTest, APausedJobChecksItsDocumentsOnlyWhenHeld) {
    Printer("P1", "idle");
    WaitingJob({{"1.octet-count", "0"}, {"1.document-name", "memo"}}, {"P1"}, "paused");
    EXPECT_EQ(Diagnose(), "- The job is paused.\r\n");
    WaitingJob({{"job-hold", "true"}, {"1.octet-count", "0"}, {"1.document-name", "memo"}}, {"P1"},
               "paused");
    EXPECT_EQ(Diagnose(),
              "- The job is paused.\r\n"
              "- The job is held for the following reason(s): \"job-hold-set\"\r\n"
              "- Document 1 (memo) has no data.\r\n");
}

TEST_F(DiagnoseJobTest, AMissingPrinterOrPrinterStateEndsTheLoop) {
    WaitingJob({{"job-state-message", "waiting"}, {"intervening-jobs", "3"}}, {"PX", "P1"});
    EXPECT_EQ(Diagnose(),
              "- Printer \"PX\" was not found.\r\n"
              "- The job has a job state message of \"waiting\".\r\n"
              "- The queue has 3 intervening job(s) to schedule before this job.\r\n");
    EXPECT_EQ(fake.Runs(ObjectClass::kPrinter, "P1"), 0);

    WaitingJob({}, {"P1", "P2"});
    Printer("P1", "", "SUP1", {{"enabled", "false"}});
    Printer("P2", "paused");
    EXPECT_EQ(Diagnose(),
              "- Printer \"P1\" is disabled.\r\n"
              "Unable to retrieve printer state for printer \"P1\"; user may not have access.\r\n");
}

TEST_F(DiagnoseJobTest, BusyPrinterStatesThenTheCapabilities) {
    WaitingJob({{"sides", "duplex"}, {"intervening-jobs", "0"}});
    for (const std::string state : {"connecting-to-printer", "saturated"}) {
        Printer("P1", state, "SUP1", {{"sides-ready", "simplex"}});
        EXPECT_EQ(Diagnose(),
                  "- Printer \"P1\" is currently printing a job; the printer state is \"" + state +
                      "\".\r\n"
                      "- Printer \"P1\" does not support \"duplex\" in its \"sides-ready\" "
                      "attribute.\r\n");
    }
}

TEST_F(DiagnoseJobTest, SupervisorsAreReportedOnceAndCachedOneAtATime) {
    WaitingJob({}, {"P1", "P2", "P3", "P4"});
    Supervisor("SA", "false");
    Supervisor("SB", "false");
    Printer("P1", "idle", "SA");
    Printer("P2", "idle", "SB");
    Printer("P3", "idle", "SA");
    Printer("P4", "idle", "SA");
    EXPECT_EQ(Diagnose(),
              "- Supervisor \"SA\" is disabled.\r\n- Supervisor \"SB\" is disabled.\r\n");
    EXPECT_EQ(fake.Runs(ObjectClass::kServer, "SA"), 2);  // again after SB, not after itself
    EXPECT_EQ(fake.Runs(ObjectClass::kServer, "SB"), 1);
}

TEST_F(DiagnoseJobTest, ASupervisorThatCannotBeListedStopsTheDiagnosis) {
    WaitingJob({{"job-state-message", "m"}}, {"P1", "P2"});
    Printer("P1", "paused", "SUPX");
    Printer("P2", "paused");
    EXPECT_EQ(Diagnose(), "Unable to access server \"SUPX\".\r\n");  // and no tail
    EXPECT_EQ(fake.Runs(ObjectClass::kServer, "SUPX"), 2);                   // with and without its type
    EXPECT_EQ(fake.Runs(ObjectClass::kPrinter, "P2"), 0);

    // A printer without a supervisor passes only while no supervisor has been listed.
    WaitingJob({}, {"P0", "P1", "P3"});
    Printer("P0", "paused", "");
    Printer("P1", "idle");
    Printer("P3", "paused", "");
    EXPECT_EQ(Diagnose(), "- Printer \"P0\" is paused.\r\nUnable to access server \"\".\r\n");
}

TEST_F(DiagnoseJobTest, ASupervisorListedWithoutItsTypeCountsAsPlain) {
    WaitingJob({});
    fake.Add(ObjectClass::kServer, "SUP1",
             {{"server-name", "SUP1"}, {"enabled", "true"}, {"supervisor-type", "Velmar"}});
    fake.Add(ObjectClass::kServer, "SUP1", {}, "server-name enabled supervisor-type");
    Printer("P1", "idle");
    EXPECT_EQ(Diagnose(), "No problems were found.\r\n");  // no Velmar checks
    EXPECT_EQ(fake.Runs(ObjectClass::kServer, "SUP1"), 2);
}

TEST_F(DiagnoseJobTest, NothingFoundRechecksTheJobState) {
    WaitingJob({});
    Printer("P1", "idle");
    EXPECT_EQ(Diagnose(), "No problems were found.\r\n");
    EXPECT_EQ(fake.Calls(),
              (std::vector<std::string>{"1:S1|all", "4:S1:12|all", "4:S1:12|int-max-copy-count",
                                        "3:Q1|physical-printers-supported state", "2:P1|all",
                                        "2:P1|paf-rsup-submission-channels-supported "
                                        "paf-vsup-submission-channels-supported paf-v-file-name",
                                        "1:SUP1|server-name enabled supervisor-type",
                                        "4:S1:12|current-job-state"}));

    fake.Add(ObjectClass::kJob, "S1:12", {{"current-job-state", "printing"}}, "current-job-state");
    EXPECT_EQ(Diagnose(),
              "No problems were found.\r\n"
              "This job is no longer pending; the current job state is \"printing\".\r\n");
}

}  // namespace
