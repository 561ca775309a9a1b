#include "model/object_attrs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/canned_runner.h"

namespace {

using namespace std::string_literals;

const std::string kTool = "C:\\print\\bin\\kvls.exe ";

clsObjectAddr Address(int32_t objClass, const std::string& name, const std::string& domain = {}) {
    clsObjectAddr address;
    return address.Init(objClass, name, domain);
}

TEST(ObjectAttrsUpdate, RefusesBadAddressesWithoutRunningTheTool) {
    CannedRunner runner;
    clsObjectAttrs attrs;
    EXPECT_EQ(attrs.Init(Address(0, "P1"), true), 2006);
    EXPECT_EQ(attrs.Init(Address(8, "P1"), true), 2006);
    EXPECT_EQ(attrs.Init(Address(kClassPrinter, ""), true), 2006);
    EXPECT_EQ(attrs.Init(Address(kClassPrinter, "P1"), false, ""), 2006);
    EXPECT_EQ(attrs.Update(), 2006);
    EXPECT_TRUE(runner.commandLines.empty());
}

TEST(ObjectAttrsUpdate, ListsAllThenRequestedIntoTheSameEntries) {
    CannedRunner runner;
    runner.Serve("P1: printer-state = idle\r\nP1: enabled = true\r\n");
    runner.Serve("P1: printer-state = needs-attention\r\n");
    clsObjectAttrs attrs;
    clsObjectAddr address = Address(kClassPrinter, "P1", "D1");
    EXPECT_EQ(attrs.Init(address, true, "printer-state printer-problem-message"), 0);
    address.Init(kClassQueue, "Q9", "");  // the attributes keep their own copy
    EXPECT_EQ(attrs.Address().ObjectName(), "P1");

    EXPECT_EQ(runner.commandLines,
              (std::vector<std::string>{
                  kTool + "-cp -x domain-name=D1 -r \"all\" -sl -F P1",
                  kTool + "-cp -x domain-name=D1 -r \"printer-state printer-problem-message\" "
                          "-sl -F P1"}));
    EXPECT_EQ(attrs.Count(), 2);
    EXPECT_EQ(attrs.GetSingleValue("printer-state"), "needs-attention");
    EXPECT_EQ(attrs.GetSingleValue("Enabled"), "true");
    EXPECT_EQ(attrs.Entries().KeyAt(2), "printer-state");  // moved to the end

    // Update lists the same object again, with the same options.
    runner.Serve("P1: printer-state = idle\r\n");
    runner.Serve("P1: enabled = false\r\n");
    EXPECT_EQ(attrs.Update(), 0);
    EXPECT_EQ(runner.commandLines.size(), 4u);
    EXPECT_EQ(attrs.GetSingleValue("enabled"), "false");
}

TEST(ObjectAttrsUpdate, FailuresAreReturnedAsTheyCome) {
    CannedRunner runner;
    clsObjectAttrs attrs;
    runner.Serve("", " No entries.\r\n");
    EXPECT_EQ(attrs.Init(Address(kClassServer, "S1"), true), 901);
    EXPECT_EQ(runner.commandLines.back(), kTool + "-cs -r \"all\" -sl -F S1");

    runner.Serve("", "", 2002);
    EXPECT_EQ(attrs.Init(Address(kClassServer, "S1"), false, "server-state"), 2002);

    runner.Serve("# only a comment\r\n");
    EXPECT_EQ(attrs.Init(Address(kClassServer, "S1"), true, "server-state"), 900);
    EXPECT_EQ(runner.commandLines.size(), 3u);  // the second listing never ran

    // First listing kept when the second one fails.
    runner.Serve("S1: server-state = ready\r\n");
    runner.Serve("", "kvls: cannot reach S1\r\n");
    EXPECT_EQ(attrs.Init(Address(kClassServer, "S1"), true, "server-state"), 2003);
    EXPECT_EQ(attrs.GetSingleValue("server-state"), "ready");

    // A refused Update leaves the entries alone.
    clsObjectAttrs kept;
    runner.Serve("S1: server-state = ready\r\n");
    ASSERT_EQ(kept.Init(Address(kClassServer, "S1"), true), 0);
    EXPECT_EQ(kept.Count(), 1);
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
         "srv1:42: job-name = x\r\n"
         "srv1:42.2: document-format = PCL\r\n"
         "srv1:42.3: document-format = simple-text\r\n"
         "srv1:42.3: file-name = c|/spool/f1\r\n");
    EXPECT_EQ(runner.commandLines.back(), kTool + "-cj -x scope=1 -r \"all\" -sl -F srv1:42");
    EXPECT_EQ(attrs.DocumentNumbers(), (std::vector<int32_t>{2, 3}));
    EXPECT_EQ(attrs.GetSingleValue("document-format"), "PCL");
    EXPECT_EQ(attrs.GetMultiValues("document-format"), "PCL\0simple-text\0"s);
    EXPECT_EQ(attrs.GetSingleValue("document-format", 1), "");
    EXPECT_EQ(attrs.GetSingleValue("document-format", 3), "simple-text");
    EXPECT_EQ(attrs.GetMultiValues("document-format", 3), "simple-text\0"s);
    EXPECT_EQ(attrs.GetSingleValue("job-name", 2), "");
    // A negative document number reads no entry of the job itself, only its documents.
    EXPECT_EQ(attrs.GetSingleValue("job-name", -1), "");
    EXPECT_EQ(attrs.GetSingleValue("document-format", -1), "PCL");
    EXPECT_EQ(attrs.GetSingleValueInWinPath("file-name"), "c:\\spool\\f1");
    EXPECT_EQ(attrs.GetSingleValue("missing"), "");
    EXPECT_EQ(attrs.GetMultiValues("missing"), "");
}

