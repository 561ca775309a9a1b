// stallscan --cups against real, private CUPS schedulers (tests/support/private_cups.h): every
// situation an administrator asks about, each with its whole report, through IPP alone; printer
// states set by a test backend as real backends set them; a scheduler made slow or unreliable by
// a proxy; a server that wants a password, on a terminal.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string_view>

#include "cups/cups_source.h"
#include "e2e/e2e_support.h"
#include "support/delay_proxy.h"
#include "support/private_cups.h"
#include "support/started_program.h"
#include "text/time_text.h"

namespace {

using cups_test::PrivateScheduler;
using namespace std::chrono_literals;
using namespace std::string_literals;

class Cups : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { cups_ = PrivateScheduler::Start(&error_); }
    static void TearDownTestSuite() { cups_.reset(); }
    void SetUp() override {
        if (!cups_) {
            CUPS_TEST_UNAVAILABLE(error_);
        }
    }

    // The run on a server ("HOST:PORT") or scheduler: its report (with CR LF, as "Save All" writes
    // it) and status.
    static test_os::ProgramRun Diagnose(const std::vector<std::string>& jobs,
                                        const std::string& server,
                                        std::vector<std::string> options = {"--crlf"}) {
        options.insert(options.begin(), "--cups=" + server);
        options.insert(options.end(), jobs.begin(), jobs.end());
        // Ages taken at one time for the whole program, so that two runs tell the same; their
        // lines are left to the test of ages.
        auto run = test_os::RunProgram(STALLSCAN_PATH, options,
                                       {{"HOME", cups_->Folder()}, {"STALLSCAN_NOW", kNow}});
        run.out = WithoutTimeLines(run.out);
        return run;
    }
    // A report without the lines that say since when.
    static std::string WithoutTimeLines(const std::string& text) {
        std::string kept;
        for (size_t begin = 0, end = 0; begin < text.size(); begin = end) {
            end = std::min(text.find('\n', begin), text.size() - 1) + 1;
            const std::string_view line(text.data() + begin, end - begin);
            if (!line.starts_with("The job has been waiting for ") &&
                !line.starts_with("The hold ends at ") &&
                !(line.starts_with("Printer \"") &&
                  line.find("\" has been paused for ") != std::string_view::npos)) {
                kept += line;
            }
        }
        return kept;
    }
    static test_os::ProgramRun Diagnose(const std::vector<std::string>& jobs,
                                        const PrivateScheduler& cups = *cups_,
                                        std::vector<std::string> options = {"--crlf"}) {
        return Diagnose(jobs, cups.Server(), std::move(options));
    }
    // Every waiting job of the scheduler as it stands, as a scan's snapshot answers and job by job
    // (--no-cache): the same reports, JSON, standard error and exit status.
    static void ExpectSnapshotAsJobByJob(const PrivateScheduler& cups = *cups_) {
        for (const char* format : {"--crlf", "--json"}) {
            const auto snapshot = Diagnose({}, cups, {format});
            const auto job_by_job = Diagnose({}, cups, {format, "--no-cache"});
            EXPECT_EQ(e2e::WithoutRunValues(snapshot.out), e2e::WithoutRunValues(job_by_job.out))
                << format;
            EXPECT_EQ(snapshot.err, job_by_job.err) << format;
            EXPECT_EQ(snapshot.exit_code, job_by_job.exit_code) << format;
        }
        ExpectValidJson(Diagnose({}, cups, {"--json"}).out);
    }
    // JSON that the real validator finds valid against the schema that names every field.
    static void ExpectValidJson(const std::string& text) {
        const std::string file = cups_->Folder() + "/report.json";
        std::ofstream(file, std::ios::binary) << text;
        const auto run = test_os::RunProgram(
            "/usr/bin/python3", {SOURCE_DIR "/tests/support/validate_report.py",
                                 SOURCE_DIR "/tests/support/report.strict.schema.json", file});
        EXPECT_EQ(run.exit_code, 0) << run.err << text;
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
    static std::string Held(const std::string& until = "indefinite") {
        return "- The job is held for the following reason(s): \"job-hold-until-specified\"\r\n" +
               (until.empty() ? "" : "- The job is held until \"" + until + "\".\r\n");
    }
    // The report's closing lines: where else the job could print ("lpmove" to the first), and
    // what can be done, each remedy a line and its command, for this scheduler, below it.
    static std::string Elsewhere(const std::string& job, const std::vector<std::string>& queues) {
        std::string list;
        for (const std::string& queue : queues) {
            list += (list.empty() ? "" : ", ") + queue;
        }
        return "It could print on: " + list + " (lpmove -h " + cups_->Server() + " " + job + " " +
               queues.front() + ").\r\n";
    }
    static std::string Todo(const std::vector<std::pair<std::string, std::string>>& remedies) {
        std::string text = "What can be done:\r\n";
        for (const auto& [sentence, command] : remedies) {
            text += "  " + sentence + "\r\n";
            if (!command.empty()) {
                const size_t blank = command.find(' ');
                text += "    " + command.substr(0, blank) + " -h " + cups_->Server() +
                        command.substr(blank) + "\r\n";
            }
        }
        return text;
    }
    static std::pair<std::string, std::string> Release(const std::string& job) {
        return {"Release the job once it may print.", "lp -i " + job + " -H resume"};
    }
    static std::pair<std::string, std::string> Enable(const std::string& printer,
                                                      const std::string& word = "") {
        return {"Start printer \"" + printer + "\" again once it is ready to print.",
                "cupsenable " + (word.empty() ? printer : word)};
    }
    static std::string Submit(const std::string& queue, const std::vector<std::string>& options,
                              PrivateScheduler& cups = *cups_) {
        std::string job;
        EXPECT_TRUE(cups.Submit(queue, options, &job)) << cups.Error();
        return job;
    }

    static inline std::unique_ptr<PrivateScheduler> cups_;
    static inline std::string error_;
    static inline const std::string kNow = std::to_string(std::time(nullptr));
};

// A raw queue (no PPD) claims nothing: its job is held and nothing else, and prints once
// released. A PPD queue's real mismatch is reported. A held job could print nowhere else until it
// is released, since its hold goes with it.
TEST_F(Cups, ARawQueueClaimsNothingAndAPpdQueueWhatItOffers) {
    ASSERT_TRUE(cups_->AddQueue("raw", "")) << cups_->Error();
    ASSERT_TRUE(cups_->AddQueue("office", cups_test::kOfficePpd)) << cups_->Error();
    const std::string raw = Submit("raw", {"-H", "hold"});
    const std::string a3 =
        Submit("office", {"-o", "media=a3", "-o", "sides=two-sided-long-edge", "-H", "hold"});
    const auto run = Diagnose({raw, a3});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(
        run.out,
        Heading(raw, "held", "raw", "raw") + Held() +
            Todo({Release(raw)}) + "\r\n" + Heading(a3, "held", "office", "office") + Held() +
            "- Printer \"office\" does not support \"iso_a3_297x420mm\" in its \"media-ready\" "
            "attribute.\r\n"
            "- Printer \"office\" does not support \"two-sided-long-edge\" in its "
            "\"sides-supported\" attribute.\r\n" +
            Todo({Release(a3),
                  {"Offer \"iso_a3_297x420mm\" on printer \"office\" (load it, or set its "
                   "\"media-ready\"), or move the job to a printer that has it.",
                   ""},
                  {"Offer \"two-sided-long-edge\" on printer \"office\" (load it, or set its "
                   "\"sides-supported\"), or move the job to a printer that has it.",
                   ""}}) +
            "\r\n");
    ExpectSnapshotAsJobByJob();
    ASSERT_TRUE(cups_->Release(raw)) << cups_->Error();
    EXPECT_TRUE(cups_->WaitForJobState(raw, "completed")) << cups_->Error();
}

// Since when, by the scheduler's clock, and by a clock fixed through STALLSCAN_NOW at 2 h 14 min
// after the submission, in the zone of TZ: how long each job has waited and the stopped printer
// has been paused, when a hold to a time of day (UTC) ends; JSON with the same times, valid;
// --check on the oldest blocked job's age, and without age options as before.
TEST_F(Cups, AgesSinceSubmissionAndStopAndTheEndOfAHold) {
    ASSERT_TRUE(cups_->AddQueue("aging", "")) << cups_->Error();
    ASSERT_TRUE(cups_->Stop("aging")) << cups_->Error();
    const int64_t before = std::time(nullptr);
    const std::string job = Submit("aging", {});
    const std::string held = Submit("aging", {"-H", "23:59"});
    const auto run = [&](std::vector<std::string> options, const std::string& now,
                         const std::string& zone) {
        options.insert(options.begin(), "--cups=" + cups_->Server());
        options.insert(options.end(), {job, held});
        return test_os::RunProgram(STALLSCAN_PATH, options,
                                   {{"HOME", cups_->Folder()}, {"STALLSCAN_NOW", now},
                                    {"TZ", zone}});
    };
    // The scheduler's clock: the jobs were just submitted.
    const auto by_server = nlohmann::json::parse(run({"--json"}, "", "UTC0").out);
    int64_t created[2] = {};
    for (int i = 0; i < 2; ++i) {
        const auto& listed = by_server["jobs"][i];
        std::tm utc{};
        std::istringstream(listed.value("created", "")) >> std::get_time(&utc, "%Y-%m-%dT%H:%M:%S");
        created[i] = timegm(&utc);
        EXPECT_GE(created[i], before) << listed;
        EXPECT_LE(created[i], std::time(nullptr)) << listed;
        EXPECT_LT(listed.value("waitingSeconds", -1), 600) << listed;
        EXPECT_GE(listed.value("waitingSeconds", -1), 0) << listed;
    }

    // 30 s beyond 2 h 14 min, so that a few seconds between submissions and the stop stay within.
    const int64_t now = created[0] + 8070;
    const std::string zone = "IST-5:30";
    const auto since = [](int64_t at) { return stallscan::text::FormatDateTime(at, 19800); };
    const int64_t end = now - now % 86400 + 86340 + (now % 86400 >= 86340 ? 86400 : 0);
    const std::string paused = "- Printer \"aging\" is paused.\r\n"
                               "Printer \"aging\" has been paused for 2 h 14 min.\r\n";
    const std::string start = "  Start printer \"aging\" again once it is ready to print.\r\n"
                              "    cupsenable -h " + cups_->Server() + " aging\r\n";
    EXPECT_EQ(run({"--crlf"}, std::to_string(now), zone).out,
              Heading(job, "pending", "aging", "aging") + paused +
                  "The job has been waiting for 2 h 14 min (since " + since(created[0]) +
                  ").\r\nWhat can be done:\r\n" + start + "\r\n" +
                  Heading(held, "held", "aging", "aging") + Held("23:59") +
                  "The hold ends at 23:59 UTC (05:29 +05:30), in " +
                  stallscan::text::FormatDuration(end - now) + ".\r\n" + paused +
                  "- The queue has 1 intervening job(s) to schedule before this job.\r\n"
                  "The job has been waiting for 2 h 14 min (since " + since(created[1]) +
                  ").\r\nWhat can be done:\r\n  Release the job once it may print.\r\n"
                  "    lp -h " + cups_->Server() + " -i " + held + " -H resume\r\n" + start +
                  "\r\n");
    const auto json = run({"--json"}, std::to_string(now), zone).out;
    const auto fixed = nlohmann::json::parse(json)["jobs"];
    EXPECT_EQ(fixed[0]["waitingSeconds"], 8070);
    EXPECT_EQ(fixed[1]["created"], stallscan::text::FormatRfc3339(created[1], 19800));
    EXPECT_EQ(fixed[0]["messages"][1]["code"], "printer-paused-since");
    EXPECT_TRUE(fixed[0]["messages"][1].contains("since")) << fixed[0];
    const std::string file = cups_->Folder() + "/ages.json";
    std::ofstream(file) << json;
    const auto valid = test_os::RunProgram(
        "/usr/bin/python3", {SOURCE_DIR "/tests/support/validate_report.py",
                             SOURCE_DIR "/tests/support/report.strict.schema.json", file});
    EXPECT_EQ(valid.exit_code, 0) << valid.err;

    const auto check = run({"--check", "--warning-age", "1s"}, std::to_string(now), zone);
    EXPECT_EQ(check.exit_code, 1) << check.err;
    EXPECT_NE(check.out.find(", the oldest waiting for 2 h 14 min | jobs=2 blocked=2 "
                             "oldest_blocked=8070s;1 not_diagnosed=0\n"),
              std::string::npos)
        << check.out;
    EXPECT_EQ(run({"--check", "--warning-age", "1s", "--critical-age", "2h"}, std::to_string(now),
                  zone).exit_code, 2);
    EXPECT_EQ(run({"--check"}, std::to_string(now), zone).out,
              "STALLSCAN WARNING - 2 jobs, 2 blocked: printer-paused 2, job-held 1, "
              "job-held-until 1 | jobs=2 blocked=2;0 not_diagnosed=0\n");
    for (const std::string& id : {job, held}) {
        EXPECT_TRUE(cups_->Cancel(id)) << cups_->Error();
    }
}

// Stopped printers (with a message of their own, and with CUPS's "Paused"), jobs ahead, a job
// held after it was queued, a stopped class's message, a class that can print on a member, and
// a job printing on a printer that went offline.
TEST_F(Cups, StoppedPrintersClassesAndPrintingJobs) {
    for (const char* queue : {"jam", "busy", "m1", "m2", "m3"}) {
        ASSERT_TRUE(cups_->AddQueue(queue, cups_test::kOfficePpd)) << cups_->Error();
    }
    ASSERT_TRUE(cups_->AddQueue("m4", "", cups_->StateDevice("", "m4-done"))) << cups_->Error();
    ASSERT_TRUE(cups_->AddQueue("gone", "", cups_->StateDevice("offline", "gone-done")))
        << cups_->Error();
    ASSERT_TRUE(cups_->AddClass("team", {"m1", "m2"})) << cups_->Error();
    ASSERT_TRUE(cups_->AddClass("pair", {"m3", "m4"})) << cups_->Error();
    ASSERT_TRUE(cups_->Stop("jam", "Paper jam in tray 2")) << cups_->Error();
    for (const char* printer : {"busy", "m1", "m2", "m3"}) {
        ASSERT_TRUE(cups_->Stop(printer)) << cups_->Error();
    }
    ASSERT_TRUE(cups_->Stop("team", "Weekend shutdown")) << cups_->Error();
    const std::string jammed = Submit("jam", {});
    const std::string first = Submit("busy", {});
    Submit("busy", {"-q", "60"});  // a higher priority: ahead too
    const std::string third = Submit("busy", {});
    ASSERT_TRUE(cups_->Hold(first)) << cups_->Error();
    const std::string team = Submit("team", {});
    const std::string printing = Submit("m4", {});
    const std::string offline = Submit("gone", {});
    ASSERT_TRUE(cups_->WaitForJobState(printing, "processing")) << cups_->Error();
    ASSERT_TRUE(cups_->WaitForJobState(offline, "processing")) << cups_->Error();
    const std::string waits = Submit("pair", {});
    const auto run = Diagnose({jammed, third, first, team, waits, offline});
    // All the server's jobs: the waiting ones, not those printing.
    const std::string listed = Diagnose({}, *cups_, {"--list"}).out;
    EXPECT_NE(listed.find(":" + waits + "\n"), std::string::npos) << listed;
    EXPECT_EQ(listed.find(":" + offline + "\n"), std::string::npos) << listed;
    // The class job that a member will print is not blocked; the others are.
    const auto check = Diagnose({jammed, team, waits}, *cups_, {"--check"});
    ExpectSnapshotAsJobByJob();
    cups_->Touch("m4-done");
    cups_->Touch("gone-done");
    // (The scheduler is left still: the jobs in motion end.)
    for (const std::string& job : {printing, offline, waits}) {
        EXPECT_TRUE(cups_->WaitForJobState(job, "completed")) << cups_->Error();
    }
    EXPECT_NE(check.out.find(" 3 jobs, 2 blocked"), std::string::npos) << check.out;
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out,
              Heading(jammed, "pending", "jam", "jam") +
                  "- Printer \"jam\" is paused.\r\n"
                  "- Printer \"jam\" has a printer problem message of \"Paper jam in tray 2\".\r\n" +
                  Elsewhere(jammed, {"m4", "pair"}) +
                  Todo({Enable("jam"), {"Clear the problem that printer \"jam\" reports.", ""}}) +
                  "\r\n" + Heading(third, "pending", "busy", "busy") +
                  "- Printer \"busy\" is paused.\r\n"
                  "- The queue has 1 intervening job(s) to schedule before this job.\r\n" +
                  Elsewhere(third, {"m4", "pair"}) + Todo({Enable("busy")}) + "\r\n" +
                  Heading(first, "held", "busy", "busy") + Held("") +
                  "- Printer \"busy\" is paused.\r\n"
                  "- The queue has 1 intervening job(s) to schedule before this job.\r\n" +
                  Todo({Release(first), Enable("busy")}) +
                  "\r\n" + Heading(team, "pending", "team", "m1, m2") +
                  "- Queue \"team\" is paused.\r\n"
                  "Queue \"team\" has a queue state message of \"Weekend shutdown\".\r\n"
                  "- Printer \"m1\" is paused.\r\n- Printer \"m2\" is paused.\r\n" +
                  Elsewhere(team, {"m4", "pair"}) +
                  Todo({{"Start queue \"team\" again once it may print.", "cupsenable team"},
                        Enable("m1"), Enable("m2")}) +
                  "\r\n" +
                  Heading(waits, "pending", "pair", "m3, m4") +
                  "Printer \"m3\" is paused.\r\n"
                  "- Printer \"m4\" is currently printing a job; the printer state is "
                  "\"printing\".\r\n\r\n" +
                  Heading(offline, "processing", "gone", " ") +
                  "This job is currently processing.\r\n"
                  "The assigned printer is \"gone\"; the current printer state is \"printing\".\r\n"
                  "- Printer \"gone\" is offline.\r\n" +
                  Todo({{"Turn printer \"gone\" on and check its cable or network.", ""}}) +
                  "\r\n");
}

