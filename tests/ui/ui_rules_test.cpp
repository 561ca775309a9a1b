// The pure rules of the windows.

#include "ui/ui_rules.h"

#include <gtest/gtest.h>

#include "diag/diag_result.h"
#include "ui/result_collection.h"

namespace ui {
namespace {

TEST(TwipsTest, ConvertWithTheLogicalDpi) {
    EXPECT_EQ(TwipsToPixels(1440, 96), 96);
    EXPECT_EQ(TwipsToPixels(3855, 96), 257);
    EXPECT_EQ(TwipsToPixels(1440, 144), 144);
    EXPECT_EQ(TwipsToPixels(7, 96), 0);
    EXPECT_EQ(TwipsToPixels(8, 96), 1);  // 0.53 px rounds up
    EXPECT_DOUBLE_EQ(PixelsToTwips(134, 96), 2010);
    // A value written and read back gives the same pixels at any DPI.
    for (double dpi : {96.0, 120.0, 144.0, 157.0}) {
        for (int px : {0, 1, 77, 463, 1999}) {
            EXPECT_EQ(TwipsToPixels(PixelsToTwips(px, dpi), dpi), px);
        }
    }
}

TEST(CanStartDiagTest, NeedsAServerAndJobs) {
    EXPECT_TRUE(CanStartDiag(true, "", true, ""));
    EXPECT_FALSE(CanStartDiag(false, "", true, ""));
    EXPECT_TRUE(CanStartDiag(false, "x", true, ""));
    EXPECT_TRUE(CanStartDiag(false, "  ", true, ""));  // blanks count
    EXPECT_FALSE(CanStartDiag(true, "", false, ""));
    EXPECT_TRUE(CanStartDiag(true, "", false, "12"));
    EXPECT_FALSE(CanStartDiag(false, "", false, "12"));
}

TEST(ResultLayoutTest, KeepsMarginsAtAnySize) {
    for (const auto [w, h] :
         {std::pair{6810, 5355}, std::pair{4380, 2595}, std::pair{12000, 9001}}) {
        const ResultLayout l = LayoutResultControls(w, h);
        EXPECT_EQ(l.cmdClose.left + l.cmdClose.width, w - 215);
        EXPECT_EQ(l.cmdClose.top + l.cmdClose.height, h - 60);
        EXPECT_EQ(l.cmdSaveAll.top, l.cmdClose.top);
        EXPECT_EQ(l.cmdSave.left, w - 4130);
        EXPECT_EQ(l.cmdSaveAll.left, w - 2810);
        EXPECT_EQ(l.lvwJobs, (RectTw{60, 60, w - 120, h / 2}));
        EXPECT_EQ(l.lblDiagMessages.top, 60 + h / 2 + 45);
        EXPECT_EQ(l.txtDiagMessages.top, 60 + h / 2 + 285);
        EXPECT_EQ(l.txtDiagMessages.top + l.txtDiagMessages.height, l.cmdClose.top - 105);
        EXPECT_GT(l.txtDiagMessages.height, 0);
        EXPECT_GT(l.cmdSave.left, 0);
    }
}

TEST(ProposedFileNameTest, OneJobOrAll) {
    EXPECT_EQ(ProposedFileName("S1:123", "stallscan", ".log"), "stallscan123.log");
    EXPECT_EQ(ProposedFileName("S1:1:2", "stallscan", ".log"), "stallscan1:2.log");
    EXPECT_EQ(ProposedFileName("", "stallscan", ".log"), "stallscan.log");
    EXPECT_EQ(ProposedFileName("nocolon", "stallscan", ".log"), "stallscan.log");
}

TEST(DialogFilterTest, PairsBecomeNameFilters) {
    EXPECT_EQ(DialogNameFilters("Log files (*.log)|*.log|All files (*.*)|*.*|"),
              (std::vector<std::string>{"Log files (*.log)", "All files (*.*)"}));
    EXPECT_EQ(DialogNameFilters("Logs|*.log"), (std::vector<std::string>{"Logs (*.log)"}));
    EXPECT_TRUE(DialogNameFilters("Dangling|").empty());
}

TEST(StoredNumberTest, OnlyWholeFiniteNumbersCount) {
    EXPECT_EQ(ParseStoredNumber("2010"), 2010.0);
    EXPECT_EQ(ParseStoredNumber(" -15.5 "), -15.5);
    EXPECT_EQ(ParseStoredNumber("+3e2"), 300.0);
    for (const char* bad : {"", "  ", "abc", "12px", "1,5", "nan", "inf", "1e300", "--1"}) {
        EXPECT_FALSE(ParseStoredNumber(bad).has_value()) << bad;
    }
    EXPECT_EQ(FormatStoredNumber(2010), "2010");
    EXPECT_EQ(FormatStoredNumber(1492.5), "1492.5");
    EXPECT_EQ(ParseStoredNumber(FormatStoredNumber(6930.0 / 7)), static_cast<float>(6930.0 / 7));
}

TEST(SortMarksTest, RepeatedClicksAlternateAndOtherColumnsRestart) {
    SortMarks marks{};
    EXPECT_EQ(ColumnClick(marks, 1), 0);  // job name ascending
    EXPECT_EQ(ColumnClick(marks, 1), 1);  // descending
    EXPECT_EQ(ColumnClick(marks, 4), 0);  // queue ascending
    EXPECT_EQ(ColumnClick(marks, 1), 0);  // job name ascending again
    EXPECT_EQ(marks, (SortMarks{0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(ColumnClick(marks, 9), 0);  // outside: nothing changes
    EXPECT_EQ(marks, (SortMarks{0, 1, 0, 0, 0, 0}));
}

TEST(ResultRowTest, KeyAndPrintersColumn) {
    clsDiagResult r;
    r.SpoolerName("S1");
    r.JobId("42");
    r.PhyPrintersSup(std::string("p1\0p2\0", 6));
    EXPECT_EQ(RowKey(r), "S1:42");
    EXPECT_EQ(PrintersColumn(r), "p1, p2");
    r.PhyPrintersReq(std::string("p3\0", 3));
    EXPECT_EQ(PrintersColumn(r), "p3");
}

TEST(JobItemTest, ServerOfTheItemOrTheDefault) {
    EXPECT_EQ(SplitJobItem("12", "S1"), (std::pair<std::string, std::string>{"S1", "12"}));
    EXPECT_EQ(SplitJobItem(" S2 : 7 ", "S1"), (std::pair<std::string, std::string>{"S2", "7"}));
    EXPECT_EQ(SplitJobItem(":7", "S1"), (std::pair<std::string, std::string>{"", "7"}));
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("   "), "");
}

TEST(ResultCollectionTest, KeysIgnoreCaseAndKeepRunOrder) {
    ResultCollection results;
    EXPECT_TRUE(results.Add("S1:12", std::make_shared<clsDiagResult>()));
    EXPECT_TRUE(results.Add("S2:7", std::make_shared<clsDiagResult>()));
    EXPECT_FALSE(results.Add("s1:12", std::make_shared<clsDiagResult>()));
    EXPECT_FALSE(results.Add("x", nullptr));
    EXPECT_EQ(results.Count(), 2);
    EXPECT_EQ(results.KeyAt(2), "S2:7");
    EXPECT_EQ(results.Find("s2:7"), results.Item(2));
    EXPECT_EQ(results.Item(0), nullptr);
    EXPECT_EQ(results.Item(3), nullptr);
    EXPECT_EQ(results.Find("S3:1"), nullptr);
}

}  // namespace
}  // namespace ui
