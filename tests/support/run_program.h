// Runs a built program as a child process through the platform layer (no shell) and captures
// both outputs, for the end-to-end tests.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "support/test_os.h"

#ifdef _WIN32
#define STALLSCAN_ENVIRON _environ
#else
extern char** environ;
#define STALLSCAN_ENVIRON environ
#endif

namespace test_os {

struct ProgramRun {
    int exit_code = -1;  // -1 when it did not end by itself
    std::string out;
    std::string err;
    bool timed_out = false;
    bool crashed = false;  // ended by a signal or an exception status
};

// This process's environment with `env` applied: an entry replaces or adds a variable, an empty
// value removes it.
inline std::vector<std::string> Environment(const std::map<std::string, std::string>& env) {
    std::vector<std::string> entries;
    for (char** e = STALLSCAN_ENVIRON; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (env.count(entry.substr(0, entry.find('='))) == 0) {
            entries.push_back(entry);
        }
    }
    for (const auto& [name, value] : env) {
        if (!value.empty()) {
            entries.push_back(name + "=" + value);
        }
    }
    return entries;
}

// Runs `program` with `args` in this environment changed by `env`; a program that runs longer
// than `timeout_ms` (times Slowdown()) is killed and reported as timed out.
inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                             const std::map<std::string, std::string>& env = {},
                             int timeout_ms = 60000) {
    stallscan::platform::ChildCommand command;
    command.program = program;
    command.args = {program};
    command.args.insert(command.args.end(), args.begin(), args.end());
    command.command_line = CommandLine(command.args);
    command.environment = Environment(env);
    stallscan::platform::CaptureOptions options;
    options.out_read_size = 65536;
    options.err_read_size = 65536;
    options.deadline =
        std::chrono::steady_clock::now() + Scaled(std::chrono::milliseconds(timeout_ms));
    stallscan::platform::CaptureResult run = stallscan::platform::RunAndCapture(command, options);
    using stallscan::platform::CaptureStatus;
    return {run.exit_code, std::move(run.out), std::move(run.err),
            run.status == CaptureStatus::kTimedOut, run.status == CaptureStatus::kCrashed};
}

}  // namespace test_os
