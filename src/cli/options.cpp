#include "cli/options.h"

#include <charconv>
#include <cmath>

#include "text/catalog.h"
#include "text/text_functions.h"
#include "text/time_text.h"

namespace stallscan::cli {

namespace {

bool IsKeyword(const std::string& arg) {
    return arg.find("pseudo-kvls") != std::string::npos ||
           arg.find("domain-name@") != std::string::npos;
}

// A whole number from 0 to `max`.
std::optional<int> Count(const std::string& text, int max) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value > max) {
        return std::nullopt;
    }
    return value;
}

// Seconds, fractions allowed, from 0 to a day.
std::optional<std::chrono::milliseconds> Seconds(const std::string& text) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !(value >= 0) || value > 86400) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(std::llround(value * 1000));
}

// A decimal number, as the range syntax has them.
std::optional<double> Number(std::string_view text) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

class Parser {
  public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    Options Parse() {
        bool options_end = false;
        for (index_ = 0; index_ < args_.size(); ++index_) {
            const std::string& arg = args_[index_];
            if (arg.empty() || IsKeyword(arg)) {
                continue;
            }
            if (options_end || arg[0] != '-' || arg == "-") {
                options_.specs.push_back(arg);
            } else if (arg == "--") {
                options_end = true;
            } else if (arg == "--cups" || arg.starts_with("--cups=")) {
                options_.cups_server = arg.size() > 7 ? arg.substr(7) : "";
                continue;
            } else {
                Option(arg);
            }
            options_.wants_command_line = true;
        }
        if (options_.cups_server) {
            for (const std::string& spec : options_.specs) {
                if (spec.find(':') != std::string::npos) {
                    Fail("stallscan: with --cups, name jobs by their numbers (\"" + spec +
                         "\" is not one); the server is the one that --cups names\r\n");
                    break;
                }
            }
        }
        CheckServeOptions();
        return options_;
    }

  private:
    // The live view has its own filters and formats; the options of a single run make no sense
    // there, and the options of the live view none without it.
    void CheckServeOptions() {
        const Options& o = options_;
        if (!o.serve) {
            if (!o.listen.empty() || !o.token_file.empty() || serve_only_given_) {
                Fail("stallscan: --listen, --interval and --token-file go with --serve\r\n");
            }
            return;
        }
        if (o.format != Format::kText || o.crlf || o.quiet || o.verbose || o.problems_only ||
            !o.printer.empty() || !o.queue.empty() || !o.owner.empty() ||
            o.thresholds_given || o.warning_age || o.critical_age || o.deadline) {
            Fail(
                "stallscan: --serve takes SPECs, --cups, --timeout, -j, --no-cache, --listen, "
                "--interval and --token-file; the page filters by itself\r\n");
        }
        if (o.specs.empty() && !o.cups_server) {
            Fail("stallscan: --serve needs at least one SPEC, such as SERVER:\r\n");
        }
    }

    void Fail(const std::string& message) {
        if (options_.error.empty()) {
            options_.error = message;
        }
    }
    void Invalid(const std::string& arg) {
        Fail(text::SubstituteArgs(text::Catalog(text::Msg::kInvalidOption), {arg}));
    }

    // The value of an option: "--name=value" or the next argument.
    std::optional<std::string> Value(const std::string& name, const std::string& inline_value,
                                     bool has_inline) {
        if (has_inline) {
            return inline_value;
        }
        if (index_ + 1 >= args_.size()) {
            Fail("stallscan: " + name + " needs a value\r\n");
            return std::nullopt;
        }
        return args_[++index_];
    }

