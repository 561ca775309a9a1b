#include "ui/window_support.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace stallscan::ui {

namespace {

MessageBoxFn& MessageBoxHook() {
    static MessageBoxFn hook;
    return hook;
}

SaveFileDialogFn& SaveDialogHook() {
    static SaveFileDialogFn hook;
    return hook;
}

std::vector<QPointer<QWidget>>& Registry() {
    static std::vector<QPointer<QWidget>> windows;
    return windows;
}

// A key of the settings group.
QString SettingsKey(const char* key) {
    return QStringLiteral("Settings/") + QLatin1String(key);
}

// The height taken as the title bar's where the frame is not known yet.
constexpr int kTitleHeight = 24;

// `outer` moved as little as needed to lie within `area`, its top-left corner first.
QRect MovedInto(QRect outer, const QRect& area) {
    outer.moveLeft(std::max(area.left(), std::min(outer.left(), area.right() - outer.width() + 1)));
    outer.moveTop(std::max(area.top(), std::min(outer.top(), area.bottom() - outer.height() + 1)));
    return outer;
}

QRect PrimaryArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 640, 480);
}

}  // namespace

QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

std::string ToStdString(const QString& text) {
    return text.toStdString();
}

QString CatalogText(text::Msg id) {
    return ToQString(text::Catalog(id));
}

int PixelsX(const QWidget* widget, double twips) {
    return TwipsToPixels(twips, widget->logicalDpiX());
}
int PixelsY(const QWidget* widget, double twips) {
    return TwipsToPixels(twips, widget->logicalDpiY());
}
double TwipsX(const QWidget* widget, int pixels) {
    return PixelsToTwips(pixels, widget->logicalDpiX());
}
double TwipsY(const QWidget* widget, int pixels) {
    return PixelsToTwips(pixels, widget->logicalDpiY());
}

void PlaceInTwips(QWidget* widget, const TwipsRect& rect) {
    widget->setGeometry(PixelsX(widget, rect.left), PixelsY(widget, rect.top),
                        std::max(0, PixelsX(widget, rect.width)),
                        std::max(0, PixelsY(widget, rect.height)));
}

double ReadSetting(const char* key, double fallback) {
    const QSettings settings(QStringLiteral("stallscan"), QStringLiteral("stallscan"));
    const QVariant value = settings.value(SettingsKey(key));
    if (!value.isValid()) {
        return fallback;
    }
    return ParseStoredNumber(ToStdString(value.toString())).value_or(fallback);
}

void WriteSetting(const char* key, double value) {
    QSettings settings(QStringLiteral("stallscan"), QStringLiteral("stallscan"));
    settings.setValue(SettingsKey(key), ToQString(FormatStoredNumber(value)));
}

QRect ScreenAreaUnderTitle(const QRect& outer) {
    const QRect title(outer.topLeft(), QSize(std::max(1, outer.width()), kTitleHeight));
    QRect best;
    qint64 best_overlap = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect overlap = screen->availableGeometry().intersected(title);
        const qint64 area = qint64{overlap.width()} * overlap.height();
        if (!overlap.isEmpty() && area > best_overlap) {
            best = screen->availableGeometry();
            best_overlap = area;
        }
    }
    return best;
}

QRect StoredPlacement(const QWidget* window, const char* left_key, const char* top_key,
                      double default_left, double default_top, QSize outer, QSize minimum) {
    const double nan = std::nan("");
    const double left = ReadSetting(left_key, nan);
    const double top = ReadSetting(top_key, nan);
    QRect place(QPoint(), outer.expandedTo(minimum));
    QRect area;
    if (!std::isnan(left) && !std::isnan(top)) {
        place.moveTopLeft(QPoint(PixelsX(window, left), PixelsY(window, top)));
        area = ScreenAreaUnderTitle(place);
    }
    if (area.isEmpty()) {
        place.moveTopLeft(QPoint(PixelsX(window, default_left), PixelsY(window, default_top)));
        area = ScreenAreaUnderTitle(place);
    }
    if (area.isEmpty()) {
        area = PrimaryArea();
    }
    place.setSize(place.size().boundedTo(area.size()));
    return MovedInto(place, area);
}

QSize FrameSize(const QWidget* window) {
    return window->frameGeometry().size() - window->size();
}

void WhenFramed(QWidget* window, std::function<void(QSize frame)> framed) {
    if (const QSize frame = FrameSize(window); frame != QSize(0, 0)) {
        framed(frame);
        return;
    }
    // The frame comes with the window manager's answer to the showing: looked for every 10 ms,
    // for two seconds at most.
    auto* timer = new QTimer(window);
    QObject::connect(timer, &QTimer::timeout, window,
                     [window, timer, framed = std::move(framed), ticks = 0]() mutable {
                         const QSize frame = FrameSize(window);
                         const bool is_framed = frame != QSize(0, 0);
                         if (is_framed || ++ticks >= 200 || !window->isVisible()) {
                             timer->stop();
                             timer->deleteLater();
                         }
                         if (is_framed && window->isVisible()) {
                             framed(frame);
                         }
                     });
    timer->start(10);
}

