// Child processes on POSIX: posix_spawn with pipes, both outputs read concurrently with poll().
// Each run keeps its own state; a stop request reaches it through a std::stop_callback, which
// kills the child's process group and wakes the poll through a pipe of the run's own.
//
// The child's group is led by stallscan-supervisor (when it is installed, see SupervisorPath),
// which starts the program in that group and kills the group when its lifeline, a pipe whose
// write end only this process holds, hangs up: so the program and whatever it started end with
// this process, however it ends. posix_spawn cannot set a parent-death signal, and one would
// reach only the program (not its children) and fire when the spawning thread ends.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <mutex>

#include "platform/child_process.h"

extern char** environ;

namespace stallscan::platform {

namespace {

using Clock = std::chrono::steady_clock;

// A descriptor closed at most once, on every way out.
class Fd {
  public:
    Fd() = default;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { Close(); }
    int get() const { return fd_; }
    void reset(int fd) {
        Close();
        fd_ = fd;
    }
    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_ = -1;
};

// The supervisor's lifeline and report descriptors; the child's descriptors end below kFirstFree.
constexpr int kLifeline = 3;
constexpr int kReport = 4;
constexpr int kFirstFree = 5;

// A close-on-exec pipe whose ends are both above the child's descriptors (0 to 4), so that moving
// the child's ends into place can never overwrite another of them.
bool MakePipe(Fd& read_end, Fd& write_end, int extra_flags = 0) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | extra_flags) != 0) {
        return false;
    }
    for (int& fd : fds) {
        if (fd < kFirstFree) {
            const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, kFirstFree);
            ::close(fd);
            fd = moved;
        }
    }
    read_end.reset(fds[0]);
    write_end.reset(fds[1]);
    return fds[0] >= 0 && fds[1] >= 0;
}

// What a stop request needs to reach this run: the child's process group and the wake pipe.
class RunState {
  public:
    explicit RunState(int wake_write) : wake_write_(wake_write) {}

