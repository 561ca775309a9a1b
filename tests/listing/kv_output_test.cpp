#include "listing/kv_output.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;
using Lines = std::vector<std::pair<int32_t, std::string>>;

// Each line read with the position after it; at the end GetLine gives -1, leaves the line
// untouched and the position after the text.
Lines ReadAll(clsKvOutput& o) {
    Lines lines;
    std::string line = "untouched";
    for (int32_t at = 0; lines.size() < 100 && (at = o.GetLine(line)) != -1;) {
        lines.emplace_back(at, line);
    }
    EXPECT_EQ(line, lines.empty() ? "untouched" : lines.back().second);
    EXPECT_EQ(o.OTell(), o.Length() + 1);
    return lines;
}

TEST(KvOutput, LinesEndAtCrLfOnly) {
    const std::pair<std::string, Lines> cases[] = {
        {"a\r\nb", {{4, "a"}, {5, "b"}}},
        {"a\r\n", {{4, "a"}}},  // no empty last line
        {"\r\n\r\n", {{3, ""}, {5, ""}}},
        {"x\ny\rz\0w"s, {{8, "x\ny\rz\0w"s}}},  // a lone CR or LF and a NUL are characters
        {"", {}},
    };
    for (const auto& [text, lines] : cases) {
        clsKvOutput o;
        o.Init(text);
        EXPECT_EQ(ReadAll(o), lines) << text;
    }
}

TEST(KvOutput, SeekAcceptsOnlyPositionsInsideTheText) {
    clsKvOutput o;
    o.Init("ab\r\ncd");  // length 6
    std::string line;
    o.GetLine(line);
    EXPECT_EQ(o.OSeek(0), 0);
    EXPECT_EQ(o.OSeek(7), 0);
    EXPECT_EQ(o.OTell(), 5);
    EXPECT_EQ(o.OSeek(6), 6);
    EXPECT_EQ(ReadAll(o), (Lines{{7, "d"}}));
    o.Rewind();
    EXPECT_EQ(ReadAll(o), (Lines{{5, "ab"}, {7, "cd"}}));
}

TEST(KvOutput, AppendJoinsTextAndRestartsReading) {
    clsKvOutput o;
    o.Append("");
    EXPECT_TRUE(o.IsEmpty());
    o.Append("a\r\nb\r\n");
    ReadAll(o);
    o.Append("c");
    EXPECT_EQ(o.GetAll(), "a\r\nb\r\nc");
    EXPECT_EQ(ReadAll(o), (Lines{{4, "a"}, {7, "b"}, {8, "c"}}));
    o.Clear();
    EXPECT_TRUE(o.IsEmpty());
    EXPECT_EQ(ReadAll(o), Lines{});
}

}  // namespace