// The reasons a backend sets as real ones do ("STATE: +KEYWORD"), which stop the queue: one of
// each severity and of each kind of sentence.
TEST_F(Cups, PrinterStateReasonsOfABackend) {
    const std::string reasons =
        "stapler-jam-error,marker-waste-almost-full,toner-low-warning,stacker-added-report,"
        "media-empty,spool-area-full,input-tray-missing,frobnicator-warning";
    ASSERT_TRUE(cups_->AddQueue("states", "", cups_->StateDevice(reasons))) << cups_->Error();
    const std::string job = Submit("states", {});
    const auto printer = [](const std::string& said) {
        return "Printer \"states\" " + said + "\r\n";
    };
    std::string out;
    for (const auto end = std::chrono::steady_clock::now() + 30s;
         out.find("is paused") == std::string::npos && std::chrono::steady_clock::now() < end;) {
        out = Diagnose({job}).out;
    }
    EXPECT_EQ(out,
              Heading(job, "pending", "states", "states") + "- " + printer("is paused.") + "- " +
                  printer("has a printer problem message of \"The test device has "
                          "stopped.\".") +
                  "- " + printer("has a staple jam.") +
                  "Warning: " + printer("has an almost full waste container.") +
                  "Warning: " + printer("is almost out of toner.") + printer("has a new stacker.") +
                  "- " + printer("is out of paper.") + "- " + printer("has a full spool area.") +
                  "- " + printer("is missing its input tray.") +
                  "Warning: " + printer("reports \"frobnicator-warning\".") +
                  "- The job has a job state message of \"The test device has stopped.\".\r\n" +
                  Todo({Enable("states"),
                        {"Clear the problem that printer \"states\" reports.", ""},
                        {"Clear the staple jam in printer \"states\".", ""},
                        {"Empty the part of printer \"states\" that is filling up, soon.", ""},
                        {"Have a refill or replacement ready for printer \"states\".", ""},
                        {"Load paper into printer \"states\".", ""},
                        {"Free space in the spool area of printer \"states\".", ""},
                        {"Put the missing part back into printer \"states\".", ""},
                        {"Look at printer \"states\" and clear the condition it reports.", ""},
                        {"Act on the job's state message.", ""}}) +
                  "\r\n");
    ExpectSnapshotAsJobByJob();
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
    EXPECT_EQ(run.out,
              Heading(closed, "held", "closed", "closed") + Held() +
                  "Queue \"closed\" is not accepting new jobs.\r\n" +
                  Todo({Release(closed),
                        {"Let queue \"closed\" accept new jobs again.", "cupsaccept closed"}}) +
                  "\r\n" + Heading(text, "held", "formats", "formats") + Held() +
                  "- Printer \"formats\" does not support \"text/plain\" in its "
                  "\"document-format-supported\" attribute.\r\n" +
                  Todo({Release(text),
                        {"Offer \"text/plain\" on printer \"formats\" (load it, or set its "
                         "\"document-format-supported\"), or move the job to a printer that has "
                         "it.",
                         ""}}) +
                  "\r\n");
    // Information only: the job is not blocked by it.
    const auto check = Diagnose({closed}, *cups_, {"--check", "--problems-only"});
    EXPECT_NE(check.out.find("blocked=1"), std::string::npos) << check.out;  // by its hold
    ExpectSnapshotAsJobByJob();
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
    ExpectSnapshotAsJobByJob();
    auto run = Diagnose({"9999"});
    EXPECT_EQ(run.exit_code, 5);
    EXPECT_NE(run.out.find("Job \"9999\" not found in server \"127.0.0.1@"), std::string::npos);

    const std::string nowhere = "127.0.0.1:" + std::to_string(PrivateScheduler::FreePort());
    const std::string label = "127.0.0.1@" + nowhere.substr(10);
    run = Diagnose({"1"}, nowhere);
    EXPECT_EQ(run.exit_code, 5);
    EXPECT_NE(run.out.find("Unable to access server \"" + label + "\"."), std::string::npos)
        << run.out;
    run = Diagnose({}, nowhere);  // all its jobs: nobody was asked
    EXPECT_EQ(run.exit_code, 4);
    EXPECT_EQ(run.err, "Unable to access server \"" + label + "\".\n");
}

