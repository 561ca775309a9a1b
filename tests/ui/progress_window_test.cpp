// The progress window: runs in pseudo mode, Stop, outcome codes, and the server time-out with a
// listing tool that never answers.

#include "ui/frm_progress.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "platform/platform.h"
#include "ui_test_support.h"

namespace ui {
namespace {

using uitest::MessageRecorder;

class ProgressTest : public testing::Test {
  protected:
    void SetUp() override {
        uitest::WriteSmallPrintSystem(canned_);
        gPseudoDir = canned_.Path();
    }
    void TearDown() override { frmProgress::SetTimeoutInterval(30000); }

    uitest::SavedGlobals saved_;
    uitest::CannedDir canned_;
    ResultCollection results_;
};

TEST_F(ProgressTest, GivenJobsRunOnTheirOwnServers) {
    frmProgress p;
    std::string jobs = "12 S2:7";
    p.DoDiagJobs(" S1 ", "", jobs, results_);
    EXPECT_EQ(p.DiagError, 0);
    ASSERT_EQ(results_.Count(), 2);
    EXPECT_EQ(results_.KeyAt(1), "S1:12");
    EXPECT_EQ(results_.KeyAt(2), "S2:7");
    EXPECT_EQ(results_.Item(1)->JobName(), "report");
    EXPECT_EQ(results_.Item(2)->JobName(), "seven");
    EXPECT_EQ(p.prbProgress->maximum(), 2);
    EXPECT_EQ(p.prbProgress->value(), 2);
    EXPECT_EQ(jobs, "12 S2:7");
}

TEST_F(ProgressTest, RepeatedAndCaseVariantJobs) {
    frmProgress p;
    std::string jobs = "12 12";
    p.DoDiagJobs("S1", "", jobs, results_);
    EXPECT_EQ(results_.Count(), 1);

    ResultCollection second;
    frmProgress q;
    std::string variants = "S1:12 s1:12";  // two items, the second key is refused
    q.DoDiagJobs("S1", "", variants, second);
    EXPECT_EQ(q.DiagError, 0);
    EXPECT_EQ(q.prbProgress->value(), 2);
    EXPECT_EQ(second.Count(), 1);
}

TEST_F(ProgressTest, BlankJobTextEndsAtOnce) {
    frmProgress p;
    std::string jobs = "   ";
    p.DoDiagJobs("S1", "", jobs, results_);
    EXPECT_EQ(p.DiagError, 0);
    EXPECT_EQ(results_.Count(), 0);
    EXPECT_FALSE(p.isVisible());
}

TEST_F(ProgressTest, AllJobsAreListedFirst) {
    frmProgress p;
    std::string jobs;
    QElapsedTimer clock;
    clock.start();
    p.DoDiagJobs("S1", "", jobs, results_);
    EXPECT_EQ(p.DiagError, 0);
    EXPECT_EQ(jobs, "S1:9 S1:10 S1:12");
    EXPECT_EQ(results_.Count(), 3);
    EXPECT_EQ(results_.KeyAt(2), "S1:10");
    EXPECT_GE(clock.elapsed(), 3 * frmProgress::kJobInterval - 30);  // one job per tick
}

TEST_F(ProgressTest, NoWaitingJobsTellsSo) {
    MessageRecorder messages;
    frmProgress p;
    std::string jobs;
    p.DoDiagJobs("S2", "", jobs, results_);
    EXPECT_EQ(p.DiagError, 0);
    EXPECT_EQ(jobs, "");
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].icon, QMessageBox::Information);
}

TEST_F(ProgressTest, StopAfterTheFirstJobKeepsItsResult) {
    frmProgress p;
    std::string jobs = "9 10 12";
    uitest::WhenReady([&] { return results_.Count() == 1; }, [&] { p.cmdStop->click(); });
    p.DoDiagJobs("S1", "", jobs, results_);
    EXPECT_EQ(p.DiagError, 902);
    EXPECT_EQ(results_.Count(), 1);
    EXPECT_EQ(p.prbProgress->value(), 1);
}

TEST_F(ProgressTest, ClosingTheWindowCountsAsStop) {
    frmProgress p;
    std::string jobs = "9 10";
    uitest::WhenReady([&] { return p.isVisible(); }, [&] { p.close(); });
    p.DoDiagJobs("S1", "", jobs, results_);
    EXPECT_EQ(p.DiagError, 902);
    EXPECT_EQ(results_.Count(), 0);
}

TEST_F(ProgressTest, FailedJobListIsTheOutcome) {
    MessageRecorder messages;
    gPseudoDir.clear();
    gListToolPath = canned_.Path() + "/no-such-tool";
    frmProgress p;
    std::string jobs;
    p.DoDiagJobs("S1", "", jobs, results_);
    EXPECT_EQ(p.DiagError, 2002);
    EXPECT_TRUE(messages.boxes.empty());
}

// With the hanging tool in normal mode every listing waits until the tool is ended.
class TimeoutTest : public ProgressTest {
  protected:
    void SetUp() override {
        ProgressTest::SetUp();
        // A first run lets the toolkit open what it keeps open, so that the count below is the
        // baseline that the hanging runs must return to.
        ResultCollection warmUp;
        std::string jobs = "12";
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

TEST_F(TimeoutTest, RetryWaitsAgainAndCancelGivesUp) {
    MessageRecorder messages(QMessageBox::Cancel);
    messages.answers = {QMessageBox::Retry};
    frmProgress p;
    std::string jobs = "S3:5";
    QElapsedTimer clock;
    clock.start();
    p.DoDiagJobs("S1", "", jobs, results_);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(p.DiagError, 2005);
    EXPECT_EQ(results_.Count(), 0);
    ASSERT_EQ(messages.boxes.size(), 2u);
    EXPECT_EQ(messages.boxes[0].text, "Server \"S3\" is not responding.");
    EXPECT_EQ(messages.boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages.boxes[0].buttons, QMessageBox::Retry | QMessageBox::Cancel);
}

TEST_F(TimeoutTest, TheJobListIsSupervisedToo) {
    MessageRecorder messages(QMessageBox::Cancel);
    frmProgress p;
    std::string jobs;
    p.DoDiagJobs("S1", "", jobs, results_);
    EXPECT_EQ(p.DiagError, 2005);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "Server \"S1\" is not responding.");
}

TEST_F(TimeoutTest, StopWorksWhileTheToolHangs) {
    frmProgress::SetTimeoutInterval(60000);
    frmProgress p;
    std::string jobs = "S1:5";
    uitest::WhenReady([&] { return p.isVisible(); },
                      [&] { QTimer::singleShot(400, p.cmdStop, &QPushButton::click); });
    QElapsedTimer clock;
    clock.start();
    p.DoDiagJobs("S1", "", jobs, results_);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(p.DiagError, 902);
    EXPECT_EQ(results_.Count(), 0);
}

}  // namespace
}  // namespace ui
