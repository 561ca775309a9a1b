// kvls: the stand-in listing tool. Answers listing command lines from a print-system model in a
// folder (KVLS_DATA, default <exe dir>/../data). See README.md.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "command_line.h"
#include "export.h"
#include "faults.h"
#include "listing.h"
#include "store.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using kvls::Answer;
using kvls::Fault;

constexpr const char* kUsage =
    "usage: kvls CLASS [-x domain-name=D] [-x scope=N] [-r \"names\"|\"all\"] [-sl]\r\n"
    "            [-F | -f \"filter\"] NAME\r\n"
    "       kvls --export-pseudo DIR\r\n"
    "CLASS: -cs -cp -cq -cj -cd -c i-v-j -c i-v-d. Model folder: KVLS_DATA or <exe "
    "dir>/../data.\r\n";

const char* Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

// The arguments as one line: an argument holding blanks, quotes or backslashes, or an empty one,
// is put in double quotes with \" and \\ escaped.
std::string ArgumentLine(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& arg : args) {
        if (!line.empty()) {
            line += ' ';
        }
        if (!arg.empty() && arg.find_first_of(" \t\"\\") == std::string::npos) {
            line += arg;
            continue;
        }
        line += '"';
        for (char c : arg) {
            if (c == '"' || c == '\\') {
                line += '\\';
            }
            line += c;
        }
        line += '"';
    }
    return line;
}

void AppendLogLine(const char* path, const std::string& line) {
#ifdef _WIN32
    // Append access (the lock needs read access too), and the file locked while writing, so that
    // parallel runs each add their whole line: the C library's "a" seeks first, and two runs may
    // overwrite each other's line.
    const HANDLE file =
        CreateFileA(path, GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        OVERLAPPED whole{};
        const bool locked =
            LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
        const std::string text = line + "\n";
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        if (locked) {
            UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
        }
        CloseHandle(file);
    }
#else
    if (std::FILE* f = std::fopen(path, "ab")) {
        std::setvbuf(f, nullptr, _IONBF, 0);  // one write per line keeps parallel runs apart
        const std::string text = line + "\n";
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
#endif
}

// This program's file: where the system tells, else argv[0].
fs::path OwnFile(const char* argv0) {
    std::error_code ec;
#ifdef _WIN32
    wchar_t name[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, name, MAX_PATH);
    fs::path exe;
    if (n == 0 || n == MAX_PATH) {
        ec = std::make_error_code(std::errc::filename_too_long);
    } else {
        exe = fs::path(std::wstring(name, n));
    }
#else
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
#endif
    if (ec) {
        exe = fs::absolute(argv0, ec);
    }
    return exe;
}

fs::path ModelRoot(const char* argv0) {
    if (const char* data = Env("KVLS_DATA")) {
        return data;
    }
    return OwnFile(argv0).parent_path().parent_path() / "data";
}

[[noreturn]] void Crash() {
    std::fflush(stdout);
#ifdef _WIN32
    // The status of a fail-fast abort, which tells a crash from an exit code.
    TerminateProcess(GetCurrentProcess(), 0xC0000409);
#elif defined(SIGKILL)
    std::raise(SIGKILL);  // dies by a signal without leaving a core file
#endif
    std::abort();
}

void Write(std::FILE* f, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), f);
}

int Deliver(const Answer& answer, const Fault& fault) {
    switch (fault.kind) {
        case Fault::Kind::kCrashAfter:
            std::fwrite(
                answer.out.data(), 1,
                static_cast<std::size_t>(std::min<std::uint64_t>(answer.out.size(), fault.count)),
                stdout);
            Crash();
        case Fault::Kind::kBytes:
            kvls::WritePadded(stdout, answer.out, fault.count);
            break;
        default:
            Write(stdout, answer.out);
    }
    Write(stderr, answer.err);
    return answer.exit_code;
}

int RunExport(const std::vector<std::string>& args, const char* argv0) {
    if (args.size() != 2 || args[1].empty()) {
        Write(stderr, std::string("kvls: --export-pseudo needs one folder\r\n") + kUsage);
        return kvls::kExitUsage;
    }
    kvls::ExportReport report;
    const bool ok = kvls::ExportPseudo(kvls::ModelStore(ModelRoot(argv0)), args[1], &report);
    for (const std::string& w : report.warnings) {
        Write(stderr, "kvls: warning: " + w + "\r\n");
    }
    if (!ok) {
        Write(stderr, "kvls: " + report.error + "\r\n");
        return kvls::kExitNoModel;
    }
    return kvls::kExitListed;
}

// Applies the part of a fault that comes before the answer; returns true when the run ends here.
bool FaultBeforeAnswer(const Fault& fault, int* exit_code) {
    switch (fault.kind) {
        case Fault::Kind::kSleep:
            std::this_thread::sleep_for(std::chrono::duration<double>(fault.seconds));
            return false;
        case Fault::Kind::kHangChild:
#ifndef _WIN32
            ::fork();  // both processes hang on, holding the output streams
#endif
            [[fallthrough]];
        case Fault::Kind::kHang:
            for (;;) {
                std::this_thread::sleep_for(std::chrono::hours(1));
            }
        case Fault::Kind::kStderr:
            Write(stderr, fault.text + "\r\n");
            *exit_code = kvls::kExitNoEntries;
            return true;
        default:
            return false;
    }
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string line = ArgumentLine(args);
    if (const char* log = Env("KVLS_LOG")) {
        AppendLogLine(log, line);
    }
    if (!args.empty() && (args[0] == "-h" || args[0] == "--help")) {
        Write(stdout, kUsage);
        return kvls::kExitListed;
    }
    if (!args.empty() && args[0] == "--export-pseudo") {
        return RunExport(args, argv[0]);
    }

    Fault fault;
    const char* match = Env("KVLS_FAULT_MATCH");
    if (const char* spec = Env("KVLS_FAULT");
        spec && (!match || line.find(match) != std::string::npos)) {
        std::string why;
        std::optional<Fault> parsed = kvls::ParseFault(spec, &why);
        if (!parsed) {
            Write(stderr, "kvls: " + why + "\r\n");
            return kvls::kExitUsage;
        }
        fault = *parsed;
    }
    int exit_code = 0;
    if (FaultBeforeAnswer(fault, &exit_code)) {
        return exit_code;
    }

    Answer answer;
    std::string why;
    if (std::optional<kvls::Request> request = kvls::ParseCommandLine(args, &why)) {
        answer = kvls::AnswerRequest(*request, kvls::ModelStore(ModelRoot(argv[0])));
    } else {
        answer.err = "kvls: " + why + "\r\n" + kUsage;
        answer.exit_code = kvls::kExitUsage;
    }
    return Deliver(answer, fault);
}
