// The command-line mode end to end: the built stallscan runs over the demo print system, in pseudo
// mode (canned files exported from the model) and in normal mode (real runs of the stand-in tool);
// the cost of every demo job in runs of the tool, exit statuses, and listings beyond the read size.
// And stallscan --reasons against the registry's keyword list that the repository keeps
// (docs/ipp-state-reasons.txt) and against the tables of docs/cups.md.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "e2e/e2e_support.h"

namespace {

using e2e::ExpectedReport;
using e2e::Fault;

class DemoInstallations : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { demo_.Create(e2e::FreshDir("e2e"), e2e::kDemoData); }
    static void TearDownTestSuite() { demo_.Remove(); }

    static inline e2e::Installation demo_;
};

// The tool runs of one diagnosis without the cache: 3 for the server and the job (all attributes,
// then "int-max-copy-count"); then 1 for the queue of a waiting job, 2 per printer (all attributes,
// then the access-file ones; 1 when it cannot be listed, which ends the printer loop), 1 per change
// of supervisor, and 1 for the final re-check of the job's state when nothing was found; or 1 for
// the assigned printer of a job being processed, printed or retained with errors.
const struct {
    const char* job;
    bool waiting;  // pending, paused or held: listed by "srv:"
    size_t runs;
} kDemoCosts[] = {
    {"demo:1", false, 3},                  // completed: nothing further
    {"demo:2", false, 3 + 1},              // retained with errors: lp-laser's formats
    {"demo:3", false, 3 + 1},              // processing on lp-busy
    {"demo:4", false, 3 + 1},              // printing on lp-jam
    {"demo:5", true, 3 + 1 + 2 + 1},       // held; q-office: lp-office on sup-velmar
    {"demo:6", true, 3 + 1 + 2 + 1},       // paused; q-hold: lp-office on sup-velmar
    {"demo:7", true, 3 + 1 + 7 * 2 + 1},   // q-trouble: seven printers, all sup-velmar
    {"demo:8", true, 3 + 1 + 4 * 2 + 4},   // q-setup: velmar, ref, velmar, off
    {"demo:9", true, 3 + 1 + 2 + 1},       // mismatches on lp-office
    {"demo:10", true, 3 + 1 + 2 + 1 + 1},  // no problems: re-check of the state
    {"demo:11", true, 3 + 1},              // q-unwired lists no printers
    {"demo:12", true, 3 + 1 + 2 + 1},      // state message, intervening jobs
    {"demo:13", true, 3 + 1 + 1},          // requested lp-retired does not exist
    {"demo:14", false, 3},                 // terminating
    {"demo:15", true, 3},                  // held without a queue
    {"nightly:1", true, 3 + 1 + 2 + 1},    // paused spooler, q-hold: lp-office
};

// The lines of a text, without line ends.
std::vector<std::string> Lines(std::istream&& in) {
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line.ends_with('\r') ? line.substr(0, line.size() - 1) : line);
    }
    return lines;
}

