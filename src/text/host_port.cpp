#include "text/host_port.h"

#include <charconv>

namespace stallscan::text {

namespace {

std::optional<HostPort> Fail(std::string* error, std::string reason) {
    if (error != nullptr) {
        *error = std::move(reason);
    }
    return std::nullopt;
}

}  // namespace

std::optional<HostPort> ParseHostPort(std::string_view text, std::string* error) {
    const std::string quoted = "\"" + std::string(text) + "\"";
    HostPort address;
    std::string_view rest;  // what follows the host: empty or ":PORT"
    if (text.starts_with("[")) {
        const size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return Fail(error, "no \"]\" after the IPv6 address in " + quoted);
        }
        address.host = text.substr(1, close - 1);
        rest = text.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(":")) {
            return Fail(error, quoted + " is neither HOST[:PORT] nor [IPV6ADDRESS][:PORT]");
        }
    } else {
        const size_t colon = text.find(':');
        if (colon != std::string_view::npos && text.find(':', colon + 1) != std::string_view::npos) {
            return Fail(error, "an IPv6 address goes in brackets ([ADDRESS]:PORT), not " + quoted);
        }
        address.host = text.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : text.substr(colon);
    }
    if (!rest.empty()) {
        const std::string_view digits = rest.substr(1);
        int port = -1;
        const auto [end, failure] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
        // from_chars takes no sign but "-"; a leading "-" or anything after the digits is refused.
        if (digits.empty() || digits.front() == '-' || failure != std::errc() ||
            end != digits.data() + digits.size() || port > 65535) {
            return Fail(error, "\"" + std::string(digits) + "\" is no port number (0 to 65535)");
        }
        address.port = port;
    }
    return address;
}

}  // namespace stallscan::text
