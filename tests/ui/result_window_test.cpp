// The result window: rows, clicks, sorting, saving, layout and stored geometry.

#include "ui/frm_diag_result.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "ui_test_support.h"

namespace ui {
namespace {

std::shared_ptr<clsDiagResult> MakeResult(const std::string& server, const std::string& id,
                                          const std::string& name, const std::string& queue,
                                          const std::string& requested) {
    auto r = std::make_shared<clsDiagResult>();
    r->SpoolerName(server);
    r->JobId(id);
    r->JobName(name);
    r->JobStatus("pending");
    r->QueueName(queue);
    r->PhyPrintersSup(std::string("p1\0p2\0", 6));
    r->PhyPrintersReq(requested);
    r->DiagMessages("- message of " + id + "\r\n");
    return r;
}

std::string ReadFile(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll().toStdString();
}

class ResultWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        uitest::ClearSettings();
        results_.Add("S1:10", MakeResult("S1", "10", "beta", "qb", ""));
        results_.Add("S1:9", MakeResult("S1", "9", "alpha", "qc", "p3"));
        results_.Add("S1:123", MakeResult("S1", "123", "gamma", "qa", ""));
        SetSaveFileDialogHook([this](QWidget*, const QString& proposed, const QStringList& filters,
                                     const QString& suffix) {
            proposed_ = proposed;
            filters_ = filters;
            suffix_ = suffix;
            return chosen_;
        });
    }
    void TearDown() override { SetSaveFileDialogHook({}); }

    QStringList Column(const frmDiagResult& w, int column) const {
        QStringList texts;
        for (int i = 0; i < w.lvwJobs->topLevelItemCount(); ++i) {
            texts << w.lvwJobs->topLevelItem(i)->text(column);
        }
        return texts;
    }
    QPoint RowCentre(const frmDiagResult& w, int row) const {
        return w.lvwJobs->visualItemRect(w.lvwJobs->topLevelItem(row)).center();
    }

    ResultCollection results_;
    QTemporaryDir dir_;
    QString chosen_, proposed_, suffix_;
    QStringList filters_;
};

TEST_F(ResultWindowTest, RowsShowTheResultsInRunOrder) {
    frmDiagResult w;
    w.FillResults(results_);
    EXPECT_EQ(w.windowTitle(), "Diagnostic Result");
    EXPECT_EQ(Column(w, 0), (QStringList{"10", "9", "123"}));
    EXPECT_EQ(Column(w, 5), (QStringList{"p1, p2", "p3", "p1, p2"}));
    EXPECT_EQ(w.lvwJobs->topLevelItem(1)->data(0, Qt::UserRole).toString(), "S1:9");
    EXPECT_EQ(w.lvwJobs->headerItem()->text(5), "Printer(s)");
    EXPECT_EQ(w.txtDiagMessages->toPlainText(), "- message of 10\n");
    EXPECT_TRUE(w.cmdSaveAll->isEnabled());
    EXPECT_TRUE(w.cmdSaveAll->isDefault());
    EXPECT_FALSE(w.cmdSave->isEnabled());
}

TEST_F(ResultWindowTest, EmptyCollectionLeavesBothSavesDisabled) {
    ResultCollection none;
    frmDiagResult w;
    w.FillResults(none);
    EXPECT_EQ(w.lvwJobs->topLevelItemCount(), 0);
    EXPECT_FALSE(w.cmdSaveAll->isEnabled());
    EXPECT_FALSE(w.cmdSave->isEnabled());
}

TEST_F(ResultWindowTest, ItemClickEnablesSaveAndEmptySpaceDisablesIt) {
    frmDiagResult w;
    w.FillResults(results_);
    w.show();
    QTest::mouseClick(w.lvwJobs->viewport(), Qt::LeftButton, {}, RowCentre(w, 2));
    EXPECT_EQ(w.txtDiagMessages->toPlainText(), "- message of 123\n");
    EXPECT_TRUE(w.cmdSave->isEnabled());
    const QPoint below(5, w.lvwJobs->viewport()->height() - 3);
    ASSERT_EQ(w.lvwJobs->itemAt(below), nullptr);
    QTest::mouseClick(w.lvwJobs->viewport(), Qt::LeftButton, {}, below);
    EXPECT_FALSE(w.cmdSave->isEnabled());
}