// The server of the CUPS clients with no configuration at all, a second ("remote") server named
// by its port, and values it keeps private.
TEST_F(Cups, DefaultAndRemoteServersAndPrivateValues) {
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
    ExpectSnapshotAsJobByJob(*remote);
}

// A server that wants a password gets none: all its jobs, a job by number, and on a terminal,
// where libcups would otherwise ask for one and wait.
TEST_F(Cups, AServerThatWantsAPasswordGetsNone) {
    REQUIRE_SCHEDULER(locked, "",
                      "<Limit Get-Jobs Get-Job-Attributes>\nAuthType Basic\nRequire valid-user\n"
                      "</Limit>\n");
    std::string job;
    ASSERT_TRUE(locked->AddQueue("safe", "")) << locked->Error();
    ASSERT_TRUE(locked->Submit("safe", {"-H", "hold"}, &job)) << locked->Error();
    const std::string label = "127.0.0.1@" + std::to_string(locked->Port());
    const std::string refusal =
        "Server \"" + label + "\" requires authentication, which stallscan does not give.";
    const auto all = Diagnose({}, *locked);
    EXPECT_EQ(all.exit_code, 4);
    EXPECT_EQ(all.err, refusal + "\n");
    ExpectSnapshotAsJobByJob(*locked);
    const auto named = Diagnose({job}, *locked);
    EXPECT_EQ(named.exit_code, 5);
    EXPECT_EQ(named.out,
              "Job identifier: " + label + ":" + job +
                  "\r\nJob name:  \r\nJob status: unknown status\r\nAssigned spooler: " + label +
                  "\r\nAssigned queue:  \r\nPhysical printer(s):  \r\nThe job is not "
                  "printing for the following reason(s):\r\nUnable to access job \"" +
                  label + ":" + job + "\".\r\n- " + refusal + "\r\n" +
                  Todo({{"Run stallscan again to see whether the job still waits.", ""},
                        {"Run stallscan as a user whom server \"" + label +
                             "\" lets list its jobs without logging in.",
                         ""}}) +
                  "\r\n");

    // On a terminal of its own (its controlling terminal), the run neither asks nor waits.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
    test_os::Started run({"--cups=" + locked->Server(), "-q", job}, {}, -1, STALLSCAN_PATH,
                         ::ptsname(master));
    // Everything it writes, until it ends and its terminal closes (or 60 s, when it waits).
    const std::string said = test_os::Started::ReadFor(master, 60s);
    ::close(master);
    EXPECT_EQ(run.Ended(10s), 5) << "it waits for input after: " << said;
    EXPECT_EQ(said.find("assword"), std::string::npos) << said;
    EXPECT_NE(said.find(refusal), std::string::npos) << said;
}

