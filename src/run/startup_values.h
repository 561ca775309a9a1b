#pragma once
// What the program learns at start-up and hands to whatever needs it: where the print system is,
// how to reach it, and the user's defaults. Made once by the entry procedure; never changed.

#include <memory>
#include <optional>
#include <string>

#include "listing/source.h"

namespace stallscan::run {

struct StartupValues {
    // The print system's installation root in Windows notation (OV_ROOT, "|" as ":", "/" as "\").
    std::string root_dir;
    // The listing tool: the root followed by "\bin\kvls.exe".
    std::string tool_path;
    // The user's default printer (KVPRINTER); may be empty.
    std::string default_printer;
    // The folder of canned listings; empty in normal mode.
    std::string pseudo_dir;
    // The print-system domain ("domain-name@" in the arguments or STALLSCAN) as found, untrimmed;
    // may be empty.
    std::string domain;
    // A CUPS server instead of the listing tool: its address as given (empty: the default one).
    std::optional<std::string> cups_server;

    bool PseudoMode() const { return !pseudo_dir.empty(); }
};

// True when this build can ask CUPS servers.
bool CupsAvailable();

// The listing source of the start-up values: a CUPS server, canned files in pseudo mode, the tool
// otherwise. Nothing, with the reason in `error`, when the CUPS server is no server's address.
std::unique_ptr<listing::ListingSource> MakeSource(const StartupValues& values,
                                                   std::string* error = nullptr);

}  // namespace stallscan::run
