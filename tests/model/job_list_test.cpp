#include "model/job_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/canned_runner.h"

namespace {

const std::string kFilterPiece =
    "-f \"(current-job-state==pending) || (current-job-state==paused) || "
    "(current-job-state==held)\" ";

TEST(JobList, UpdateBeforeInitRunsNothing) {
    CannedRunner runner;
    clsJobList jobs;
    EXPECT_EQ(jobs.Update(), 2006);
    EXPECT_TRUE(runner.commandLines.empty());
}

TEST(JobList, ListsTheWaitingJobsOfAServer) {
    CannedRunner runner;
    runner.Serve("srv1:12: job-identifier = 12\r\nsrv1:13: job-identifier = 13\r\n");
    clsJobList jobs;
    EXPECT_EQ(jobs.Init("srv1", "D1"), 0);
    EXPECT_EQ(runner.commandLines,
              (std::vector<std::string>{"C:\\print\\bin\\kvls.exe -cj -x scope=1 "
                                        "-x domain-name=D1 -r \"job-identifier\" -sl " +
                                        kFilterPiece + "srv1:"}));
    EXPECT_EQ(jobs.Count(), 2);
    EXPECT_EQ(jobs.GetJobIdString(), "srv1:12 srv1:13");
    EXPECT_EQ(jobs.GetJobIdList().Item(2), "srv1:13");

    // Each Init starts afresh.
    runner.Serve("srv2:7: job-identifier = 7\r\n");
    EXPECT_EQ(jobs.Init("srv2", ""), 0);
    EXPECT_EQ(jobs.GetJobIdString(), "srv2:7");
}

TEST(JobList, SkipsObjectsThatAreNoWaitingJob) {
    CannedRunner runner;
    runner.Serve(
        "srv1:1: job-name = no identifier\r\n"
        "srv1: job-identifier = 5\r\n"
        "srv1:abc: job-identifier = 6\r\n"
        "srv1:0: job-identifier = 0\r\n"
        "srv1:2: job-identifier = \r\n"
        "srv1:3: job-identifier = 3\r\n"
        "nocolon: job-identifier = 4\r\n"
        "srv1:4: job-identifier = 4\r\n"
        "srv1:3: job-identifier = 3\r\n");
    clsJobList jobs;
    EXPECT_EQ(jobs.Init("srv1", ""), 0);
    // srv1:2 gave no entry at all; the jobs after it are still listed. srv1:3 is held once, at
    // the place of its last listing.
    EXPECT_EQ(jobs.GetJobIdString(), "srv1:4 srv1:3");
}

TEST(JobList, EmptyListingsAndFailures) {
    CannedRunner runner;
    clsJobList jobs;
    runner.Serve("# no job\r\n");
    EXPECT_EQ(jobs.Init("srv1", ""), 0);
    EXPECT_EQ(jobs.Count(), 0);
    EXPECT_EQ(jobs.GetJobIdString(), "");

    runner.Serve("srv1:1: job-identifier = 1\r\n");
    ASSERT_EQ(jobs.Init("srv1", ""), 0);
    runner.Serve("", " No entries.\r\n");
    EXPECT_EQ(jobs.Update(), 901);
    EXPECT_EQ(jobs.Count(), 0);

    runner.Serve("", "", 2002);
    EXPECT_EQ(jobs.Init("srv1", ""), 2002);

    // An empty server name lists the object ":".
    runner.Serve("", " No entries.\r\n");
    EXPECT_EQ(jobs.Init("", ""), 901);
    EXPECT_EQ(runner.commandLines.back().substr(runner.commandLines.back().size() - 2), " :");
}

TEST(JobList, CodesBeyondSixteenBitsStayFailures) {
    CannedRunner runner;
    clsJobList jobs;
    runner.Serve("", "", 65536);
    EXPECT_EQ(jobs.Init("srv1", ""), 32767);
    runner.Serve("", "", -70000);
    EXPECT_EQ(jobs.Init("srv1", ""), -32768);
}

TEST(JobList, HundredThousandJobs) {
    CannedRunner runner;
    std::string listing;
    for (int j = 1; j <= 100000; ++j) {
        listing += "srv1:" + std::to_string(j) + ": job-identifier = " + std::to_string(j) + "\r\n";
    }
    runner.Serve(listing);
    clsJobList jobs;
    EXPECT_EQ(jobs.Init("srv1", ""), 0);
    EXPECT_EQ(jobs.Count(), 100000);
    EXPECT_EQ(jobs.GetJobIdList().Item(100000), "srv1:100000");
    EXPECT_EQ(jobs.GetJobIdList().Find("srv1:50000"), 50000);
}

}  // namespace