// A scheduler whose answers stop in the middle for a while, as a busy one's do: eight jobs at a
// time give the reports of one at a time, which are those of the scheduler asked directly. One
// dropped connection costs one more connection and changes nothing.
TEST_F(Cups, ASlowOrUnreliableSchedulerGivesTheSameReports) {
    REQUIRE_SCHEDULER(busy);
    ASSERT_TRUE(busy->AddQueue("slow", "")) << busy->Error();
    ASSERT_TRUE(busy->Stop("slow")) << busy->Error();
    for (int i = 0; i < 8; ++i) {
        Submit("slow",
               i % 4 == 3 ? std::vector<std::string>{"-H", "hold"}
                          : std::vector<std::string>{"-q", std::to_string(40 + i)},
               *busy);
    }
    const std::string direct_label = "127.0.0.1@" + std::to_string(busy->Port());
    // The server's label, and its address in the remedies' commands.
    const auto relabel = [&](std::string text, const test_proxy::DelayProxy& proxy) {
        const std::string port = std::to_string(proxy.Port());
        for (const auto& [from, to] :
             {std::pair("127.0.0.1@" + port, direct_label),
              std::pair("127.0.0.1:" + port, busy->Server())}) {
            for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
                text.replace(at, from.size(), to);
            }
        }
        return text;
    };
    // A scan asks per destination and printer, whatever the number of jobs: here at most
    // 3 + 2 x 1 destination + 1 printer requests, and one for every destination (where else the
    // jobs could print).
    const int answered = busy->Requests();
    const auto direct = Diagnose({}, *busy, {"--crlf", "-j", "1"});
    EXPECT_LE(busy->Requests() - answered, 7);
    ASSERT_EQ(direct.exit_code, 0) << direct.err;
    ASSERT_NE(direct.out.find("intervening"), std::string::npos) << direct.out;
    ExpectSnapshotAsJobByJob(*busy);
    const test_proxy::DelayProxy slow(busy->Port(), 300ms);
    for (const char* jobs : {"1", "8"}) {
        const auto run = Diagnose({}, slow.Server(), {"--crlf", "-v", "-j", jobs});
        EXPECT_EQ(run.exit_code, 0) << run.err;
        EXPECT_EQ(relabel(run.out, slow), direct.out) << "-j " << jobs << "\n" << run.err;
        const auto json = Diagnose({}, slow.Server(), {"--json", "-j", jobs});
        EXPECT_EQ(e2e::WithoutRunValues(relabel(json.out, slow)),
                  e2e::WithoutRunValues(Diagnose({}, *busy, {"--json"}).out))
            << "-j " << jobs;
    }

    const test_proxy::DelayProxy plain(busy->Port(), 0ms);
    const auto counted = Diagnose({}, plain.Server(), {"--crlf", "-j", "1"});
    const test_proxy::DelayProxy dropping(busy->Port(), 0ms, 3);
    const auto dropped = Diagnose({}, dropping.Server(), {"--crlf", "-j", "1"});
    EXPECT_EQ(relabel(dropped.out, dropping), relabel(counted.out, plain));
    EXPECT_EQ(dropping.Connections(), plain.Connections() + 1);
}

