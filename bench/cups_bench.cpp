// Diagnosing the waiting jobs of a private CUPS scheduler (one queue with a PPD, 200 held jobs)
// next to what listing those jobs costs:
//  - list_ms: one run of `lpstat -h SERVER -o` through the platform layer (the jobs' bare listing);
//  - diagnose_ms: one DiagnoseCupsJobs(SERVER) over all the waiting jobs;
//  - per_job_ms: diagnose_ms per job, and per_job_over_list: per_job_ms / list_ms.
// Medians over the iterations. Linux only: it needs /usr/sbin/cupsd and the CUPS client tools.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "support/private_cups.h"

namespace {

constexpr int kJobs = 200;

// Jobs listed by lpstat: one line each, after its job's name ("office-7   root  1024  date").
int CountJobLines(const std::string& listing) {
    int jobs = 0;
    for (size_t at = listing.find("office-"); at != std::string::npos;
         at = listing.find("office-", at + 1)) {
        jobs += at == 0 || listing[at - 1] == '\n' ? 1 : 0;
    }
    return jobs;
}

// Diagnoses every waiting job of the scheduler at `server` ("127.0.0.1:PORT") as
// "stallscan --cups=SERVER" does; the number of jobs diagnosed, or a negative number on failure.
int DiagnoseCupsJobs(const std::string& server) {
    stallscan::run::StartupValues startup;
    startup.cups_server = server;
    const auto source = stallscan::run::MakeSource(startup);
    const auto options = stallscan::cli::ParseArguments({"--cups=" + server, "--json-lines"});
    std::ostringstream out, err;
    if (source == nullptr ||
        stallscan::cli::Run(options, startup, *source, {}, out, err) != stallscan::cli::kExitDiagnosed) {
        return -1;
    }
    const std::string lines = out.str();
    return static_cast<int>(std::count(lines.begin(), lines.end(), '\n'));
}

// The scheduler with its queue and held jobs, set up once; nullptr with the reason in *error.
cups_test::PrivateScheduler* TheScheduler(std::string* error) {
    static std::string failure;
    static const std::unique_ptr<cups_test::PrivateScheduler> scheduler = [] {
        auto started = cups_test::PrivateScheduler::Start(&failure);
        if (started && !started->AddQueue("office", cups_test::kOfficePpd)) {
            failure = started->Error();
            started.reset();
        }
        std::string job;
        for (int n = 0; started && n < kJobs; ++n) {
            const std::vector<std::string> options = {
                "-H", "hold", "-o", n % 3 == 0 ? "media=a3" : "media=iso_a4_210x297mm"};
            if (!started->Submit("office", options, &job)) {
                failure = started->Error();
                started.reset();
            }
        }
        return started;
    }();
    *error = failure;
    return scheduler.get();
}

double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_DiagnoseCupsJobsAgainstListing(benchmark::State& state) {
    std::string error;
    cups_test::PrivateScheduler* cups = TheScheduler(&error);
    if (cups == nullptr) {
        state.SkipWithError(("no private scheduler: " + error).c_str());
        return;
    }
    const std::string server = cups->Server();
    std::vector<double> listing;
    std::vector<double> diagnosis;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        const test_os::ProgramRun run =
            test_os::RunProgram("/usr/bin/lpstat", {"-h", server, "-o"}, {{"LANG", "C"}}, 60000);
        listing.push_back(Since(start));
        start = std::chrono::steady_clock::now();
        const int diagnosed = DiagnoseCupsJobs(server);
        diagnosis.push_back(Since(start));
        state.SetIterationTime(listing.back() + diagnosis.back());
        if (run.exit_code != 0 || CountJobLines(run.out) != kJobs || diagnosed != kJobs) {
            state.SkipWithError(("lpstat listed " + std::to_string(CountJobLines(run.out)) +
                                 " jobs, the diagnosis " + std::to_string(diagnosed) + " of " +
                                 std::to_string(kJobs) + ": " + run.err)
                                    .c_str());
            break;
        }
    }
    const double list = Median(listing);
    const double per_job = Median(diagnosis) / kJobs;
    state.counters["jobs"] = kJobs;
    state.counters["list_ms"] = list * 1e3;
    state.counters["diagnose_ms"] = Median(diagnosis) * 1e3;
    state.counters["per_job_ms"] = per_job * 1e3;
    state.counters["per_job_over_list"] = list > 0 ? per_job / list : 0.0;
}
BENCHMARK(BM_DiagnoseCupsJobsAgainstListing)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace
