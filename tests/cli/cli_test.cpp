#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace std::chrono_literals;
using stallscan::cli::AnswerWithoutRun;
using stallscan::cli::Format;
using stallscan::cli::ParseArguments;

// Keywords and empty arguments are no SPECs; after "--" everything is a SPEC. (Thresholds,
// filters and usage errors of a real run: tests/e2e.)
TEST(CliArguments, OptionsKeywordsAndSpecs) {
    const auto options =
        ParseArguments({"pseudo-kvls@/tmp/x", "srv1:", "--json-lines", "", "42", "domain-name@D",
                        "--timeout=2.5", "--printer", "lp1", "--", "-3", "--json"});
    EXPECT_EQ(options.format, Format::kJsonLines);
    EXPECT_EQ(options.timeout, 2500ms);
    EXPECT_EQ(options.printer, "lp1");
    EXPECT_EQ(options.specs, (std::vector<std::string>{"srv1:", "42", "-3", "--json"}));
    EXPECT_TRUE(options.error.empty()) << options.error;
    // A check ends by 50 s unless told otherwise; other runs have no deadline.
    EXPECT_EQ(options.deadline, std::nullopt);
    EXPECT_EQ(ParseArguments({"--check", "x:"}).deadline, std::optional(50000ms));
    EXPECT_EQ(ParseArguments({"--check", "-t", "0", "x:"}).deadline, std::optional(0ms));
    const std::vector<std::string> malformed[] = {
        {"--json=1", "x:"}, {"--timeout", "1e9", "x:"}, {"x:", "--printer"},
        {"-w", "2:1", "x:"},  {"-c", "@~", "x:"},        {"-t", "-1", "x:"}};
    for (const auto& args : malformed) {
        EXPECT_FALSE(ParseArguments(args).error.empty()) << args[0];
    }
}

TEST(CliArguments, HelpVersionAndUsageErrorsAnswerBeforeARun) {
    const struct {
        std::vector<std::string> args;
        std::optional<int> status;
        std::string out_begins;
    } cases[] = {
        {{"-h", "x:"}, 0, "Usage: stallscan [OPTION]... SPEC..."},
        {{"--version"}, 0, "stallscan 1.2-03\n"},
        {{"--json"}, 2, ""},
        {{"x:"}, std::nullopt, ""},
    };
    for (const auto& c : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(AnswerWithoutRun(ParseArguments(c.args), out, err), c.status) << c.args[0];
        EXPECT_EQ(out.str().substr(0, c.out_begins.size()), c.out_begins) << c.args[0];
        EXPECT_EQ(err.str().empty(), c.status != 2) << c.args[0];
    }
}

}  // namespace