// One scan's snapshot asks per destination, never per job (each request on a connection of its
// own, counted by a proxy): the job list brings every job, one Get-Jobs counts the jobs ahead of
// them all, one Get-Printer-Attributes answers the queue and the printer. The re-check of every
// job is one more Get-Jobs, asked after the job list, so that it sees a job that ended meanwhile
// (whose end the source then tells with a request of its own) and one held meanwhile.
TEST_F(Cups, AScanSnapshotAsksPerDestinationNotPerJob) {
    using stallscan::model::ObjectClass;
    REQUIRE_SCHEDULER(still);
    ASSERT_TRUE(still->AddQueue("still", "")) << still->Error();
    ASSERT_TRUE(still->Stop("still")) << still->Error();
    const std::vector<std::string> jobs = {Submit("still", {}, *still),
                                           Submit("still", {"-q", "90"}, *still),
                                           Submit("still", {}, *still)};
    const test_proxy::DelayProxy proxy(still->Port(), 0ms);
    std::string error;
    const auto address = stallscan::cups::ParseServer(proxy.Server(), &error);
    ASSERT_TRUE(address) << error;
    stallscan::cups::CupsSource source(*address);
    const auto scan = source.NewScan();
    ASSERT_NE(scan, nullptr);
    // The one value of `attr` of the one object listed.
    const auto value = [&](ObjectClass object_class, const std::string& name,
                           const std::string& attr, const std::string& attributes = "all") -> std::string {
        const auto answer = scan->List({{object_class, name, ""}, attributes}, {});
        EXPECT_EQ(answer.objects.size(), 1u) << name << " " << static_cast<int>(answer.status);
        return answer.objects.empty() ? "" : answer.objects[0].entries.Get(attr);
    };
    const std::string server = address->label + ":";
    EXPECT_EQ(scan->List({{ObjectClass::kJob, server, ""}}, {}).objects.size(), 3u);
    // Job 2, of a higher priority, prints first.
    for (const auto& [job, ahead] : {std::pair(jobs[0], "1"), {jobs[1], "0"}, {jobs[2], "2"}}) {
        EXPECT_EQ(value(ObjectClass::kJob, server + job, "intervening-jobs"), ahead + "\0"s);
        EXPECT_EQ(value(ObjectClass::kQueue, "still", "state"), "ready\0"s);
        EXPECT_EQ(value(ObjectClass::kPrinter, "still", "printer-state"), "paused\0"s);
    }
    EXPECT_EQ(proxy.Connections(), 3);
    ASSERT_TRUE(still->Cancel(jobs[0])) << still->Error();
    ASSERT_TRUE(still->Hold(jobs[2])) << still->Error();
    for (const auto& [job, state] :
         {std::pair(jobs[1], "pending"), {jobs[0], "canceled"}, {jobs[2], "held"}}) {
        EXPECT_EQ(value(ObjectClass::kJob, server + job, "current-job-state", "current-job-state"),
                  state + "\0"s);
    }
    EXPECT_EQ(proxy.Connections(), 5);
}

