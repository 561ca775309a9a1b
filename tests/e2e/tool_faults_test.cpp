// The real stand-in listing tool misbehaving, end to end: it hangs, crashes, writes 50 MB or an
// error text, and each run still ends with the right result, leaving no child process and no
// descriptor behind. The core runs in this process; the tool's environment is set here and
// inherited by every run.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "app/globals.h"
#include "diag/diagnose_job.h"
#include "e2e/e2e_support.h"
#include "listing/child_runner.h"
#include "listing/listing_query.h"
#include "model/job_list.h"
#include "model/listing_parser.h"
#include "model/object_attrs.h"
#include "platform/platform.h"

namespace {

using namespace std::chrono_literals;
using namespace e2e;

std::vector<int32_t> MessageIds(const clsDiagResult& result) {
    std::vector<int32_t> ids;
    for (const DiagMessage& message : result.Messages()) {
        ids.push_back(message.id);
    }
    return ids;
}

clsObjectAddr Address(int32_t objClass, const std::string& name) {
    clsObjectAddr address;
    return address.Init(objClass, name, "");
}

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
        basPosixCtl::ResetReadSizes();
        fs::remove(log_);
        EXPECT_EQ(platform::OpenDescriptorCount(), descriptorsBefore_);
        EXPECT_TRUE(test_os::NoChildLeft());
    }

    // The fault for the runs whose logged arguments contain `match` (every run when empty).
    static void Fault(const std::string& fault, const std::string& match = {}) {
        test_os::SetEnv("KVLS_FAULT", fault);
        test_os::SetEnv("KVLS_FAULT_MATCH", match);
    }
    std::vector<std::string> LoggedRuns() const { return ReadLines(log_); }

    // Runs `task` on another thread while the runs matching `match` hang; once such a run has
    // begun (the tool logs first), kills it and returns what `task` returned. A kill that does not
    // end the run fails the test instead of hanging it.
    template <typename Task>
    auto KillHangingRun(const std::string& match, Task task) {
        fs::remove(log_);
        Fault("hang", match);
        auto pending = std::async(std::launch::async, task);
        for (int i = 0; i < 1000 && ReadFile(log_).find(match) == std::string::npos; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        EXPECT_NE(ReadFile(log_).find(match), std::string::npos) << match;
        basPosixCtl::KillChildProcess();
        if (pending.wait_for(5s) != std::future_status::ready) {
            ADD_FAILURE() << "the killed run did not return within 5 s";
            while (pending.wait_for(100ms) != std::future_status::ready) {
                basPosixCtl::KillChildProcess();
            }
        }
        return pending.get();
    }

    static clsDiagResult Diagnose(const std::string& job) {
        clsDiagResult result;
        basDiagJobs::DiagnoseJob("demo", "", job, result);
        return result;
    }
    static std::string Report(const std::string& job) {
        return Diagnose(job).GetTextForSavingToFile() + "\r\n";
    }

    const fs::path log_ = fs::temp_directory_path() /
                          ("stallscan-faults-" + std::to_string(test_os::ProcessId()) + ".log");
    int descriptorsBefore_ = 0;
};

}  // namespace

TEST_F(ToolFaults, AHangingToolKilledFromAnotherThreadEndsTheRunWith2004) {
    clsObjectAttrs queue;
    const clsObjectAddr qOffice = Address(kClassQueue, "q-office");
    EXPECT_EQ(KillHangingRun("q-office", [&] { return queue.Init(qOffice, false, "state"); }),
              basPosixCtl::kKilledExitCode);
    EXPECT_EQ(LoggedRuns().size(), 1u);

    clsJobList jobs;
    EXPECT_EQ(KillHangingRun("demo:", [&] { return jobs.Init("demo", ""); }), 2004);
    EXPECT_EQ(jobs.Count(), 0);
}

TEST_F(ToolFaults, AHangingToolKilledDuringADiagnosisEndsThatJobWithItsAccessMessage) {
    const clsDiagResult result = KillHangingRun("-cq", [] { return Diagnose("10"); });
    EXPECT_EQ(MessageIds(result), std::vector<int32_t>{106});
    EXPECT_EQ(result.Messages().at(0).args, std::vector<std::string>{"q-office"});
    // The next job runs normally.
    Fault("hang", "no run matches this");
    EXPECT_EQ(Report("10"), ExpectedReport("demo:10"));
}

