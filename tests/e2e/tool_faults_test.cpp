// The real stand-in listing tool misbehaving, end to end: it hangs, crashes, writes 50 MB or an
// error text, and each run still ends with the right result, leaving no child process and no
// descriptor behind. Then the cost of every demo job in runs of the tool.
//
// The first tests run the core in this process (the tool's environment through setenv, inherited
// by every run); the run-count tests run the built stallscan as a child over a demo installation.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <sstream>
#include <thread>

#include "app/globals.h"
#include "diag/diagnose_job.h"
#include "kvls/run_kvls.h"
#include "listing/child_runner.h"
#include "listing/listing_query.h"
#include "model/job_list.h"
#include "model/listing_parser.h"
#include "model/object_attrs.h"
#include "platform/platform.h"
#include "support/test_os.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string kDemoData = SOURCE_DIR "/examples/demo/data";
const std::string kExpectedDir = SOURCE_DIR "/tests/e2e/expected";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ReadLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string ExpectedReport(std::string job) {
    job[job.find(':')] = '-';
    return ReadFile(fs::path(kExpectedDir) / (job + ".txt"));
}

std::vector<int32_t> MessageIds(const clsDiagResult& result) {
    std::vector<int32_t> ids;
    for (const DiagMessage& message : result.Messages()) {
        ids.push_back(message.id);
    }
    return ids;
}

using test_os::NoChildLeft;

// The core in this process, in normal mode, running the built tool over the demo model. Each test
// sets the fault it needs; every test must end without a child or a new open descriptor.
class ToolFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        test_os::SetEnv("KVLS_DATA", kDemoData);
        test_os::SetEnv("KVLS_LOG", log_.string());
        fs::remove(log_);
        gPseudoDir.clear();
        gListToolPath = KVLS_PATH;
        basPosixCtl::ResetReadSizes();
        test_os::WarmUpThreads();
        descriptorsBefore_ = platform::OpenDescriptorCount();
    }
    void TearDown() override {
        for (const char* name : {"KVLS_DATA", "KVLS_LOG", "KVLS_FAULT", "KVLS_FAULT_MATCH"}) {
            test_os::UnsetEnv(name);
        }
        basPosixCtl::SetChildRunner({});
        basPosixCtl::ResetReadSizes();
        fs::remove(log_);
        EXPECT_EQ(platform::OpenDescriptorCount(), descriptorsBefore_);
        EXPECT_TRUE(NoChildLeft());
    }

    // The fault for the runs whose logged arguments contain `match` (every run when empty).
    static void Fault(const std::string& fault, const std::string& match = {}) {
        test_os::SetEnv("KVLS_FAULT", fault);
        test_os::SetEnv("KVLS_FAULT_MATCH", match);
    }
    std::vector<std::string> LoggedRuns() const { return ReadLines(log_); }

    // Waits until a run whose arguments contain `text` has begun (the tool logs first).
    bool WaitForRun(const std::string& text) const {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < deadline) {
            for (const std::string& line : LoggedRuns()) {
                if (line.find(text) != std::string::npos) {
                    return true;
                }
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    static clsDiagResult Diagnose(const std::string& server, const std::string& job) {
        clsDiagResult result;
        basDiagJobs::DiagnoseJob(server, "", job, result);
        return result;
    }

  private:
    const fs::path log_ = fs::temp_directory_path() /
                          ("stallscan-faults-" + std::to_string(test_os::ProcessId()) + ".log");
    int descriptorsBefore_ = 0;
};

// Kills the run in progress once a run matching `text` has begun, and waits (generously) for
// `pending` to finish. A kill that does not end the run fails the test instead of hanging it.
template <typename T>
T KillWhenRunning(std::future<T>& pending, const std::function<bool()>& started) {
    EXPECT_TRUE(started());
    basPosixCtl::KillChildProcess();
    if (pending.wait_for(5s) != std::future_status::ready) {
        ADD_FAILURE() << "the killed run did not return within 5 s";
        while (pending.wait_for(100ms) != std::future_status::ready) {
            basPosixCtl::KillChildProcess();
        }
    }
    return pending.get();
}

}  // namespace