// Where else a blocked job could print: the other destinations that are enabled, accept jobs and
// offer what the job asks for (a queue without A3 is no place for an A3 job; a raw queue claims
// nothing), with the command that moves it; the command of a name that a shell would read
// otherwise is one word for it (as a POSIX shell splits it: Python's shlex). A job that only waits
// its turn is not offered elsewhere.
TEST_F(Cups, ABlockedJobCouldPrintOnAnotherDestinationThatCanPrintIt) {
    std::string a3_ppd = cups_test::kOfficePpd;
    a3_ppd.replace(a3_ppd.find("*DefaultPageSize: A4"), 20,
                   "*DefaultPageSize: A3\n*PageSize A3/A3: \"<</PageSize[842 1191]>>setpagedevice\"\n"
                   "*PaperDimension A3/A3: \"842 1191\"");
    ASSERT_TRUE(cups_->AddQueue("jam&co", cups_test::kOfficePpd)) << cups_->Error();
    for (const char* queue : {"a4only", "closed", "off"}) {
        ASSERT_TRUE(cups_->AddQueue(queue, cups_test::kOfficePpd)) << cups_->Error();
    }
    ASSERT_TRUE(cups_->AddQueue("wide", a3_ppd)) << cups_->Error();
    ASSERT_TRUE(cups_->Reject("closed")) << cups_->Error();
    ASSERT_TRUE(cups_->Stop("off")) << cups_->Error();
    ASSERT_TRUE(cups_->Stop("jam&co")) << cups_->Error();
    const std::string plain = Submit("jam&co", {});
    const std::string a3 = Submit("jam&co", {"-o", "media=a3"});
    const auto run = Diagnose({plain, a3});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    const std::string paused = "- Printer \"jam&co\" is paused.\r\n";
    EXPECT_EQ(run.out,
              Heading(plain, "pending", "jam&co", "jam&co") + paused +
                  Elsewhere(plain, {"a4only", "wide"}) + Todo({Enable("jam&co", "'jam&co'")}) +
                  "\r\n" + Heading(a3, "pending", "jam&co", "jam&co") + paused +
                  "- Printer \"jam&co\" does not support \"iso_a3_297x420mm\" in its "
                  "\"media-ready\" attribute.\r\n"
                  "- The queue has 1 intervening job(s) to schedule before this job.\r\n" +
                  Elsewhere(a3, {"wide"}) +
                  Todo({Enable("jam&co", "'jam&co'"),
                        {"Offer \"iso_a3_297x420mm\" on printer \"jam&co\" (load it, or set its "
                         "\"media-ready\"), or move the job to a printer that has it.",
                         ""}}) +
                  "\r\n");
    const auto json = nlohmann::json::parse(Diagnose({a3}, *cups_, {"--json"}).out)["jobs"][0];
    EXPECT_EQ(json["alternatives"],
              nlohmann::json::parse(R"([{"queue":"wide","command":"lpmove -h )" + cups_->Server() +
                                    " " + a3 + R"( wide"}])"));
    const std::string enable = json["actions"][0]["command"];
    const auto words = test_os::RunProgram(
        "/usr/bin/python3",
        {"-c", "import shlex, sys; print(\"\\n\".join(shlex.split(sys.argv[1])))", enable});
    EXPECT_EQ(words.out, "cupsenable\n-h\n" + cups_->Server() + "\njam&co\n") << enable;
    // A job that only waits its turn behind one printing is not blocked: nothing else offered.
    ASSERT_TRUE(cups_->AddQueue("turn", "", cups_->StateDevice("", "turn-done"))) << cups_->Error();
    const std::string printing = Submit("turn", {});
    ASSERT_TRUE(cups_->WaitForJobState(printing, "processing")) << cups_->Error();
    const std::string behind = Submit("turn", {});
    const std::string waiting = Diagnose({behind}).out;
    EXPECT_TRUE(waiting.find("Job status: pending") != std::string::npos &&
                waiting.find("It could print on") == std::string::npos)
        << waiting;
    EXPECT_TRUE(cups_->Cancel(behind)) << cups_->Error();
    cups_->Touch("turn-done");
    ExpectSnapshotAsJobByJob();
}

}  // namespace
