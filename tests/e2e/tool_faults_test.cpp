// The real stand-in listing tool misbehaving, end to end: it hangs, crashes, writes 50 MB or an
// error text, and each listing still ends with the right outcome, leaving no child process and no
// descriptor behind. The core runs in this process over the built tool; the tool's environment is
// set here and inherited by every run.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <map>
#include <thread>

#include "diag/diagnose.h"
#include "e2e/e2e_support.h"
#include "listing/job_list.h"
#include "listing/object_attributes.h"
#include "listing/tool_source.h"
#include "platform/platform.h"

namespace {

using namespace std::chrono_literals;
using namespace e2e;
using stallscan::diag::Diagnosis;
using stallscan::listing::Answer;
using stallscan::listing::JobList;
using stallscan::listing::Lister;
using stallscan::listing::ObjectAttributes;
using stallscan::listing::Request;
using stallscan::listing::Status;
using stallscan::listing::ToolSource;
using stallscan::model::ObjectClass;
using stallscan::text::Msg;

std::vector<Msg> MessageIds(const Diagnosis& diagnosis) {
    std::vector<Msg> ids;
    for (const auto& message : diagnosis.Messages()) {
        ids.push_back(message.id);
    }
    return ids;
}

std::map<std::string, std::string> EntryMap(const stallscan::model::Entries& entries) {
    return {entries.begin(), entries.end()};
}

// The core in this process, in normal mode, running the built tool over the demo model. Each test
// sets the fault it needs; every test must end without a child or a new open descriptor.
class ToolFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        test_os::SetEnv("KVLS_DATA", kDemoData);
        test_os::SetEnv("KVLS_LOG", log_.string());
        fs::remove(log_);
        test_os::WarmUpThreads();
        descriptors_before_ = stallscan::platform::OpenDescriptorCount();
    }
    void TearDown() override {
        for (const char* name : {"KVLS_DATA", "KVLS_LOG", "KVLS_FAULT", "KVLS_FAULT_MATCH"}) {
            test_os::UnsetEnv(name);
        }
        fs::remove(log_);
        EXPECT_EQ(stallscan::platform::OpenDescriptorCount(), descriptors_before_);
        EXPECT_TRUE(test_os::NoChildLeft());
    }

    // The fault for the runs whose logged arguments contain `match` (every run when empty).
    static void Fault(const std::string& fault, const std::string& match = {}) {
        test_os::SetEnv("KVLS_FAULT", fault);
        test_os::SetEnv("KVLS_FAULT_MATCH", match);
    }
    std::vector<std::string> LoggedRuns() const { return ReadLines(log_); }
    // Waits until a run whose logged arguments contain `match` has begun (the tool logs first).
    void AwaitRun(const std::string& match) const {
        for (int i = 0; i < 1000 && ReadFile(log_).find(match) == std::string::npos; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        EXPECT_NE(ReadFile(log_).find(match), std::string::npos) << match;
    }

    Diagnosis Diagnose(const std::string& job) {
        Lister lister(source_);
        return stallscan::diag::DiagnoseJob(lister, "demo", "", job);
    }
    std::string Report(const std::string& job) { return Diagnose(job).ReportText() + "\r\n"; }

    const fs::path log_ = fs::temp_directory_path() /
                          ("stallscan-faults-" + std::to_string(test_os::ProcessId()) + ".log");
    ToolSource source_{KVLS_PATH};
    int descriptors_before_ = 0;
};

}  // namespace

