// The argument text of a Windows command line: what follows the program's name.

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

using platform::TextAfterProgramName;

TEST(CommandLineText, PlainNameEndsAtTheFirstBlankOrTabAndFollowingBlanksGo) {
    EXPECT_EQ(TextAfterProgramName("stallscan.exe pseudo-kvls@D:\\canned -x"),
              "pseudo-kvls@D:\\canned -x");
    EXPECT_EQ(TextAfterProgramName("stallscan \t  demo:1  demo:2 "), "demo:1  demo:2 ");
    EXPECT_EQ(TextAfterProgramName("stallscan\tdemo:1"), "demo:1");
    EXPECT_EQ(TextAfterProgramName("stallscan"), "");
    EXPECT_EQ(TextAfterProgramName("stallscan   "), "");
    EXPECT_EQ(TextAfterProgramName(""), "");
}

TEST(CommandLineText, QuotesOnlyToggleInTheNameAndTheRestStaysRaw) {
    EXPECT_EQ(TextAfterProgramName("\"C:\\Program Files\\stallscan.exe\" demo:\"3\" x"),
              "demo:\"3\" x");
    // A quote may close in the middle of the name; the name goes on to the next blank.
    EXPECT_EQ(TextAfterProgramName("\"C:\\a b\"\\stallscan.exe pseudo-kvls"), "pseudo-kvls");
    EXPECT_EQ(TextAfterProgramName("C:\\x\"y z\"w.exe a"), "a");
    // A backslash before a quote is no escape in the name.
    EXPECT_EQ(TextAfterProgramName("\"C:\\dir\\\" rest"), "rest");
    // An unclosed quote takes the whole line.
    EXPECT_EQ(TextAfterProgramName("\"C:\\never closed demo:1"), "");
}

}  // namespace
