#include "model/object_attrs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/canned_runner.h"

namespace {

using namespace std::string_literals;
const std::string kTool = kCannedTool + " ";

clsObjectAddr Address(int32_t objClass, const std::string& name, const std::string& domain = {}) {
    clsObjectAddr address;
    return address.Init(objClass, name, domain);
}

TEST(ObjectAttrs, RefusesBadAddressesWithoutRunningTheTool) {
    CannedRunner runner;
    clsObjectAttrs attrs;
    for (const clsObjectAddr& bad :
         {Address(0, "P1"), Address(8, "P1"), Address(kClassPrinter, "")}) {
        EXPECT_EQ(attrs.Init(bad, true), 2006);
    }
    EXPECT_EQ(attrs.Init(Address(kClassPrinter, "P1"), false, ""), 2006);
    EXPECT_TRUE(runner.commandLines.empty());
}

TEST(ObjectAttrs, ListsAllThenRequestedIntoTheSameEntries) {
    CannedRunner runner;
    runner.Serve("P1: printer-state = idle\r\nP1: enabled = true\r\n");
    runner.Serve("P1: printer-state = needs-attention\r\n");
    clsObjectAttrs attrs;
    clsObjectAddr address = Address(kClassPrinter, "P1", "D1");
    EXPECT_EQ(attrs.Init(address, true, "printer-state printer-problem-message"), 0);
    address.Init(kClassQueue, "Q9", "");  // the attributes keep their own copy
    EXPECT_EQ(runner.commandLines,
              (std::vector<std::string>{
                  kTool + "-cp -x domain-name=D1 -r \"all\" -sl -F P1",
                  kTool + "-cp -x domain-name=D1 -r \"printer-state printer-problem-message\" "
                          "-sl -F P1"}));
    EXPECT_EQ(attrs.GetSingleValue("printer-state"), "needs-attention");
    EXPECT_EQ(attrs.GetSingleValue("Enabled"), "true");
    EXPECT_EQ(attrs.Entries().KeyAt(2), "printer-state");

    runner.Serve("", "kvls: cannot reach P1\r\n");
    EXPECT_EQ(attrs.Update(), 2003);
    EXPECT_EQ(runner.commandLines.back(), kTool + "-cp -x domain-name=D1 -r \"all\" -sl -F P1");
    runner.Serve("# nothing\r\n");
    EXPECT_EQ(attrs.Update(), 900);
    EXPECT_EQ(runner.commandLines.size(), 4u);  // the second listing did not run
    runner.Serve("P1: a = 1\r\n");
    runner.Serve("", " No entries.\r\n");
    EXPECT_EQ(attrs.Update(), 901);
    EXPECT_EQ(attrs.GetSingleValue("a"), "1");
}

class JobAttrs : public ::testing::Test {
  protected:
    void List(int32_t objClass, const std::string& listing) {
        runner.Serve(listing);
        ASSERT_EQ(attrs.Init(Address(objClass, "srv1:42"), true), 0);
    }
    CannedRunner runner;
    clsObjectAttrs attrs;
};

TEST_F(JobAttrs, JobAttributesFallBackToTheLowestDocumentThatHasThem) {
    List(kClassJob,
         "srv1:42: job-name = x\r\nsrv1:42: printers = a\r\n  b\r\n"
         "srv1:42.2: document-format = PCL\r\nsrv1:42.3: document-format = simple-text\r\n"
         "srv1:42.3: file-name = c|/spool/f1\r\n");
    EXPECT_EQ(runner.commandLines.back(), kTool + "-cj -x scope=1 -r \"all\" -sl -F srv1:42");
    EXPECT_EQ(attrs.GetSingleValue("printers"), "a");
    EXPECT_EQ(attrs.GetMultiValues("printers"), "a\0b\0"s);
    EXPECT_EQ(attrs.GetSingleValue("document-format"), "PCL");
    EXPECT_EQ(attrs.GetMultiValues("document-format"), "PCL\0simple-text\0"s);
    EXPECT_EQ(attrs.GetSingleValue("document-format", 1), "");
    EXPECT_EQ(attrs.GetMultiValues("document-format", 3), "simple-text\0"s);
    EXPECT_EQ(attrs.GetSingleValue("job-name", 2), "");
    EXPECT_EQ(attrs.GetSingleValue("job-name", -1), "");  // only the documents are read
    EXPECT_EQ(attrs.GetSingleValue("document-format", -1), "PCL");
    EXPECT_EQ(attrs.GetSingleValueInWinPath("file-name"), "c:\\spool\\f1");

    List(kClassPrinter, "srv1:42: a = 1\r\nsrv1:42.1: document-format = PCL\r\n");
    EXPECT_EQ(attrs.GetSingleValue("document-format"), "");
    EXPECT_EQ(attrs.GetSingleValue("document-format", 1), "PCL");
}

TEST_F(JobAttrs, OnlyCanonicalDocumentNumbersUpToTheCountAreVisited) {
    List(kClassJob,
         "srv1:42: job-name = x\r\nsrv1:42.-3: f = minus\r\nsrv1:42.01: f = zero\r\n"
         "srv1:42.7: g = seven\r\nsrv1:42.99999999999: f = huge\r\nsrv1:42.5: f = five\r\n");
    EXPECT_EQ(attrs.GetSingleValue("number-of-documents"), "2147483647");
    EXPECT_EQ(attrs.DocumentNumbers(), (std::vector<int32_t>{5, 7}));
    EXPECT_EQ(attrs.GetMultiValues("f"), "five\0"s);

    List(kClassJob, "j: a = x\r\nj.2147483648: f = over\r\nj.2147483647: g = max\r\n");
    EXPECT_EQ(attrs.DocumentNumbers(), (std::vector<int32_t>{2147483647}));
    EXPECT_EQ(attrs.GetSingleValue("f"), "");
    EXPECT_EQ(attrs.GetSingleValue("g"), "max");
}

}  // namespace
