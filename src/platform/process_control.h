#pragma once
// How this process meets the outside while it runs: requests to end it (signals, the console's
// Ctrl+C), a reader that went away, and whether an output is a terminal.

#include <functional>

namespace stallscan::platform {

// While a watch lives, a request to end the process (SIGINT, SIGTERM or SIGHUP on POSIX; Ctrl+C,
// Ctrl+Break or closing the console on Windows) does not end it: `on_request` is called with the
// signal's number (on a thread of the watch; the first request only), and the program ends in
// its own time. Make it before any other thread, so that no thread but the watch receives them.
class TerminationWatch {
  public:
    explicit TerminationWatch(std::function<void(int signal)> on_request);
    ~TerminationWatch();
    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

  private:
    struct State;
    State* state_;
};

// Writing to a pipe whose reader has gone fails with an error instead of ending the process.
void IgnoreBrokenPipe();

// True when standard error is a terminal (a person is watching).
bool StandardErrorIsTerminal();

// True when standard output is a terminal.
bool StandardOutputIsTerminal();

}  // namespace stallscan::platform