void KeepOnScreen(QWidget* window) {
    const QRect outer = window->frameGeometry();
    QRect area = ScreenAreaUnderTitle(outer);
    if (area.isEmpty()) {
        area = PrimaryArea();
    }
    const QRect moved = MovedInto(outer, area);
    if (moved != outer) {
        window->move(moved.topLeft());
    }
}

QMessageBox::StandardButton ShowMessage(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& text, QMessageBox::StandardButtons buttons) {
    if (MessageBoxHook()) {
        return MessageBoxHook()(parent, icon, text, buttons);
    }
    QMessageBox box(icon, CatalogText(text::Msg::kAppName), text, buttons, parent);
    box.setWindowIcon(AppIcon());
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void SetMessageBoxHook(MessageBoxFn hook) {
    MessageBoxHook() = std::move(hook);
}

QString AskSaveFileName(QWidget* parent, const QString& proposed_name,
                        const QStringList& name_filters, const QString& default_suffix) {
    if (SaveDialogHook()) {
        return SaveDialogHook()(parent, proposed_name, name_filters, default_suffix);
    }
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(name_filters);
    dialog.setDefaultSuffix(default_suffix);
    dialog.selectFile(proposed_name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
}

void SetSaveFileDialogHook(SaveFileDialogFn hook) {
    SaveDialogHook() = std::move(hook);
}

void RegisterWindow(QWidget* window) {
    UnregisterWindow(window);
    Registry().emplace_back(window);
}

void UnregisterWindow(QWidget* window) {
    std::erase_if(Registry(),
                  [window](const QPointer<QWidget>& w) { return w.isNull() || w == window; });
}

std::vector<QWidget*> OpenWindows() {
    std::vector<QWidget*> open;
    for (const auto& w : Registry()) {
        if (!w.isNull()) {
            open.push_back(w.data());
        }
    }
    return open;
}

namespace {

// The 16-colour palette the icons are drawn with.
const QColor kBlack(0, 0, 0), kGray(128, 128, 128), kSilver(192, 192, 192), kWhite(255, 255, 255),
    kNavy(0, 0, 128), kTeal(0, 128, 128), kAqua(0, 255, 255), kRed(255, 0, 0), kLime(0, 255, 0),
    kYellow(255, 255, 0), kMaroon(128, 0, 0);

void DrawPrinter(QPainter& p) {
    // Sheet in the feeder.
    p.setPen(kGray);
    p.setBrush(kWhite);
    p.drawRect(9, 2, 14, 11);
    p.setPen(kNavy);
    for (int y = 5; y <= 10; y += 2) {
        p.drawLine(11, y, 21, y);
    }
    // Body.
    p.setPen(kBlack);
    p.setBrush(kSilver);
    p.drawRect(2, 12, 27, 11);
    p.setPen(kWhite);
    p.drawLine(3, 13, 28, 13);
    p.setPen(kGray);
    p.drawLine(3, 22, 28, 22);
    // Output slot and tray.
    p.setPen(kBlack);
    p.setBrush(kGray);
    p.drawRect(6, 24, 19, 3);
    // Status light.
    p.setPen(Qt::NoPen);
    p.setBrush(kLime);
    p.drawRect(24, 16, 3, 2);
}

void DrawMagnifier(QPainter& p, int x, int y) {
    // Handle first, so that the rim covers its end.
    p.setPen(QPen(kMaroon, 3));
    p.drawLine(x + 9, y + 9, x + 13, y + 13);
    p.setPen(QPen(kBlack, 1));
    p.setBrush(kAqua);
    p.drawEllipse(x, y, 11, 11);
    p.setPen(kWhite);
    p.drawLine(x + 3, y + 3, x + 5, y + 2);
    p.setPen(kTeal);
    p.drawLine(x + 4, y + 8, x + 8, y + 6);
}

}  // namespace

QPixmap IconFrame(int frame) {
    static const int kLensX[3] = {15, 9, 3};
    static const int kLensY[3] = {15, 12, 15};
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    DrawPrinter(p);
    const int f = std::clamp(frame, 0, 2);
    DrawMagnifier(p, kLensX[f], kLensY[f]);
    if (f == 0) {
        // The application icon carries a red mark: a job that does not print.
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawRect(4, 15, 2, 5);
        p.setBrush(kYellow);
        p.drawRect(4, 21, 2, 1);
    }
    return pixmap;
}

QIcon AppIcon() {
    return QIcon(IconFrame(0));
}

}  // namespace stallscan::ui
