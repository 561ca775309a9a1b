// Runs the built kvls as a child process against a small model.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../support/test_os.h"
#include "support/run_program.h"

namespace {

namespace fs = std::filesystem;
using RunResult = test_os::ProgramRun;
using Args = std::vector<std::string>;

constexpr const char* kWaiting =
    "(current-job-state==pending) || (current-job-state==paused) || (current-job-state==held)";

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const fs::path& path) {
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

const std::string kServer =
    "srv1: server-name = srv1\r\nsrv1: server-state = ready\r\nsrv1: enabled = true\r\n";
const std::string kPrinter =
    "p1: printer-state = idle\r\n"
    "p1: associated-server = srv1\r\n"
    "p1: document-formats-ready = PCL\r\n"
    "                             simple-text\r\n"
    "p1: sides-ready = one-sided\r\n";
const std::string kJob42 =
    "srv1:42: job-identifier = 42\r\n"
    "srv1:42: job-name = weekly report\r\n"
    "srv1:42: current-job-state = pending\r\n"
    "srv1:42.1: document-format = PCL\r\n"
    "srv1:42.1: octet-count = 10\r\n"
    "srv1:42.2: octet-count = 0\r\n";

// A model of server srv1 with printer p1, queue q1 and jobs 7 (named by its file's "server"
// line), 42 (two documents, written in reverse order), 43 (completed) and 100; server srv2 with
// job 5.
class KvlsRun : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("kvls_run_test_" + std::to_string(test_os::ProcessId()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        const fs::path m = root_ / "data";
        WriteText(m / "servers/srv1.txt",
                  "server-name = srv1\nserver-state = ready\nenabled = true\n");
        WriteText(m / "printers/p1.txt",
                  "# first printer\ndomain = D1\nprinter-state = idle\nassociated-server = srv1\n"
                  "document-formats-ready = PCL\n    simple-text\nsides-ready = one-sided\n");
        WriteText(m / "queues/q1.txt", "state = ready\nphysical-printers-supported = p1\n  p2\n");
        WriteText(m / "jobs/srv1-42.txt",
                  "server = srv1\njob-identifier = 42\njob-name = weekly report\n"
                  "current-job-state = pending\n[document 2]\noctet-count = 0\n"
                  "[document 1]\ndocument-format = PCL\noctet-count = 10\n");
        WriteText(m / "jobs/srv1-43.txt", "job-identifier = 43\ncurrent-job-state = completed\n");
        WriteText(m / "jobs/srv1-100.txt", "job-identifier = 100\ncurrent-job-state = paused\n");
        WriteText(m / "jobs/anything.txt",
                  "server = srv1\njob-identifier = 7\ncurrent-job-state = held\n");
        WriteText(m / "jobs/srv2-5.txt", "job-identifier = 5\ncurrent-job-state = pending\n");
        env_ = {{"KVLS_DATA", m.string()},
                {"KVLS_LOG", ""},
                {"KVLS_FAULT", ""},
                {"KVLS_FAULT_MATCH", ""}};
    }
    void TearDown() override { fs::remove_all(root_); }

    RunResult Run(const Args& args, int timeout_ms = 10000) {
        return test_os::RunProgram(KVLS_PATH, args, env_, timeout_ms);
    }
    // The whole output of a listing that must succeed.
    std::string Listing(const Args& args) {
        const RunResult r = Run(args);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.exit_code, 0);
        return r.out;
    }
    static void ExpectNoEntries(const RunResult& r) {
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "No entries.\r\n");
        EXPECT_EQ(r.exit_code, 1);
    }
    static void ExpectUsageError(const RunResult& r, const std::string& what) {
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("kvls: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(what), std::string::npos) << r.err;
        EXPECT_EQ(r.exit_code, 2);
    }

    fs::path root_;
    std::map<std::string, std::string> env_;
};