    // From any thread: kills the child's group (once started) and wakes the run.
    void Stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        if (group_ > 0) {
            ::kill(-group_, SIGKILL);
        }
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(wake_write_, &byte, 1);
    }
    // Makes the started child reachable; kills it at once when the stop came during the start.
    void Started(pid_t pid) {
        std::lock_guard lock(mutex_);
        group_ = pid;
        if (stopped_) {
            ::kill(-pid, SIGKILL);
        }
    }
    void Kill() {
        std::lock_guard lock(mutex_);
        if (group_ > 0) {
            ::kill(-group_, SIGKILL);
        }
    }
    // The child has ended and is about to be reaped: its group id may be reused afterwards, so
    // nothing may be sent to it any more.
    void Ending() {
        std::lock_guard lock(mutex_);
        group_ = 0;
    }
    bool Stopped() {
        std::lock_guard lock(mutex_);
        return stopped_;
    }

  private:
    std::mutex mutex_;
    int wake_write_;
    pid_t group_ = 0;
    bool stopped_ = false;
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

    // Child descriptors 0, 1, 2 from the pipes (and for the supervisor 3 and 4, its lifeline and
    // report pipe; -1 for none) and nothing else; own process group; signals in their default
    // state and unblocked, whatever the calling thread had.
    bool Prepare(int in, int out, int err, int lifeline, int report) {
        bool ok = ::posix_spawn_file_actions_adddup2(&actions, in, 0) == 0 &&
                  ::posix_spawn_file_actions_adddup2(&actions, out, 1) == 0 &&
                  ::posix_spawn_file_actions_adddup2(&actions, err, 2) == 0;
        if (lifeline >= 0) {
            ok = ok && ::posix_spawn_file_actions_adddup2(&actions, lifeline, kLifeline) == 0 &&
                 ::posix_spawn_file_actions_adddup2(&actions, report, kReport) == 0;
        }
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        ok = ok && ::posix_spawn_file_actions_addclosefrom_np(
                       &actions, lifeline >= 0 ? kFirstFree : kLifeline) == 0;
#endif
        // Handled signals are reset by posix_spawn itself; these are the ones a parent commonly
        // ignores or blocks, which would otherwise stay so in the child.
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
    size_t read_size = 1;
    std::unique_ptr<char[]> buffer;

    // Reads once. False on a read failure; closes the pipe at its end.
    bool ReadOnce() {
        if (!buffer) {
            buffer = std::make_unique_for_overwrite<char[]>(read_size);
        }
        ssize_t n;
        do {
            n = ::read(fd.get(), buffer.get(), read_size);
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

enum class DrainOutcome { kDone, kReadFailed, kStopped, kTimedOut };

// Milliseconds for poll() until the deadline: -1 without one, 0 once it has passed.
int PollTimeout(Clock::time_point deadline) {
    if (deadline == Clock::time_point::max()) {
        return -1;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

DrainOutcome DrainOutputs(Stream& out, Stream& err, int wake_read, Clock::time_point deadline) {
    while (out.fd.get() >= 0 || err.fd.get() >= 0) {
        pollfd fds[3] = {
            {out.fd.get(), POLLIN, 0}, {err.fd.get(), POLLIN, 0}, {wake_read, POLLIN, 0}};
        const int ready = ::poll(fds, 3, PollTimeout(deadline));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return DrainOutcome::kReadFailed;
        }
        if (fds[2].revents != 0) {
            return DrainOutcome::kStopped;
        }
        if (ready == 0) {
            return DrainOutcome::kTimedOut;
        }
        Stream* streams[2] = {&out, &err};
        for (int i = 0; i < 2; ++i) {
            if (fds[i].revents != 0 && !streams[i]->ReadOnce()) {
                return DrainOutcome::kReadFailed;
            }
        }
    }
    return DrainOutcome::kDone;
}

// Waits for the child to end without reaping it, withdraws it from stop requests, then reaps it,
// so that a kill never reaches a reused process group. The child's wait status.
int Reap(pid_t pid, RunState& state) {
    siginfo_t info;
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 &&
           errno == EINTR) {
    }
    state.Ending();
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// The pointers of a vector of texts, ended by a null pointer.
std::vector<char*> Pointers(const std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (const std::string& text : texts) {
        pointers.push_back(const_cast<char*>(text.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

// stallscan-supervisor beside this program (the build's bin folder), or in the package's lib
// folder (/usr/bin/stallscan, /usr/lib/stallscan/stallscan-supervisor); empty when neither is
// there, and the child is then started directly.
const std::string& SupervisorPath() {
    static const std::string path = [] {
        std::error_code error;
        const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
        if (error) {
            return std::string();
        }
        for (const std::filesystem::path& candidate :
             {self.parent_path() / "stallscan-supervisor",
              self.parent_path().parent_path() / "lib" / "stallscan" / "stallscan-supervisor"}) {
            if (::access(candidate.c_str(), X_OK) == 0) {
                return candidate.string();
            }
        }
        return std::string();
    }();
    return path;
}

// Whether the supervisor started the program: its one byte on the report pipe. A supervisor
// that ended without one (killed by a stop) did not.
bool SupervisorStarted(int report) {
    char byte = 1;
    ssize_t n;
    do {
        n = ::read(report, &byte, 1);
    } while (n < 0 && errno == EINTR);
    return n == 1 && byte == 0;
}

std::vector<char*> ArgVector(const ChildCommand& command, const std::string& supervisor) {
    std::vector<char*> argv;
    if (!supervisor.empty()) {
        argv.push_back(const_cast<char*>(supervisor.c_str()));
        argv.push_back(const_cast<char*>(command.program.c_str()));
    }
    if (command.args.empty()) {
        argv.push_back(const_cast<char*>(command.program.c_str()));
    }
    for (const std::string& arg : command.args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    return argv;
}

}  // namespace

CaptureResult RunAndCapture(const ChildCommand& command, const CaptureOptions& options) {
    CaptureResult result;
    Fd in_read, in_write, wake_read, wake_write;
    Stream out, err;
    Fd out_write, err_write;
    out.read_size = static_cast<size_t>(std::max(options.out_read_size, 1));
    err.read_size = static_cast<size_t>(std::max(options.err_read_size, 1));
    if (!MakePipe(in_read, in_write) || !MakePipe(out.fd, out_write) ||
        !MakePipe(err.fd, err_write) || !MakePipe(wake_read, wake_write, O_NONBLOCK)) {
        result.status = CaptureStatus::kPipeFailed;
        return result;
    }

    RunState state(wake_write.get());
    // Runs at once when the stop was requested before; unregistered (and waited for, should it be
    // running on another thread) before anything it touches goes away.
    const std::stop_callback on_stop(options.stop, [&state] { state.Stop(); });
    if (state.Stopped()) {
        result.status = CaptureStatus::kStopped;
        return result;
    }
    // The lifeline's write end lives until this run returns, or until this process ends.
    const std::string& supervisor = SupervisorPath();
    Fd lifeline_read, lifeline_write, report_read, report_write;
    if (!supervisor.empty() &&
        (!MakePipe(lifeline_read, lifeline_write) || !MakePipe(report_read, report_write))) {
        result.status = CaptureStatus::kPipeFailed;
        return result;
    }
    SpawnSetup setup;
    if (!setup.Prepare(in_read.get(), out_write.get(), err_write.get(), lifeline_read.get(),
                       report_write.get())) {
        result.status = CaptureStatus::kStartFailed;
        return result;
    }
    std::vector<char*> argv = ArgVector(command, supervisor);
    std::vector<char*> envp = Pointers(command.environment);
    pid_t pid = 0;
    if (::posix_spawn(&pid, supervisor.empty() ? command.program.c_str() : supervisor.c_str(),
                      &setup.actions, &setup.attr, argv.data(),
                      command.environment.empty() ? environ : envp.data()) != 0) {
        result.status = CaptureStatus::kStartFailed;
        return result;
    }
    state.Started(pid);
    // The child's ends belong to the child now; the standard-input write end stays open (and
    // unused) until the run is over, so the child reads no input rather than an end of file.
    in_read.Close();
    out_write.Close();
    err_write.Close();
    lifeline_read.Close();
    report_write.Close();
    if (!supervisor.empty() && !SupervisorStarted(report_read.get()) && !state.Stopped()) {
        // The program could not be started: the supervisor has ended, nothing was written.
        in_write.Close();
        Reap(pid, state);
        result.status = CaptureStatus::kStartFailed;
        return result;
    }

    const DrainOutcome outcome = DrainOutputs(out, err, wake_read.get(), options.deadline);
    if (outcome != DrainOutcome::kDone) {
        state.Kill();
    }
    out.fd.Close();
    err.fd.Close();
    in_write.Close();
    const int wait_status = Reap(pid, state);
    const bool signalled = WIFSIGNALED(wait_status);
    result.exit_code = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;

    if (state.Stopped()) {
        result.status = CaptureStatus::kStopped;
    } else if (outcome == DrainOutcome::kTimedOut) {
        result.status = CaptureStatus::kTimedOut;
    } else if (outcome == DrainOutcome::kReadFailed) {
        result.status = CaptureStatus::kReadFailed;
    } else if (signalled) {
        result.status = CaptureStatus::kCrashed;
    } else {
        result.out = std::move(out.text);
        result.err = std::move(err.text);
        result.out_bytes = result.out.size();
        result.err_bytes = result.err.size();
    }
    return result;
}

}  // namespace stallscan::platform
