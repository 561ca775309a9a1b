#include "listing/listing_query.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/globals.h"
#include "platform/platform.h"

namespace {

using basPosixCtl::BuildListingCommand;
using basPosixCtl::PseudoFileName;
using basPosixCtl::ReadPseudoListing;
using basPosixCtl::RunListingQuery;

const std::string kTool = "C:\\print\\bin\\kvls.exe";
// The tool as the child's first argument: on POSIX the path of this system.
#ifdef _WIN32
const std::string kToolArgument = kTool;
#else
const std::string kToolArgument = "C:/print/bin/kvls.exe";
#endif

clsObjectAddr Addr(int32_t objClass, const std::string& name, const std::string& domain = {}) {
    clsObjectAddr addr;
    addr.Init(objClass, name, domain);
    return addr;
}

// Sets the process-wide values a query reads, and restores them afterwards.
class ListingQuery : public ::testing::Test {
  protected:
    void SetUp() override {
        gListToolPath = kTool;
        gPseudoDir.clear();
    }
    void TearDown() override {
        basPosixCtl::SetChildRunner({});
        gListToolPath.clear();
        gPseudoDir.clear();
    }

    // A runner that records each command and answers from `answers` in turn.
    struct Answer {
        int32_t code;
        std::string out;
        std::string err;
    };
    void UseRunner(std::vector<Answer> answers) {
        basPosixCtl::SetChildRunner([this, answers](const std::string& app, const ChildCommand& cmd,
                                                    clsKvOutput& o, clsKvOutput& e) {
            apps.push_back(app);
            commands.push_back(cmd.commandLine);
            const Answer& a = answers.at(std::min(commands.size(), answers.size()) - 1);
            o.Init(a.code == 0 ? a.out : "");
            e.Init(a.code == 0 ? a.err : "");
            return a.code;
        });
    }

    std::vector<std::string> apps;
    std::vector<std::string> commands;
    clsKvOutput out;
    clsKvOutput err;
};

TEST_F(ListingQuery, CommandLinesAreExactlyTheToolsSyntax) {
    EXPECT_EQ(BuildListingCommand(Addr(kClassPrinter, "P1", "D1"),
                                  "printer-state printer-problem-message", "")
                  .commandLine,
              "C:\\print\\bin\\kvls.exe -cp -x domain-name=D1 -r \"printer-state "
              "printer-problem-message\" -sl -F P1");
    EXPECT_EQ(BuildListingCommand(Addr(kClassJob, "S1:"), "job-identifier",
                                  "(current-job-state==pending) || (current-job-state==paused) || "
                                  "(current-job-state==held)")
                  .commandLine,
              "C:\\print\\bin\\kvls.exe -cj -x scope=1 -r \"job-identifier\" -sl -f "
              "\"(current-job-state==pending) || (current-job-state==paused) || "
              "(current-job-state==held)\" S1:");
    EXPECT_EQ(BuildListingCommand(Addr(kClassJob, "S1:"), "job-identifier", "").commandLine,
              kTool + " -cj -x scope=1 -r \"job-identifier\" -sl -F S1:");
    // No attributes means all; an unknown class adds no class option.
    EXPECT_EQ(BuildListingCommand(Addr(0, "X"), "", "").commandLine,
              kTool + " -r \"all\" -sl -F X");
}

TEST_F(ListingQuery, EveryClassHasItsOption) {
    const std::pair<int32_t, std::string> expected[] = {
        {kClassServer, "-cs "},   {kClassPrinter, "-cp "},
        {kClassQueue, "-cq "},    {kClassJob, "-cj -x scope=1 "},
        {kClassDocument, "-cd "}, {kClassIvj, "-c i-v-j "},
        {kClassIvd, "-c i-v-d "}, {8, ""},
    };
    for (const auto& [objClass, option] : expected) {
        EXPECT_EQ(BuildListingCommand(Addr(objClass, "N"), "all", "").commandLine,
                  kTool + " " + option + "-r \"all\" -sl -F N")
            << objClass;
    }
}

TEST_F(ListingQuery, ArgumentVectorHoldsTheSamePiecesOneArgumentEach) {
    const ChildCommand cmd = BuildListingCommand(Addr(kClassPrinter, "P1", "D1"),
                                                 "printer-state printer-problem-message", "");
    const std::vector<std::string> expected = {platform::ResolveToolPath(kTool),
                                               "-cp",
                                               "-x",
                                               "domain-name=D1",
                                               "-r",
                                               "printer-state printer-problem-message",
                                               "-sl",
                                               "-F",
                                               "P1"};
    EXPECT_EQ(cmd.args, expected);
    EXPECT_EQ(cmd.args[0], kToolArgument);

    const ChildCommand job = BuildListingCommand(Addr(kClassJob, "my server:12"), "", "a == b");
    const std::vector<std::string> jobArgs = {
        kToolArgument, "-cj", "-x", "scope=1", "-r", "all", "-sl", "-f", "a == b", "my server:12"};
    EXPECT_EQ(job.args, jobArgs);
}

TEST_F(ListingQuery, RepeatsWhileTheRunnerAsksForALargerBuffer) {
    UseRunner({{903, "", ""}, {903, "", ""}, {0, "a=b\r\n", ""}});
    EXPECT_EQ(RunListingQuery(Addr(kClassServer, "S1"), "", out, err), 0);
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0], commands[2]);
    EXPECT_EQ(apps[0], kTool);
    EXPECT_EQ(out.GetAll(), "a=b\r\n");
}

