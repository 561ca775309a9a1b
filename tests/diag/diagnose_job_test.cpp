#include "diag/diagnose_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/globals.h"

#include "diag/fake_print_system.h"

using diagtest::Attr;

namespace {

constexpr int kServer = 1;
constexpr int kPrinter = 2;
constexpr int kQueue = 3;
constexpr int kJob = 4;

class DiagnoseJobTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake.Add(kServer, "S1",
                 {{"server-state", "idle"}, {"default-job-completion-period", "P7D"}});
    }

    void Job(std::vector<Attr> attrs) {
        attrs.insert(attrs.begin(), Attr{"job-identifier", "12"});
        fake.Add(kJob, "S1:12", std::move(attrs));
    }

    // A waiting job on queue Q1 whose printers are served by a plain, enabled supervisor.
    void WaitingJob(std::vector<Attr> attrs, std::vector<std::string> printers = {"P1"}) {
        attrs.emplace_back("assigned-queue", "Q1");
        Job(std::move(attrs));
        fake.Add(kQueue, "Q1", {{"state", "ready"}, {"physical-printers-supported", printers}});
        fake.Add(kServer, "SUP1", {{"server-name", "SUP1"}, {"enabled", "true"}});
    }

    void Printer(const std::string& name, std::vector<Attr> attrs,
                 const std::string& supervisor = "SUP1") {
        if (!supervisor.empty()) {
            attrs.emplace_back("associated-server", supervisor);
        }
        fake.Add(kPrinter, name, std::move(attrs));
    }

    std::string Diagnose(const std::string& jobId = "12", const std::string& server = "S1") {
        basDiagJobs::DiagnoseJob(server, "", jobId, result);
        return result.DiagMessages();
    }

    diagtest::FakePrintSystem fake;
    clsDiagResult result;
};

// Start: server and job.

TEST_F(DiagnoseJobTest, MissingServerNameStopsBeforeAnyListing) {
    EXPECT_EQ(Diagnose("12", ""), "No server has been specified.\r\n");
    EXPECT_EQ(fake.TotalRuns(), 0);
    EXPECT_EQ(result.JobId(), "12");
    EXPECT_EQ(result.SpoolerName(), "");
}

TEST_F(DiagnoseJobTest, ServerThatCannotBeListedOrHasNoState) {
    EXPECT_EQ(Diagnose("12", "S9"), "Unable to access server \"S9\".\r\n");
    EXPECT_EQ(result.SpoolerName(), "S9");
    fake.Add(kServer, "S2", {{"server-name", "S2"}});
    EXPECT_EQ(Diagnose("12", "S2"), "Unable to access server \"S2\".\r\n");
    EXPECT_EQ(fake.TotalRuns(), 2);
}

TEST_F(DiagnoseJobTest, InvalidJobIdentifiersAreNotListed) {
    for (const std::string id : {"0", "-5", "abc", "0.5", ""}) {
        EXPECT_EQ(Diagnose(id), "Invalid job identifier \"" + id + "\".\r\n") << id;
    }
    EXPECT_EQ(fake.TotalRuns(), 5);  // the server each time, never a job
}

TEST_F(DiagnoseJobTest, JobNotFoundOrWithoutIdentifier) {
    EXPECT_EQ(Diagnose(), "Job \"12\" not found in server \"S1\".\r\n");
    fake.Add(kJob, "S1:12", {{"job-name", "x"}, {"current-job-state", "pending"}});
    EXPECT_EQ(Diagnose(), "Job \"12\" not found in server \"S1\".\r\n");
}

TEST_F(DiagnoseJobTest, JobWithoutStateKeepsItsFields) {
    Job({{"job-name", "\"weekly\""}, {"assigned-queue", "Q1"}});
    EXPECT_EQ(Diagnose(),
              "Unable to retrieve current job state for job \"12\"; user may not have access.\r\n");
    EXPECT_EQ(result.JobName(), "weekly");
    EXPECT_EQ(result.QueueName(), "Q1");
    EXPECT_EQ(result.JobStatus(), "");
}

// Branch A: completed and retained jobs.

