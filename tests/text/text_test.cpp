#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "text/catalog.h"
#include "text/text_functions.h"

using namespace stallscan::text;

TEST(Catalog, MessagesEndWithCrLfAndTextsFrom500OnHaveNoLineBreak) {
    for (Msg id : {Msg::kInvalidExecution, Msg::kInvalidOption, Msg::kUsage, Msg::kServerLine,
                   Msg::kReasonsHeading, Msg::kNoProblemsFound, Msg::kReasonDocumentEmpty,
                   Msg::kWarningNotNativeFormat, Msg::kWarningZeroSize}) {
        EXPECT_TRUE(Catalog(id).ends_with("\r\n")) << static_cast<int>(id);
    }
    for (Msg id : {Msg::kServerNotResponding, Msg::kJobStatusLine, Msg::kToolPathBelowRoot,
                   Msg::kLogFileFilter, Msg::kUnknownName}) {
        EXPECT_EQ(Catalog(id).find_first_of("\r\n"), std::string::npos) << static_cast<int>(id);
    }
    EXPECT_EQ(FindCatalogText(1100), "ID");
    EXPECT_FALSE(FindCatalogText(20));
}

TEST(SubstituteArgs, FillsTheFirstOfEachPlaceholderInOrderAndSearchesInsertedText) {
    EXPECT_EQ(SubstituteArgs("%3 %1 and %1 %2", {"a", "b"}), " a and %1 b");
    EXPECT_EQ(SubstituteArgs("%1/%2", {"%2", "x"}), "x/%2");
    EXPECT_EQ(SubstituteArgs("%1", {"%3", "b", "c"}), "c");
    EXPECT_EQ(SubstituteArgs("%2", {"", "%1"}), "%1");
    EXPECT_EQ(SubstituteArgs("%9%1", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}), "91");
}

TEST(SubstituteArgsLiteral, InsertedArgumentsAreNeverSearchedAgain) {
    EXPECT_EQ(SubstituteArgsLiteral("%1/%2", {"%2", "x"}), "%2/x");
    EXPECT_EQ(SubstituteArgsLiteral("%1", {"%3", "b", "c"}), "%3");
    EXPECT_EQ(SubstituteArgsLiteral("<%1>", {"100%2 %9%"}), "<100%2 %9%>");
    EXPECT_EQ(SubstituteArgsLiteral("%3 %1 and %1 %2", {"a", "b"}), " a and %1 b");
    EXPECT_EQ(SubstituteArgsLiteral("%9%1", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}),
              "91");
}

TEST(TextFunctions, ToWindowsPathAndStripQuotes) {
    EXPECT_EQ(ToWindowsPath("c|/usr/print"), "c:\\usr\\print");
    const std::vector<std::pair<std::string, std::string>> quoted{
        {"\"", "\""}, {"\"abc\"", "abc"}, {"\"\"", ""}, {"\"\"x\"\"", "\"x\""}, {"\"abc", "\"abc"}};
    for (const auto& [text, stripped] : quoted) {
        EXPECT_EQ(StripQuotes(text), stripped) << text;
    }
}

TEST(TextFunctions, SplitAtColons) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"srv:12", "srv|12|"}, {"a:b:c:d", "a|b|c:d"}, {":x", "|x|"}, {"abc", "none"}};
    for (const auto& [text, parts] : cases) {
        const auto split = SplitAtColons(text);
        EXPECT_EQ(split ? split->first + "|" + split->second + "|" + split->rest : "none", parts)
            << text;
    }
}

TEST(NumericValue, ReadsTheLeadingNumber) {
    const std::vector<std::pair<std::string, double>> cases{
        {"42", 42.0}, {"  -3abc", -3.0}, {"+2.5e2x", 250.0}, {".5", 0.5},
        {"7.", 7.0},  {"1e", 1.0},       {"12:30", 12.0},    {"99999999999", 99999999999.0},
        {"", 0.0},    {"abc", 0.0},      {"-", 0.0},         {".", 0.0},
        {"e5", 0.0},  {" ", 0.0},        {"1e-999", 0.0},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(NumericValue(text), value) << text;
    }
    EXPECT_TRUE(std::isinf(NumericValue("1e999")));
}

TEST(NumericValue, RoundsHalfToEvenAndClamps) {
    EXPECT_EQ(RoundToInt32(2.5), 2);
    EXPECT_EQ(RoundToInt32(3.5), 4);
    EXPECT_EQ(RoundToInt32(-2.5), -2);
    EXPECT_EQ(RoundToInt32(2.4999), 2);
    EXPECT_EQ(RoundToInt32(-99999999999.0), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(RoundToInt32(std::numeric_limits<double>::infinity()),
              std::numeric_limits<int32_t>::max());
    EXPECT_EQ(RoundToInt32(std::nan("")), 0);
    EXPECT_EQ(RoundToInt64(99999999999.0), 99999999999);
    EXPECT_EQ(RoundToInt64(1e300), std::numeric_limits<int64_t>::max());
}
