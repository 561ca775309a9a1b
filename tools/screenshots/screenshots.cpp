// Takes the README's screenshots of the four windows: the main window, the progress window during
// a run over every waiting job of a server, the result window with one job selected, and the
// About box. The windows are the program's own, opened and driven through their controls.
//
//   stallscan_screenshots OUTDIR SERVER JOB [ARGUMENT ...]
//
// The environment and the ARGUMENTs are those of stallscan (OV_ROOT, KVPRINTER, "pseudo-kvls@DIR"
// ...). SERVER is the default server or is typed under "Other"; JOB is the identifier of the row shown selected.

#include <QApplication>
#include <QLabel>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <iostream>

#include "app/startup.h"
#include "ui/frm_about.h"
#include "ui/frm_diag_result.h"
#include "ui/frm_main.h"
#include "ui/frm_progress.h"
#include "ui/window_support.h"

namespace {

QString gOutDir;
bool gSaved = true;

void Save(QWidget* window, const char* name) {
    const QString path = QDir(gOutDir).filePath(QLatin1String(name));
    if (!window->grab().save(path)) {
        std::cerr << "cannot write " << path.toStdString() << '\n';
        gSaved = false;
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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 4) {
        std::cerr << "usage: stallscan_screenshots OUTDIR SERVER JOB [ARGUMENT ...]\n";
        return 2;
    }
    gOutDir = QString::fromLocal8Bit(argv[1]);
    const QString server = QString::fromLocal8Bit(argv[2]);
    const QString job = QString::fromLocal8Bit(argv[3]);
    std::string argText;
    for (int i = 4; i < argc; ++i) {
        argText += (argText.empty() ? "" : " ") + std::string(argv[i]);
    }
    const auto startup =
        basMain::CheckStartup(argText, basMain::SystemEnvironment(), basMain::SystemFileLength());
    if (startup.messageId != 0) {
        std::cerr << startup.message;
        return 3;
    }
    basMain::ApplyStartup(startup.values);

    ui::frmMain mainWindow(argText, basMain::SystemEnvironment());
    mainWindow.show();
    // The default server is used when it is the one asked for; otherwise it is typed under "Other".
    if (mainWindow.lblDefServer->text() != server || !mainWindow.optServer[0]->isEnabled()) {
        mainWindow.optServer[1]->click();
        mainWindow.txtUsrServer->setText(server);
    }

    // Progress: a few jobs into the run.
    WhenReady(
        [] {
            return Modal<ui::frmProgress>() && Modal<ui::frmProgress>()->prbProgress->value() >= 3;
        },
        [] { Save(Modal<ui::frmProgress>(), "progress.png"); });
    // Result: the chosen job selected, the window enlarged to show the messages.
    WhenReady([] { return Modal<ui::frmDiagResult>() != nullptr; },
              [job] {
                  auto* result = Modal<ui::frmDiagResult>();
                  result->resize(result->width() * 7 / 4, result->height() * 5 / 4);
                  for (int c = 0; c < result->lvwJobs->columnCount(); ++c) {
                      result->lvwJobs->resizeColumnToContents(c);
                  }
                  const auto rows = result->lvwJobs->findItems(job, Qt::MatchExactly, 0);
                  if (!rows.isEmpty()) {
                      result->lvwJobs->setCurrentItem(rows.first());
                      result->ClickList(rows.first());
                  }
                  QTimer::singleShot(200, [result] {
                      Save(result, "result.png");
                      result->cmdClose->click();
                  });
              });
    // After the run: the About box, then the end.
    WhenReady([&] { return Modal<ui::frmAbout>() != nullptr; },
              [&] {
                  QTimer::singleShot(200, [&] {
                      Save(Modal<ui::frmAbout>(), "about.png");
                      mainWindow.close();
                  });
              });
    QTimer::singleShot(300, [&] {
        Save(&mainWindow, "main.png");
        mainWindow.cmdStartDiag->click();
        mainWindow.cmdAbout->click();
    });
    QApplication::exec();
    return gSaved ? 0 : 1;
}