TEST_F(DiagnoseJobTest, CompletedJobReportsPeriodReasonsAndMessage) {
    Job({{"current-job-state", "completed"},
         {"job-state-reasons", "job-completed-successfully"},
         {"job-state-message", "done"}});
    EXPECT_EQ(Diagnose(),
              "This job has completed; the job completion period is \"P7D\".\r\n"
              "The job completed with a job state of \"job-completed-successfully\".\r\n"
              "The job has a job state message of \"done\".\r\n");
    EXPECT_EQ(fake.TotalRuns(), 3);

    Job({{"current-job-state", "completed"}, {"job-completion-period", "PT1H"}});
    EXPECT_EQ(Diagnose(),
              "This job has completed; the job completion period is \"PT1H\".\r\n"
              "The job completed with a job state of \"\".\r\n");
}

TEST_F(DiagnoseJobTest, CompletedAbortedJobWarnsAboutZeroSize) {
    Job({{"current-job-state", "completed"}, {"job-state-reasons", {"aborted-by-system", "x"}}});
    EXPECT_EQ(Diagnose(),
              "This job has completed; the job completion period is \"P7D\".\r\n"
              "The job completed with a job state of \"aborted-by-system, x\".\r\n"
              "Warning: This job has a size of 0 bytes.\r\n");
    Job({{"current-job-state", "completed"},
         {"job-state-reasons", "aborted-by-system"},
         {"total-job-octets", "12"}});
    EXPECT_EQ(Diagnose().find("Warning"), std::string::npos);
}

TEST_F(DiagnoseJobTest, RetainedJobWithErrorsChecksNativeFormatsOfItsPrinter) {
    Job({{"current-job-state", "retained"},
         {"job-retention-period", "P1D"},
         {"job-state-reasons", "completed-with-errors"},
         {"printers-assigned", "P1"},
         {"1.document-format", "simple-text"}});
    const std::string head =
        "This job is retained; the job retention period is \"P1D\".\r\n"
        "The job completed with a job state of \"completed-with-errors\".\r\n";

    // Printer not listable: the check is skipped silently.
    EXPECT_EQ(Diagnose(), head);

    fake.Add(kPrinter, "P1", {{"native-document-formats-ready", "PCL5e"}});
    EXPECT_EQ(Diagnose(), head +
                              "Warning: Document format \"simple-text\" is not a native format "
                              "for printer \"P1\".\r\n"
                              "Make sure that the appropriate translation filter is defined.\r\n");
    EXPECT_EQ(fake.Calls().back(), "2:P1|native-document-formats-ready");
    EXPECT_EQ(fake.Runs(kPrinter, "P1"), 2);  // once per diagnosis
}

TEST_F(DiagnoseJobTest, RetainedJobWithoutReasons) {
    Job({{"current-job-state", "retained"}, {"printers-assigned", "P1"}});
    EXPECT_EQ(Diagnose(),
              "This job is retained; the job retention period is \"\".\r\n"
              "The job completed with a job state of \"\".\r\n");
    EXPECT_EQ(fake.Runs(kPrinter, "P1"), 0);
}

// Branch B: processing and printing jobs.

TEST_F(DiagnoseJobTest, ProcessingJobWithoutAssignedPrinter) {
    Job({{"current-job-state", "processing"}});
    EXPECT_EQ(Diagnose(), "This job is currently processing.\r\n");
    EXPECT_EQ(fake.TotalRuns(), 3);
}

TEST_F(DiagnoseJobTest, PrintingJobReportsItsPrinter) {
    Job({{"current-job-state", "printing"}, {"printers-assigned", "P1"}});
    EXPECT_EQ(Diagnose(),
              "This job is currently printing.\r\nUnable to access printer \"P1\".\r\n");

    fake.Add(kPrinter, "P1", {{"printer-state", "printing"}, {"printer-problem-message", "jam"}});
    EXPECT_EQ(Diagnose(),
              "This job is currently printing.\r\n"
              "The assigned printer is \"P1\"; the current printer state is \"printing\".\r\n"
              "The printer has a printer problem message of \"jam\".\r\n");
    EXPECT_EQ(fake.Calls().back(), "2:P1|printer-state printer-problem-message");
}

