// Child processes on Windows: three anonymous pipes, the child's ends made inheritable,
// CreateProcessA without a console, and both outputs read concurrently by two reader threads.
// A kill ends the child with TerminateProcess and cancels the readers' pending reads, so that the
// run returns at once even while another process still holds the pipes' write ends.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>

#include "platform/platform.h"

namespace platform {

namespace {

constexpr int32_t kPipeCreateFailed = 2000;
constexpr int32_t kDuplicateFailed = 2001;
constexpr int32_t kStartFailed = 2002;
constexpr int32_t kKilled = 2004;
constexpr UINT kKilledExitCode = 2004;

// How long a run waits for a child that it ended by force to be gone.
constexpr DWORD kEndWaitMs = 5000;

// A lock that never holds a kernel handle, so that counting this process's handles tells runs
// apart from the locks' own.
class SlimLock {
  public:
    void lock() { AcquireSRWLockExclusive(&m_lock); }
    void unlock() { ReleaseSRWLockExclusive(&m_lock); }

  private:
    SRWLOCK m_lock = SRWLOCK_INIT;
};

// One run at a time.
SlimLock gRunMutex;

// What KillRunningChild needs to reach the run in progress. Guarded by gStateMutex.
SlimLock gStateMutex;
bool gRunActive = false;
bool gKillRequested = false;
HANDLE gChildProcess = nullptr;  // owned by the run; null until started and once it is over
HANDLE gKillEvent = nullptr;

// A handle closed at most once, on every way out.
class Handle {
  public:
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }
    HANDLE get() const { return m_h; }
    HANDLE* out() {
        Close();
        return &m_h;
    }
    void reset(HANDLE h) {
        Close();
        m_h = h;
    }
    void Close() {
        if (m_h != nullptr) {
            CloseHandle(m_h);
            m_h = nullptr;
        }
    }

  private:
    HANDLE m_h = nullptr;
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

// Registers the run so that KillRunningChild can reach it; clears the registration on exit.
class RunRegistration {
  public:
    explicit RunRegistration(HANDLE killEvent) {
        std::lock_guard lock(gStateMutex);
        gRunActive = true;
        gKillRequested = false;
        gChildProcess = nullptr;
        gKillEvent = killEvent;
    }
    ~RunRegistration() { Withdraw(); }
    RunRegistration(const RunRegistration&) = delete;
    RunRegistration& operator=(const RunRegistration&) = delete;

    // Makes the started child killable; ends it at once when a kill came during the start.
    void ChildStarted(HANDLE process) {
        std::lock_guard lock(gStateMutex);
        gChildProcess = process;
        if (gKillRequested) {
            TerminateProcess(process, kKilledExitCode);
        }
    }
    // The run is over: a later kill changes nothing. True when a kill came before.
    bool Withdraw() {
        std::lock_guard lock(gStateMutex);
        gRunActive = false;
        gChildProcess = nullptr;
        gKillEvent = nullptr;
        return gKillRequested;
    }
};

// One output pipe drained into its bytes by a thread of its own.
struct Reader {
    HANDLE pipe = nullptr;
    DWORD readSize = 1;
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
                    const DWORD err = GetLastError();
                    // The child closed its end: the normal end of data.
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

enum class WaitOutcome { Done, ReadFailed, Crashed, Killed };

// Waits until both readers have reached the end of their data, one of them has failed, or a
// kill is signalled.
WaitOutcome WaitForReaders(Reader& out, Reader& err, HANDLE killEvent) {
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
        const DWORD woken = WaitForMultipleObjects(count, waits, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0) {
            return WaitOutcome::Killed;
        }
        if (woken == WAIT_FAILED) {
            return WaitOutcome::ReadFailed;  // cannot happen with valid handles
        }
    }
}

// Waits until the child, which has closed its outputs, has ended, or a kill is signalled. A
// child ended by an exception (a crash, a fail-fast abort: status 0xC0000000 and above) counts as
// a failed read, since its output may have been cut short anywhere.
WaitOutcome WaitForChildEnd(HANDLE process, HANDLE killEvent) {
    HANDLE waits[2] = {killEvent, process};
    const DWORD woken = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0) {
        return WaitOutcome::Killed;
    }
    DWORD exitCode = 0;
    if (woken != WAIT_OBJECT_0 + 1 || !GetExitCodeProcess(process, &exitCode)) {
        return WaitOutcome::ReadFailed;
    }
    return (exitCode & 0xC0000000u) == 0xC0000000u ? WaitOutcome::Crashed : WaitOutcome::Done;
}

// The result of a run whose read failed: the child's exit code at that moment (259 while it
// still runs), or 2002 when that cannot be told or would read as success or a soft outcome.
int32_t ReadFailureCode(HANDLE process) {
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process, &exitCode)) {
        return kStartFailed;
    }
    const auto code = static_cast<int32_t>(exitCode);
    return code == 0 || (code >= 900 && code <= 903) ? kStartFailed : code;
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

