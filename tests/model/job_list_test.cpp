#include "model/job_list.h"

#include <gtest/gtest.h>

#include <string>

#include "model/canned_runner.h"

namespace {

TEST(JobList, ListsTheWaitingJobsOfAServer) {
    CannedRunner runner;
    clsJobList jobs;
    EXPECT_EQ(jobs.Update(), 2006);
    EXPECT_TRUE(runner.commandLines.empty());

    runner.Serve("srv1:12: job-identifier = 12\r\nsrv1:13: job-identifier = 13\r\n");
    EXPECT_EQ(jobs.Init("srv1", "D1"), 0);
    EXPECT_EQ(runner.commandLines.back(),
              "C:\\print\\bin\\kvls.exe -cj -x scope=1 -x domain-name=D1 -r \"job-identifier\" "
              "-sl -f \"(current-job-state==pending) || (current-job-state==paused) || "
              "(current-job-state==held)\" srv1:");
    EXPECT_EQ(jobs.GetJobIdString(), "srv1:12 srv1:13");

    runner.Serve("srv2:7: job-identifier = 7\r\n");
    EXPECT_EQ(jobs.Init("srv2", ""), 0);
    EXPECT_EQ(jobs.GetJobIdString(), "srv2:7");
    runner.Serve("# none\r\n");
    EXPECT_EQ(jobs.Update(), 0);
    EXPECT_EQ(jobs.Count(), 0);
}

TEST(JobList, SkipsObjectsThatAreNoWaitingJob) {
    CannedRunner runner;
    runner.Serve(
        "srv1:1: job-name = no identifier\r\nsrv1: job-identifier = 5\r\n"
        "srv1:abc: job-identifier = 6\r\nsrv1:0: job-identifier = 0\r\n"
        "srv1:2: job-identifier = \r\nsrv1:3: job-identifier = 3\r\n"
        "srv1:4: job-identifier = 4\r\nsrv1:3: job-identifier = 3\r\n");
    clsJobList jobs;
    EXPECT_EQ(jobs.Init("srv1", ""), 0);
    // srv1:2 gave no entry at all; the jobs after it still count.
    EXPECT_EQ(jobs.GetJobIdString(), "srv1:4 srv1:3");
}

TEST(JobList, FailuresEmptyTheList) {
    CannedRunner runner;
    clsJobList jobs;
    runner.Serve("srv1:1: job-identifier = 1\r\n");
    ASSERT_EQ(jobs.Init("srv1", ""), 0);
    runner.Serve("", " No entries.\r\n");
    EXPECT_EQ(jobs.Update(), 901);
    EXPECT_EQ(jobs.Count(), 0);
    runner.Serve("", "", 2002);
    EXPECT_EQ(jobs.Init("", ""), 2002);
    EXPECT_EQ(runner.commandLines.back().substr(runner.commandLines.back().size() - 2), " :");
    // Codes beyond 16 bits saturate instead of wrapping to success.
    runner.Serve("", "", 65536);
    EXPECT_EQ(jobs.Init("srv1", ""), 32767);
    runner.Serve("", "", -70000);
    EXPECT_EQ(jobs.Init("srv1", ""), -32768);
}

}  // namespace
