#pragma once
// What every window shares: twips geometry, the per-user settings, message boxes and the file
// dialog (both replaceable for tests), the list of open windows and the application icon.

#include <QMessageBox>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "ui/ui_rules.h"

class QWidget;
class QPixmap;
class QIcon;

namespace ui {

// UTF-8 texts between the core and Qt.
QString Q(const std::string& text);
std::string S(const QString& text);

// The catalogue text of `id` as a QString.
QString Catalog(int32_t id);

// Twips to pixels with the logical DPI of the widget's screen (horizontal or vertical).
int PxX(const QWidget* widget, double twips);
int PxY(const QWidget* widget, double twips);
double TwX(const QWidget* widget, int pixels);
double TwY(const QWidget* widget, int pixels);
// Places a child widget at a rectangle given in twips.
void PlaceTw(QWidget* widget, const RectTw& rect);

// Per-user settings: organization and application "stallscan", group "Settings", values in
// twips stored as number texts. A missing or unusable value reads as `fallback`.
double ReadSetting(const char* key, double fallback);
void WriteSetting(const char* key, double value);
void WriteWholeSetting(const char* key, double value);

// The stored window position (twips) converted to pixels for `window`: when either value is
// unusable, or the window's title area at that place (`outerSize` pixels wide) would lie on no
// screen, both defaults are used.
QPoint StoredPosition(const QWidget* window, const char* leftKey, const char* topKey,
                      double defaultLeft, double defaultTop, QSize outerSize);
// True when the top strip of `outer` (where the title bar is) overlaps some screen.
bool TitleOnSomeScreen(const QRect& outer);

// Shows a message box titled with the program's name (catalogue 1000); returns the button chosen.
using MessageBoxFn = std::function<QMessageBox::StandardButton(
    QWidget* parent, QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons)>;
QMessageBox::StandardButton ShowMessage(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);
// Replaces the message boxes (tests); an empty function restores the real ones.
void SetMessageBoxHook(MessageBoxFn hook);

// Asks for the name of a file to save: proposed name, name filters, default suffix (without the
// dot). Returns the chosen native path, or the empty text when the user cancelled.
using SaveFileDialogFn =
    std::function<QString(QWidget* parent, const QString& proposedName,
                          const QStringList& nameFilters, const QString& defaultSuffix)>;
QString AskSaveFileName(QWidget* parent, const QString& proposedName,
                        const QStringList& nameFilters, const QString& defaultSuffix);
void SetSaveFileDialogHook(SaveFileDialogFn hook);

// The program's windows in the order they were opened (the main window first).
void RegisterWindow(QWidget* window);
void UnregisterWindow(QWidget* window);
std::vector<QWidget*> OpenWindows();

// The frames of the icon animation (0..2, 32 x 32); frame 0 is the application icon.
QPixmap IconFrame(int frame);
QIcon AppIcon();

}  // namespace ui
