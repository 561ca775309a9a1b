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

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
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

// The processes running the program at `path` (POSIX: read from /proc; Windows: not told, -1).
inline int ProcessesOf(const std::filesystem::path& path) {
#ifdef _WIN32
    (void)path;
    return -1;
#else
    int count = 0;
    std::error_code ec;
    const auto target = std::filesystem::canonical(path, ec);
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        std::error_code link_ec;
        const auto exe = std::filesystem::read_symlink(entry.path() / "exe", link_ec);
        count += !link_ec && exe == target ? 1 : 0;
    }
    return count;
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
