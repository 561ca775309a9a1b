#include "cli/cli.h"

#include <algorithm>
#include <ostream>
#include <set>

#include "app/catalog.h"
#include "app/text_functions.h"
#include "cli/json_report.h"
#include "cli/run_plan.h"
#include "diag/diagnose_job.h"

namespace cli {

namespace {

using basCommon::GetCatalogString;
using basCommon::SubstituteArgs;

std::string VersionLine() {
    return GetCatalogString(msg::AppName) + " " + GetCatalogString(msg::VersionMajor) + "-" +
           GetCatalogString(msg::VersionMinor) + " (build " STALLSCAN_VERSION ")\n";
}

// Lower-cased copy, for result keys that ignore letter case.
std::string FoldCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return text;
}

// Diagnoses every item in order; a result whose key is already among the results is dropped.
std::vector<clsDiagResult> DiagnoseItems(const std::vector<RunItem>& items,
                                         const std::string& domain) {
    std::vector<clsDiagResult> results;
    std::set<std::string> keys;
    for (const RunItem& item : items) {
        clsDiagResult result;
        basDiagJobs::DiagnoseJob(item.server, domain, item.job, result);
        if (keys.insert(FoldCase(item.server + ":" + item.job)).second) {
            results.push_back(std::move(result));
        }
    }
    return results;
}

void WriteReports(const std::vector<clsDiagResult>& results, bool json, std::ostream& out) {
    if (json) {
        out << ResultsToJson(results);
        return;
    }
    for (const clsDiagResult& result : results) {
        out << result.GetTextForSavingToFile() << "\r\n";
    }
}

}  // namespace

bool WantsCommandLine(const std::vector<std::string>& args) {
    const ParsedArguments parsed = ParseArguments(args);
    return !parsed.specs.empty() || parsed.help || parsed.version || parsed.json ||
           !parsed.unknownOption.empty();
}

int Run(const std::vector<std::string>& args, const std::string& argText, std::ostream& out,
        std::ostream& err, const basMain::EnvLookup& env,
        const basMain::FileLengthLookup& fileLength) {
    const ParsedArguments parsed = ParseArguments(args);
    if (parsed.help) {
        out << GetCatalogString(msg::Usage);
        return kExitReports;
    }
    if (parsed.version) {
        out << VersionLine();
        return kExitReports;
    }
    if (!parsed.unknownOption.empty()) {
        err << SubstituteArgs(GetCatalogString(msg::InvalidOption), {parsed.unknownOption})
            << GetCatalogString(msg::Usage);
        return kExitUsage;
    }
    if (parsed.specs.empty()) {
        err << GetCatalogString(msg::Usage);
        return kExitUsage;
    }

    const basMain::StartupOutcome startup = basMain::CheckStartup(argText, env, fileLength);
    if (startup.messageId != 0) {
        err << startup.message;
        return kExitInstallation;
    }
    basMain::ApplyStartup(startup.values);

    const std::string domain = Trim(basMain::FindDomain(argText, env("STALLSCAN")));
    const RunPlan plan = PlanRun(parsed.specs, domain);
    for (const std::string& server : plan.failedServers) {
        err << SubstituteArgs(GetCatalogString(msg::UnableToAccessServer), {server});
    }
    if (plan.nothingToDiagnose) {
        err << GetCatalogString(msg::NoJobsToDiagnose) << "\r\n";
    }

    const std::vector<clsDiagResult> results = DiagnoseItems(plan.items, domain);
    if (!results.empty() || parsed.json) {
        WriteReports(results, parsed.json, out);
    }
    out.flush();
    return plan.exitStatus;
}

}  // namespace cli
