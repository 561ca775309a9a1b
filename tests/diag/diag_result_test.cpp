#include "diag/diag_result.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;

TEST(FormatValueList, DistinctValuesByLastOccurrenceEachWithoutOnePairOfQuotes) {
    // A text without NUL is one value, blanks and commas included.
    const std::vector<std::pair<std::string, std::string>> cases{
        {"p1\0p2\0"s, "p1, p2"},
        {"a\0b\0a\0"s, "b, a"},
        {"\0\0x\0\0y"s, "x, y"},
        {"\0\0"s, ""},
        {"\"x\"", "x"},
        {"\"\"x\"\"", "\"x\""},
        {"\"", "\""},
        {"\"a b\"\0c\0"s, "a b, c"},
        {"a, b c", "a, b c"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(clsDiagResult::FormatValueList(text), expected) << text;
    }
}

TEST(DiagResult, SavedRecordFallbacksAndRequestedPrinters) {
    clsDiagResult r;
    r.SpoolerName("srv1");
    r.PhyPrintersReq("p3\0"s);
    EXPECT_EQ(r.GetTextForSavingToFile(),
              "Job identifier: unknown ID\r\n"
              "Job name:  \r\n"
              "Job status: unknown status\r\n"
              "Assigned spooler: srv1\r\n"
              "Assigned queue:  \r\n"
              "Physical printer(s):  \r\n"
              "Requested physical printer(s): p3\r\n"
              "The job is not printing for the following reason(s):\r\n");

    clsDiagResult noSpooler;
    noSpooler.JobId("42");
    const std::string text = noSpooler.GetTextForSavingToFile();
    EXPECT_EQ(text.substr(0, text.find("Job name")), "Job identifier: 42\r\n");
    EXPECT_NE(text.find("Assigned spooler: unknown spooler\r\n"), std::string::npos);
}

TEST(DiagResult, PrintFFormatsNineArgumentsAndKeepsTheMessageAsData) {
    clsDiagResult r;
    r.PrintF(322, {"\"P1\"", "a\0b\0a\0"s, "3", "4", "5", "6", "7", "8", "9", "10"});
    r.PrintF(333);
    const std::string first =
        "- Printer \"P1\" does not support \"b, a\" in its \"3\" attribute.\r\n";
    EXPECT_EQ(r.DiagMessages(), first + "No problems were found.\r\n");
    ASSERT_EQ(r.Messages().size(), 2u);
    EXPECT_EQ(r.Messages()[0].id, 322);
    EXPECT_EQ(r.Messages()[0].args,
              (std::vector<std::string>{"P1", "b, a", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(r.Messages()[0].text, first);
    EXPECT_TRUE(r.Messages()[1].args.empty());
}

TEST(DiagResult, PrintUAByObjectClassWithTheNameUnformatted) {
    clsDiagResult r;
    r.PrintUA(0, "x");
    r.PrintUA(6, "x");
    r.PrintUA(5, "\"d\"");
    EXPECT_EQ(r.DiagMessages(), "Unable to access document \"\"d\"\".\r\n");
    ASSERT_EQ(r.Messages().size(), 1u);
    EXPECT_EQ(r.Messages()[0].id, 108);
}

TEST(DiagResult, ClearEmptiesEverything) {
    clsDiagResult r;
    r.JobId("1");
    r.JobName("n");
    r.JobStatus("s");
    r.SpoolerName("s");
    r.QueueName("q");
    r.PhyPrintersSup("p");
    r.PhyPrintersReq("p");
    r.PrintF(333);
    r.Clear();
    EXPECT_EQ(r.GetTextForSavingToFile(), clsDiagResult().GetTextForSavingToFile());
    EXPECT_TRUE(r.Messages().empty());
}

TEST(DiagResult, PlaceholdersInsideValuesStayInTheReport) {
    clsDiagResult r;
    r.JobName("Budget 100%2 %1");
    r.PrintF(315, {"q%3", "unused"});
    r.PrintUA(2, "p%9");
    EXPECT_NE(r.GetTextForSavingToFile().find("Job name: Budget 100%2 %1\r\n"), std::string::npos);
    EXPECT_EQ(r.DiagMessages(),
              "- Queue \"q%3\" is paused.\r\nUnable to access printer \"p%9\".\r\n");
    EXPECT_EQ(r.Messages()[1].text, "Unable to access printer \"p%9\".\r\n");
}
