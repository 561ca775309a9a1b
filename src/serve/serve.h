#pragma once
// stallscan --serve: re-scans the waiting jobs of the given SPECs every interval, one scan at a
// time, and serves the last finished scan over HTTP: a page for people (/), the JSON report
// (/api/v1/jobs), the scan's figures (/api/v1/scan), a health check (/healthz) and metrics in the
// Prometheus text format (/metrics). Requests are answered from memory and never start listings.

#include <chrono>
#include <functional>
#include <iosfwd>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "listing/source.h"

namespace stallscan::serve {

inline constexpr int kDefaultPort = 9631;

struct ServeSettings {
    std::vector<std::string> specs;  // as on the command line; none: all jobs of a CUPS server
    std::string domain;
    std::string default_printer;
    std::chrono::milliseconds timeout{std::chrono::seconds(30)};
    int jobs = 4;
    bool no_cache = false;
    std::chrono::milliseconds interval{std::chrono::seconds(60)};
    std::string host = "127.0.0.1";
    int port = kDefaultPort;
    // The shared secret; empty: none asked for.
    std::string token;
    // Threads that wait on the connections and answer their requests; complete requests whose
    // answer may wait to be sent before the next is answered 503; connections that may be open
    // without a whole request; how long a connection may take to send its whole request (and an
    // idle kept-alive one its next).
    size_t request_threads = 2;
    size_t most_waiting = 64;
    size_t most_unfinished = 256;
    std::chrono::milliseconds read_timeout{std::chrono::seconds(5)};
    // Called with the port once it listens (for a port of 0, the one the system chose).
    std::function<void(int port)> listening;
};

// "ADDR:PORT" or "[V6ADDR]:PORT" as host and port; nothing, with the reason, otherwise.
std::optional<std::pair<std::string, int>> ParseListen(const std::string& text, std::string* error);

// Serves until `stop` is requested and returns true; false (with the reason on `err`) when the
// address cannot be listened on. Announces the address it listens on, on `err`.
bool Serve(const ServeSettings& settings, listing::ListingSource& source, std::stop_token stop,
           std::ostream& err);

}  // namespace stallscan::serve
