// Writes the application icon (frame 0 of the window icons) as PNG files:
//   stallscan_icon SIZE FILE [SIZE FILE ...]
// Each size is a whole multiple of the 32-pixel drawing, enlarged without smoothing.

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>

#include "ui/window_support.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");  // no display needed at build time
    QApplication app(argc, argv);
    const QImage icon = stallscan::ui::IconFrame(0).toImage();
    if (argc < 3 || argc % 2 == 0) {
        std::fputs("usage: stallscan_icon SIZE FILE [SIZE FILE ...]\n", stderr);
        return 2;
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        const int size = std::atoi(argv[i]);
        if (size <= 0 || size % icon.width() != 0 ||
            !icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                 .save(QString::fromLocal8Bit(argv[i + 1]), "PNG")) {
            std::fprintf(stderr, "stallscan_icon: cannot write %s at %s pixels\n", argv[i + 1],
                         argv[i]);
            return 1;
        }
    }
    return 0;
}
