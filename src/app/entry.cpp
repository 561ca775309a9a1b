#include "app/entry.h"

#include <iostream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "cli/cli.h"
#include "platform/platform.h"

#ifdef STALLSCAN_WITH_GUI
#include "ui/gui_main.h"
#endif

namespace stallscan::app {

int Main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string arg_text = platform::ArgumentText(argc, argv);
    const cli::Options options = cli::ParseArguments(args);
#ifdef STALLSCAN_WITH_GUI
    if (!options.WantsCommandLine()) {
        const StartupOutcome startup =
            CheckStartup(arg_text, SystemEnvironment(), SystemFileLength());
        const bool found = startup.problem == StartupProblem::kNone;
        return ui::RunWindows(argc, argv, found ? std::string() : startup.message,
                              startup.values);
    }
#endif
    if (const std::optional<int> status = cli::AnswerWithoutRun(options, std::cout, std::cerr)) {
        return *status;
    }
    const StartupOutcome startup = CheckStartup(arg_text, SystemEnvironment(), SystemFileLength());
    if (startup.problem != StartupProblem::kNone) {
        std::cerr << startup.message;
        return cli::kExitInstallation;
    }
    const auto source = run::MakeSource(startup.values);
    return cli::Run(options, startup.values, *source, std::cout, std::cerr);
}

}  // namespace stallscan::app
