#include "listing/listing_query.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/globals.h"
#include "model/canned_runner.h"
#include "platform/platform.h"
#include "support/test_os.h"

namespace {

using test_os::WriteFile;
using namespace std::string_literals;
using basPosixCtl::BuildListingCommand;
using basPosixCtl::PseudoFileName;
using basPosixCtl::RunListingQuery;

const std::string& kTool = kCannedTool;
// The tool as the child's first argument: on POSIX the path of this system.
#ifdef _WIN32
const std::string kToolArgument = kTool;
#else
const std::string kToolArgument = "C:/print/bin/kvls.exe";
#endif

clsObjectAddr Addr(int32_t objClass, const std::string& name, const std::string& domain = {}) {
    clsObjectAddr addr;
    return addr.Init(objClass, name, domain);
}

class ListingQuery : public ::testing::Test {
  protected:
    CannedRunner runner;
    clsKvOutput out;
    clsKvOutput err;
};

TEST_F(ListingQuery, CommandLinesAreExactlyTheToolsSyntax) {
    const std::string pending =
        "(current-job-state==pending) || (current-job-state==paused) || "
        "(current-job-state==held)";
    const struct {
        clsObjectAddr addr;
        std::string attrs;
        std::string filter;
        std::string expected;  // after the tool's path and a blank
    } cases[] = {
        {Addr(kClassPrinter, "P1", "D1"), "printer-state printer-problem-message", "",
         "-cp -x domain-name=D1 -r \"printer-state printer-problem-message\" -sl -F P1"},
        {Addr(kClassJob, "S1:"), "job-identifier", pending,
         "-cj -x scope=1 -r \"job-identifier\" -sl -f \"" + pending + "\" S1:"},
        {Addr(kClassJob, "S1:"), "job-identifier", "",
         "-cj -x scope=1 -r \"job-identifier\" -sl -F S1:"},
        {Addr(0, "X"), "", "", "-r \"all\" -sl -F X"},  // no attributes: all; no class option
        {Addr(kClassServer, "N"), "all", "", "-cs -r \"all\" -sl -F N"},
        {Addr(kClassQueue, "N"), "all", "", "-cq -r \"all\" -sl -F N"},
        {Addr(kClassDocument, "N"), "all", "", "-cd -r \"all\" -sl -F N"},
        {Addr(kClassIvj, "N"), "all", "", "-c i-v-j -r \"all\" -sl -F N"},
        {Addr(kClassIvd, "N"), "all", "", "-c i-v-d -r \"all\" -sl -F N"},
        {Addr(8, "N"), "all", "", "-r \"all\" -sl -F N"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildListingCommand(c.addr, c.attrs, c.filter).commandLine,
                  kTool + " " + c.expected);
    }
}

TEST_F(ListingQuery, ArgumentVectorHoldsTheSamePiecesOneArgumentEach) {
    using Args = std::vector<std::string>;
    EXPECT_EQ(BuildListingCommand(Addr(kClassPrinter, "P1", "D1"), "state message", "").args,
              (Args{kToolArgument, "-cp", "-x", "domain-name=D1", "-r", "state message", "-sl",
                    "-F", "P1"}));
    EXPECT_EQ(BuildListingCommand(Addr(kClassJob, "my server:12"), "", "a == b").args,
              (Args{kToolArgument, "-cj", "-x", "scope=1", "-r", "all", "-sl", "-f", "a == b",
                    "my server:12"}));
}

TEST_F(ListingQuery, RepeatsWhileTheRunnerAsksForALargerBuffer) {
    runner.Serve("", "", 903);
    runner.Serve("", "", 903);
    runner.Serve("a=b\r\n");
    EXPECT_EQ(RunListingQuery(Addr(kClassServer, "S1"), "", out, err), 0);
    ASSERT_EQ(runner.commandLines.size(), 3u);
    EXPECT_EQ(runner.commandLines[0], runner.commandLines[2]);
    EXPECT_EQ(runner.apps[0], kTool);
    EXPECT_EQ(out.GetAll(), "a=b\r\n");
}

TEST_F(ListingQuery, ClassifiesWhatTheToolWrote) {
    const struct {
        int32_t code;
        std::string out, err;
        int32_t expected;
    } cases[] = {
        {0, "", "kvls: No entries.\r\n", 901},
        {0, "", "kvls: no entries.\r\n", 2003},  // the search is case-sensitive
        {0, "", "kvls: server down\r\n", 2003},
        {0, "printer-state=idle\r\n", "warning\r\n", 0},
        {0, "", "", 0},
        {2002, "", "", 2002},
        {2004, "", "", 2004},
    };
    for (const auto& c : cases) {
        runner.Serve(c.out, c.err, c.code);
        EXPECT_EQ(RunListingQuery(Addr(kClassPrinter, "P1"), "", out, err), c.expected) << c.err;
    }
}

TEST_F(ListingQuery, EmptyNameIsRefusedWithoutRunningOrTouchingOutputs) {
    out.Init("kept");
    err.Init("kept too");
    EXPECT_EQ(RunListingQuery(Addr(kClassPrinter, "", "D1"), "all", out, err), 2006);
    EXPECT_TRUE(runner.commandLines.empty());
    EXPECT_EQ(out.GetAll(), "kept");
    EXPECT_EQ(err.GetAll(), "kept too");
}

TEST(PseudoFileNames, FollowTheObjectNameAndRefuseNamesLeadingOutOfTheDirectory) {
    const std::pair<std::string, std::string> cases[] = {
        {"S1:", "S1-jids.txt"},
        {"S1:12", "S1-12.txt"},
        {"P1", "P1.txt"},
        {"S1:12:3", "S1-12:3.txt"},  // only the first ":" changes
        {"my printer", "my printer.txt"},
        {"..", "...txt"},  // a plain name inside the directory
        {"../secret", ""},
        {"..\\secret", ""},
        {"/etc/passwd", ""},
        {"sub/P1", ""},
        {"S1:..\\x", ""},
        {"../S1:", ""},
        {std::string("P1\0/x", 5), ""},
    };
    for (const auto& [key, file] : cases) {
        EXPECT_EQ(PseudoFileName(key), file) << key;
    }
}

// Pseudo mode against real files in a fresh directory.
class PseudoListing : public ListingQuery {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(root / "canned");
        gPseudoDir = (root / "canned").string();
    }
    void TearDown() override {
        EXPECT_TRUE(runner.commandLines.empty());  // the tool never runs in pseudo mode
        std::filesystem::remove_all(root);
    }

