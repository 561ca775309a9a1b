// The progress window: the jobs of a run and the question when a server does not answer. (Stop
// and closing are driven through the main window.)

#include "ui_test_support.h"

namespace stallscan::ui {
namespace {

using Outcome = ProgressWindow::Outcome;
using Strings = std::vector<std::string>;
using uitest::Find;

// "key name" of each result, in run order.
Strings Rows(const run::ResultCollection& results) {
    Strings rows;
    for (int i = 1; i <= results.Count(); ++i) {
        const diag::Diagnosis& d = *results.Item(i);
        rows.push_back(d.SpoolerName() + ":" + d.JobId() + " " + d.JobName());
    }
    return rows;
}

TEST(ProgressWindowTest, JobsRunOnTheirOwnServersEachKeyOnce) {
    uitest::SmallPrintSystem source;
    // Server, job text, results, jobs done on the progress bar.
    const std::tuple<const char*, const char*, Strings, int> rows[] = {
        {" S1 ", "12 S2:7", {"S1:12 report", "S2:7 seven"}, 2},
        {"S1", "12 12", {"S1:12 report"}, 1},
        {"S1", "S1:12 s1:12", {"S1:12 report"}, 2},  // two items; the second key is dropped
        {"S1", "   ", {}, 0},
        {" S1", "", {"S1:9 zebra", "S1:10 alpha", "S1:12 report"}, 3}};  // the waiting jobs
    for (const auto& [server, jobs, results, done] : rows) {
        run::ResultCollection collected;
        ProgressWindow p(source);
        EXPECT_EQ(p.Run(server, "", jobs, collected), Outcome::kDone) << jobs;
        EXPECT_EQ(Rows(collected), results) << jobs;
        EXPECT_EQ(Find<QProgressBar>(&p, "prbProgress")->value(), done) << jobs;
    }
}

// A job of a server that never answers, then a job list that never comes: Retry waits again,
// Cancel gives up and ends the listing; the question names the server.
TEST(ProgressWindowTest, RetryWaitsAgainAndCancelGivesUp) {
    uitest::SmallPrintSystem source;
    source.Hang(uitest::ObjectClass::kServer, "S3");
    source.Hang(uitest::ObjectClass::kJob, "S1:");
    for (const auto& [jobs, server] : {std::pair{"S3:5", "S3"}, {"", "S1"}}) {
        uitest::MessageRecorder messages({QMessageBox::Retry, QMessageBox::Cancel});
        run::ResultCollection results;
        ProgressWindow p(source, std::chrono::milliseconds(150));
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(p.Run(" S1", "", jobs, results), Outcome::kGaveUp);
        EXPECT_GE(clock.elapsed(), 2 * 150 - 30);
        EXPECT_LT(clock.elapsed(), 10000);
        EXPECT_EQ(results.Count(), 0);
        ASSERT_EQ(messages.boxes.size(), 2u);
        for (const auto& box : messages.boxes) {
            EXPECT_EQ(box.text, "Server \"" + std::string(server) + "\" is not responding.");
            EXPECT_EQ(box.icon, QMessageBox::Critical);
            EXPECT_EQ(box.buttons, QMessageBox::Retry | QMessageBox::Cancel);
        }
    }
}

}  // namespace
}  // namespace stallscan::ui
