#pragma once
// The command line's arguments sorted into options, keywords and SPECs.

#include <string>
#include <vector>

namespace stallscan::cli {

struct Options {
    bool help = false;
    bool version = false;
    bool json = false;
    // The first argument that begins with "-" and is no known option; empty when none.
    std::string unknown_option;
    // Arguments of the form [server_name:][job_id], in order.
    std::vector<std::string> specs;

    // True when the arguments ask for the command-line mode: a SPEC or any option. Without any
    // of them the windowed program opens its windows.
    bool WantsCommandLine() const {
        return !specs.empty() || help || version || json || !unknown_option.empty();
    }
};

// Any word holding "pseudo-kvls" or "domain-name@" is a keyword (read from the argument text by
// the start-up), not a SPEC. Empty arguments are ignored.
Options ParseArguments(const std::vector<std::string>& args);

}  // namespace stallscan::cli
