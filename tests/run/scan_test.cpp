// How a scan ends when the code the diagnoses are handed to fails. (Stops, the reports of scans,
// several jobs at once and the cache: tests/e2e.)

#include "run/scan.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>

#include "support/fake_source.h"

namespace {

using namespace std::chrono_literals;
using stallscan::run::RunPlan;
using stallscan::run::ScannedJob;

// Forty jobs of S1, the second of which waits in its listing until it is stopped: without a stop
// the scan would never end.
RunPlan HangingPlan(fake::FakeSource& source) {
    RunPlan plan;
    for (int job = 1; job <= 40; ++job) {
        plan.items.push_back({"S1", std::to_string(job)});
    }
    source.Hang(fake::ObjectClass::kJob, "S1:2");
    return plan;
}

// The threads of this process, where the system shows them; -1 elsewhere.
std::ptrdiff_t Threads() {
    const std::filesystem::path tasks = "/proc/self/task";
    std::error_code error;
    if (!std::filesystem::is_directory(tasks, error)) {
        return -1;
    }
    return std::distance(std::filesystem::directory_iterator(tasks),
                         std::filesystem::directory_iterator());
}

// The thread count once it is back at `expected` (a joined thread leaves the system's list a
// moment after the join), or what it still is after a generous time.
std::ptrdiff_t ThreadsOnceBackTo(std::ptrdiff_t expected) {
    const auto give_up = std::chrono::steady_clock::now() + 30s;
    std::ptrdiff_t now = Threads();
    while (now != expected && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(1ms);
        now = Threads();
    }
    return now;
}

// An exception of the delivering code (a full disk, no memory) ends the scan with it: the workers,
// one of them in a listing that only a stop ends and others waiting for room, are stopped and
// joined, and nothing more is delivered.
TEST(Scans, AThrowingDeliveryEndsTheScanWithItsErrorAndNoThreadLeft) {
    fake::FakeSource source;
    const RunPlan plan = HangingPlan(source);
    // A thread started first brings up any helper thread of a sanitizer's runtime, which stays.
    std::jthread([] {}).join();
    const std::ptrdiff_t before = Threads();
    int delivered = 0;
    EXPECT_THROW(stallscan::run::Scan(source, plan, {"", 0ms, 3}, {},
                                      [&](ScannedJob&& job) {
                                          ++delivered;
                                          EXPECT_EQ(job.item->job, "1");
                                          throw std::runtime_error("no space left on device");
                                      }),
                 std::runtime_error);
    EXPECT_EQ(delivered, 1);
    EXPECT_EQ(ThreadsOnceBackTo(before), before);
}

}  // namespace
