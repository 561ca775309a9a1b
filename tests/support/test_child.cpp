// A child process for the runner tests. The arguments are a list of actions, done in order:
//   out N / err N          write N bytes ('a' to 'z' repeated) to standard output / error
//   outtext T / errtext T  write the text T
//   nul N                  write N NUL bytes to standard output
//   both N                 write N bytes to each stream, alternating in 1000-byte pieces
//   sleep MS               sleep MS milliseconds
//   fds                    write the open descriptor numbers, blank-separated, to standard output
//   pgid                   write "own" when the process leads its own process group, else "shared"
//   grandchild MS          fork a process that keeps the pipes and sleeps MS milliseconds
//   exit C / abort / segv  end with exit code C / by abort() / by SIGSEGV
// With no action the program exits 0 without output.

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

void WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            std::_Exit(90);
        }
        done += static_cast<size_t>(n);
    }
}

std::string Pattern(size_t n) {
    std::string text(n, ' ');
    for (size_t i = 0; i < n; ++i) {
        text[i] = static_cast<char>('a' + i % 26);
    }
    return text;
}

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

void Sleep(long ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string action = argv[i];
        const std::string value = i + 1 < argc ? argv[i + 1] : "";
        const long number = std::atol(value.c_str());
        if (action == "out" || action == "err") {
            WriteAll(action == "out" ? 1 : 2, Pattern(static_cast<size_t>(number)));
        } else if (action == "outtext" || action == "errtext") {
            WriteAll(action == "outtext" ? 1 : 2, value);
        } else if (action == "nul") {
            WriteAll(1, std::string(static_cast<size_t>(number), '\0'));
        } else if (action == "both") {
            const std::string piece = Pattern(1000);
            for (long left = number; left > 0; left -= 1000) {
                const size_t n = left < 1000 ? static_cast<size_t>(left) : 1000;
                WriteAll(1, piece.substr(0, n));
                WriteAll(2, piece.substr(0, n));
            }
        } else if (action == "sleep") {
            Sleep(number);
        } else if (action == "fds") {
            WriteAll(1, OpenDescriptors());
            --i;
        } else if (action == "pgid") {
            WriteAll(1, ::getpgid(0) == ::getpid() ? "own" : "shared");
            --i;
        } else if (action == "grandchild") {
            const pid_t pid = ::fork();
            if (pid == 0) {
                Sleep(number);
                std::_Exit(0);
            }
        } else if (action == "exit") {
            return static_cast<int>(number);
        } else if (action == "abort") {
            std::abort();
        } else if (action == "segv") {
            ::signal(SIGSEGV, SIG_DFL);  // no handler (a sanitizer's) gets to write a report
            ::raise(SIGSEGV);
        } else {
            return 99;
        }
        ++i;  // every action but fds and pgid takes one value
    }
    return 0;
}
