#pragma once
// Where a CUPS server is, from the text the user gave (--cups=SERVER), and the name under which it
// appears in reports.

#include <optional>
#include <string>

namespace stallscan::cups {

struct ServerAddress {
    std::string host;  // a host name or address, or the path of a local socket
    int port = 631;
    bool encrypted = false;  // ipps://: always encrypted; otherwise as the server asks
    // The name under which the server appears in reports and job keys ("server:job"): the host,
    // and "@port" for a port other than 631; never a ":" in it.
    std::string label;
    // The server as the CUPS tools' -h takes it ("HOST", "HOST:PORT", "[ADDRESS]:PORT", a socket's
    // path); empty when the user named none (the tools find the same default server).
    std::string command_name;
};

// The server of "[ipp://|ipps://]HOST[:PORT]", "[V6ADDRESS]:PORT" or a socket path; empty text:
// the server the CUPS clients use (CUPS_SERVER, client.conf, the local socket). Nothing, with
// the reason in `error`, for a text that names no server.
std::optional<ServerAddress> ParseServer(const std::string& text, std::string* error);

}  // namespace stallscan::cups
