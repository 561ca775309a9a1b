#include "diag/diagnosis.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;
using stallscan::diag::Diagnosis;
using stallscan::model::ObjectClass;
using stallscan::text::Msg;

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
        EXPECT_EQ(Diagnosis::FormatValueList(text), expected) << text;
    }
}

TEST(Diagnosis, SavedRecordFallbacksAndRequestedPrinters) {
    Diagnosis r;
    r.SetSpoolerName("srv1");
    r.SetPrintersRequested("p3\0"s);
    EXPECT_EQ(r.ReportText(),
              "Job identifier: unknown ID\r\n"
              "Job name:  \r\n"
              "Job status: unknown status\r\n"
              "Assigned spooler: srv1\r\n"
              "Assigned queue:  \r\n"
              "Physical printer(s):  \r\n"
              "Requested physical printer(s): p3\r\n"
              "The job is not printing for the following reason(s):\r\n");

    Diagnosis noSpooler;
    noSpooler.SetJobId("42");
    const std::string text = noSpooler.ReportText();
    EXPECT_EQ(text.substr(0, text.find("Job name")), "Job identifier: 42\r\n");
    EXPECT_NE(text.find("Assigned spooler: unknown spooler\r\n"), std::string::npos);
}

TEST(Diagnosis, AddFormatsNineArgumentsAndKeepsTheMessageAsData) {
    Diagnosis r;
    r.Add(Msg::kReasonNotSupported, {"\"P1\"", "a\0b\0a\0"s, "3", "4", "5", "6", "7", "8", "9", "10"});
    r.Add(Msg::kNoProblemsFound);
    const std::string first =
        "- Printer \"P1\" does not support \"b, a\" in its \"3\" attribute.\r\n";
    EXPECT_EQ(r.MessageText(), first + "No problems were found.\r\n");
    ASSERT_EQ(r.Messages().size(), 2u);
    EXPECT_EQ(r.Messages()[0].id, Msg::kReasonNotSupported);
    EXPECT_EQ(r.Messages()[0].args,
              (std::vector<std::string>{"P1", "b, a", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(r.Messages()[0].text, first);
    EXPECT_TRUE(r.Messages()[1].args.empty());
}

TEST(Diagnosis, AccessFailureByObjectClassWithTheNameUnformatted) {
    Diagnosis r;
    r.AddAccessFailure(ObjectClass::kNone, "x");
    r.AddAccessFailure(ObjectClass::kIvj, "x");
    r.AddAccessFailure(ObjectClass::kDocument, "\"d\"");
    EXPECT_EQ(r.MessageText(), "Unable to access document \"\"d\"\".\r\n");
    ASSERT_EQ(r.Messages().size(), 1u);
    EXPECT_EQ(r.Messages()[0].id, Msg::kUnableToAccessDocument);
}

TEST(Diagnosis, PlaceholdersInsideValuesStayInTheReport) {
    Diagnosis r;
    r.SetJobName("Budget 100%2 %1");
    r.Add(Msg::kReasonQueuePaused, {"q%3", "unused"});
    r.AddAccessFailure(ObjectClass::kPrinter, "p%9");
    EXPECT_NE(r.ReportText().find("Job name: Budget 100%2 %1\r\n"), std::string::npos);
    EXPECT_EQ(r.MessageText(),
              "- Queue \"q%3\" is paused.\r\nUnable to access printer \"p%9\".\r\n");
    EXPECT_EQ(r.Messages()[1].text, "Unable to access printer \"p%9\".\r\n");
}
