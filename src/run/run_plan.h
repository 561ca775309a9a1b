#pragma once
// The jobs of a run, in run order, as both the command line and the progress window make them:
// each "server:" is replaced, in its place, by the server's waiting jobs in listing order; the
// items then form one list in which an item equal to an earlier one moves to the end (so
// "12 13 12" runs 13, then 12); an item without a server runs on the default server; and an item
// whose result key (server ":" job, letter case ignored) an earlier item has is marked, so that
// its result is dropped.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "listing/lister.h"

namespace stallscan::run {

struct RunItem {
    std::string server;
    std::string job;
    // An earlier item has the same result key: the item is diagnosed, its result dropped.
    bool repeated_key = false;
};

// A "server:" that gave no job: its listing failed, or it lists no waiting job (kOk).
struct EmptyServer {
    std::string server;
    listing::Status status = listing::Status::kOk;
    // Set by FindUnknownServers: the print system does not know the server at all.
    bool unknown = false;
};

// A "server:" whose job list was asked for, in SPEC order, with what its listing gave.
struct ListedServer {
    std::string server;
    listing::Status status = listing::Status::kOk;
};

struct RunPlan {
    std::vector<RunItem> items;
    std::vector<EmptyServer> empty_servers;
    std::vector<ListedServer> listed_servers;
};

struct PlanRequest {
    // "server:job", "server:" or "job", in order.
    std::vector<std::string> specs;
    // False: a "server:" is an item like any other (the jobs typed into the main window).
    bool expand_servers = true;
    // The domain of the job lists, trimmed of blanks here.
    std::string domain;
    // The server of the items that name none; asked at most once, and only when needed.
    std::function<std::string()> default_server;
};

RunPlan MakeRunPlan(listing::Lister& lister, const PlanRequest& request);

// Lists the server of every empty "server:" whose job list was read, and marks the ones the
// print system does not know: a server that does not exist has no waiting jobs either, but
// "nothing to diagnose" would be the wrong answer about it.
void FindUnknownServers(listing::Lister& lister, RunPlan& plan, const std::string& domain);

// True when a "server:" of the plan could not be found, reached or read.
bool ServerFailed(const EmptyServer& empty);

// The key of a result: server ":" job, in lower case.
std::string ResultKey(std::string_view server, std::string_view job);

// The default server when it takes no listing to know it: the server of a source of one server
// (`only_server`, a CUPS server), or none ("") without a default printer. Nothing when it is the
// default printer's "associated-server", which takes a listing.
std::optional<std::string> KnownDefaultServer(const std::string& only_server,
                                              const std::string& default_printer);

// The server of the items that name none, for every front end: KnownDefaultServer, or else the
// "associated-server" of the default printer; empty when there is none, or when the printer
// cannot be listed.
std::string DefaultServer(listing::Lister& lister, const std::string& default_printer);

// The plan of a run of the command line or the live view over the lister's source: the SPECs as
// given (servers expanded), where none given over a source of one server means all of its
// waiting jobs; the default server as DefaultServer finds it, when an item needs it.
RunPlan PlanForSource(listing::Lister& lister, std::vector<std::string> specs,
                      const std::string& domain, const std::string& default_printer);

}  // namespace stallscan::run
