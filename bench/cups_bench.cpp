// A scan of a CUPS server with many waiting jobs, next to lpstat's listing of the same jobs. One
// private scheduler (loopback only, MaxJobs 0, JobPrivateValues none; see
// tests/support/private_cups.h) has one stopped queue with a PPD; 100, 1,000 and 5,000 jobs are
// queued on it, each size once, by adding to the jobs of the size before.
//  - BM_ScanAgainstLpstat/N: three runs each of `lpstat -h SERVER -o` and of
//    `stallscan --cups=SERVER` (both over TCP to 127.0.0.1, as the jobs' owner), the medians of
//    their wall times (lpstat_s, stallscan_s) and stallscan's over lpstat's (times_lpstat); the
//    requests the scheduler answered during each scan (its access log, AccessLogLevel all) and its
//    CPU time per scan (sched_cpu_s).
//  - BM_LiveViewScan/5000: `stallscan --serve --cups=SERVER --listen 127.0.0.1:0`, the duration of
//    its first scan as /api/v1/scan gives it (scan_s), against the 60 s default interval.
//  - with STALLSCAN_BENCH_JOB_BY_JOB=MAX in the environment, up to MAX jobs, as many runs of
//    `stallscan --cups=SERVER --no-cache` in the same pass (a Get-Job-Attributes and a Get-Jobs of
//    its destination per job, as every scan asked before the scan snapshot, and its queue and
//    printer per job too): no_cache_s, no_cache_times_lpstat, no_cache_requests,
//    no_cache_sched_cpu_s. STALLSCAN_BENCH_RUNS=N makes N runs of each instead of three.
// Linux only: it needs /usr/sbin/cupsd and the CUPS client tools.

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/private_cups.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kQueue = "office";

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The scheduler's user and system CPU time so far, in seconds (from /proc).
double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), {});
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int n = 3; fields >> field && n <= 15; ++n) {
        ticks += n >= 14 ? std::stod(field) : 0;  // fields 14 and 15: utime, stime
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// The scheduler with its stopped queue; nullptr with the reason in *error.
cups_test::PrivateScheduler* TheScheduler(std::string* error) {
    static std::string failure;
    static const std::unique_ptr<cups_test::PrivateScheduler> scheduler = [] {
        auto started = cups_test::PrivateScheduler::Start(&failure, "", "JobPrivateValues none\n");
        if (started && (!started->AddQueue(kQueue, cups_test::kOfficePpd) ||
                        !started->Stop(kQueue, "Paper jam in tray 2"))) {
            failure = started->Error();
            started.reset();
        }
        return started;
    }();
    *error = failure;
    return scheduler.get();
}

// Queues jobs until `jobs` wait on the queue: Print-Job as lp sends it, a third of them for A3
// (which the queue does not load). False, with the reason, when one is refused.
bool QueueJobs(const cups_test::PrivateScheduler& cups, int jobs, std::string* error) {
    static int queued = 0;
    http_t* http = httpConnect2("127.0.0.1", cups.Port(), nullptr, AF_INET,
                                HTTP_ENCRYPTION_NEVER, 1, 30000, nullptr);
    const std::string file = cups.Folder() + "/files/page.txt";
    for (; http != nullptr && queued < jobs; ++queued) {
        ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                     (std::string("ipp://localhost/printers/") + kQueue).c_str());
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                     cupsUser());
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, "page.txt");
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
                     "text/plain");
        ippAddString(request, IPP_TAG_JOB, IPP_TAG_KEYWORD, "media", nullptr,
                     queued % 3 == 0 ? "iso_a3_297x420mm" : "iso_a4_210x297mm");
        ippDelete(cupsDoFileRequest(http, request, "/", file.c_str()));
        if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
            *error = std::string("Print-Job refused: ") + cupsLastErrorString();
            break;
        }
    }
    httpClose(http);
    return queued == jobs;
}

// Lines of `text` that begin with `start`.
int CountLines(const std::string& text, const std::string& start) {
    int lines = 0;
    for (size_t at = text.find(start); at != std::string::npos; at = text.find(start, at + 1)) {
        lines += at == 0 || text[at - 1] == '\n' ? 1 : 0;
    }
    return lines;
}

// One timed run of stallscan with `args`: its wall time, the scheduler's requests and CPU time
// during it, and the jobs it diagnosed.
struct Scan {
    double wall_s = 0;
    double requests = 0;
    double sched_cpu_s = 0;
    int diagnosed = 0;
    std::string err;
};
Scan TimedScan(const cups_test::PrivateScheduler& cups, const std::vector<std::string>& args,
               const std::map<std::string, std::string>& env) {
    Scan scan;
    const int answered = cups.Requests();
    const double cpu_before = CpuSeconds(cups.Pid());
    const auto start = Clock::now();
    const auto run = test_os::RunProgram(STALLSCAN_PATH, args, env, 3600000);
    scan.wall_s = Since(start);
    scan.sched_cpu_s = CpuSeconds(cups.Pid()) - cpu_before;
    scan.requests = cups.Requests() - answered;
    scan.diagnosed = CountLines(run.out, "Job identifier: ");
    scan.err = run.err;
    return scan;
}

