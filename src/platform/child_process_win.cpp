// Child processes on Windows: three anonymous pipes, the child's ends made inheritable,
// CreateProcessA without a console and with those three as the only handles it inherits, and both
// outputs read concurrently by two reader threads.
// The child runs in a job object of its own that ends it, and what it started, when the run's or
// this process's last handle to the job closes.
// Each run keeps its own state: a stop request (through a std::stop_callback) or the deadline ends
// the child with TerminateProcess and cancels the readers' pending reads, so that the run returns
// at once even while another process still holds the pipes' write ends.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "platform/child_process.h"

namespace stallscan::platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT kKilledExitCode = 2004;

// How long a run waits for a child that it ended by force to be gone.
constexpr DWORD kEndWaitMs = 5000;

// A lock that never holds a kernel handle, so that counting this process's handles tells runs
// apart from the locks' own.
class SlimLock {
  public:
    void lock() { AcquireSRWLockExclusive(&lock_); }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

// A handle closed at most once, on every way out.
class Handle {
  public:
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }
    HANDLE get() const { return h_; }
    HANDLE* out() {
        Close();
        return &h_;
    }
    void reset(HANDLE h) {
        Close();
        h_ = h;
    }
    void Close() {
        if (h_ != nullptr) {
            CloseHandle(h_);
            h_ = nullptr;
        }
    }

  private:
    HANDLE h_ = nullptr;
};

// Replaces `h` by an inheritable duplicate of itself (the original is closed).
bool MakeInheritable(Handle& h) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), h.get(), GetCurrentProcess(), &copy, 0, TRUE,
                         DUPLICATE_SAME_ACCESS)) {
        return false;
    }
    h.reset(copy);
    return true;
}

// The three pipes of a run: index 0 standard input, 1 standard output, 2 standard error.
struct Pipes {
    Handle read[3];
    Handle write[3];

    // Creates the pipes (not inheritable) and replaces the child's ends by inheritable copies:
    // the read end of standard input and the write ends of the two outputs.
    CaptureStatus Create() {
        for (int i = 0; i < 3; ++i) {
            if (!CreatePipe(read[i].out(), write[i].out(), nullptr, 0)) {
                return CaptureStatus::kPipeFailed;
            }
        }
        if (!MakeInheritable(read[0]) || !MakeInheritable(write[1]) || !MakeInheritable(write[2])) {
            return CaptureStatus::kDuplicateFailed;
        }
        return CaptureStatus::kOk;
    }

    // The child has its copies: this process keeps only its own ends. The standard-input write
    // end stays open (and unused) until the run is over, so the child reads no input rather
    // than an end of file.
    void CloseChildEnds() {
        read[0].Close();
        write[1].Close();
        write[2].Close();
    }
};

// The list of handles a child may inherit: exactly its three standard handles, whatever else of
// this process is inheritable (its own standard handles, for one).
class InheritList {
  public:
    explicit InheritList(const Pipes& pipes)
        : handles_{pipes.read[0].get(), pipes.write[1].get(), pipes.write[2].get()} {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        buffer_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
        if (size > 0 && InitializeProcThreadAttributeList(list, 1, 0, &size)) {
            list_ = list;
            if (!UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_,
                                           sizeof(handles_), nullptr, nullptr)) {
                DeleteProcThreadAttributeList(list_);
                list_ = nullptr;
            }
        }
    }
    ~InheritList() {
        if (list_ != nullptr) {
            DeleteProcThreadAttributeList(list_);
        }
    }
    InheritList(const InheritList&) = delete;
    InheritList& operator=(const InheritList&) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

  private:
    HANDLE handles_[3];
    std::vector<char> buffer_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// Starts the child suspended, without a console, its standard handles on the pipes and inheriting
// nothing else; false when it cannot be started.
bool StartChild(const ChildCommand& command, const Pipes& pipes, PROCESS_INFORMATION& info) {
    const InheritList inherit(pipes);
    if (inherit.get() == nullptr) {
        return false;
    }
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = pipes.read[0].get();
    startup.StartupInfo.hStdOutput = pipes.write[1].get();
    startup.StartupInfo.hStdError = pipes.write[2].get();
    startup.lpAttributeList = inherit.get();
    std::string line = command.command_line;  // CreateProcessA may write into its command line
    // An environment block: the entries, each ended by NUL, then one more NUL.
    std::string environment;
    for (const std::string& entry : command.environment) {
        environment.append(entry).push_back('\0');
    }
    environment.push_back('\0');
    // A start that fails with an internal error (seen now and then under load, and not about the
    // program) is tried again; any other failure is the program's and final.
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessA(command.program.c_str(), line.data(), nullptr, nullptr, TRUE,
                           DETACHED_PROCESS | EXTENDED_STARTUPINFO_PRESENT | CREATE_SUSPENDED,
                           command.environment.empty() ? nullptr : environment.data(), nullptr,
                           &startup.StartupInfo, &info) != 0) {
            return true;
        }
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 3) {
            return false;
        }
        line = command.command_line;
        Sleep(10 * attempt);
    }
}

