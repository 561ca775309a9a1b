#include "cli/cli.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>

#include "cli/check.h"
#include "cli/progress.h"
#include "diag/message_info.h"
#include "diag/state_reasons.h"
#include "listing/caching_source.h"
#include "listing/object_attributes.h"
#include "run/json_report.h"
#include "run/run_plan.h"
#include "run/scan.h"
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
    // `complete`: every job of the plan was written (false after a stop).
    virtual void End(std::ostream&, bool /*complete*/) {}
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

// {"schema": 1, "jobs": [...]}: a valid document also when a stop cut the run short.
class JsonWriter : public ReportWriter {
  public:
    void Begin(std::ostream& out) override {
        out << "{\"schema\":" << run::kJsonSchema << ",\"jobs\":[";
    }
    void Write(std::ostream& out, const diag::Diagnosis& diagnosis) override {
        out << (first_ ? "\n" : ",\n") << run::DumpJson(run::JobToJson(diagnosis));
        first_ = false;
    }
    void End(std::ostream& out, bool) override { out << (first_ ? "]}\n" : "\n]}\n"); }

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
                       const std::string& domain, bool terminal, std::ostream& err) {
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
        asked = true;
        err << NativeLineEnds(text::SubstituteArgs(Catalog(Msg::kNoPendingJobs), {empty.server}));
        listing::ObjectAttributes server;
        if (server.List(lister, {model::ObjectClass::kServer, empty.server, domain}, true) ==
            listing::Status::kNoEntries) {
            err << NativeLineEnds("stallscan: server \"" + empty.server + "\" was not found.\r\n");
        }
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

std::unique_ptr<ReportWriter> MakeWriter(const Options& options, bool out_terminal) {
    switch (options.format) {
        case Format::kJson:
            return std::make_unique<JsonWriter>();
        case Format::kJsonLines:
            return std::make_unique<JsonLinesWriter>();
        default:
            return std::make_unique<TextWriter>(options.crlf, out_terminal && !options.crlf);
    }
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
                << "\n";
            return kCheckUnknown;
        }
        err << NativeLineEnds(options.error + kTryHelp);
        return kExitUsage;
    }
    if (options.help) {
        out << HelpText();
        return kExitDiagnosed;
    }
    if (options.version) {
        out << VersionLine();
        return kExitDiagnosed;
    }
    if (options.reasons) {
        for (const diag::StateReason& reason : diag::AllStateReasons()) {
            out << diag::ReasonRow(reason) << "\n";
        }
        out.flush();
        return out ? kExitDiagnosed : kBrokenPipeStatus;
    }
    if (options.specs.empty() && !options.cups_server) {
        if (check) {
            out << "STALLSCAN UNKNOWN - usage: no SPEC given\n";
            return kCheckUnknown;
        }
        err << NativeLineEnds(Catalog(Msg::kUsage) + kTryHelp);
        return kExitUsage;
    }
    return std::nullopt;
}

int ReportStartupFailure(const Options& options, const std::string& message,
                         const std::string& hint, std::ostream& out, std::ostream& err) {
    if (options.format == Format::kCheck) {
        out << "STALLSCAN UNKNOWN - " << text::TrimSpaces(NativeLineEnds(message, false).substr(
                                              0, message.find_first_of("\r\n")))
            << "\n";
        return kCheckUnknown;
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
    Progress progress(err, context.terminal && !options.quiet);
    listing::Lister lister(source, {context.stop, options.timeout});
    // A source of one server (CUPS) is the server of the jobs named without one, and all of its
    // waiting jobs when none is named.
    const std::string only_server = source.OnlyServer();
    std::vector<std::string> specs = options.specs;
    if (specs.empty() && !only_server.empty()) {
        specs.push_back(only_server + ":");
    }
    const run::RunPlan plan = run::MakeRunPlan(lister, {specs, true, domain, [&] {
                                                            if (!only_server.empty()) {
                                                                return only_server;
                                                            }
                                                            return run::AssociatedServer(
                                                                lister, startup.default_printer);
                                                        }});
    if (context.stop.stop_requested()) {
        return kExitDiagnosed;  // the caller reports the signal
    }
    progress.Clear();
    int status = ReportEmptyServers(plan, lister, options, domain, context.terminal, err);
    if (options.format == Format::kList) {
        for (const run::RunItem& item : plan.items) {
            if (!item.repeated_key) {
                const std::string job = item.server + ":" + item.job;
                out << (context.out_terminal ? text::EscapeControls(job) : job) << "\n";
            }
        }
        out.flush();
        return out ? status : kBrokenPipeStatus;
    }

    const bool check = options.format == Format::kCheck;
    std::unique_ptr<ReportWriter> writer = MakeWriter(options, context.out_terminal);
    CheckSummary summary;
    summary.job_list_failed = status == kExitJobListFailed;
    if (!check) {
        writer->Begin(out);
    }
    size_t total = 0;
    for (const run::RunItem& item : plan.items) {
        total += item.repeated_key ? 0 : 1;
    }
    progress.Start(total);
    bool broken_pipe = false;
    const bool complete = run::Scan(
        source, plan, {domain, options.timeout, options.jobs}, context.stop,
        [&](run::ScannedJob&& job) {
            if (job.item->repeated_key || broken_pipe) {
                return;
            }
            const diag::Diagnosis& diagnosis = job.diagnosis;
            progress.Clear();
            if (options.verbose) {
                WriteFailures(err, job.item->server + ":" + job.item->job, job.failures,
                              context.terminal);
            }
            if (diagnosis.GetOutcome() != diag::Outcome::kDiagnosed) {
                status = std::max(status, static_cast<int>(kExitNotDiagnosed));
            }
            if (Wanted(options, diagnosis)) {
                summary.Count(diagnosis);
                if (!check) {
                    writer->Write(out, diagnosis);
                    out.flush();
                    broken_pipe = !out;
                }
            }
            progress.Done(text::EscapeControls(job.item->server + ":" + job.item->job));
        });
    progress.Clear();
    if (broken_pipe) {
        return kBrokenPipeStatus;
    }
    if (context.stop.stop_requested()) {
        if (!check) {
            writer->End(out, false);
            out.flush();
        }
        return status;
    }
    if (check) {
        out << summary.Line(options) << "\n";
        out.flush();
        return summary.Status(options);
    }
    writer->End(out, complete);
    out.flush();
    if (!out) {
        return kBrokenPipeStatus;
    }
    progress.Summary(summary);
    return status;
}

}  // namespace stallscan::cli
