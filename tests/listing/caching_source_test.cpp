#include "listing/caching_source.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "diag/diagnose.h"
#include "support/fake_source.h"

namespace {

using namespace std::chrono_literals;
using stallscan::listing::CachingSource;
using stallscan::listing::Lister;
using stallscan::listing::Request;
using stallscan::listing::Status;
using stallscan::model::ObjectClass;

class Cache : public ::testing::Test {
  protected:
    fake::FakeSource fake_;
    CachingSource cache_{fake_};
};

// Shared objects are listed once per distinct request, failures included; jobs every time.
TEST_F(Cache, SharedObjectsOncePerRequestJobsAlways) {
    fake_.Add(ObjectClass::kPrinter, "P1", {{"printer-state", "idle"}});
    fake_.Fail(ObjectClass::kQueue, "Q9", Status::kToolError, "down");
    fake_.Add(ObjectClass::kJob, "S1:1", {{"job-identifier", "1"}});
    const Request requests[] = {
        {{ObjectClass::kPrinter, "P1", ""}},         {{ObjectClass::kPrinter, "P1", ""}, "x"},
        {{ObjectClass::kPrinter, "P1", "D1"}},       {{ObjectClass::kQueue, "Q9", ""}},
        {{ObjectClass::kJob, "S1:1", ""}},
    };
    for (int pass = 0; pass < 3; ++pass) {
        for (const Request& request : requests) {
            cache_.List(request, {});
        }
    }
    EXPECT_EQ(fake_.Runs(ObjectClass::kPrinter, "P1"), 3);
    EXPECT_EQ(fake_.Runs(ObjectClass::kQueue, "Q9"), 1);
    EXPECT_EQ(fake_.Runs(ObjectClass::kJob, "S1:1"), 3);
    EXPECT_EQ(cache_.List(requests[3], {}).error_text, "down");
    EXPECT_EQ(cache_.Hits(), 9);
}

// The final re-check of a job is never answered from memory: a job that left the waiting states
// meanwhile says so, however often its shared objects were listed before.
TEST_F(Cache, AJobThatStopsWaitingBeforeItsReCheckSaysSo) {
    fake_.Add(ObjectClass::kServer, "S1", {{"server-state", "idle"}});
    fake_.Add(ObjectClass::kJob, "S1:12",
              {{"job-identifier", "12"}, {"current-job-state", "pending"}, {"assigned-queue", "Q1"}});
    fake_.Add(ObjectClass::kQueue, "Q1", {{"state", "ready"}, {"physical-printers-supported", "P1"}});
    fake_.Add(ObjectClass::kPrinter, "P1", {{"printer-state", "idle"}});
    Lister first(cache_);
    EXPECT_EQ(stallscan::diag::DiagnoseJob(first, "S1", "", "12").MessageText(),
              "No problems were found.\r\n");
    fake_.Add(ObjectClass::kJob, "S1:12", {{"current-job-state", "printing"}},
              "current-job-state");
    Lister second(cache_);
    EXPECT_EQ(stallscan::diag::DiagnoseJob(second, "S1", "", "12").MessageText(),
              "No problems were found.\r\n"
              "This job is no longer pending; the current job state is \"printing\".\r\n");
    EXPECT_EQ(fake_.Runs(ObjectClass::kPrinter, "P1"), 2);  // all, then the access-file attributes
}

// A listing in flight is awaited by a second asker; one that was stopped is asked for again.
TEST_F(Cache, ASecondAskerAwaitsTheListingInFlight) {
    fake_.Hang(ObjectClass::kServer, "S1");
    const Request server{{ObjectClass::kServer, "S1", ""}};
    auto first = std::async(std::launch::async, [&] { return cache_.List(server, {{}, 400ms}); });
    std::this_thread::sleep_for(100ms);
    auto second = std::async(std::launch::async, [&] { return cache_.List(server, {}); });
    EXPECT_EQ(first.get().status, Status::kTimedOut);
    EXPECT_EQ(second.get().status, Status::kTimedOut);
    EXPECT_EQ(fake_.Runs(ObjectClass::kServer, "S1"), 1);

    std::stop_source stop;
    fake_.Hang(ObjectClass::kServer, "S2");
    const Request other{{ObjectClass::kServer, "S2", ""}};
    auto stopped = std::async(std::launch::async, [&] { return cache_.List(other, {stop.get_token()}); });
    std::this_thread::sleep_for(100ms);
    stop.request_stop();
    EXPECT_EQ(stopped.get().status, Status::kStopped);
    EXPECT_EQ(cache_.List(other, {{}, 100ms}).status, Status::kTimedOut);
    EXPECT_EQ(fake_.Runs(ObjectClass::kServer, "S2"), 2);
}

}  // namespace
