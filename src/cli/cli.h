#pragma once
// The command-line mode: diagnoses the jobs named on the command line without any window and
// writes the reports, job by job, to standard output.

#include <iosfwd>
#include <optional>
#include <stop_token>

#include "cli/options.h"
#include "listing/source.h"
#include "run/startup_values.h"

namespace stallscan::cli {

// Exit statuses; the highest that applies wins.
enum ExitStatus : int {
    kExitDiagnosed = 0,
    kExitNothingToDiagnose = 1,
    kExitUsage = 2,
    kExitInstallation = 3,
    kExitJobListFailed = 4,
    kExitNotDiagnosed = 5,
    kExitWriteFailed = 6,
};

// The exit statuses of --check, in the monitoring-plugin convention.
enum CheckStatus : int { kCheckOk = 0, kCheckWarning = 1, kCheckCritical = 2, kCheckUnknown = 3 };

// What the arguments ask for before the start-up checks: the help (-h), the version (-V), or a
// usage error (an unknown or malformed option, no SPEC). The exit status when they are answered;
// nothing when they ask for a run.
std::optional<int> AnswerWithoutRun(const Options& options, std::ostream& out, std::ostream& err);

// A start-up failure as the command line reports it: the catalogue text, then what to do (or one
// --check line); returns the exit status.
int ReportStartupFailure(const Options& options, const std::string& message, const std::string& hint,
                         std::ostream& out, std::ostream& err);

struct RunContext {
    // Requested when the program is asked to end (a signal): the run stops at once.
    std::stop_token stop;
    // Standard error is a terminal: show a progress line and a summary (unless --quiet), and
    // control characters of the print system's texts visibly escaped.
    bool terminal = false;
    // Standard output is a terminal: the reports' control characters are escaped (but not with
    // --crlf, which asks for the very bytes).
    bool out_terminal = false;
};

// Diagnoses the SPECs through `source`. Returns the exit status, or 141 when standard output was
// closed by its reader (the run then ends quietly, and starts no listing after the failed write),
// or 6 with one line on `err` when writing failed otherwise (a full disk).
int Run(const Options& options, const run::StartupValues& startup, listing::ListingSource& source,
        const RunContext& context, std::ostream& out, std::ostream& err);

// Text with CR LF line ends as this system writes it: LF on POSIX, CR LF on Windows, or CR LF
// everywhere with `crlf`.
std::string NativeLineEnds(std::string text, bool crlf = false);

}  // namespace stallscan::cli
