// The command-line mode end to end: the built stallscan runs over the demo print system, in pseudo
// mode (canned files exported from the model) and in normal mode (real runs of the stand-in tool),
// and the cost of every demo job in runs of the tool.

#include <gtest/gtest.h>

#include "e2e/e2e_support.h"

namespace {

using e2e::ExpectedReport;

class DemoInstallations : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { demo_.Create(e2e::FreshDir("e2e"), e2e::kDemoData); }
    static void TearDownTestSuite() { demo_.Remove(); }

    static inline e2e::Installation demo_;
};

// The tool runs of one diagnosis without the cache: 3 for the server and the job (all attributes, then
// "int-max-copy-count"); then 1 for the queue of a waiting job, 2 per printer (all attributes, then
// the access-file ones; 1 when it cannot be listed, which ends the printer loop), 1 per change of
// supervisor, and 1 for the final re-check of the job's state when nothing was found; or 1 for the
// assigned printer of a job being processed, printed or retained with errors.
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

// The faults for the runs whose logged arguments contain `match`.
std::map<std::string, std::string> Fault(const std::string& fault, const std::string& match) {
    return {{"KVLS_FAULT", fault}, {"KVLS_FAULT_MATCH", match}};
}

}  // namespace

TEST_F(DemoInstallations, EachJobsReportIsExactlyAsExpectedAndCostsItsWalkThroughTheModel) {
    std::vector<std::string> runs;
    size_t serverSpec = 1;  // "demo:" lists the jobs once, then diagnoses each waiting one
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
        }
    }
    demo_.Logged({"--no-cache", "demo:"}, runs);
    EXPECT_EQ(runs.size(), serverSpec);

    // A supervisor listed without its type costs one more run per change of supervisor.
    const auto run =
        demo_.Logged({"--no-cache", "demo:8"}, runs, Fault("stderr:no attribute", "supervisor-type"));
    EXPECT_EQ(runs.size(), 16u + 4);
    EXPECT_NE(run.out.find("Supervisor \"sup-off\" is disabled."), std::string::npos) << run.out;
}

TEST_F(DemoInstallations, ServerSpecsExpandToWaitingJobsInListingOrder) {
    const std::vector<std::string> args = {"demo:", "nightly:", "demo:1", "demo:5"};
    std::string expected;
    for (const char* job : {"demo:6", "demo:7", "demo:8", "demo:9", "demo:10", "demo:11", "demo:12",
                            "demo:13", "demo:15", "nightly:1", "demo:1", "demo:5"}) {
        expected += ExpectedReport(job);
    }
    const test_os::ProgramRun run = demo_.Normal(args);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, e2e::Native(expected));
    EXPECT_EQ(demo_.Pseudo(args).out, e2e::Native(expected));
    // A repeated item runs once, at its last place.
    EXPECT_EQ(demo_.Pseudo({"--crlf", "demo:12", "demo:13", "demo:12", "DEMO:13"}).out,
              ExpectedReport("demo:13") + ExpectedReport("demo:12"));
}

TEST_F(DemoInstallations, ExitStatusesTellWhetherEveryJobWasDiagnosed) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;  // empty: any
    } cases[] = {
        {{"demo:9"}, 0, ""},
        {{"demo:999"}, 5, ""},  // not found
        {{"nosuch:1"}, 5, ""},  // its server cannot be listed
        {{"demo:abc", "demo:9"}, 5, ""},
        {{"nosuch:"},
         1,
         "No pending jobs were found in server \"nosuch\".\nstallscan: server \"nosuch\" was not "
         "found.\nThere are no jobs for which diagnostics will be given.\n"},
        {{"sup-ref:", "demo:9"}, 1, "No pending jobs were found in server \"sup-ref\".\n"},
        {{"demo:9", "demo:999", "nosuch:"}, 5, ""},
        {{"-x", "demo:9"}, 2,
         "The requested option is invalid: -x\nTry 'stallscan --help' for more information.\n"},
        {{"--timeout", "soon", "demo:9"}, 2, ""},
    };
    for (const auto& c : cases) {
        const test_os::ProgramRun run = demo_.Normal(c.args);
        EXPECT_EQ(run.exit_code, c.status) << c.args[0] << run.err;
        if (!c.err.empty()) {
            EXPECT_EQ(run.err, e2e::Native(c.err)) << c.args[0];
        }
    }
    EXPECT_EQ(demo_.Pseudo({"demo:9"}).exit_code, 0);
    auto missing = test_os::RunProgram(
        STALLSCAN_PATH, {"pseudo-kvls@/nonexistent", "demo:9"},
        {{"OV_ROOT", (demo_.Base() / "pseudo-root").string()}, {"STALLSCAN", ""}});
    EXPECT_EQ(missing.exit_code, 5) << missing.out;

    // A job list that cannot be read; the other SPEC is still served.
    auto run = demo_.Normal({"--crlf", "demo:", "demo:10"},
                            Fault("stderr:spooler down", "current-job-state==held"));
    EXPECT_EQ(run.exit_code, 4);
    EXPECT_EQ(run.err, e2e::Native("Unable to access server \"demo\".\r\n"));
    EXPECT_EQ(run.out, ExpectedReport("demo:10"));
    // -v adds what the tool said.
    run = demo_.Normal({"-v", "demo:"}, Fault("stderr:spooler down", "current-job-state==held"));
    EXPECT_NE(run.err.find("listing job \"demo:\" failed: spooler down"), std::string::npos)
        << run.err;

    // The installation: the catalogue's text, then what to do, with the path of this system.
    run = test_os::RunProgram(STALLSCAN_PATH, {"demo:1"}, {{"OV_ROOT", ""}});
    EXPECT_EQ(run.exit_code, 3);
    EXPECT_EQ(run.err.rfind(e2e::Native("Invalid execution of stallscan.\r\nstallscan: set OV_ROOT"), 0),
              0u)
        << run.err;
    run = test_os::RunProgram(STALLSCAN_PATH, {"demo:1"}, {{"OV_ROOT", "/opt/none"}});
    EXPECT_EQ(run.exit_code, 3);
#ifndef _WIN32
    EXPECT_EQ(run.err.rfind("Unable to access binary \"/opt/none/bin/kvls\".\nstallscan: OV_ROOT", 0),
              0u)
        << run.err;
#endif
}

TEST_F(DemoInstallations, ListingsBeyondTheReadSizeCostOneRepeatPerProcess) {
    // Every printer listing of demo:7 (fourteen) outgrows 4096 bytes: only the first is repeated.
    std::vector<std::string> runs;
    EXPECT_EQ(demo_.Logged({"--crlf", "--no-cache", "demo:7"}, runs, Fault("bytes:6000", "-cp")).out,
              ExpectedReport("demo:7"));
    EXPECT_EQ(runs.size(), 19u + 1);
    int repeats = 0;
    for (size_t i = 1; i < runs.size(); ++i) {
        if (runs[i] == runs[i - 1]) {
            ++repeats;
            EXPECT_NE(runs[i].find("-cp -r all"), std::string::npos) << runs[i];
        }
    }
    EXPECT_EQ(repeats, 1);
    // A listing of exactly the read size is not repeated.
    demo_.Logged({"--no-cache", "demo:7"}, runs, Fault("bytes:4096", "-cp"));
    EXPECT_EQ(runs.size(), 19u);
}