    void Option(const std::string& arg) {
        const size_t equals = arg.find('=');
        const bool has_inline = arg.starts_with("--") && equals != std::string::npos;
        const std::string name = has_inline ? arg.substr(0, equals) : arg;
        const std::string inline_value = has_inline ? arg.substr(equals + 1) : "";
        const auto flag = [&](bool& target) {
            if (has_inline) {
                Invalid(arg);
            }
            target = true;
        };
        if (name == "-h" || name == "--help") {
            flag(options_.help);
        } else if (name == "-V" || name == "--version") {
            flag(options_.version);
        } else if (name == "--reasons") {
            flag(options_.reasons);
        } else if (name == "--json" || name == "--json-lines" || name == "--check" ||
                   name == "--list") {
            bool unused = false;
            flag(unused);
            options_.format = name == "--json"         ? Format::kJson
                              : name == "--json-lines" ? Format::kJsonLines
                              : name == "--check"      ? Format::kCheck
                                                       : Format::kList;
        } else if (name == "--crlf") {
            flag(options_.crlf);
        } else if (name == "-q" || name == "--quiet") {
            flag(options_.quiet);
        } else if (name == "-v" || name == "--verbose") {
            flag(options_.verbose);
        } else if (name == "--problems-only") {
            flag(options_.problems_only);
        } else if (name == "--no-cache") {
            flag(options_.no_cache);
        } else if (name == "--serve") {
            flag(options_.serve);
        } else if (name == "--listen" || name == "--token-file") {
            if (const auto value = Value(name, inline_value, has_inline)) {
                (name == "--listen" ? options_.listen : options_.token_file) = *value;
            }
        } else if (name == "--interval") {
            if (const auto value = Value(name, inline_value, has_inline)) {
                serve_only_given_ = true;
                if (const auto seconds = Seconds(*value); seconds && seconds->count() >= 1000) {
                    options_.interval = *seconds;
                } else {
                    Fail("stallscan: --interval takes seconds from 1 to 86400, not \"" + *value +
                         "\"\r\n");
                }
            }
        } else if (name == "-j" || name == "--jobs") {
            if (const auto value = Value(name, inline_value, has_inline)) {
                if (const auto count = Count(*value, 64); count && *count >= 1) {
                    options_.jobs = *count;
                } else {
                    Fail("stallscan: " + name + " takes a number of jobs from 1 to 64, not \"" +
                         *value + "\"\r\n");
                }
            }
        } else if (name == "--printer" || name == "--queue" || name == "--owner") {
            if (const auto value = Value(name, inline_value, has_inline)) {
                (name == "--printer" ? options_.printer
                 : name == "--queue" ? options_.queue
                                     : options_.owner) = *value;
            }
        } else if (name == "-t" || name == "--deadline") {
            if (const auto value = Value(name, inline_value, has_inline)) {
                if (const auto seconds = Seconds(*value)) {
                    options_.deadline = *seconds;
                } else {
                    Fail("stallscan: " + name +
                         " takes seconds from 0 (no limit) to 86400, not \"" + *value + "\"\r\n");
                }
            }
        } else if (name == "--timeout") {
            if (const auto value = Value(name, inline_value, has_inline)) {
                if (const auto seconds = Seconds(*value)) {
                    options_.timeout = *seconds;
                } else {
                    Fail("stallscan: --timeout takes seconds from 0 (no limit) to 86400, not \"" +
                         *value + "\"\r\n");
                }
            }
        } else if (name == "-w" || name == "--warning" || name == "-c" || name == "--critical") {
            if (const auto value = Value(name, inline_value, has_inline)) {
                options_.thresholds_given = true;
                if (const auto range = ParseRange(*value)) {
                    if (name == "-w" || name == "--warning") {
                        options_.warning = *range;
                    } else {
                        options_.critical = *range;
                    }
                } else {
                    Fail("stallscan: " + name +
                         " takes a range of blocked jobs (N, N:, ~:N, N:M or @N:M), not \"" +
                         *value + "\"\r\n");
                }
            }
        } else if (name == "--warning-age" || name == "--critical-age") {
            if (const auto value = Value(name, inline_value, has_inline)) {
                if (const auto seconds = text::ParseDuration(*value)) {
                    (name == "--warning-age" ? options_.warning_age : options_.critical_age) =
                        *seconds;
                } else {
                    Fail("stallscan: " + name +
                         " takes a duration such as 90s, 15m, 2h or 1d, not \"" + *value +
                         "\"\r\n");
                }
            }
        } else {
            Invalid(arg);
        }
    }