TEST_F(KvlsRun, ListingsOfEachClassAttributeSubsetDomainAndFilter) {
    const std::pair<Args, std::string> rows[] = {
        {{"-cs", "-r", "all", "-sl", "-F", "srv1"}, kServer},
        {{"-cp", "-r", "all", "-sl", "-F", "p1"}, kPrinter},
        {{"-cq", "-r", "all", "-sl", "-F", "q1"},
         "q1: state = ready\r\nq1: physical-printers-supported = p1\r\n"
         "                                  p2\r\n"},
        {{"-cj", "-x", "scope=1", "-r", "all", "-sl", "-F", "srv1:42"}, kJob42},
        {{"-c", "i-v-j", "-r", "all", "-sl", "-F", "srv1:42"}, kJob42},
        {{"-cd", "-r", "all", "-sl", "-F", "srv1:42.2"}, "srv1:42.2: octet-count = 0\r\n"},
        {{"-c", "i-v-d", "-r", "octet-count", "-sl", "-F", "srv1:42"},
         "srv1:42.1: octet-count = 10\r\nsrv1:42.2: octet-count = 0\r\n"},
        // Requested attributes come in file order, for the job and its documents alike; "all"
        // among them lists all; an object without them gives no output and no "No entries.".
        {{"-cp", "-r", "sides-ready printer-state", "-sl", "-F", "p1"},
         "p1: printer-state = idle\r\np1: sides-ready = one-sided\r\n"},
        {{"-cp", "-r", "sides-ready all", "-sl", "-F", "p1"}, kPrinter},
        {{"-cj", "-x", "scope=1", "-r", "job-name octet-count", "-sl", "-F", "srv1:42"},
         "srv1:42: job-name = weekly report\r\nsrv1:42.1: octet-count = 10\r\n"
         "srv1:42.2: octet-count = 0\r\n"},
        {{"-cp", "-r", "paf-v-file-name", "-sl", "-F", "p1"}, ""},
        {{"-cp", "-x", "domain-name=D1", "-r", "printer-state", "-sl", "-F", "p1"},
         "p1: printer-state = idle\r\n"},
        // A server's jobs in job number order, filtered or all of them.
        {{"-cj", "-x", "scope=1", "-r", "job-identifier", "-sl", "-f", kWaiting, "srv1:"},
         "srv1:7: job-identifier = 7\r\nsrv1:42: job-identifier = 42\r\n"
         "srv1:100: job-identifier = 100\r\n"},
        {{"-cj", "-x", "scope=1", "-sl", "-F", "srv1:"},
         "srv1:7: job-identifier = 7\r\nsrv1:7: current-job-state = held\r\n" + kJob42 +
             "srv1:43: job-identifier = 43\r\nsrv1:43: current-job-state = completed\r\n"
             "srv1:100: job-identifier = 100\r\nsrv1:100: current-job-state = paused\r\n"},
    };
    for (const auto& [args, out] : rows) {
        SCOPED_TRACE(testing::PrintToString(args));
        EXPECT_EQ(Listing(args), out);
    }
}

TEST_F(KvlsRun, NoMatchingObjectIsNoEntries) {
    const Args rows[] = {
        {"-cs", "-r", "all", "-sl", "-F", "p1"},  // a class option names where to look
        {"-cp", "-x", "domain-name=D2", "-r", "all", "-sl", "-F", "p1"},
        {"-cs", "-x", "domain-name=D1", "-r", "all", "-sl", "-F", "srv1"},
        {"-cj", "-r", "all", "-sl", "-f", kWaiting, "srv1:43"},
        {"-cj", "-r", "all", "-sl", "-f", "current-job-state==printing", "srv1:"},
        {"-cd", "-r", "all", "-sl", "-F", "srv1:42.3"},
    };
    for (const Args& args : rows) {
        SCOPED_TRACE(testing::PrintToString(args));
        ExpectNoEntries(Run(args));
    }
    for (const char* name : {"nope", "../servers/srv1", "..", "srv1:"}) {
        ExpectNoEntries(Run({"-cp", "-r", "all", "-sl", "-F", name}));
    }
    for (const char* name : {"srv1:999", "srv1", ":42", "srv3:", "srv1:42.1"}) {
        ExpectNoEntries(Run({"-cj", "-r", "all", "-sl", "-F", name}));
    }
}

TEST_F(KvlsRun, CommandLinesItDoesNotUnderstandAreErrors) {
    const std::pair<Args, const char*> rows[] = {
        {{}, "no object class"},
        {{"-cp", "-r", "all"}, "no object name"},
        {{"-r", "all", "p1"}, "no object class"},
        {{"-cp", "-cs", "p1"}, "more than one object class"},
        {{"-c", "i-v-x", "p1"}, "unknown object class"},
        {{"-cp", "-q", "p1"}, "unknown option: -q"},
        {{"-cp", "-x", "colour=red", "p1"}, "-x"},
        {{"-cp", "-x", "scope=one", "p1"}, "-x"},
        {{"-cp", "-F", "-f", "a==b", "p1"}, "exclude"},
        {{"-cp", "-f", "(a==b", "p1"}, "filter: missing \")\""},
        {{"-cp", "p1", "-sl"}, "after the object name"},
        {{"-cp", "-r"}, "needs a value"},
        {{"--export-pseudo"}, "--export-pseudo"},
    };
    for (const auto& [args, what] : rows) {
        SCOPED_TRACE(testing::PrintToString(args));
        ExpectUsageError(Run(args), what);
    }
    env_["KVLS_DATA"] = (root_ / "none").string();
    const RunResult missing = Run({"-cs", "srv1"});
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("model folder not found"), std::string::npos);
    EXPECT_EQ(missing.exit_code, 3);
}

TEST_F(KvlsRun, LogAppendsOneQuotedLinePerRun) {
    const fs::path log = root_ / "runs.log";
    env_["KVLS_LOG"] = log.string();
    Run({"-cp", "-x", "domain-name=D1", "-r", "printer-state printer-problem-message", "-sl", "-F",
         "p1"});
    Run({"-cq", "-bogus", "q\"1\\"});
    env_["KVLS_FAULT"] = "stderr:down";
    Run({"-cs", "-r", "", "srv1"});
    EXPECT_EQ(ReadText(log),
              "-cp -x domain-name=D1 -r \"printer-state printer-problem-message\" -sl -F p1\n"
              "-cq -bogus \"q\\\"1\\\\\"\n"
              "-cs -r \"\" srv1\n");
}

