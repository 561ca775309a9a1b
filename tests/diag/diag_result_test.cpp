#include "diag/diag_result.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

std::string Nul(std::initializer_list<std::string> values) {
    std::string text;
    for (const std::string& v : values) {
        text += v + '\0';
    }
    return text;
}

}  // namespace

TEST(FormatValueList, JoinsDistinctValuesInOrderOfLastOccurrence) {
    EXPECT_EQ(clsDiagResult::FormatValueList(Nul({"p1", "p2"})), "p1, p2");
    EXPECT_EQ(clsDiagResult::FormatValueList(Nul({"a", "b", "a"})), "b, a");
    EXPECT_EQ(clsDiagResult::FormatValueList("\0\0x\0\0y"s), "x, y");
    EXPECT_EQ(clsDiagResult::FormatValueList(""), "");
    EXPECT_EQ(clsDiagResult::FormatValueList("\0\0"s), "");
}

TEST(FormatValueList, RemovesOnePairOfQuotesPerValue) {
    EXPECT_EQ(clsDiagResult::FormatValueList("\"x\""), "x");
    EXPECT_EQ(clsDiagResult::FormatValueList("\"\"x\"\""), "\"x\"");
    EXPECT_EQ(clsDiagResult::FormatValueList("\""), "\"");
    EXPECT_EQ(clsDiagResult::FormatValueList(Nul({"\"a b\"", "c"})), "a b, c");
    // A text without NUL is one value, blanks and commas included.
    EXPECT_EQ(clsDiagResult::FormatValueList("a, b c"), "a, b c");
}

TEST(DiagResult, SavedRecordOfEightLines) {
    clsDiagResult r;
    r.JobId("42");
    r.SpoolerName("srv1");
    r.JobStatus("pending");
    r.QueueName("q1");
    r.PhyPrintersSup(Nul({"p1", "p2"}));
    r.PrintF(315, {"q1"});
    EXPECT_EQ(r.GetTextForSavingToFile(),
              "Job identifier: srv1:42\r\n"
              "Job name:  \r\n"
              "Job status: pending\r\n"
              "Assigned spooler: srv1\r\n"
              "Assigned queue: q1\r\n"
              "Physical printer(s): p1, p2\r\n"
              "The job is not printing for the following reason(s):\r\n"
              "- Queue \"q1\" is paused.\r\n");
}

TEST(DiagResult, SavedRecordFallbacksAndRequestedPrinters) {
    clsDiagResult r;
    r.SpoolerName("srv1");
    r.PhyPrintersReq(Nul({"p3"}));
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

TEST(DiagResult, PrintFFormatsEveryArgumentAndRecordsTheMessage) {
    clsDiagResult r;
    r.PrintF(322, {"\"P1\"", Nul({"a", "b", "a"})});
    r.PrintF(333);
    EXPECT_EQ(r.DiagMessages(),
              "- Printer \"P1\" does not support \"b, a\" in its \"\" attribute.\r\n"
              "No problems were found.\r\n");
    ASSERT_EQ(r.Messages().size(), 2u);
    EXPECT_EQ(r.Messages()[0].id, 322);
    EXPECT_EQ(r.Messages()[0].args, (std::vector<std::string>{"P1", "b, a"}));
    EXPECT_EQ(r.Messages()[0].text,
              "- Printer \"P1\" does not support \"b, a\" in its \"\" attribute.\r\n");
    EXPECT_TRUE(r.Messages()[1].args.empty());
}

TEST(DiagResult, PrintFSubstitutesOnlyNineArguments) {
    clsDiagResult r;
    r.PrintF(322, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"});
    EXPECT_EQ(r.Messages().at(0).args.size(), 9u);
    EXPECT_EQ(r.DiagMessages(),
              "- Printer \"1\" does not support \"2\" in its \"3\" attribute.\r\n");
}

TEST(DiagResult, PrintUAByObjectClass) {
    clsDiagResult r;
    r.PrintUA(0, "x");
    r.PrintUA(6, "x");
    EXPECT_EQ(r.DiagMessages(), "");
    EXPECT_TRUE(r.Messages().empty());

    r.PrintUA(1, "\"s1\"");  // unchanged: no value-list formatting
    r.PrintUA(2, "p");
    r.PrintUA(3, "q");
    r.PrintUA(4, "s:1");
    r.PrintUA(5, "d");
    EXPECT_EQ(r.DiagMessages(),
              "Unable to access server \"\"s1\"\".\r\n"
              "Unable to access printer \"p\".\r\n"
              "Unable to access queue \"q\".\r\n"
              "Unable to access job \"s:1\".\r\n"
              "Unable to access document \"d\".\r\n");
    EXPECT_EQ(r.Messages()[4].id, 108);
    EXPECT_EQ(r.Messages()[0].args, std::vector<std::string>{"\"s1\""});
}

TEST(DiagResult, ClearEmptiesEverything) {
    clsDiagResult r;
    r.JobId("1");
    r.JobName("\"quoted name\"");
    EXPECT_EQ(r.JobName(), "quoted name");
    r.JobStatus("s");
    r.SpoolerName("s");
    r.QueueName("q");
    r.PhyPrintersSup("p");
    r.PhyPrintersReq("p");
    r.PrintF(333);
    r.Clear();
    EXPECT_EQ(r.JobId() + r.JobName() + r.JobStatus() + r.SpoolerName() + r.QueueName() +
                  r.PhyPrintersSup() + r.PhyPrintersReq() + r.DiagMessages(),
              "");
    EXPECT_TRUE(r.Messages().empty());
}

TEST(DiagResult, PlaceholdersInsideValuesStayInTheReport) {
    clsDiagResult r;
    r.JobId("7");
    r.JobName("Budget 100%2 %1");
    r.PrintF(315, {"q%3", "unused"});
    r.PrintUA(2, "p%9");
    const std::string record = r.GetTextForSavingToFile();
    EXPECT_NE(record.find("Job name: Budget 100%2 %1\r\n"), std::string::npos) << record;
    EXPECT_NE(record.find("- Queue \"q%3\" is paused.\r\n"), std::string::npos) << record;
    EXPECT_EQ(r.Messages()[0].text, "- Queue \"q%3\" is paused.\r\n");
    EXPECT_NE(r.Messages()[1].text.find("p%9"), std::string::npos);
}
