#pragma once
// The entry procedure's checks and choices, as pure functions of the argument text and the
// environment so that they can be tested without the real environment: the installation root
// (OV_ROOT), the listing tool file, the default printer (KVPRINTER), normal or pseudo mode, and
// the domain.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "run/startup_values.h"

namespace stallscan::app {

// Reads an environment variable; an unset variable reads as the empty text.
using EnvLookup = std::function<std::string(const std::string& name)>;
// Length of the file named by a Windows-notation path text; nullopt when it cannot be examined.
using FileLengthLookup = std::function<std::optional<int64_t>(const std::string& win_path)>;

enum class StartupProblem {
    kNone,
    kNoRoot,           // OV_ROOT is not set or empty (message 101)
    kToolUnavailable,  // the listing tool file is missing, unreadable or empty (message 102)
};

struct StartupOutcome {
    StartupProblem problem = StartupProblem::kNone;
    // The catalogue text to show when there is a problem.
    std::string message;
    run::StartupValues values;
};

StartupOutcome CheckStartup(const std::string& arg_text, const EnvLookup& env,
                            const FileLengthLookup& file_length);

// The pseudo directory chosen from the argument text, else from STALLSCAN (`stallscan_env`);
// `temp_env` is the value of TEMP. Empty means normal mode.
std::string ChoosePseudoDir(const std::string& arg_text, const std::string& stallscan_env,
                            const std::string& temp_env);

// The domain from "domain-name@" in the argument text (up to the next blank), else in STALLSCAN
// (up to the next ";"), else empty.
std::string FindDomain(const std::string& arg_text, const std::string& stallscan_env);

// The real environment and file system.
EnvLookup SystemEnvironment();
FileLengthLookup SystemFileLength();

}  // namespace stallscan::app
