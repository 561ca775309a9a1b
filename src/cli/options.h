#pragma once
// The command line's arguments: options (with their values), keywords and SPECs.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace stallscan::cli {

enum class Format {
    kText,       // the reports as "Save All" writes them (LF line ends on POSIX unless --crlf)
    kJson,       // one JSON object {"schema": 1, "jobs": [...]}
    kJsonLines,  // one JSON object per job and line
    kCheck,      // one line in the monitoring-plugin convention
    kList,       // the jobs that would be diagnosed, "server:job" a line, without diagnosing
};

// A threshold in the monitoring-plugin range syntax: "N" (alert outside 0 to N), "N:" (below N),
// "~:N" (above N), "N:M" (outside N to M), "@N:M" (inside N to M, ends included).
struct Range {
    std::optional<double> low;   // none: no lower end ("~")
    std::optional<double> high;  // none: no upper end
    bool inside = false;         // "@": alert inside the range instead of outside
    std::string text;            // as given, for the performance data

    bool Alerts(double value) const;
};

// The range of `text`; nothing when it is not one.
std::optional<Range> ParseRange(const std::string& text);

struct Options {
    bool help = false;
    bool version = false;
    bool reasons = false;  // --reasons: the table of state reasons
    Format format = Format::kText;
    bool crlf = false;
    bool quiet = false;
    bool verbose = false;
    bool problems_only = false;
    std::string printer;  // --printer: only the jobs that may print on it
    std::string queue;    // --queue
    std::string owner;    // --owner
    // Per listing; zero for none.
    std::chrono::milliseconds timeout{std::chrono::seconds(30)};
    // -t: the whole run ends by then (none: no limit; --check without it: 50 s).
    std::optional<std::chrono::milliseconds> deadline;
    // Jobs diagnosed at once.
    int jobs = 4;
    // Every listing runs the tool, also for an object listed before in the same run.
    bool no_cache = false;
    // --cups[=SERVER]: a CUPS server instead of the listing tool (empty: the default server).
    std::optional<std::string> cups_server;
    // --serve: the live view over HTTP, with where it listens, how often it scans, and the file
    // of its shared secret.
    bool serve = false;
    std::string listen;  // ADDR:PORT; empty: the default
    std::chrono::milliseconds interval{std::chrono::seconds(60)};
    std::string token_file;
    // --check: WARNING and CRITICAL when the number of blocked jobs is alerted by the range
    // (default: WARNING above 0; CRITICAL never).
    Range warning{0.0, 0.0, false, "0"};
    std::optional<Range> critical;
    bool thresholds_given = false;  // -w or -c
    // --warning-age, --critical-age: WARNING and CRITICAL when the oldest blocked job has waited
    // this many seconds or longer since it was submitted.
    std::optional<int64_t> warning_age;
    std::optional<int64_t> critical_age;
    // What is wrong with the arguments (the catalogue's invalid-option text or a sentence); empty
    // when they are usable.
    std::string error;
    // Arguments of the form [server_name:][job_id], in order.
    std::vector<std::string> specs;

    // True when the arguments ask for the command-line mode: a SPEC or any option but --cups.
    // Without any of them the windowed program opens its windows.
    bool wants_command_line = false;
};

// Any word holding "pseudo-kvls" or "domain-name@" is a keyword (read from the argument text by
// the start-up), not a SPEC. Empty arguments are ignored; "--" ends the options.
Options ParseArguments(const std::vector<std::string>& args);

// The text of --help.
std::string HelpText();

}  // namespace stallscan::cli
