#pragma once
// The progress window: drives one run. Run shows it modally and returns the outcome once it has
// closed.
//
// The run plan holds either the typed jobs or, when none are typed, every waiting job of the
// server, listed first with the window already showing. Jobs are diagnosed one at a time,
// kJobInterval apart, each on a worker thread so that the window repaints and reacts to Stop while
// the print system is asked; the worker's end reaches the window as a queued call on its own
// thread. When the job list or a job is not done after the server time-out, the window asks
// whether to go on waiting (Retry waits as long again, Cancel gives up). Every way of ending the
// run (Stop, closing the window, Cancel) requests stop on the run's stop source, which ends the
// running listing at once, and joins the worker: the worker never outlives the window, and a job
// cut short leaves no result.

#include <QDialog>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "diag/diagnosis.h"
#include "listing/source.h"
#include "run/result_collection.h"
#include "run/run_plan.h"
#include "ui/window_support.h"

class QProgressBar;
class QTimer;

namespace stallscan::ui {

class ProgressWindow : public QDialog {
    Q_OBJECT
  public:
    enum class Outcome {
        kRunning,        // the run goes on
        kDone,           // every job diagnosed, or nothing to diagnose
        kStopped,        // Stop or closing the window ended the run
        kGaveUp,         // the user gave up waiting for a server that did not answer
        kJobListFailed,  // the server's waiting jobs could not be listed
    };
    static constexpr std::chrono::milliseconds kJobInterval{250};

    // `server_timeout`: how long the job list or one job may take before the question.
    explicit ProgressWindow(listing::ListingSource& source,
                            std::chrono::milliseconds server_timeout = kServerTimeout,
                            QWidget* parent = nullptr);
    ~ProgressWindow() override;

    // Runs the blank-separated jobs of `jobs` ("job" of `server`, or "server:job"), or, when
    // `jobs` is empty, every waiting job of `server`. Each result goes to `results` (which must
    // outlive the window) under its key; a job whose key an earlier job has is diagnosed, its
    // result dropped. Typed text without any job (blanks only) ends the run at once, without
    // showing the window. One run per window.
    Outcome Run(const std::string& server, const std::string& domain, const std::string& jobs,
                run::ResultCollection& results);

  public slots:
    // Stop, Escape and the close box end the run as stopped.
    void reject() override;

  private:
    void OnJobsListed();
    void BeginJobs(std::vector<run::RunItem> items);
    void DiagnoseNextJob();
    void OnJobDiagnosed();
    void AskWhetherToWait();
    // Runs `work` on the worker thread; `after` is called on this window's thread once it is
    // done, unless the run has ended by then.
    // `work` gets the worker's stop token, which the end of the run requests.
    void StartWorker(std::function<void(std::stop_token)> work, void (ProgressWindow::*after)());
    void WorkerFinished();
    void JoinWorker();
    // Sets the outcome (unless one is set), stops the timers and the worker, closes the window.
    void EndRun(Outcome outcome);

    listing::ListingSource* source_;
    std::chrono::milliseconds server_timeout_;
    QProgressBar* progress_bar_ = nullptr;
    QTimer* next_job_timer_ = nullptr;
    QTimer* answer_timer_ = nullptr;

    Outcome outcome_ = Outcome::kRunning;
    std::string domain_;
    run::RunPlan plan_;  // written by the job-list worker
    std::vector<run::RunItem> items_;
    size_t next_ = 0;                                   // the item being diagnosed, or the next one
    std::string waiting_for_;                           // the server the running worker asks
    std::shared_ptr<const diag::Diagnosis> diagnosis_;  // written by the job's worker
    run::ResultCollection* results_ = nullptr;

    std::jthread worker_;
    std::atomic<bool> worker_busy_{false};
    void (ProgressWindow::*after_worker_)() = nullptr;
    bool asking_ = false;
    bool finish_pending_ = false;
};

}  // namespace stallscan::ui
