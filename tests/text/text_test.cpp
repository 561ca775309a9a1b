#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "text/catalog.h"
#include "text/text_functions.h"

using namespace stallscan::text;

// Texts below 500 are messages ending with CR LF; texts from 500 on hold no line break.
TEST(Catalog, MessagesEndWithCrLfAndTextsFrom500OnHaveNoLineBreak) {
    for (int32_t id = 0; id < 2000; ++id) {
        if (const auto text = FindCatalogText(id)) {
            const bool line_break = text->find_first_of("\r\n") != std::string_view::npos;
            EXPECT_TRUE(id < 500 ? text->ends_with("\r\n") : !line_break) << id;
        }
    }
}

// Each "%n" in turn fills its first occurrence; the plain form searches inserted text in the
// later steps, the literal form never does.
TEST(SubstituteArgs, FillsTheFirstOfEachPlaceholderInOrder) {
    for (auto* substitute : {&SubstituteArgs, &SubstituteArgsLiteral}) {
        EXPECT_EQ(substitute("%3 %1 and %1 %2", {"a", "b"}), " a and %1 b");
        EXPECT_EQ(substitute("%9%1", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}), "91");
    }
    EXPECT_EQ(SubstituteArgs("%1/%2", {"%2", "x"}), "x/%2");
    EXPECT_EQ(SubstituteArgsLiteral("%1/%2", {"%2", "x"}), "%2/x");
    EXPECT_EQ(SubstituteArgsLiteral("<%1>", {"100%2 %9%"}), "<100%2 %9%>");
}

TEST(TextFunctions, StripQuotesAndSplitAtColons) {
    const std::pair<std::string, std::string> quoted[] = {
        {"\"", "\""}, {"\"abc\"", "abc"}, {"\"\"", ""}, {"\"\"x\"\"", "\"x\""}, {"\"abc", "\"abc"}};
    for (const auto& [text, stripped] : quoted) {
        EXPECT_EQ(StripQuotes(text), stripped) << text;
    }
    const std::pair<std::string, std::string> split[] = {
        {"srv:12", "srv|12|"}, {"a:b:c:d", "a|b|c:d"}, {":x", "|x|"}, {"abc", "none"}};
    for (const auto& [text, parts] : split) {
        const auto p = SplitAtColons(text);
        EXPECT_EQ(p ? p->first + "|" + p->second + "|" + p->rest : "none", parts) << text;
    }
}

// Controls, C1 code points and bytes that are not UTF-8 escaped; UTF-8, tab and backslash kept.
TEST(TextFunctions, EscapeControlsForATerminal) {
    EXPECT_EQ(EscapeControls("a\r\nb\x1b[1m\x7f\t\x01\x1f \\x\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"),
              "a\\r\\nb\\e[1m\\x7f\t\\x01\\x1f \\x\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
    // C1 as UTF-8 and as a lone byte; the first code point after them; a truncated sequence, an
    // overlong form and a surrogate.
    EXPECT_EQ(EscapeControls("\xc2\x9b\x9b\xc2\x80\xc2\x9f\xc2\xa0\xe2\x82 \xc0\xaf\xed\xa0\x80"),
              "\\x9b\\x9b\\x80\\x9f\xc2\xa0\\xe2\\x82 \\xc0\\xaf\\xed\\xa0\\x80");
    EXPECT_EQ(EscapeControls("a\r\nb\r\n\r\n\rc\n", true), "a\r\nb\r\n\r\n\\rc\\n");
}

TEST(NumericValue, ReadsTheLeadingNumberRoundsHalfToEvenAndClamps) {
    const std::pair<std::string, double> cases[] = {
        {"42", 42.0}, {"  -3abc", -3.0}, {"+2.5e2x", 250.0}, {".5", 0.5},
        {"7.", 7.0},  {"1e", 1.0},       {"12:30", 12.0},    {"99999999999", 99999999999.0},
        {"", 0.0},    {"abc", 0.0},      {"-", 0.0},         {".", 0.0},
        {"e5", 0.0},  {" ", 0.0},        {"1e-999", 0.0},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(NumericValue(text), value) << text;
    }
    EXPECT_TRUE(std::isinf(NumericValue("1e999")));
    EXPECT_EQ(RoundToInt32(2.5), 2);
    EXPECT_EQ(RoundToInt32(-3.5), -4);
    EXPECT_EQ(RoundToInt32(-99999999999.0), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(RoundToInt32(NumericValue("1e999")), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(RoundToInt32(std::nan("")), 0);
    EXPECT_EQ(RoundToInt64(99999999999.0), 99999999999);
    EXPECT_EQ(RoundToInt64(1e300), std::numeric_limits<int64_t>::max());
}
