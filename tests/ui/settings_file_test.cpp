// A per-user settings file that holds garbage instead of settings: the windows open where they
// open without settings, and closing them writes good values over the garbage.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTreeWidget>

#include "ui/frm_diag_result.h"
#include "ui/frm_main.h"
#include "ui_test_support.h"

namespace ui {
namespace {

basMain::EnvLookup NoEnvironment() {
    return [](const std::string&) { return std::string(); };
}

void WriteSettingsFile(const QByteArray& bytes) {
    const QString path =
        QSettings(QStringLiteral("stallscan"), QStringLiteral("stallscan")).fileName();
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

const QList<QByteArray> kGarbage = {
    QByteArray("\x00\xff\xfe\x01[[[\n=\n\x80\x81", 12),
    QByteArray("[Settings]\nMainLeft=\x01\x02\nMainTop=[[[\nDiagResultWidth=\"\n"
               "HeaderWidthJobId=1e999\nDiagResultLeft=-\n"),
    QByteArray("[Settings\n") + QByteArray(1 << 20, 'x'),
};

TEST(SettingsFileTest, GarbageGivesTheDefaultPlacesAndIsReplacedOnClose) {
    uitest::SavedGlobals saved;
    uitest::CannedDir canned;
    uitest::WriteSmallPrintSystem(canned);
    gPseudoDir = canned.Path();
    gDefaultPrinter.clear();
    for (const QByteArray& garbage : kGarbage) {
        WriteSettingsFile(garbage);
        if (garbage.contains("MainTop=[[[")) {
            EXPECT_EQ(uitest::StoredSetting("MainTop"), "[[[");  // the file is the one read
        }
        {
            frmMain w("", NoEnvironment());
            w.show();
            EXPECT_EQ(w.frameGeometry().topLeft(), QPoint(PxX(&w, 200), PxY(&w, 200)));
            w.move(PxX(&w, 600), PxY(&w, 900));
            w.close();
        }
        EXPECT_EQ(uitest::StoredSetting("MainLeft"), "600");
        EXPECT_EQ(uitest::StoredSetting("MainTop"), "900");

        WriteSettingsFile(garbage);
        frmDiagResult result;
        result.show();
        EXPECT_EQ(result.frameGeometry(), QRect(PxX(&result, 2010), PxY(&result, 735),
                                                PxX(&result, 6930), PxY(&result, 5760)));
        EXPECT_EQ(result.lvwJobs->columnWidth(1), PxX(&result, 1200));
        result.close();
    }
    uitest::ClearSettings();
}

}  // namespace
}  // namespace ui
