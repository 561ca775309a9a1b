// The argument text of a Windows command line: what follows the program's name.

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/platform.h"

namespace platform = stallscan::platform;

namespace {

// A plain name ends at the first blank or tab, and the blanks after it go; in the name a quote
// only toggles quoting (it may close in the middle, and a backslash before it is no escape), and
// an unclosed quote takes the whole line; the rest stays raw.
TEST(CommandLineText, TheNameEndsAtABlankOutsideQuotesAndTheRestStaysRaw) {
    const std::pair<std::string, std::string> cases[] = {
        {"stallscan \t  demo:1  demo:2 ", "demo:1  demo:2 "},
        {"stallscan\tdemo:1", "demo:1"},
        {"stallscan   ", ""},
        {"\"C:\\Program Files\\stallscan.exe\" demo:\"3\" x", "demo:\"3\" x"},
        {"\"C:\\a b\"\\stallscan.exe pseudo-kvls", "pseudo-kvls"},
        {"C:\\x\"y z\"w.exe a", "a"},
        {"\"C:\\dir\\\" rest", "rest"},
        {"\"C:\\never closed demo:1", ""},
    };
    for (const auto& [line, rest] : cases) {
        EXPECT_EQ(platform::TextAfterProgramName(line), rest) << line;
    }
}

}  // namespace