// A tool that dies by a signal has not finished its listing, however much of it arrived: the run
// is a failure, never a shorter listing taken for the whole. A tool that writes an error fails it
// too, with the error kept.
TEST_F(ToolFaults, FailedListingsGiveTheirCodeAndNoPartOfTheListing) {
    clsKvOutput out, err;
    for (const char* fault : {"crash-after:60", "crash-after:0"}) {
        Fault(fault, "-cj");
        EXPECT_EQ(basPosixCtl::RunListingQuery(Address(kClassJob, "demo:10"), "all", out, err),
                  basPosixCtl::kStartFailed)
            << fault;
        EXPECT_TRUE(out.IsEmpty());
        EXPECT_TRUE(err.IsEmpty());
    }
    Fault("stderr:spooler down");
    EXPECT_EQ(basPosixCtl::RunListingQuery(Address(kClassQueue, "q-office"), "state", out, err),
              basPosixCtl::kToolReportedError);
    EXPECT_TRUE(out.IsEmpty());
    EXPECT_EQ(err.GetAll(), "spooler down\r\n");

    clsJobList jobs;
    EXPECT_EQ(jobs.Init("demo", ""), basPosixCtl::kToolReportedError);
    Fault("crash-after:80");
    EXPECT_EQ(jobs.Init("demo", ""), basPosixCtl::kStartFailed);
    EXPECT_EQ(jobs.Count(), 0);
}

TEST_F(ToolFaults, EachObjectThatCannotBeListedGivesItsAccessMessage) {
    const struct {
        const char* fault;
        const char* match;
        const char* job;
        std::vector<int32_t> ids;
    } cases[] = {
        // The server's full listing, the job (cut inside its name, which was once reported as the
        // job's name), the queue.
        {"crash-after:50", "-cs -r all", "10", {104}},
        {"crash-after:60", "-cj", "10", {110}},
        {"crash-after:25", "-cq", "10", {106}},
        // A printer: "not found" ends the printer loop; the tail finds nothing else to say.
        {"crash-after:40", "lp-office", "10", {329}},
        // The supervisor cut after its name and before "enabled = false": listed, it would pass
        // for an enabled supervisor of no type. The diagnosis stops at it instead.
        {"crash-after:32", "sup-off", "8", {320, 321, 345, 346, 104}},
        // The assigned printer of a printing job.
        {"crash-after:30", "-cp", "4", {339, 105}},
        // An error text instead of a listing. lp-jam is the second printer of q-trouble: the
        // first is still reported.
        {"stderr:x", "lp-jam", "7", {318, 329}},
        {"stderr:x", "sup-velmar", "7", {104}},  // the supervisor of q-trouble's printers
        {"stderr:x", "current-job-state", "10", {333, 107}},  // the final re-check
        {"stderr:x", "-cp", "3", {338, 105}},
    };
    for (const auto& c : cases) {
        Fault(c.fault, c.match);
        EXPECT_EQ(MessageIds(Diagnose(c.job)), c.ids) << c.fault << " " << c.match;
    }
}

TEST_F(ToolFaults, FiftyMegabytesAreReadAfterOneRepeatAndParseToTheSameEntries) {
    const clsObjectAddr printer = Address(kClassPrinter, "lp-office");
    clsObjectAttrs plain;
    ASSERT_EQ(plain.Init(printer, true), 0);
    constexpr int32_t k50M = 50 * 1024 * 1024;
    Fault("bytes:50M");
    fs::remove(log_);
    clsKvOutput out, err;
    ASSERT_EQ(basPosixCtl::RunListingQuery(printer, "", out, err), 0);
    EXPECT_EQ(LoggedRuns().size(), 2u);  // one repeat with the grown read size
    EXPECT_EQ(out.Length(), k50M);
    EXPECT_EQ(basPosixCtl::StdoutReadSize(), k50M);

    clsStringList entries;
    std::string name;
    EXPECT_EQ(basPosixCtl::ParseListing(out, name, entries), 0);
    EXPECT_EQ(name, "lp-office");
    ASSERT_EQ(entries.Count(), plain.Entries().Count());
    for (int32_t i = 1; i <= entries.Count(); ++i) {
        EXPECT_EQ(entries.KeyAt(i), plain.Entries().KeyAt(i));
        EXPECT_EQ(entries.Item(i), plain.Entries().Item(i));
    }

    // The size is learnt for the process: the next listing of that size runs once.
    ASSERT_EQ(basPosixCtl::RunListingQuery(printer, "", out, err), 0);
    EXPECT_EQ(LoggedRuns().size(), 3u);

    // A diagnosis whose job listings flood gives the same report with one repeat, of its first
    // job listing, beyond the 8 runs of demo:10.
    Fault("bytes:50M", "-cj");
    basPosixCtl::ResetReadSizes();
    fs::remove(log_);
    EXPECT_EQ(Report("10"), ExpectedReport("demo:10"));
    const std::vector<std::string> runs = LoggedRuns();
    ASSERT_EQ(runs.size(), 9u);
    EXPECT_EQ(runs[1], runs[2]);
    EXPECT_NE(runs[1].find("-cj"), std::string::npos);
}