TEST_F(ToolFaults, NormalModeInThisProcessGivesTheExpectedReports) {
    for (const auto& [server, job] : {std::pair{"demo", "7"}, {"demo", "10"}, {"nightly", "1"}}) {
        EXPECT_EQ(Diagnose(server, job).GetTextForSavingToFile() + "\r\n",
                  ExpectedReport(std::string(server) + ":" + job));
    }
}

TEST_F(ToolFaults, HangingToolKilledFromAnotherThreadEndsTheListingWith2004) {
    Fault("hang");
    std::future<int32_t> listing = std::async(std::launch::async, [] {
        clsObjectAddr queue;
        queue.Init(kClassQueue, "q-office", "");
        clsObjectAttrs attrs;
        return attrs.Init(queue, false, "physical-printers-supported state");
    });
    EXPECT_EQ(KillWhenRunning<int32_t>(listing, [&] { return WaitForRun("q-office"); }),
              basPosixCtl::kKilledExitCode);
    EXPECT_EQ(LoggedRuns().size(), 1u);
}

TEST_F(ToolFaults, HangingToolKilledDuringADiagnosisEndsThatJobWithItsAccessMessage) {
    Fault("hang", "-cq");
    std::future<clsDiagResult> diagnosis =
        std::async(std::launch::async, [] { return Diagnose("demo", "10"); });
    const clsDiagResult result =
        KillWhenRunning<clsDiagResult>(diagnosis, [&] { return WaitForRun("-cq"); });
    EXPECT_EQ(MessageIds(result), std::vector<int32_t>{106});
    EXPECT_EQ(result.Messages().at(0).args, std::vector<std::string>{"q-office"});

    // The next job runs normally.
    Fault("hang", "no run matches this");
    EXPECT_EQ(Diagnose("demo", "10").GetTextForSavingToFile() + "\r\n", ExpectedReport("demo:10"));
}

TEST_F(ToolFaults, HangingJobListKilledGives2004AndNoJobs) {
    Fault("hang");
    clsJobList jobs;
    std::future<int32_t> listing =
        std::async(std::launch::async, [&] { return jobs.Init("demo", ""); });
    EXPECT_EQ(KillWhenRunning<int32_t>(listing, [&] { return WaitForRun("demo:"); }), 2004);
    EXPECT_EQ(jobs.Count(), 0);
}

// A tool that dies by a signal has not finished its listing, however much of it arrived: the run
// is a failure, never a shorter listing taken for the whole.
TEST_F(ToolFaults, CrashingToolFailsTheListingInsteadOfGivingPartOfIt) {
    Fault("crash-after:60", "-cj");
    clsObjectAddr job;
    job.Init(kClassJob, "demo:10", "");
    clsKvOutput out, err;
    EXPECT_EQ(basPosixCtl::RunListingQuery(job, "all", out, err), basPosixCtl::kStartFailed);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_TRUE(err.IsEmpty());

    Fault("crash-after:0", "-cj");
    EXPECT_EQ(basPosixCtl::RunListingQuery(job, "all", out, err), basPosixCtl::kStartFailed);
}

