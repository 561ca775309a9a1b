#pragma once
// What every window shares: twips geometry, the per-user settings, message boxes and the file
// dialog (both replaceable for tests), the list of open windows and the application icon.

#include <QMessageBox>
#include <QPoint>
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

// The stored window position (twips) converted to pixels for `window`: when either value is
// unusable, or the window's title area at that place (`outer_size` pixels wide) would lie on no
// screen, both defaults are used.
QPoint StoredPosition(const QWidget* window, const char* left_key, const char* top_key,
                      double default_left, double default_top, QSize outer_size);

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