TEST_F(ListingQuery, ClassifiesWhatTheToolWrote) {
    const clsObjectAddr p1 = Addr(kClassPrinter, "P1");
    UseRunner({{0, "", "kvls: No entries.\r\n"}});
    EXPECT_EQ(RunListingQuery(p1, "", out, err), 901);
    UseRunner({{0, "", "kvls: no entries.\r\n"}});  // the search is case-sensitive
    EXPECT_EQ(RunListingQuery(p1, "", out, err), 2003);
    UseRunner({{0, "", "kvls: server down\r\n"}});
    EXPECT_EQ(RunListingQuery(p1, "", out, err), 2003);
    UseRunner({{0, "printer-state=idle\r\n", "warning\r\n"}});
    EXPECT_EQ(RunListingQuery(p1, "", out, err), 0);
    UseRunner({{0, "", ""}});
    EXPECT_EQ(RunListingQuery(p1, "", out, err), 0);
    UseRunner({{2002, "", ""}});
    EXPECT_EQ(RunListingQuery(p1, "", out, err), 2002);
    UseRunner({{2004, "", ""}});
    EXPECT_EQ(RunListingQuery(p1, "", out, err), 2004);
}

TEST_F(ListingQuery, EmptyNameIsRefusedWithoutRunningOrTouchingOutputs) {
    UseRunner({{0, "x", ""}});
    out.Init("kept");
    err.Init("kept too");
    EXPECT_EQ(RunListingQuery(Addr(kClassPrinter, "", "D1"), "all", out, err), 2006);
    EXPECT_TRUE(commands.empty());
    EXPECT_EQ(out.GetAll(), "kept");
    EXPECT_EQ(err.GetAll(), "kept too");
}

TEST(PseudoFileNames, FollowTheObjectName) {
    EXPECT_EQ(PseudoFileName("S1:"), "S1-jids.txt");
    EXPECT_EQ(PseudoFileName("S1:12"), "S1-12.txt");
    EXPECT_EQ(PseudoFileName("P1"), "P1.txt");
    EXPECT_EQ(PseudoFileName("S1:12:3"), "S1-12:3.txt");  // only the first ":" changes
    EXPECT_EQ(PseudoFileName("my printer"), "my printer.txt");
    EXPECT_EQ(PseudoFileName(".."), "...txt");  // a plain name inside the directory
}