// What a stop request needs to reach this run: the child's process and the kill event.
class RunState {
  public:
    explicit RunState(HANDLE kill_event) : kill_event_(kill_event) {}
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;

    // From any thread: ends the child (once started) and wakes the run.
    void Stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        if (process_ != nullptr) {
            TerminateProcess(process_, kKilledExitCode);
        }
        SetEvent(kill_event_);
    }
    // Makes the started child reachable; ends it at once when the stop came during the start.
    void Started(HANDLE process) {
        std::lock_guard lock(mutex_);
        process_ = process;
        if (stopped_) {
            TerminateProcess(process, kKilledExitCode);
        }
    }
    // The run is over: a later stop changes nothing. True when a stop came before.
    bool Withdraw() {
        std::lock_guard lock(mutex_);
        process_ = nullptr;
        return stopped_;
    }
    bool Stopped() {
        std::lock_guard lock(mutex_);
        return stopped_;
    }

  private:
    SlimLock mutex_;
    HANDLE kill_event_;
    HANDLE process_ = nullptr;  // owned by the run; null until started and once it is over
    bool stopped_ = false;
};

// One output pipe drained into its bytes by a thread of its own.
struct Reader {
    // Reads of at most `size` bytes (at least 1) from `readEnd`.
    Reader(HANDLE readEnd, int32_t size)
        : pipe(readEnd), readSize(size > 0 ? static_cast<DWORD>(size) : 1) {}

    HANDLE pipe;
    DWORD readSize;
    std::string bytes;
    DWORD error = 0;  // 0 at a normal end of data
    std::atomic<bool> stop{false};
    Handle thread;

    static DWORD WINAPI Main(void* param) {
        static_cast<Reader*>(param)->ReadToEnd();
        return 0;
    }

    void ReadToEnd() {
        try {
            std::unique_ptr<char[]> buffer(new char[readSize]);
            while (!stop.load()) {
                DWORD n = 0;
                if (!ReadFile(pipe, buffer.get(), readSize, &n, nullptr)) {
                    // 0 or a broken pipe: the child closed its end, the normal end of data.
                    const DWORD err = GetLastError();
                    error = err == ERROR_BROKEN_PIPE ? 0 : err;
                    return;
                }
                bytes.append(buffer.get(), n);  // a read of 0 bytes: read again
            }
            error = ERROR_OPERATION_ABORTED;
        } catch (const std::bad_alloc&) {
            error = ERROR_NOT_ENOUGH_MEMORY;
        }
    }

    bool Start() {
        thread.reset(CreateThread(nullptr, 0, &Reader::Main, this, 0, nullptr));
        return thread.get() != nullptr;
    }

    // Makes the thread end whatever its read is waiting for, and waits until it has.
    void Stop() {
        if (thread.get() == nullptr) {
            return;
        }
        stop.store(true);
        // A cancel reaches only a read in progress; one that starts just after is cancelled by
        // the next round.
        while (WaitForSingleObject(thread.get(), 10) == WAIT_TIMEOUT) {
            CancelSynchronousIo(thread.get());
        }
    }

    bool Finished() const {
        return thread.get() == nullptr || WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0;
    }
};

enum class WaitOutcome { Done, ReadFailed, Crashed, Killed, TimedOut };

// Milliseconds to wait until the deadline: INFINITE without one, 0 once it has passed.
DWORD WaitTimeout(Clock::time_point deadline) {
    if (deadline == Clock::time_point::max()) {
        return INFINITE;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<DWORD>(std::clamp<long long>(left, 0, 1 << 30));
}

// Waits until both readers have reached the end of their data, one of them has failed, a kill is
// signalled or the deadline has passed.
WaitOutcome WaitForReaders(Reader& out, Reader& err, HANDLE killEvent, Clock::time_point deadline) {
    for (;;) {
        HANDLE waits[3] = {killEvent};
        DWORD count = 1;
        for (Reader* reader : {&out, &err}) {
            if (!reader->Finished()) {
                waits[count++] = reader->thread.get();
            } else if (reader->error != 0) {
                return WaitOutcome::ReadFailed;
            }
        }
        if (count == 1) {
            return WaitOutcome::Done;
        }
        const DWORD woken = WaitForMultipleObjects(count, waits, FALSE, WaitTimeout(deadline));
        if (woken == WAIT_OBJECT_0) {
            return WaitOutcome::Killed;
        }
        if (woken == WAIT_TIMEOUT) {
            return WaitOutcome::TimedOut;
        }
        if (woken == WAIT_FAILED) {
            return WaitOutcome::ReadFailed;  // cannot happen with valid handles
        }
    }
}

// Waits until the child, which has closed its outputs, has ended, or a kill is signalled. A
// child ended by an exception (a crash, a fail-fast abort: status 0xC0000000 and above) is
// Crashed: its output may have been cut short anywhere.
WaitOutcome WaitForChildEnd(HANDLE process, HANDLE killEvent, Clock::time_point deadline) {
    HANDLE waits[2] = {killEvent, process};
    const DWORD woken = WaitForMultipleObjects(2, waits, FALSE, WaitTimeout(deadline));
    if (woken == WAIT_OBJECT_0) {
        return WaitOutcome::Killed;
    }
    if (woken == WAIT_TIMEOUT) {
        return WaitOutcome::TimedOut;
    }
    DWORD exitCode = 0;
    if (woken != WAIT_OBJECT_0 + 1 || !GetExitCodeProcess(process, &exitCode)) {
        return WaitOutcome::ReadFailed;
    }
    return (exitCode & 0xC0000000u) == 0xC0000000u ? WaitOutcome::Crashed : WaitOutcome::Done;
}

// Text in the ANSI code page as UTF-8; every byte is converted, NUL characters included.
std::string AnsiToUtf8(const std::string& bytes) {
    const UINT codePage = GetACP();
    if (bytes.empty() || codePage == CP_UTF8 || bytes.size() > 0x3FFFFFFF) {
        return bytes;
    }
    const int n = static_cast<int>(bytes.size());
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, nullptr, 0);
    if (wideLength <= 0) {
        return bytes;
    }
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, wide.data(), wideLength);
    const int utf8Length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (utf8Length <= 0) {
        return bytes;
    }
    std::string utf8(static_cast<size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), utf8Length, nullptr,
                        nullptr);
    return utf8;
}

