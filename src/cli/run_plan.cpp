#include "cli/run_plan.h"

#include <algorithm>

#include "app/globals.h"
#include "cli/cli.h"
#include "listing/child_runner.h"
#include "model/job_list.h"
#include "model/object_attrs.h"
#include "model/string_list.h"

namespace cli {

namespace {

bool IsKeyword(const std::string& arg) {
    return arg.find("pseudo-kvls") != std::string::npos ||
           arg.find("domain-name@") != std::string::npos;
}

// The server of the user's default printer, found as the main window finds it; empty when the
// printer is not set or cannot be listed.
std::string DefaultServer() {
    if (gDefaultPrinter.empty()) {
        return {};
    }
    clsObjectAddr address;
    clsObjectAttrs printer;
    if (printer.Init(address.Init(kClassPrinter, gDefaultPrinter, ""), false,
                     "associated-server") != 0) {
        return {};
    }
    return printer.GetSingleValue("associated-server");
}

}  // namespace

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

ParsedArguments ParseArguments(const std::vector<std::string>& args) {
    ParsedArguments parsed;
    for (const std::string& arg : args) {
        if (arg.empty() || IsKeyword(arg)) {
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            parsed.help = true;
        } else if (arg == "-V" || arg == "--version") {
            parsed.version = true;
        } else if (arg == "--json") {
            parsed.json = true;
        } else if (arg.front() == '-') {
            if (parsed.unknownOption.empty()) {
                parsed.unknownOption = arg;
            }
        } else {
            parsed.specs.push_back(arg);
        }
    }
    return parsed;
}

RunPlan PlanRun(const std::vector<std::string>& specs, const std::string& domain) {
    RunPlan plan;
    clsStringList items;
    for (const std::string& spec : specs) {
        const size_t colon = spec.find(':');
        if (colon == std::string::npos || !Trim(spec.substr(colon + 1)).empty()) {
            items.Add(spec);
            continue;
        }
        const std::string server = Trim(spec.substr(0, colon));
        clsJobList jobs;
        const int32_t code = jobs.Init(server, domain);
        if (code >= basPosixCtl::kPipeCreateFailed) {
            plan.failedServers.push_back(server);
            plan.exitStatus = std::max(plan.exitStatus, static_cast<int>(kExitJobListFailed));
        } else if (code != 0 || jobs.Count() == 0) {
            plan.nothingToDiagnose = true;
            plan.exitStatus = std::max(plan.exitStatus, static_cast<int>(kExitNothingToDiagnose));
        } else {
            items.CopyAllItems(jobs.GetJobIdList());
        }
    }

    bool defaultServerKnown = false;
    std::string defaultServer;
    for (int32_t position = 1; position <= items.Count(); ++position) {
        const std::string item = items.Item(position);
        const size_t colon = item.find(':');
        if (colon != std::string::npos) {
            plan.items.push_back({Trim(item.substr(0, colon)), Trim(item.substr(colon + 1))});
            continue;
        }
        if (!defaultServerKnown) {
            defaultServer = Trim(DefaultServer());
            defaultServerKnown = true;
        }
        plan.items.push_back({defaultServer, item});
    }
    return plan;
}

}  // namespace cli