TEST(PseudoFileNames, RefuseNamesLeadingOutOfTheDirectory) {
    for (const std::string& key :
         std::vector<std::string>{"../secret", "..\\secret", "/etc/passwd", "sub/P1", "S1:..\\x",
                                  "../S1:", std::string("P1\0/x", 5)}) {
        EXPECT_EQ(PseudoFileName(key), "") << key;
    }
}

// Pseudo mode against real files in a fresh directory.
class PseudoListing : public ListingQuery {
  protected:
    void SetUp() override {
        ListingQuery::SetUp();
        root = std::filesystem::temp_directory_path() /
               ("stallscan-pseudo-" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "canned");
        gPseudoDir = (root / "canned").string();
        UseRunner({{0, "must not run", ""}});
    }
    void TearDown() override {
        std::filesystem::remove_all(root);
        ListingQuery::TearDown();
    }
    void Write(const std::filesystem::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::filesystem::path root;
};

TEST_F(PseudoListing, ReadsTheCannedFileOfTheObjectWithoutRunningTheTool) {
    Write(root / "canned" / "S1-jids.txt", "job-identifier=12\r\n");
    Write(root / "canned" / "S1-12.txt", "current-job-state=pending\r\n");
    EXPECT_EQ(RunListingQuery(Addr(kClassJob, "S1:"), "job-identifier", out, err, "f"), 0);
    EXPECT_EQ(out.GetAll(), "job-identifier=12\r\n");
    EXPECT_TRUE(err.IsEmpty());
    EXPECT_EQ(RunListingQuery(Addr(kClassJob, "S1:12"), "", out, err), 0);
    EXPECT_EQ(out.GetAll(), "current-job-state=pending\r\n");
    EXPECT_TRUE(commands.empty());
}

TEST_F(PseudoListing, LinesEndAtCrLfOrLoneCrAndEachGetsCrLf) {
    Write(root / "canned" / "P1.txt", std::string("a\r\nb\rc\nd\r\r\ne\0f", 14));
    ReadPseudoListing("P1", out, err);
    EXPECT_EQ(out.GetAll(), std::string("a\r\nb\r\nc\nd\r\n\r\ne\0f\r\n", 18));
    EXPECT_TRUE(err.IsEmpty());

    Write(root / "canned" / "P2.txt", "\r\n");
    EXPECT_EQ(RunListingQuery(Addr(kClassPrinter, "P2"), "", out, err), 0);
    EXPECT_EQ(out.GetAll(), "\r\n");
}

TEST_F(PseudoListing, MissingOrEmptyFileAnswersNoEntries) {
    Write(root / "canned" / "Empty.txt", "");
    for (const std::string name : {"Empty", "Missing"}) {
        out.Init("old");
        EXPECT_EQ(RunListingQuery(Addr(kClassPrinter, name), "", out, err), 901) << name;
        EXPECT_TRUE(out.IsEmpty());
        EXPECT_EQ(err.GetAll(), " No entries.\r\n");
    }
}

TEST_F(PseudoListing, NameLeadingOutOfTheDirectoryReadsNothing) {
    Write(root / "secret.txt", "password=1\r\n");
    std::filesystem::create_directories(root / "canned" / "sub");
    Write(root / "canned" / "sub" / "P1.txt", "x=1\r\n");
    for (const std::string& key : std::vector<std::string>{"../secret", "..\\secret",
                                                           root.string() + "/secret", "sub\\P1"}) {
        EXPECT_EQ(RunListingQuery(Addr(kClassPrinter, key), "", out, err), 901) << key;
        EXPECT_TRUE(out.IsEmpty());
    }
    // A directory named like a canned file is no listing either.
    std::filesystem::create_directories(root / "canned" / "Dir.txt");
    EXPECT_EQ(RunListingQuery(Addr(kClassPrinter, "Dir"), "", out, err), 901);
}

}  // namespace
