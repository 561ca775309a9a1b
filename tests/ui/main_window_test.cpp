// The main window: opening with and without a default server, enabling rules, the domain
// keyword, runs with their outcomes, the About box and the stored position.

#include "ui/frm_main.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "ui/frm_about.h"
#include "ui/frm_diag_result.h"
#include "ui/frm_progress.h"
#include "ui_test_support.h"

namespace ui {
namespace {

using uitest::CannedDir;
using uitest::MessageRecorder;

basMain::EnvLookup Env(std::map<std::string, std::string> values) {
    return [values](const std::string& name) {
        const auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    };
}

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        uitest::ClearSettings();
        uitest::WriteSmallPrintSystem(canned_);
        gPseudoDir = canned_.Path();
        gDefaultPrinter.clear();
    }
    uitest::SavedGlobals saved_;
    CannedDir canned_;
};

TEST_F(MainWindowTest, WithoutDefaultPrinterOtherMustBeTyped) {
    frmMain w("", Env({}));
    EXPECT_EQ(w.windowTitle(), "stallscan");
    EXPECT_FALSE(w.optServer[0]->isEnabled());
    EXPECT_FALSE(w.optServer[0]->isChecked());
    EXPECT_TRUE(w.optServer[1]->isChecked());
    EXPECT_EQ(w.lblDefServer->text(), "None");
    EXPECT_TRUE(w.txtUsrServer->isEnabled());
    EXPECT_TRUE(w.optJobs[0]->isChecked());
    EXPECT_FALSE(w.txtUsrJobId->isEnabled());
    EXPECT_FALSE(w.cmdStartDiag->isEnabled());
    EXPECT_TRUE(w.cmdStartDiag->isDefault());

    QTest::keyClicks(w.txtUsrServer, "S");
    EXPECT_TRUE(w.cmdStartDiag->isEnabled());
    QTest::keyClick(w.txtUsrServer, Qt::Key_Backspace);
    EXPECT_FALSE(w.cmdStartDiag->isEnabled());
    QTest::keyClicks(w.txtUsrServer, "  ");  // blanks count as a server
    EXPECT_TRUE(w.cmdStartDiag->isEnabled());

    w.optJobs[1]->click();
    EXPECT_TRUE(w.txtUsrJobId->isEnabled());
    EXPECT_FALSE(w.cmdStartDiag->isEnabled());
    QTest::keyClicks(w.txtUsrJobId, "12");
    EXPECT_TRUE(w.cmdStartDiag->isEnabled());
    w.txtUsrJobId->clear();
    w.optJobs[0]->click();
    EXPECT_FALSE(w.txtUsrJobId->isEnabled());
    EXPECT_TRUE(w.cmdStartDiag->isEnabled());
}

TEST_F(MainWindowTest, DefaultPrinterGivesTheDefaultServer) {
    gDefaultPrinter = "p1";
    frmMain w("", Env({}));
    EXPECT_TRUE(w.optServer[0]->isEnabled());
    EXPECT_TRUE(w.optServer[0]->isChecked());
    EXPECT_EQ(w.lblDefServer->text(), "S1");
    EXPECT_TRUE(w.lblDefServer->isEnabled());
    EXPECT_FALSE(w.txtUsrServer->isEnabled());
    EXPECT_TRUE(w.optServer[1]->isEnabled());
    EXPECT_TRUE(w.cmdStartDiag->isEnabled());
    w.optServer[1]->click();
    EXPECT_FALSE(w.lblDefServer->isEnabled());
    EXPECT_FALSE(w.cmdStartDiag->isEnabled());
    w.optServer[0]->click();
    EXPECT_TRUE(w.cmdStartDiag->isEnabled());
}

TEST_F(MainWindowTest, UnknownDefaultPrinterLeavesNone) {
    gDefaultPrinter = "nosuchprinter";
    frmMain w("", Env({}));
    EXPECT_FALSE(w.optServer[0]->isEnabled());
    EXPECT_EQ(w.lblDefServer->text(), "None");
}

TEST_F(MainWindowTest, DomainFromArgumentsThenEnvironment) {
    EXPECT_EQ(frmMain("domain-name@D1 more", Env({})).Domain(), "D1");
    EXPECT_EQ(frmMain("x domain-name@D2", Env({})).Domain(), "D2");
    EXPECT_EQ(frmMain("", Env({{"STALLSCAN", "a;domain-name@D3;b"}})).Domain(), "D3");
    EXPECT_EQ(frmMain("domain-name@D4", Env({{"STALLSCAN", "domain-name@D5"}})).Domain(), "D4");
    EXPECT_EQ(frmMain("", Env({})).Domain(), "");
}

TEST_F(MainWindowTest, RunEndsInTheResultWindowAndEnablesDiagAgain) {
    MessageRecorder messages;
    frmMain w("", Env({}));
    w.show();
    QTest::keyClicks(w.txtUsrServer, "S1");
    std::vector<std::string> rows;
    uitest::WhenModal<frmDiagResult>([&](frmDiagResult* result) {
        for (int i = 0; i < result->lvwJobs->topLevelItemCount(); ++i) {
            rows.push_back(result->lvwJobs->topLevelItem(i)->text(0).toStdString());
        }
        EXPECT_FALSE(w.cmdStartDiag->isEnabled());
        result->cmdClose->click();
    });
    QTest::keyClick(w.txtUsrServer, Qt::Key_Return);  // Enter presses the default button
    EXPECT_EQ(rows, (std::vector<std::string>{"9", "10", "12"}));
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_TRUE(w.cmdStartDiag->isEnabled());
}

