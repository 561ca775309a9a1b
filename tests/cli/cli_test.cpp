#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using stallscan::cli::AnswerWithoutRun;
using stallscan::cli::ParseArguments;

const char* const kUsage =
    "stallscan [server_name:][job_id] ...\r\nstallscan -h\r\nstallscan -V\r\n";

TEST(CliArguments, SortsOptionsKeywordsAndSpecs) {
    const auto options = ParseArguments(
        {"pseudo-kvls@/tmp/x", "srv1:", "--json", "", "42", "domain-name@D", "srv2:7"});
    EXPECT_TRUE(options.json);
    EXPECT_FALSE(options.help);
    EXPECT_EQ(options.specs, (std::vector<std::string>{"srv1:", "42", "srv2:7"}));
    EXPECT_EQ(ParseArguments({"-q", "-z"}).unknown_option, "-q");
    // The windows open only without SPECs and options.
    EXPECT_FALSE(ParseArguments({}).WantsCommandLine());
    EXPECT_FALSE(ParseArguments({"pseudo-kvls", "domain-name@D"}).WantsCommandLine());
    EXPECT_TRUE(ParseArguments({"-bogus"}).WantsCommandLine());
}

TEST(CliArguments, HelpVersionAndUsageErrorsAnswerBeforeARun) {
    const struct {
        std::vector<std::string> args;
        std::optional<int> status;
        std::string out, err;
    } cases[] = {
        {{"-h"}, 0, kUsage, ""},
        {{"srv1:1", "-x"}, 2, "", std::string("The requested option is invalid: -x\r\n") + kUsage},
        {{"--json"}, 2, "", kUsage},
        {{"srv1:1"}, std::nullopt, "", ""},
    };
    for (const auto& c : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(AnswerWithoutRun(ParseArguments(c.args), out, err), c.status) << c.args[0];
        EXPECT_EQ(out.str(), c.out);
        EXPECT_EQ(err.str(), c.err);
    }
    std::ostringstream out, err;
    AnswerWithoutRun(ParseArguments({"-V"}), out, err);
    EXPECT_EQ(out.str().rfind("stallscan 1.2-03", 0), 0u) << out.str();
}

}  // namespace
