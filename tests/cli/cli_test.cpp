#include "cli/cli.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/json_report.h"
#include "cli/run_plan.h"

namespace {

struct CliRun {
    std::map<std::string, std::string> env;
    bool toolPresent = true;
    std::ostringstream out, err;

    int operator()(const std::vector<std::string>& args) {
        std::string argText;
        for (const std::string& arg : args) {
            argText += (argText.empty() ? "" : " ") + arg;
        }
        return cli::Run(
            args, argText, out, err,
            [this](const std::string& name) {
                auto found = env.find(name);
                return found == env.end() ? std::string() : found->second;
            },
            [this](const std::string&) -> std::optional<int64_t> {
                if (!toolPresent) {
                    return std::nullopt;
                }
                return 1;
            });
    }
};

const char* const kUsage =
    "stallscan [server_name:][job_id] ...\r\nstallscan -h\r\nstallscan -V\r\n";

}  // namespace

TEST(CliArguments, SortsOptionsKeywordsAndSpecs) {
    const cli::ParsedArguments parsed = cli::ParseArguments(
        {"pseudo-kvls@/tmp/x", "srv1:", "--json", "", "42", "domain-name@D", "srv2:7"});
    EXPECT_TRUE(parsed.json);
    EXPECT_FALSE(parsed.help);
    EXPECT_EQ(parsed.specs, (std::vector<std::string>{"srv1:", "42", "srv2:7"}));
    EXPECT_EQ(cli::ParseArguments({"-q", "-z"}).unknownOption, "-q");
    EXPECT_TRUE(cli::ParseArguments({"x", "--help"}).help);
}

TEST(CliArguments, WindowsOpenOnlyWithoutSpecsAndOptions) {
    EXPECT_FALSE(cli::WantsCommandLine({}));
    EXPECT_FALSE(cli::WantsCommandLine({"pseudo-kvls", "domain-name@D"}));
    EXPECT_TRUE(cli::WantsCommandLine({"srv1:"}));
    EXPECT_TRUE(cli::WantsCommandLine({"-V"}));
    EXPECT_TRUE(cli::WantsCommandLine({"-bogus"}));
}

TEST(CliRunModes, HelpAndVersionAnswerBeforeAnyStartupCheck) {
    CliRun run;  // no OV_ROOT at all
    EXPECT_EQ(run({"-h"}), cli::kExitReports);
    EXPECT_EQ(run.out.str(), kUsage);
    EXPECT_TRUE(run.err.str().empty());

    CliRun version;
    EXPECT_EQ(version({"-V"}), cli::kExitReports);
    EXPECT_EQ(version.out.str().rfind("stallscan 1.2-03", 0), 0u) << version.out.str();
}

TEST(CliRunModes, UnknownOptionGives116AndUsageAndNoSpecGivesUsage) {
    CliRun run;
    EXPECT_EQ(run({"srv1:1", "-x"}), cli::kExitUsage);
    EXPECT_EQ(run.err.str(), std::string("The requested option is invalid: -x\r\n") + kUsage);
    EXPECT_TRUE(run.out.str().empty());
    CliRun noSpec;
    EXPECT_EQ(noSpec({"--json"}), cli::kExitUsage);
    EXPECT_EQ(noSpec.err.str(), kUsage);
}

TEST(CliRunModes, AMissingToolExitsWithThree) {
    CliRun noTool;
    noTool.env["OV_ROOT"] = "/opt/print";
    noTool.toolPresent = false;
    EXPECT_EQ(noTool({"srv1:1"}), cli::kExitInstallation);
    EXPECT_EQ(noTool.err.str(), "Unable to access binary \"\\opt\\print\\bin\\kvls.exe\".\r\n");
}

TEST(JsonString, EscapesControlsAndRepairsInvalidUtf8) {
    EXPECT_EQ(cli::JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(cli::JsonString(std::string("x\r\n\t\0y", 6)), "\"x\\r\\n\\t\\u0000y\"");
    EXPECT_EQ(cli::JsonString("caf\xC3\xA9"), "\"caf\xC3\xA9\"");
    EXPECT_EQ(cli::JsonString("bad\xC3"), "\"bad\xEF\xBF\xBD\"");
    EXPECT_EQ(cli::JsonString("\xFF\xFE"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(cli::JsonString("\xED\xA0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

TEST(JsonReport, ResultsWithMessagesAsData) {
    clsDiagResult result;
    result.JobId("42");
    result.SpoolerName("srv1");
    result.PrintF(315, {"q1"});
    const std::string json = cli::ResultsToJson({result});
    EXPECT_NE(json.find("\"jobId\": \"42\""), std::string::npos) << json;
    EXPECT_NE(json.find("{\"id\": 315, \"args\": [\"q1\"], \"text\": "
                        "\"- Queue \\\"q1\\\" is paused.\\r\\n\"}"),
              std::string::npos)
        << json;
    EXPECT_EQ(cli::ResultsToJson({}), "[]\n");
}