// Branch C: any other state.

TEST_F(DiagnoseJobTest, OtherStateReportsReasonsOrMessage) {
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

// Branch D: waiting jobs.

TEST_F(DiagnoseJobTest, WaitingJobWithoutQueue) {
    Job({{"current-job-state", "pending"}});
    EXPECT_EQ(Diagnose(),
              "Unable to retrieve assigned queue for job \"S1:12\"; user may not have access.\r\n");
    Job({{"current-job-state", "pending"}, {"assigned-queue", "Q9"}});
    EXPECT_EQ(Diagnose(), "Unable to access queue \"Q9\".\r\n");
}

TEST_F(DiagnoseJobTest, PausedJobOnPausedSpoolerAndQueue) {
    WaitingJob({{"current-job-state", "paused"},
                {"job-hold", "true"},
                {"1.octet-count", "0"},
                {"1.document-name", "memo"}});
    fake.Add(kServer, "S1", {{"server-state", "paused"}});
    fake.Add(kQueue, "Q1", {{"state", "paused"}, {"physical-printers-supported", "P1"}});
    Printer("P1", {{"printer-state", "idle"}});
    EXPECT_EQ(Diagnose(),
              "- The job is paused.\r\n"
              "- The job is held for the following reason(s): \"job-hold-set\"\r\n"
              "- Document 1 (memo) has no data.\r\n"
              "- Spooler \"S1\" is paused.\r\n"
              "- Queue \"Q1\" is paused.\r\n");
}

TEST_F(DiagnoseJobTest, PausedJobWithoutHoldSkipsDocumentCheck) {
    WaitingJob({{"current-job-state", "paused"}, {"1.octet-count", "0"}});
    Printer("P1", {{"printer-state", "idle"}});
    EXPECT_EQ(Diagnose(), "- The job is paused.\r\n");
}

TEST_F(DiagnoseJobTest, HeldJobReportsReasonsThenEmptyDocuments) {
    WaitingJob({{"current-job-state", "held"},
                {"job-state-reasons", {"job-hold-until-specified", "x"}},
                {"2.octet-count", "5"}});
    Printer("P1", {{"printer-state", "paused"}});
    EXPECT_EQ(Diagnose(),
              "- The job is held for the following reason(s): \"job-hold-until-specified, x\"\r\n"
              "- Document 1 () has no data.\r\n"
              "- Printer \"P1\" is paused.\r\n");
}

TEST_F(DiagnoseJobTest, QueueWithoutStateOrPrintersStops) {
    WaitingJob({{"current-job-state", "pending"}, {"job-state-message", "m"}});
    fake.Add(kQueue, "Q1", {{"physical-printers-supported", "P1"}});
    EXPECT_EQ(Diagnose(),
              "Unable to retrieve queue state for queue \"Q1\"; user may not have access.\r\n");

    fake.Add(kQueue, "Q1", {{"state", "ready"}});
    EXPECT_EQ(Diagnose(), "- No physical printers have been assigned to this queue.\r\n");
    EXPECT_EQ(fake.Runs(kPrinter, "P1"), 0);
}

TEST_F(DiagnoseJobTest, RequestedPrintersReplaceTheQueuesPrinters) {
    WaitingJob({{"current-job-state", "pending"},
                {"job-name", "weekly"},
                {"physical-printers-requested", "P2"}},
               {"P1", "P3"});
    Printer("P2", {{"printer-state", "idle"}, {"enabled", "false"}});
    EXPECT_EQ(Diagnose(), "- Printer \"P2\" is disabled.\r\n");
    EXPECT_EQ(fake.Runs(kPrinter, "P1"), 0);
    EXPECT_EQ(result.GetTextForSavingToFile(),
              "Job identifier: S1:12\r\n"
              "Job name: weekly\r\n"
              "Job status: pending\r\n"
              "Assigned spooler: S1\r\n"
              "Assigned queue: Q1\r\n"
              "Physical printer(s): P1, P3\r\n"
              "Requested physical printer(s): P2\r\n"
              "The job is not printing for the following reason(s):\r\n"
              "- Printer \"P2\" is disabled.\r\n");
}

TEST_F(DiagnoseJobTest, MissingPrinterEndsTheLoopAndTheTailFollows) {
    WaitingJob({{"current-job-state", "pending"},
                {"job-state-message", "waiting"},
                {"intervening-jobs", "3"}},
               {"PX", "P1"});
    Printer("P1", {{"printer-state", "paused"}});
    EXPECT_EQ(Diagnose(),
              "- Printer \"PX\" was not found.\r\n"
              "- The job has a job state message of \"waiting\".\r\n"
              "- The queue has 3 intervening job(s) to schedule before this job.\r\n");
    EXPECT_EQ(fake.Runs(kPrinter, "P1"), 0);
}

TEST_F(DiagnoseJobTest, PrinterWithoutStateEndsTheLoop) {
    WaitingJob({{"current-job-state", "pending"}}, {"P1", "P2"});
    Printer("P1", {{"enabled", "false"}});
    Printer("P2", {{"printer-state", "paused"}});
    EXPECT_EQ(Diagnose(),
              "- Printer \"P1\" is disabled.\r\n"
              "Unable to retrieve printer state for printer \"P1\"; user may not have access.\r\n");
}

TEST_F(DiagnoseJobTest, EachPrinterStateHasItsMessage) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"connecting-to-printer",
         "- Printer \"P1\" is currently printing a job; the printer state is "
         "\"connecting-to-printer\".\r\n"},
        {"needs-attention", "- Printer \"P1\" needs attention.\r\n"},
        {"paused", "- Printer \"P1\" is paused.\r\n"},
        {"printing",
         "- Printer \"P1\" is currently printing a job; the printer state is \"printing\".\r\n"},
        {"saturated",
         "- Printer \"P1\" is currently printing a job; the printer state is \"saturated\".\r\n"},
        {"shutdown", "- Printer \"P1\" has shut down.\r\n"},
        {"timed-out", "- Printer \"P1\" has timed out.\r\n"},
        {"unknown", "- Printer \"P1\" has a status of \"unknown\".\r\n"},
    };
    WaitingJob({{"current-job-state", "pending"}});
    for (const auto& [state, message] : cases) {
        Printer("P1", {{"printer-state", state}, {"printer-problem-message", "toner low"}});
        EXPECT_EQ(Diagnose(),
                  message + "- Printer \"P1\" has a printer problem message of \"toner low\".\r\n")
            << state;
    }
}

