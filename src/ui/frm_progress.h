#pragma once
// The progress window: drives one diagnosis run. DoDiagJobs shows it modally and returns when it
// has closed; the outcome is then in DiagError:
//   -1 a run is in progress; 0 all jobs done or nothing to do; 902 stopped by the user (Stop or
//   closing the window); 2005 the user gave up waiting for a server that did not respond;
//   2000 or above otherwise: the code of a failed job-list query.
//
// Jobs are diagnosed one at a time, 250 ms apart, each on one worker thread so that the window
// repaints and reacts to Stop while the listing tool runs; the results reach the window through
// queued calls on its own thread. A job whose diagnosis has not finished after TimeoutInterval()
// asks question 500 (Retry waits as long again, Cancel gives up with 2005 and ends the listing
// tool). The worker thread never outlives the window: every way of closing it ends the running
// listing tool and joins the thread; a job cut short that way leaves no result.

#include <QDialog>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "diag/diag_result.h"
#include "model/job_list.h"
#include "model/string_list.h"
#include "ui/result_collection.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace ui {

class frmProgress : public QDialog {
    Q_OBJECT
  public:
    explicit frmProgress(QWidget* parent = nullptr);
    ~frmProgress() override;

    // Runs the jobs of `inout_jobs` (blank-separated; "job" or "server:job"), or, when it is
    // empty, every waiting job of `in_server` (then `inout_jobs` receives their identifiers).
    // Each result is added to `out_results` under "server:job"; a key already there is dropped.
    void DoDiagJobs(const std::string& in_server, const std::string& in_domain,
                    std::string& inout_jobs, ResultCollection& out_results);

    int32_t DiagError = -1;

    // Stop: ends the run with 902 while jobs remain; nothing after the last job.
    void cmdStop_Click();

    // How long one job may take before question 500 is asked (default 30 000 ms).
    static void SetTimeoutInterval(int milliseconds);
    static int TimeoutInterval();
    static constexpr int kJobInterval = 250;

    int32_t JobCount() const { return m_lstJobs.Count(); }

    QLabel* lblProgress = nullptr;
    QProgressBar* prbProgress = nullptr;
    QPushButton* cmdStop = nullptr;
    QTimer* timDoDiag = nullptr;
    QTimer* timTimeout = nullptr;

  public slots:
    // Closing by any means but the end of the run counts as stopping (902).
    void reject() override;

  private:
    void timDoDiag_Timer();
    void timTimeout_Timer();
    void OnJobListed();
    void OnJobDiagnosed();
    void BeginJobs();
    // Runs `work` on the worker thread; `onDone` is called on this window's thread afterwards.
    void StartWorker(std::function<void()> work, void (frmProgress::*onDone)());
    void WorkerFinished();
    // Ends the running listing tool until the worker returns, then joins it.
    void StopWorker();
    // Stops both timers and the worker and closes the window; DiagError stays as set.
    void EndRun();

    std::string m_sServer;
    std::string m_sDomain;
    clsStringList m_lstJobs;
    int32_t m_nJob = 1;
    std::string m_sCurServer;
    std::string m_sCurJob;
    ResultCollection* m_colResults = nullptr;
    std::string* m_pJobs = nullptr;

    std::thread m_worker;
    std::atomic<bool> m_workerBusy{false};
    void (frmProgress::*m_onWorkerDone)() = nullptr;
    clsJobList m_jobList;
    int32_t m_jobListCode = 0;
    std::shared_ptr<clsDiagResult> m_curResult;
    bool m_bAsking = false;
    bool m_bFinishPending = false;
    bool m_bEnded = false;
};

}  // namespace ui
