// The result window: rows, clicks, sorting, saving, and its column widths.

#include "ui_test_support.h"

namespace stallscan::ui {
namespace {

using uitest::Find;

class ResultWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        // Job 9 asks for printer p3; all can print on p1 and p2.
        for (const auto& [id, name, queue, requested] : {std::tuple{"10", "Beta", "qb", ""},
                                                         {"9", "alpha", "qc", "p3"},
                                                         {"123", "gamma", "qa", ""}}) {
            auto d = std::make_shared<diag::Diagnosis>();
            d->SetSpoolerName("S1");
            d->SetJobId(id);
            d->SetJobName(name);
            d->SetQueueName(queue);
            d->SetPrintersSupported(std::string("p1\0p2\0", 6));
            d->SetPrintersRequested(requested);
            d->Add(text::Msg::kReasonQueuePaused, {queue});
            results_.Add("S1", id, d);
        }
        SetSaveFileDialogHook([this](QWidget*, const QString& proposed, const QStringList& filters,
                                     const QString& suffix) {
            asked_ << proposed << filters << suffix;
            return chosen_;
        });
        w_.Fill(results_);
        w_.show();
    }
    void TearDown() override { SetSaveFileDialogHook({}); }

    QTreeWidget* List() { return Find<QTreeWidget>(&w_, "lvwJobs"); }
    QPushButton* Button(const char* name) { return Find<QPushButton>(&w_, name); }
    QString Messages() { return Find<QPlainTextEdit>(&w_, "txtDiagMessages")->toPlainText(); }
    void Click(QPoint at) { QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, at); }
    void ClickRow(int row) { Click(List()->visualItemRect(List()->topLevelItem(row)).center()); }

    run::ResultCollection results_;
    const bool settings_cleared_ = (uitest::ClearSettings(), true);  // before the window reads them
    ResultWindow w_;
    QTemporaryDir dir_;
    QString chosen_;
    QStringList asked_;  // proposed name, name filters and suffix of each question
};

TEST_F(ResultWindowTest, RowsShowTheResultsInRunOrderAndClicksTheirMessages) {
    EXPECT_EQ(uitest::Column(&w_, 0), (QStringList{"10", "9", "123"}));
    EXPECT_EQ(uitest::Column(&w_, 5), (QStringList{"p1, p2", "p3", "p1, p2"}));
    EXPECT_EQ(Messages(), "- Queue \"qb\" is paused.\n");
    EXPECT_FALSE(Button("cmdSave")->isEnabled());

    // A row click shows its messages and enables Save; a click below the rows disables it.
    ClickRow(2);
    EXPECT_EQ(Messages(), "- Queue \"qa\" is paused.\n");
    EXPECT_TRUE(Button("cmdSave")->isEnabled());
    const QPoint below(5, List()->viewport()->height() - 3);
    ASSERT_EQ(List()->itemAt(below), nullptr);
    Click(below);
    EXPECT_FALSE(Button("cmdSave")->isEnabled());
}

TEST_F(ResultWindowTest, HeaderClicksSortAsTextAndAlternateOnlyTheClickedColumn) {
    QHeaderView* header = List()->header();
    List()->setColumnWidth(0, 60);
    // Column clicked, its texts from the top.
    for (const auto& [column, sorted] :
         {std::pair{0, QStringList{"10", "123", "9"}},  // 10 before 9
          {0, {"9", "123", "10"}},
          {1, {"alpha", "Beta", "gamma"}},
          {0, {"10", "123", "9"}}}) {  // ascending again: the click on 1 reset its mark
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        EXPECT_EQ(uitest::Column(&w_, column), sorted) << column;
    }
}

// Save All writes every job in run order, whatever the display order; Save the selected one,
// replacing the longer file entirely. Cancelling is silent; a failed write is reported.
TEST_F(ResultWindowTest, SaveWritesTheReports) {
    uitest::MessageRecorder messages;
    Button("cmdSaveAll")->click();  // cancelled: no file name
    List()->sortItems(1, Qt::AscendingOrder);
    chosen_ = dir_.filePath("saved.log");
    Button("cmdSaveAll")->click();
    std::string all;
    for (int i = 1; i <= 3; ++i) all += results_.Item(i)->ReportText() + "\r\n";
    EXPECT_EQ(uitest::ReadFile(chosen_), all);
    ClickRow(2);
    Button("cmdSave")->click();
    EXPECT_EQ(uitest::ReadFile(chosen_), results_.Find("S1:123")->ReportText() + "\r\n");
    const QStringList filters{"Log files (*.log)", "All files (*.*)", "log"};
    EXPECT_EQ(asked_, QStringList{"stallscan.log"} + filters + QStringList{"stallscan.log"} +
                          filters + QStringList{"stallscan123.log"} + filters);
    EXPECT_TRUE(messages.boxes.empty());

    chosen_ = dir_.filePath("missing-folder/all.log");
    Button("cmdSaveAll")->click();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages.boxes[0].text, "Unable to save the log file \"" + chosen_.toStdString() +
                                          "\".\nNo such file or directory");
}

// Column widths are written on close and read on the next opening. The defaults are widened only
// where the caption would not fit; a width narrower than the caption gives the default.
TEST_F(ResultWindowTest, ColumnWidthsAreKeptAcrossOpenings) {
    EXPECT_GE(List()->columnWidth(0), PixelsX(&w_, 200));
    EXPECT_EQ(List()->columnWidth(1), PixelsX(&w_, 1200));
    const int queue_width = List()->columnWidth(4);
    List()->setColumnWidth(1, PixelsX(&w_, 2400));
    List()->setColumnWidth(4, 0);
    Button("cmdClose")->click();
    EXPECT_EQ(uitest::StoredSetting("HeaderWidthJobName"), "2400");
    ResultWindow again;
    const auto* list = Find<QTreeWidget>(&again, "lvwJobs");
    EXPECT_EQ(list->columnWidth(1), PixelsX(&again, 2400));
    EXPECT_EQ(list->columnWidth(4), queue_width);
}

}  // namespace
}  // namespace stallscan::ui