    const std::filesystem::path root = test_os::FreshDir("pseudo");
};

TEST_F(PseudoListing, ReadsTheCannedFileWithoutRunningTheToolLinesEndingAtCrLfOrLoneCr) {
    WriteFile(root / "canned" / "S1-jids.txt", "job-identifier=12\r\n");
    WriteFile(root / "canned" / "S1-12.txt", std::string("a\r\nb\rc\nd\r\r\ne\0f", 14));
    WriteFile(root / "canned" / "P2.txt", "\r\n");
    EXPECT_EQ(RunListingQuery(Addr(kClassJob, "S1:"), "job-identifier", out, err, "f"), 0);
    EXPECT_EQ(out.GetAll(), "job-identifier=12\r\n");
    EXPECT_TRUE(err.IsEmpty());
    EXPECT_EQ(RunListingQuery(Addr(kClassJob, "S1:12"), "", out, err), 0);
    EXPECT_EQ(out.GetAll(), std::string("a\r\nb\r\nc\nd\r\n\r\ne\0f\r\n", 18));
    EXPECT_EQ(RunListingQuery(Addr(kClassPrinter, "P2"), "", out, err), 0);
    EXPECT_EQ(out.GetAll(), "\r\n");
}

// A missing or empty file, a name leading out of the directory and a directory named like a
// canned file all answer "no entries".
TEST_F(PseudoListing, NoCannedFileInTheDirectoryAnswersNoEntries) {
    WriteFile(root / "canned" / "Empty.txt", "");
    WriteFile(root / "secret.txt", "password=1\r\n");
    std::filesystem::create_directories(root / "canned" / "sub");
    WriteFile(root / "canned" / "sub" / "P1.txt", "x=1\r\n");
    std::filesystem::create_directories(root / "canned" / "Dir.txt");
    for (const std::string& key : {"Empty"s, "Missing"s, "../secret"s, "..\\secret"s,
                                   root.string() + "/secret", "sub\\P1"s, "Dir"s}) {
        out.Init("old");
        EXPECT_EQ(RunListingQuery(Addr(kClassPrinter, key), "", out, err), 901) << key;
        EXPECT_TRUE(out.IsEmpty());
        EXPECT_EQ(err.GetAll(), " No entries.\r\n");
    }
}

}  // namespace
