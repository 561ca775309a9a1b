// The main window: enabling rules with and without a default server, the domain keyword, runs
// with their outcomes, the About box, and closing it while other windows are open.

#include "../kvls/run_kvls.h"
#include "ui_test_support.h"

namespace ui {
namespace {

// The environment of the program: only STALLSCAN, with the given value.
basMain::EnvLookup Env(std::string stallscan = "") {
    return [stallscan](const std::string& name) { return name == "STALLSCAN" ? stallscan : ""; };
}

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override { uitest::ClearSettings(); }
    uitest::SmallPrintSystem canned_;
};

TEST_F(MainWindowTest, StartNeedsAServerAndJobs) {
    gDefaultPrinter = "nosuchprinter";  // a printer that cannot be listed gives no default server
    frmMain none("", Env());
    EXPECT_FALSE(none.optServer[0]->isEnabled());
    EXPECT_TRUE(none.optServer[1]->isChecked());
    EXPECT_EQ(none.lblDefServer->text(), "None");
    EXPECT_FALSE(none.cmdStartDiag->isEnabled());

    gDefaultPrinter = "p1";  // its supervisor S1 is the default server
    frmMain w("", Env());
    EXPECT_EQ(w.lblDefServer->text(), "S1");
    EXPECT_TRUE(w.cmdStartDiag->isDefault());
    // Default server chosen, typed server, specific jobs chosen, typed jobs: Start enabled.
    const std::tuple<bool, const char*, bool, const char*, bool> rows[] = {
        {true, "", false, "", true},    {false, "", false, "", false},
        {false, "  ", false, "", true}, {false, "S", true, "", false},
        {false, "S", true, "12", true}, {false, "", true, "12", false},
        {true, "", true, "12", true},   {true, "", true, "", false}};
    for (const auto& [byDefault, server, specific, jobs, enabled] : rows) {
        SCOPED_TRACE(testing::Message() << byDefault << " '" << server << "' " << specific << jobs);
        w.optServer[byDefault ? 0 : 1]->click();
        w.optJobs[specific ? 1 : 0]->click();
        w.txtUsrServer->setText(server);
        w.txtUsrJobId->setText(jobs);
        EXPECT_EQ(w.lblDefServer->isEnabled(), byDefault);
        EXPECT_EQ(w.txtUsrServer->isEnabled(), !byDefault);
        EXPECT_EQ(w.txtUsrJobId->isEnabled(), specific);
        EXPECT_EQ(w.cmdStartDiag->isEnabled(), enabled);
    }
}

TEST_F(MainWindowTest, DomainFromTheArgumentsElseTheEnvironment) {
    const auto env = Env("a;domain-name@D3;b");
    EXPECT_EQ(frmMain("x domain-name@D1", env).Domain(), "D1");
    EXPECT_EQ(frmMain("x", env).Domain(), "D3");
}

// The demo print system, exported as canned listings: Enter runs every waiting job of "demo", the
// run ends in the result window, and Save All there writes the reports of the command-line mode.
TEST_F(MainWindowTest, DemoRunEndsInTheResultWindowAndSaveAllWritesTheDemoReports) {
    const std::string demoDir = canned_.Path() + "/demo";
    const auto exported = kvls_test::RunKvls({"--export-pseudo", demoDir},
                                             {{"KVLS_DATA", SOURCE_DIR "/examples/demo/data"}});
    ASSERT_EQ(exported.exit_code, 0) << exported.err;
    gPseudoDir = demoDir;
    const QString logPath = QString::fromStdString(canned_.Path()) + "/demo.log";
    SetSaveFileDialogHook(
        [&](QWidget*, const QString&, const QStringList&, const QString&) { return logPath; });
    uitest::MessageRecorder messages;
    frmMain w("", Env());
    w.show();
    QTest::keyClicks(w.txtUsrServer, "demo");
    QStringList ids;
    uitest::WhenModal<frmDiagResult>(&w, [&](frmDiagResult* result) {
        ids = uitest::Column(result->lvwJobs, 0);
        EXPECT_FALSE(w.cmdStartDiag->isEnabled());
        result->cmdSaveAll->click();
        result->cmdClose->click();
    });
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(w.txtUsrServer, Qt::Key_Return);  // Enter presses the default button
    EXPECT_GE(clock.elapsed(), 10 * frmProgress::kJobInterval - 30);  // one job per tick
    SetSaveFileDialogHook({});
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_TRUE(w.cmdStartDiag->isEnabled());
    ASSERT_EQ(ids, (QStringList{"5", "6", "7", "8", "9", "10", "11", "12", "13", "15"}));
    std::string expected;
    for (const QString& id : ids) {
        expected += uitest::ReadFile(SOURCE_DIR "/tests/e2e/expected/demo-" + id + ".txt");
    }
    EXPECT_EQ(uitest::ReadFile(logPath), expected);
}

// No waiting jobs (S2) is an information; a failed job list (the tool cannot start: 2002) is
// message 104. Neither opens the result window.
TEST_F(MainWindowTest, RunsWithoutResultsEndInOneMessage) {
    const std::tuple<const char*, QMessageBox::Icon, const char*> rows[] = {
        {"S2", QMessageBox::Information, "There are no jobs for which diagnostics will be given."},
        {"S9", QMessageBox::Critical, "Unable to access server \"S9\".\r\n"}};
    for (const auto& [server, icon, text] : rows) {
        if (icon == QMessageBox::Critical) {
            gPseudoDir.clear();
            gListToolPath = canned_.Path() + "/no-such-tool";
        }
        uitest::MessageRecorder messages;
        frmMain w("", Env());
        w.txtUsrServer->setText(server);
        bool resultShown = false;
        uitest::WhenModal<frmDiagResult>(&w, [&](frmDiagResult* result) {
            resultShown = true;
            result->close();
        });
        w.cmdStartDiag->click();
        ASSERT_EQ(messages.boxes.size(), 1u) << server;
        EXPECT_EQ(messages.boxes[0].icon, icon);
        EXPECT_EQ(messages.boxes[0].text, text);
        EXPECT_FALSE(resultShown);
        EXPECT_TRUE(w.cmdStartDiag->isEnabled());
    }
}

TEST_F(MainWindowTest, VersionOpensTheAboutBoxAndClosingClosesIt) {
    frmMain w("", Env());
    w.show();
    QString line;
    bool aboutClosed = false;
    uitest::WhenModal<frmAbout>(&w, [&](frmAbout* about) {
        line = about->lblProductVersion->text();
        QObject::connect(about, &QDialog::finished, [&] { aboutClosed = true; });
        w.close();
    });
    w.cmdAbout->click();
    EXPECT_EQ(line, "Orvinet Version 1.2-03");
    EXPECT_TRUE(aboutClosed);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(OpenWindows(), std::vector<QWidget*>{&w});
}

}  // namespace
}  // namespace ui