TEST_F(ResultWindowTest, RowWithoutResultShowsNothingAndCannotBeSaved) {
    frmDiagResult w;
    w.FillResults(results_);
    w.lvwJobs->topLevelItem(0)->setData(0, Qt::UserRole, "S1:404");
    w.ClickList(w.lvwJobs->topLevelItem(0));
    EXPECT_EQ(w.txtDiagMessages->toPlainText(), "");
    EXPECT_FALSE(w.cmdSave->isEnabled());
}

TEST_F(ResultWindowTest, HeaderClicksSortAsText) {
    frmDiagResult w;
    w.FillResults(results_);
    w.show();
    const auto clickHeader = [&](int column) {
        QHeaderView* header = w.lvwJobs->header();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    w.lvwJobs->setColumnWidth(0, 60);
    clickHeader(0);
    EXPECT_EQ(Column(w, 0), (QStringList{"10", "123", "9"}));  // ID 10 before 9
    clickHeader(0);
    EXPECT_EQ(Column(w, 0), (QStringList{"9", "123", "10"}));
    clickHeader(1);
    EXPECT_EQ(Column(w, 1), (QStringList{"alpha", "beta", "gamma"}));
    clickHeader(4);
    EXPECT_EQ(Column(w, 4), (QStringList{"qa", "qb", "qc"}));
    clickHeader(1);
    EXPECT_EQ(Column(w, 1), (QStringList{"alpha", "beta", "gamma"}));
    EXPECT_EQ(w.Marks(), (SortMarks{0, 1, 0, 0, 0, 0}));
}

TEST_F(ResultWindowTest, SaveWritesTheSelectedJob) {
    frmDiagResult w;
    w.FillResults(results_);
    w.show();
    chosen_ = dir_.filePath("one.log");
    QTest::mouseClick(w.lvwJobs->viewport(), Qt::LeftButton, {}, RowCentre(w, 2));
    w.cmdSave->click();
    EXPECT_EQ(proposed_, "stallscan123.log");
    EXPECT_EQ(filters_, (QStringList{"Log files (*.log)", "All files (*.*)"}));
    EXPECT_EQ(suffix_, "log");
    EXPECT_EQ(ReadFile(chosen_), results_.Find("S1:123")->GetTextForSavingToFile() + "\r\n");
}

TEST_F(ResultWindowTest, SaveAllWritesRunOrderWhateverTheDisplayOrder) {
    frmDiagResult w;
    w.FillResults(results_);
    w.lvwJobs_ColumnClick(1);
    chosen_ = dir_.filePath("all.log");
    QFile old(chosen_);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(std::string(5000, 'x').c_str());
    old.close();
    w.cmdSaveAll->click();
    EXPECT_EQ(proposed_, "stallscan.log");
    std::string expected;
    for (int i = 1; i <= 3; ++i) {
        expected += results_.Item(i)->GetTextForSavingToFile() + "\r\n";
    }
    EXPECT_EQ(ReadFile(chosen_), expected);
}

TEST_F(ResultWindowTest, CancelIsSilentAndAFailedWriteIsReported) {
    uitest::MessageRecorder messages;
    frmDiagResult w;
    w.FillResults(results_);
    chosen_.clear();  // cancelled
    EXPECT_FALSE(w.SaveResults(""));
    EXPECT_TRUE(messages.boxes.empty());

    chosen_ = dir_.filePath("missing-folder/all.log");
    EXPECT_FALSE(w.SaveResults(""));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].icon, QMessageBox::Critical);
    EXPECT_NE(messages.boxes[0].text.find(chosen_.toStdString()), std::string::npos);
    EXPECT_NE(messages.boxes[0].text.find("No such file"), std::string::npos);
}

