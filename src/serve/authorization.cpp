#include "serve/authorization.h"

#include <optional>

#include "text/text_functions.h"

namespace stallscan::serve {

namespace {

// Standard base64; nothing when `text` holds a character outside its alphabet.
std::optional<std::string> Base64Decode(std::string_view text) {
    static constexpr std::string_view kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    int buffer = 0;
    int bits = 0;
    for (const char c : text) {
        if (c == '=') {
            break;
        }
        const size_t value = kAlphabet.find(c);
        if (value == std::string_view::npos) {
            return std::nullopt;
        }
        buffer = ((buffer << 6) | static_cast<int>(value)) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

}  // namespace

bool Authorized(std::string_view header, const std::string& token) {
    if (token.empty()) {
        return true;
    }
    const size_t space = header.find(' ');
    if (space == std::string_view::npos) {
        return false;
    }
    const std::string scheme = text::FoldCase(header.substr(0, space));
    const std::string_view credentials = header.substr(space + 1);
    if (scheme == "bearer") {
        return credentials == token;
    }
    if (scheme == "basic") {
        const std::optional<std::string> pair = Base64Decode(credentials);
        const size_t colon = pair ? pair->find(':') : std::string::npos;
        return colon != std::string::npos && pair->substr(colon + 1) == token;
    }
    return false;
}

}  // namespace stallscan::serve
