#include "ui/gui_main.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <iostream>
#include <mutex>

#include "platform/platform.h"
#include "platform/process_control.h"
#include "ui/main_window.h"
#include "ui/window_support.h"

namespace stallscan::ui {

namespace {

constexpr int kNoDisplayStatus = 2;
constexpr int kInstallationStatus = 3;

void ReportNoDisplay(const std::string& detail) {
    std::cerr << "stallscan: no display available to open the windows";
    if (!detail.empty()) {
        std::cerr << " (" << detail << ")";
    }
    std::cerr << "; give job arguments to use the command-line mode.\n";
}

// The toolkit's messages while the windows run: all but debug output to standard error.
void ToolkitMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg) {
        std::cerr << text.toStdString() << '\n';
    }
}

// While the toolkit starts, a fatal message (no display could be opened) ends the program with
// status 2 instead of aborting.
void StartupToolkitMessages(QtMsgType type, const QMessageLogContext& context,
                            const QString& text) {
    if (type == QtFatalMsg) {
        ReportNoDisplay(text.section(QLatin1Char('\n'), 0, 0).toStdString());
        std::_Exit(kNoDisplayStatus);
    }
    ToolkitMessages(type, context, text);
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

int RunWindows(int argc, char** argv, const std::string& startup_failure_message,
               const run::StartupValues& values) {
    if (!DisplayConfigured(argc, argv)) {
        ReportNoDisplay("neither DISPLAY nor WAYLAND_DISPLAY is set");
        return kNoDisplayStatus;
    }
    // A request to end the program (SIGTERM, Ctrl+C in its terminal) closes the windows as the
    // user would: the listings in flight are stopped and no listing tool outlives the windows.
    // The watch comes before the toolkit's threads, so that none of them takes the signal.
    std::mutex closing_mutex;
    QObject* application = nullptr;  // while the application exists
    int ending_signal = 0;
    const platform::TerminationWatch watch([&](int signal) {
        std::lock_guard lock(closing_mutex);
        ending_signal = signal;
        if (application != nullptr) {
            QMetaObject::invokeMethod(
                application, [] { QApplication::closeAllWindows(); }, Qt::QueuedConnection);
        }
    });
    qInstallMessageHandler(StartupToolkitMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(ToolkitMessages);
    const auto ending = [&](int status) {
        std::lock_guard lock(closing_mutex);
        application = nullptr;
        return ending_signal != 0 ? 128 + ending_signal : status;
    };
    {
        std::lock_guard lock(closing_mutex);
        if (ending_signal != 0) {
            return ending(0);
        }
        application = &app;
    }
    QApplication::setOrganizationName(QStringLiteral("stallscan"));
    QApplication::setApplicationName(QStringLiteral("stallscan"));
    QApplication::setWindowIcon(AppIcon());

    if (!startup_failure_message.empty()) {
        ShowMessage(nullptr, QMessageBox::Critical, ToQString(startup_failure_message));
        return ending(kInstallationStatus);
    }
    std::string source_error;
    const auto source = run::MakeSource(values, &source_error);
    if (source == nullptr) {
        ShowMessage(nullptr, QMessageBox::Critical, ToQString("--cups: " + source_error));
        return ending(kInstallationStatus);
    }
    MainWindow main_window(*source, values);
    main_window.show();
    {
        std::lock_guard lock(closing_mutex);
        if (ending_signal != 0) {  // asked before there was a window to close
            application = nullptr;
            return 128 + ending_signal;
        }
    }
    return ending(QApplication::exec());
}

}  // namespace stallscan::ui
