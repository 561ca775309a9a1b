// Runs per second of the child runner next to a bare posix_spawn + waitpid of the same child.
// The difference is what the runner adds: pipes, poll loop, reaping and the kill channel.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include "listing/child_runner.h"

extern char** environ;

namespace {

void BM_RunChildProcess(benchmark::State& state) {
    ChildCommand cmd;
    cmd.commandLine = BENCH_CHILD_PATH;
    cmd.args = {BENCH_CHILD_PATH};
    clsKvOutput out;
    clsKvOutput err;
    for (auto _ : state) {
        if (basPosixCtl::RunChildProcess(BENCH_CHILD_PATH, cmd, out, err) != 0) {
            state.SkipWithError("run failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RunChildProcess)->UseRealTime()->MinTime(3.0);

void BM_BareSpawnAndWait(benchmark::State& state) {
    char path[] = BENCH_CHILD_PATH;
    char* argv[] = {path, nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (::posix_spawn(&pid, path, nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("spawn failed");
            break;
        }
        ::waitpid(pid, nullptr, 0);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BareSpawnAndWait)->UseRealTime()->MinTime(3.0);

}  // namespace
