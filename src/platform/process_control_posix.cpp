// Termination requests on POSIX: the signals are blocked in every thread and taken by a thread of
// the watch with sigwaitinfo, so that the handling runs as ordinary code (it may lock and stop
// runs), not in a signal handler. The end of the watch wakes that thread with a real-time signal
// of its own, so that a program ends at once rather than at the thread's next look.

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <stop_token>
#include <thread>

#include "platform/process_control.h"

namespace stallscan::platform {

namespace {

int WakeSignal() {
    return SIGRTMIN;
}

}  // namespace

struct TerminationWatch::State {
    sigset_t signals;
    sigset_t previous_mask;
    std::jthread thread;
};

TerminationWatch::TerminationWatch(std::function<void(int signal)> on_request)
    : state_(new State) {
    sigemptyset(&state_->signals);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, WakeSignal()}) {
        sigaddset(&state_->signals, sig);
    }
    pthread_sigmask(SIG_BLOCK, &state_->signals, &state_->previous_mask);
    state_->thread = std::jthread([state = state_, on_request = std::move(on_request)](
                                      std::stop_token stop) {
        bool requested = false;
        while (!stop.stop_requested()) {
            const int sig = sigwaitinfo(&state->signals, nullptr);
            if (sig > 0 && sig != WakeSignal() && !requested) {
                requested = true;
                on_request(sig);
            }
        }
    });
}

TerminationWatch::~TerminationWatch() {
    // The stop is seen once sigwaitinfo returns, which the wake signal makes it do at once.
    state_->thread.request_stop();
    pthread_kill(state_->thread.native_handle(), WakeSignal());
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