TEST_F(JobAttrs, ValuesAreCutAtTheFirstNulForSingleValues) {
    List(kClassJob, "srv1:42: printers-assigned = a\r\n  b\r\n");
    EXPECT_EQ(attrs.GetSingleValue("printers-assigned"), "a");
    EXPECT_EQ(attrs.GetMultiValues("printers-assigned"), "a\0b\0"s);
    EXPECT_TRUE(attrs.DocumentNumbers().empty());
}

TEST_F(JobAttrs, OtherClassesNeverLookIntoDocuments) {
    List(kClassPrinter, "srv1:42: a = 1\r\nsrv1:42.1: document-format = PCL\r\n");
    EXPECT_EQ(attrs.GetSingleValue("document-format"), "");
    EXPECT_EQ(attrs.GetSingleValue("document-format", 1), "PCL");
}

TEST_F(JobAttrs, OnlyCanonicalDocumentNumbersUpToTheCountAreVisited) {
    List(kClassJob,
         "srv1:42: job-name = x\r\n"
         "srv1:42.-3: f = minus\r\n"
         "srv1:42.01: f = leading-zero\r\n"
         "srv1:42.7: g = seven\r\n"
         "srv1:42.99999999999: f = huge\r\n"
         "srv1:42.5: f = five\r\n");
    // The count reads 2147483647: the walk still visits only 5 and 7.
    EXPECT_EQ(attrs.GetSingleValue("number-of-documents"), "2147483647");
    EXPECT_EQ(attrs.DocumentNumbers(), (std::vector<int32_t>{5, 7}));
    EXPECT_EQ(attrs.GetSingleValue("f"), "five");
    EXPECT_EQ(attrs.GetMultiValues("f"), "five\0"s);
    EXPECT_EQ(attrs.GetMultiValues("g"), "seven\0"s);

    // Documents above the (clamped) count are not visited.
    List(kClassJob,
         "srv1:42: job-name = x\r\n"
         "srv1:42.2147483648: f = over\r\n"
         "srv1:42.2147483647: g = max\r\n");
    EXPECT_EQ(attrs.DocumentNumbers(), (std::vector<int32_t>{2147483647}));
    EXPECT_EQ(attrs.GetSingleValue("f"), "");
    EXPECT_EQ(attrs.GetSingleValue("g"), "max");
}

TEST_F(JobAttrs, HundredThousandDocuments) {
    std::string listing = "srv1:42: job-name = x\r\n";
    for (int d = 1; d <= 100000; ++d) {
        listing += "srv1:42." + std::to_string(d) + ": octet-count = " + std::to_string(d) + "\r\n";
    }
    listing += "srv1:42.100000: document-format = last\r\n";
    List(kClassJob, listing);
    EXPECT_EQ(attrs.DocumentNumbers().size(), 100000u);
    EXPECT_EQ(attrs.GetSingleValue("octet-count"), "1");
    EXPECT_EQ(attrs.GetSingleValue("document-format"), "last");
    EXPECT_EQ(attrs.GetMultiValues("octet-count").size(), 588895u);
}

}  // namespace
