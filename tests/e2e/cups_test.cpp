// stallscan --cups against real, private CUPS schedulers (tests/support/private_cups.h): every
// situation an administrator asks about, each with its whole report, through IPP alone.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/private_cups.h"

namespace {

using cups_test::PrivateScheduler;

class Cups : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { cups_ = PrivateScheduler::Start(&error_); }
    static void TearDownTestSuite() { cups_.reset(); }
    void SetUp() override {
        if (!cups_) {
            CUPS_TEST_UNAVAILABLE(error_);
        }
    }

    // The report of jobs on the scheduler (with CR LF, as "Save All" writes it) and the status.
    static test_os::ProgramRun Diagnose(const std::vector<std::string>& jobs,
                                        const PrivateScheduler& cups = *cups_,
                                        std::vector<std::string> options = {"--crlf"}) {
        options.insert(options.begin(), "--cups=" + cups.Server());
        options.insert(options.end(), jobs.begin(), jobs.end());
        return test_os::RunProgram(STALLSCAN_PATH, options, {{"HOME", cups.Folder()}});
    }
    // The report's heading lines for a job of this scheduler.
    static std::string Heading(const std::string& job, const std::string& status,
                               const std::string& queue, const std::string& printers,
                               const std::string& name = "page.txt") {
        const std::string server = "127.0.0.1@" + std::to_string(cups_->Port());
        return "Job identifier: " + server + ":" + job + "\r\nJob name: " + name +
               "\r\nJob status: " + status + "\r\nAssigned spooler: " + server +
               "\r\nAssigned queue: " + queue + "\r\nPhysical printer(s): " + printers +
               "\r\nThe job is not printing for the following reason(s):\r\n";
    }
    static std::string Held() {
        return "- The job is held for the following reason(s): \"job-hold-until-specified\"\r\n"
               "- The job is held until \"indefinite\".\r\n";
    }
    static std::string Submit(const std::string& queue, const std::vector<std::string>& options) {
        std::string job;
        EXPECT_TRUE(cups_->Submit(queue, options, &job)) << cups_->Error();
        return job;
    }

    static inline std::unique_ptr<PrivateScheduler> cups_;
    static inline std::string error_;
};

TEST_F(Cups, AHeldJobAskingForWhatItsQueueDoesNotOffer) {
    ASSERT_TRUE(cups_->AddQueue("office", cups_test::kOfficePpd)) << cups_->Error();
    const std::string plain = Submit("office", {"-H", "hold"});
    const std::string a3 =
        Submit("office", {"-o", "media=a3", "-o", "sides=two-sided-long-edge", "-H", "hold"});
    const auto run = Diagnose({plain, a3});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(
        run.out,
        Heading(plain, "held", "office", "office") + Held() + "\r\n" +
            Heading(a3, "held", "office", "office") + Held() +
            "- Printer \"office\" does not support \"iso_a3_297x420mm\" in its \"media-ready\" "
            "attribute.\r\n"
            "- Printer \"office\" does not support \"two-sided-long-edge\" in its "
            "\"sides-supported\" attribute.\r\n\r\n");
}

TEST_F(Cups, StoppedPrintersJobsAheadAndAClassWhoseMembersAreAllStopped) {
    for (const char* queue : {"jam", "busy", "m1", "m2"}) {
        ASSERT_TRUE(cups_->AddQueue(queue, cups_test::kOfficePpd)) << cups_->Error();
    }
    ASSERT_TRUE(cups_->AddClass("team", {"m1", "m2"})) << cups_->Error();
    ASSERT_TRUE(cups_->Stop("jam", "Paper jam in tray 2")) << cups_->Error();
    for (const char* printer : {"busy", "m1", "m2"}) {
        ASSERT_TRUE(cups_->Stop(printer, "")) << cups_->Error();
    }
    const std::string jammed = Submit("jam", {});
    Submit("busy", {});
    Submit("busy", {"-q", "60"});  // a higher priority: ahead too
    const std::string third = Submit("busy", {});
    const std::string team = Submit("team", {});
    const auto run = Diagnose({jammed, third, team});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out,
              Heading(jammed, "pending", "jam", "jam") +
                  "- Printer \"jam\" is paused.\r\n"
                  "- Printer \"jam\" has a printer problem message of \"Paper jam in tray 2\".\r\n"
                  "\r\n" +
                  Heading(third, "pending", "busy", "busy") +
                  "- Printer \"busy\" is paused.\r\n"
                  "- The queue has 2 intervening job(s) to schedule before this job.\r\n\r\n" +
                  Heading(team, "pending", "team", "m1, m2") +
                  "- Printer \"m1\" is paused.\r\n- Printer \"m2\" is paused.\r\n\r\n");
}

TEST_F(Cups, AQueueNotAcceptingJobsIsInformationAndAFormatNoLongerTakenIsAReason) {
    ASSERT_TRUE(cups_->AddQueue("closed", cups_test::kOfficePpd)) << cups_->Error();
    ASSERT_TRUE(cups_->AddQueue("formats", cups_test::kOfficePpd)) << cups_->Error();
    const std::string closed = Submit("closed", {"-H", "hold"});
    ASSERT_TRUE(cups_->Reject("closed")) << cups_->Error();
    const std::string text = Submit("formats", {"-H", "hold"});
    ASSERT_TRUE(cups_->ChangePpd("formats", cups_test::PdfOnlyPpd())) << cups_->Error();
    const auto run = Diagnose({closed, text});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, Heading(closed, "held", "closed", "closed") + Held() +
                           "Queue \"closed\" is not accepting new jobs.\r\n\r\n" +
                           Heading(text, "held", "formats", "formats") + Held() +
                           "- Printer \"formats\" does not support \"text/plain\" in its "
                           "\"document-format-supported\" attribute.\r\n\r\n");
    // Information only: the job is not blocked by it.
    const auto check = Diagnose({closed}, *cups_, {"--check", "--problems-only"});
    EXPECT_NE(check.out.find("blocked=1"), std::string::npos) << check.out;  // by its hold
}

