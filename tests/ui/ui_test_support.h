#pragma once
// Shared pieces of the window tests: the headers they use, a small canned print system, recorded
// message boxes, helpers that act on modal windows while they run, and the per-user settings.

#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>
#include <deque>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app/globals.h"
#include "platform/platform.h"
#include "ui/form_texts.h"
#include "ui/frm_about.h"
#include "ui/frm_diag_result.h"
#include "ui/frm_main.h"
#include "ui/frm_progress.h"
#include "ui/window_support.h"

namespace uitest {

// Canned listings for pseudo mode, made the pseudo folder while it lives (the process-wide values
// are restored afterwards): server S1 with the waiting jobs 9, 10 and 12 (in that listing order),
// queue q1 and printer p1, whose supervisor is S1; server S2 with job 7 but no job list.
class SmallPrintSystem {
  public:
    SmallPrintSystem() {
        Write("S1.txt", {"S1: server-state = ready", "S1: server-name = S1", "S1: enabled = true"});
        Write("S1-jids.txt", {"S1:9: job-identifier = 9", "S1:10: job-identifier = 10",
                              "S1:12: job-identifier = 12"});
        for (const auto& [id, name, state] : {std::tuple{"9", "zebra", "completed"},
                                              {"10", "alpha", "pending"},
                                              {"12", "report", "retained"}}) {
            const std::string o = std::string("S1:") + id + ": ";
            Write(std::string("S1-") + id + ".txt",
                  {o + "job-identifier = " + id, o + "job-name = " + name,
                   o + "current-job-state = " + state, o + "assigned-queue = q1"});
        }
        Write("q1.txt", {"q1: physical-printers-supported = p1", "q1: state = paused"});
        Write("p1.txt", {"p1: associated-server = S1", "p1: printer-state = idle"});
        Write("S2.txt", {"S2: server-state = ready"});
        Write("S2-7.txt", {"S2:7: job-identifier = 7", "S2:7: job-name = seven",
                           "S2:7: current-job-state = completed"});
        gPseudoDir = Path();
        gDefaultPrinter.clear();
    }
    ~SmallPrintSystem() {
        gPseudoDir = saved_[0];
        gListToolPath = saved_[1];
        gDefaultPrinter = saved_[2];
        gRootDir = saved_[3];
    }
    // Writes a listing file, each line ended with CR LF.
    void Write(const std::string& name, const std::vector<std::string>& lines) {
        std::ofstream file(Path() + "/" + name, std::ios::binary);
        for (const std::string& line : lines) file << line << "\r\n";
    }
    std::string Path() const { return dir_.path().toStdString(); }

  private:
    std::string saved_[4] = {gPseudoDir, gListToolPath, gDefaultPrinter, gRootDir};
    QTemporaryDir dir_;
};

// Records every message box and answers from a queue (then with `fallback`).
class MessageRecorder {
  public:
    struct Box {
        QMessageBox::Icon icon;
        std::string text;
        QMessageBox::StandardButtons buttons;
    };
    explicit MessageRecorder(QMessageBox::StandardButton fallback = QMessageBox::Ok) {
        ui::SetMessageBoxHook([this, fallback](QWidget*, QMessageBox::Icon icon,
                                               const QString& text,
                                               QMessageBox::StandardButtons buttons) {
            boxes.push_back({icon, text.toStdString(), buttons});
            if (answers.empty())
                return fallback;
            const auto answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    ~MessageRecorder() { ui::SetMessageBoxHook({}); }

    std::vector<Box> boxes;
    std::deque<QMessageBox::StandardButton> answers;
};

// Calls `action` once `ready` holds, checking every 5 ms while event loops run, for as long as
// `owner` lives.
inline void WhenReady(QObject* owner, std::function<bool()> ready, std::function<void()> action) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, [timer, ready, action] {
        if (ready()) {
            timer->stop();
            action();
        }
    });
    timer->start(5);
}

// Calls `action` with the first modal window of type T that opens while `owner` lives.
template <typename T>
void WhenModal(QObject* owner, std::function<void(T*)> action) {
    WhenReady(
        owner, [] { return qobject_cast<T*>(QApplication::activeModalWidget()) != nullptr; },
        [action] { action(qobject_cast<T*>(QApplication::activeModalWidget())); });
}

// The texts of one column of a list, top to bottom.
inline QStringList Column(const QTreeWidget* list, int column) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}

inline std::string ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<unreadable>";
}

// The per-user settings: all cleared, or one stored value.
inline void ClearSettings() {
    QSettings("stallscan", "stallscan").clear();
}
inline QString StoredSetting(const char* key) {
    return QSettings("stallscan", "stallscan").value(QString("Settings/") + key).toString();
}

}  // namespace uitest
