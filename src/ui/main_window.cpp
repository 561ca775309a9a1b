#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "listing/lister.h"
#include "run/result_collection.h"
#include "run/run_plan.h"
#include "text/text_functions.h"
#include "ui/about_box.h"
#include "ui/form_texts.h"
#include "ui/progress_window.h"
#include "ui/result_window.h"

namespace stallscan::ui {

namespace {

constexpr double kDefaultLeft = 200, kDefaultTop = 200;

QRadioButton* MakeOption(QWidget* parent, const char* name, const char* text,
                         const TwipsRect& rect) {
    auto* option = new QRadioButton(QString::fromUtf8(text), parent);
    option->setObjectName(QLatin1String(name));
    PlaceInTwips(option, rect);
    return option;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setEnabled(false);
    PlaceInTwips(edit, {1410, 585, 2205, 330});
    return edit;
}

void MakeSeparator(QWidget* parent, int index, int top) {
    auto* label = new QLabel(QStringLiteral(":"), parent);
    label->setObjectName(QStringLiteral("lblSeparator%1").arg(index));
    label->setAlignment(Qt::AlignCenter);
    PlaceInTwips(label, {1215, top, 150, 285});
}

}  // namespace

MainWindow::MainWindow(listing::ListingSource& source, const run::StartupValues& values,
                       std::chrono::milliseconds server_timeout, QWidget* parent)
    : QDialog(parent), source_(&source), domain_(values.domain), server_timeout_(server_timeout) {
    setObjectName(QStringLiteral("frmMain"));
    setProperty("Tag", QStringLiteral("main"));
    setWindowTitle(CatalogText(text::Msg::kAppName));
    setWindowIcon(AppIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(PixelsX(this, 3855), PixelsY(this, 2415));
    BuildControls();

    // Opening: texts, position, the state for a missing default server, then the lookup.
    LoadFormTexts(this);
    move(StoredPlacement(this, "MainLeft", "MainTop", kDefaultLeft, kDefaultTop, size(), size())
             .topLeft());
    default_server_option_->setEnabled(false);
    other_server_option_->setChecked(true);
    LookUpDefaultServer(values.default_printer);
    RegisterWindow(this);
}

MainWindow::~MainWindow() {
    EndLookup();
    UnregisterWindow(this);
}

void MainWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    WhenFramed(this, [this](QSize) { KeepOnScreen(this); });
}

void MainWindow::BuildControls() {
    auto* server_frame = new QGroupBox(QStringLiteral("Server"), this);
    server_frame->setObjectName(QStringLiteral("frServer"));
    PlaceInTwips(server_frame, {60, 30, 3735, 975});
    default_server_option_ =
        MakeOption(server_frame, "optServer0", "D&efault", {120, 270, 1095, 285});
    MakeSeparator(server_frame, 0, 270);
    default_server_label_ = new QLabel(QStringLiteral("None"), server_frame);
    default_server_label_->setObjectName(QStringLiteral("lblDefServer"));
    PlaceInTwips(default_server_label_, {1410, 270, 2205, 285});
    other_server_option_ = MakeOption(server_frame, "optServer1", "&Other", {120, 615, 1095, 285});
    MakeSeparator(server_frame, 1, 615);
    server_edit_ = MakeEdit(server_frame, "txtUsrServer");

    auto* job_frame = new QGroupBox(QStringLiteral("Jobs"), this);
    job_frame->setObjectName(QStringLiteral("frJob"));
    PlaceInTwips(job_frame, {60, 1050, 3735, 975});
    all_jobs_option_ = MakeOption(job_frame, "optJobs0", "&All", {120, 270, 1095, 285});
    all_jobs_option_->setChecked(true);
    specific_jobs_option_ = MakeOption(job_frame, "optJobs1", "&Specific", {120, 615, 1095, 285});
    MakeSeparator(job_frame, 2, 615);
    jobs_edit_ = MakeEdit(job_frame, "txtUsrJobId");

    auto* about_button = new QPushButton(QStringLiteral("&Version"), this);
    about_button->setObjectName(QStringLiteral("cmdAbout"));
    about_button->setAutoDefault(false);
    PlaceInTwips(about_button, {1260, 2070, 1215, 315});
    start_button_ = new QPushButton(QStringLiteral("&Diag..."), this);
    start_button_->setObjectName(QStringLiteral("cmdStartDiag"));
    start_button_->setDefault(true);
    start_button_->setEnabled(false);
    PlaceInTwips(start_button_, {2580, 2070, 1215, 315});

    // Tab order: server frame, job frame, then the buttons.
    setTabOrder(default_server_option_, other_server_option_);
    setTabOrder(other_server_option_, server_edit_);
    setTabOrder(server_edit_, all_jobs_option_);
    setTabOrder(all_jobs_option_, specific_jobs_option_);
    setTabOrder(specific_jobs_option_, jobs_edit_);
    setTabOrder(jobs_edit_, start_button_);
    setTabOrder(start_button_, about_button);

    for (QRadioButton* option :
         {default_server_option_, other_server_option_, all_jobs_option_, specific_jobs_option_}) {
        connect(option, &QRadioButton::toggled, this, &MainWindow::UpdateControls);
    }
    connect(server_edit_, &QLineEdit::textChanged, this, &MainWindow::UpdateControls);
    connect(jobs_edit_, &QLineEdit::textChanged, this, &MainWindow::UpdateControls);
    connect(start_button_, &QPushButton::clicked, this, &MainWindow::StartRun);
    connect(about_button, &QPushButton::clicked, this, &MainWindow::ShowAbout);
}

void MainWindow::LookUpDefaultServer(const std::string& default_printer) {
    none_text_ = default_server_label_->text();
    // A CUPS server, the one server there is, or no default printer ("None"): known at once.
    if (const auto known = run::KnownDefaultServer(source_->OnlyServer(), default_printer)) {
        DefaultServerFound(*known);
        return;
    }
    looking_up_ = true;
    default_server_label_->clear();
    setCursor(Qt::BusyCursor);
    UpdateControls();
    lookup_ = std::jthread([this, default_printer](std::stop_token stop) {
        listing::Lister lister(*source_, {stop, server_timeout_});
        std::string server = run::DefaultServer(lister, default_printer);
        QMetaObject::invokeMethod(
            this, [this, server = std::move(server)] { DefaultServerFound(server); },
            Qt::QueuedConnection);
    });
}

void MainWindow::DefaultServerFound(const std::string& server) {
    EndLookup();
    if (closing_) {
        return;
    }
    unsetCursor();
    // No default printer, or it could not be listed in time: "None".
    default_server_label_->setText(server.empty() ? none_text_ : ToQString(server));
    if (!server.empty()) {
        default_server_option_->setEnabled(true);
        default_server_option_->setChecked(true);
    }
    UpdateControls();
}

void MainWindow::EndLookup() {
    lookup_ = {};  // std::jthread: a stop request, then the join
    looking_up_ = false;
}

void MainWindow::UpdateControls() {
    const bool other_server = other_server_option_->isChecked();
    default_server_label_->setEnabled(!other_server);
    server_edit_->setEnabled(other_server);
    jobs_edit_->setEnabled(specific_jobs_option_->isChecked());
    start_button_->setEnabled(!looking_up_ && CanStartRun(default_server_option_->isChecked(),
                                                          ToStdString(server_edit_->text()),
                                                          all_jobs_option_->isChecked(),
                                                          ToStdString(jobs_edit_->text())));
}

void MainWindow::StartRun() {
    if (!start_button_->isEnabled() || closing_) {
        return;
    }
    const std::string server = ToStdString(
        default_server_option_->isChecked() ? default_server_label_->text() : server_edit_->text());
    const std::string jobs =
        all_jobs_option_->isChecked() ? std::string() : ToStdString(jobs_edit_->text());
    start_button_->setEnabled(false);

    run::ResultCollection results;
    ProgressWindow::Outcome outcome;
    {
        ProgressWindow progress(*source_, server_timeout_, this);
        outcome = progress.Run(server, domain_, jobs, results);
    }
    if (closing_) {
        return;
    }
    if (outcome == ProgressWindow::Outcome::kDone || outcome == ProgressWindow::Outcome::kStopped) {
        if (results.Count() > 0) {
            ResultWindow result_window(this);
            result_window.ShowResults(results);
        }
    } else {
        ShowMessage(this, QMessageBox::Critical,
                    ToQString(text::SubstituteArgs(text::Catalog(text::Msg::kUnableToAccessServer),
                                                   {server})));
    }
    if (!closing_) {
        start_button_->setEnabled(true);
    }
}

void MainWindow::ShowAbout() {
    AboutBox about(this);
    about.exec();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    closing_ = true;
    EndLookup();  // a lookup still running is stopped at once
    // Message boxes and dialogs that are no windows of ours close first, then our windows from
    // the most recently opened one down to the second.
    for (int guard = 0; guard < 16; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        const auto ours = OpenWindows();
        if (modal == nullptr || modal == this || std::ranges::find(ours, modal) != ours.end()) {
            break;
        }
        modal->close();
    }
    const auto windows = OpenWindows();
    for (size_t i = windows.size(); i-- > 1;) {
        if (windows[i] != this) {
            windows[i]->close();
        }
    }
    if (!isMinimized()) {
        const QRect outer = frameGeometry();
        WriteSetting("MainLeft", TwipsX(this, outer.left()));
        WriteSetting("MainTop", TwipsY(this, outer.top()));
    }
    event->accept();
    QCoreApplication::quit();
}

}  // namespace stallscan::ui
