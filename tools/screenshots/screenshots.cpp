// Takes the README's screenshots of the four windows: the main window, the progress window during
// a run over every waiting job of a server, the result window as it first shows and with one job
// selected, and the About box. The windows are the program's own, opened and driven through their
// controls, at the sizes they open with (run it with settings of its own to show a first start).
//
//   stallscan_screenshots OUTDIR SERVER JOB [ARGUMENT ...]
//
// The environment and the ARGUMENTs are those of stallscan (OV_ROOT, KVPRINTER, "pseudo-kvls@DIR"
// ...). SERVER is the default server or is typed under "Other"; JOB is the identifier of the row
// shown selected.

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <iostream>
#include <string>

#include "app/startup.h"
#include "run/startup_values.h"
#include "ui/about_box.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"
#include "ui/result_window.h"

namespace {

using stallscan::ui::AboutBox;
using stallscan::ui::MainWindow;
using stallscan::ui::ProgressWindow;
using stallscan::ui::ResultWindow;

QString picture_dir;
bool all_saved = true;

void Save(QWidget* window, const char* name) {
    const QString path = QDir(picture_dir).filePath(QLatin1String(name));
    if (!window->grab().save(path)) {
        std::cerr << "cannot write " << path.toStdString() << '\n';
        all_saved = false;
    }
}

// Calls `action` once `ready` holds, checking every 20 ms.
void WhenReady(std::function<bool()> ready, std::function<void()> action) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, ready, action] {
        if (ready()) {
            timer->stop();
            timer->deleteLater();
            action();
        }
    });
    timer->start();
}

template <typename T>
T* Modal() {
    return qobject_cast<T*>(QApplication::activeModalWidget());
}

template <typename T>
T* Control(QWidget* window, const char* name) {
    return window->findChild<T*>(QLatin1String(name));
}

// A left click at a point of a widget, as the mouse gives it.
void Click(QWidget* widget, QPoint at) {
    const QPointF global = widget->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 4) {
        std::cerr << "usage: stallscan_screenshots OUTDIR SERVER JOB [ARGUMENT ... | --cups=SERVER]\n";
        return 2;
    }
    picture_dir = QString::fromLocal8Bit(argv[1]);
    const QString server = QString::fromLocal8Bit(argv[2]);
    const QString job = QString::fromLocal8Bit(argv[3]);
    // A CUPS server (--cups=SERVER) needs no installation; anything else is the listing tool's.
    const std::string first = argc > 4 ? argv[4] : "";
    stallscan::app::StartupOutcome startup;
    if (first.starts_with("--cups=")) {
        startup.values.cups_server = first.substr(7);
    } else {
        std::string arg_text;
        for (int i = 4; i < argc; ++i) {
            arg_text += (arg_text.empty() ? "" : " ") + std::string(argv[i]);
        }
        startup = stallscan::app::CheckStartup(arg_text, stallscan::app::SystemEnvironment(),
                                               stallscan::app::SystemFileLength());
    }
    if (startup.problem != stallscan::app::StartupProblem::kNone) {
        std::cerr << startup.message;
        return 3;
    }

    std::string source_error;
    const auto source = stallscan::run::MakeSource(startup.values, &source_error);
    if (source == nullptr) {
        std::cerr << "--cups: " << source_error << "\n";
        return 3;
    }
    MainWindow main_window(*source, startup.values);
    main_window.show();

    // Progress: a few jobs into the run.
    WhenReady(
        [] {
            return Modal<ProgressWindow>() &&
                   Control<QProgressBar>(Modal<ProgressWindow>(), "prbProgress")->value() >= 3;
        },
        [] { Save(Modal<ProgressWindow>(), "progress.png"); });
    // Result: as it opens (the first job's messages), then with the chosen job clicked.
    WhenReady([] { return Modal<ResultWindow>() != nullptr; },
              [job] {
                  QTimer::singleShot(200, [job] {
                      auto* result = Modal<ResultWindow>();
                      Save(result, "result.png");
                      auto* list = Control<QTreeWidget>(result, "lvwJobs");
                      const auto rows = list->findItems(job, Qt::MatchExactly, 0);
                      if (!rows.isEmpty()) {
                          list->scrollToItem(rows.first());
                          Click(list->viewport(), list->visualItemRect(rows.first()).center());
                      }
                      QTimer::singleShot(200, [result] {
                          Save(result, "result-reasons.png");
                          Control<QPushButton>(result, "cmdClose")->click();
                      });
                  });
              });
    // After the run: the About box, then the end.
    WhenReady([] { return Modal<AboutBox>() != nullptr; },
              [&] {
                  QTimer::singleShot(200, [&] {
                      Save(Modal<AboutBox>(), "about.png");
                      main_window.close();
                  });
              });
    // Once the default server is known: the main window, then the run and the About box. The
    // default server is used when it is the one asked for; otherwise it is typed under "Other".
    WhenReady([&] { return !main_window.LookingUpDefaultServer(); },
              [&] {
                  if (Control<QLabel>(&main_window, "lblDefServer")->text() != server ||
                      !Control<QRadioButton>(&main_window, "optServer0")->isEnabled()) {
                      Control<QRadioButton>(&main_window, "optServer1")->click();
                      Control<QLineEdit>(&main_window, "txtUsrServer")->setText(server);
                  }
                  QTimer::singleShot(300, [&] {
                      Save(&main_window, "main.png");
                      Control<QPushButton>(&main_window, "cmdStartDiag")->click();
                      Control<QPushButton>(&main_window, "cmdAbout")->click();
                  });
              });
    QApplication::exec();
    return all_saved ? 0 : 1;
}