TEST_F(Cups, FinishedAndUnknownJobsAndAServerThatCannotBeReached) {
    ASSERT_TRUE(cups_->AddQueue("done", cups_test::kOfficePpd)) << cups_->Error();
    const std::string completed = Submit("done", {});
    ASSERT_TRUE(cups_->WaitForJobState(completed, "completed")) << cups_->Error();
    const std::string canceled = Submit("done", {"-H", "hold"});
    ASSERT_TRUE(cups_->Cancel(canceled)) << cups_->Error();
    ASSERT_TRUE(cups_->WaitForJobState(canceled, "canceled")) << cups_->Error();
    std::string aborted;
    ASSERT_TRUE(cups_->SubmitAborted("broken", &aborted)) << cups_->Error();
    // (The reasons of a finished job change once the scheduler unloads it: not compared.)
    const struct {
        std::string job, status, queue, first;
    } finished[] = {
        {completed, "completed", "done",
         "This job has completed; the job completion period is \"\"."},
        {canceled, "canceled", "done", "This job has a job state of \"canceled\"."},
        {aborted, "aborted", "broken", "This job has a job state of \"aborted\"."},
    };
    for (const auto& f : finished) {
        const auto run = Diagnose({f.job});
        EXPECT_EQ(run.exit_code, 0) << run.err;
        EXPECT_EQ(run.out.rfind(Heading(f.job, f.status, f.queue, " ") + f.first + "\r\n", 0), 0u)
            << run.out;
    }
    auto run = Diagnose({"9999"});
    EXPECT_EQ(run.exit_code, 5);
    EXPECT_NE(run.out.find("Job \"9999\" not found in server \"127.0.0.1@"), std::string::npos);

    const std::string nowhere = "127.0.0.1:" + std::to_string(PrivateScheduler::FreePort());
    run = test_os::RunProgram(STALLSCAN_PATH, {"--cups=" + nowhere, "1"});
    EXPECT_EQ(run.exit_code, 5);
    EXPECT_NE(run.out.find("Unable to access server \"127.0.0.1@"), std::string::npos) << run.out;
}

// The server of the CUPS clients with no configuration at all, a second ("remote") server named
// by its port, values it keeps private, and one that wants a password, which is never given.
TEST_F(Cups, DefaultAndRemoteServersPrivateValuesAndAuthentication) {
    ASSERT_TRUE(cups_->AddQueue("zero", cups_test::kOfficePpd)) << cups_->Error();
    const std::string mine = Submit("zero", {"-H", "hold"});
    const auto all =
        test_os::RunProgram(STALLSCAN_PATH, {"--cups", "--json"},
                            {{"CUPS_SERVER", cups_->Server()}, {"HOME", cups_->Folder()}});
    EXPECT_EQ(all.exit_code, 0) << all.err;
    const std::string key = "127.0.0.1@" + std::to_string(cups_->Port()) + ":" + mine;
    EXPECT_NE(all.out.find("\"job\":\"" + key + "\""), std::string::npos) << all.out;
    EXPECT_EQ(all.out.find("\"status\":\"completed\""), std::string::npos) << all.out;

    REQUIRE_SCHEDULER(remote, "",
                      "JobPrivateAccess @OWNER\nJobPrivateValues job-name "
                      "job-originating-user-name\n");
    ASSERT_TRUE(remote->AddQueue("far", cups_test::kOfficePpd)) << remote->Error();
    std::string theirs;
    ASSERT_TRUE(remote->Submit("far", {"-H", "hold"}, &theirs, "alice")) << remote->Error();
    const auto far = Diagnose({theirs}, *remote, {"--json"});
    EXPECT_EQ(far.exit_code, 0) << far.err;
    const auto job = nlohmann::json::parse(far.out)["jobs"][0];
    EXPECT_EQ(job["server"], "127.0.0.1@" + std::to_string(remote->Port()));
    EXPECT_EQ(job["name"], "(hidden by the server)");
    EXPECT_EQ(job["owner"], "(hidden by the server)");

    REQUIRE_SCHEDULER(locked, "",
                      "<Limit Get-Job-Attributes>\nAuthType Basic\nRequire valid-user\n</Limit>\n");
    std::string locked_job;
    ASSERT_TRUE(locked->AddQueue("safe", "")) << locked->Error();
    ASSERT_TRUE(locked->Submit("safe", {"-H", "hold"}, &locked_job)) << locked->Error();
    const auto refused = Diagnose({locked_job}, *locked);
    EXPECT_EQ(refused.exit_code, 5);
    EXPECT_NE(refused.out.find("- Server \"127.0.0.1@" + std::to_string(locked->Port()) +
                               "\" requires authentication, which stallscan does not give.\r\n"),
              std::string::npos)
        << refused.out;
}

}  // namespace
