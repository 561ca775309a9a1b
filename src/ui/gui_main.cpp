#include "ui/gui_main.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <iostream>

#include "app/startup.h"
#include "platform/platform.h"
#include "ui/frm_main.h"
#include "ui/window_support.h"

namespace ui {

namespace {

constexpr int kNoDisplayStatus = 2;
constexpr int kInstallationStatus = 3;
bool gStartingToolkit = false;

void ReportNoDisplay(const std::string& detail) {
    std::cerr << "stallscan: no display available to open the windows";
    if (!detail.empty()) {
        std::cerr << " (" << detail << ")";
    }
    std::cerr << "; give job arguments to use the command-line mode.\n";
}

// While the toolkit starts, a fatal toolkit message (no display could be opened) ends the
// program with status 2 instead of aborting.
void ToolkitMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg && gStartingToolkit) {
        ReportNoDisplay(text.section(QLatin1Char('\n'), 0, 0).toStdString());
        std::_Exit(kNoDisplayStatus);
    }
    if (type != QtDebugMsg) {
        std::cerr << text.toStdString() << '\n';
    }
}

// False when nothing suggests that a display can be opened.
bool DisplayConfigured(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "-platform") {
            return true;
        }
    }
    if (!platform::GetEnv("QT_QPA_PLATFORM").empty()) {
        return true;
    }
#if defined(__linux__) || defined(__FreeBSD__)
    return !platform::GetEnv("DISPLAY").empty() || !platform::GetEnv("WAYLAND_DISPLAY").empty();
#else
    return true;
#endif
}

}  // namespace

int RunWindows(int argc, char** argv, const std::string& argText) {
    if (!DisplayConfigured(argc, argv)) {
        ReportNoDisplay("neither DISPLAY nor WAYLAND_DISPLAY is set");
        return kNoDisplayStatus;
    }
    qInstallMessageHandler(ToolkitMessages);
    gStartingToolkit = true;
    QApplication app(argc, argv);
    gStartingToolkit = false;
    QApplication::setOrganizationName(QStringLiteral("stallscan"));
    QApplication::setApplicationName(QStringLiteral("stallscan"));
    QApplication::setWindowIcon(AppIcon());

    const basMain::StartupOutcome startup =
        basMain::CheckStartup(argText, basMain::SystemEnvironment(), basMain::SystemFileLength());
    if (startup.messageId != 0) {
        ShowMessage(nullptr, QMessageBox::Critical, Q(startup.message));
        return kInstallationStatus;
    }
    basMain::ApplyStartup(startup.values);

    frmMain mainWindow(argText, basMain::SystemEnvironment());
    mainWindow.show();
    return QApplication::exec();
}

}  // namespace ui