DWORD ReadSize(int32_t size) {
    return size > 0 ? static_cast<DWORD>(size) : 1;
}

}  // namespace

CaptureResult RunAndCapture(const std::string& nativeApp, const std::string& commandLine,
                            const std::vector<std::string>& /*args*/, int32_t outReadSize,
                            int32_t errReadSize) {
    std::lock_guard runLock(gRunMutex);
    CaptureResult result;

    // Index 0 standard input, 1 standard output, 2 standard error.
    Handle pipeRead[3];
    Handle pipeWrite[3];
    for (int i = 0; i < 3; ++i) {
        if (!CreatePipe(pipeRead[i].out(), pipeWrite[i].out(), nullptr, 0)) {
            result.code = kPipeCreateFailed;
            return result;
        }
    }
    // The child's ends: it reads standard input and writes the two outputs.
    if (!MakeInheritable(pipeRead[0]) || !MakeInheritable(pipeWrite[1]) ||
        !MakeInheritable(pipeWrite[2])) {
        result.code = kDuplicateFailed;
        return result;
    }
    Handle killEvent;
    killEvent.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (killEvent.get() == nullptr) {
        result.code = kStartFailed;
        return result;
    }

    Handle process;  // declared before the registration, which must let go of it first
    Handle thread;
    RunRegistration registration(killEvent.get());
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = pipeRead[0].get();
    startup.hStdOutput = pipeWrite[1].get();
    startup.hStdError = pipeWrite[2].get();
    PROCESS_INFORMATION info{};
    std::string line = commandLine;  // CreateProcessA may write into its command line
    if (!CreateProcessA(nativeApp.c_str(), line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS,
                        nullptr, nullptr, &startup, &info)) {
        result.code = kStartFailed;
        return result;
    }
    process.reset(info.hProcess);
    thread.reset(info.hThread);
    registration.ChildStarted(process.get());
    // The child's ends belong to the child now; the standard-input write end stays open (and
    // unused) until the run is over, so the child reads no input rather than an end of file.
    pipeRead[0].Close();
    pipeWrite[1].Close();
    pipeWrite[2].Close();

    Reader out;
    Reader err;
    out.pipe = pipeRead[1].get();
    out.readSize = ReadSize(outReadSize);
    err.pipe = pipeRead[2].get();
    err.readSize = ReadSize(errReadSize);
    const bool started = out.Start() && err.Start();
    WaitOutcome outcome = started ? WaitForReaders(out, err, killEvent.get()) : WaitOutcome::Killed;
    if (outcome == WaitOutcome::Done) {
        outcome = WaitForChildEnd(process.get(), killEvent.get());
    }
    const bool readFailed = outcome == WaitOutcome::ReadFailed;
    if (readFailed) {
        result.code = ReadFailureCode(process.get());
    } else if (outcome == WaitOutcome::Crashed) {
        result.code = kStartFailed;
    }
    if (!started || readFailed) {
        TerminateProcess(process.get(), kKilledExitCode);
    }
    out.Stop();
    err.Stop();
    const bool killed = registration.Withdraw();
    if (killed || !started || readFailed) {
        WaitForSingleObject(process.get(), kEndWaitMs);  // ended by force: let it be gone
    }

    if (killed) {
        result.code = kKilled;
    } else if (!started) {
        result.code = kStartFailed;
    }
    if (result.code == 0) {
        result.outBytes = out.bytes.size();
        result.errBytes = err.bytes.size();
        result.out = AnsiToUtf8(out.bytes);
        result.err = AnsiToUtf8(err.bytes);
    }
    return result;
}

void KillRunningChild() {
    std::lock_guard lock(gStateMutex);
    if (!gRunActive) {
        return;
    }
    gKillRequested = true;
    if (gChildProcess != nullptr) {
        TerminateProcess(gChildProcess, kKilledExitCode);
    }
    if (gKillEvent != nullptr) {
        SetEvent(gKillEvent);
    }
}

}  // namespace platform
