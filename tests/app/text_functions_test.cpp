#include "app/text_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/catalog.h"

using namespace basCommon;

TEST(SubstituteArgs, FillsEachPlaceholderOnceInOrder) {
    EXPECT_EQ(SubstituteArgs(GetCatalogString(322), {"P1", "duplex", "sides-ready"}),
              "- Printer \"P1\" does not support \"duplex\" in its \"sides-ready\" attribute.\r\n");
    EXPECT_EQ(SubstituteArgs("%1 and %1", {"a"}), "a and %1");
    EXPECT_EQ(SubstituteArgs(GetCatalogString(110), {"7"}),
              "Job \"7\" not found in server \"\".\r\n");
}

TEST(SubstituteArgs, InsertedPlaceholdersTakePartInLaterSteps) {
    EXPECT_EQ(SubstituteArgs("%1/%2", {"%2", "x"}), "x/%2");
    EXPECT_EQ(SubstituteArgs("%1", {"%3", "b", "c"}), "c");
    EXPECT_EQ(SubstituteArgs("%2", {"", "%1"}), "%1");
    EXPECT_EQ(SubstituteArgs("%9%1", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}), "91");
    EXPECT_EQ(SubstituteArgs("no placeholders"), "no placeholders");
}

TEST(SubstituteArgsLiteral, InsertedArgumentsAreNeverSearchedAgain) {
    EXPECT_EQ(SubstituteArgsLiteral("%1/%2", {"%2", "x"}), "%2/x");
    EXPECT_EQ(SubstituteArgsLiteral("%1", {"%3", "b", "c"}), "%3");
    EXPECT_EQ(SubstituteArgsLiteral("<%1>", {"100%2 %9%"}), "<100%2 %9%>");
    // Without a "%" in any argument it is SubstituteArgs.
    EXPECT_EQ(SubstituteArgsLiteral(GetCatalogString(322), {"P1", "duplex", "sides-ready"}),
              SubstituteArgs(GetCatalogString(322), {"P1", "duplex", "sides-ready"}));
    EXPECT_EQ(SubstituteArgsLiteral("%1 and %1 %3", {"a"}), "a and %1 ");
    EXPECT_EQ(SubstituteArgsLiteral("%9%1", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}),
              "91");
}

TEST(TextFunctions, ConvertToWinPathAndStripQuotes) {
    EXPECT_EQ(ConvertToWinPath("c|/usr/print"), "c:\\usr\\print");
    EXPECT_EQ(ConvertToWinPath(""), "");
    EXPECT_EQ(StripQuotes("\""), "\"");
    EXPECT_EQ(StripQuotes("\"abc\""), "abc");
    EXPECT_EQ(StripQuotes("\"\""), "");
    EXPECT_EQ(StripQuotes("\"\"x\"\""), "\"x\"");
    EXPECT_EQ(StripQuotes("\"abc"), "\"abc");
}

TEST(TextFunctions, SplitAtColons) {
    std::string a = "old1", b = "old2", c = "old3";
    EXPECT_TRUE(SplitAtColons("srv:12", a, b, c));
    EXPECT_EQ(a, "srv");
    EXPECT_EQ(b, "12");
    EXPECT_EQ(c, "");
    EXPECT_TRUE(SplitAtColons("a:b:c:d", a, b, c));
    EXPECT_EQ(a, "a");
    EXPECT_EQ(b, "b");
    EXPECT_EQ(c, "c:d");
    EXPECT_FALSE(SplitAtColons("abc", a, b, c));
    EXPECT_EQ(a, "a");
    EXPECT_TRUE(SplitAtColons(":x", a, b, c));
    EXPECT_EQ(a, "");
    EXPECT_EQ(b, "x");
    EXPECT_EQ(c, "");
}

TEST(NumericValue, ReadsTheLeadingNumber) {
    EXPECT_EQ(NumericValue("42"), 42.0);
    EXPECT_EQ(NumericValue("  -3abc"), -3.0);
    EXPECT_EQ(NumericValue("+2.5e2x"), 250.0);
    EXPECT_EQ(NumericValue(".5"), 0.5);
    EXPECT_EQ(NumericValue("7."), 7.0);
    EXPECT_EQ(NumericValue("1e"), 1.0);
    EXPECT_EQ(NumericValue("12:30"), 12.0);
    EXPECT_EQ(NumericValue("99999999999"), 99999999999.0);
    for (const char* text : {"", "abc", "-", ".", "e5", " ", "\0x"}) {
        EXPECT_EQ(NumericValue(text), 0.0) << text;
    }
    EXPECT_TRUE(std::isinf(NumericValue("1e999")));
    EXPECT_EQ(NumericValue("1e-999"), 0.0);
}

TEST(NumericValue, RoundsHalfToEvenAndClamps) {
    EXPECT_EQ(RoundToInt32(2.5), 2);
    EXPECT_EQ(RoundToInt32(3.5), 4);
    EXPECT_EQ(RoundToInt32(-2.5), -2);
    EXPECT_EQ(RoundToInt32(2.4999), 2);
    EXPECT_EQ(RoundToInt32(99999999999.0), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(RoundToInt32(-99999999999.0), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(RoundToInt32(std::numeric_limits<double>::infinity()),
              std::numeric_limits<int32_t>::max());
    EXPECT_EQ(RoundToInt32(std::nan("")), 0);
    EXPECT_EQ(RoundToInt64(99999999999.0), 99999999999);
    EXPECT_EQ(RoundToInt64(1e300), std::numeric_limits<int64_t>::max());
}
