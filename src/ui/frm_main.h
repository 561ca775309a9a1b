#pragma once
// The main window: choose the default or another server and all or specific jobs, start a run
// (progress window, then result window, both modal) and open the About box. Closing it closes
// every other window of the program and ends the program.

#include <QDialog>
#include <string>

#include "app/startup.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ui {

class frmMain : public QDialog {
    Q_OBJECT
  public:
    // `argText` is the program's argument text (for the domain keyword); `env` reads the
    // environment (STALLSCAN). Opening looks up the default server of gDefaultPrinter.
    frmMain(std::string argText, basMain::EnvLookup env, QWidget* parent = nullptr);
    ~frmMain() override;

    bool CanStartDiag() const;
    void optServer_Click(int index);
    void optJobs_Click(int index);
    void cmdStartDiag_Click();
    void cmdAbout_Click();
    // The domain of a run: "domain-name@" in the argument text, else in STALLSCAN, else empty.
    std::string Domain() const;

    // How long the default printer's listing may take at opening before the tool is ended.
    static void SetLookupTimeout(int milliseconds);

    QGroupBox* frServer = nullptr;
    QRadioButton* optServer[2] = {};
    QLabel* lblDefServer = nullptr;
    QLineEdit* txtUsrServer = nullptr;
    QGroupBox* frJob = nullptr;
    QRadioButton* optJobs[2] = {};
    QLineEdit* txtUsrJobId = nullptr;
    QLabel* lblSeparator[3] = {};
    QPushButton* cmdStartDiag = nullptr;
    QPushButton* cmdAbout = nullptr;

  public slots:
    // Escape does not close the main window.
    void reject() override {}

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildControls();
    void LookUpDefaultServer();

    std::string m_argText;
    basMain::EnvLookup m_env;
    bool m_bClosing = false;
};

}  // namespace ui
