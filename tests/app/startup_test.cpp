#include "app/startup.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace stallscan::app;

namespace {

struct FakeSystem {
    std::map<std::string, std::string> env;
    std::map<std::string, int64_t> files;
    std::vector<std::string> examined;

    StartupOutcome Check(const std::string& arg_text = "") {
        return CheckStartup(
            arg_text, [this](const std::string& name) { return env[name]; },
            [this](const std::string& path) -> std::optional<int64_t> {
                examined.push_back(path);
                auto found = files.find(path);
                return found == files.end() ? std::nullopt : std::optional(found->second);
            });
    }
};

}  // namespace

TEST(Startup, MissingOrEmptyRootGives101WithoutLookingForTheTool) {
    FakeSystem sys;
    const StartupOutcome outcome = sys.Check();
    EXPECT_EQ(outcome.problem, StartupProblem::kNoRoot);
    EXPECT_EQ(outcome.message, "Invalid execution of stallscan.\r\n");
    sys.env["OV_ROOT"] = "";
    EXPECT_EQ(sys.Check().problem, StartupProblem::kNoRoot);
    EXPECT_TRUE(sys.examined.empty());
}

TEST(Startup, AToolPathBuiltFromTheRootUnchangedMustNameANonEmptyFile) {
    FakeSystem sys;
    sys.env["OV_ROOT"] = "C|/print";
    StartupOutcome outcome = sys.Check();
    EXPECT_EQ(outcome.problem, StartupProblem::kToolUnavailable);
    // The file that was tried, in the notation of this system.
#ifdef _WIN32
    EXPECT_EQ(outcome.message, "Unable to access binary \"C:\\print\\bin\\kvls.exe\".\r\n");
#else
    EXPECT_EQ(outcome.message, "Unable to access binary \"C:/print/bin/kvls\".\r\n");
#endif

    sys.env["OV_ROOT"] = "C:\\print\\";
    sys.files["C:\\print\\\\bin\\kvls.exe"] = 0;
    EXPECT_EQ(sys.Check().problem, StartupProblem::kToolUnavailable);
    EXPECT_EQ(sys.examined.back(), "C:\\print\\\\bin\\kvls.exe");
    EXPECT_EQ(sys.Check("pseudo-kvls@/tmp/canned").problem, StartupProblem::kToolUnavailable);  // in pseudo mode too
}

TEST(Startup, SuccessFillsTheValues) {
    FakeSystem sys;
    sys.env = {{"OV_ROOT", "/opt/print"},
               {"KVPRINTER", "lp1"},
               {"TEMP", "/tmp"},
               {"STALLSCAN", "domain-name@D9;x"}};
    sys.files["\\opt\\print\\bin\\kvls.exe"] = 12;
    const StartupOutcome outcome = sys.Check("x pseudo-kvls y");
    ASSERT_EQ(outcome.problem, StartupProblem::kNone);
    EXPECT_EQ(outcome.values.root_dir, "\\opt\\print");
    EXPECT_EQ(outcome.values.tool_path, "\\opt\\print\\bin\\kvls.exe");
    EXPECT_EQ(outcome.values.default_printer, "lp1");
    EXPECT_EQ(outcome.values.pseudo_dir, "/tmp");
    EXPECT_EQ(outcome.values.domain, "D9");
}

TEST(Startup, PseudoDirFromTheArgumentsElseFromStallscan) {
    const std::vector<std::vector<std::string>> cases{
        // argument text, STALLSCAN, expected directory (TEMP is "T")
        {"pseudo-kvls@D:\\canned -x", "", "D:\\canned"},
        {"a pseudo-kvls@D:\\canned", "", "D:\\canned"},
        {"pseudo-kvls", "", "T"},
        {"xpseudo-kvlsy", "", "T"},
        {"pseudo-kvls@ x", "", ""},
        {"PSEUDO-KVLS", "", ""},
        {"", "pseudo-kvls@a b;c", "a b"},
        {"", "x pseudo-kvls y", "T"},
        {"pseudo-kvls@/args", "pseudo-kvls@/env", "/args"},
        {"", "verbose", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(ChoosePseudoDir(c[0], c[1], "T"), c[2]) << c[0] << " / " << c[1];
    }
}

TEST(Startup, DomainFromTheArgumentsElseFromStallscan) {
    EXPECT_EQ(FindDomain("srv1: domain-name@D1 x", ""), "D1");
    EXPECT_EQ(FindDomain("", "a;domain-name@D 2;b"), "D 2");
    EXPECT_EQ(FindDomain("domain-name@A", "domain-name@B"), "A");
    EXPECT_EQ(FindDomain("domain-name@", ""), "");
    EXPECT_EQ(FindDomain("x", "y"), "");
}
