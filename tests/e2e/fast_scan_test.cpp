// Fast scans end to end, over the demo and a generated model of a few hundred jobs: the cache and
// several jobs at once change the number of tool runs and nothing else, and a listing that hangs
// past the time-out ends only the jobs that need it.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>

#include "e2e/e2e_support.h"

#ifndef _WIN32
#include <fcntl.h>

#include "support/started_program.h"
#endif

namespace {

using namespace e2e;

class FastScans : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const fs::path base = FreshDir("fast");
        fs::copy(kDemoData, base / "model", fs::copy_options::recursive);
        // Waiting jobs more, over the demo's queues: 300, or 80 under Windows, where each of the
        // thousands of tool runs of the uncached scan starts far slower.
        const char* const queues[] = {"q-office", "q-trouble", "q-setup", "q-hold"};
        const char* const states[] = {"pending", "held", "paused", "pending", "pending"};
#ifdef _WIN32
        const int end = 180;
#else
        const int end = 400;
#endif
        for (int n = 100; n < end; ++n) {
            WriteFile(base / "model" / "jobs" / ("demo-" + std::to_string(n) + ".txt"),
                      "server = demo\njob-identifier = " + std::to_string(n) + "\njob-name = job " +
                          std::to_string(n) + "\ncurrent-job-state = " + states[n % 5] +
                          "\nassigned-queue = " + queues[n % 4] + "\nsides = " +
                          (n % 7 == 0 ? "two-sided-short-edge" : "one-sided") + "\n");
        }
        install_.Create(base, base / "model");
    }
    static void TearDownTestSuite() { install_.Remove(); }

    static inline Installation install_;
};

// "demo:" holds the demo's waiting jobs and some hundreds more. With the cache, one job at a time
// or eight, the reports stay the same and each shared object is listed once per distinct request.
TEST_F(FastScans, TheCacheAndParallelJobsChangeTheRunsAndNothingElse) {
    const auto scan = [](std::vector<std::string> options, std::vector<std::string>& runs) {
        options.insert(options.end(), {"--crlf", "demo:", "nightly:", "demo:1", "demo:4"});
        const auto run = install_.Logged(options, runs);
        EXPECT_EQ(run.exit_code, 0) << run.err;
        return run.out;
    };
    // The uncached scan, thousands of tool runs, goes four jobs at once: each scan is compared
    // with the other two.
    std::vector<std::string> uncached, one, eight;
    const std::string reports = scan({"--no-cache", "-j", "4"}, uncached);
    EXPECT_EQ(scan({"-j", "1"}, one), reports);
    EXPECT_EQ(scan({"-j", "8"}, eight), reports);
    std::ranges::sort(one);
    std::ranges::sort(eight);
    std::vector<std::string> differing;
    std::ranges::set_symmetric_difference(one, eight, std::back_inserter(differing));
    EXPECT_EQ(differing, std::vector<std::string>{});
    EXPECT_LT(eight.size() * 3, uncached.size());
    for (const auto& runs : {one, eight}) {
        std::set<std::string> listed;
        for (const std::string& listing : runs) {
            EXPECT_TRUE(listing.find("-cj") != std::string::npos || listed.insert(listing).second)
                << listing;
        }
    }
}

// With several jobs at once a hanging printer times out the jobs that need it, each with the
// server's time-out message, and only those: the others are diagnosed. No tool process is left.
TEST_F(FastScans, AHangTimesOutOnlyTheJobsThatNeedTheObject) {
    // A time-out that no listing of a busy machine comes near but the one that hangs.
    const std::string timeout = std::to_string(test_os::Scaled(5));
    const auto run = install_.Normal({"--json", "-j", "4", "--timeout", timeout, "demo:"},
                                     Fault("hang", "lp-jam"));
    EXPECT_EQ(run.exit_code, 5);
    std::set<int> timed_out;
    const nlohmann::json report = nlohmann::json::parse(run.out);
    for (const auto& job : report["jobs"]) {
        if (job["outcome"] == "timed-out") {
            timed_out.insert(std::stoi(job["id"].get<std::string>()));
            EXPECT_EQ(job["messages"].back()["code"], "server-not-responding");
            EXPECT_EQ(job["messages"].back()["text"], "Server \"demo\" is not responding.");
        } else {
            EXPECT_EQ(job["outcome"], "diagnosed") << job["id"];
        }
    }
    // q-trouble's jobs: demo:7 and the generated ones on it.
    EXPECT_TRUE(timed_out.contains(7));
#ifndef _WIN32
    EXPECT_EQ(test_os::ProcessesOf(install_.Tool()), 0);
#endif
    for (const int n : timed_out) {
        EXPECT_TRUE(n == 7 || (n >= 100 && n % 4 == 1)) << n;
    }
}

#ifndef _WIN32
// A reader that goes away after the first line (stallscan ... | head -1): the run ends quietly
// with 141, and no listing starts after the write that failed: only the first few jobs of the
// hundreds are listed.
TEST_F(FastScans, AReaderThatLeavesEndsTheScan) {
    using namespace std::chrono_literals;
    const fs::path log = install_.Base() / "head-runs.log";
    fs::remove(log);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    test_os::Started run({"demo:"}, install_.Env({{"KVLS_LOG", log.string()}}), null);
    ::close(null);
    ::fcntl(run.Out(), F_SETPIPE_SZ, 4096);  // a few reports fill it, as a slow reader would
    const std::string first = test_os::Started::ReadFor(run.Out(), test_os::Scaled(60s), "\n");
    EXPECT_EQ(first.substr(0, first.find('\n')), "Job identifier: demo:5") << first;
    run.CloseOut();
    EXPECT_EQ(run.WaitAtMost(60s), 141);
    // Of more than 300 jobs, each listed at least once: those of the reports that filled the
    // pipe, the ones in flight and the few diagnosed ahead of them.
    EXPECT_LT(ReadLines(log).size(), 150u);
}
#endif

}  // namespace
