#include "listing/caching_source.h"

#include <gtest/gtest.h>

#include <future>

#include "support/fake_source.h"
#include "support/test_os.h"

namespace {

using namespace std::chrono_literals;
using namespace stallscan::listing;
using stallscan::model::ObjectClass;

class Cache : public ::testing::Test {
  protected:
    fake::FakeSource fake_;
    CachingSource cache_{fake_};
};

// Shared objects are listed once per distinct request, failures included (but those that may
// pass); jobs every time.
TEST_F(Cache, SharedObjectsOncePerRequestJobsAlways) {
    fake_.Add(ObjectClass::kPrinter, "P1", {{"printer-state", "idle"}});
    fake_.Fail(ObjectClass::kQueue, "Q9", Status::kToolError, "down");
    fake_.Fail(ObjectClass::kQueue, "Q8", Status::kToolError, "dropped", true);
    fake_.Add(ObjectClass::kJob, "S1:1", {{"job-identifier", "1"}});
    const Request requests[] = {
        {{ObjectClass::kPrinter, "P1", ""}},         {{ObjectClass::kPrinter, "P1", ""}, "x"},
        {{ObjectClass::kPrinter, "P1", "D1"}},       {{ObjectClass::kQueue, "Q9", ""}},
        {{ObjectClass::kJob, "S1:1", ""}},           {{ObjectClass::kQueue, "Q8", ""}},
    };
    for (int pass = 0; pass < 3; ++pass) {
        for (const Request& request : requests) {
            cache_.List(request, {});
        }
    }
    EXPECT_EQ(fake_.Runs(ObjectClass::kPrinter, "P1"), 3);
    EXPECT_EQ(fake_.Runs(ObjectClass::kQueue, "Q9"), 1);
    EXPECT_EQ(fake_.Runs(ObjectClass::kQueue, "Q8"), 3);
    EXPECT_EQ(fake_.Runs(ObjectClass::kJob, "S1:1"), 3);
    EXPECT_EQ(cache_.List(requests[3], {}).error_text, "down");
}

// A listing in flight is awaited by a second asker, and its failure kept; one that was stopped
// is asked for again.
TEST_F(Cache, ASecondAskerAwaitsTheListingInFlight) {
    for (const char* server : {"S1", "S2"}) fake_.Hang(ObjectClass::kServer, server);
    const auto listed = [this](const char* server) {
        return test_os::WaitUntil([&] { return fake_.Runs(ObjectClass::kServer, server) > 0; },
                                  test_os::Scaled(10s));
    };
    const Request first{{ObjectClass::kServer, "S1", ""}};
    auto timed_out = std::async(std::launch::async, [&] { return cache_.List(first, {{}, 1s}); });
    EXPECT_TRUE(listed("S1"));
    auto waiting = std::async(std::launch::async, [&] { return cache_.List(first, {{}, 10s}); });
    EXPECT_EQ(timed_out.get().status, Status::kTimedOut);
    EXPECT_EQ(waiting.get().status, Status::kTimedOut);
    EXPECT_EQ(fake_.Runs(ObjectClass::kServer, "S1"), 1);

    std::stop_source stop;
    const Request other{{ObjectClass::kServer, "S2", ""}};
    auto stopped =
        std::async(std::launch::async, [&] { return cache_.List(other, {stop.get_token()}); });
    EXPECT_TRUE(listed("S2"));
    stop.request_stop();
    EXPECT_EQ(stopped.get().status, Status::kStopped);
    EXPECT_EQ(cache_.List(other, {{}, 100ms}).status, Status::kTimedOut);
    EXPECT_EQ(fake_.Runs(ObjectClass::kServer, "S2"), 2);
}

}  // namespace
