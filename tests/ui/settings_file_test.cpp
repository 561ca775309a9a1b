// The per-user settings: the windows' places are written on close and read on the next opening;
// a settings file holding garbage or places off every screen gives the default places, and
// closing writes good values over it.

#include "ui_test_support.h"

namespace ui {
namespace {

void WriteSettingsFile(const QByteArray& bytes) {
    const QString path = QSettings("stallscan", "stallscan").fileName();
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

TEST(SettingsTest, PlacesAreKeptAcrossOpeningsAndUnusableOnesGiveTheDefaults) {
    uitest::SmallPrintSystem canned;
    const auto noEnvironment = [](const std::string&) { return std::string(); };
    const QByteArray garbage[] = {
        QByteArray("\x00\xff\xfe\x01[[[\n=\n\x80\x81", 12),
        QByteArray("[Settings]\nMainLeft=\x01\x02\nMainTop=[[[\nDiagResultWidth=\"\n"
                   "HeaderWidthJobId=1e999\nHeaderWidthJobName=12abc\nDiagResultLeft=-\n"),
        QByteArray("[Settings\n") + QByteArray(1 << 20, 'x'),
        QByteArray("[Settings]\nMainLeft=99999\nMainTop=300\nDiagResultLeft=1500\n"
                   "DiagResultTop=-90000\n"),  // off every screen
    };
    for (const QByteArray& bytes : garbage) {
        SCOPED_TRACE(bytes.left(40).toStdString());
        WriteSettingsFile(bytes);
        if (bytes.contains("MainTop=[[[")) {
            EXPECT_EQ(uitest::StoredSetting("MainTop"), "[[[");  // the file is the one read
        }
        {
            frmMain w("", noEnvironment);
            w.show();
            EXPECT_EQ(w.frameGeometry().topLeft(), QPoint(PxX(&w, 200), PxY(&w, 200)));
            w.move(PxX(&w, 600), PxY(&w, 900));
            w.close();
        }
        EXPECT_EQ(uitest::StoredSetting("MainLeft"), "600");
        EXPECT_EQ(uitest::StoredSetting("MainTop"), "900");
        frmMain again("", noEnvironment);
        EXPECT_EQ(again.pos(), QPoint(PxX(&again, 600), PxY(&again, 900)));

        WriteSettingsFile(bytes);
        QRect outer;
        {
            frmDiagResult w;
            w.show();
            EXPECT_EQ(w.frameGeometry(),
                      QRect(PxX(&w, 2010), PxY(&w, 735), PxX(&w, 6930), PxY(&w, 5760)));
            // Default widths, each widened only where its caption would not fit.
            EXPECT_GE(w.lvwJobs->columnWidth(0), PxX(&w, 200));
            EXPECT_EQ(w.lvwJobs->columnWidth(1), PxX(&w, 1200));
            w.move(PxX(&w, 1500), PxY(&w, 300));
            w.resize(PxX(&w, 8010), PxY(&w, 6000));
            w.lvwJobs->setColumnWidth(1, PxX(&w, 2400));
            w.lvwJobs->setColumnWidth(4, PxX(&w, 200));  // a stored width is kept, however narrow
            outer = w.frameGeometry();
            w.cmdClose->click();
        }
        EXPECT_EQ(uitest::StoredSetting("DiagResultLeft"), "1500");
        EXPECT_EQ(uitest::StoredSetting("HeaderWidthJobName"), "2400");
        frmDiagResult result;
        result.show();
        EXPECT_EQ(result.frameGeometry(), outer);
        EXPECT_EQ(result.lvwJobs->columnWidth(1), PxX(&result, 2400));
        EXPECT_EQ(result.lvwJobs->columnWidth(4), PxX(&result, 200));
    }
    uitest::ClearSettings();
}

}  // namespace
}  // namespace ui
