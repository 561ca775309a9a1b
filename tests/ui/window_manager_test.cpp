// The windows in the frames of a window manager, on a 1280 x 800 screen at 96 dpi (the test
// program runs under under_window_manager.sh): the result window's stored size is its outer size,
// unchanged by opening and closing; stored sizes and places are fitted to the screen.

#include "ui_test_support.h"

namespace stallscan::ui {
namespace {

using uitest::Find;

// Shows the window and waits until the window manager has framed it and it has taken its place:
// until `placed` holds (each move or resize is a round trip to the window manager).
void ShowFramed(QWidget& w, const std::function<bool()>& placed) {
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w, 30000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return FrameSize(&w) != QSize(0, 0); }, 30000));
    EXPECT_TRUE(QTest::qWaitFor(placed, 30000));
}

bool OnScreen(const QWidget& w) {
    return QGuiApplication::primaryScreen()->availableGeometry().contains(w.frameGeometry());
}

QString StoredSize() {
    return uitest::StoredSetting("DiagResultWidth") + "x" +
           uitest::StoredSetting("DiagResultHeight");
}

// The window lies within the screen, and so does each of its buttons, uncut by the window's edge.
void ExpectReachable(const QWidget& w) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(w.frameGeometry()));
    for (const QPushButton* button : w.findChildren<QPushButton*>()) {
        EXPECT_TRUE(w.rect().contains(QRect(button->mapTo(&w, QPoint()), button->size())))
            << button->objectName().toStdString();
    }
}

TEST(WindowManagerTest, OpeningAndClosingTheResultWindowKeepsItsSizeAndAResizeIsKept) {
    uitest::ClearSettings();
    for (int i = 0; i < 5; ++i) {
        ResultWindow w;
        const QSize outer(PixelsX(&w, 6930), PixelsY(&w, 5760));
        ShowFramed(w, [&] { return w.frameGeometry().size() == outer; });
        EXPECT_EQ(w.frameGeometry().size(), outer);
        Find<QPushButton>(&w, "cmdClose")->click();
        EXPECT_EQ(StoredSize(), "6930x5760") << "opening " << i + 1;
    }
    // A size given by resizing is stored, and the next opening has it.
    for (const bool resize : {true, false}) {
        ResultWindow w;
        const QSize outer(PixelsX(&w, 8055), PixelsY(&w, 6435));
        // Opened at the size of the openings above, then at the one given by resizing.
        const QSize opened = resize ? QSize(PixelsX(&w, 6930), PixelsY(&w, 5760)) : outer;
        ShowFramed(w, [&] { return w.frameGeometry().size() == opened; });
        if (resize) {
            w.resize(outer - FrameSize(&w));
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.frameGeometry().size() == outer; }));
        w.close();
        EXPECT_EQ(StoredSize(), "8055x6435");
    }
}

// Stored sizes beyond the screen or below the minimum, places partly or wholly off the screen,
// and values that cannot be read are fitted or replaced by the defaults; the fitted values are
// stored at closing. The minimum is that of the outer size; there the heading ends in "...".
TEST(WindowManagerTest, StoredSizesAndPlacesAreFittedToTheScreen) {
    // The result window's stored left, top, width and height (the main window's left and top
    // the same), the size stored after fitting, whether the window has the default place (else
    // it is only within the screen).
    const std::tuple<QStringList, QSize, bool> cases[] = {
        {{"2010", "735", "0", "0"}, {4500, 3000}, true},
        {{"2010", "735", "30000", "20000"}, {19200, 12000}, false},
        {{"2010", "735", "9999999", "9999999"}, {19200, 12000}, false},
        {{"15000", "10000", "6930", "5760"}, {6930, 5760}, false},
        {{"-90000", "1500", "6930", "5760"}, {6930, 5760}, true},
        {{"x", "[[[", "\"", "1e999"}, {6930, 5760}, true},  // unusable values
    };
    const char* keys[] = {"DiagResultLeft",   "DiagResultTop", "DiagResultWidth",
                          "DiagResultHeight", "MainLeft",      "MainTop"};
    for (const auto& [stored, fitted, at_default] : cases) {
        SCOPED_TRACE(stored.join(' ').toStdString());
        uitest::ClearSettings();
        QSettings settings("stallscan", "stallscan");
        for (int k = 0; k < 6; ++k) {
            settings.setValue(QString("Settings/") + keys[k], stored[k % 4]);
        }
        settings.sync();
        {
            ResultWindow w;
            const QSize size(PixelsX(&w, fitted.width()), PixelsY(&w, fitted.height()));
            ShowFramed(w, [&] { return w.frameGeometry().size() == size && OnScreen(w); });
            const QRect outer = w.frameGeometry();
            EXPECT_EQ(outer.size(), size);
            if (at_default) {
                EXPECT_EQ(outer.topLeft(), QPoint(PixelsX(&w, 2010), PixelsY(&w, 735)));
            }
            ExpectReachable(w);
            const auto* heading = Find<QLabel>(&w, "lblDiagMessages");
            EXPECT_LE(heading->fontMetrics().horizontalAdvance(heading->text()), heading->width());
            EXPECT_EQ(heading->text().endsWith(QChar(0x2026)), fitted.width() == 4500);
            w.close();
        }
        EXPECT_EQ(StoredSize(), QString("%1x%2").arg(fitted.width()).arg(fitted.height()));
        uitest::SmallPrintSystem source;
        MainWindow main(source, {});
        ShowFramed(main, [&] { return OnScreen(main); });
        ExpectReachable(main);
    }
}

}  // namespace
}  // namespace stallscan::ui
