// The main window: the default server, enabling rules, runs with their outcomes (the progress
// window's question among them), closing it while other windows are open, and its place. The
// result window: rows, clicks, sorting, saving, its column widths and its smallest size.

#include "ui_test_support.h"

namespace stallscan::ui {
namespace {

using uitest::Find;
using uitest::ObjectClass;

run::StartupValues DefaultPrinter(const std::string& printer) {
    run::StartupValues values;
    values.default_printer = printer;
    return values;
}

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override { uitest::ClearSettings(); }
    uitest::SmallPrintSystem source_;
};

TEST_F(MainWindowTest, DefaultServerOfTheDefaultPrinterAndStartEnabling) {
    // Default printer, default server shown: none, one that cannot be listed, then p1 of S1.
    for (const auto& [printer, server] :
         {std::pair<std::string, QString>{"", "None"}, {"nosuch", "None"}, {"p1", "S1"}}) {
        MainWindow w(source_, DefaultPrinter(printer));
        ASSERT_TRUE(uitest::LookedUp(w));
        EXPECT_EQ(Find<QLabel>(&w, "lblDefServer")->text(), server) << printer;
        EXPECT_EQ(Find<QRadioButton>(&w, "optServer0")->isChecked(), server != "None");
        EXPECT_EQ(Find<QPushButton>(&w, "cmdStartDiag")->isEnabled(), server != "None");
    }
    // A CUPS server is the one server of its source, without a default printer.
    struct OneServer : uitest::SmallPrintSystem {
        std::string OnlyServer() const override { return "cups.example:631"; }
    } cups;
    MainWindow cups_window(cups, {});
    EXPECT_EQ(Find<QLabel>(&cups_window, "lblDefServer")->text(), "cups.example:631");
    EXPECT_TRUE(Find<QRadioButton>(&cups_window, "optServer0")->isChecked());
    MainWindow w(source_, DefaultPrinter("p1"));
    ASSERT_TRUE(uitest::LookedUp(w));
    auto* start = Find<QPushButton>(&w, "cmdStartDiag");
    // Default server chosen, typed server, specific jobs chosen, typed jobs: Start enabled.
    const std::tuple<bool, const char*, bool, const char*, bool> rows[] = {
        {true, "", false, "", true},    {false, "", false, "", false},
        {false, " ", true, "12", true}, {true, "", true, "", false}};
    for (const auto& [by_default, server, specific, jobs, enabled] : rows) {
        SCOPED_TRACE(testing::Message()
                     << by_default << " '" << server << "' " << specific << jobs);
        Find<QRadioButton>(&w, by_default ? "optServer0" : "optServer1")->click();
        Find<QRadioButton>(&w, specific ? "optJobs1" : "optJobs0")->click();
        Find<QLineEdit>(&w, "txtUsrServer")->setText(server);
        Find<QLineEdit>(&w, "txtUsrJobId")->setText(jobs);
        EXPECT_EQ(Find<QLabel>(&w, "lblDefServer")->isEnabled(), by_default);
        EXPECT_EQ(Find<QLineEdit>(&w, "txtUsrServer")->isEnabled(), !by_default);
        EXPECT_EQ(Find<QLineEdit>(&w, "txtUsrJobId")->isEnabled(), specific);
        EXPECT_EQ(start->isEnabled(), enabled);
    }
}

// While the default printer's listing hangs, the window shows at once, the default server
// empty, it and Start disabled, the cursor busy. The lookup gives up after its time-out, leaving
// "None", or at once when the window closes.
TEST_F(MainWindowTest, TheWindowShowsAtOnceWhileTheDefaultServerIsLookedUp) {
    source_.Hang(ObjectClass::kPrinter, "slow");
    for (const bool close : {false, true}) {
        MainWindow w(source_, DefaultPrinter("slow"),
                     std::chrono::milliseconds(close ? 60000 : 3000));
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        EXPECT_TRUE(w.LookingUpDefaultServer());
        Find<QLineEdit>(&w, "txtUsrServer")->setText("S1");
        EXPECT_EQ(Find<QLabel>(&w, "lblDefServer")->text(), "");
        EXPECT_FALSE(Find<QRadioButton>(&w, "optServer0")->isEnabled());
        EXPECT_FALSE(Find<QPushButton>(&w, "cmdStartDiag")->isEnabled());
        EXPECT_EQ(w.cursor().shape(), Qt::BusyCursor);
        if (close) {
            QElapsedTimer clock;
            clock.start();
            w.close();
            EXPECT_LT(clock.elapsed(), 10000);  // not the lookup's 60 s
            continue;
        }
        ASSERT_TRUE(uitest::LookedUp(w));
        EXPECT_EQ(Find<QLabel>(&w, "lblDefServer")->text(), "None");
        EXPECT_TRUE(Find<QPushButton>(&w, "cmdStartDiag")->isEnabled());
        EXPECT_EQ(w.cursor().shape(), Qt::ArrowCursor);
    }
}

// Enter runs every waiting job of the default server, one per tick; the run, whole or stopped
// after its first job, ends in the result window with the jobs done. (Closing the progress window
// stops it the same way: see ClosingClosesTheOtherWindowsFirst.)
TEST_F(MainWindowTest, RunEndsInTheResultWindow) {
    for (const bool stop : {false, true}) {
        uitest::MessageRecorder messages;
        MainWindow w(source_, DefaultPrinter("p1"));
        ASSERT_TRUE(uitest::LookedUp(w));
        w.show();
        uitest::WhenModal<ProgressWindow>(&w, [stop](ProgressWindow* p) {
            if (stop) {  // once the first job is done
                QObject::connect(Find<QProgressBar>(p, "prbProgress"), &QProgressBar::valueChanged,
                                 Find<QPushButton>(p, "cmdStop"), &QPushButton::click);
            }
        });
        QStringList ids;
        uitest::WhenModal<ResultWindow>(&w, [&](ResultWindow* result) {
            ids = uitest::Column(result, 0);
            EXPECT_FALSE(Find<QPushButton>(&w, "cmdStartDiag")->isEnabled());
            Find<QPushButton>(result, "cmdClose")->click();
        });
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(&w, Qt::Key_Return);  // Enter presses the default button
        EXPECT_GE(clock.elapsed(), ids.size() * ProgressWindow::kJobInterval.count() - 30);
        EXPECT_TRUE(Find<QPushButton>(&w, "cmdStartDiag")->isEnabled());
        EXPECT_EQ(ids, (stop ? QStringList{"9"} : QStringList{"9", "10", "12"})) << stop;
    }
}

// No waiting jobs (S2) is an information; a failed job list is message 104, naming the server as
// typed. Neither opens the result window.
TEST_F(MainWindowTest, RunsWithoutResultsEndInOneMessage) {
    source_.Fail(ObjectClass::kJob, "S9:", listing::Status::kStartFailed);
    const std::tuple<const char*, QMessageBox::Icon, const char*> rows[] = {
        {"S2", QMessageBox::Information, "There are no jobs for which diagnostics will be given."},
        {" S9", QMessageBox::Critical, "Unable to access server \" S9\".\r\n"}};
    for (const auto& [server, icon, text] : rows) {
        uitest::MessageRecorder messages;
        MainWindow w(source_, {});
        Find<QLineEdit>(&w, "txtUsrServer")->setText(server);
        uitest::WhenModal<ResultWindow>(&w, [](ResultWindow* result) {
            ADD_FAILURE() << "result window";
            result->close();
        });
        Find<QPushButton>(&w, "cmdStartDiag")->click();
        ASSERT_EQ(messages.boxes.size(), 1u) << server;
        EXPECT_EQ(messages.boxes[0].icon, icon);
        EXPECT_EQ(messages.boxes[0].text, text);
    }
}

// Closing the main window while the About box or a run is open closes that window first; a run on
// a job list that never comes ends at once, without the question.
TEST_F(MainWindowTest, ClosingClosesTheOtherWindowsFirst) {
    source_.Hang(ObjectClass::kJob, "S1:");
    for (const char* button : {"cmdAbout", "cmdStartDiag"}) {
        uitest::MessageRecorder messages;
        MainWindow w(source_, DefaultPrinter("p1"));
        ASSERT_TRUE(uitest::LookedUp(w));
        w.show();
        uitest::WhenModal<QDialog>(&w,
                                   [&](QDialog*) { QTimer::singleShot(200, &w, &QWidget::close); });
        Find<QPushButton>(&w, button)->click();  // returns once the other window has closed
        EXPECT_FALSE(w.isVisible()) << button;
        EXPECT_TRUE(messages.boxes.empty());
        EXPECT_EQ(OpenWindows(), std::vector<QWidget*>{&w});
    }
}

// The progress window's question: for a job of a server that never answers, then for a job list
// that never comes, Retry waits again, Cancel gives up and ends the listing; it names the server.
TEST_F(MainWindowTest, ARunsQuestionRetryWaitsAgainAndCancelGivesUp) {
    source_.Hang(ObjectClass::kServer, "S3");
    source_.Hang(ObjectClass::kJob, "S1:");
    for (const auto& [jobs, server] : {std::pair{"S3:5", "S3"}, {"", "S1"}}) {
        uitest::MessageRecorder messages({QMessageBox::Retry, QMessageBox::Cancel});
        run::ResultCollection results;
        ProgressWindow p(source_, std::chrono::milliseconds(150));
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(p.Run(" S1", "", jobs, results), ProgressWindow::Outcome::kGaveUp);
        EXPECT_GE(clock.elapsed(), 2 * 150 - 30);
        EXPECT_EQ(results.Count(), 0);
        ASSERT_EQ(messages.boxes.size(), 2u);
        for (const auto& box : messages.boxes) {
            EXPECT_EQ(box.text, "Server \"" + std::string(server) + "\" is not responding.");
            EXPECT_EQ(box.icon, QMessageBox::Critical);
            EXPECT_EQ(box.buttons, QMessageBox::Retry | QMessageBox::Cancel);
        }
    }
}

// The window's place is written on close and read on the next opening.
TEST_F(MainWindowTest, ThePlaceIsKeptAcrossOpenings) {
    {
        MainWindow w(source_, {});
        w.show();
        EXPECT_EQ(w.frameGeometry().topLeft(), QPoint(PixelsX(&w, 200), PixelsY(&w, 200)));
        w.move(PixelsX(&w, 600), PixelsY(&w, 900));
        w.close();
    }
    EXPECT_EQ(uitest::StoredSetting("MainLeft") + uitest::StoredSetting("MainTop"), "600900");
    MainWindow again(source_, {});
    EXPECT_EQ(again.pos(), QPoint(PixelsX(&again, 600), PixelsY(&again, 900)));
}

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
            // What can be done shows below a CUPS job's messages (job 123), never below the
            // others', whose report has no such lines (job 10).
            d->SetAlternatives({{"qb", "lpmove " + std::string(id) + " qb"}});
            d->SetRemedies({{"Resume the queue.", std::string("cupsenable ") + queue}},
                           std::string(id) == "123");
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

// Rows show the results in run order, and clicks their messages; header clicks sort as text and
// alternate only the clicked column.
TEST_F(ResultWindowTest, RowsClicksAndSorting) {
    EXPECT_EQ(uitest::Column(&w_, 0), (QStringList{"10", "9", "123"}));
    EXPECT_EQ(uitest::Column(&w_, 5), (QStringList{"p1, p2", "p3", "p1, p2"}));
    EXPECT_EQ(Messages(), "- Queue \"qb\" is paused.\n");
    EXPECT_FALSE(Button("cmdSave")->isEnabled());

    // A row click shows its messages and enables Save; a click below the rows disables it.
    ClickRow(2);
    EXPECT_EQ(Messages(),
              "- Queue \"qa\" is paused.\nIt could print on: qb (lpmove 123 qb).\n"
              "What can be done:\n  Resume the queue.\n    cupsenable qa\n");
    EXPECT_TRUE(Button("cmdSave")->isEnabled());
    const QPoint below(5, List()->viewport()->height() - 3);
    ASSERT_EQ(List()->itemAt(below), nullptr);
    Click(below);
    EXPECT_FALSE(Button("cmdSave")->isEnabled());

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
// replacing the longer file entirely. Cancelling is silent; a failed write is reported. Column
// widths are written on close and read on the next opening. The defaults are widened only where
// the caption would not fit; a width narrower than the caption gives the default.
TEST_F(ResultWindowTest, SavingAndColumnWidths) {
    EXPECT_GE(List()->columnWidth(0), PixelsX(&w_, 200));
    EXPECT_EQ(List()->columnWidth(1), PixelsX(&w_, 1200));
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

// Stored widths that together are far wider than the screen give every column its default width
// (a width that would fit on its own too), so that all six columns are in sight.
TEST_F(ResultWindowTest, ColumnsWiderThanTheScreenGetTheDefaults) {
    uitest::StoreSettings({{"HeaderWidthJobId", "150000"}, {"HeaderWidthJobName", "2400"},
                           {"HeaderWidthJobStatus", "150000"}, {"HeaderWidthSpooler", "150000"},
                           {"HeaderWidthQueue", "150000"}, {"HeaderWidthPrinters", "150000"}});
    ResultWindow w;
    w.Fill(results_);
    w.show();
    const auto* list = Find<QTreeWidget>(&w, "lvwJobs");
    EXPECT_EQ(list->columnWidth(1), PixelsX(&w, 1200));
    EXPECT_EQ(list->columnWidth(5), PixelsX(&w, 1400));
    for (int c = 0; c < kResultColumns; ++c) {
        EXPECT_LE(list->header()->sectionViewportPosition(c) + list->columnWidth(c),
                  list->viewport()->width())
            << c;
    }
}

// A stored size of 0 opens the window at its smallest size, where the messages box still shows
// three whole lines of reasons.
TEST_F(ResultWindowTest, TheSmallestWindowShowsThreeLinesOfReasons) {
    uitest::StoreSettings({{"DiagResultWidth", "0"}, {"DiagResultHeight", "0"}});
    run::ResultCollection results;
    auto d = std::make_shared<diag::Diagnosis>();
    d->SetSpoolerName("S1");
    d->SetJobId("7");
    for (const char* queue : {"q1", "q2", "q3", "q4", "q5"}) {
        d->Add(text::Msg::kReasonQueuePaused, {queue});
    }
    results.Add("S1", "7", d);
    ResultWindow w;
    w.Fill(results);
    w.show();
    EXPECT_EQ(w.frameGeometry().height(), PixelsY(&w, kResultMinHeight));
    auto* box = Find<QPlainTextEdit>(&w, "txtDiagMessages");
    QTextCursor third(box->document()->findBlockByNumber(2));
    ASSERT_EQ(third.block().text(), "- Queue \"q3\" is paused.");
    EXPECT_LE(box->cursorRect(third).bottom(), box->viewport()->height());
}

}  // namespace
}  // namespace stallscan::ui
