// The result window: rows, clicks, sorting, saving and layout.

#include "ui_test_support.h"

namespace ui {
namespace {

class ResultWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        // Job 9 asks for printer p3; all can print on p1 and p2.
        for (const auto& [id, name, queue, requested] : {std::tuple{"10", "beta", "qb", ""},
                                                         {"9", "alpha", "qc", "p3"},
                                                         {"123", "gamma", "qa", ""}}) {
            auto r = std::make_shared<clsDiagResult>();
            r->SpoolerName("S1");
            r->JobId(id);
            r->JobName(name);
            r->QueueName(queue);
            r->PhyPrintersSup(std::string("p1\0p2\0", 6));
            r->PhyPrintersReq(*requested ? std::string(requested) + '\0' : "");
            r->DiagMessages("- message of " + std::string(id) + "\r\n");
            results_.Add("S1:" + std::string(id), r);
        }
        SetSaveFileDialogHook([this](QWidget*, const QString& proposed, const QStringList& filters,
                                     const QString& suffix) {
            asked_ << proposed << filters << suffix;
            return chosen_;
        });
        w_.FillResults(results_);
        w_.show();
    }
    void TearDown() override { SetSaveFileDialogHook({}); }

    QStringList Column(int column) const { return uitest::Column(w_.lvwJobs, column); }
    void ClickRow(int row) {
        const QRect rect = w_.lvwJobs->visualItemRect(w_.lvwJobs->topLevelItem(row));
        QTest::mouseClick(w_.lvwJobs->viewport(), Qt::LeftButton, {}, rect.center());
    }

    ResultCollection results_;
    const bool settingsCleared_ = (uitest::ClearSettings(), true);  // before the window reads them
    frmDiagResult w_;
    QTemporaryDir dir_;
    QString chosen_;
    QStringList asked_;  // proposed name, name filters and suffix of each question
};

TEST_F(ResultWindowTest, RowsShowTheResultsInRunOrder) {
    EXPECT_EQ(Column(0), (QStringList{"10", "9", "123"}));
    EXPECT_EQ(Column(5), (QStringList{"p1, p2", "p3", "p1, p2"}));  // requested, else supported
    EXPECT_EQ(w_.lvwJobs->topLevelItem(1)->data(0, Qt::UserRole).toString(), "S1:9");
    EXPECT_EQ(w_.txtDiagMessages->toPlainText(), "- message of 10\n");
    EXPECT_TRUE(w_.cmdSaveAll->isEnabled());
    EXPECT_TRUE(w_.cmdSaveAll->isDefault());
    EXPECT_FALSE(w_.cmdSave->isEnabled());

    ResultCollection none;
    frmDiagResult empty;
    empty.FillResults(none);
    EXPECT_FALSE(empty.cmdSaveAll->isEnabled());
    EXPECT_FALSE(empty.cmdSave->isEnabled());
}

TEST_F(ResultWindowTest, ARowClickShowsItsMessagesAndEnablesSave) {
    ClickRow(2);
    EXPECT_EQ(w_.txtDiagMessages->toPlainText(), "- message of 123\n");
    EXPECT_TRUE(w_.cmdSave->isEnabled());
    const QPoint below(5, w_.lvwJobs->viewport()->height() - 3);
    ASSERT_EQ(w_.lvwJobs->itemAt(below), nullptr);
    QTest::mouseClick(w_.lvwJobs->viewport(), Qt::LeftButton, {}, below);
    EXPECT_FALSE(w_.cmdSave->isEnabled());
    // A row whose result is gone shows nothing and cannot be saved.
    w_.lvwJobs->topLevelItem(0)->setData(0, Qt::UserRole, "S1:404");
    w_.ClickList(w_.lvwJobs->topLevelItem(0));
    EXPECT_EQ(w_.txtDiagMessages->toPlainText(), "");
    EXPECT_FALSE(w_.cmdSave->isEnabled());
}

TEST_F(ResultWindowTest, HeaderClicksSortAsTextAndAlternateOnlyTheClickedColumn) {
    QHeaderView* header = w_.lvwJobs->header();
    w_.lvwJobs->setColumnWidth(0, 60);
    const auto click = [&](int column) {
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    };
    // Column clicked, its texts from the top.
    for (const auto& [column, sorted] :
         {std::pair{0, QStringList{"10", "123", "9"}},  // 10 before 9
          {0, {"9", "123", "10"}},
          {1, {"alpha", "beta", "gamma"}},
          {4, {"qa", "qb", "qc"}},
          {1, {"alpha", "beta", "gamma"}}}) {
        click(column);
        EXPECT_EQ(Column(column), sorted) << column;
    }
    EXPECT_EQ(w_.Marks(), (SortMarks{0, 1, 0, 0, 0, 0}));
}

TEST_F(ResultWindowTest, SaveAllWritesEveryJobInRunOrderAndSaveTheSelectedOne) {
    w_.lvwJobs_ColumnClick(1);  // the display order does not matter
    chosen_ = dir_.filePath("saved.log");
    w_.cmdSaveAll->click();
    std::string all;
    for (int i = 1; i <= 3; ++i) all += results_.Item(i)->GetTextForSavingToFile() + "\r\n";
    EXPECT_EQ(uitest::ReadFile(chosen_), all);
    ClickRow(2);
    w_.cmdSave->click();  // replaces the longer file entirely
    EXPECT_EQ(uitest::ReadFile(chosen_),
              results_.Find("S1:123")->GetTextForSavingToFile() + "\r\n");
    const QStringList filters{"Log files (*.log)", "All files (*.*)"};
    EXPECT_EQ(asked_, (QStringList{"stallscan.log"} + filters + QStringList{"log"} +
                       QStringList{"stallscan123.log"} + filters + QStringList{"log"}));
}

TEST_F(ResultWindowTest, CancelIsSilentAndAFailedWriteIsReported) {
    uitest::MessageRecorder messages;
    EXPECT_FALSE(w_.SaveResults(""));  // cancelled: no file name
    EXPECT_TRUE(messages.boxes.empty());
    chosen_ = dir_.filePath("missing-folder/all.log");
    EXPECT_FALSE(w_.SaveResults(""));
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].icon, QMessageBox::Critical);
    EXPECT_NE(messages.boxes[0].text.find(chosen_.toStdString()), std::string::npos);
    EXPECT_NE(messages.boxes[0].text.find("No such file"), std::string::npos);
}

TEST_F(ResultWindowTest, LayoutFollowsTheClientSizeAndKeepsTheMinimum) {
    w_.resize(PxX(&w_, 9000), PxY(&w_, 7500));
    const int W = static_cast<int>(TwX(&w_, w_.width()));
    const int H = static_cast<int>(TwY(&w_, w_.height()));
    const ResultLayout l = LayoutResultControls(W, H);
    EXPECT_EQ(w_.cmdClose->geometry(), QRect(PxX(&w_, l.cmdClose.left), PxY(&w_, l.cmdClose.top),
                                             PxX(&w_, 1275), PxY(&w_, 315)));
    EXPECT_EQ(w_.lvwJobs->height(), PxY(&w_, l.lvwJobs.height));

    w_.resize(50, 40);
    EXPECT_GE(w_.frameGeometry().width(), PxX(&w_, kResultMinWidth));
    EXPECT_GE(w_.frameGeometry().height(), PxY(&w_, kResultMinHeight));
    EXPECT_GT(w_.txtDiagMessages->height(), 0);
}

}  // namespace
}  // namespace ui
