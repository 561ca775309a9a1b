#pragma once
// Opens the main window and runs the windows until the last one closes.

#include <string>

#include "run/startup_values.h"

namespace stallscan::ui {

// The entry procedure with windows. Without a display: a note on standard error, status 2. When
// `startup_failure_message` is not empty (the installation was not found): that message in a
// critical message box, status 3. Otherwise the main window on the listing source of `values`;
// the status once the windows have closed.
int RunWindows(int argc, char** argv, const std::string& startup_failure_message,
               const run::StartupValues& values);

}  // namespace stallscan::ui
