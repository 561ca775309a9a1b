#include "ui/window_support.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "app/catalog.h"

namespace ui {

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

void OpenSettingsGroup(QSettings& settings) {
    settings.beginGroup(QStringLiteral("Settings"));
}

}  // namespace

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
std::string S(const QString& text) {
    return text.toStdString();
}
QString Catalog(int32_t id) {
    return Q(basCommon::GetCatalogString(id));
}

int PxX(const QWidget* widget, double twips) {
    return TwipsToPixels(twips, widget->logicalDpiX());
}
int PxY(const QWidget* widget, double twips) {
    return TwipsToPixels(twips, widget->logicalDpiY());
}
double TwX(const QWidget* widget, int pixels) {
    return PixelsToTwips(pixels, widget->logicalDpiX());
}
double TwY(const QWidget* widget, int pixels) {
    return PixelsToTwips(pixels, widget->logicalDpiY());
}

void PlaceTw(QWidget* widget, const RectTw& r) {
    widget->setGeometry(PxX(widget, r.left), PxY(widget, r.top), std::max(0, PxX(widget, r.width)),
                        std::max(0, PxY(widget, r.height)));
}

double ReadSetting(const char* key, double fallback) {
    QSettings settings(QStringLiteral("stallscan"), QStringLiteral("stallscan"));
    OpenSettingsGroup(settings);
    const QVariant value = settings.value(QLatin1String(key));
    if (!value.isValid()) {
        return fallback;
    }
    return ParseStoredNumber(S(value.toString())).value_or(fallback);
}

void WriteSetting(const char* key, double value) {
    QSettings settings(QStringLiteral("stallscan"), QStringLiteral("stallscan"));
    OpenSettingsGroup(settings);
    settings.setValue(QLatin1String(key), Q(FormatStoredNumber(value)));
}

QPoint StoredPosition(const QWidget* window, const char* leftKey, const char* topKey,
                      double defaultLeft, double defaultTop, QSize outerSize) {
    const double nan = std::nan("");
    double left = ReadSetting(leftKey, nan);
    double top = ReadSetting(topKey, nan);
    const auto place = [&] { return QPoint(PxX(window, left), PxY(window, top)); };
    if (std::isnan(left) || std::isnan(top) || !TitleOnSomeScreen(QRect(place(), outerSize))) {
        left = defaultLeft;
        top = defaultTop;
    }
    return place();
}

bool TitleOnSomeScreen(const QRect& outer) {
    const QRect title(outer.topLeft(), QSize(std::max(1, outer.width()), 24));
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(title)) {
            return true;
        }
    }
    return false;
}

void WriteWholeSetting(const char* key, double value) {
    WriteSetting(key, std::trunc(value));
}

QMessageBox::StandardButton ShowMessage(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& text, QMessageBox::StandardButtons buttons) {
    if (MessageBoxHook()) {
        return MessageBoxHook()(parent, icon, text, buttons);
    }
    QMessageBox box(icon, Catalog(msg::AppName), text, buttons, parent);
    box.setWindowIcon(AppIcon());
    const int answer = box.exec();
    return static_cast<QMessageBox::StandardButton>(answer);
}

void SetMessageBoxHook(MessageBoxFn hook) {
    MessageBoxHook() = std::move(hook);
}

QString AskSaveFileName(QWidget* parent, const QString& proposedName,
                        const QStringList& nameFilters, const QString& defaultSuffix) {
    if (SaveDialogHook()) {
        return SaveDialogHook()(parent, proposedName, nameFilters, defaultSuffix);
    }
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(nameFilters);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(proposedName);
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
    auto& windows = Registry();
    std::erase_if(windows,
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

}  // namespace ui
