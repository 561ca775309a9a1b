// stallscan-supervisor: the leader of a listing tool's process group, so that the group ends
// when stallscan does, however stallscan ends (SIGKILL included).
//
//   stallscan-supervisor PROGRAM ARG0 [ARG]...
//
// stallscan starts it (posix_spawn, in a process group of its own) with the tool's standard
// handles as 0, 1 and 2, the read end of a pipe whose write end only stallscan holds as 3, and
// the write end of a report pipe as 4. It starts PROGRAM in the same group with the standard
// handles and nothing else, writes one byte to 4 (0: started, 1: not started) and closes its own
// copies of the handles, so that the tool's outputs end when the tool (and what it started)
// closes them. Then it waits: when the tool ends, it ends the same way (an exit code as it is, a
// signal by raising the same signal); when descriptor 3 reports a hang-up (stallscan is gone), it
// kills the whole group, itself included.

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace {

constexpr int kLifeline = 3;
constexpr int kReport = 4;

// Ends this process as the tool ended.
[[noreturn]] void EndLike(int status) {
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        const rlimit no_core{0, 0};
        ::setrlimit(RLIMIT_CORE, &no_core);  // the tool's crash is not this process's core
        ::signal(sig, SIG_DFL);
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, sig);
        ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
        ::raise(sig);
        ::_exit(128 + sig);
    }
    ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
}

void OnChild(int) {}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return 127;
    }
    // SIGCHLD stays blocked but while waiting in ppoll, so that a tool's end always wakes it.
    sigset_t child_signal;
    sigset_t none;
    sigemptyset(&child_signal);
    sigaddset(&child_signal, SIGCHLD);
    sigemptyset(&none);
    ::sigprocmask(SIG_BLOCK, &child_signal, nullptr);
    struct sigaction action {};
    action.sa_handler = OnChild;
    ::sigaction(SIGCHLD, &action, nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawnattr_init(&attr);
    ::posix_spawn_file_actions_addclose(&actions, kLifeline);
    ::posix_spawn_file_actions_addclose(&actions, kReport);
    ::posix_spawnattr_setsigmask(&attr, &none);
    ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
    pid_t tool = 0;
    const bool started = ::posix_spawn(&tool, argv[1], &actions, &attr, argv + 2, environ) == 0;
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attr);
    const char report = started ? 0 : 1;
    [[maybe_unused]] const ssize_t written = ::write(kReport, &report, 1);
    ::close(kReport);
    ::close(0);
    ::close(1);
    ::close(2);
    if (!started) {
        return 127;
    }

    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(tool, &status, WNOHANG);
        if (ended == tool) {
            EndLike(status);
        }
        if (ended < 0 && errno != EINTR) {
            return 1;
        }
        pollfd lifeline{kLifeline, POLLIN, 0};
        if (::ppoll(&lifeline, 1, nullptr, &none) > 0 && lifeline.revents != 0) {
            ::kill(0, SIGKILL);  // stallscan is gone: the tool, what it started, and this
        }
    }
}
