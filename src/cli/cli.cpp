#include "cli/cli.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <stop_token>
#include <system_error>
#include <thread>

#include "cli/check.h"
#include "cli/progress.h"
#include "diag/message_info.h"
#include "diag/state_reasons.h"
#include "listing/caching_source.h"
#include "listing/object_attributes.h"
#include "run/json_report.h"
#include "run/run_plan.h"
#include "run/scan.h"
#include "run/sleep_until.h"
#include "text/catalog.h"
#include "text/text_functions.h"

namespace stallscan::cli {

namespace {

using text::Catalog;
using text::Msg;

constexpr int kBrokenPipeStatus = 128 + 13;
constexpr char kTryHelp[] = "Try 'stallscan --help' for more information.\r\n";

std::string VersionLine() {
    return Catalog(Msg::kAppName) + " " + Catalog(Msg::kVersionMajor) + "-" +
           Catalog(Msg::kVersionMinor) + "\n";
}

// Writes the reports of a run in one format.
class ReportWriter {
  public:
    virtual ~ReportWriter() = default;
    virtual void Begin(std::ostream&) {}
    virtual void Write(std::ostream& out, const diag::Diagnosis& diagnosis) = 0;
    // `complete`: every job of the plan was written (false after a stop); `servers`: what became
    // of each server.
    virtual void End(std::ostream&, bool /*complete*/,
                     const std::vector<run::ServerOutcome>& /*servers*/) {}
};

class TextWriter : public ReportWriter {
  public:
    TextWriter(bool crlf, bool escape) : crlf_(crlf), escape_(escape) {}
    void Write(std::ostream& out, const diag::Diagnosis& diagnosis) override {
        const std::string text =
            (escape_ ? diagnosis.TerminalReportText() : diagnosis.ReportText()) + "\r\n";
        out << NativeLineEnds(text, crlf_);
    }

  private:
    bool crlf_;
    bool escape_;
};

// {"schema": 1, "scanTime": ..., "version": ..., "jobs": [...], "complete": ..., "servers": [...]}:
// a valid document also when a stop cut the run short.
class JsonWriter : public ReportWriter {
  public:
    void Begin(std::ostream& out) override {
        out << run::DocumentHead(std::chrono::system_clock::now());
    }
    void Write(std::ostream& out, const diag::Diagnosis& diagnosis) override {
        out << (first_ ? "\n" : ",\n") << run::DumpJson(run::JobToJson(diagnosis));
        first_ = false;
    }
    void End(std::ostream& out, bool complete,
             const std::vector<run::ServerOutcome>& servers) override {
        out << (first_ ? "" : "\n") << run::DocumentTail(complete, servers) << "\n";
    }