    const std::vector<std::string>& args_;
    size_t index_ = 0;
    bool serve_only_given_ = false;  // --interval, whose default cannot tell
    Options options_;
};

}  // namespace

bool Range::Alerts(double value) const {
    const bool within = (!low || value >= *low) && (!high || value <= *high);
    return inside ? within : !within;
}

std::optional<Range> ParseRange(const std::string& text) {
    Range range;
    range.text = text;
    std::string_view rest = text;
    if (rest.starts_with('@')) {
        range.inside = true;
        rest.remove_prefix(1);
    }
    const size_t colon = rest.find(':');
    if (colon == std::string_view::npos) {
        range.low = 0.0;  // "N": 0 to N
        range.high = Number(rest);
        if (!range.high) {
            return std::nullopt;
        }
    } else {
        const std::string_view low = rest.substr(0, colon);
        const std::string_view high = rest.substr(colon + 1);
        if (low != "~") {
            range.low = low.empty() ? std::optional(0.0) : Number(low);
            if (!range.low) {
                return std::nullopt;
            }
        }
        if (!high.empty()) {
            range.high = Number(high);
            if (!range.high) {
                return std::nullopt;
            }
        }
    }
    if (range.low && range.high && *range.low > *range.high) {
        return std::nullopt;
    }
    return range;
}

Options ParseArguments(const std::vector<std::string>& args) {
    Options options = Parser(args).Parse();
    // A check left running by a monitoring system that has given up on it helps nobody: without
    // -t it ends by 50 s, before the usual 60 s of the systems that run it.
    if (options.format == Format::kCheck && !options.deadline) {
        options.deadline = std::chrono::seconds(50);
    }
    return options;
}

