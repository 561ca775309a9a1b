// Fast scans end to end: the cache and several jobs at once change the number of tool runs and
// nothing else, over the demo and over a generated model of a few hundred jobs.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "e2e/e2e_support.h"

namespace {

using namespace e2e;

class FastScans : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const fs::path base = FreshDir("fast");
        fs::copy(kDemoData, base / "model", fs::copy_options::recursive);
        // 300 waiting jobs more, over the demo's queues.
        const char* const queues[] = {"q-office", "q-trouble", "q-setup", "q-hold"};
        const char* const states[] = {"pending", "held", "paused", "pending", "pending"};
        for (int n = 100; n < 400; ++n) {
            WriteFile(base / "model" / "jobs" / ("demo-" + std::to_string(n) + ".txt"),
                      "server = demo\njob-identifier = " + std::to_string(n) +
                          "\njob-name = job " + std::to_string(n) + "\ncurrent-job-state = " +
                          states[n % 5] + "\nassigned-queue = " + queues[n % 4] +
                          "\nsides = " + (n % 7 == 0 ? "two-sided-short-edge" : "one-sided") +
                          "\n");
        }
        install_.Create(base, base / "model");
    }
    static void TearDownTestSuite() { install_.Remove(); }

    static inline Installation install_;
};

// "demo:" holds the demo's waiting jobs and 300 more.
TEST_F(FastScans, TheCacheAndParallelJobsChangeTheRunsAndNothingElse) {
    const std::vector<std::string> specs = {"demo:", "nightly:", "demo:1", "demo:4"};
    {
        std::map<std::string, std::vector<std::string>> logs;
        std::string first;
        for (const std::vector<std::string>& options :
             std::vector<std::vector<std::string>>{{"--no-cache", "-j", "1"}, {"-j", "1"}, {"-j", "8"}}) {
            std::vector<std::string> args = options;
            args.push_back("--crlf");
            args.insert(args.end(), specs.begin(), specs.end());
            std::vector<std::string> runs;
            const auto run = install_.Logged(args, runs);
            EXPECT_EQ(run.exit_code, 0) << run.err;
            if (first.empty()) {
                first = run.out;
            }
            EXPECT_EQ(run.out, first) << options[0] << options.back();
            logs[options[0] + options.back()] = runs;
        }
        // With the cache each shared object is listed once per distinct request.
        for (const std::string& cached : {"-j1", "-j8"}) {
            const auto& runs = logs[cached];
            std::map<std::string, int> count;
            for (const std::string& run : runs) {
                ++count[run];
            }
            for (const auto& [run, n] : count) {
                if (run.find("-cj") == std::string::npos) {
                    EXPECT_EQ(n, 1) << cached << ": " << run;
                }
            }
        }
        EXPECT_LT(logs["-j8"].size() * 3, logs["--no-cache1"].size());
        EXPECT_EQ(logs["-j1"].size(), logs["-j8"].size());
    }
}

// With several jobs at once a hanging printer times out the jobs that need it, and only those.
TEST_F(FastScans, AHangTimesOutOnlyTheJobsThatNeedTheObject) {
    const auto run = install_.Normal({"--json", "-j", "4", "--timeout", "1", "demo:"},
                                     {{"KVLS_FAULT", "hang"}, {"KVLS_FAULT_MATCH", "lp-jam"}});
    EXPECT_EQ(run.exit_code, 5);
    std::set<std::string> timed_out;
    int diagnosed = 0;
    for (size_t at = run.out.find("\"outcome\":\""); at != std::string::npos;
         at = run.out.find("\"outcome\":\"", at + 1)) {
        const std::string outcome = run.out.substr(at + 11, run.out.find('"', at + 11) - at - 11);
        const size_t id = run.out.rfind("\"id\":\"", at) + 6;
        if (outcome == "timed-out") {
            timed_out.insert(run.out.substr(id, run.out.find('"', id) - id));
        } else {
            ++diagnosed;
        }
    }
    // q-trouble's jobs: demo:7 and the generated ones on it.
    EXPECT_TRUE(timed_out.contains("7"));
    for (const std::string& id : timed_out) {
        const int n = std::stoi(id);
        EXPECT_TRUE(n == 7 || (n >= 100 && n % 4 == 1)) << id;
    }
    EXPECT_GT(diagnosed, 200);
}

}  // namespace
