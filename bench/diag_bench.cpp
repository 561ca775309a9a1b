// Diagnosing every waiting job of a generated print system (1,000 waiting jobs over 50 printers)
// through real runs of the stand-in listing tool, next to what the runs alone cost: the number of
// runs × the median time of one bare run of the tool (posix_spawn + waitpid, output to /dev/null).
// The ratio of the two is what stallscan adds between and around the runs; the target is 1.15.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "listing/tool_source.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using namespace stallscan;

constexpr int kWaitingJobs = 1000;
constexpr int kFinishedJobs = 100;  // listed by no job list: the filter leaves them out
constexpr int kPrinters = 50;
constexpr int kPrintersPerQueue = 5;
constexpr int kSupervisors = 5;

// `prefix` followed by the number in decimal.
std::string Named(std::string prefix, int n) {
    return prefix.append(std::to_string(n));
}
std::string PrinterName(int p) {
    return Named("p", p);
}
std::string SupervisorOf(int p) {
    // Four neighbouring printers share a supervisor, so a queue's printers span two of them.
    return Named("sup", (p - 1) / 4 % kSupervisors + 1);
}
bool IsReference(const std::string& supervisor) {
    return supervisor == "sup4" || supervisor == "sup5";
}

void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// One printer much like a real one: states, submission library, access file, capabilities.
std::string PrinterFile(int p) {
    const std::string supervisor = SupervisorOf(p);
    std::ostringstream f;
    f << "printer-name = " << PrinterName(p) << "\n"
      << "associated-server = " << supervisor << "\n"
      << "printer-state = "
      << (p % 9 == 0    ? "paused"
          : p % 13 == 0 ? "needs-attention"
                        : "idle")
      << "\n"
      << "enabled = " << (p % 17 == 0 ? "false" : "true") << "\n"
      << "printer-problem-message = " << (p % 13 == 0 ? "paper jam in tray 2" : "") << "\n"
      << "job-submission-library-name = vlib\n"
      << "job-submission-channel-ready = channel-" << p << "\n";
    if (IsReference(supervisor)) {
        f << "paf-rsup-submission-channels-supported = channel-" << p << "\n";
    } else {
        f << "paf-vsup-submission-channels-supported = channel-" << p << "\n";
    }
    f << "paf-v-file-name = c|/print/paf/p" << p << ".paf\n"
      << "document-formats-ready = PCL\n    simple-text\n    postscript\n"
      << "native-document-formats-ready = PCL\n    simple-text\n"
      << "sides-ready = one-sided\nsides-ready = two-sided-long-edge\n"
      << "media-ready = a4\n    letter\n"
      << (p % 2 == 0 ? "    a3\n" : "") << "maximum-copies-supported = 99\n"
      << "job-page-count-range-ready = 1:" << (p % 5 == 0 ? 100 : 2000) << "\n"
      << "numbers-up-supported = 1:4\n"
      << "page-select-supported = numeric\n"
      << "output-bins-ready = top\n    side\n"
      << "fonts-ready = courier\n    helvetica\n    times\n";
    return f.str();
}

std::string QueueFile(int q) {
    std::ostringstream f;
    f << "queue-name = q" << q << "\n"
      << "state = " << (q == kPrinters / kPrintersPerQueue ? "paused" : "ready") << "\n";
    for (int i = 1; i <= kPrintersPerQueue; ++i) {
        f << (i == 1 ? "physical-printers-supported = " : "    ")
          << PrinterName((q - 1) * kPrintersPerQueue + i) << "\n";
    }
    return f.str();
}

std::string JobFile(int n) {
    static const char* const kWaitingStates[] = {"pending", "pending", "pending", "held",
                                                 "pending", "paused",  "pending"};
    const bool waiting = n <= kWaitingJobs;
    const std::string state = waiting ? kWaitingStates[n % 7] : "completed";
    const int queues = kPrinters / kPrintersPerQueue;
    std::ostringstream f;
    f << "server = bench\n"
      << "job-identifier = " << n << "\n"
      << "job-name = report " << n << "\n"
      << "job-owner = user" << n % 37 << "\n"
      << "current-job-state = " << state << "\n"
      << "assigned-queue = q" << (n - 1) % queues + 1 << "\n";
    if (state == "held") {
        f << "job-state-reasons = job-hold-until-specified\n";
    }
    if (state == "paused" && n % 2 == 0) {
        f << "job-hold = true\n";
    }
    if (n % 11 == 0) {
        f << "physical-printers-requested = " << PrinterName(n % kPrinters + 1) << "\n    "
          << PrinterName((n + 7) % kPrinters + 1) << "\n";
    }
    if (n % 6 == 0) {
        f << "intervening-jobs = " << n % 4 << "\n";
    }
    f << "sides = " << (n % 19 == 0 ? "two-sided-short-edge" : "one-sided") << "\n"
      << "job-copies = " << (n % 23 == 0 ? 150 : 1 + n % 3) << "\n"
      << "job-page-count = " << 1 + n % 300 << "\n"
      << "number-up = " << (n % 29 == 0 ? 8 : 1) << "\n"
      << "default-medium = " << (n % 5 == 0 ? "a3" : "a4") << "\n";
    for (int d = 1; d <= 1 + n % 3; ++d) {
        f << "\n[document " << d << "]\n"
          << "document-name = part" << d << ".pcl\n"
          << "document-file-name = c|/spool/bench/" << n << "/" << d << "\n"
          << "document-format = " << (n % 31 == 0 && d == 1 ? "simple-text" : "PCL") << "\n"
          << "octet-count = " << (n % 43 == 0 && d == 1 ? 0 : 2048 * d + n) << "\n";
    }
    return f.str();
}