// Every keyword of the registry's list has a sentence of its own, a severity, a code and, for a
// problem or warning, a remedy; each row
// of the tables of docs/cups.md that names a keyword ("| `stapler-jam` | problem |
// printer-stapler-jam | - Printer "P" has a staple jam. |") is what stallscan says.
TEST(Reasons, EveryRegisteredKeywordHasASentenceAndTheGuidesTablesAreWhatStallscanSays) {
    const auto run = test_os::RunProgram(STALLSCAN_PATH, {"--reasons"}, {{"OV_ROOT", ""}});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    std::map<std::string, std::vector<std::string>> rows;  // the fields by "ATTRIBUTE KEYWORD"
    for (const std::string& line : Lines(std::istringstream(run.out))) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
        if (line.ends_with('\t')) {
            fields.emplace_back();  // an empty remedy
        }
        ASSERT_EQ(fields.size(), 6u) << line;
        rows[fields[0] + " " + fields[1]] = fields;
    }
    const std::string docs = std::string(SOURCE_DIR) + "/docs/";
    std::string attribute;
    int keywords = 0, documented = 0;
    for (const std::string& line : Lines(std::ifstream(docs + "ipp-state-reasons.txt"))) {
        if (line.starts_with("[")) {
            attribute = line.substr(1, line.size() - 2);
        } else if (!line.empty() && !line.starts_with("#")) {
            ++keywords;
            EXPECT_TRUE(rows.contains(attribute + " " + line)) << attribute << " " << line;
        }
    }
    EXPECT_GT(keywords, 900);
    for (const auto& [key, row] : rows) {
        EXPECT_TRUE((std::set<std::string>{"problem", "warning", "info"}.contains(row[2]))) << key;
        EXPECT_EQ(row[4].find("reports \""), std::string::npos) << key;
        // Every problem and warning has a remedy, a sentence about printer "P"; information none.
        EXPECT_EQ(row[5].empty(), row[2] == "info") << key;
        EXPECT_TRUE(row[5].empty() || (row[5].ends_with(".") && row[5].find('%') == std::string::npos))
            << key;
        EXPECT_EQ(row[3].find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-"),
                  std::string::npos)
            << key;
    }
    attribute.clear();
    for (const std::string& line : Lines(std::ifstream(docs + "cups.md"))) {
        attribute = line.starts_with("#### ") ? line.substr(5) : attribute;
        if (!line.starts_with("| `") || attribute.empty()) {
            continue;
        }
        std::vector<std::string> cells;
        for (size_t at = 1, bar; (bar = line.find(" |", at)) != std::string::npos; at = bar + 2) {
            cells.push_back(line.substr(at + 1, bar - at - 1));
        }
        ASSERT_EQ(cells.size(), 4u) << line;
        cells[0] = cells[0].substr(1, cells[0].size() - 2);  // the keyword without its `
        const auto row = rows.find(attribute + " " + cells[0]);
        ASSERT_NE(row, rows.end()) << line;
        EXPECT_EQ(cells, std::vector<std::string>(row->second.begin() + 1, row->second.begin() + 5))
            << line;
        ++documented;
    }
    EXPECT_GT(documented, 60);
}

}  // namespace

// Each job, and "demo:", which expands to the server's waiting jobs in listing order, in both
// modes.
TEST_F(DemoInstallations, EachJobsReportIsExactlyAsExpectedAndCostsItsWalkThroughTheModel) {
    std::vector<std::string> runs;
    size_t serverSpec = 1;  // "demo:" lists the jobs once, then diagnoses each waiting one
    std::string waiting;
    for (const auto& cost : kDemoCosts) {
        // The bytes of "Save All" with --crlf; the system's own line ends without.
        const auto pseudo = demo_.Pseudo({cost.job});
        const auto normal = demo_.Logged({"--crlf", "--no-cache", cost.job}, runs);
        EXPECT_EQ(pseudo.out, e2e::Native(ExpectedReport(cost.job))) << cost.job;
        EXPECT_EQ(normal.out, ExpectedReport(cost.job)) << cost.job;
        for (const auto& run : {pseudo, normal}) {
            EXPECT_EQ(run.exit_code, 0) << cost.job << run.err;
            EXPECT_EQ(run.err, "") << cost.job;
        }
        EXPECT_EQ(runs.size(), cost.runs) << cost.job;
        if (cost.waiting && std::string(cost.job).starts_with("demo:")) {
            serverSpec += cost.runs;
            waiting += ExpectedReport(cost.job);
        }
    }
    EXPECT_EQ(demo_.Logged({"--no-cache", "demo:"}, runs).out, e2e::Native(waiting));
    EXPECT_EQ(runs.size(), serverSpec);
    EXPECT_EQ(demo_.Pseudo({"demo:"}).out, e2e::Native(waiting));
}

