#pragma once
// "host:port" as every address the user types is read: the CUPS server and the live view's
// listening address.

#include <optional>
#include <string>
#include <string_view>

namespace stallscan::text {

struct HostPort {
    std::string host;         // without the brackets of an IPv6 address; may be empty
    std::optional<int> port;  // none when the text names no port
};

// "HOST", "HOST:PORT", "[IPV6ADDRESS]" or "[IPV6ADDRESS]:PORT". A port is decimal digits alone
// (no sign, no blank) from 0 to 65535; an IPv6 address, with its colons, goes in brackets.
// Nothing, with the reason in `error`, for any other text.
std::optional<HostPort> ParseHostPort(std::string_view text, std::string* error);

}  // namespace stallscan::text