// An installation root below a fresh temporary folder: bin/kvls (a copy of the built tool) and
// the generated model as data/ beside it, where the tool looks by default.
class Installation {
  public:
    Installation() {
        std::string base = (fs::temp_directory_path() / "stallscan-diag-bench-XXXXXX").string();
        if (::mkdtemp(base.data()) == nullptr) {
            return;
        }
        root_ = base;
        const fs::path data = root_ / "data";
        for (const char* dir :
             {"bin", "data/servers", "data/printers", "data/queues", "data/jobs"}) {
            fs::create_directories(root_ / dir);
        }
        fs::copy_file(KVLS_PATH, Tool());
        Write(data / "servers" / "bench.txt",
              "server-name = bench\nserver-state = running\n"
              "default-job-completion-period = 01:00:00\n");
        for (int s = 1; s <= kSupervisors; ++s) {
            const std::string name = Named("sup", s);
            Write(data / "servers" / (name + ".txt"),
                  "server-name = " + name +
                      "\nserver-state = running\nenabled = " + (s == 3 ? "false" : "true") +
                      "\nsupervisor-type = " + (IsReference(name) ? "Reference" : "Velmar") + "\n");
        }
        for (int p = 1; p <= kPrinters; ++p) {
            Write(data / "printers" / (PrinterName(p) + ".txt"), PrinterFile(p));
        }
        for (int q = 1; q <= kPrinters / kPrintersPerQueue; ++q) {
            Write(data / "queues" / (Named("q", q) + ".txt"), QueueFile(q));
        }
        for (int n = 1; n <= kWaitingJobs + kFinishedJobs; ++n) {
            Write(data / "jobs" / (Named("bench-", n) + ".txt"), JobFile(n));
        }
    }
    ~Installation() {
        if (!root_.empty()) {
            std::error_code ignored;
            fs::remove_all(root_, ignored);
        }
    }
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    bool Ok() const { return !root_.empty() && fs::exists(Tool()); }
    fs::path Root() const { return root_; }
    fs::path Tool() const { return root_ / "bin" / "kvls"; }

  private:
    fs::path root_;
};

Installation& TheInstallation() {
    static Installation installation;
    return installation;
}

// The tool's environment is the installation alone: no model folder, log or fault from outside.
void ClearToolEnvironment() {
    for (const char* name : {"KVLS_DATA", "KVLS_LOG", "KVLS_FAULT", "KVLS_FAULT_MATCH"}) {
        ::unsetenv(name);
    }
}