TEST_F(ToolFaults, CrashingToolGivesEachObjectsAccessMessage) {
    struct Case {
        const char* fault;
        const char* match;
        const char* server;
        const char* job;
        std::vector<int32_t> ids;
    };
    const Case cases[] = {
        // The server's full listing: 104.
        {"crash-after:50", "-cs -r all", "demo", "10", {104}},
        // The job, cut inside its name (which was once reported as the job's name): 110.
        {"crash-after:60", "-cj", "demo", "10", {110}},
        {"crash-after:25", "-cq", "demo", "10", {106}},
        // A printer: "not found" ends the printer loop; the tail finds nothing else to say.
        {"crash-after:40", "lp-office", "demo", "10", {329}},
        // The supervisor cut after its name and before "enabled = false": listed, it would pass
        // for an enabled supervisor of no type. The diagnosis stops at it instead.
        {"crash-after:32", "sup-off", "demo", "8", {320, 321, 345, 346, 104}},
        // The assigned printer of a printing job.
        {"crash-after:30", "-cp", "demo", "4", {339, 105}},
    };
    for (const Case& c : cases) {
        Fault(c.fault, c.match);
        const clsDiagResult result = Diagnose(c.server, c.job);
        EXPECT_EQ(MessageIds(result), c.ids) << c.fault << " " << c.match;
    }
}

TEST_F(ToolFaults, CrashingToolDuringTheJobListListsNoJobs) {
    Fault("crash-after:80");
    clsJobList jobs;
    EXPECT_EQ(jobs.Init("demo", ""), basPosixCtl::kStartFailed);
    EXPECT_EQ(jobs.Count(), 0);
}

TEST_F(ToolFaults, FiftyMegabytesAreReadAfterOneRepeatAndParseToTheSameEntries) {
    clsObjectAddr printer;
    printer.Init(kClassPrinter, "lp-office", "");
    clsObjectAttrs plain;
    ASSERT_EQ(plain.Init(printer, true), 0);

    std::vector<int32_t> codes;
    basPosixCtl::SetChildRunner(
        [&](const std::string& app, const ChildCommand& cmd, clsKvOutput& out, clsKvOutput& err) {
            codes.push_back(basPosixCtl::RunChildProcess(app, cmd, out, err));
            return codes.back();
        });
    constexpr int32_t k50M = 50 * 1024 * 1024;
    Fault("bytes:50M");
    clsKvOutput out, err;
    ASSERT_EQ(basPosixCtl::RunListingQuery(printer, "", out, err), 0);
    EXPECT_EQ(codes, (std::vector<int32_t>{903, 0}));
    EXPECT_EQ(out.Length(), k50M);
    EXPECT_EQ(basPosixCtl::StdoutReadSize(), k50M);

    clsStringList entries;
    std::string name;
    EXPECT_EQ(basPosixCtl::ParseListing(out, name, entries), 0);
    EXPECT_EQ(name, "lp-office");
    EXPECT_EQ(entries.GetAllItems("|"), plain.Entries().GetAllItems("|"));
    ASSERT_EQ(entries.Count(), plain.Entries().Count());
    for (int32_t i = 1; i <= entries.Count(); ++i) {
        EXPECT_EQ(entries.KeyAt(i), plain.Entries().KeyAt(i));
    }

    // The size is learnt for the process: the next listing of that size runs once.
    codes.clear();
    ASSERT_EQ(basPosixCtl::RunListingQuery(printer, "", out, err), 0);
    EXPECT_EQ(codes, std::vector<int32_t>{0});
}

TEST_F(ToolFaults, FiftyMegabyteJobListingsGiveTheSameReportWithOneExtraRun) {
    Fault("bytes:50M", "-cj");
    EXPECT_EQ(Diagnose("demo", "10").GetTextForSavingToFile() + "\r\n", ExpectedReport("demo:10"));
    // The cost of demo:10 (8 runs) and one repeat of the first job listing.
    const std::vector<std::string> runs = LoggedRuns();
    ASSERT_EQ(runs.size(), 9u);
    EXPECT_EQ(runs[1], runs[2]);
    EXPECT_NE(runs[1].find("-cj"), std::string::npos);
}

