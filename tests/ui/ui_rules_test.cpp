// The pure rules of the windows.

#include "ui/ui_rules.h"

#include <gtest/gtest.h>

#include "diag/diag_result.h"
#include "ui/result_collection.h"

namespace ui {
namespace {

TEST(UiRulesTest, TwipsConvertWithTheLogicalDpiAndReadBackExactly) {
    for (const auto& [twips, dpi, px] :
         {std::tuple{1440, 96, 96}, {3855, 96, 257}, {1440, 144, 144}, {7, 96, 0}, {8, 96, 1}}) {
        EXPECT_EQ(TwipsToPixels(twips, dpi), px) << twips << " at " << dpi;
    }
    EXPECT_DOUBLE_EQ(PixelsToTwips(134, 96), 2010);
    for (double dpi : {96.0, 120.0, 144.0, 157.0}) {
        for (int px : {0, 1, 77, 463, 1999}) {
            EXPECT_EQ(TwipsToPixels(PixelsToTwips(px, dpi), dpi), px) << px << " at " << dpi;
        }
    }
}

TEST(UiRulesTest, ResultLayoutKeepsItsMarginsAtAnySize) {
    for (const auto& [w, h] : {std::pair{6810, 5355}, {4380, 2595}, {12000, 9001}}) {
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

TEST(UiRulesTest, DialogFiltersStoredNumbersSortMarksAndJobItems) {
    EXPECT_EQ(DialogNameFilters("Logs|*.log|Dangling|"), std::vector<std::string>{"Logs (*.log)"});
    EXPECT_EQ(ParseStoredNumber(" -15.5 "), -15.5);
    EXPECT_EQ(ParseStoredNumber("+3e2"), 300.0);
    for (const char* bad : {"", "  ", "abc", "12px", "1,5", "nan", "inf", "1e300", "--1"}) {
        EXPECT_FALSE(ParseStoredNumber(bad).has_value()) << bad;
    }
    EXPECT_EQ(FormatStoredNumber(1492.5), "1492.5");
    EXPECT_EQ(ParseStoredNumber(FormatStoredNumber(6930.0 / 7)), static_cast<float>(6930.0 / 7));
    SortMarks marks{};
    EXPECT_EQ(ColumnClick(marks, 9), 0);  // no such column: nothing changes
    EXPECT_EQ(marks, SortMarks{});
    EXPECT_EQ(SplitJobItem(" S2 : 7 ", "S1"), (std::pair<std::string, std::string>{"S2", "7"}));
    EXPECT_EQ(SplitJobItem(":7", "S1"), (std::pair<std::string, std::string>{"", "7"}));
}

TEST(UiRulesTest, ResultKeysIgnoreCaseAndKeepRunOrder) {
    ResultCollection results;
    EXPECT_TRUE(results.Add("S1:12", std::make_shared<clsDiagResult>()));
    EXPECT_FALSE(results.Add("s1:12", std::make_shared<clsDiagResult>()));
    EXPECT_FALSE(results.Add("x", nullptr));
    EXPECT_EQ(results.Count(), 1);
    EXPECT_EQ(results.Find("s1:12"), results.Item(1));
    EXPECT_EQ(results.Item(0), nullptr);  // positions count from 1
    EXPECT_EQ(results.Item(2), nullptr);
}

}  // namespace
}  // namespace ui
