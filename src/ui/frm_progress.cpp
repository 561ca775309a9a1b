#include "ui/frm_progress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <chrono>

#include "app/catalog.h"
#include "app/text_functions.h"
#include "diag/diagnose_job.h"
#include "listing/child_runner.h"
#include "ui/window_support.h"

namespace ui {

namespace {
std::atomic<int> gTimeoutInterval{30000};
}  // namespace

void frmProgress::SetTimeoutInterval(int milliseconds) {
    gTimeoutInterval = milliseconds;
}
int frmProgress::TimeoutInterval() {
    return gTimeoutInterval;
}

frmProgress::frmProgress(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(Catalog(msg::AppName));
    setWindowIcon(AppIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(PxX(this, 4680), PxY(this, 1335));

    lblProgress = new QLabel(QStringLiteral("Now retrieving diagnostic information ..."), this);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    PlaceTw(lblProgress, {120, 120, 4440, 255});

    prbProgress = new QProgressBar(this);
    prbProgress->setObjectName(QStringLiteral("prbProgress"));
    prbProgress->setRange(0, 0);
    prbProgress->setTextVisible(false);
    PlaceTw(prbProgress, {120, 435, 4440, 285});

    cmdStop = new QPushButton(QStringLiteral("&Stop"), this);
    cmdStop->setObjectName(QStringLiteral("cmdStop"));
    cmdStop->setAutoDefault(false);
    PlaceTw(cmdStop, {3345, 900, 1215, 315});
    connect(cmdStop, &QPushButton::clicked, this, &frmProgress::cmdStop_Click);

    timDoDiag = new QTimer(this);
    timDoDiag->setObjectName(QStringLiteral("timDoDiag"));
    timDoDiag->setSingleShot(true);
    timDoDiag->setTimerType(Qt::PreciseTimer);
    connect(timDoDiag, &QTimer::timeout, this, &frmProgress::timDoDiag_Timer);
    timTimeout = new QTimer(this);
    timTimeout->setObjectName(QStringLiteral("timTimeout"));
    timTimeout->setSingleShot(true);
    connect(timTimeout, &QTimer::timeout, this, &frmProgress::timTimeout_Timer);

    DiagError = -1;
    prbProgress->setValue(prbProgress->minimum());
    RegisterWindow(this);
}

frmProgress::~frmProgress() {
    StopWorker();
    UnregisterWindow(this);
}

void frmProgress::DoDiagJobs(const std::string& in_server, const std::string& in_domain,
                             std::string& inout_jobs, ResultCollection& out_results) {
    m_sServer = TrimBlanks(in_server);
    m_sDomain = TrimBlanks(in_domain);
    m_colResults = &out_results;
    m_pJobs = &inout_jobs;
    m_bEnded = false;
    DiagError = -1;
    if (inout_jobs.empty()) {
        // List the server's waiting jobs on the worker, with the window already showing.
        m_sCurServer = m_sServer;
        StartWorker([this] { m_jobListCode = m_jobList.Init(m_sServer, m_sDomain); },
                    &frmProgress::OnJobListed);
        timTimeout->start(TimeoutInterval());
    } else {
        m_lstJobs.Init(TrimBlanks(inout_jobs), " ");
        if (m_lstJobs.Count() == 0) {
            DiagError = 0;
            return;
        }
        BeginJobs();
    }
    exec();
}

void frmProgress::BeginJobs() {
    DiagError = -1;
    prbProgress->setRange(0, m_lstJobs.Count());
    prbProgress->setValue(0);
    m_nJob = 1;
    timDoDiag->start(kJobInterval);
}

void frmProgress::OnJobListed() {
    timTimeout->stop();
    if (m_bAsking) {
        m_bFinishPending = true;
        return;
    }
    if (DiagError != -1) {
        return;
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
    if (m_jobListCode >= 2000) {
        DiagError = m_jobListCode;
        EndRun();
        return;
    }
    if (m_jobListCode == 0 && m_jobList.Count() > 0) {
        *m_pJobs = m_jobList.GetJobIdString();
        m_lstJobs = m_jobList.GetJobIdList();
        BeginJobs();
        return;
    }
    ShowMessage(this, QMessageBox::Information, Catalog(msg::NoJobsToDiagnose));
    DiagError = 0;
    EndRun();
}

void frmProgress::timDoDiag_Timer() {
    timDoDiag->stop();
    if (DiagError != -1) {
        return;
    }
    if (m_nJob > m_lstJobs.Count()) {
        DiagError = 0;
        EndRun();
        return;
    }
    std::tie(m_sCurServer, m_sCurJob) = SplitJobItem(m_lstJobs.Item(m_nJob), m_sServer);
    m_curResult = std::make_shared<clsDiagResult>();
    timTimeout->stop();
    StartWorker([this, server = m_sCurServer, domain = m_sDomain, job = m_sCurJob,
                 result = m_curResult] { basDiagJobs::DiagnoseJob(server, domain, job, *result); },
                &frmProgress::OnJobDiagnosed);
    timTimeout->start(TimeoutInterval());
}

void frmProgress::OnJobDiagnosed() {
    timTimeout->stop();
    if (m_bAsking) {
        m_bFinishPending = true;  // handled once the question has been answered
        return;
    }
    if (DiagError != -1) {
        return;  // the run was ended while the job ran; its result is incomplete
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_colResults->Add(m_sCurServer + ":" + m_sCurJob, std::move(m_curResult));
    m_curResult.reset();
    prbProgress->setValue(m_nJob);
    ++m_nJob;
    if (m_nJob > m_lstJobs.Count()) {
        DiagError = 0;
        EndRun();
    } else {
        timDoDiag->start(kJobInterval);
    }
}

void frmProgress::timTimeout_Timer() {
    timTimeout->stop();
    timDoDiag->stop();
    if (DiagError != -1 || !m_workerBusy) {
        return;
    }
    m_bAsking = true;
    const QString question = Q(basCommon::SubstituteArgs(
        basCommon::GetCatalogString(msg::ServerNotResponding), {m_sCurServer}));
    const auto answer = ShowMessage(this, QMessageBox::Critical, question,
                                    QMessageBox::Retry | QMessageBox::Cancel);
    m_bAsking = false;
    if (DiagError != -1) {
        return;  // the window was closed while the question was open
    }
    if (answer != QMessageBox::Retry) {
        DiagError = basPosixCtl::kServerNotResponding;
        basPosixCtl::KillChildProcess();
        EndRun();
        return;
    }
    if (m_bFinishPending) {
        m_bFinishPending = false;
        (this->*m_onWorkerDone)();
    } else {
        timTimeout->start(TimeoutInterval());
    }
}

void frmProgress::cmdStop_Click() {
    // While the run is in progress (DiagError -1) jobs remain; after the last one, nothing.
    if (DiagError == -1) {
        DiagError = basPosixCtl::kStoppedByUser;
        EndRun();
    }
}

void frmProgress::reject() {
    if (DiagError == -1) {
        DiagError = basPosixCtl::kStoppedByUser;
    }
    EndRun();
}

void frmProgress::StartWorker(std::function<void()> work, void (frmProgress::*onDone)()) {
    StopWorker();
    m_onWorkerDone = onDone;
    m_workerBusy = true;
    m_worker = std::thread([this, work = std::move(work)] {
        work();
        m_workerBusy = false;
        QMetaObject::invokeMethod(this, &frmProgress::WorkerFinished, Qt::QueuedConnection);
    });
}

void frmProgress::WorkerFinished() {
    if (m_onWorkerDone != nullptr && !m_bEnded) {
        (this->*m_onWorkerDone)();
    }
}

void frmProgress::StopWorker() {
    if (!m_worker.joinable()) {
        return;
    }
    while (m_workerBusy) {
        basPosixCtl::KillChildProcess();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_worker.join();
}

void frmProgress::EndRun() {
    timDoDiag->stop();
    timTimeout->stop();
    StopWorker();
    m_bEnded = true;
    done(QDialog::Accepted);
}

}  // namespace ui