// Reads both outputs of a started child until they end, a read fails or a kill comes, then waits
// for the child to end.
WaitOutcome Drain(Reader& out, Reader& err, HANDLE process, HANDLE killEvent,
                  Clock::time_point deadline) {
    if (!out.Start() || !err.Start()) {
        return WaitOutcome::ReadFailed;
    }
    const WaitOutcome outcome = WaitForReaders(out, err, killEvent, deadline);
    return outcome == WaitOutcome::Done ? WaitForChildEnd(process, killEvent, deadline) : outcome;
}

}  // namespace

CaptureResult RunAndCapture(const ChildCommand& command, const CaptureOptions& options) {
    CaptureResult result;
    Pipes pipes;
    result.status = pipes.Create();
    if (result.status != CaptureStatus::kOk) {
        return result;
    }
    Handle kill_event;
    kill_event.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (kill_event.get() == nullptr) {
        result.status = CaptureStatus::kStartFailed;
        return result;
    }

    Handle process;  // declared before the state, which must let go of it first
    Handle thread;
    RunState state(kill_event.get());
    const std::stop_callback on_stop(options.stop, [&state] { state.Stop(); });
    if (state.Stopped()) {
        result.status = CaptureStatus::kStopped;
        return result;
    }
    // The child and whatever it starts run in a job object that ends them all when its last
    // handle closes: at the end of this run, or when this process ends, however it ends.
    Handle job;
    job.reset(CreateJobObjectA(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job.get() != nullptr &&
        !SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits)) {
        job.Close();
    }
    PROCESS_INFORMATION info{};
    if (!StartChild(command, pipes, info)) {
        result.status = CaptureStatus::kStartFailed;
        return result;
    }
    process.reset(info.hProcess);
    thread.reset(info.hThread);
    // Assigned before it runs, so that nothing it starts escapes the job. A job that cannot take
    // it (a system that refuses nested jobs) leaves the child as it was before job objects.
    if (job.get() != nullptr) {
        AssignProcessToJobObject(job.get(), process.get());
    }
    ResumeThread(thread.get());
    state.Started(process.get());
    pipes.CloseChildEnds();

    Reader out(pipes.read[1].get(), options.out_read_size);
    Reader err(pipes.read[2].get(), options.err_read_size);
    const WaitOutcome outcome =
        Drain(out, err, process.get(), kill_event.get(), options.deadline);
    const bool forced = outcome == WaitOutcome::ReadFailed || outcome == WaitOutcome::TimedOut;
    if (forced) {
        TerminateProcess(process.get(), kKilledExitCode);
    }
    out.Stop();
    err.Stop();
    const bool stopped = state.Withdraw();
    if (stopped || forced) {
        WaitForSingleObject(process.get(), kEndWaitMs);  // ended by force: let it be gone
    }
    if (stopped) {
        result.status = CaptureStatus::kStopped;
    } else if (outcome == WaitOutcome::TimedOut) {
        result.status = CaptureStatus::kTimedOut;
    } else if (outcome == WaitOutcome::ReadFailed) {
        result.status = CaptureStatus::kReadFailed;
    } else if (outcome == WaitOutcome::Crashed) {
        result.status = CaptureStatus::kCrashed;
    } else {
        DWORD exit_code = 0;
        if (GetExitCodeProcess(process.get(), &exit_code)) {
            result.exit_code = static_cast<int>(exit_code);
        }
        result.out_bytes = out.bytes.size();
        result.err_bytes = err.bytes.size();
        result.out = AnsiToUtf8(out.bytes);
        result.err = AnsiToUtf8(err.bytes);
    }
    return result;
}

}  // namespace stallscan::platform
