// The progress window: runs in pseudo mode, Stop, outcome codes, and, with a listing tool that
// never answers, the server time-out and closing the main window during a run.

#include "ui_test_support.h"

namespace ui {
namespace {

using Strings = std::vector<std::string>;

// "key name" of each result, in run order.
Strings Rows(const ResultCollection& results) {
    Strings rows;
    for (int i = 1; i <= results.Count(); ++i) {
        rows.push_back(results.KeyAt(i) + " " + results.Item(i)->JobName());
    }
    return rows;
}

class ProgressTest : public testing::Test {
  protected:
    void TearDown() override { frmProgress::SetTimeoutInterval(30000); }
    uitest::SmallPrintSystem canned_;
    ResultCollection results_;
};

TEST_F(ProgressTest, GivenJobsRunOnTheirOwnServersEachKeyOnce) {
    // Default server, job text, results, jobs done on the progress bar.
    const std::tuple<const char*, const char*, Strings, int> rows[] = {
        {" S1 ", "12 S2:7", {"S1:12 report", "S2:7 seven"}, 2},
        {"S1", "12 12", {"S1:12 report"}, 1},
        {"S1", "S1:12 s1:12", {"S1:12 report"}, 2},  // two items; the second key is refused
        {"S1", "   ", {}, 0}};
    for (const auto& [server, given, results, done] : rows) {
        ResultCollection collected;
        frmProgress p;
        std::string jobs = given;
        p.DoDiagJobs(server, "", jobs, collected);
        EXPECT_EQ(p.DiagError, 0) << given;
        EXPECT_EQ(Rows(collected), results) << given;
        EXPECT_EQ(p.prbProgress->value(), done) << given;
        EXPECT_EQ(jobs, given);
    }
}

TEST_F(ProgressTest, StopOrClosingAfterTheFirstJobGives902AndKeepsItsResult) {
    for (const bool closing : {false, true}) {
        ResultCollection results;
        frmProgress p;
        std::string jobs = "9 10 12";
        uitest::WhenReady(
            &p, [&] { return results.Count() == 1; },
            [&] { closing ? (void)p.close() : p.cmdStop->click(); });
        p.DoDiagJobs("S1", "", jobs, results);
        EXPECT_EQ(p.DiagError, 902) << closing;
        EXPECT_EQ(Rows(results), Strings{"S1:9 zebra"}) << closing;
        EXPECT_EQ(p.prbProgress->value(), 1) << closing;
    }
}

// With the hanging tool in normal mode every listing waits until the tool is ended.
class TimeoutTest : public ProgressTest {
  protected:
    void SetUp() override {
        // A first run lets the toolkit open what it keeps open, so that the count below is the
        // baseline that the hanging runs must return to.
        std::string jobs = "12";
        ResultCollection warmUp;
        frmProgress().DoDiagJobs("S1", "", jobs, warmUp);
        gPseudoDir.clear();
        gListToolPath = HANGING_TOOL_PATH;
        frmProgress::SetTimeoutInterval(150);
        descriptors_ = platform::OpenDescriptorCount();
    }
    void TearDown() override {
        EXPECT_EQ(platform::OpenDescriptorCount(), descriptors_);  // no pipe left behind
        ProgressTest::TearDown();
    }
    int descriptors_ = 0;
};

// A job of another server, then the job list of the default server: Retry waits again, Cancel
// gives up with 2005; the question names the server that does not answer.
TEST_F(TimeoutTest, RetryWaitsAgainAndCancelGivesUp) {
    for (const auto& [given, server] : {std::pair{"S3:5", "S3"}, {"", "S1"}}) {
        uitest::MessageRecorder messages(QMessageBox::Cancel);
        messages.answers = {QMessageBox::Retry};
        ResultCollection results;
        frmProgress p;
        std::string jobs = given;
        QElapsedTimer clock;
        clock.start();
        p.DoDiagJobs("S1", "", jobs, results);
        EXPECT_LT(clock.elapsed(), 10000);
        EXPECT_EQ(p.DiagError, 2005);
        EXPECT_EQ(results.Count(), 0);
        ASSERT_EQ(messages.boxes.size(), 2u);
        for (const auto& box : messages.boxes) {
            EXPECT_EQ(box.text, "Server \"" + std::string(server) + "\" is not responding.");
            EXPECT_EQ(box.icon, QMessageBox::Critical);
            EXPECT_EQ(box.buttons, QMessageBox::Retry | QMessageBox::Cancel);
        }
    }
}

TEST_F(TimeoutTest, ClosingTheMainWindowDuringARunEndsTheToolAndTheWorker) {
    frmProgress::SetTimeoutInterval(60000);
    uitest::MessageRecorder messages;
    frmMain w("", [](const std::string&) { return std::string(); });
    w.show();
    w.txtUsrServer->setText("S1");
    uitest::WhenModal<frmProgress>(
        &w, [&](frmProgress*) { QTimer::singleShot(200, &w, &QWidget::close); });
    QElapsedTimer clock;
    clock.start();
    w.cmdStartDiag->click();  // returns once the run has been ended
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(OpenWindows(), std::vector<QWidget*>{&w});
}

}  // namespace
}  // namespace ui
