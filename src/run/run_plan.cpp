#include "run/run_plan.h"

#include <unordered_set>

#include "listing/job_list.h"
#include "listing/object_attributes.h"
#include "model/string_list.h"
#include "text/text_functions.h"

namespace stallscan::run {

namespace {

std::string Trimmed(std::string_view text) {
    return std::string(text::TrimSpaces(text));
}

// The "associated-server" of a printer; empty when the printer cannot be listed or has none.
std::string AssociatedServer(listing::Lister& lister, const std::string& printer) {
    if (printer.empty()) {
        return {};
    }
    listing::ObjectAttributes attrs;
    if (attrs.List(lister, {model::ObjectClass::kPrinter, printer, ""}, false,
                   "associated-server") != listing::Status::kOk) {
        return {};
    }
    return attrs.SingleValue("associated-server");
}

}  // namespace

std::string ResultKey(std::string_view server, std::string_view job) {
    std::string key(server);
    key += ':';
    key += job;
    return text::FoldCase(key);
}

std::optional<std::string> KnownDefaultServer(const std::string& only_server,
                                              const std::string& default_printer) {
    if (!only_server.empty()) {
        return only_server;
    }
    if (default_printer.empty()) {
        return std::string();
    }
    return std::nullopt;
}

std::string DefaultServer(listing::Lister& lister, const std::string& default_printer) {
    if (std::optional<std::string> known = KnownDefaultServer(lister.OnlyServer(), default_printer)) {
        return *known;
    }
    return AssociatedServer(lister, default_printer);
}

RunPlan PlanForSource(listing::Lister& lister, std::vector<std::string> specs,
                      const std::string& domain, const std::string& default_printer) {
    if (const std::string only_server = lister.OnlyServer();
        specs.empty() && !only_server.empty()) {
        specs.push_back(only_server + ":");
    }
    return MakeRunPlan(lister, {std::move(specs), true, domain, [&lister, &default_printer] {
                                    return DefaultServer(lister, default_printer);
                                }});
}

void FindUnknownServers(listing::Lister& lister, RunPlan& plan, const std::string& domain) {
    for (EmptyServer& empty : plan.empty_servers) {
        if (listing::IsAccessFailure(empty.status)) {
            continue;
        }
        listing::ObjectAttributes server;
        empty.unknown = server.List(lister, {model::ObjectClass::kServer, empty.server, domain},
                                    true) == listing::Status::kNoEntries;
    }
}

bool ServerFailed(const EmptyServer& empty) {
    return empty.unknown || listing::IsAccessFailure(empty.status);
}

RunPlan MakeRunPlan(listing::Lister& lister, const PlanRequest& request) {
    RunPlan plan;
    const std::string domain = Trimmed(request.domain);
    model::StringList items;
    for (const std::string& spec : request.specs) {
        const size_t colon = spec.find(':');
        if (!request.expand_servers || colon == std::string::npos ||
            !text::TrimSpaces(std::string_view(spec).substr(colon + 1)).empty()) {
            items.Add(spec);
            continue;
        }
        const std::string server = Trimmed(std::string_view(spec).substr(0, colon));
        listing::JobList jobs;
        const listing::Status status = jobs.List(lister, server, domain);
        plan.listed_servers.push_back({server, status});
        if (status != listing::Status::kOk || jobs.Count() == 0) {
            plan.empty_servers.push_back({server, status});
        } else {
            items.AddAll(jobs.Ids());
        }
    }

    bool default_known = false;
    std::string default_server;
    std::unordered_set<std::string> keys;
    for (int32_t position = 1; position <= items.Count(); ++position) {
        const std::string item = items.Item(position);
        RunItem run_item;
        if (const size_t colon = item.find(':'); colon != std::string::npos) {
            run_item.server = Trimmed(std::string_view(item).substr(0, colon));
            run_item.job = Trimmed(std::string_view(item).substr(colon + 1));
        } else {
            if (!default_known) {
                default_server = request.default_server ? Trimmed(request.default_server()) : "";
                default_known = true;
            }
            run_item.server = default_server;
            run_item.job = item;
        }
        run_item.repeated_key = !keys.insert(ResultKey(run_item.server, run_item.job)).second;
        plan.items.push_back(std::move(run_item));
    }
    return plan;
}

}  // namespace stallscan::run
