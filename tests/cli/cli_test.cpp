#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace std::chrono_literals;
using stallscan::cli::AnswerWithoutRun;
using stallscan::cli::Format;
using stallscan::cli::ParseArguments;

TEST(CliArguments, OptionsKeywordsAndSpecs) {
    auto options = ParseArguments({"pseudo-kvls@/tmp/x", "srv1:", "--json-lines", "", "42",
                                   "domain-name@D", "--timeout=2.5", "--printer", "lp1", "--",
                                   "-3", "--json"});
    EXPECT_EQ(options.format, Format::kJsonLines);
    EXPECT_EQ(options.timeout, 2500ms);
    EXPECT_EQ(options.printer, "lp1");
    EXPECT_EQ(options.specs, (std::vector<std::string>{"srv1:", "42", "-3", "--json"}));
    EXPECT_TRUE(options.error.empty()) << options.error;
    options = ParseArguments({"--check", "--warning", "2", "--critical=5", "-q", "x:"});
    EXPECT_EQ(options.format, Format::kCheck);
    EXPECT_EQ(options.warning, 2);
    EXPECT_EQ(options.critical, 5);
    // The windows open only without SPECs and options.
    EXPECT_FALSE(ParseArguments({}).wants_command_line);
    EXPECT_FALSE(ParseArguments({"pseudo-kvls", "domain-name@D"}).wants_command_line);
    EXPECT_TRUE(ParseArguments({"-bogus"}).wants_command_line);
}

TEST(CliArguments, MalformedOptionsAreUsageErrors) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"-z", "x:"},
                                               {"--json=1", "x:"},
                                               {"--timeout", "-1", "x:"},
                                               {"--timeout", "1e9", "x:"},
                                               {"--warning", "many", "x:"},
                                               {"x:", "--printer"}}) {
        EXPECT_FALSE(ParseArguments(args).error.empty()) << args[0];
    }
    EXPECT_EQ(ParseArguments({"-z", "-y"}).error, "The requested option is invalid: -z\r\n");
}

TEST(CliArguments, HelpVersionAndUsageErrorsAnswerBeforeARun) {
    const struct {
        std::vector<std::string> args;
        std::optional<int> status;
        std::string out_begins;
    } cases[] = {
        {{"-h", "x:"}, 0, "Usage: stallscan [OPTION]... SPEC..."},
        {{"--version"}, 0, "stallscan 1.2-03\n"},
        {{"x:", "-x"}, 2, ""},
        {{"--json"}, 2, ""},
        {{"--check", "--bad"}, 3, "STALLSCAN UNKNOWN - usage: The requested option is invalid: --bad\n"},
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
