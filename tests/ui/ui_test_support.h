#pragma once
// Shared pieces of the window tests: canned pseudo-mode listings, saved process-wide values,
// recorded message boxes and helpers that act on modal windows while they run.

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/globals.h"
#include "ui/window_support.h"

namespace uitest {

// A folder of canned listing files; every line is written with CR LF.
class CannedDir {
  public:
    void Write(const std::string& name, const std::vector<std::string>& lines) {
        std::ofstream file(Path() + "/" + name, std::ios::binary);
        for (const std::string& line : lines) {
            file << line << "\r\n";
        }
    }
    std::string Path() const { return dir_.path().toStdString(); }

  private:
    QTemporaryDir dir_;
};

// Server S1 with the waiting jobs 9, 10 and 12 (in that listing order), queue q1 and printer p1,
// whose supervisor is S1; server S2 with job 7.
inline void WriteSmallPrintSystem(CannedDir& dir) {
    dir.Write("S1.txt", {"S1: server-state = ready", "S1: server-name = S1", "S1: enabled = true"});
    dir.Write("S1-jids.txt", {"S1:9: job-identifier = 9", "S1:10: job-identifier = 10",
                              "S1:12: job-identifier = 12"});
    const auto job = [&](const std::string& id, const std::string& name, const std::string& state) {
        const std::string obj = "S1:" + id + ": ";
        dir.Write("S1-" + id + ".txt",
                  {obj + "job-identifier = " + id, obj + "job-name = " + name,
                   obj + "current-job-state = " + state, obj + "assigned-queue = q1"});
    };
    job("9", "zebra", "completed");
    job("10", "alpha", "pending");
    job("12", "report", "retained");
    dir.Write("q1.txt", {"q1: physical-printers-supported = p1", "q1: state = paused"});
    dir.Write("p1.txt", {"p1: associated-server = S1", "p1: printer-state = idle"});
    dir.Write("S2.txt", {"S2: server-state = ready"});
    dir.Write("S2-7.txt", {"S2:7: job-identifier = 7", "S2:7: job-name = seven",
                           "S2:7: current-job-state = completed"});
}

// Restores the process-wide values when a test ends.
class SavedGlobals {
  public:
    SavedGlobals()
        : pseudo_(gPseudoDir), tool_(gListToolPath), printer_(gDefaultPrinter), root_(gRootDir) {}
    ~SavedGlobals() {
        gPseudoDir = pseudo_;
        gListToolPath = tool_;
        gDefaultPrinter = printer_;
        gRootDir = root_;
    }

  private:
    std::string pseudo_, tool_, printer_, root_;
};

// Records every message box and answers from a queue (then with `fallback`).
class MessageRecorder {
  public:
    struct Box {
        QMessageBox::Icon icon;
        std::string text;
        QMessageBox::StandardButtons buttons;
    };
    explicit MessageRecorder(QMessageBox::StandardButton fallback = QMessageBox::Ok)
        : fallback_(fallback) {
        ui::SetMessageBoxHook([this](QWidget*, QMessageBox::Icon icon, const QString& text,
                                     QMessageBox::StandardButtons buttons) {
            boxes.push_back({icon, text.toStdString(), buttons});
            if (onBox) {
                onBox();
            }
            if (answers.empty()) {
                return fallback_;
            }
            const auto answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    ~MessageRecorder() { ui::SetMessageBoxHook({}); }

    std::vector<Box> boxes;
    std::deque<QMessageBox::StandardButton> answers;
    std::function<void()> onBox;

  private:
    QMessageBox::StandardButton fallback_;
};

// Calls `action` once `ready` holds, checking every 5 ms while event loops run.
inline void WhenReady(std::function<bool()> ready, std::function<void()> action) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, ready, action] {
        if (ready()) {
            timer->stop();
            timer->deleteLater();
            action();
        }
    });
    timer->start();
}

// Calls `action` with the first modal window of type T that opens.
template <typename T>
void WhenModal(std::function<void(T*)> action) {
    WhenReady([] { return qobject_cast<T*>(QApplication::activeModalWidget()) != nullptr; },
              [action] { action(qobject_cast<T*>(QApplication::activeModalWidget())); });
}

inline void ClearSettings() {
    QSettings settings(QStringLiteral("stallscan"), QStringLiteral("stallscan"));
    settings.clear();
    settings.sync();
}

inline void StoreSetting(const char* key, const QString& value) {
    QSettings settings(QStringLiteral("stallscan"), QStringLiteral("stallscan"));
    settings.setValue(QStringLiteral("Settings/") + QLatin1String(key), value);
    settings.sync();
}

inline QString StoredSetting(const char* key) {
    QSettings settings(QStringLiteral("stallscan"), QStringLiteral("stallscan"));
    return settings.value(QStringLiteral("Settings/") + QLatin1String(key)).toString();
}

}  // namespace uitest
