// Runs a built program as a child process on Windows (CreateProcessA, no shell) and captures both
// outputs: the Windows side of run_kvls.h, with the same interface.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "../support/test_os.h"

namespace kvls_test {

struct RunResult {
    std::string out;
    std::string err;
    int exit_code = -1;  // -1 when ended abnormally
    int signal = 0;      // Windows: the exception status that ended it (0xC0000000 and up), or 0
    bool timed_out = false;
};

inline bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// This process's environment with `env` applied (an empty value removes a variable), as the
// block CreateProcessA takes. Names are matched without regard to letter case, as Windows does.
inline std::string EnvironmentBlock(const std::map<std::string, std::string>& env) {
    std::string block;
    char* strings = GetEnvironmentStringsA();
    for (const char* entry = strings; entry && *entry; entry += std::strlen(entry) + 1) {
        const std::string text = entry;
        const std::string name = text.substr(0, text.find('=', 1));
        bool replaced = false;
        for (const auto& change : env) {
            replaced = replaced || SameName(change.first, name);
        }
        if (!replaced) {
            block.append(text).push_back('\0');
        }
    }
    FreeEnvironmentStringsA(strings);
    for (const auto& [name, value] : env) {
        if (!value.empty()) {
            block.append(name + "=" + value).push_back('\0');
        }
    }
    block.push_back('\0');
    return block;
}

inline void DrainPipe(HANDLE pipe, std::string* sink) {
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(pipe, buf, sizeof buf, &n, nullptr)) {
        sink->append(buf, n);
    }
}

// Runs program (the built kvls by default) with args; env entries replace or add variables (an
// empty value removes one). A child that runs longer than timeout_ms is ended and reported as
// timed out. Standard input is the NUL device.
inline RunResult RunKvls(const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env, int timeout_ms = 10000,
                         const std::string& program = KVLS_PATH) {
    RunResult result;
    std::vector<std::string> pieces{program};
    pieces.insert(pieces.end(), args.begin(), args.end());
    std::string line = test_os::CommandLine(pieces);
    std::string block = EnvironmentBlock(env);

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) {
        return result;
    }
    if (!CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        CloseHandle(outRead);
        CloseHandle(outWrite);
        return result;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                        DETACHED_PROCESS, block.data(), nullptr, &startup, &info);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (input != INVALID_HANDLE_VALUE) {
        CloseHandle(input);
    }
    if (!started) {
        CloseHandle(outRead);
        CloseHandle(errRead);
        return result;
    }
    CloseHandle(info.hThread);

    std::thread outReader(DrainPipe, outRead, &result.out);
    std::thread errReader(DrainPipe, errRead, &result.err);
    if (WaitForSingleObject(info.hProcess, static_cast<DWORD>(timeout_ms)) == WAIT_TIMEOUT) {
        result.timed_out = true;
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, INFINITE);
    }
    outReader.join();
    errReader.join();
    CloseHandle(outRead);
    CloseHandle(errRead);

    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    if ((code & 0xC0000000u) == 0xC0000000u) {
        result.signal = static_cast<int>(code);
    } else if (!result.timed_out) {
        result.exit_code = static_cast<int>(code);
    }
    return result;
}

}  // namespace kvls_test