TEST_F(DiagnoseJobTest, DisabledSupervisorReportedOncePerJob) {
    WaitingJob({{"current-job-state", "pending"}}, {"P1", "P2"});
    fake.Add(kServer, "SUPD", {{"server-name", "SUPD"}, {"enabled", "false"}});
    Printer("P1", {{"printer-state", "idle"}}, "SUPD");
    Printer("P2", {{"printer-state", "idle"}}, "SUPD");
    EXPECT_EQ(Diagnose(), "- Supervisor \"SUPD\" is disabled.\r\n");
    EXPECT_EQ(fake.Runs(kServer, "SUPD"), 1);
}

TEST_F(DiagnoseJobTest, SupervisorCacheHoldsOneEntry) {
    WaitingJob({{"current-job-state", "pending"}}, {"P1", "P2", "P3"});
    fake.Add(kServer, "SA", {{"server-name", "SA"}, {"enabled", "false"}});
    fake.Add(kServer, "SB", {{"server-name", "SB"}, {"enabled", "false"}});
    Printer("P1", {{"printer-state", "idle"}}, "SA");
    Printer("P2", {{"printer-state", "idle"}}, "SB");
    Printer("P3", {{"printer-state", "idle"}}, "SA");
    EXPECT_EQ(Diagnose(),
              "- Supervisor \"SA\" is disabled.\r\n- Supervisor \"SB\" is disabled.\r\n");
    EXPECT_EQ(fake.Runs(kServer, "SA"), 2);
    EXPECT_EQ(fake.Runs(kServer, "SB"), 1);
}

