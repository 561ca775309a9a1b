// Child processes on POSIX: posix_spawn with pipes, both outputs read concurrently with poll().

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>

#include "platform/platform.h"

extern char** environ;

namespace platform {

namespace {

constexpr int32_t kPipeCreateFailed = 2000;
constexpr int32_t kStartFailed = 2002;
constexpr int32_t kKilled = 2004;

// One run at a time.
std::mutex gRunMutex;

// What KillRunningChild needs to reach the run in progress. Guarded by gStateMutex.
std::mutex gStateMutex;
bool gRunActive = false;
bool gKillRequested = false;
pid_t gChildGroup = 0;  // 0 until started, and again once the child is about to be reaped
int gWakeWrite = -1;

// A descriptor closed at most once, on every way out.
class Fd {
  public:
    Fd() = default;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Close(); }
    int get() const { return m_fd; }
    void reset(int fd) {
        Close();
        m_fd = fd;
    }
    void Close() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

  private:
    int m_fd = -1;
};

// A close-on-exec pipe whose ends are both above the standard descriptors, so that moving the
// child's ends to 0, 1 and 2 can never overwrite another of them.
bool MakePipe(Fd& readEnd, Fd& writeEnd, int extraFlags = 0) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | extraFlags) != 0) {
        return false;
    }
    for (int& fd : fds) {
        if (fd <= 2) {
            const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
            ::close(fd);
            fd = moved;
        }
    }
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
    return fds[0] >= 0 && fds[1] >= 0;
}

// Registers the run so that KillRunningChild can wake it; clears the registration on exit.
class RunRegistration {
  public:
    explicit RunRegistration(int wakeWrite) {
        std::lock_guard lock(gStateMutex);
        gRunActive = true;
        gKillRequested = false;
        gChildGroup = 0;
        gWakeWrite = wakeWrite;
    }
    ~RunRegistration() {
        std::lock_guard lock(gStateMutex);
        gRunActive = false;
        gChildGroup = 0;
        gWakeWrite = -1;
    }
    // Makes the started child killable; kills it at once when a kill came during the start.
    void ChildStarted(pid_t pid) {
        std::lock_guard lock(gStateMutex);
        gChildGroup = pid;
        if (gKillRequested) {
            ::kill(-pid, SIGKILL);
        }
    }
    // The child has ended: a later kill must not reach its group id, which may be reused once
    // the child is reaped, and no longer changes the run's result.
    void ChildEnding() {
        std::lock_guard lock(gStateMutex);
        gRunActive = false;
        gChildGroup = 0;
    }
    bool KillRequested() const {
        std::lock_guard lock(gStateMutex);
        return gKillRequested;
    }
};

class SpawnSetup {
  public:
    SpawnSetup() {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawnattr_init(&attr);
    }
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // Child descriptors 0, 1, 2 from the pipes and nothing else; own process group; signals in
    // their default state and unblocked, whatever the calling thread had.
    bool Prepare(int in, int out, int err) {
        bool ok = ::posix_spawn_file_actions_adddup2(&actions, in, 0) == 0 &&
                  ::posix_spawn_file_actions_adddup2(&actions, out, 1) == 0 &&
                  ::posix_spawn_file_actions_adddup2(&actions, err, 2) == 0;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        ok = ok && ::posix_spawn_file_actions_addclosefrom_np(&actions, 3) == 0;
#endif
        // Handled signals are reset by posix_spawn itself; these are the ones a parent commonly
        // ignores, which would otherwise stay ignored in the child.
        sigset_t defaults;
        sigset_t none;
        sigemptyset(&defaults);
        for (int sig : {SIGPIPE, SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGCHLD}) {
            sigaddset(&defaults, sig);
        }
        sigemptyset(&none);
        ok = ok && ::posix_spawnattr_setpgroup(&attr, 0) == 0 &&
             ::posix_spawnattr_setsigdefault(&attr, &defaults) == 0 &&
             ::posix_spawnattr_setsigmask(&attr, &none) == 0 &&
             ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF |
                                                   POSIX_SPAWN_SETSIGMASK) == 0;
        return ok;
    }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
};

// One output pipe being drained into its text.
struct Stream {
    Fd fd;
    std::string text;
    size_t readSize = 1;
    std::unique_ptr<char[]> buffer;

