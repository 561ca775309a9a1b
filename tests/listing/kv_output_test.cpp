#include "listing/kv_output.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(KvOutputLines, SplitAtCrLfOnlyAndReturnPositionAfterLine) {
    clsKvOutput o;
    o.Init("a\r\nb");
    std::string line;
    EXPECT_EQ(o.GetLine(line), 4);
    EXPECT_EQ(line, "a");
    EXPECT_EQ(o.GetLine(line), 5);
    EXPECT_EQ(line, "b");
    EXPECT_EQ(o.GetLine(line), -1);
    EXPECT_EQ(line, "b");  // untouched at the end
    EXPECT_EQ(o.OTell(), 5);
}

TEST(KvOutputLines, TrailingCrLfGivesNoEmptyLastLineButEmptyLinesCount) {
    clsKvOutput o;
    o.Init("a\r\n");
    std::string line;
    EXPECT_EQ(o.GetLine(line), 4);
    EXPECT_EQ(o.GetLine(line), -1);

    o.Init("\r\n\r\n");
    line = "x";
    EXPECT_EQ(o.GetLine(line), 3);
    EXPECT_EQ(line, "");
    line = "x";
    EXPECT_EQ(o.GetLine(line), 5);
    EXPECT_EQ(line, "");
    EXPECT_EQ(o.GetLine(line), -1);
}

TEST(KvOutputLines, LoneCrOrLfAndNulAreOrdinaryCharacters) {
    clsKvOutput o;
    const std::string text("x\ny\rz\0w", 7);
    o.Init(text);
    std::string line;
    EXPECT_EQ(o.GetLine(line), 8);
    EXPECT_EQ(line, text);
}

TEST(KvOutputPosition, SeekAcceptsOnlyPositionsInsideTheText) {
    clsKvOutput o;
    o.Init("ab\r\ncd");  // length 6
    std::string line;
    o.GetLine(line);
    EXPECT_EQ(o.OSeek(0), 0);
    EXPECT_EQ(o.OSeek(7), 0);
    EXPECT_EQ(o.OTell(), 5);
    EXPECT_EQ(o.OSeek(6), 6);
    EXPECT_EQ(o.GetLine(line), 7);
    EXPECT_EQ(line, "d");

    // Reading a line again from a saved position.
    o.Rewind();
    const int32_t saved = o.OTell();
    o.GetLine(line);
    o.OSeek(saved);
    o.GetLine(line);
    EXPECT_EQ(line, "ab");
}

TEST(KvOutputState, AppendJoinsTextAndRestartsReading) {
    clsKvOutput o;
    EXPECT_TRUE(o.IsEmpty());
    o.Append("");
    EXPECT_TRUE(o.IsEmpty());
    o.Append("a\r\nb\r\n");
    std::string line;
    o.GetLine(line);
    o.GetLine(line);
    o.Append("c");
    EXPECT_EQ(o.OTell(), 1);
    EXPECT_EQ(o.GetAll(), "a\r\nb\r\nc");
    EXPECT_EQ(o.Length(), 7);
    EXPECT_EQ(o.GetLine(line), 4);
    EXPECT_EQ(line, "a");

    o.Clear();
    EXPECT_TRUE(o.IsEmpty());
    EXPECT_EQ(o.OTell(), 1);
    EXPECT_EQ(o.GetLine(line), -1);
}

}  // namespace
