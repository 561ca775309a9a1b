#pragma once
// From command-line arguments to the list of jobs to diagnose, as a run of the progress window
// would build it.

#include <string>
#include <vector>

namespace cli {

struct ParsedArguments {
    bool help = false;
    bool version = false;
    bool json = false;
    // The first argument that begins with "-" and is no known option; empty when none.
    std::string unknownOption;
    // Arguments of the form [server_name:][job_id], in order.
    std::vector<std::string> specs;
};

// Sorts the arguments into options, keywords (any word holding "pseudo-kvls" or "domain-name@",
// which is not a SPEC) and SPECs. Empty arguments are ignored.
ParsedArguments ParseArguments(const std::vector<std::string>& args);

struct RunItem {
    std::string server;
    std::string job;
};

struct RunPlan {
    std::vector<RunItem> items;
    // Servers whose job list could not be read (code 2000 or above).
    std::vector<std::string> failedServers;
    // Some "server:" SPEC listed no waiting job.
    bool nothingToDiagnose = false;
    // The highest status of the SPECs: 0 served, 1 nothing to diagnose, 4 job list failed.
    int exitStatus = 0;
};

// Expands each "server:" SPEC into the server's waiting jobs in listing order, merges all items
// into one list (an item equal to an earlier one moves to the end) and resolves items without a
// server to the default server (the "associated-server" of the printer gDefaultPrinter).
RunPlan PlanRun(const std::vector<std::string>& specs, const std::string& domain);

// The text without blanks at either end.
std::string Trim(const std::string& text);

}  // namespace cli