  private:
    bool first_ = true;
};

class JsonLinesWriter : public ReportWriter {
  public:
    void Write(std::ostream& out, const diag::Diagnosis& diagnosis) override {
        nlohmann::ordered_json line = {{"schema", run::kJsonSchema}};
        line.update(run::JobToJson(diagnosis));
        out << run::DumpJson(line) << "\n";
    }
};

bool HasSeverity(const diag::Diagnosis& diagnosis, diag::Severity severity) {
    return std::any_of(diagnosis.Messages().begin(), diagnosis.Messages().end(),
                       [severity](const diag::Message& message) {
                           return diag::SeverityOf(message) == severity;
                       });
}

// Whether a job is written, by --problems-only, --printer, --queue and --owner. A job that was
// not diagnosed is always written: nothing is known that would leave it out.
bool Wanted(const Options& options, const diag::Diagnosis& diagnosis) {
    if (diagnosis.GetOutcome() != diag::Outcome::kDiagnosed) {
        return true;
    }
    if (options.problems_only && !HasSeverity(diagnosis, diag::Severity::kProblem) &&
        !HasSeverity(diagnosis, diag::Severity::kWarning)) {
        return false;
    }
    if (!options.printer.empty()) {
        const bool requested = !diagnosis.PrintersRequested().empty();
        const std::vector<std::string> printers = diagnosis.PrinterList(requested);
        if (std::find(printers.begin(), printers.end(), options.printer) == printers.end()) {
            return false;
        }
    }
    return (options.queue.empty() || diagnosis.QueueName() == options.queue) &&
           (options.owner.empty() || diagnosis.JobOwner() == options.owner);
}

std::string ClassName(model::ObjectClass object_class) {
    switch (object_class) {
        case model::ObjectClass::kServer:
            return "server";
        case model::ObjectClass::kPrinter:
            return "printer";
        case model::ObjectClass::kQueue:
            return "queue";
        case model::ObjectClass::kJob:
            return "job";
        default:
            return "object";
    }
}

// -v: what the print system said about each listing that failed (escaped on a terminal).
void WriteFailures(std::ostream& err, const std::string& context,
                   const std::vector<listing::Lister::Failure>& failures, bool terminal) {
    for (const listing::Lister::Failure& failure : failures) {
        std::string said = failure.error_text;
        while (!said.empty() && (said.back() == '\n' || said.back() == '\r')) {
            said.pop_back();
        }
        const auto shown = [terminal](const std::string& value) {
            return terminal ? text::EscapeControls(value) : value;
        };
        err << NativeLineEnds("stallscan: " + shown(context) + ": listing " +
                              ClassName(failure.request.address.object_class) + " \"" +
                              shown(failure.request.address.name) + "\" failed: " + shown(said) +
                              "\r\n");
    }
}

// The messages about the "server:" SPECs that gave no job; the exit status they call for.
int ReportEmptyServers(const run::RunPlan& plan, listing::Lister& lister, const Options& options,
                       bool terminal, std::ostream& err) {
    int status = kExitDiagnosed;
    bool asked = plan.empty_servers.empty();  // a server answered that it has no waiting job
    for (const run::EmptyServer& empty : plan.empty_servers) {
        if (empty.status == listing::Status::kAuthenticationRequired) {
            // One line that says why, without the reason line's "- ".
            err << NativeLineEnds(
                text::SubstituteArgs(Catalog(Msg::kReasonAuthenticationRequired), {empty.server})
                    .substr(2));
            status = std::max(status, static_cast<int>(kExitJobListFailed));
            continue;
        }
        if (listing::IsAccessFailure(empty.status)) {
            err << NativeLineEnds(
                text::SubstituteArgs(Catalog(Msg::kUnableToAccessServer), {empty.server}));
            status = std::max(status, static_cast<int>(kExitJobListFailed));
            continue;
        }
        // A server that does not exist has nothing to diagnose, but it is not all well either.
        if (empty.unknown) {
            err << NativeLineEnds("stallscan: server \"" + empty.server + "\" was not found.\r\n");
            status = std::max(status, static_cast<int>(kExitJobListFailed));
            continue;
        }
        asked = true;
        err << NativeLineEnds(text::SubstituteArgs(Catalog(Msg::kNoPendingJobs), {empty.server}));
        status = std::max(status, static_cast<int>(kExitNothingToDiagnose));
    }
    if (options.verbose) {
        WriteFailures(err, "job list", lister.Failures(), terminal);
    }
    // Nothing to diagnose is worth saying only where a server could say so.
    if (plan.items.empty() && asked) {
        err << NativeLineEnds(Catalog(Msg::kNoJobsToDiagnose) + "\r\n");
    }
    return status;
}

// --list with a filter: the jobs the reports would have, SERVER:JOB a line.
class ListWriter : public ReportWriter {
  public:
    explicit ListWriter(bool escape) : escape_(escape) {}
    void Write(std::ostream& out, const diag::Diagnosis& diagnosis) override {
        const std::string job = diagnosis.SpoolerName() + ":" + diagnosis.JobId();
        out << (escape_ ? text::EscapeControls(job) : job) << "\n";
    }

  private:
    bool escape_;
};

std::unique_ptr<ReportWriter> MakeWriter(const Options& options, bool out_terminal) {
    switch (options.format) {
        case Format::kList:
            return std::make_unique<ListWriter>(out_terminal);
        case Format::kJson:
            return std::make_unique<JsonWriter>();
        case Format::kJsonLines:
            return std::make_unique<JsonLinesWriter>();
        default:
            return std::make_unique<TextWriter>(options.crlf, out_terminal && !options.crlf);
    }
}

}  // namespace

namespace {

// The exit status after a write to standard output failed, with the line that says so.
int OutputFailed(int error, std::ostream& err, bool check) {
    if (error == EPIPE) {
        return kBrokenPipeStatus;  // the reader has gone: end as quietly as SIGPIPE would
    }
    err << "stallscan: cannot write to standard output: "
        << std::generic_category().message(error) << "\n";
    return check ? static_cast<int>(kCheckUnknown) : static_cast<int>(kExitWriteFailed);
}

// `status` once what was written to `out` has left, or the status of its failure.
int Sent(std::ostream& out, std::ostream& err, int status, bool check) {
    if (out) {  // else the write that failed has left its errno
        errno = 0;
        out.flush();
    }
    return out ? status : OutputFailed(errno != 0 ? errno : EIO, err, check);
}

std::string SecondsText(std::chrono::milliseconds time) {
    std::ostringstream text;
    text << static_cast<double>(time.count()) / 1000;
    return text.str();
}

}  // namespace

std::string NativeLineEnds(std::string text, bool crlf) {
#ifndef _WIN32
    if (!crlf) {
        size_t kept = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
                text[kept++] = text[i];
            }
        }
        text.resize(kept);
    }
