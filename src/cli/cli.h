#pragma once
// The command-line mode: diagnoses the jobs named on the command line without any window.

#include <iosfwd>
#include <optional>

#include "cli/options.h"
#include "listing/source.h"
#include "run/startup_values.h"

namespace stallscan::cli {

// Exit statuses.
enum ExitStatus : int {
    kExitReports = 0,
    kExitNothingToDiagnose = 1,
    kExitUsage = 2,
    kExitInstallation = 3,
    kExitJobListFailed = 4,
};

// What the arguments ask for before the start-up checks: the usage (-h), the version (-V), or a
// usage error (an unknown option, no SPEC). The exit status when they are answered; nothing when
// they ask for a run.
std::optional<int> AnswerWithoutRun(const Options& options, std::ostream& out, std::ostream& err);

// Diagnoses the SPECs through `source`. Reports go to `out`, messages to `err`.
int Run(const Options& options, const run::StartupValues& startup,
        listing::ListingSource& source, std::ostream& out, std::ostream& err);

}  // namespace stallscan::cli
