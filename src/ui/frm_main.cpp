#include "ui/frm_main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/catalog.h"
#include "app/globals.h"
#include "app/text_functions.h"
#include "listing/child_runner.h"
#include "model/object_attrs.h"
#include "ui/form_texts.h"
#include "ui/frm_about.h"
#include "ui/frm_diag_result.h"
#include "ui/frm_progress.h"
#include "ui/window_support.h"

namespace ui {

namespace {
std::atomic<int> gLookupTimeout{30000};
constexpr double kDefaultLeft = 200, kDefaultTop = 200;

QRadioButton* MakeOption(QWidget* parent, const char* name, const char* text, const RectTw& r) {
    auto* option = new QRadioButton(QString::fromUtf8(text), parent);
    option->setObjectName(QLatin1String(name));
    PlaceTw(option, r);
    return option;
}

QLabel* MakeSeparator(QWidget* parent, int index, int top) {
    auto* label = new QLabel(QStringLiteral(":"), parent);
    label->setObjectName(QStringLiteral("lblSeparator%1").arg(index));
    label->setAlignment(Qt::AlignCenter);
    PlaceTw(label, {1215, top, 150, 285});
    return label;
}
}  // namespace

void frmMain::SetLookupTimeout(int milliseconds) {
    gLookupTimeout = milliseconds;
}

frmMain::frmMain(std::string argText, basMain::EnvLookup env, QWidget* parent)
    : QDialog(parent), m_argText(std::move(argText)), m_env(std::move(env)) {
    setObjectName(QStringLiteral("frmMain"));
    setProperty("Tag", QStringLiteral("main"));
    setWindowTitle(Catalog(msg::AppName));
    setWindowIcon(AppIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(PxX(this, 3855), PxY(this, 2415));
    BuildControls();

    // Opening: texts, position, the state for a missing default server, then the lookup.
    LoadFormTexts(this);
    move(StoredPosition(this, "MainLeft", "MainTop", kDefaultLeft, kDefaultTop, size()));
    optServer[0]->setChecked(false);
    optServer[0]->setEnabled(false);
    optServer[1]->setEnabled(true);
    optServer[1]->setChecked(true);
    optServer_Click(1);
    cmdStartDiag->setEnabled(false);
    LookUpDefaultServer();
    RegisterWindow(this);
}

frmMain::~frmMain() {
    UnregisterWindow(this);
}

void frmMain::BuildControls() {
    frServer = new QGroupBox(QStringLiteral("Server"), this);
    frServer->setObjectName(QStringLiteral("frServer"));
    PlaceTw(frServer, {60, 30, 3735, 975});
    optServer[0] = MakeOption(frServer, "optServer0", "D&efault", {120, 270, 1095, 285});
    lblSeparator[0] = MakeSeparator(frServer, 0, 270);
    lblDefServer = new QLabel(QStringLiteral("None"), frServer);
    lblDefServer->setObjectName(QStringLiteral("lblDefServer"));
    PlaceTw(lblDefServer, {1410, 270, 2205, 285});
    optServer[1] = MakeOption(frServer, "optServer1", "&Other", {120, 615, 1095, 285});
    lblSeparator[1] = MakeSeparator(frServer, 1, 615);
    txtUsrServer = new QLineEdit(frServer);
    txtUsrServer->setObjectName(QStringLiteral("txtUsrServer"));
    txtUsrServer->setEnabled(false);
    PlaceTw(txtUsrServer, {1410, 585, 2205, 330});

    frJob = new QGroupBox(QStringLiteral("Jobs"), this);
    frJob->setObjectName(QStringLiteral("frJob"));
    PlaceTw(frJob, {60, 1050, 3735, 975});
    optJobs[0] = MakeOption(frJob, "optJobs0", "&All", {120, 270, 1095, 285});
    optJobs[0]->setChecked(true);
    optJobs[1] = MakeOption(frJob, "optJobs1", "&Specific", {120, 615, 1095, 285});
    lblSeparator[2] = MakeSeparator(frJob, 2, 615);
    txtUsrJobId = new QLineEdit(frJob);
    txtUsrJobId->setObjectName(QStringLiteral("txtUsrJobId"));
    txtUsrJobId->setEnabled(false);
    PlaceTw(txtUsrJobId, {1410, 585, 2205, 330});

    cmdAbout = new QPushButton(QStringLiteral("&Version"), this);
    cmdAbout->setObjectName(QStringLiteral("cmdAbout"));
    cmdAbout->setAutoDefault(false);
    PlaceTw(cmdAbout, {1260, 2070, 1215, 315});
    cmdStartDiag = new QPushButton(QStringLiteral("&Diag..."), this);
    cmdStartDiag->setObjectName(QStringLiteral("cmdStartDiag"));
    cmdStartDiag->setDefault(true);
    cmdStartDiag->setEnabled(false);
    PlaceTw(cmdStartDiag, {2580, 2070, 1215, 315});

    // Tab order: server frame, job frame, then the buttons.
    setTabOrder(optServer[0], optServer[1]);
    setTabOrder(optServer[1], txtUsrServer);
    setTabOrder(txtUsrServer, optJobs[0]);
    setTabOrder(optJobs[0], optJobs[1]);
    setTabOrder(optJobs[1], txtUsrJobId);
    setTabOrder(txtUsrJobId, cmdStartDiag);
    setTabOrder(cmdStartDiag, cmdAbout);

    for (int i = 0; i < 2; ++i) {
        connect(optServer[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked) {
                optServer_Click(i);
            }
        });
        connect(optJobs[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked) {
                optJobs_Click(i);
            }
        });
    }
    const auto update = [this] { cmdStartDiag->setEnabled(CanStartDiag()); };
    connect(txtUsrServer, &QLineEdit::textChanged, this, update);
    connect(txtUsrJobId, &QLineEdit::textChanged, this, update);
    connect(cmdStartDiag, &QPushButton::clicked, this, &frmMain::cmdStartDiag_Click);
    connect(cmdAbout, &QPushButton::clicked, this, &frmMain::cmdAbout_Click);
}