TEST_F(KvlsRun, FaultsDelayHangCrashOrReportAnError) {
    const Args server{"-cs", "-r", "enabled", "-sl", "-F", "srv1"};
    env_["KVLS_FAULT"] = "sleep:0.3";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Listing(server), "srv1: enabled = true\r\n");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));

    env_["KVLS_FAULT"] = "hang";
    RunResult r = Run(server, 400);
    EXPECT_TRUE(r.timed_out);
    EXPECT_EQ(r.out, "");

    for (const auto& [fault, out] :
         {std::pair{"crash-after:10", kJob42.substr(0, 10)}, {"crash-after:1M", kJob42}}) {
        env_["KVLS_FAULT"] = fault;
        r = Run({"-cj", "-r", "all", "-sl", "-F", "srv1:42"});
        EXPECT_TRUE(r.crashed) << fault;
    }

    env_["KVLS_FAULT"] = "stderr:kvls: server srv1 is not responding";
    r = Run(server);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "kvls: server srv1 is not responding\r\n");
    EXPECT_NE(r.exit_code, 0);
    env_["KVLS_FAULT_MATCH"] = "-cq";  // only the runs whose log line holds this text
    EXPECT_EQ(Run({"-cq", "-r", "all", "-sl", "-F", "q1"}).err,
              "kvls: server srv1 is not responding\r\n");
    EXPECT_EQ(Listing(server), "srv1: enabled = true\r\n");
}

TEST_F(KvlsRun, FaultBytesWritesExactlyThatManyBytes) {
    env_["KVLS_FAULT"] = "bytes:2M";
    RunResult r = Run({"-cj", "-r", "all", "-sl", "-F", "srv1:42"});
    ASSERT_EQ(r.out.size(), 2u * 1024 * 1024);
    EXPECT_EQ(r.out.substr(0, kJob42.size()), kJob42);
    // Everything after the answer is comment lines, so a parser reads the same listing.
    std::istringstream rest(r.out.substr(kJob42.size()));
    for (std::string line; std::getline(rest, line);) ASSERT_EQ(line.front(), '#');
    for (const char* n : {"5", "1", "2", "3"}) {
        env_["KVLS_FAULT"] = std::string("bytes:") + n;
        r = Run({"-cs", "-r", "enabled", "-sl", "-F", "nope"});
        EXPECT_EQ(r.out.size(), std::stoul(n)) << n;
        EXPECT_EQ(r.out.front(), '#');
        EXPECT_EQ(r.err, "No entries.\r\n");
    }
    env_["KVLS_FAULT"] = "bytes:5";
    EXPECT_EQ(Run({"-cs", "-r", "enabled", "-sl", "-F", "srv1"}).out, "srv1:");
}

TEST_F(KvlsRun, MalformedFaultsAreErrors) {
    for (const char* bad : {"sleep", "sleep:x", "hang:1", "bytes:-1", "bytes:1G",
                            "crash-after:", "stderr:", "explode"}) {
        env_["KVLS_FAULT"] = bad;
        ExpectUsageError(Run({"-cs", "-r", "all", "-sl", "-F", "srv1"}), "KVLS_FAULT");
    }
}

// Every listing the program asks for, as files: each object under its name (a server, then a
// queue of the same name, in one file), each server's waiting jobs as "<server>-jids.txt" (empty
// for none); model lines it could not read are reported.
TEST_F(KvlsRun, ExportWritesPseudoFilesEqualToLiveListings) {
    WriteText(root_ / "data/queues/srv1.txt", "state = paused\nenabled = false\n");
    WriteText(root_ / "data/servers/srv3.txt", "server-state = ready\nnot an attribute\n");
    const fs::path dir = root_ / "pseudo";
    const RunResult r = Run({"--export-pseudo", dir.string()});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("srv1.txt is shared by a server, queue"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("srv3.txt: line 2: not an \"attribute = value\" line, skipped"),
              std::string::npos)
        << r.err;

    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"p1.txt", "q1.txt", "srv1-100.txt", "srv1-42.txt",
                                               "srv1-43.txt", "srv1-7.txt", "srv1-jids.txt",
                                               "srv1.txt", "srv2-5.txt", "srv2-jids.txt",
                                               "srv3-jids.txt", "srv3.txt"}));
    EXPECT_EQ(
        ReadText(dir / "srv1-jids.txt"),
        Listing({"-cj", "-x", "scope=1", "-r", "job-identifier", "-sl", "-f", kWaiting, "srv1:"}));
    EXPECT_EQ(ReadText(dir / "srv2-jids.txt"), "srv2:5: job-identifier = 5\r\n");
    EXPECT_EQ(ReadText(dir / "srv3-jids.txt"), "");
    EXPECT_EQ(ReadText(dir / "srv1-42.txt"), kJob42);
    EXPECT_EQ(ReadText(dir / "p1.txt"), kPrinter);
    EXPECT_EQ(ReadText(dir / "srv1.txt"),
              kServer + "srv1: state = paused\r\nsrv1: enabled = false\r\n");
}

}  // namespace
