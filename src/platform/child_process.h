#pragma once
// Runs a program as a child process without a shell and captures its standard output and error.
// Every run owns its child, pipes and cancellation: runs may go on side by side on several
// threads, and stopping one (from any thread) leaves the others alone.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

namespace stallscan::platform {

// What to start: the program's path on this system, the command-line text (what Windows is
// given) and the same pieces as an argument vector (what POSIX is given; args[0] is the name the
// child sees). No shell ever sees either.
struct ChildCommand {
    std::string program;
    std::string command_line;
    std::vector<std::string> args;
    // The child's environment as "NAME=value" entries; empty: this process's environment.
    std::vector<std::string> environment;
};

struct CaptureOptions {
    // Size of one read from each pipe (at least 1 byte is read at a time).
    int32_t out_read_size = 4096;
    int32_t err_read_size = 256;
    // A stop request ends the run at once: the child (its process group on POSIX) is killed.
    std::stop_token stop;
    // A run not finished by then is ended the same way. The default is no limit.
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
};

enum class CaptureStatus {
    kOk,               // both outputs hold every byte the child wrote
    kPipeFailed,       // a pipe could not be made
    kDuplicateFailed,  // a pipe end could not be made inheritable (Windows)
    kStartFailed,      // the program could not be started
    kReadFailed,       // reading an output failed; the child was ended
    kCrashed,          // the child was ended by a signal or an exception status: its output may
                       // have been cut short anywhere, so none of it is kept
    kStopped,          // ended by the stop request
    kTimedOut,         // ended at the deadline
};

struct CaptureResult {
    CaptureStatus status = CaptureStatus::kOk;
    // Both empty unless the status is kOk. On Windows each is converted once, at the end of the
    // run, from the ANSI code page to UTF-8.
    std::string out;
    std::string err;
    // Bytes read from each pipe before any conversion: what the read sizes are measured against.
    std::size_t out_bytes = 0;
    std::size_t err_bytes = 0;
    // The child's exit code when it ended by itself; -1 otherwise.
    int exit_code = -1;
};

// Starts the command with standard input an empty pipe that stays open, reads standard output and
// standard error concurrently until both close, and reaps the child before returning. The child
// inherits its three standard handles and nothing else, and (on POSIX) leads a process group of
// its own, so that ending it also ends whatever it started.
CaptureResult RunAndCapture(const ChildCommand& command, const CaptureOptions& options);

}  // namespace stallscan::platform