TEST_F(ResultWindowTest, LayoutFollowsTheClientSizeAndKeepsTheMinimum) {
    frmDiagResult w;
    w.show();
    w.resize(PxX(&w, 9000), PxY(&w, 7500));
    const int W = static_cast<int>(TwX(&w, w.width()));
    const int H = static_cast<int>(TwY(&w, w.height()));
    const ResultLayout l = LayoutResultControls(W, H);
    EXPECT_EQ(w.cmdClose->geometry(), QRect(PxX(&w, l.cmdClose.left), PxY(&w, l.cmdClose.top),
                                            PxX(&w, 1275), PxY(&w, 315)));
    EXPECT_EQ(w.lvwJobs->height(), PxY(&w, l.lvwJobs.height));
    EXPECT_EQ(w.txtDiagMessages->geometry().bottom() + 1, PxY(&w, H - 480));

    w.resize(50, 40);
    EXPECT_GE(w.frameGeometry().width(), PxX(&w, kResultMinWidth));
    EXPECT_GE(w.frameGeometry().height(), PxY(&w, kResultMinHeight));
    EXPECT_GT(w.txtDiagMessages->height(), 0);
}

TEST_F(ResultWindowTest, GeometryAndColumnsAreStoredAndRead) {
    QRect outer;
    {
        frmDiagResult w;
        EXPECT_EQ(w.pos(), QPoint(PxX(&w, 2010), PxY(&w, 735)));
        w.show();
        EXPECT_EQ(w.frameGeometry().size(), QSize(PxX(&w, 6930), PxY(&w, 5760)));
        // Default widths, each widened only where its caption would not fit.
        EXPECT_GE(w.lvwJobs->columnWidth(0), PxX(&w, 200));
        EXPECT_EQ(w.lvwJobs->columnWidth(1), PxX(&w, 1200));
        EXPECT_EQ(w.lvwJobs->columnWidth(5), PxX(&w, 1400));
        w.move(PxX(&w, 1500), PxY(&w, 300));
        w.resize(PxX(&w, 8010), PxY(&w, 6000));
        w.lvwJobs->setColumnWidth(1, PxX(&w, 2400));
        outer = w.frameGeometry();
        w.cmdClose->click();
    }
    EXPECT_EQ(uitest::StoredSetting("DiagResultLeft"), "1500");
    EXPECT_EQ(uitest::StoredSetting("HeaderWidthJobName"), "2400");
    frmDiagResult again;
    again.show();
    EXPECT_EQ(again.frameGeometry(), outer);
    EXPECT_EQ(again.pos(), QPoint(PxX(&again, 1500), PxY(&again, 300)));
    EXPECT_EQ(again.lvwJobs->columnWidth(1), PxX(&again, 2400));
    EXPECT_EQ(again.lvwJobs->columnWidth(0),
              PxX(&again, uitest::StoredSetting("HeaderWidthJobId").toDouble()));
}

TEST_F(ResultWindowTest, UnusableStoredValuesGiveTheDefaults) {
    uitest::StoreSetting("DiagResultWidth", "wide");
    uitest::StoreSetting("DiagResultTop", "-90000");
    uitest::StoreSetting("HeaderWidthJobName", "12abc");
    uitest::StoreSetting("HeaderWidthQueue", "200");
    frmDiagResult w;
    w.show();
    EXPECT_EQ(w.frameGeometry(), QRect(PxX(&w, 2010), PxY(&w, 735), PxX(&w, 6930), PxY(&w, 5760)));
    EXPECT_EQ(w.lvwJobs->columnWidth(1), PxX(&w, 1200));
    EXPECT_EQ(w.lvwJobs->columnWidth(4), PxX(&w, 200));  // a stored width is kept exactly
}

}  // namespace
}  // namespace ui
