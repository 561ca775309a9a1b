// Operating-system services that tests need on POSIX and Windows alike: environment changes, the
// process id, "no child process left", temporary directories and files, command lines and program
// file names.
#pragma once

#ifdef _WIN32
#include <windows.h>
// after windows.h, which it needs
#include <stdlib.h>
#include <tlhelp32.h>
#else
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace test_os {

// Sets or (with an empty value) removes an environment variable of this process; children
// started afterwards see the change.
inline void SetEnv(const std::string& name, const std::string& value) {
#ifdef _WIN32
    SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
    _putenv((name + "=" + value).c_str());  // the C runtime's copy, for getenv()
#else
    value.empty() ? ::unsetenv(name.c_str()) : ::setenv(name.c_str(), value.c_str(), 1);
#endif
}

inline void UnsetEnv(const std::string& name) {
    SetEnv(name, "");
}

inline long ProcessId() {
#ifdef _WIN32
    return static_cast<long>(GetCurrentProcessId());
#else
    return static_cast<long>(::getpid());
#endif
}

// True when this process has no child left: on POSIX none running or unreaped, on Windows none
// running (a process whose parent is this one).
inline bool NoChildLeft() {
#ifdef _WIN32
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return false;
    }
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    bool none = true;
    for (BOOL more = Process32First(snapshot, &entry); more && none;
         more = Process32Next(snapshot, &entry)) {
        none = entry.th32ParentProcessID != GetCurrentProcessId();
    }
    CloseHandle(snapshot);
    return none;
#else
    return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
#endif
}

// How many times longer than on an idle machine a test may wait for what must happen: 4 under
// the sanitizers, which make every program several times slower, else 1; multiplied by
// STALLSCAN_TEST_SLOWDOWN (a whole number) where a machine is busier still. These are limits
// only: a test that passes never waits for one.
inline int Slowdown() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    int factor = 4;
#else
    int factor = 1;
#endif
    if (const char* extra = std::getenv("STALLSCAN_TEST_SLOWDOWN")) {
        factor *= std::max(1, std::atoi(extra));
    }
    return factor;
}

template <typename Duration>
Duration Scaled(Duration limit) {
    return limit * Slowdown();
}

// Looks at `done` every 10 ms until it holds (true) or `limit` has passed (false).
template <typename Predicate>
bool WaitUntil(Predicate done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A running process (not a zombie) of the program at `path`, and its parent.
struct Process {
    int pid;
    int parent;
};

// The processes running the program at `path` (POSIX: read from /proc; Windows: none).
inline std::vector<Process> ProcessesRunning(const std::filesystem::path& path) {
    std::vector<Process> found;
#ifdef _WIN32
    (void)path;
#else
    std::error_code ec;
    const auto target = std::filesystem::canonical(path, ec);
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        std::error_code link_ec;
        const auto exe = std::filesystem::read_symlink(entry.path() / "exe", link_ec);
        if (link_ec || exe != target) {
            continue;
        }
        // "PID (NAME) STATE PARENT ...": the name may hold blanks and parentheses.
        std::ifstream stat_file(entry.path() / "stat");
        std::string stat((std::istreambuf_iterator<char>(stat_file)), {});
        const size_t name_end = stat.rfind(") ");
        if (name_end == std::string::npos) {
            continue;
        }
        char state = 0;
        int parent = 0;
        std::istringstream(stat.substr(name_end + 2)) >> state >> parent;
        if (state != 'Z' && state != 'X') {
            found.push_back({std::atoi(entry.path().filename().c_str()), parent});
        }
    }
#endif
    return found;
}

// The number of ProcessesRunning (POSIX; Windows: not told, -1).
inline int ProcessesOf(const std::filesystem::path& path) {
#ifdef _WIN32
    (void)path;
    return -1;
#else
    return static_cast<int>(ProcessesRunning(path).size());
#endif
}

// True when a process of the program at `path` was started by another one of it.
inline bool StartedItself(const std::filesystem::path& path) {
    const std::vector<Process> running = ProcessesRunning(path);
    return std::any_of(running.begin(), running.end(), [&](const Process& child) {
        return std::any_of(running.begin(), running.end(),
                           [&](const Process& parent) { return parent.pid == child.parent; });
    });
}

// True when process `pid` has ended (POSIX: it is gone or a zombie).
inline bool Ended(int pid) {
#ifdef _WIN32
    (void)pid;
    return true;
#else
    std::ifstream stat_file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(stat_file)), {});
    const size_t name_end = stat.rfind(") ");
    return name_end == std::string::npos || stat[name_end + 2] == 'Z' ||
           stat[name_end + 2] == 'X';
#endif
}

// Runs one task on a thread of its own, waits for it with a time limit and sleeps briefly. On
// Windows the thread library keeps a few handles from the first thread of a process and from the
// first wait of the calling thread, so counts of open handles taken after this compare like with
// like.
inline void WarmUpThreads() {
    std::future<void> done = std::async(std::launch::async, [] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // so that the wait waits
    });
    done.wait_for(std::chrono::seconds(10));
    done.get();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// `n` bytes of 'a' to 'z' repeated: what the test child writes for "out N".
inline std::string Pattern(size_t n) {
    std::string text(n, ' ');
    for (size_t i = 0; i < n; ++i) {
        text[i] = static_cast<char>('a' + i % 26);
    }
    return text;
}

// An empty directory "stallscan-<name>-<process id>" in the temporary directory; the caller
// removes it.
inline std::filesystem::path FreshDir(const std::string& name) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("stallscan-" + name + "-" + std::to_string(ProcessId()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// Writes exactly `bytes` to the file at `path`.
inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A Windows command line for `args`: args[0], the program, which knows no escapes, quoted when
// it holds blanks; each other argument written so that the C runtime splits it back unchanged:
// quoted when empty or holding blanks, tabs or quotes, backslashes doubled where they precede a
// quote.
inline std::string CommandLine(const std::vector<std::string>& args) {
    std::string line =
        args.at(0).find_first_of(" \t") == std::string::npos ? args[0] : '"' + args[0] + '"';
    for (size_t i = 1; i < args.size(); ++i) {
        if (!args[i].empty() && args[i].find_first_of(" \t\n\v\"") == std::string::npos) {
            line += " " + args[i];
            continue;
        }
        line += " \"";
        size_t backslashes = 0;
        for (const char c : args[i]) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
            backslashes = 0;
            line += c;
        }
        line.append(backslashes * 2, '\\');
        line += '"';
    }
    return line;
}

// The file name of a program called `name` on this system ("kvls", or "kvls.exe" on Windows).
inline std::string ProgramFileName(const std::string& name) {
#ifdef _WIN32
    return name + ".exe";
#else
    return name;
#endif
}

}  // namespace test_os
