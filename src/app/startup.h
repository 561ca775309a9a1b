#pragma once
// Start-up checks and the choice of normal or pseudo mode, as pure functions of the argument
// text and the environment, so that they can be tested without the real environment.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace basMain {

// Reads an environment variable; an unset variable reads as the empty text.
using EnvLookup = std::function<std::string(const std::string& name)>;
// Length of the file named by a Windows-notation path text; nullopt when it cannot be examined.
using FileLengthLookup = std::function<std::optional<int64_t>(const std::string& winPath)>;

struct StartupValues {
    std::string rootDir;
    std::string listToolPath;
    std::string defaultPrinter;
    std::string pseudoDir;
};

struct StartupOutcome {
    // 0 when the installation was found; otherwise msg::InvalidExecution or
    // msg::UnableToAccessBinary, and `message` holds the catalogue text to show.
    int32_t messageId = 0;
    std::string message;
    StartupValues values;
};

// The entry checks: OV_ROOT (101), the listing tool file (102), KVPRINTER and the mode.
StartupOutcome CheckStartup(const std::string& argText, const EnvLookup& env,
                            const FileLengthLookup& fileLength);

// The pseudo directory chosen from the argument text, else from STALLSCAN (`stallscanEnv`);
// `tempEnv` is the value of TEMP. Empty means normal mode.
std::string ChoosePseudoDir(const std::string& argText, const std::string& stallscanEnv,
                            const std::string& tempEnv);

// The domain from "domain-name@" in the argument text (up to the next blank), else in STALLSCAN
// (up to the next ";"), else empty.
std::string FindDomain(const std::string& argText, const std::string& stallscanEnv);

// Sets the process-wide values of globals.h.
void ApplyStartup(const StartupValues& values);

// The real environment and file system, through src/platform.
EnvLookup SystemEnvironment();
FileLengthLookup SystemFileLength();

}  // namespace basMain