// Two listings at once: stopping the one whose tool hangs ends it at once and leaves the other to
// complete with its entries.
TEST_F(ToolFaults, StoppingAHangingListingLeavesAnotherOneAlone) {
    Fault("hang", "q-office");
    std::stop_source stop;
    auto hanging = std::async(std::launch::async, [&] {
        ObjectAttributes queue;
        Lister lister(source_, {stop.get_token()});
        return queue.List(lister, {ObjectClass::kQueue, "q-office", ""}, false, "state");
    });
    AwaitRun("q-office");
    auto answering = std::async(std::launch::async, [&] {
        ObjectAttributes printer;
        Lister lister(source_);
        printer.List(lister, {ObjectClass::kPrinter, "lp-office", ""}, true);
        return printer.SingleValue("associated-server");
    });
    EXPECT_EQ(answering.get(), "demo");
    const auto start = std::chrono::steady_clock::now();
    stop.request_stop();
    EXPECT_EQ(hanging.get(), Status::kStopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

    // A job list stopped the same way is empty; a time-out ends a listing the same way.
    JobList jobs;
    Lister stopped(source_, {stop.get_token()});
    EXPECT_EQ(jobs.List(stopped, "demo", ""), Status::kStopped);
    EXPECT_EQ(jobs.Count(), 0);
    Lister limited(source_, {{}, 300ms});
    EXPECT_EQ(limited.List({{ObjectClass::kQueue, "q-office", ""}}).status, Status::kTimedOut);
}

TEST_F(ToolFaults, AHangingToolStoppedDuringADiagnosisEndsThatJobOnly) {
    Fault("hang", "-cq");
    std::stop_source stop;
    Lister lister(source_, {stop.get_token()});
    auto pending = std::async(std::launch::async,
                              [&] { return stallscan::diag::DiagnoseJob(lister, "demo", "", "10"); });
    AwaitRun("-cq");
    stop.request_stop();
    EXPECT_TRUE(pending.get().Messages().empty());
    EXPECT_EQ(lister.Interruption(), Status::kStopped);
    // The next job runs normally.
    Fault("hang", "no run matches this");
    EXPECT_EQ(Report("10"), ExpectedReport("demo:10"));
}
// A tool that dies by a signal has not finished its listing, however much of it arrived: the run
// is a failure, never a shorter listing taken for the whole. A tool that writes an error fails it
// too, with the error kept.
TEST_F(ToolFaults, FailedListingsGiveTheirStatusAndNoPartOfTheListing) {
    for (const char* fault : {"crash-after:60", "crash-after:0"}) {
        Fault(fault, "-cj");
        const Answer answer = source_.List({{ObjectClass::kJob, "demo:10", ""}}, {});
        EXPECT_EQ(answer.status, Status::kStartFailed) << fault;
        EXPECT_TRUE(answer.objects.empty());
    }
    Fault("stderr:spooler down");
    const Answer answer = source_.List({{ObjectClass::kQueue, "q-office", ""}, "state"}, {});
    EXPECT_EQ(answer.status, Status::kToolError);
    EXPECT_EQ(answer.error_text, "spooler down\r\n");

    JobList jobs;
    Lister lister(source_);
    EXPECT_EQ(jobs.List(lister, "demo", ""), Status::kToolError);
    Fault("crash-after:80");
    EXPECT_EQ(jobs.List(lister, "demo", ""), Status::kStartFailed);
    EXPECT_EQ(jobs.Count(), 0);
}

TEST_F(ToolFaults, EachObjectThatCannotBeListedGivesItsAccessMessage) {
    const struct {
        const char* fault;
        const char* match;
        const char* job;
        std::vector<int> ids;
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
        std::vector<int> ids;
        for (const Msg id : MessageIds(Diagnose(c.job))) {
            ids.push_back(static_cast<int>(id));
        }
        EXPECT_EQ(ids, c.ids) << c.fault << " " << c.match;
    }
}

TEST_F(ToolFaults, FiftyMegabytesAreReadAfterOneRepeatAndParseToTheSameEntries) {
    const Request printer{{ObjectClass::kPrinter, "lp-office", ""}};
    const Answer plain = source_.List(printer, {});
    ASSERT_EQ(plain.status, Status::kOk);
    constexpr int32_t k50M = 50 * 1024 * 1024;
    Fault("bytes:50M");
    fs::remove(log_);
    const Answer flooded = source_.List(printer, {});
    ASSERT_EQ(flooded.status, Status::kOk);
    EXPECT_EQ(LoggedRuns().size(), 2u);  // one repeat with the grown read size
    EXPECT_EQ(source_.OutReadSize(), k50M);
    ASSERT_EQ(flooded.objects.size(), 1u);
    EXPECT_EQ(flooded.objects[0].name, "lp-office");
    EXPECT_EQ(EntryMap(flooded.objects[0].entries), EntryMap(plain.objects.at(0).entries));

    // The size is learnt by the source: the next listing of that size runs once.
    ASSERT_EQ(source_.List(printer, {}).status, Status::kOk);
    EXPECT_EQ(LoggedRuns().size(), 3u);

    // A diagnosis whose job listings flood gives the same report with one repeat, of its first
    // job listing, beyond the 8 runs of demo:10.
    Fault("bytes:50M", "-cj");
    ToolSource fresh(KVLS_PATH);
    Lister lister(fresh);
    fs::remove(log_);
    EXPECT_EQ(stallscan::diag::DiagnoseJob(lister, "demo", "", "10").ReportText() + "\r\n",
              ExpectedReport("demo:10"));
    const std::vector<std::string> runs = LoggedRuns();
    ASSERT_EQ(runs.size(), 9u);
    EXPECT_EQ(runs[1], runs[2]);
    EXPECT_NE(runs[1].find("-cj"), std::string::npos);
}
