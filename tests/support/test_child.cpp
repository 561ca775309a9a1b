// A child process for the runner tests. The arguments are a list of actions, done in order:
//   out N / err N          write N bytes ('a' to 'z' repeated) to standard output / error
//   outtext T / errtext T  write the text T
//   nul N                  write N NUL bytes to standard output
//   sleep MS               sleep MS milliseconds
//   fds                    (POSIX) write the open descriptor numbers, blank-separated, to standard
//                          output
//   pgid                   (POSIX) write the process group's id
//   handle H               (Windows) write "open" when handle value H is open here, else "closed"
//   grandchild MS          fork a process that keeps the pipes and sleeps MS milliseconds
//   mark PATH              write "PID GRANDCHILD" (0 without one) to the file PATH, which appears
//                          whole
//   abort                  end by abort()
// With no action the program exits 0 without output; an unknown action ends it with 99. On Windows
// "grandchild" starts this program with "sleep MS" holding the same standard handles, and "abort"
// ends the process with the status of a fail-fast abort (without a debugger being called in).

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <dirent.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "test_os.h"

namespace {

long grandchild = 0;  // the process that "grandchild" started

void WriteAll(int fd, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
#ifdef _WIN32
        const int n = ::_write(fd, bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
#else
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
#endif
        if (n <= 0) {
            std::_Exit(90);
        }
        done += static_cast<size_t>(n);
    }
}

#ifdef _WIN32
bool IsOpen(unsigned long long value) {
    DWORD flags = 0;
    return GetHandleInformation(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value)), &flags);
}

void StartGrandchild(long ms) {
    char self[MAX_PATH];
    if (GetModuleFileNameA(nullptr, self, MAX_PATH) == 0) {
        std::_Exit(91);
    }
    std::string line = "test_child sleep " + std::to_string(ms);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(self, line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &info)) {
        std::_Exit(91);
    }
    grandchild = static_cast<long>(info.dwProcessId);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

long OwnId() {
    return static_cast<long>(GetCurrentProcessId());
}

[[noreturn]] void Abort() {
    // The status that abort() of the current C runtime ends a process with.
    TerminateProcess(GetCurrentProcess(), 0xC0000409);
    std::_Exit(92);
}
#else
std::string OpenDescriptors() {
    std::string list;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) {
        return "?";
    }
    const int own = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own) {
            continue;
        }
        list += list.empty() ? "" : " ";
        list += entry->d_name;
    }
    ::closedir(dir);
    return list;
}

[[noreturn]] void Abort() {
    std::abort();
}

void StartGrandchild(long ms) {
    grandchild = ::fork();
    if (grandchild == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        std::_Exit(0);
    }
}

long OwnId() {
    return static_cast<long>(::getpid());
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    _setmode(1, _O_BINARY);  // bytes as written, no CR before each LF
    _setmode(2, _O_BINARY);
#endif
    for (int i = 1; i < argc; ++i) {
        const std::string action = argv[i];
        const std::string value = i + 1 < argc ? argv[i + 1] : "";
        const long number = std::atol(value.c_str());
        if (action == "out" || action == "err") {
            WriteAll(action == "out" ? 1 : 2, test_os::Pattern(static_cast<size_t>(number)));
        } else if (action == "outtext" || action == "errtext") {
            WriteAll(action == "outtext" ? 1 : 2, value);
        } else if (action == "nul") {
            WriteAll(1, std::string(static_cast<size_t>(number), '\0'));
        } else if (action == "sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(number));
#ifdef _WIN32
        } else if (action == "handle") {
            WriteAll(1, IsOpen(std::strtoull(value.c_str(), nullptr, 10)) ? "open" : "closed");
#else
        } else if (action == "fds") {
            WriteAll(1, OpenDescriptors());
            --i;
        } else if (action == "pgid") {
            WriteAll(1, std::to_string(::getpgid(0)));
            --i;
#endif
        } else if (action == "grandchild") {
            StartGrandchild(number);
        } else if (action == "mark") {
            const std::string part = value + ".part";
            std::ofstream(part) << OwnId() << " " << grandchild << "\n";
            std::filesystem::rename(part, value);
        } else if (action == "abort") {
            Abort();
        } else {
            return 99;
        }
        ++i;  // every action but fds and pgid takes one value
    }
    return 0;
}
