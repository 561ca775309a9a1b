#include "app/entry.h"

#include <atomic>
#include <iostream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "cli/cli.h"
#include "platform/platform.h"
#include "platform/process_control.h"

namespace stallscan::app {

namespace {

// What to do about a start-up failure, after the catalogue's text.
std::string StartupHint(const StartupOutcome& startup) {
    if (startup.problem == StartupProblem::kNoRoot) {
        return "set OV_ROOT to the print system's installation root, the folder that holds "
               "bin/kvls.";
    }
    return "OV_ROOT is \"" + platform::NativePath(startup.values.root_dir) +
           "\"; set it to the print system's installation root, the folder that holds bin/kvls "
           "(a program, not an empty file).";
}

int RunCommandLine(const cli::Options& options, const std::string& arg_text) {
    if (const std::optional<int> status = cli::AnswerWithoutRun(options, std::cout, std::cerr)) {
        if (!options.wants_command_line) {
            std::cerr << "stallscan: the windows are in the program stallscan-gui (package "
                         "stallscan-gui).\n";
        }
        return *status;
    }
    const EnvLookup env = SystemEnvironment();
    const StartupOutcome startup = CheckStartup(arg_text, env, SystemFileLength());
    if (startup.problem != StartupProblem::kNone) {
        return cli::ReportStartupFailure(options, startup.message, StartupHint(startup),
                                         std::cout, std::cerr);
    }

    // A signal ends the run: the listings in flight are stopped and their tools ended, nothing
    // half-written is left, and the exit status tells the signal.
    std::stop_source stop;
    std::atomic<int> signal{0};
    platform::IgnoreBrokenPipe();
    const platform::TerminationWatch watch([&](int sig) {
        signal = sig;
        stop.request_stop();
    });
    const auto source = run::MakeSource(startup.values);
    const int status =
        cli::Run(options, startup.values, *source,
                 {stop.get_token(), platform::StandardErrorIsTerminal()}, std::cout, std::cerr);
    return signal != 0 ? 128 + signal : status;
}

}  // namespace

int Main(int argc, char** argv, const WindowsFn& windows) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string arg_text = platform::ArgumentText(argc, argv);
    const cli::Options options = cli::ParseArguments(args);
    if (windows && !options.wants_command_line) {
        const StartupOutcome startup =
            CheckStartup(arg_text, SystemEnvironment(), SystemFileLength());
        const bool found = startup.problem == StartupProblem::kNone;
        return windows(argc, argv, found ? std::string() : startup.message, startup.values);
    }
    return RunCommandLine(options, arg_text);
}

}  // namespace stallscan::app