TEST_F(DiagnoseJobTest, SupervisorThatCannotBeListedStopsWithoutTail) {
    WaitingJob({{"current-job-state", "pending"}, {"job-state-message", "m"}}, {"P1", "P2"});
    Printer("P1", {{"printer-state", "paused"}}, "SUPX");
    Printer("P2", {{"printer-state", "paused"}});
    EXPECT_EQ(Diagnose(), "Unable to access server \"SUPX\".\r\n");
    EXPECT_EQ(fake.Runs(kServer, "SUPX"), 2);
    EXPECT_EQ(fake.Runs(kPrinter, "P2"), 0);
}

TEST_F(DiagnoseJobTest, SupervisorListedWithoutItsTypeCountsAsPlain) {
    WaitingJob({{"current-job-state", "pending"}});
    fake.Add(kServer, "SV",
             {{"server-name", "SV"}, {"enabled", "true"}, {"supervisor-type", "Velmar"}});
    fake.FailRequest(kServer, "SV", "server-name enabled supervisor-type");
    Printer("P1", {{"printer-state", "idle"}}, "SV");
    EXPECT_EQ(Diagnose(), "No problems were found.\r\n");
    EXPECT_EQ(fake.Runs(kServer, "SV"), 2);
}

TEST_F(DiagnoseJobTest, PrinterWithoutSupervisorAfterOneWithIt) {
    WaitingJob({{"current-job-state", "pending"}}, {"P0", "P1", "P3"});
    Printer("P0", {{"printer-state", "paused"}}, "");
    Printer("P1", {{"printer-state", "idle"}});
    Printer("P3", {{"printer-state", "paused"}}, "");
    EXPECT_EQ(Diagnose(), "- Printer \"P0\" is paused.\r\nUnable to access server \"\".\r\n");
    EXPECT_EQ(fake.Runs(kServer, "SUP1"), 1);
}

TEST_F(DiagnoseJobTest, VelmarSupervisorNeedsLibraryChannelsAndItsPaf) {
    WaitingJob({{"current-job-state", "pending"}});
    fake.Add(kServer, "SUP1",
             {{"server-name", "SUP1"}, {"enabled", "true"}, {"supervisor-type", "Velmar"}});
    Printer("P1", {{"printer-state", "idle"},
                   {"paf-rsup-submission-channels-supported", "r1"},
                   {"paf-v-file-name", "c|/paf/p1.paf"}});
    EXPECT_EQ(Diagnose(),
              "- Printer \"P1\" has no job submission library loaded.\r\n"
              "- Printer \"P1\" has no job submission channels ready.\r\n"
              "- Printer \"P1\" has been created with a wrong PAF (c:\\paf\\p1.paf) for Velmar "
              "supervisor.\r\n");
}

TEST_F(DiagnoseJobTest, ReferenceSupervisorNeedsReferenceChannels) {
    WaitingJob({{"current-job-state", "pending"}});
    fake.Add(kServer, "SUP1",
             {{"server-name", "SUP1"}, {"enabled", "true"}, {"supervisor-type", "Reference"}});
    Printer("P1", {{"printer-state", "idle"},
                   {"paf-vsup-submission-channels-supported", "v1"},
                   {"paf-v-file-name", "c|/paf/p1.paf"}});
    EXPECT_EQ(Diagnose(),
              "- Printer \"P1\" has been created with a wrong PAF (c:\\paf\\p1.paf) for Reference "
              "supervisor.\r\n");
}

TEST_F(DiagnoseJobTest, CapabilityMismatchesFollowThePrinterChecks) {
    WaitingJob({{"current-job-state", "pending"}, {"sides", "duplex"}, {"intervening-jobs", "0"}});
    Printer("P1", {{"printer-state", "paused"}, {"sides-ready", "simplex"}});
    EXPECT_EQ(Diagnose(),
              "- Printer \"P1\" is paused.\r\n"
              "- Printer \"P1\" does not support \"duplex\" in its \"sides-ready\" attribute.\r\n");
}