std::string HelpText() {
    return R"(Usage: stallscan [OPTION]... SPEC...
Tells why print jobs are not printing: lists each job, its queue, the queue's printers and their
supervisors with the print system's listing tool kvls, and states every reason it finds.

SPEC:
  SERVER:JOB        job JOB of server (spooler) SERVER
  SERVER:           every waiting (pending, paused or held) job of SERVER
  JOB               job JOB of the default server (the server of the printer in KVPRINTER)

CUPS:
  --cups[=SERVER]   diagnose the jobs of a CUPS server instead, through IPP (no kvls, no
                    OV_ROOT): SERVER is HOST, HOST:PORT, [ADDRESS]:PORT, ipps://HOST[:PORT] or
                    a socket path; without it, the server of the CUPS clients (CUPS_SERVER,
                    client.conf, the local socket). SPECs are then job numbers; without any,
                    every waiting (pending, held, stopped) job of the server. The server appears
                    in reports as HOST, or HOST@PORT for a port other than 631

Output:
  --json            one JSON object {"schema": 1, "jobs": [...]}, written job by job
  --json-lines      one JSON object per job and line, each with "schema": 1
  --check           one line for a monitoring system, and nothing on standard error unless
                    -v; exit 0 OK, 1 WARNING (also: a job named is not found), 2 CRITICAL
                    (also: a server cannot be found, reached or read), 3 UNKNOWN (usage,
                    installation, the deadline)
  -w R, --warning R  with --check: WARNING when the number of blocked jobs is outside the
                    range R (default 0: more than none). R in the monitoring-plugin syntax:
                    N (0 to N), N: (N or more), ~:N (N or fewer), N:M, @N:M (alert inside
                    N to M)
  -c R, --critical R  with --check: CRITICAL when the number of blocked jobs is outside R
                    (default never)
  --warning-age D   with --check: WARNING when the oldest blocked job has waited D or longer
                    since it was submitted; D is a duration such as 90s, 15m, 2h or 1d. Without
                    -w and -c only the ages decide, with them the worse state wins; a print
                    system that tells no times gives UNKNOWN
  --critical-age D  with --check: CRITICAL when the oldest blocked job has waited D or longer
  --list            only list the jobs that would be diagnosed, SERVER:JOB a line; with
                    --problems-only, --printer, --queue or --owner the jobs are diagnosed
                    (their printers, queue and problems are known only then) and the jobs the
                    reports would have are listed
  --crlf            end report lines with CR LF, byte for byte as the windows' "Save All"
  --problems-only   leave out the jobs with nothing wrong
  --printer P       only the jobs that may print on printer P
  --queue Q         only the jobs of queue Q
  --owner U         only the jobs of owner U
  -q, --quiet       no progress line and no summary on a terminal
  -v, --verbose     also write the listing tool's error text of each listing that failed

Listing:
  --timeout S       give up a listing after S seconds (default 30; 0: never); the job's report
                    then ends with "Server ... is not responding."
  -t S, --deadline S  end the whole run after S seconds (default: none; 50 with --check; 0:
                    none): the reports written so far stay, the jobs not reached are not
                    diagnosed (exit status 5; --check: UNKNOWN), no listing is left running
  -j N, --jobs N    diagnose up to N jobs at once (default 4, at most 64); the reports keep
                    their order
  --no-cache        list every object for every job; by default a server, queue or printer is
                    listed once per run (a failure too), jobs always afresh, but the waiting
                    jobs of a CUPS server all with one request per run

Live view:
  --serve           scan the SPECs every interval and serve the last scan over HTTP: a page
                    (/), the JSON report (/api/v1/jobs), the scan (/api/v1/scan), /healthz and
                    Prometheus metrics (/metrics); requests never start listings. SIGTERM or
                    SIGINT ends it with status 0; status 2 when it cannot listen
  --listen A:P      listen on address A, port P (IPv6 as [::1]:P; default 127.0.0.1:9631)
  --interval S      seconds between the starts of two scans (default 60)
  --token-file F    the API and metrics need the secret in F as a bearer token, the page as
                    the password of HTTP Basic authentication

  -h, --help        this text
  -V, --version     the version
  --reasons         the state reasons of IPP printers and jobs that reports explain, a line
                    each: ATTRIBUTE, KEYWORD, SEVERITY, CODE, SENTENCE and REMEDY separated
                    by tabs (no remedy for information)
  --                the arguments after it are SPECs

Keywords (anywhere in the arguments, or in STALLSCAN separated by ";"):
  pseudo-kvls[@DIR] read canned listings from DIR (default: $TEMP) instead of running kvls
  domain-name@D     look the objects up in print-system domain D

Environment:
  OV_ROOT           the print system's installation root, the folder that holds bin/kvls
  KVPRINTER         the default printer, whose server is the default server
  STALLSCAN         keywords, separated by ";"
  TEMP              the canned-listings folder of pseudo-kvls without @DIR
  TZ                the time zone of the times in reports (CUPS: since when, hold ends)
  STALLSCAN_NOW     seconds since 1970: take every age at this time instead of the server's
                    clock or the local one (to make a report again as it was, and for tests)

Exit status:
  0  every job was diagnosed
  1  nothing to diagnose: a SERVER: without waiting jobs
  2  usage: no SPEC, or an unknown or malformed option
  3  the installation was not found (OV_ROOT, the listing tool)
  4  a server's job list could not be read (the server does not exist, cannot be reached,
     or wants a password)
  5  at least one job could not be diagnosed (no such server or job, an invalid identifier,
     no readable job state, a listing that timed out, the deadline of -t)
  6  standard output could not be written (a full disk); a reader that went away (a closed
     pipe) ends the run quietly with 141 instead
  With several SPECs the highest status applies, and every SPEC that can be served is served.
  128+N  ended by signal N (130 Ctrl+C, 143 SIGTERM); nothing half-written is left.
)";
}

}  // namespace stallscan::cli