TEST_F(ToolFaults, ErrorOnStandardErrorGives2003AndTheAccessMessage) {
    Fault("stderr:spooler down");
    clsObjectAddr queue;
    queue.Init(kClassQueue, "q-office", "");
    clsKvOutput out, err;
    EXPECT_EQ(basPosixCtl::RunListingQuery(queue, "state", out, err),
              basPosixCtl::kToolReportedError);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(err.GetAll(), "spooler down\r\n");

    clsJobList jobs;
    EXPECT_EQ(jobs.Init("demo", ""), basPosixCtl::kToolReportedError);

    struct Case {
        const char* match;
        const char* job;
        std::vector<int32_t> ids;
    };
    const Case cases[] = {
        {"-cs -r all", "10", {104}},
        {"-cj", "10", {110}},
        {"-cq", "10", {106}},
        // lp-jam is the second printer of q-trouble: the first is still reported.
        {"lp-jam", "7", {318, 329}},
        {"sup-velmar", "7", {104}},  // the supervisor of q-trouble's printers
        {"current-job-state", "10", {333, 107}},  // the final re-check
        {"-cp", "3", {338, 105}},
    };
    for (const Case& c : cases) {
        Fault("stderr:spooler down", c.match);
        EXPECT_EQ(MessageIds(Diagnose("demo", c.job)), c.ids) << c.match;
    }
}

namespace {

// A demo installation for the built stallscan: the stand-in tool in bin/, the demo model as data.
class DemoRunCounts : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        base_ =
            fs::temp_directory_path() / ("stallscan-runs-" + std::to_string(test_os::ProcessId()));
        fs::remove_all(base_);
        fs::create_directories(base_ / "root" / "bin");
        fs::copy_file(KVLS_PATH, base_ / "root" / "bin" / test_os::ProgramFileName("kvls"));
        test_os::LinkOrCopyDirectory(kDemoData, base_ / "root" / "data");
    }
    static void TearDownTestSuite() { fs::remove_all(base_); }

    // Runs stallscan in normal mode; returns its logged tool runs.
    static std::vector<std::string> Runs(const std::vector<std::string>& args,
                                         std::map<std::string, std::string> env = {},
                                         std::string* report = nullptr) {
        const fs::path log = base_ / "runs.log";
        fs::remove(log);
        env["OV_ROOT"] = (base_ / "root").string();
        env["KVLS_LOG"] = log.string();
        env.emplace("KVLS_DATA", "");
        env.emplace("KVLS_FAULT", "");
        env.emplace("KVLS_FAULT_MATCH", "");
        const kvls_test::RunResult run = kvls_test::RunKvls(args, env, 20000, STALLSCAN_PATH);
        EXPECT_EQ(run.exit_code, 0) << run.err;
        if (report != nullptr) {
            *report = run.out;
        }
        return ReadLines(log);
    }

  private:
    static inline fs::path base_;
};

// What one diagnosis lists beyond the server (1 run) and the job (2 runs: all attributes, then
// "int-max-copy-count"). A printer costs 2 runs (all attributes, then the access-file ones) unless
// its first listing fails, which ends the printer loop after 1.
struct Walk {
    int queues = 0;             // the queue of a waiting job
    int printers = 0;           // printers checked
    int missingPrinters = 0;    // printers that cannot be listed
    int supervisorChanges = 0;  // supervisor differs from the one listed last
    int finalRecheck = 0;       // nothing found: the job's state is listed again
    int assignedPrinters = 0;   // processing, printing, retained with errors
    int Runs() const {
        return 1 + 2 + queues + 2 * printers + missingPrinters + supervisorChanges + finalRecheck +
               assignedPrinters;
    }
};

struct JobCost {
    const char* job;
    bool waiting;  // pending, paused or held: listed by "srv:"
    Walk walk;
};