void frmMain::LookUpDefaultServer() {
    if (gDefaultPrinter.empty()) {
        return;
    }
    clsObjectAddr address;
    address.Init(kClassPrinter, gDefaultPrinter, "");
    clsObjectAttrs printer;
    int32_t code = -1;
    std::atomic<bool> busy{true};
    // The listing runs on a helper thread so that a listing tool that never answers can be
    // ended: after the time-out the tool is ended, the lookup fails and "None" stays.
    std::thread lookup([&] {
        code = printer.Init(address, false, "associated-server");
        busy = false;
    });
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(gLookupTimeout.load());
    while (busy && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    while (busy) {
        basPosixCtl::KillChildProcess();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    lookup.join();
    const std::string server = printer.GetSingleValue("associated-server", 0);
    if (code == 0 && !server.empty()) {
        optServer[0]->setEnabled(true);
        optServer[0]->setChecked(true);
        optServer_Click(0);
        lblDefServer->setText(Q(server));
        optServer[1]->setChecked(false);
        optServer[1]->setEnabled(true);
        cmdStartDiag->setEnabled(true);
    }
}

bool frmMain::CanStartDiag() const {
    return ui::CanStartDiag(optServer[0]->isChecked(), S(txtUsrServer->text()),
                            optJobs[0]->isChecked(), S(txtUsrJobId->text()));
}

void frmMain::optServer_Click(int index) {
    lblDefServer->setEnabled(index != 1);
    txtUsrServer->setEnabled(index == 1);
    cmdStartDiag->setEnabled(CanStartDiag());
}

void frmMain::optJobs_Click(int index) {
    txtUsrJobId->setEnabled(index == 1);
    cmdStartDiag->setEnabled(CanStartDiag());
}

std::string frmMain::Domain() const {
    return basMain::FindDomain(m_argText, m_env ? m_env("STALLSCAN") : std::string());
}

void frmMain::cmdStartDiag_Click() {
    if (!cmdStartDiag->isEnabled() || m_bClosing) {
        return;
    }
    const std::string server =
        optServer[0]->isChecked() ? S(lblDefServer->text()) : S(txtUsrServer->text());
    std::string jobs = optJobs[0]->isChecked() ? std::string() : S(txtUsrJobId->text());
    const std::string domain = Domain();
    cmdStartDiag->setEnabled(false);

    ResultCollection results;
    int32_t outcome = -1;
    {
        frmProgress progress(this);
        progress.DoDiagJobs(server, domain, jobs, results);
        outcome = progress.DiagError;
    }
    if (m_bClosing) {
        return;
    }
    if (outcome != -1 && outcome < 2000) {
        if (results.Count() > 0) {
            frmDiagResult resultWindow(this);
            resultWindow.DisplayDiagResults(results);
        }
    } else {
        ShowMessage(this, QMessageBox::Critical,
                    Q(basCommon::SubstituteArgs(
                        basCommon::GetCatalogString(msg::UnableToAccessServer), {server})));
    }
    if (!m_bClosing) {
        cmdStartDiag->setEnabled(true);
    }
}

void frmMain::cmdAbout_Click() {
    frmAbout about(this);
    about.exec();
}

void frmMain::closeEvent(QCloseEvent* event) {
    m_bClosing = true;
    // Message boxes and dialogs that are no windows of ours close first, then our windows from
    // the most recently opened one down to the second.
    for (int guard = 0; guard < 16; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        const auto ours = OpenWindows();
        if (modal == nullptr || modal == this ||
            std::find(ours.begin(), ours.end(), modal) != ours.end()) {
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
        WriteSetting("MainLeft", TwX(this, outer.left()));
        WriteSetting("MainTop", TwY(this, outer.top()));
    }
    event->accept();
    QCoreApplication::quit();
}

}  // namespace ui
