// Entry point: the command-line mode when the arguments ask for it, otherwise the windows.

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/platform.h"

#ifdef STALLSCAN_WITH_GUI
#include "ui/gui_main.h"
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string argText = platform::ArgumentText(argc, argv);
#ifdef STALLSCAN_WITH_GUI
    if (!cli::WantsCommandLine(args)) {
        return ui::RunWindows(argc, argv, argText);
    }
#endif
    return cli::Run(args, argText, std::cout, std::cerr, basMain::SystemEnvironment(),
                    basMain::SystemFileLength());
}
