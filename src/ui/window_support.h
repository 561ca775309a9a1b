#pragma once
// What every window shares: twips geometry, the per-user settings, message boxes and the file
// dialog (both replaceable for tests), the list of open windows and the application icon.

#include <QMessageBox>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "text/catalog.h"
#include "ui/ui_rules.h"

class QWidget;
class QPixmap;
class QIcon;

namespace stallscan::ui {

// How long a server may take to answer: the default server's lookup gives up after it, and a run
// asks whether to go on waiting.
inline constexpr std::chrono::milliseconds kServerTimeout{30000};

// UTF-8 texts between the core and Qt.
QString ToQString(const std::string& text);
std::string ToStdString(const QString& text);

QString CatalogText(text::Msg id);

// Twips to pixels with the logical DPI of the widget's screen (horizontal or vertical), and back.
int PixelsX(const QWidget* widget, double twips);
int PixelsY(const QWidget* widget, double twips);
double TwipsX(const QWidget* widget, int pixels);
double TwipsY(const QWidget* widget, int pixels);
// Places a child widget at a rectangle given in twips.
void PlaceInTwips(QWidget* widget, const TwipsRect& rect);

// Per-user settings: organization and application "stallscan", group "Settings", values in
// twips stored as number texts. A missing or unusable value reads as `fallback`.
double ReadSetting(const char* key, double fallback);
void WriteSetting(const char* key, double value);

// The place of a window (its outer rectangle in pixels, frame included) from its stored position
// (twips) and the outer size it is to have, fitted to the screens: at the default position when
// a stored value is unusable or would put the title bar on no screen; the size within `minimum`
// and the available area of the screen under the title bar; and the window moved as little as
// needed to lie wholly within that area, title bar and buttons in reach.
QRect StoredPlacement(const QWidget* window, const char* left_key, const char* top_key,
                      double default_left, double default_top, QSize outer, QSize minimum);

// The available area of the screen that holds the most of the title bar (the top strip) of the
// outer rectangle `outer`; empty when it lies on no screen.
QRect ScreenAreaUnderTitle(const QRect& outer);

// What the window manager's frame adds to the window's size; empty while it has none.
QSize FrameSize(const QWidget* window);

// Calls `framed` with the frame's size once the window manager has framed the shown `window`: at
// once when the frame is known, else when it comes. Window managers frame a window only after it
// is shown, and some never do: without a frame, `framed` is not called.
void WhenFramed(QWidget* window, std::function<void(QSize frame)> framed);

// Moves the window as little as needed to lie wholly within the available area of the screen
// under its title bar (the primary screen's when it has none).
void KeepOnScreen(QWidget* window);

// Shows a message box titled with the program's name; returns the button chosen.
using MessageBoxFn = std::function<QMessageBox::StandardButton(
    QWidget* parent, QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons)>;
QMessageBox::StandardButton ShowMessage(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);
// Replaces the message boxes (tests); an empty function restores the real ones.
void SetMessageBoxHook(MessageBoxFn hook);

// Asks for the name of a file to save: proposed name, name filters, default suffix (without the
// dot). Returns the chosen path, or the empty text when the user cancelled.
using SaveFileDialogFn =
    std::function<QString(QWidget* parent, const QString& proposed_name,
                          const QStringList& name_filters, const QString& default_suffix)>;
QString AskSaveFileName(QWidget* parent, const QString& proposed_name,
                        const QStringList& name_filters, const QString& default_suffix);
// Replaces the file dialog (tests); an empty function restores the real one.
void SetSaveFileDialogHook(SaveFileDialogFn hook);

// The program's windows in the order they were opened (the main window first).
void RegisterWindow(QWidget* window);
void UnregisterWindow(QWidget* window);
std::vector<QWidget*> OpenWindows();

// The frames of the icon animation (0..2, 32 x 32); frame 0 is the application icon.
QPixmap IconFrame(int frame);
QIcon AppIcon();

}  // namespace stallscan::ui
