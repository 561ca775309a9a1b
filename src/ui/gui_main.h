#pragma once
// Opens the main window and runs the windows until the last one closes.

#include <string>

namespace ui {

// The entry procedure with windows: start-up checks (critical message boxes on failure), then the
// main window. Returns the process exit status; 2 when no display is available.
int RunWindows(int argc, char** argv, const std::string& argText);

}  // namespace ui