#else
    (void)crlf;
#endif
    return text;
}

std::optional<int> AnswerWithoutRun(const Options& options, std::ostream& out, std::ostream& err) {
    const bool check = options.format == Format::kCheck;
    if (!options.error.empty()) {
        if (check) {
            out << "STALLSCAN UNKNOWN - usage: "
                << text::TrimSpaces(NativeLineEnds(options.error, false).substr(
                       0, options.error.find_first_of("\r\n")))
                << "; see stallscan --help\n";
            return Sent(out, err, kCheckUnknown, true);
        }
        err << NativeLineEnds(options.error + kTryHelp);
        return kExitUsage;
    }
    if (options.help) {
        out << HelpText();
        return Sent(out, err, kExitDiagnosed, false);
    }
    if (options.version) {
        out << VersionLine();
        return Sent(out, err, kExitDiagnosed, false);
    }
    if (options.reasons) {
        for (const diag::StateReason& reason : diag::AllStateReasons()) {
            out << diag::ReasonRow(reason) << "\n";
        }
        return Sent(out, err, kExitDiagnosed, false);
    }
    if (options.specs.empty() && !options.cups_server) {
        if (check) {
            out << "STALLSCAN UNKNOWN - usage: no SPEC given; name a SERVER: or SERVER:JOB (see "
                   "stallscan --help)\n";
            return Sent(out, err, kCheckUnknown, true);
        }
        err << NativeLineEnds(Catalog(Msg::kUsage) + kTryHelp);
        return kExitUsage;
    }
    return std::nullopt;
}

int ReportStartupFailure(const Options& options, const std::string& message,
                         const std::string& hint, std::ostream& out, std::ostream& err) {
    if (options.format == Format::kCheck) {
        // The message's first line as a clause of the status line: its full stop goes.
        std::string first(text::TrimSpaces(
            NativeLineEnds(message, false).substr(0, message.find_first_of("\r\n"))));
        if (!first.empty() && first.back() == '.') {
            first.pop_back();
        }
        out << "STALLSCAN UNKNOWN - " << first << "; " << hint << "\n";
        return Sent(out, err, kCheckUnknown, true);
    }
    err << NativeLineEnds(message + "stallscan: " + hint + "\r\n");
    return kExitInstallation;
}

