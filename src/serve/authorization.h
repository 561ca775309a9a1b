#pragma once
// The shared secret of --token-file, as an HTTP Authorization header carries it.

#include <string>
#include <string_view>

namespace stallscan::serve {

// True when `header` (the value of Authorization) holds `token` as a bearer token, or as the
// password of HTTP Basic authentication with any user name; the scheme's letter case does not
// matter. Always true without a token.
bool Authorized(std::string_view header, const std::string& token);

}  // namespace stallscan::serve
