#include "ui/progress_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "diag/diagnose.h"
#include "listing/lister.h"
#include "model/string_list.h"
#include "text/text_functions.h"

namespace stallscan::ui {

using text::Msg;

ProgressWindow::ProgressWindow(listing::ListingSource& source,
                               std::chrono::milliseconds server_timeout, QWidget* parent)
    : QDialog(parent), source_(&source), server_timeout_(server_timeout) {
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(CatalogText(Msg::kAppName));
    setWindowIcon(AppIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(PixelsX(this, 4680), PixelsY(this, 1335));

    auto* label = new QLabel(QStringLiteral("Now retrieving diagnostic information ..."), this);
    label->setObjectName(QStringLiteral("lblProgress"));
    PlaceInTwips(label, {120, 120, 4440, 255});

    progress_bar_ = new QProgressBar(this);
    progress_bar_->setObjectName(QStringLiteral("prbProgress"));
    progress_bar_->setRange(0, 0);  // busy until the jobs are known
    progress_bar_->setTextVisible(false);
    progress_bar_->setValue(progress_bar_->minimum());
    PlaceInTwips(progress_bar_, {120, 435, 4440, 285});

    auto* stop_button = new QPushButton(QStringLiteral("&Stop"), this);
    stop_button->setObjectName(QStringLiteral("cmdStop"));
    stop_button->setAutoDefault(false);
    PlaceInTwips(stop_button, {3345, 900, 1215, 315});
    connect(stop_button, &QPushButton::clicked, this, &ProgressWindow::reject);

    next_job_timer_ = new QTimer(this);
    next_job_timer_->setObjectName(QStringLiteral("timDoDiag"));
    next_job_timer_->setSingleShot(true);
    next_job_timer_->setTimerType(Qt::PreciseTimer);
    connect(next_job_timer_, &QTimer::timeout, this, &ProgressWindow::DiagnoseNextJob);
    answer_timer_ = new QTimer(this);
    answer_timer_->setObjectName(QStringLiteral("timTimeout"));
    answer_timer_->setSingleShot(true);
    connect(answer_timer_, &QTimer::timeout, this, &ProgressWindow::AskWhetherToWait);
    RegisterWindow(this);
}

ProgressWindow::~ProgressWindow() {
    JoinWorker();
    UnregisterWindow(this);
}

ProgressWindow::Outcome ProgressWindow::Run(const std::string& server, const std::string& domain,
                                            const std::string& jobs,
                                            run::ResultCollection& results) {
    results_ = &results;
    const std::string trimmed_server(text::TrimSpaces(server));
    domain_ = text::TrimSpaces(domain);
    run::PlanRequest request{
        {}, jobs.empty(), domain_, [trimmed_server] { return trimmed_server; }};
    if (jobs.empty()) {
        // The server's job list, on the worker, with the window already showing.
        request.specs = {trimmed_server + ":"};
        waiting_for_ = trimmed_server;
        StartWorker(
            [this, request](std::stop_token stop) {
                listing::Lister lister(*source_, {std::move(stop)});
                plan_ = run::MakeRunPlan(lister, request);
            },
            &ProgressWindow::OnJobsListed);
    } else {
        model::StringList typed_jobs;
        typed_jobs.Assign(text::TrimSpaces(jobs), " ");
        for (int32_t i = 1; i <= typed_jobs.Count(); ++i) {
            request.specs.push_back(typed_jobs.Item(i));
        }
        listing::Lister lister(*source_);  // typed jobs need no listing
        run::RunPlan plan = run::MakeRunPlan(lister, request);
        if (plan.items.empty()) {
            outcome_ = Outcome::kDone;
            return outcome_;
        }
        BeginJobs(std::move(plan.items));
    }
    exec();
    return outcome_;
}

void ProgressWindow::OnJobsListed() {
    if (!plan_.empty_servers.empty() && listing::IsAccessFailure(plan_.empty_servers[0].status)) {
        EndRun(Outcome::kJobListFailed);
    } else if (plan_.items.empty()) {
        ShowMessage(this, QMessageBox::Information, CatalogText(Msg::kNoJobsToDiagnose));
        EndRun(Outcome::kDone);
    } else {
        BeginJobs(std::move(plan_.items));
    }
}

void ProgressWindow::BeginJobs(std::vector<run::RunItem> items) {
    items_ = std::move(items);
    next_ = 0;
    progress_bar_->setRange(0, static_cast<int>(items_.size()));
    progress_bar_->setValue(0);
    next_job_timer_->start(kJobInterval);
}

void ProgressWindow::DiagnoseNextJob() {
    if (outcome_ != Outcome::kRunning) {
        return;
    }
    const run::RunItem& item = items_[next_];
    waiting_for_ = item.server;
    StartWorker(
        [this, item, domain = domain_](std::stop_token stop) {
            listing::Lister lister(*source_, {std::move(stop)});
            diagnosis_ = std::make_shared<const diag::Diagnosis>(
                diag::DiagnoseJob(lister, item.server, domain, item.job));
        },
        &ProgressWindow::OnJobDiagnosed);
}

void ProgressWindow::OnJobDiagnosed() {
    const run::RunItem& item = items_[next_];
    if (!item.repeated_key) {
        results_->Add(item.server, item.job, std::move(diagnosis_));
    }
    diagnosis_.reset();
    ++next_;
    progress_bar_->setValue(static_cast<int>(next_));
    if (next_ == items_.size()) {
        EndRun(Outcome::kDone);
    } else {
        next_job_timer_->start(kJobInterval);
    }
}

void ProgressWindow::AskWhetherToWait() {
    if (outcome_ != Outcome::kRunning || !worker_busy_) {
        return;  // the worker is done; its end is on its way
    }
    asking_ = true;
    const QString question =
        ToQString(text::SubstituteArgs(text::Catalog(Msg::kServerNotResponding), {waiting_for_}));
    const auto answer = ShowMessage(this, QMessageBox::Critical, question,
                                    QMessageBox::Retry | QMessageBox::Cancel);
    asking_ = false;
    if (outcome_ != Outcome::kRunning) {
        return;  // the window was closed while the question was open
    }
    if (answer != QMessageBox::Retry) {
        EndRun(Outcome::kGaveUp);
    } else if (finish_pending_) {
        finish_pending_ = false;
        WorkerFinished();
    } else {
        answer_timer_->start(server_timeout_);
    }
}

void ProgressWindow::reject() {
    EndRun(Outcome::kStopped);
}

void ProgressWindow::StartWorker(std::function<void(std::stop_token)> work,
                                 void (ProgressWindow::*after)()) {
    JoinWorker();
    after_worker_ = after;
    worker_busy_ = true;
    worker_ = std::jthread([this, work = std::move(work)](std::stop_token stop) {
        work(std::move(stop));
        worker_busy_ = false;
        QMetaObject::invokeMethod(this, &ProgressWindow::WorkerFinished, Qt::QueuedConnection);
    });
    answer_timer_->start(server_timeout_);
}

void ProgressWindow::WorkerFinished() {
    if (outcome_ != Outcome::kRunning) {
        return;  // the run ended while the worker ran; what it found is incomplete
    }
    answer_timer_->stop();
    if (asking_) {
        finish_pending_ = true;  // handled once the question has been answered
        return;
    }
    JoinWorker();
    (this->*after_worker_)();
}

void ProgressWindow::JoinWorker() {
    worker_ = {};  // std::jthread: a stop request (none when it has finished), then the join
}

void ProgressWindow::EndRun(Outcome outcome) {
    if (outcome_ == Outcome::kRunning) {
        outcome_ = outcome;
    }
    next_job_timer_->stop();
    answer_timer_->stop();
    JoinWorker();
    done(QDialog::Accepted);
}

}  // namespace stallscan::ui
