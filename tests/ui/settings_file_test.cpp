// The per-user settings: the windows' places are written on close and read on the next opening;
// a settings file holding garbage or places off every screen gives the default places, and
// closing writes good values over it.

#include "ui_test_support.h"

namespace stallscan::ui {
namespace {

using uitest::Find;

void WriteSettingsFile(const QByteArray& bytes) {
    const QString path = QSettings("stallscan", "stallscan").fileName();
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

TEST(SettingsTest, PlacesAreKeptAcrossOpeningsAndUnusableOnesGiveTheDefaults) {
    uitest::SmallPrintSystem source;
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
            MainWindow w(source, {});
            w.show();
            EXPECT_EQ(w.frameGeometry().topLeft(), QPoint(PixelsX(&w, 200), PixelsY(&w, 200)));
            w.move(PixelsX(&w, 600), PixelsY(&w, 900));
            w.close();
        }
        EXPECT_EQ(uitest::StoredSetting("MainLeft") + uitest::StoredSetting("MainTop"), "600900");
        MainWindow again(source, {});
        EXPECT_EQ(again.pos(), QPoint(PixelsX(&again, 600), PixelsY(&again, 900)));

        WriteSettingsFile(bytes);
        QRect outer;
        int queue_width = 0;
        {
            ResultWindow w;
            w.show();
            auto* list = Find<QTreeWidget>(&w, "lvwJobs");
            EXPECT_EQ(w.frameGeometry(), QRect(PixelsX(&w, 2010), PixelsY(&w, 735),
                                               PixelsX(&w, 6930), PixelsY(&w, 5760)));
            // Default widths, each widened only where its caption would not fit.
            EXPECT_GE(list->columnWidth(0), PixelsX(&w, 200));
            EXPECT_EQ(list->columnWidth(1), PixelsX(&w, 1200));
            queue_width = list->columnWidth(4);
            w.move(PixelsX(&w, 1500), PixelsY(&w, 300));
            w.resize(PixelsX(&w, 8010), PixelsY(&w, 6000));
            list->setColumnWidth(1, PixelsX(&w, 2400));
            list->setColumnWidth(4, 0);  // narrower than its caption: the default width
            outer = w.frameGeometry();
            Find<QPushButton>(&w, "cmdClose")->click();
        }
        EXPECT_EQ(uitest::StoredSetting("DiagResultLeft"), "1500");
        EXPECT_EQ(uitest::StoredSetting("HeaderWidthJobName"), "2400");
        ResultWindow result;
        result.show();
        EXPECT_EQ(result.frameGeometry(), outer);
        const auto* list = Find<QTreeWidget>(&result, "lvwJobs");
        EXPECT_EQ(list->columnWidth(1), PixelsX(&result, 2400));
        EXPECT_EQ(list->columnWidth(4), queue_width);
    }
    uitest::ClearSettings();
}

}  // namespace
}  // namespace stallscan::ui
