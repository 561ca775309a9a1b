#include "cups/server_address.h"

#include <cups/cups.h>

#include "text/host_port.h"

namespace stallscan::cups {

std::optional<ServerAddress> ParseServer(const std::string& text, std::string* error) {
    ServerAddress server;
    std::string rest = text;
    if (rest.empty()) {
        rest = cupsServer();
        server.port = ippPort();
    }
    if (rest.starts_with("ipps://")) {
        server.encrypted = true;
        rest.erase(0, 7);
    } else if (rest.starts_with("ipp://")) {
        rest.erase(0, 6);
    }
    if (rest.starts_with("/")) {
        while (rest.size() > 1 && rest.back() == '/') {
            rest.pop_back();
        }
        server.host = rest;  // a local socket
        server.label = "localhost";
        server.command_name = text.empty() ? "" : rest;
        return server;
    }
    rest = rest.substr(0, rest.find('/'));  // a URI's path names no other server
    std::optional<text::HostPort> address = text::ParseHostPort(rest, error);
    if (!address) {
        return std::nullopt;
    }
    if (address->port == 0) {
        *error = "\"0\" is no server's port";
        return std::nullopt;
    }
    server.host = address->host;
    server.port = address->port.value_or(server.port);
    if (server.host.empty()) {
        *error = "no host in \"" + text + "\"";
        return std::nullopt;
    }
    server.label = server.host;
    for (char& c : server.label) {
        c = c == ':' ? '-' : c;  // an IPv6 address: never a ":" in the "server:job" keys
    }
    if (server.port != 631) {
        server.label += "@" + std::to_string(server.port);
    }
    if (!text.empty()) {
        const bool v6 = server.host.find(':') != std::string::npos;
        server.command_name = v6 ? "[" + server.host + "]" : server.host;
        if (server.port != 631) {
            server.command_name += ":" + std::to_string(server.port);
        }
    }
    return server;
}

}  // namespace stallscan::cups