// From the demo model (examples/demo/data).
const JobCost kDemoCosts[] = {
    {"demo:1", false, {}},                       // completed: nothing further
    {"demo:2", false, {.assignedPrinters = 1}},  // retained with errors: lp-laser's formats
    {"demo:3", false, {.assignedPrinters = 1}},  // processing on lp-busy
    {"demo:4", false, {.assignedPrinters = 1}},  // printing on lp-jam
    {"demo:5", true, {1, 1, 0, 1}},              // held; q-office: lp-office on sup-velmar
    {"demo:6", true, {1, 1, 0, 1}},              // paused; q-hold: lp-office on sup-velmar
    {"demo:7", true, {1, 7, 0, 1}},              // q-trouble: seven printers, all sup-velmar
    {"demo:8", true, {1, 4, 0, 4}},              // q-setup: velmar, ref, velmar, off
    {"demo:9", true, {1, 1, 0, 1}},              // mismatches on lp-office
    {"demo:10", true, {1, 1, 0, 1, 1}},          // no problems: re-check of the state
    {"demo:11", true, {.queues = 1}},            // q-unwired lists no printers
    {"demo:12", true, {1, 1, 0, 1}},             // state message, intervening jobs
    {"demo:13", true, {.queues = 1, .missingPrinters = 1}},  // requested lp-retired does not exist
    {"demo:14", false, {}},                                  // terminating
    {"demo:15", true, {}},                                   // held without a queue
    {"nightly:1", true, {1, 1, 0, 1}},                       // paused spooler, q-hold: lp-office
};

}  // namespace

TEST_F(DemoRunCounts, EveryDemoJobCostsWhatItsWalkThroughTheModelLists) {
    for (const JobCost& cost : kDemoCosts) {
        EXPECT_EQ(Runs({cost.job}).size(), static_cast<size_t>(cost.walk.Runs())) << cost.job;
    }
}

TEST_F(DemoRunCounts, AServerSpecAddsOneRunForItsJobList) {
    int expected = 1;
    for (const JobCost& cost : kDemoCosts) {
        if (cost.waiting && std::string(cost.job).starts_with("demo:")) {
            expected += cost.walk.Runs();
        }
    }
    EXPECT_EQ(Runs({"demo:"}).size(), static_cast<size_t>(expected));
}

TEST_F(DemoRunCounts, ASupervisorListedWithoutItsTypeCostsTwoRunsPerChange) {
    std::string report;
    const std::vector<std::string> runs =
        Runs({"demo:8"},
             {{"KVLS_FAULT", "stderr:no such attribute"}, {"KVLS_FAULT_MATCH", "supervisor-type"}},
             &report);
    EXPECT_EQ(runs.size(), static_cast<size_t>(Walk{1, 4, 0, 4}.Runs() + 4));
    EXPECT_NE(report.find("Supervisor \"sup-off\" is disabled."), std::string::npos) << report;
}

TEST_F(DemoRunCounts, ListingsBeyondTheReadSizeCostOneRepeatPerProcess) {
    // Every printer listing of demo:7 (fourteen) outgrows 4096 bytes: only the first is repeated.
    std::string report;
    std::vector<std::string> runs =
        Runs({"demo:7"}, {{"KVLS_FAULT", "bytes:6000"}, {"KVLS_FAULT_MATCH", "-cp"}}, &report);
    EXPECT_EQ(runs.size(), static_cast<size_t>(Walk{1, 7, 0, 1}.Runs() + 1));
    EXPECT_EQ(report, ExpectedReport("demo:7"));
    int repeats = 0;
    for (size_t i = 1; i < runs.size(); ++i) {
        if (runs[i] == runs[i - 1]) {
            ++repeats;
            EXPECT_NE(runs[i].find("-cp -r all"), std::string::npos) << runs[i];
        }
    }
    EXPECT_EQ(repeats, 1);

    // A listing of exactly the read size is not repeated.
    runs = Runs({"demo:7"}, {{"KVLS_FAULT", "bytes:4096"}, {"KVLS_FAULT_MATCH", "-cp"}});
    EXPECT_EQ(runs.size(), static_cast<size_t>(Walk{1, 7, 0, 1}.Runs()));
}
