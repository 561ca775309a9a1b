#pragma once
// The entry procedure: the start-up checks, then the command-line mode or the windows.

namespace stallscan::app {

// The program's exit status.
int Main(int argc, char** argv);

}  // namespace stallscan::app
