#pragma once
// The entry procedure: the start-up checks, then the command-line mode or the windows.

#include <functional>
#include <string>

#include "run/startup_values.h"

namespace stallscan::app {

// Opens the windows and runs them until the last one closes; gets the start-up values and, when
// the installation was not found, the message to show. Returns the exit status.
using WindowsFn = std::function<int(int argc, char** argv, const std::string& startup_failure,
                                    const run::StartupValues& values)>;

// The program's exit status. Without a SPEC or an option the windows open, when the program has
// them (`windows` is set); the command-line program then says where they are.
int Main(int argc, char** argv, const WindowsFn& windows = {});

}  // namespace stallscan::app
