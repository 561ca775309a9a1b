#pragma once
// The pure rules of the windows: twips conversion, enabling, layout, proposed file names, stored
// setting values and column sort marks. No Qt here: the windows apply them, and the window tests
// check them there.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "diag/diagnosis.h"

namespace stallscan::ui {

inline constexpr double kTwipsPerInch = 1440.0;

// Twips to pixels at `dpi` logical dots per inch, rounded to the nearest pixel.
int TwipsToPixels(double twips, double dpi);
// Pixels to twips at `dpi`; exact (no rounding), so that a value read back converts to the same
// pixel count.
double PixelsToTwips(int pixels, double dpi);

// True exactly when a server and jobs are chosen: the default server option or a non-empty typed
// server, and the all-jobs option or a non-empty typed job text. Blanks count as text.
bool CanStartRun(bool default_server_chosen, const std::string& typed_server, bool all_jobs_chosen,
                 const std::string& typed_jobs);

// A rectangle in twips.
struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

// Placement of the result window's controls for a client area of `width` x `height` twips. The
// list takes the upper half, but where that would leave the messages box less than
// `min_messages_height` twips, the list gives up what the box lacks.
struct ResultLayout {
    TwipsRect close, save_all, save, jobs, messages_label, messages;
};
ResultLayout LayoutResultControls(int width, int height, int min_messages_height);

// The result window's smallest outer size, in twips.
inline constexpr int kResultMinWidth = 4500;
inline constexpr int kResultMinHeight = 3000;

// The file name proposed for saving: "stallscan" + job id + extension for a key "server:job",
// "stallscan" + extension for the empty key (all results) or a key without ":".
std::string ProposedFileName(const std::string& key, const std::string& app_name,
                             const std::string& extension);

// A file filter text of description/pattern pairs separated by "|" ("Log files (*.log)|*.log|")
// as the dialog's name filters ("Log files (*.log)"). A description whose pattern is missing is
// dropped; a description that does not show its pattern gets it appended in parentheses.
std::vector<std::string> DialogNameFilters(const std::string& catalog_filter);

// A stored setting text as a number: the whole text (blanks around it allowed) must be a finite
// decimal number within +-10^7 (no window is that far away); anything else gives nullopt, so that
// the caller uses its default.
std::optional<double> ParseStoredNumber(const std::string& text);

// A number as a stored setting text (single-precision value, as short as it reads back exactly).
std::string FormatStoredNumber(double value);

// Sort-order marks of the result list's six columns: 0 the next click sorts ascending, 1
// descending. A click on a column returns the order to sort with now and sets the marks so that
// only the clicked column alternates.
inline constexpr int kResultColumns = 6;
using SortMarks = std::array<int, kResultColumns>;
int ColumnClick(SortMarks& marks, int column);

// The result window's row key ("SpoolerName:JobId") and the Printer(s) column (requested printers
// when there are any, else the supported ones).
std::string RowKey(const diag::Diagnosis& diagnosis);
std::string PrintersColumn(const diag::Diagnosis& diagnosis);

}  // namespace stallscan::ui
