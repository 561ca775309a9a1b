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

// Without OV_ROOT nothing is looked for; the tool path is built from the root unchanged and must
// name a non-empty file, in pseudo mode too. (The messages on POSIX: tests/e2e.)
TEST(Startup, NoRootOrNoToolGivesItsMessage) {
    FakeSystem sys;
    StartupOutcome outcome = sys.Check();
    EXPECT_EQ(outcome.problem, StartupProblem::kNoRoot);
    EXPECT_EQ(outcome.message, "Invalid execution of stallscan.\r\n");
    EXPECT_TRUE(sys.examined.empty());

    sys.env["OV_ROOT"] = "C|/print\\";
    sys.files["C:\\print\\\\bin\\kvls.exe"] = 0;
    outcome = sys.Check("pseudo-kvls@/tmp/canned");
    EXPECT_EQ(outcome.problem, StartupProblem::kToolUnavailable);
    EXPECT_EQ(sys.examined.back(), "C:\\print\\\\bin\\kvls.exe");
#ifdef _WIN32
    EXPECT_EQ(outcome.message, "Unable to access binary \"C:\\print\\\\bin\\kvls.exe\".\r\n");
#endif
}

TEST(Startup, SuccessFillsTheValues) {
    FakeSystem sys;
    sys.env = {{"OV_ROOT", "/opt/print"}, {"KVPRINTER", "lp1"}, {"TEMP", "/tmp"}};
    sys.files["\\opt\\print\\bin\\kvls.exe"] = 12;
    const StartupOutcome outcome = sys.Check("x pseudo-kvls y");
    ASSERT_EQ(outcome.problem, StartupProblem::kNone);
    EXPECT_EQ(outcome.values.tool_path, "\\opt\\print\\bin\\kvls.exe");
    EXPECT_EQ(outcome.values.default_printer, "lp1");
    EXPECT_EQ(outcome.values.pseudo_dir, "/tmp");
}

// The keywords' values: from the argument text up to a blank, else from STALLSCAN up to a ";".
TEST(Startup, PseudoDirAndDomainFromTheArgumentsElseFromStallscan) {
    const std::vector<std::vector<std::string>> cases{
        // argument text, STALLSCAN, expected directory (TEMP is "T")
        {"a pseudo-kvls@D:\\canned -x", "", "D:\\canned"},
        {"xpseudo-kvlsy", "", "T"},
        {"pseudo-kvls@ x", "", ""},
        {"PSEUDO-KVLS", "", ""},
        {"", "pseudo-kvls@a b;c", "a b"},
        {"pseudo-kvls@/args", "pseudo-kvls@/env", "/args"}};
    for (const auto& c : cases) {
        EXPECT_EQ(ChoosePseudoDir(c[0], c[1], "T"), c[2]) << c[0] << " / " << c[1];
    }
    EXPECT_EQ(FindDomain("domain-name@A x", "domain-name@B"), "A");
    EXPECT_EQ(FindDomain("domain-name", "a;domain-name@D 2;b"), "D 2");
}