    // Reads once. False on a read failure; closes the pipe at its end.
    bool ReadOnce() {
        if (!buffer) {
            buffer = std::make_unique_for_overwrite<char[]>(readSize);
        }
        ssize_t n;
        do {
            n = ::read(fd.get(), buffer.get(), readSize);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            return errno == EAGAIN;
        }
        if (n == 0) {
            fd.Close();
        } else {
            text.append(buffer.get(), static_cast<size_t>(n));
        }
        return true;
    }
};

enum class PollOutcome { Done, ReadFailed, Killed };

PollOutcome DrainOutputs(Stream& out, Stream& err, int wakeRead) {
    while (out.fd.get() >= 0 || err.fd.get() >= 0) {
        pollfd fds[3] = {
            {out.fd.get(), POLLIN, 0}, {err.fd.get(), POLLIN, 0}, {wakeRead, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return PollOutcome::ReadFailed;
        }
        if (fds[2].revents != 0) {
            return PollOutcome::Killed;
        }
        Stream* streams[2] = {&out, &err};
        for (int i = 0; i < 2; ++i) {
            if (fds[i].revents != 0 && !streams[i]->ReadOnce()) {
                return PollOutcome::ReadFailed;
            }
        }
    }
    return PollOutcome::Done;
}

// Waits for the child to end without reaping it, withdraws it from KillRunningChild, then reaps
// it, so that a kill never reaches a reused process group. True when the child was ended by a
// signal.
bool Reap(pid_t pid, RunRegistration& registration) {
    siginfo_t info;
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 &&
           errno == EINTR) {
    }
    registration.ChildEnding();
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFSIGNALED(status);
}

std::vector<char*> ArgVector(const std::string& nativeApp, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    if (args.empty()) {
        argv.push_back(const_cast<char*>(nativeApp.c_str()));
    }
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    return argv;
}

}  // namespace

CaptureResult RunAndCapture(const std::string& nativeApp, const std::string& /*commandLine*/,
                            const std::vector<std::string>& args, int32_t outReadSize,
                            int32_t errReadSize) {
    std::lock_guard runLock(gRunMutex);
    CaptureResult result;

    Fd inRead, inWrite, wakeRead, wakeWrite;
    Stream out, err;
    Fd outWrite, errWrite;
    out.readSize = outReadSize > 0 ? static_cast<size_t>(outReadSize) : 1;
    err.readSize = errReadSize > 0 ? static_cast<size_t>(errReadSize) : 1;
    if (!MakePipe(inRead, inWrite) || !MakePipe(out.fd, outWrite) || !MakePipe(err.fd, errWrite) ||
        !MakePipe(wakeRead, wakeWrite, O_NONBLOCK)) {
        result.code = kPipeCreateFailed;
        return result;
    }

    RunRegistration registration(wakeWrite.get());
    SpawnSetup setup;
    if (!setup.Prepare(inRead.get(), outWrite.get(), errWrite.get())) {
        result.code = kStartFailed;
        return result;
    }
    std::vector<char*> argv = ArgVector(nativeApp, args);
    pid_t pid = 0;
    if (::posix_spawn(&pid, nativeApp.c_str(), &setup.actions, &setup.attr, argv.data(), environ) !=
        0) {
        result.code = kStartFailed;
        return result;
    }
    registration.ChildStarted(pid);
    // The child's ends belong to the child now; the standard-input write end stays open (and
    // unused) until the run is over, so the child reads no input rather than an end of file.
    inRead.Close();
    outWrite.Close();
    errWrite.Close();

    const PollOutcome outcome = DrainOutputs(out, err, wakeRead.get());
    if (outcome == PollOutcome::ReadFailed) {
        std::lock_guard lock(gStateMutex);
        ::kill(-pid, SIGKILL);
    }
    out.fd.Close();
    err.fd.Close();
    inWrite.Close();
    const bool crashed = Reap(pid, registration);

    if (registration.KillRequested()) {
        result.code = kKilled;
    } else if (outcome == PollOutcome::ReadFailed || crashed) {
        // A child ended by a signal may have been cut short anywhere in its output; what it
        // wrote is not taken for a whole answer.
        result.code = kStartFailed;
    } else {
        result.out = std::move(out.text);
        result.err = std::move(err.text);
        result.outBytes = result.out.size();
        result.errBytes = result.err.size();
    }
    return result;
}

void KillRunningChild() {
    std::lock_guard lock(gStateMutex);
    if (!gRunActive) {
        return;
    }
    gKillRequested = true;
    if (gChildGroup > 0) {
        ::kill(-gChildGroup, SIGKILL);
    }
    if (gWakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(gWakeWrite, &byte, 1);
    }
}

}  // namespace platform