TEST_F(DemoInstallations, ExitStatusesTellWhetherEveryJobWasDiagnosed) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        // A server that does not exist is no server without jobs.
        {{"nosuch:"}, 4, "stallscan: server \"nosuch\" was not found.\n"},
        {{"sup-ref:", "demo:9"}, 1, "No pending jobs were found in server \"sup-ref\".\n"},
        {{"demo:9", "demo:999", "nosuch:"},
         5,  // a job not diagnosed outweighs a server that cannot be read
         "stallscan: server \"nosuch\" was not found.\n"},
        {{"-x", "demo:9"},
         2,
         "The requested option is invalid: -x\nTry 'stallscan --help' for more information.\n"},
    };
    for (const auto& c : cases) {
        const test_os::ProgramRun run = demo_.Normal(c.args);
        EXPECT_EQ(run.exit_code, c.status) << c.args[0] << run.err;
        EXPECT_EQ(run.err, e2e::Native(c.err)) << c.args[0];
    }
    auto missing = test_os::RunProgram(
        STALLSCAN_PATH, {"pseudo-kvls@/nonexistent", "demo:9"},
        {{"OV_ROOT", (demo_.Base() / "pseudo-root").string()}, {"STALLSCAN", ""}});
    EXPECT_EQ(missing.exit_code, 5) << missing.out;

    // A job list that does not come within --timeout (one no other listing nears), and a server
    // without waiting jobs after it: the job list's status wins; the other SPECs are served.
    const std::string timeout = std::to_string(test_os::Scaled(3));
    auto run = demo_.Normal({"--crlf", "--timeout", timeout, "demo:", "sup-ref:", "demo:10"},
                            Fault("hang", "held)\" demo:"), 60000);
    EXPECT_EQ(run.exit_code, 4);
    EXPECT_EQ(run.err, e2e::Native("Unable to access server \"demo\".\r\nNo pending jobs were "
                                   "found in server \"sup-ref\".\r\n"));
    EXPECT_EQ(run.out, ExpectedReport("demo:10"));
    // -v adds what the tool said.
    run = demo_.Normal({"-v", "demo:"}, Fault("stderr:spooler down", "current-job-state==held"));
    EXPECT_NE(run.err.find("listing job \"demo:\" failed: spooler down"), std::string::npos)
        << run.err;

    // The installation: the catalogue's text, then what to do, with the path of this system.
    const std::string what = "the print system's installation root, the folder that holds bin/kvls";
    run = test_os::RunProgram(STALLSCAN_PATH, {"demo:1"}, {{"OV_ROOT", ""}});
    EXPECT_EQ(run.exit_code, 3);
    EXPECT_EQ(run.err, e2e::Native("Invalid execution of stallscan.\r\nstallscan: set OV_ROOT to " +
                                   what + ".\r\n"));
    run = test_os::RunProgram(STALLSCAN_PATH, {"demo:1"}, {{"OV_ROOT", "/opt/none"}});
    EXPECT_EQ(run.exit_code, 3);
#ifndef _WIN32
    EXPECT_EQ(run.err,
              "Unable to access binary \"/opt/none/bin/kvls\".\nstallscan: OV_ROOT is "
              "\"/opt/none\"; set it to " +
                  what + " (a program, not an empty file).\n");
    // The check says the same on its one line, as a clause, and nothing else.
    run = test_os::RunProgram(STALLSCAN_PATH, {"--check", "demo:"}, {{"OV_ROOT", "/opt/none"}});
    EXPECT_EQ(run.exit_code, 3);
    EXPECT_EQ(run.out.substr(0, run.out.find(';')),
              "STALLSCAN UNKNOWN - Unable to access binary \"/opt/none/bin/kvls\"");
    EXPECT_EQ(run.err, "");
#endif
}

TEST_F(DemoInstallations, ListingsBeyondTheReadSizeCostOneRepeatPerProcess) {
    std::vector<std::string> runs;
    for (const auto& [flood, match] : {std::pair{"bytes:6000", "-cp"}, {"bytes:50M", "lp-jam"}}) {
        EXPECT_EQ(demo_.Logged({"--crlf", "--no-cache", "demo:7"}, runs, Fault(flood, match)).out,
                  ExpectedReport("demo:7"));
        ASSERT_EQ(runs.size(), 19u + 1) << flood;
        const auto repeat = std::adjacent_find(runs.begin(), runs.end());
        ASSERT_NE(repeat, runs.end());
        EXPECT_NE(repeat->find("-cp -r all"), std::string::npos) << *repeat;
        EXPECT_EQ(std::adjacent_find(repeat + 1, runs.end()), runs.end());
    }
    // A listing of exactly the read size is not repeated.
    demo_.Logged({"--no-cache", "demo:7"}, runs, Fault("bytes:4096", "-cp"));
    EXPECT_EQ(runs.size(), 19u);
}
