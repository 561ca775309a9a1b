#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "text/catalog.h"
#include "text/host_port.h"
#include "text/text_functions.h"
#include "text/time_text.h"

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
    for (const auto& [text, stripped] : quoted) EXPECT_EQ(StripQuotes(text), stripped) << text;
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
    for (const auto& [text, value] : cases) EXPECT_EQ(NumericValue(text), value) << text;
    EXPECT_TRUE(std::isinf(NumericValue("1e999")));
    EXPECT_EQ(RoundToInt32(2.5), 2);
    EXPECT_EQ(RoundToInt32(-3.5), -4);
    EXPECT_EQ(RoundToInt32(-99999999999.0), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(RoundToInt32(NumericValue("1e999")), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(RoundToInt32(std::nan("")), 0);
    EXPECT_EQ(RoundToInt64(99999999999.0), 99999999999);
    EXPECT_EQ(RoundToInt64(1e300), std::numeric_limits<int64_t>::max());
}

// Durations down to their two largest units, a zero second unit left out; times at an offset,
// across a day's and a year's end; the duration options; a hold to a time of day ends at its next
// occurrence in UTC, a named period has no such end.
TEST(TimeText, DurationsTimesOptionsAndHoldEnds) {
    const std::vector<std::pair<int64_t, std::string>> durations{
        {-5, "0 s"},     {0, "0 s"},          {59, "59 s"},         {60, "1 min"},
        {3599, "59 min"}, {3600, "1 h"},      {8040, "2 h 14 min"}, {86399, "23 h 59 min"},
        {86400, "1 d"},  {97200, "1 d 3 h"}, {400 * 86400 + 3661, "400 d 1 h"}};
    for (const auto& [seconds, text] : durations) {
        EXPECT_EQ(FormatDuration(seconds), text) << seconds;
    }
    const int64_t t = 1796631240;  // 2026-12-07 08:14:00 UTC
    EXPECT_EQ(FormatDateTime(t, 3600), "2026-12-07 09:14 +01:00");
    EXPECT_EQ(FormatDateTime(t, -9 * 3600), "2026-12-06 23:14 -09:00");
    EXPECT_EQ(FormatDateTime(t + 24 * 86400 + 16 * 3600, 19800), "2027-01-01 05:44 +05:30");
    EXPECT_EQ(FormatRfc3339(t + 5, 3600), "2026-12-07T09:14:05+01:00");
    EXPECT_EQ(FormatRfc3339(0, 0), "1970-01-01T00:00:00+00:00");
    EXPECT_EQ(FormatTimeOfDay(t, 0), "08:14");

    EXPECT_EQ(ParseDuration("90s"), 90);
    EXPECT_EQ(ParseDuration("15m"), 900);
    EXPECT_EQ(ParseDuration("2h"), 7200);
    EXPECT_EQ(ParseDuration("1d"), 86400);
    for (const char* bad : {"", "s", "90", "0s", "-5m", "1.5h", "2 h", "2H", "367d", "1w"}) {
        EXPECT_FALSE(ParseDuration(bad)) << bad;
    }

    EXPECT_EQ(HoldEnd("23:59", t), t + 15 * 3600 + 45 * 60);
    EXPECT_EQ(HoldEnd("08:14", t), t + 86400);  // now itself: tomorrow's
    EXPECT_EQ(HoldEnd("08:14:30", t), t + 30);
    for (const char* named : {"indefinite", "night", "8:14", "24:00", "08:60", "08-14", "08:14:"}) {
        EXPECT_FALSE(HoldEnd(named, t)) << named;
    }
}

// The one reading of "host:port", for the CUPS server's address (where the port may be left out)
// and the live view's --listen (0: any free port) alike: a port is digits alone up to 65535, and
// an IPv6 address goes in brackets.
TEST(HostPort, OnePortRuleForEveryAddress) {
    const struct {
        std::string text, host;
        std::optional<int> port;
    } good[] = {{"printhost", "printhost", std::nullopt}, {"printhost:8631", "printhost", 8631},
                {"[fe80::1]", "fe80::1", std::nullopt},  {"[::1]:443", "::1", 443},
                {"127.0.0.1:0", "127.0.0.1", 0},         {":65535", "", 65535}};
    for (const auto& g : good) {
        std::string error;
        const auto address = ParseHostPort(g.text, &error);
        ASSERT_TRUE(address) << g.text << ": " << error;
        EXPECT_EQ(address->host, g.host) << g.text;
        EXPECT_EQ(address->port, g.port) << g.text;
    }
    for (const std::string bad : {"h:+631", "h: 631", "h:631 ", "h:", "h:65536", "h:-1", "h:8x",
                                  "h:99999999999", "::1:80", "[::1", "[::1]80", "[::1]:"}) {
        std::string error;
        EXPECT_FALSE(ParseHostPort(bad, &error)) << bad;
        EXPECT_NE(error.find(bad[0] == ':' ? "brackets" : " "), std::string::npos) << bad;
    }
    EXPECT_FALSE(ParseHostPort("[::1", nullptr));
}
