// Runs per second of the child-process run next to a bare posix_spawn + waitpid of the same
// child. The difference is what the run adds: pipes, poll loop, reaping and the stop channel.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include "platform/child_process.h"

extern char** environ;

namespace {

void BM_RunChildProcess(benchmark::State& state) {
    stallscan::platform::ChildCommand command;
    command.program = BENCH_CHILD_PATH;
    command.command_line = BENCH_CHILD_PATH;
    command.args = {BENCH_CHILD_PATH};
    for (auto _ : state) {
        if (stallscan::platform::RunAndCapture(command, {}).status !=
            stallscan::platform::CaptureStatus::kOk) {
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
