#pragma once
// The one place where the program asks the print system about an object: builds the listing
// tool's command line, runs it (or reads a canned file in pseudo mode) and classifies the outcome.

#include <cstdint>
#include <functional>
#include <string>

#include "listing/child_runner.h"
#include "listing/kv_output.h"
#include "model/object_addr.h"

namespace basPosixCtl {

// The command line for an object; its argument vector holds the same pieces, one argument each.
ChildCommand BuildListingCommand(const clsObjectAddr& in_object, const std::string& in_sRequestedAttrs,
                                 const std::string& filter);

// 0: listed (stdout may be empty when stderr is empty too). 901: "No entries." on standard error.
// 2003: another error text on standard error. 2006: empty object name, nothing run, outputs
// untouched. Any other code: passed on from RunChildProcess.
int32_t RunListingQuery(const clsObjectAddr& in_object, const std::string& in_sRequestedAttrs,
                        clsKvOutput& out, clsKvOutput& err, const std::string& filter = {});

// Reads the canned listing for `key` from gPseudoDir. A missing or empty file, or a key that would
// lead out of the directory, gives " No entries." CR LF on `err` and an empty `out`.
void ReadPseudoListing(const std::string& key, clsKvOutput& out, clsKvOutput& err);

// The file name (without directory) that pseudo mode reads for `key`, or empty when the key
// would lead out of the pseudo directory.
std::string PseudoFileName(const std::string& key);

// Test seam: replaces RunChildProcess for normal-mode queries; an empty function restores it.
using ChildRunnerFn =
    std::function<int32_t(const std::string&, const ChildCommand&, clsKvOutput&, clsKvOutput&)>;
void SetChildRunner(ChildRunnerFn runner);

}  // namespace basPosixCtl