// One bare run of the tool: posix_spawn and waitpid, both outputs to /dev/null. Seconds, or a
// negative value when the tool could not be started.
double BareRunSeconds(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    int status = 0;
    if (spawned == 0) {
        ::waitpid(pid, &status, 0);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    ::posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? took.count() : -1.0;
}

// A typical run of the diagnosis: a printer's full listing.
std::vector<std::string> PrinterListingArgs() {
    return {TheInstallation().Tool().string(), "-cp", "-r", "all", "-sl", "-F", PrinterName(7)};
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

// Times every run of the listing tool through the tool source's run seam and, after every fourth
// run, one bare run of the tool, so that the bare runs sample the machine under the same load as
// the diagnosis, however that drifts. The bare runs' time is not stallscan's and is taken out
// again.
class RunSampler {
  public:
    // A tool source whose runs are sampled; a fresh one per pass starts with the initial read
    // sizes, as a fresh process does.
    listing::ToolSource Source(const std::string& tool_path) {
        return listing::ToolSource(tool_path, [this](const platform::ChildCommand& command,
                                                     const platform::CaptureOptions& options) {
            const auto start = std::chrono::steady_clock::now();
            platform::CaptureResult result = platform::RunAndCapture(command, options);
            runs.push_back(Since(start));
            if (runs.size() % 4 == 0) {
                const auto bareStart = std::chrono::steady_clock::now();
                const double seconds = BareRunSeconds(bareArgs_);
                bareFailed = bareFailed || seconds < 0;
                bare.push_back(seconds);
                bareTotal += Since(bareStart);
            }
            return result;
        });
    }

    static double Since(std::chrono::steady_clock::time_point start) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    std::vector<double> runs;  // seconds of each run through the runner
    std::vector<double> bare;  // seconds of each bare run
    double bareTotal = 0;      // time spent on bare runs, seam included
    bool bareFailed = false;

  private:
    const std::vector<std::string> bareArgs_ = PrinterListingArgs();
};

double Mean(const std::vector<double>& samples) {
    return samples.empty() ? 0.0
                           : std::accumulate(samples.begin(), samples.end(), 0.0) /
                                 static_cast<double>(samples.size());
}

// The command-line mode's "bench:": the job list, then every listed job, reports written.
void BM_DiagnoseAllWaitingJobs(benchmark::State& state) {
    Installation& installation = TheInstallation();
    if (!installation.Ok()) {
        state.SkipWithError("cannot set up the installation");
        return;
    }
    ClearToolEnvironment();
    run::StartupValues startup;
    startup.root_dir = installation.Root().string();
    startup.tool_path = installation.Tool().string();
    const cli::Options options = cli::ParseArguments({"bench:"});
    RunSampler sampler;
    double wall = 0;
    int64_t reports = 0;
    for (auto _ : state) {
        listing::ToolSource source = sampler.Source(startup.tool_path);
        std::ostringstream out;
        std::ostringstream err;
        const double bareBefore = sampler.bareTotal;
        const auto start = std::chrono::steady_clock::now();
        const int status = cli::Run(options, startup, source, out, err);
        const double took = RunSampler::Since(start) - (sampler.bareTotal - bareBefore);
        state.SetIterationTime(took);
        wall += took;
        if (status != cli::kExitReports || sampler.bareFailed) {
            state.SkipWithError(("a run failed: " + err.str()).c_str());
            break;
        }
        const std::string text = out.str();
        for (size_t at = text.find("Job identifier: "); at != std::string::npos;
             at = text.find("Job identifier: ", at + 1)) {
            ++reports;
        }
    }
    const double passes = static_cast<double>(state.iterations());
    if (passes == 0 || sampler.bare.empty()) {
        return;
    }
    const double runs = static_cast<double>(sampler.runs.size()) / passes;
    const double bareMedian = Median(sampler.bare);
    const double wallPerPass = wall / passes;
    const double inRuns = Mean(sampler.runs) * runs;
    state.counters["jobs"] = static_cast<double>(reports) / passes;
    state.counters["runs"] = runs;
    state.counters["wall_s"] = wallPerPass;
    state.counters["bare_median_us"] = bareMedian * 1e6;
    state.counters["runs_x_bare_s"] = runs * bareMedian;
    state.counters["ratio"] = wallPerPass / (runs * bareMedian);
    // Where the time goes: the runs as the runner sees them, against the bare runs (median and
    // mean, which part when the machine is busy), and stallscan's own work between the runs.
    state.counters["bare_mean_us"] = Mean(sampler.bare) * 1e6;
    state.counters["run_median_us"] = Median(sampler.runs) * 1e6;
    state.counters["run_mean_us"] = Mean(sampler.runs) * 1e6;
    state.counters["ratio_to_mean"] = wallPerPass / (runs * Mean(sampler.bare));
    state.counters["between_runs_s"] = wallPerPass - inRuns;
    // The wall time had every run taken its median: the ratio without the long tail that other
    // work on a busy machine gives both kinds of run.
    state.counters["ratio_at_medians"] =
        (runs * Median(sampler.runs) + wallPerPass - inRuns) / (runs * bareMedian);
}
BENCHMARK(BM_DiagnoseAllWaitingJobs)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(3);

// For the analysis of the ratio: one bare run, and the same command through the runner (pipes,
// poll, capture, reaping), both with the tool's real work.
void BM_BareToolRun(benchmark::State& state) {
    if (!TheInstallation().Ok()) {
        state.SkipWithError("cannot set up the installation");
        return;
    }
    ClearToolEnvironment();
    const std::vector<std::string> args = PrinterListingArgs();
    for (auto _ : state) {
        if (BareRunSeconds(args) < 0) {
            state.SkipWithError("a bare run of the tool failed");
            break;
        }
    }
}
BENCHMARK(BM_BareToolRun)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(2.0);

void BM_RunnerToolRun(benchmark::State& state) {
    if (!TheInstallation().Ok()) {
        state.SkipWithError("cannot set up the installation");
        return;
    }
    ClearToolEnvironment();
    platform::ChildCommand command;
    command.args = PrinterListingArgs();
    command.program = command.args[0];
    for (const std::string& arg : command.args) {
        command.command_line += arg + " ";
    }
    for (auto _ : state) {
        const platform::CaptureResult result = platform::RunAndCapture(command, {});
        if (result.status != platform::CaptureStatus::kOk || result.out.empty()) {
            state.SkipWithError("the runner failed");
            break;
        }
    }
}
BENCHMARK(BM_RunnerToolRun)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(2.0);

}  // namespace