TEST_F(DiagnoseJobTest, NothingFoundRechecksTheJobState) {
    WaitingJob({{"current-job-state", "pending"}});
    Printer("P1", {{"printer-state", "idle"}});
    EXPECT_EQ(Diagnose(), "No problems were found.\r\n");
    // server 1, job 2, queue 1, printer 2, supervisor 1, final re-check 1
    EXPECT_EQ(fake.Runs(kServer, "S1"), 1);
    EXPECT_EQ(fake.Runs(kJob, "S1:12"), 3);
    EXPECT_EQ(fake.Runs(kQueue, "Q1"), 1);
    EXPECT_EQ(fake.Runs(kPrinter, "P1"), 2);
    EXPECT_EQ(fake.Runs(kServer, "SUP1"), 1);
    EXPECT_EQ(fake.TotalRuns(), 8);
    EXPECT_EQ(fake.Calls().back(), "4:S1:12|current-job-state");

    fake.AddForRequest(kJob, "S1:12", "current-job-state", {{"current-job-state", "printing"}});
    EXPECT_EQ(Diagnose(),
              "No problems were found.\r\n"
              "This job is no longer pending; the current job state is \"printing\".\r\n");

    fake.FailRequest(kJob, "S1:12", "current-job-state");
    EXPECT_EQ(Diagnose(), "No problems were found.\r\nUnable to access job \"S1:12\".\r\n");
}

TEST_F(DiagnoseJobTest, AReusedResultStartsEmpty) {
    Job({{"current-job-state", "processing"}});
    Diagnose();
    EXPECT_EQ(Diagnose("0"), "Invalid job identifier \"0\".\r\n");
    EXPECT_EQ(result.JobStatus(), "");
    EXPECT_EQ(result.Messages().size(), 1u);
}

// Pseudo mode: canned files "S1.txt", "S1-12.txt", "Q1.txt" ... in a directory.
class PseudoModeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir =
            std::filesystem::temp_directory_path() /
            ("stallscan-diag-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir / "pseudo");
        m_savedPseudoDir = gPseudoDir;
        gPseudoDir = (m_dir / "pseudo").string();
    }
    void TearDown() override {
        gPseudoDir = m_savedPseudoDir;
        std::filesystem::remove_all(m_dir);
    }
    void Write(const std::filesystem::path& file, const std::string& lines) {
        std::ofstream(file, std::ios::binary) << lines;
    }
    std::filesystem::path Pseudo(const std::string& name) const { return m_dir / "pseudo" / name; }

    std::filesystem::path m_dir;
    std::string m_savedPseudoDir;
};

TEST_F(PseudoModeTest, DiagnosesAWaitingJobFromCannedFiles) {
    Write(Pseudo("S1.txt"), "S1: server-state = paused\r\n");
    Write(Pseudo("S1-12.txt"),
          "S1:12: job-identifier = 12\r\nS1:12: current-job-state = pending\r\n"
          "S1:12: assigned-queue = Q1\r\n");
    Write(Pseudo("Q1.txt"), "Q1: state = ready\r\nQ1: physical-printers-supported = P1\r\n");
    Write(Pseudo("P1.txt"),
          "P1: printer-state = needs-attention\r\nP1: associated-server = SUP1\r\n");
    Write(Pseudo("SUP1.txt"), "SUP1: server-name = SUP1\r\nSUP1: enabled = false\r\n");
    clsDiagResult result;
    basDiagJobs::DiagnoseJob("S1", "", "12", result);
    EXPECT_EQ(result.DiagMessages(),
              "- Spooler \"S1\" is paused.\r\n"
              "- Supervisor \"SUP1\" is disabled.\r\n"
              "- Printer \"P1\" needs attention.\r\n");
}

TEST_F(PseudoModeTest, AJobIdentifierNeverNamesAFileOutsideTheDirectory) {
    Write(Pseudo("S1.txt"), "S1: server-state = idle\r\n");
    std::filesystem::create_directories(Pseudo("S1-1"));
    Write(m_dir / "evil.txt", "S1:1: job-identifier = 1\r\nS1:1: current-job-state = held\r\n");
    clsDiagResult result;
    for (const std::string id : {"1/../../evil", "1\\..\\..\\evil"}) {
        basDiagJobs::DiagnoseJob("S1", "", id, result);
        EXPECT_EQ(result.DiagMessages(), "Job \"" + id + "\" not found in server \"S1\".\r\n");
    }
}

}  // namespace
