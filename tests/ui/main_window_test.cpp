// The main window: the default server, enabling rules, runs with their outcomes, and closing it
// while other windows are open.

#include "diag/diagnose.h"
#include "ui_test_support.h"

namespace stallscan::ui {
namespace {

using uitest::Find;
using uitest::ObjectClass;

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override { uitest::ClearSettings(); }
    uitest::SmallPrintSystem source_;
};

TEST_F(MainWindowTest, DefaultServerOfTheDefaultPrinterAndStartEnabling) {
    // Default printer, default server shown: none, one that cannot be listed, then p1 of S1.
    for (const auto& [printer, server] :
         {std::pair<std::string, QString>{"", "None"}, {"nosuch", "None"}, {"p1", "S1"}}) {
        MainWindow w(source_, uitest::WithDefaultPrinter(printer));
        ASSERT_TRUE(uitest::LookedUp(w));
        EXPECT_EQ(Find<QLabel>(&w, "lblDefServer")->text(), server) << printer;
        EXPECT_EQ(Find<QRadioButton>(&w, "optServer0")->isChecked(), server != "None");
        EXPECT_EQ(Find<QPushButton>(&w, "cmdStartDiag")->isEnabled(), server != "None");
    }
    {
        // A CUPS server is the one server of its source, without a default printer.
        struct OneServer : uitest::SmallPrintSystem {
            std::string OnlyServer() const override { return "cups.example:631"; }
        } cups;
        MainWindow w(cups, uitest::WithDefaultPrinter(""));
        EXPECT_EQ(Find<QLabel>(&w, "lblDefServer")->text(), "cups.example:631");
        EXPECT_TRUE(Find<QRadioButton>(&w, "optServer0")->isChecked());
    }
    MainWindow w(source_, uitest::WithDefaultPrinter("p1"));
    ASSERT_TRUE(uitest::LookedUp(w));
    auto* start = Find<QPushButton>(&w, "cmdStartDiag");
    EXPECT_TRUE(start->isDefault());
    // Default server chosen, typed server, specific jobs chosen, typed jobs: Start enabled.
    const std::tuple<bool, const char*, bool, const char*, bool> rows[] = {
        {true, "", false, "", true},    {false, "", false, "", false},
        {false, "  ", false, "", true}, {false, "S", true, "", false},
        {false, "S", true, "12", true}, {false, "", true, "12", false},
        {true, "", true, "12", true},   {true, "", true, "", false}};
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
        QElapsedTimer clock;
        clock.start();
        MainWindow w(source_, uitest::WithDefaultPrinter("slow"),
                     std::chrono::milliseconds(close ? 60000 : 1500));
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        EXPECT_LT(clock.elapsed(), 1000);
        Find<QLineEdit>(&w, "txtUsrServer")->setText("S1");
        EXPECT_EQ(Find<QLabel>(&w, "lblDefServer")->text(), "");
        EXPECT_FALSE(Find<QRadioButton>(&w, "optServer0")->isEnabled());
        EXPECT_FALSE(Find<QPushButton>(&w, "cmdStartDiag")->isEnabled());
        EXPECT_EQ(w.cursor().shape(), Qt::BusyCursor);
        if (close) {
            clock.restart();
            w.close();
            EXPECT_LT(clock.elapsed(), 1000);
            continue;
        }
        ASSERT_TRUE(uitest::LookedUp(w));
        EXPECT_GE(clock.elapsed(), 1500);
        EXPECT_EQ(Find<QLabel>(&w, "lblDefServer")->text(), "None");
        EXPECT_TRUE(Find<QPushButton>(&w, "cmdStartDiag")->isEnabled());
        EXPECT_EQ(w.cursor().shape(), Qt::ArrowCursor);
    }
}

// Enter runs every waiting job of the default server, one per tick; the run, whole or ended after
// its first job by Stop or the close box, ends in the result window, whose Save All writes the
// reports of its jobs.
TEST_F(MainWindowTest, RunEndsInTheResultWindowAndSaveAllWritesTheReports) {
    QTemporaryDir dir;
    const QString log_path = dir.filePath("all.log");
    SetSaveFileDialogHook([&](QWidget*, auto&&...) { return log_path; });
    for (const char* stop : {"", "cmdStop", "the close box"}) {
        uitest::MessageRecorder messages;
        MainWindow w(source_, uitest::WithDefaultPrinter("p1"));
        ASSERT_TRUE(uitest::LookedUp(w));
        w.show();
        uitest::WhenModal<ProgressWindow>(&w, [stop](ProgressWindow* p) {
            uitest::WhenReady(
                p, [=] { return *stop && Find<QProgressBar>(p, "prbProgress")->value() == 1; },
                [=] {
                    if (std::string_view(stop) == "cmdStop") {
                        Find<QPushButton>(p, "cmdStop")->click();
                    } else {
                        p->close();
                    }
                });
        });
        QStringList ids;
        uitest::WhenModal<ResultWindow>(&w, [&](ResultWindow* result) {
            ids = uitest::Column(result, 0);
            EXPECT_FALSE(Find<QPushButton>(&w, "cmdStartDiag")->isEnabled());
            Find<QPushButton>(result, "cmdSaveAll")->click();
            Find<QPushButton>(result, "cmdClose")->click();
        });
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(&w, Qt::Key_Return);  // Enter presses the default button
        EXPECT_GE(clock.elapsed(), ids.size() * ProgressWindow::kJobInterval.count() - 30);
        EXPECT_TRUE(messages.boxes.empty());
        EXPECT_TRUE(Find<QPushButton>(&w, "cmdStartDiag")->isEnabled());
        EXPECT_EQ(ids, (*stop ? QStringList{"9"} : QStringList{"9", "10", "12"}));
        std::string reports;
        for (const QString& job : ids) {
            listing::Lister lister(source_);
            reports += diag::DiagnoseJob(lister, "S1", "", job.toStdString()).ReportText() + "\r\n";
        }
        EXPECT_EQ(uitest::ReadFile(log_path), reports) << stop;
    }
    SetSaveFileDialogHook({});
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
        EXPECT_TRUE(Find<QPushButton>(&w, "cmdStartDiag")->isEnabled());
    }
}

// Closing the main window while the About box or a run is open closes that window first; a run on
// a job list that never comes ends at once, without the question.
TEST_F(MainWindowTest, ClosingClosesTheOtherWindowsFirst) {
    source_.Hang(ObjectClass::kJob, "S1:");
    for (const char* button : {"cmdAbout", "cmdStartDiag"}) {
        uitest::MessageRecorder messages;
        MainWindow w(source_, uitest::WithDefaultPrinter("p1"));
        ASSERT_TRUE(uitest::LookedUp(w));
        w.show();
        uitest::WhenReady(
            &w, [] { return QApplication::activeModalWidget() != nullptr; },
            [&] { QTimer::singleShot(200, &w, &QWidget::close); });
        QElapsedTimer clock;
        clock.start();
        Find<QPushButton>(&w, button)->click();  // returns once the other window has closed
        EXPECT_LT(clock.elapsed(), 5000) << button;
        EXPECT_FALSE(w.isVisible());
        EXPECT_TRUE(messages.boxes.empty());
        EXPECT_EQ(OpenWindows(), std::vector<QWidget*>{&w});
    }
}

}  // namespace
}  // namespace stallscan::ui