// The demo print system, exported as canned listings: a run over every waiting job of "demo" ends
// in the result window, and "Save All" writes the very reports of the command-line mode.
TEST_F(MainWindowTest, DemoRunEndsInTheResultWindowWithTheDemoReports) {
    QProcess kvls;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KVLS_DATA", SOURCE_DIR "/examples/demo/data");
    kvls.setProcessEnvironment(env);
    const QString demoDir = QString::fromStdString(canned_.Path()) + "/demo";
    kvls.start(KVLS_PATH, {"--export-pseudo", demoDir});
    ASSERT_TRUE(kvls.waitForFinished(30000));
    ASSERT_EQ(kvls.exitCode(), 0) << kvls.readAllStandardError().toStdString();
    gPseudoDir = demoDir.toStdString();

    QTemporaryDir out;
    const QString logPath = out.filePath("demo.log");
    SetSaveFileDialogHook(
        [&](QWidget*, const QString&, const QStringList&, const QString&) { return logPath; });
    MessageRecorder messages;
    frmMain w("", Env({}));
    w.txtUsrServer->setText("demo");
    QStringList ids;
    uitest::WhenModal<frmDiagResult>([&](frmDiagResult* result) {
        for (int i = 0; i < result->lvwJobs->topLevelItemCount(); ++i) {
            ids << result->lvwJobs->topLevelItem(i)->text(0);
        }
        result->cmdSaveAll->click();
        result->close();
    });
    w.cmdStartDiag->click();
    SetSaveFileDialogHook({});
    EXPECT_TRUE(messages.boxes.empty());
    ASSERT_EQ(ids, (QStringList{"5", "6", "7", "8", "9", "10", "11", "12", "13", "15"}));
    QByteArray expected;
    for (const QString& id : ids) {
        QFile report(SOURCE_DIR "/tests/e2e/expected/demo-" + id + ".txt");
        ASSERT_TRUE(report.open(QIODevice::ReadOnly));
        expected += report.readAll();
    }
    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll().toStdString(), expected.toStdString());
}

TEST_F(MainWindowTest, FailedJobListShowsUnableToAccessServer) {
    MessageRecorder messages;
    gPseudoDir.clear();
    gListToolPath = canned_.Path() + "/no-such-tool";  // starting it fails: 2002
    frmMain w("", Env({}));
    w.txtUsrServer->setText("S9");
    w.cmdStartDiag->click();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages.boxes[0].text, "Unable to access server \"S9\".\r\n");
    EXPECT_TRUE(w.cmdStartDiag->isEnabled());
}

TEST_F(MainWindowTest, NoWaitingJobsIsAnInformationAndNoResultWindow) {
    MessageRecorder messages;
    frmMain w("", Env({}));
    w.txtUsrServer->setText("S2");  // S2 has no job list file
    bool resultWindowOpened = false;
    uitest::WhenModal<frmDiagResult>([&](frmDiagResult* r) {
        resultWindowOpened = true;
        r->close();
    });
    w.cmdStartDiag->click();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].icon, QMessageBox::Information);
    EXPECT_EQ(messages.boxes[0].text, "There are no jobs for which diagnostics will be given.");
    QTest::qWait(20);
    EXPECT_FALSE(resultWindowOpened);
}

TEST_F(MainWindowTest, VersionOpensTheAboutBox) {
    frmMain w("", Env({}));
    QString line;
    uitest::WhenModal<frmAbout>([&](frmAbout* about) {
        line = about->lblProductVersion->text();
        QTest::keyClick(about, Qt::Key_Escape);
    });
    w.cmdAbout->click();
    EXPECT_EQ(line, "Orvinet Version 1.2-03");
}

TEST_F(MainWindowTest, PositionIsStoredOnCloseAndReadOnOpening) {
    {
        frmMain w("", Env({}));
        w.show();
        EXPECT_EQ(w.frameGeometry().topLeft(), QPoint(PxX(&w, 200), PxY(&w, 200)));
        w.move(PxX(&w, 600), PxY(&w, 900));
        w.close();
    }
    EXPECT_EQ(uitest::StoredSetting("MainLeft"), "600");
    EXPECT_EQ(uitest::StoredSetting("MainTop"), "900");
    frmMain again("", Env({}));
    EXPECT_EQ(again.pos(), QPoint(PxX(&again, 600), PxY(&again, 900)));
}

TEST_F(MainWindowTest, UnusableStoredPositionGivesTheDefault) {
    for (const char* left : {"abc", "99999"}) {  // not a number; off every screen
        uitest::StoreSetting("MainLeft", left);
        uitest::StoreSetting("MainTop", "300");
        frmMain w("", Env({}));
        EXPECT_EQ(w.pos(), QPoint(PxX(&w, 200), PxY(&w, 200))) << left;
    }
}

TEST_F(MainWindowTest, ClosingClosesEveryOtherWindow) {
    frmMain w("", Env({}));
    w.show();
    bool aboutClosed = false;
    uitest::WhenModal<frmAbout>([&](frmAbout* about) {
        QObject::connect(about, &QDialog::finished, [&] { aboutClosed = true; });
        w.close();
    });
    w.cmdAbout->click();
    EXPECT_TRUE(aboutClosed);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(OpenWindows(), std::vector<QWidget*>{&w});
}

TEST_F(MainWindowTest, ClosingDuringARunEndsTheListingToolAndTheWorker) {
    MessageRecorder messages;
    gPseudoDir.clear();
    gListToolPath = HANGING_TOOL_PATH;
    frmMain w("", Env({}));
    w.show();
    w.txtUsrServer->setText("S1");
    uitest::WhenModal<frmProgress>(
        [&](frmProgress*) { QTimer::singleShot(200, &w, &QWidget::close); });
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
