// Termination requests on Windows: a console control handler, which the system calls on a thread
// of its own.

#include <io.h>
#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <mutex>

#include "platform/process_control.h"

namespace stallscan::platform {

namespace {

std::mutex gWatchMutex;
std::function<void(int)>* gOnRequest = nullptr;
std::atomic<bool> gRequested{false};

BOOL WINAPI OnControl(DWORD event) {
    int sig = 0;
    switch (event) {
        case CTRL_C_EVENT:
            sig = SIGINT;
            break;
        case CTRL_BREAK_EVENT:
            sig = SIGBREAK;
            break;
        case CTRL_CLOSE_EVENT:
            sig = SIGTERM;
            break;
        default:
            return FALSE;
    }
    std::lock_guard lock(gWatchMutex);
    if (gOnRequest != nullptr && !gRequested.exchange(true)) {
        (*gOnRequest)(sig);
    }
    return TRUE;
}

}  // namespace

struct TerminationWatch::State {
    std::function<void(int)> on_request;
};

TerminationWatch::TerminationWatch(std::function<void(int signal)> on_request)
    : state_(new State{std::move(on_request)}) {
    std::lock_guard lock(gWatchMutex);
    gOnRequest = &state_->on_request;
    gRequested = false;
    SetConsoleCtrlHandler(OnControl, TRUE);
}

TerminationWatch::~TerminationWatch() {
    SetConsoleCtrlHandler(OnControl, FALSE);
    {
        std::lock_guard lock(gWatchMutex);
        gOnRequest = nullptr;
    }
    delete state_;
}

void IgnoreBrokenPipe() {}

bool StandardErrorIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

bool StandardOutputIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}

}  // namespace stallscan::platform
