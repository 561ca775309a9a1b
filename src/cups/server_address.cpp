#include "cups/server_address.h"

#include <cups/cups.h>

namespace stallscan::cups {

std::optional<ServerAddress> ParseServer(const std::string& text, std::string& error) {
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
    std::string port_text;
    if (rest.starts_with("[")) {
        const size_t close = rest.find(']');
        if (close == std::string::npos) {
            error = "no \"]\" after the IPv6 address in \"" + text + "\"";
            return std::nullopt;
        }
        server.host = rest.substr(1, close - 1);
        if (close + 1 < rest.size()) {
            if (rest[close + 1] != ':') {
                error = "\"" + text + "\" is no server (HOST[:PORT], [ADDRESS]:PORT, or a socket)";
                return std::nullopt;
            }
            port_text = rest.substr(close + 2);
        }
    } else {
        const size_t colon = rest.find(':');
        server.host = rest.substr(0, colon);
        if (colon != std::string::npos) {
            port_text = rest.substr(colon + 1);
        }
    }
    if (!port_text.empty()) {
        size_t used = 0;
        int port = 0;
        try {
            port = std::stoi(port_text, &used);
        } catch (...) {
            used = 0;
        }
        if (used != port_text.size() || port < 1 || port > 65535) {
            error = "\"" + port_text + "\" is no port number";
            return std::nullopt;
        }
        server.port = port;
    }
    if (server.host.empty()) {
        error = "no host in \"" + text + "\"";
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
