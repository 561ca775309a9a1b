#pragma once
// The command-line mode: diagnoses the jobs named on the command line without any window.

#include <iosfwd>
#include <string>
#include <vector>

#include "app/startup.h"

namespace cli {

// Exit statuses.
enum ExitStatus : int {
    kExitReports = 0,
    kExitNothingToDiagnose = 1,
    kExitUsage = 2,
    kExitInstallation = 3,
    kExitJobListFailed = 4,
};

// True when the arguments ask for the command-line mode: a SPEC, -h, -V or any other option.
// Without any of them the program opens its windows.
bool WantsCommandLine(const std::vector<std::string>& args);

// Runs the command-line mode. `argText` is the argument text used for the keywords (on POSIX the
// arguments joined by blanks). Reports go to `out`, start-up and usage messages to `err`.
int Run(const std::vector<std::string>& args, const std::string& argText, std::ostream& out,
        std::ostream& err, const basMain::EnvLookup& env,
        const basMain::FileLengthLookup& fileLength);

}  // namespace cli
