#pragma once
// The page of the live view: HTML, its script and its style, served by stallscan itself (nothing
// is fetched from elsewhere). The script builds every text of the print system into the page as
// text nodes, never as markup.

#include <string_view>

namespace stallscan::serve {

extern const std::string_view kPageHtml;
extern const std::string_view kPageScript;
extern const std::string_view kPageStyle;

}  // namespace stallscan::serve
