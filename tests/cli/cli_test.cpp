#include "cli/cli.h"
#include "cli/check.h"

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

// The oldest blocked job's age decides alone without -w and -c, and the worse state wins with
// them; a job not blocked does not count however old; ages that cannot be told give UNKNOWN; a
// check without age options is as it always was.
TEST(CheckSummary, AgeThresholdsOnTheOldestBlockedJob) {
    using stallscan::diag::Diagnosis;
    const auto job = [](bool is_blocked, std::optional<int64_t> waited) {
        Diagnosis diagnosis;
        if (is_blocked) {
            diagnosis.Add(stallscan::text::Msg::kReasonPrinterPaused, {"p"});
        }
        if (waited) {
            diagnosis.SetCreated(1);
            diagnosis.SetWaitingSeconds(*waited);
        }
        return diagnosis;
    };
    stallscan::cli::CheckSummary summary;
    for (const auto& diagnosis : {job(true, 840), job(true, 60), job(false, 99999)}) {
        summary.Count(diagnosis);
    }
    const auto check = [&summary](std::vector<std::string> args) {
        args.insert(args.begin(), "--check");
        args.push_back("x:");
        const auto options = ParseArguments(args);
        EXPECT_TRUE(options.error.empty()) << options.error;
        return std::to_string(summary.Status(options)) + " " + summary.Line(options);
    };
    const std::string head = "STALLSCAN OK - 3 jobs, 2 blocked: printer-paused 2";
    const std::string oldest = ", the oldest waiting for 14 min | jobs=3 blocked=2";
    EXPECT_EQ(check({"--warning-age", "15m"}), "0 " + head + oldest + " oldest_blocked=840s;900 "
                                               "not_diagnosed=0");
    EXPECT_EQ(check({"--warning-age=840s"}).substr(0, 20), "1 STALLSCAN WARNING ");
    EXPECT_EQ(check({"--warning-age", "1m", "--critical-age", "14m"}).substr(0, 21),
              "2 STALLSCAN CRITICAL ");
    EXPECT_NE(check({"--critical-age", "1h"}).find("oldest_blocked=840s;;3600 "), std::string::npos);
    EXPECT_NE(check({"-w", "5", "--warning-age", "15m"}).find(oldest + ";5 oldest_blocked="),
              std::string::npos);
    EXPECT_EQ(check({"-w", "5", "--warning-age", "15m"})[0], '0');
    EXPECT_EQ(check({"-w", "5", "--warning-age", "1m"})[0], '1');
    EXPECT_EQ(check({"-w", "1", "--warning-age", "15m"})[0], '1');
    EXPECT_EQ(check({"-c", "1", "--warning-age", "1m"})[0], '2');
    EXPECT_EQ(check({}), "1 STALLSCAN WARNING - 3 jobs, 2 blocked: printer-paused 2 | jobs=3 "
                         "blocked=2;0 not_diagnosed=0");

    summary.Count(job(true, std::nullopt));
    EXPECT_EQ(check({"--warning-age", "15m"}),
              "3 STALLSCAN UNKNOWN - the print system tells no submission times, so the ages of "
              "--warning-age and --critical-age cannot be checked; 4 jobs, 3 blocked: "
              "printer-paused 3 | jobs=4 blocked=3 not_diagnosed=0");
    EXPECT_EQ(check({})[0], '1');
    for (const char* bad : {"90", "0s", "2 h"}) {
        EXPECT_FALSE(ParseArguments({"--check", "--warning-age", bad, "x:"}).error.empty()) << bad;
    }
}

}  // namespace
