#include "cli/cli.h"

#include <algorithm>
#include <ostream>

#include "cli/json_report.h"
#include "diag/diagnose.h"
#include "run/run_plan.h"
#include "text/catalog.h"
#include "text/text_functions.h"

namespace stallscan::cli {

namespace {

using text::Catalog;
using text::Msg;

std::string VersionLine() {
    return Catalog(Msg::kAppName) + " " + Catalog(Msg::kVersionMajor) + "-" +
           Catalog(Msg::kVersionMinor) + " (build " STALLSCAN_VERSION ")\n";
}

// Diagnoses every item in order; the result of an item whose key an earlier item has is dropped.
std::vector<diag::Diagnosis> DiagnoseItems(listing::ListingSource& source,
                                           const std::vector<run::RunItem>& items,
                                           const std::string& domain) {
    std::vector<diag::Diagnosis> results;
    for (const run::RunItem& item : items) {
        listing::Lister lister(source);
        diag::Diagnosis diagnosis = diag::DiagnoseJob(lister, item.server, domain, item.job);
        if (!item.repeated_key) {
            results.push_back(std::move(diagnosis));
        }
    }
    return results;
}

void WriteReports(const std::vector<diag::Diagnosis>& results, bool json, std::ostream& out) {
    if (json) {
        out << ResultsToJson(results);
        return;
    }
    for (const diag::Diagnosis& diagnosis : results) {
        out << diagnosis.ReportText() << "\r\n";
    }
}

}  // namespace

std::optional<int> AnswerWithoutRun(const Options& options, std::ostream& out, std::ostream& err) {
    if (options.help) {
        out << Catalog(Msg::kUsage);
        return kExitReports;
    }
    if (options.version) {
        out << VersionLine();
        return kExitReports;
    }
    if (!options.unknown_option.empty()) {
        err << text::SubstituteArgs(Catalog(Msg::kInvalidOption), {options.unknown_option})
            << Catalog(Msg::kUsage);
        return kExitUsage;
    }
    if (options.specs.empty()) {
        err << Catalog(Msg::kUsage);
        return kExitUsage;
    }
    return std::nullopt;
}

int Run(const Options& options, const run::StartupValues& startup,
        listing::ListingSource& source, std::ostream& out, std::ostream& err) {
    const std::string domain(text::TrimSpaces(startup.domain));
    listing::Lister lister(source);
    const run::RunPlan plan = run::MakeRunPlan(
        lister, {options.specs, true, domain, [&] {
                     listing::Lister lookup(source);
                     return run::AssociatedServer(lookup, startup.default_printer);
                 }});

    int status = kExitReports;
    bool nothing_to_diagnose = false;
    for (const run::EmptyServer& empty : plan.empty_servers) {
        if (listing::IsAccessFailure(empty.status)) {
            err << text::SubstituteArgs(Catalog(Msg::kUnableToAccessServer), {empty.server});
            status = std::max(status, static_cast<int>(kExitJobListFailed));
        } else {
            nothing_to_diagnose = true;
            status = std::max(status, static_cast<int>(kExitNothingToDiagnose));
        }
    }
    if (nothing_to_diagnose) {
        err << Catalog(Msg::kNoJobsToDiagnose) << "\r\n";
    }

    const std::vector<diag::Diagnosis> results = DiagnoseItems(source, plan.items, domain);
    if (!results.empty() || options.json) {
        WriteReports(results, options.json, out);
    }
    out.flush();
    return status;
}

}  // namespace stallscan::cli
