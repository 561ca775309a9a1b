#include "app/entry.h"

#include <atomic>
#include <charconv>
#include <iostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/startup.h"
#include "cli/cli.h"
#include "diag/clock.h"
#include "platform/platform.h"
#include "platform/process_control.h"
#include "text/text_functions.h"

#ifdef STALLSCAN_WITH_SERVE
#include "serve/serve.h"
#endif

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

// What the program starts with, for the windows and the command line alike: a CUPS server needs no
// installation of the listing tool; anything else goes through the start-up checks.
StartupOutcome LookUpStartup(const cli::Options& options, const std::string& arg_text) {
    if (options.cups_server) {
        StartupOutcome startup;
        startup.values.cups_server = options.cups_server;
        return startup;
    }
    return CheckStartup(arg_text, SystemEnvironment(), SystemFileLength());
}

// The live view until a signal ends it; its exit status.
int Serve(const cli::Options& options, const run::StartupValues& values,
          listing::ListingSource& source, std::stop_token stop) {
#ifdef STALLSCAN_WITH_SERVE
    serve::ServeSettings settings;
    settings.specs = options.specs;
    settings.domain = std::string(text::TrimSpaces(values.domain));
    settings.default_printer = values.default_printer;
    settings.timeout = options.timeout;
    settings.jobs = options.jobs;
    settings.no_cache = options.no_cache;
    settings.interval = options.interval;
    if (!options.listen.empty()) {
        std::string error;
        const auto listen = serve::ParseListen(options.listen, &error);
        if (!listen) {
            std::cerr << "stallscan: " << error << "\n";
            return cli::kExitUsage;
        }
        std::tie(settings.host, settings.port) = *listen;
    }
    if (!options.token_file.empty()) {
        std::string secret;
        if (!platform::ReadWholeFile(options.token_file, secret)) {
            std::cerr << "stallscan: cannot read the secret of --token-file from \""
                      << platform::NativePath(options.token_file) << "\"\n";
            return cli::kExitUsage;
        }
        while (!secret.empty() && (secret.back() == '\n' || secret.back() == '\r')) {
            secret.pop_back();
        }
        if (secret.empty()) {
            std::cerr << "stallscan: the file of --token-file holds no secret\n";
            return cli::kExitUsage;
        }
        settings.token = secret;
    }
    return serve::Serve(settings, source, stop, std::cerr) ? 0 : cli::kExitUsage;
#else
    (void)options, (void)values, (void)source, (void)stop;
    std::cerr << "stallscan: this build has no --serve\n";
    return cli::kExitUsage;
#endif
}

int RunCommandLine(const cli::Options& options, const std::string& arg_text) {
    if (const std::optional<int> status = cli::AnswerWithoutRun(options, std::cout, std::cerr)) {
        if (!options.wants_command_line) {
            std::cerr << "stallscan: the windows are in the program stallscan-gui (package "
                         "stallscan-gui).\n";
        }
        return *status;
    }
    const StartupOutcome startup = LookUpStartup(options, arg_text);
    if (startup.problem != StartupProblem::kNone) {
        return cli::ReportStartupFailure(options, startup.message, StartupHint(startup), std::cout,
                                         std::cerr);
    }
    std::string source_error;
    const auto source = run::MakeSource(startup.values, &source_error);
    if (source == nullptr) {
        std::cerr << "stallscan: --cups: " << source_error << "\n";
        return cli::kExitUsage;
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
    const int status = options.serve
                           ? Serve(options, startup.values, *source, stop.get_token())
                           : cli::Run(options, startup.values, *source,
                                      {stop.get_token(), platform::StandardErrorIsTerminal(),
                                       platform::StandardOutputIsTerminal()},
                                      std::cout, std::cerr);
    // The live view ends by a signal as its normal way to stop (a service manager's stop).
    return signal != 0 && !options.serve ? 128 + signal : status;
}

// The clock of ages: the local time zone from the system; STALLSCAN_NOW (seconds since 1970), when
// set, fixes "now" so that a report can be made again as it was, and tests get the same ages.
void SetUpClock() {
    diag::Clock clock;
    clock.utc_offset = platform::UtcOffsetSeconds;
    const std::string fixed = platform::GetEnv("STALLSCAN_NOW");
    int64_t now = 0;
    const auto [end, error] = std::from_chars(fixed.data(), fixed.data() + fixed.size(), now);
    if (!fixed.empty() && error == std::errc() && end == fixed.data() + fixed.size() && now > 0) {
        clock.fixed_now = now;
    }
    diag::SetClock(std::move(clock));
}

}  // namespace

int Main(int argc, char** argv, const WindowsFn& windows) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string arg_text = platform::ArgumentText(argc, argv);
    const cli::Options options = cli::ParseArguments(args);
    SetUpClock();
    if (windows && !options.wants_command_line) {
        const StartupOutcome startup = LookUpStartup(options, arg_text);
        const bool found = startup.problem == StartupProblem::kNone;
        return windows(argc, argv, found ? std::string() : startup.message, startup.values);
    }
    return RunCommandLine(options, arg_text);
}

}  // namespace stallscan::app
