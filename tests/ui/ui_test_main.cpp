// Runs the window tests with settings in a temporary folder: without any display (offscreen
// platform), or, for the tests of window frames, on the X display of the environment.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
#ifdef UI_TESTS_ON_DISPLAY
    qputenv("QT_QPA_PLATFORM", "xcb");
#else
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8());
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
