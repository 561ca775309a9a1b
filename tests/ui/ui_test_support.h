#pragma once
// Shared pieces of the window tests: the headers they use, a small print system, recorded message
// boxes, controls found by object name, actions on modal windows while they run, and the
// per-user settings.

#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/fake_source.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"
#include "ui/result_window.h"
#include "ui/window_support.h"

// Texts as they read in the messages of failed checks.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace uitest {

using stallscan::model::ObjectClass;

// Server S1 with the waiting jobs 9, 10 and 12 (in that listing order) and printer p1, whose
// server is S1; server S2 without a waiting job. Every job has completed.
class SmallPrintSystem : public fake::FakeSource {
  public:
    SmallPrintSystem() {
        Add(ObjectClass::kServer, "S1", {{"server-state", "ready"}});
        Add(ObjectClass::kServer, "S2", {{"server-state", "ready"}});
        AddJobList("S1", {"S1:9", "S1:10", "S1:12"});
        for (const std::string job : {"S1:9", "S1:10", "S1:12"}) {
            Add(ObjectClass::kJob, job,
                {{"job-identifier", job.substr(3)}, {"current-job-state", "completed"}});
        }
        Add(ObjectClass::kPrinter, "p1", {{"associated-server", "S1"}});
    }
};

// Waits until the main window has looked up the default server; false when it takes 30 s.
inline bool LookedUp(const stallscan::ui::MainWindow& w) {
    return QTest::qWaitFor([&] { return !w.LookingUpDefaultServer(); }, 30000);
}

// The control of a window by its object name.
template <typename T>
T* Find(const QObject* window, const char* name) {
    T* control = window->findChild<T*>(QLatin1String(name));
    return control ? control : throw std::runtime_error(std::string("no control ") + name);
}

// Records every message box, answering with `answers` in turn and then with the last of them.
struct MessageRecorder {
    struct Box {
        QMessageBox::Icon icon;
        std::string text;
        QMessageBox::StandardButtons buttons;
    };
    explicit MessageRecorder(std::vector<QMessageBox::StandardButton> answers = {QMessageBox::Ok}) {
        stallscan::ui::SetMessageBoxHook([this, answers](QWidget*, QMessageBox::Icon icon,
                                                         const QString& text, auto buttons) {
            boxes.push_back({icon, text.toStdString(), buttons});
            return answers[std::min(boxes.size(), answers.size()) - 1];
        });
    }
    ~MessageRecorder() { stallscan::ui::SetMessageBoxHook({}); }
    std::vector<Box> boxes;
};

// Calls `action` with the first modal window of type T that opens while `owner` lives (checking
// every 5 ms while event loops run).
template <typename T>
void WhenModal(QObject* owner, std::function<void(T*)> action) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            action(window);
        }
    });
    timer->start(5);
}

// The texts of one column of the result list, top to bottom.
inline QStringList Column(const QWidget* window, int column) {
    const auto* list = Find<QTreeWidget>(window, "lvwJobs");
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}

inline std::string ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<unreadable>";
}

// The per-user settings: all cleared, one stored value, or values stored as the window would.
inline void ClearSettings() {
    QSettings("stallscan", "stallscan").clear();
}
inline QString StoredSetting(const char* key) {
    return QSettings("stallscan", "stallscan").value(QString("Settings/") + key).toString();
}
inline void StoreSettings(const std::vector<std::pair<const char*, const char*>>& values) {
    QSettings settings("stallscan", "stallscan");
    for (const auto& [key, value] : values) settings.setValue(QString("Settings/") + key, value);
}

}  // namespace uitest
