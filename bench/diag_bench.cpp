// Diagnosing every waiting job of a generated print system (1,000 waiting jobs over 50 printers,
// 10 queues, 5 supervisors) through real runs of the stand-in listing tool:
//  - one job at a time, every listing a run (--no-cache -j 1), next to what the runs alone cost:
//    the number of runs x the median time of one bare run of the tool (posix_spawn + waitpid,
//    output to /dev/null). The ratio is what stallscan adds between and around the runs (target
//    1.15);
//  - a network-bound tool (every run delayed by 20 ms) with the cache and 8 jobs at once: runs per
//    job, wall time against runs x 20 ms / 8, the reports against those of --no-cache -j 1;
//  - the runs per job with the cache at 10, 100, 1,000 and 10,000 waiting jobs.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
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

constexpr int kWaitingJobs = 1000;  // the default model
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

std::string JobFile(int n, int waiting_jobs) {
    static const char* const kWaitingStates[] = {"pending", "pending", "pending", "held",
                                                 "pending", "paused",  "pending"};
    const bool waiting = n <= waiting_jobs;
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
    explicit Installation(int waiting_jobs) {
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
        for (int n = 1; n <= waiting_jobs + kFinishedJobs; ++n) {
            Write(data / "jobs" / (Named("bench-", n) + ".txt"), JobFile(n, waiting_jobs));
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

// The installation of a model with this many waiting jobs, made once.
Installation& TheInstallation(int waiting_jobs = kWaitingJobs) {
    static std::map<int, std::unique_ptr<Installation>> installations;
    auto& installation = installations[waiting_jobs];
    if (!installation) {
        installation = std::make_unique<Installation>(waiting_jobs);
    }
    return *installation;
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
    const cli::Options options = cli::ParseArguments({"--no-cache", "-j", "1", "bench:"});
    RunSampler sampler;
    double wall = 0;
    int64_t reports = 0;
    for (auto _ : state) {
        listing::ToolSource source = sampler.Source(startup.tool_path);
        std::ostringstream out;
        std::ostringstream err;
        const double bareBefore = sampler.bareTotal;
        const auto start = std::chrono::steady_clock::now();
        const int status = cli::Run(options, startup, source, {}, out, err);
        const double took = RunSampler::Since(start) - (sampler.bareTotal - bareBefore);
        state.SetIterationTime(took);
        wall += took;
        if (status != cli::kExitDiagnosed || sampler.bareFailed) {
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

// The reports of a run of "bench:" with these options; the tool runs are counted in `runs`.
// Of those, `job_runs` listed jobs (the job list, each job's own two listings and its re-check).
std::string DiagnoseBench(Installation& installation, const std::vector<std::string>& args,
                          int64_t& runs, std::string& error, int64_t* job_runs = nullptr) {
    run::StartupValues startup;
    startup.root_dir = installation.Root().string();
    startup.tool_path = installation.Tool().string();
    std::atomic<int64_t> counted{0};
    std::atomic<int64_t> jobs_counted{0};
    listing::ToolSource source(startup.tool_path, [&](const platform::ChildCommand& command,
                                                      const platform::CaptureOptions& options) {
        ++counted;
        jobs_counted += command.args.at(1) == "-cj" ? 1 : 0;
        return platform::RunAndCapture(command, options);
    });
    std::vector<std::string> all = args;
    all.push_back("bench:");
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::Run(cli::ParseArguments(all), startup, source, {}, out, err);
    runs = counted.load();
    if (job_runs != nullptr) {
        *job_runs = jobs_counted.load();
    }
    if (status != cli::kExitDiagnosed) {
        error = "status " + std::to_string(status) + ": " + err.str();
    }
    return out.str();
}

// A network-bound tool (each run 20 ms longer) with the cache and 8 jobs at once, next to the
// seed's pattern (one run per listing, one job at a time), whose time is computed as its runs x
// (bare run + 20 ms) rather than waited for.
void BM_NetworkBoundToolCachedEightAtOnce(benchmark::State& state) {
    Installation& installation = TheInstallation();
    ClearToolEnvironment();
    int64_t seed_runs = 0;
    std::string error;
    const std::string reference = DiagnoseBench(installation, {"--no-cache", "-j", "1"},
                                                seed_runs, error);
    const double bare = BareRunSeconds(PrinterListingArgs());
    ::setenv("KVLS_FAULT", "sleep:0.02", 1);
    int64_t runs = 0;
    int64_t job_runs = 0;
    bool identical = true;
    double wall = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::string reports =
            DiagnoseBench(installation, {"-j", "8"}, runs, error, &job_runs);
        const double took = RunSampler::Since(start);
        state.SetIterationTime(took);
        wall += took;
        identical = identical && reports == reference;
    }
    ClearToolEnvironment();
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    state.counters["runs"] = static_cast<double>(runs);
    state.counters["runs_per_job"] = static_cast<double>(runs) / kWaitingJobs;
    // The floor: the job listings alone (each job's own two, its re-check, the job list).
    state.counters["floor_per_job"] = static_cast<double>(job_runs) / kWaitingJobs;
    state.counters["wall_s"] = wall / static_cast<double>(state.iterations());
    state.counters["bound_s"] = 1.3 * static_cast<double>(runs) * 0.020 / 8;
    state.counters["seed_runs"] = static_cast<double>(seed_runs);
    state.counters["seed_estimate_s"] = static_cast<double>(seed_runs) * (bare + 0.020);
    state.counters["identical"] = identical ? 1 : 0;
}
BENCHMARK(BM_NetworkBoundToolCachedEightAtOnce)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(3);

// The same network-bound tool at 1, 2, 4, 8 and 16 jobs at once: how the wall time falls as
// listings overlap, for the choice of the default -j.
void BM_NetworkBoundJobsAtOnce(benchmark::State& state) {
    Installation& installation = TheInstallation();
    ClearToolEnvironment();
    ::setenv("KVLS_FAULT", "sleep:0.02", 1);
    int64_t runs = 0;
    std::string error;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        DiagnoseBench(installation, {"-j", std::to_string(state.range(0))}, runs, error);
        state.SetIterationTime(RunSampler::Since(start));
    }
    ClearToolEnvironment();
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    state.counters["runs"] = static_cast<double>(runs);
}
BENCHMARK(BM_NetworkBoundJobsAtOnce)
    ->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Arg(16)
    ->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

// Runs per job with the cache (8 jobs at once) as the number of waiting jobs grows: toward the
// floor of each job's own listings (2, and 1 more for the re-check of a job without problems).
void BM_RunsPerJobWithTheCache(benchmark::State& state) {
    const int jobs = static_cast<int>(state.range(0));
    Installation& installation = TheInstallation(jobs);
    ClearToolEnvironment();
    int64_t runs = 0;
    std::string error;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        DiagnoseBench(installation, {"-j", "8"}, runs, error);
        state.SetIterationTime(RunSampler::Since(start));
    }
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    state.counters["runs_per_job"] = static_cast<double>(runs) / jobs;
}
BENCHMARK(BM_RunsPerJobWithTheCache)
    ->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)
    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

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
