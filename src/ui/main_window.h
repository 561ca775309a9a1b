#pragma once
// The main window: choose the default or another server and all or specific jobs, start a run
// (progress window, then result window, both modal) and open the About box. Closing it closes
// every other window of the program and ends the program.

#include <QDialog>
#include <chrono>
#include <stop_token>
#include <string>
#include <thread>

#include "listing/source.h"
#include "run/startup_values.h"
#include "ui/window_support.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace stallscan::ui {

class MainWindow : public QDialog {
    Q_OBJECT
  public:
    // Runs ask `source` (which must outlive the window) in the domain of `values`. Opening looks
    // up the default server, the one of the default printer, giving up after `server_timeout`;
    // runs ask whether to go on waiting after it. The lookup runs on a thread of its own, the
    // window usable meanwhile (but for the default server and Start); closing the window stops
    // it.
    MainWindow(listing::ListingSource& source, const run::StartupValues& values,
               std::chrono::milliseconds server_timeout = kServerTimeout,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // True while the default server is being looked up.
    bool LookingUpDefaultServer() const { return looking_up_; }

  public slots:
    // Escape does not close the main window.
    void reject() override {}

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    void LookUpDefaultServer(const std::string& default_printer);
    // The end of the lookup, on the window's thread: `server` is empty when none was found.
    void DefaultServerFound(const std::string& server);
    // Stops the lookup, if it still runs, and waits for its thread.
    void EndLookup();
    // Enables the controls that the chosen options use, and Start when it can start a run.
    void UpdateControls();
    void StartRun();
    void ShowAbout();

    listing::ListingSource* source_;
    std::string domain_;
    std::chrono::milliseconds server_timeout_;
    QRadioButton* default_server_option_ = nullptr;
    QRadioButton* other_server_option_ = nullptr;
    QLabel* default_server_label_ = nullptr;
    QLineEdit* server_edit_ = nullptr;
    QRadioButton* all_jobs_option_ = nullptr;
    QRadioButton* specific_jobs_option_ = nullptr;
    QLineEdit* jobs_edit_ = nullptr;
    QPushButton* start_button_ = nullptr;
    bool closing_ = false;

    QString none_text_;  // what the default server shows when there is none
    bool looking_up_ = false;
    std::jthread lookup_;
};

}  // namespace stallscan::ui
