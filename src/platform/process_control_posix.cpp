// Termination requests on POSIX: the signals are blocked in every thread and taken by a thread of
// the watch with sigtimedwait, so that the handling runs as ordinary code (it may lock and stop
// runs), not in a signal handler.

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <ctime>
#include <thread>

#include "platform/process_control.h"

namespace stallscan::platform {

struct TerminationWatch::State {
    sigset_t signals;
    sigset_t previous_mask;
    std::atomic<bool> done{false};
    std::thread thread;
};

TerminationWatch::TerminationWatch(std::function<void(int signal)> on_request)
    : state_(new State) {
    sigemptyset(&state_->signals);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&state_->signals, sig);
    }
    pthread_sigmask(SIG_BLOCK, &state_->signals, &state_->previous_mask);
    state_->thread = std::thread([state = state_, on_request = std::move(on_request)] {
        bool requested = false;
        const timespec interval{0, 100 * 1000 * 1000};
        while (!state->done.load()) {
            const int sig = sigtimedwait(&state->signals, nullptr, &interval);
            if (sig > 0 && !requested) {
                requested = true;
                on_request(sig);
            }
        }
    });
}

TerminationWatch::~TerminationWatch() {
    state_->done = true;
    state_->thread.join();
    pthread_sigmask(SIG_SETMASK, &state_->previous_mask, nullptr);
    delete state_;
}

void IgnoreBrokenPipe() {
    signal(SIGPIPE, SIG_IGN);
}

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

bool StandardOutputIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

}  // namespace stallscan::platform
