#pragma once
// The one seam to the print system. Everything stallscan knows it asks through a ListingSource:
// list an object (its address, the wanted attributes, an optional filter) and get back either the
// parsed objects or a typed failure. Implementations: the listing tool (ToolSource), the canned
// files of pseudo mode (CannedSource), a CUPS server over IPP (cups::CupsSource) and its snapshot
// of one scan (cups::ScanSnapshot), the scan's cache in front of any of them (CachingSource), and,
// in tests, an in-memory fake.

#include <chrono>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "model/listing_parser.h"
#include "model/object_address.h"

namespace stallscan::listing {

// The name that lists every destination of a server at once (a queue listing of this name):
// each as one object with its printer's attributes and "accepting-jobs". Only a source of one
// server (CUPS) answers it.
inline constexpr const char* kEveryDestination = "*";

struct Request {
    model::ObjectAddress address;
    // Attribute names separated by blanks, or "all".
    std::string attributes = "all";
    // A filter expression for the listing tool; empty for none.
    std::string filter = {};

    friend bool operator==(const Request&, const Request&) = default;
};

enum class Status {
    kOk,            // listed; `objects` holds what was listed (possibly nothing)
    kNoEntries,     // the print system has nothing that matches ("No entries.")
    kNoAttributes,  // the listing held no attribute (object attributes only)
    kToolError,     // the listing tool reported an error; `error_text` holds it
    kStartFailed,   // the listing tool could not be run, failed while it ran, or crashed
    kStopped,       // the listing was stopped (the user gave up, the program is ending)
    kTimedOut,      // the listing did not finish within its time
    kRefused,       // the request was refused before listing (no name, no class, nothing asked)
    kAuthenticationRequired,  // the print system wants a password, which is never given
};

// The attribute names a source answers in: the listing tool's, or IPP's. The diagnosis compares
// a job with a printer in the names of the source.
enum class Dialect { kListingTool, kIpp };

// True when the print system could not be asked or answered with an error: the statuses that
// the catalogue reports as "Unable to access ...", as opposed to an answer that lists nothing.
inline bool IsAccessFailure(Status status) {
    return status != Status::kOk && status != Status::kNoEntries &&
           status != Status::kNoAttributes;
}

// True when the listing was cut short from outside: the work it belongs to ends there.
inline bool IsInterruption(Status status) {
    return status == Status::kStopped || status == Status::kTimedOut;
}

struct Answer {
    Status status = Status::kOk;
    std::vector<model::ListedObject> objects;
    // What the print system said about a failure (the tool's standard error), for the user.
    std::string error_text;
    // A failure that may pass (a dropped connection, a server briefly in error): the next listing
    // of the same may succeed, so it is never answered from memory.
    bool passing = false;
};

// True when an answer holds for the rest of a scan: anything but a stopped listing (the work it
// belonged to is over) and a failure that may pass.
inline bool HoldsForTheScan(const Answer& answer) {
    return answer.status != Status::kStopped && !answer.passing;
}

// When a listing gives up.
struct Control {
    std::stop_token stop;
    // No limit when zero.
    std::chrono::milliseconds timeout{0};
};

class ListingSource {
  public:
    virtual ~ListingSource() = default;
    // Safe to call from several threads at once; each call owns whatever it starts.
    virtual Answer List(const Request& request, const Control& control) = 0;
    virtual Dialect AttributeDialect() const { return Dialect::kListingTool; }
    // The one server the source answers for, when it answers for one alone (a CUPS server): the
    // server of the jobs named without one. Empty for a source of many servers.
    virtual std::string OnlyServer() const { return {}; }
    // The server as its own command-line tools name it ("HOST:PORT", a socket's path) when the
    // user named one; empty for the default server and for a source without such tools.
    virtual std::string ServerForCommands() const { return {}; }
    // The source's own form for one scan (a command-line run, one scan of the live view), which
    // answers that scan's listings from fewer requests to the print system: a CUPS server's scan
    // snapshot (cups/scan_snapshot.h). Nothing when the source has none; the listing tool keeps
    // one run per listing. The scan's cache asks for it, and it lives no longer than that scan.
    virtual std::unique_ptr<ListingSource> NewScan() { return nullptr; }
};

}  // namespace stallscan::listing
