#include "app/startup.h"

#include <gtest/gtest.h>

#include <map>

#include "app/globals.h"

using namespace basMain;

namespace {

struct FakeSystem {
    std::map<std::string, std::string> env;
    std::map<std::string, int64_t> files;
    std::vector<std::string> examined;

    EnvLookup Env() {
        return [this](const std::string& name) {
            auto found = env.find(name);
            return found == env.end() ? std::string() : found->second;
        };
    }
    FileLengthLookup Length() {
        return [this](const std::string& path) -> std::optional<int64_t> {
            examined.push_back(path);
            auto found = files.find(path);
            if (found == files.end()) {
                return std::nullopt;
            }
            return found->second;
        };
    }
};

}  // namespace

TEST(Startup, MissingOrEmptyRootGives101) {
    FakeSystem sys;
    StartupOutcome outcome = CheckStartup("", sys.Env(), sys.Length());
    EXPECT_EQ(outcome.messageId, 101);
    EXPECT_EQ(outcome.message, "Invalid execution of stallscan.\r\n");
    EXPECT_TRUE(sys.examined.empty());
    sys.env["OV_ROOT"] = "";
    EXPECT_EQ(CheckStartup("", sys.Env(), sys.Length()).messageId, 101);
}

TEST(Startup, ToolPathIsBuiltFromTheRootUnchanged) {
    FakeSystem sys;
    sys.env["OV_ROOT"] = "C|/print";
    StartupOutcome outcome = CheckStartup("", sys.Env(), sys.Length());
    EXPECT_EQ(outcome.messageId, 102);
    EXPECT_EQ(outcome.message, "Unable to access binary \"C:\\print\\bin\\kvls.exe\".\r\n");

    sys.env["OV_ROOT"] = "C:\\print\\";
    sys.files["C:\\print\\\\bin\\kvls.exe"] = 0;  // present but empty
    outcome = CheckStartup("", sys.Env(), sys.Length());
    EXPECT_EQ(outcome.messageId, 102);
    EXPECT_EQ(sys.examined.back(), "C:\\print\\\\bin\\kvls.exe");
}

TEST(Startup, PseudoModeStillNeedsTheToolFile) {
    FakeSystem sys;
    sys.env["OV_ROOT"] = "/opt/print";
    EXPECT_EQ(CheckStartup("pseudo-kvls@/tmp/canned", sys.Env(), sys.Length()).messageId, 102);
}

TEST(Startup, SuccessFillsTheValues) {
    FakeSystem sys;
    sys.env["OV_ROOT"] = "/opt/print";
    sys.env["KVPRINTER"] = "lp1";
    sys.env["TEMP"] = "/tmp";
    sys.files["\\opt\\print\\bin\\kvls.exe"] = 12;
    StartupOutcome outcome = CheckStartup("x pseudo-kvls y", sys.Env(), sys.Length());
    ASSERT_EQ(outcome.messageId, 0);
    EXPECT_EQ(outcome.values.rootDir, "\\opt\\print");
    EXPECT_EQ(outcome.values.listToolPath, "\\opt\\print\\bin\\kvls.exe");
    EXPECT_EQ(outcome.values.defaultPrinter, "lp1");
    EXPECT_EQ(outcome.values.pseudoDir, "/tmp");

    ApplyStartup(outcome.values);
    EXPECT_EQ(gListToolPath, "\\opt\\print\\bin\\kvls.exe");
    EXPECT_EQ(gPseudoDir, "/tmp");
    ApplyStartup({});
    EXPECT_TRUE(gPseudoDir.empty());
}

TEST(PseudoDir, FromTheArgumentText) {
    EXPECT_EQ(ChoosePseudoDir("pseudo-kvls@D:\\canned -x", "", "T"), "D:\\canned");
    EXPECT_EQ(ChoosePseudoDir("a pseudo-kvls@D:\\canned", "", "T"), "D:\\canned");
    EXPECT_EQ(ChoosePseudoDir("pseudo-kvls", "", "T"), "T");
    EXPECT_EQ(ChoosePseudoDir("pseudo-kvls", "", ""), "");
    EXPECT_EQ(ChoosePseudoDir("pseudo-kvls@ x", "", "T"), "");
    EXPECT_EQ(ChoosePseudoDir("pseudo-kvls@", "", "T"), "");
    EXPECT_EQ(ChoosePseudoDir("xpseudo-kvlsy", "", "T"), "T");
    EXPECT_EQ(ChoosePseudoDir("PSEUDO-KVLS", "", "T"), "");
}

TEST(PseudoDir, FromStallscanOnlyWhenTheArgumentsLackTheKeyword) {
    EXPECT_EQ(ChoosePseudoDir("", "pseudo-kvls@D:\\canned;verbose", "T"), "D:\\canned");
    EXPECT_EQ(ChoosePseudoDir("", "x pseudo-kvls y", "T"), "T");
    EXPECT_EQ(ChoosePseudoDir("", "pseudo-kvls@a b;c", "T"), "a b");
    EXPECT_EQ(ChoosePseudoDir("pseudo-kvls@/args", "pseudo-kvls@/env", "T"), "/args");
    EXPECT_EQ(ChoosePseudoDir("", "verbose", "T"), "");
}

TEST(Domain, ArgumentsFirstThenStallscan) {
    EXPECT_EQ(FindDomain("domain-name@D1 srv1:", ""), "D1");
    EXPECT_EQ(FindDomain("srv1: domain-name@D1", ""), "D1");
    EXPECT_EQ(FindDomain("", "a;domain-name@D 2;b"), "D 2");
    EXPECT_EQ(FindDomain("domain-name@A", "domain-name@B"), "A");
    EXPECT_EQ(FindDomain("x", "y"), "");
    EXPECT_EQ(FindDomain("domain-name@", ""), "");
}