// Three runs (STALLSCAN_BENCH_RUNS) each of lpstat and of stallscan, one after the other; with
// STALLSCAN_BENCH_JOB_BY_JOB=MAX, up to MAX jobs, as many of `stallscan --no-cache` too.
void BM_ScanAgainstLpstat(benchmark::State& state) {
    const int jobs = static_cast<int>(state.range(0));
    std::string error;
    cups_test::PrivateScheduler* cups = TheScheduler(&error);
    if (cups == nullptr || !QueueJobs(*cups, jobs, &error)) {
        state.SkipWithError(("no private scheduler with the jobs: " + error).c_str());
        return;
    }
    const std::map<std::string, std::string> env = {{"HOME", cups->Folder()}, {"LANG", "C"}};
    const std::vector<std::string> args = {"--cups=" + cups->Server()};
    const char* runs_wanted = std::getenv("STALLSCAN_BENCH_RUNS");
    const int runs = runs_wanted != nullptr ? std::atoi(runs_wanted) : 3;
    const char* job_by_job_max = std::getenv("STALLSCAN_BENCH_JOB_BY_JOB");
    const bool job_by_job = job_by_job_max != nullptr && jobs <= std::atoi(job_by_job_max);
    std::vector<double> lpstat, stallscan, requests, cpu, one_s, one_requests, one_cpu;
    for (auto _ : state) {
        for (int run = 0; run < runs; ++run) {
            const auto start = Clock::now();
            const auto listed =
                test_os::RunProgram("/usr/bin/lpstat", {"-h", cups->Server(), "-o"}, env, 600000);
            lpstat.push_back(Since(start));
            std::vector<Scan> scans = {TimedScan(*cups, args, env)};
            if (job_by_job) {
                scans.push_back(TimedScan(*cups, {args[0], "--no-cache"}, env));
                one_s.push_back(scans.back().wall_s);
                one_requests.push_back(scans.back().requests);
                one_cpu.push_back(scans.back().sched_cpu_s);
            }
            stallscan.push_back(scans[0].wall_s);
            requests.push_back(scans[0].requests);
            cpu.push_back(scans[0].sched_cpu_s);
            for (const Scan& scan : scans) {
                if (CountLines(listed.out, std::string(kQueue) + "-") != jobs ||
                    scan.diagnosed != jobs) {
                    state.SkipWithError(("lpstat listed " +
                                         std::to_string(CountLines(listed.out, kQueue)) +
                                         " jobs, stallscan diagnosed " +
                                         std::to_string(scan.diagnosed) + " of " +
                                         std::to_string(jobs) + ": " + scan.err)
                                            .c_str());
                    return;
                }
            }
        }
        state.SetIterationTime(Median(stallscan));
    }
    state.counters["jobs"] = jobs;
    state.counters["lpstat_s"] = Median(lpstat);
    state.counters["stallscan_s"] = Median(stallscan);
    state.counters["times_lpstat"] = Median(stallscan) / Median(lpstat);
    state.counters["requests"] = Median(requests);
    state.counters["sched_cpu_s"] = Median(cpu);
    if (job_by_job) {
        state.counters["no_cache_s"] = Median(one_s);
        state.counters["no_cache_times_lpstat"] = Median(one_s) / Median(lpstat);
        state.counters["no_cache_requests"] = Median(one_requests);
        state.counters["no_cache_sched_cpu_s"] = Median(one_cpu);
    }
}
BENCHMARK(BM_ScanAgainstLpstat)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(5000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The live view's first scan of all waiting jobs.
void BM_LiveViewScan(benchmark::State& state) {
    std::string error;
    cups_test::PrivateScheduler* cups = TheScheduler(&error);
    if (cups == nullptr || !QueueJobs(*cups, static_cast<int>(state.range(0)), &error)) {
        state.SkipWithError(("no private scheduler with the jobs: " + error).c_str());
        return;
    }
    for (auto _ : state) {
        int err[2];
        if (::pipe2(err, O_CLOEXEC) != 0) {
            state.SkipWithError("no pipe");
            return;
        }
        const std::string program = STALLSCAN_PATH, cups_arg = "--cups=" + cups->Server();
        const char* argv[] = {program.c_str(), "--serve", cups_arg.c_str(), "--listen",
                              "127.0.0.1:0", nullptr};
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        ::posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        pid_t pid = -1;
        const auto env = test_os::Environment({{"HOME", cups->Folder()}});
        std::vector<char*> envp;
        for (const std::string& entry : env) {
            envp.push_back(const_cast<char*>(entry.c_str()));
        }
        envp.push_back(nullptr);
        const bool spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr,
                                           const_cast<char**>(argv), envp.data()) == 0;
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(err[1]);
        // "stallscan: serving on http://127.0.0.1:PORT/"
        std::string said;
        char buffer[256];
        for (ssize_t n; spawned && said.find("/\n") == std::string::npos &&
                        (n = ::read(err[0], buffer, sizeof buffer)) > 0;) {
            said.append(buffer, static_cast<size_t>(n));
        }
        ::close(err[0]);
        const size_t colon = said.rfind(':');
        httplib::Client client("127.0.0.1", colon == std::string::npos
                                                ? 0
                                                : std::atoi(said.c_str() + colon + 1));
        double scan_s = -1;
        for (const auto end = Clock::now() + std::chrono::minutes(30);
             spawned && scan_s < 0 && Clock::now() < end;
             std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
            if (const auto response = client.Get("/api/v1/scan");
                response && response->status == 200) {
                const size_t at = response->body.find("\"durationSeconds\":");
                scan_s = at == std::string::npos ? 0 : std::atof(response->body.c_str() + at + 18);
            }
        }
        if (spawned) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
        if (scan_s < 0) {
            state.SkipWithError(("the live view gave no scan: " + said).c_str());
            return;
        }
        state.SetIterationTime(scan_s);
        state.counters["jobs"] = static_cast<double>(state.range(0));
        state.counters["scan_s"] = scan_s;
        state.counters["of_interval"] = scan_s / 60.0;
    }
}
BENCHMARK(BM_LiveViewScan)->Arg(5000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