int Run(const Options& options, const run::StartupValues& startup,
        listing::ListingSource& tool_source, const RunContext& context, std::ostream& out,
        std::ostream& err) {
    listing::CachingSource cache(tool_source);
    listing::ListingSource& source = options.no_cache ? tool_source : cache;
    const std::string domain(text::TrimSpaces(startup.domain));
    const bool check = options.format == Format::kCheck;
    Progress progress(err, context.terminal && !options.quiet && !check);
    // The run ends early on a signal, at the deadline, or when standard output fails: `halt`
    // stops the listings in flight (their tools are ended) and starts no other.
    std::stop_source halt;
    const std::stop_callback forward(context.stop, [&halt] { halt.request_stop(); });
    const std::optional<std::chrono::milliseconds> deadline = options.deadline;
    std::atomic<bool> deadline_passed = false;
    std::jthread timer;
    if (deadline && deadline->count() > 0) {
        const auto end = std::chrono::steady_clock::now() + *deadline;
        timer = std::jthread([&halt, &deadline_passed, end](std::stop_token own) {
            if (run::SleepUntil(own, end)) {
                deadline_passed = true;
                halt.request_stop();
            }
        });
    }
    int write_error = 0;  // errno of the first failed write to standard output
    const auto sent = [&] {
        out.flush();
        if (!out && write_error == 0) {
            write_error = errno != 0 ? errno : EIO;
            halt.request_stop();
        }
        return write_error == 0;
    };

    listing::Lister lister(source, {halt.get_token(), options.timeout});
    run::RunPlan plan =
        run::PlanForSource(lister, options.specs, domain, startup.default_printer);
    if (context.stop.stop_requested()) {
        return kExitDiagnosed;  // the caller reports the signal
    }
    // --check writes its line and nothing else, unless asked for more with -v.
    std::ostream quiet(nullptr);
    std::ostream& notes = check && !options.verbose ? quiet : err;
    size_t total = 0;
    for (const run::RunItem& item : plan.items) {
        total += item.repeated_key ? 0 : 1;
    }
    // The deadline passed while the job lists were read: no job was reached.
    const auto deadline_line = [&](size_t diagnosed) {
        return "the deadline of " + SecondsText(*deadline) +
               " s (-t) ended the run after " + std::to_string(diagnosed) + " of " +
               std::to_string(total) + (total == 1 ? " job" : " jobs");
    };
    if (deadline_passed) {
        if (check) {
            out << "STALLSCAN UNKNOWN - " << deadline_line(0)
                << ", while the job lists were read; give it more time with -t | jobs=0\n";
            return sent() ? kCheckUnknown : OutputFailed(write_error, err, true);
        }
        err << "stallscan: " << deadline_line(0) << ", while the job lists were read\n";
        return kExitNotDiagnosed;
    }
    run::FindUnknownServers(lister, plan, domain);
    progress.Clear();
    int status = ReportEmptyServers(plan, lister, options, context.terminal, notes);
    run::ServerOutcomes servers;
    servers.AddPlan(plan);
    const bool filtered = options.problems_only || !options.printer.empty() ||
                          !options.queue.empty() || !options.owner.empty();
    if (options.format == Format::kList && !filtered) {
        for (const run::RunItem& item : plan.items) {
            if (!item.repeated_key) {
                const std::string job = item.server + ":" + item.job;
                out << (context.out_terminal ? text::EscapeControls(job) : job) << "\n";
            }
        }
        return sent() ? status : OutputFailed(write_error, err, false);
    }

    std::unique_ptr<ReportWriter> writer = MakeWriter(options, context.out_terminal);
    CheckSummary summary;
    if (!check) {
        writer->Begin(out);
    }
    progress.Start(total);
    size_t delivered = 0;
    const bool complete = run::Scan(
        source, plan, {domain, options.timeout, options.jobs}, halt.get_token(),
        [&](run::ScannedJob&& job) {
            if (job.item->repeated_key || write_error != 0) {
                return;
            }
            ++delivered;
            const diag::Diagnosis& diagnosis = job.diagnosis;
            progress.Clear();
            if (options.verbose) {
                WriteFailures(err, job.item->server + ":" + job.item->job, job.failures,
                              context.terminal);
            }
            servers.AddJob(diagnosis);
            if (diagnosis.GetOutcome() != diag::Outcome::kDiagnosed) {
                status = std::max(status, static_cast<int>(kExitNotDiagnosed));
            }
            if (Wanted(options, diagnosis)) {
                summary.Count(diagnosis);
                if (!check) {
                    writer->Write(out, diagnosis);
                    sent();
                }
            }
            progress.Done(text::EscapeControls(job.item->server + ":" + job.item->job));
        });
    timer = {};  // the deadline counts no more: what follows only writes
    progress.Clear();
    if (write_error != 0) {
        return OutputFailed(write_error, err, check);
    }
    if (context.stop.stop_requested()) {
        if (!check) {
            writer->End(out, false, servers.List());
            out.flush();
        }
        return status;
    }
    if (deadline_passed) {
        if (check) {
            out << "STALLSCAN UNKNOWN - " << deadline_line(delivered)
                << "; give it more time with -t, or look at the print server's load | jobs="
                << summary.jobs << " blocked=" << summary.blocked
                << " not_diagnosed=" << summary.not_diagnosed + (total - delivered) << "\n";
            return sent() ? kCheckUnknown : OutputFailed(write_error, err, true);
        }
        writer->End(out, false, servers.List());
        if (!sent()) {
            return OutputFailed(write_error, err, false);
        }
        err << "stallscan: " << deadline_line(delivered) << "; the others were not diagnosed\n";
        return kExitNotDiagnosed;
    }
    if (check) {
        summary.CountServers(servers.List());
        out << summary.Line(options) << "\n";
        return sent() ? summary.Status(options) : OutputFailed(write_error, err, true);
    }
    writer->End(out, complete, servers.List());
    if (!sent()) {
        return OutputFailed(write_error, err, false);
    }
    progress.Summary(summary);
    return status;
}

}  // namespace stallscan::cli
