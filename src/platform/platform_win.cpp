// Environment, command line, paths and files on Windows, through the ANSI ("A") functions.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <vector>

#include "platform/platform.h"

namespace stallscan::platform {

namespace {

// The program's output is bytes: the texts carry their own CR LF line ends, which a text-mode
// stream would turn into CR CR LF. Set before main() runs.
const bool gBinaryStreams = [] {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return true;
}();

std::string ErrorText(DWORD err) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, err, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = n > 0 && text ? std::string(text, n) : "error " + std::to_string(err);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    return message;
}

class FileHandle {
  public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Close(); }
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    bool Close() {
        const bool ok = !valid() || CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

  private:
    HANDLE h_;
};

bool WriteAll(HANDLE file, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t left = bytes.size() - done;
        const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

template <typename Fn>
Fn NtdllFunction(const char* name) {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(ntdll, name)))
                 : nullptr;
}

// The kind of object a handle of this process refers to ("File", "Event" ...); empty when unknown.
std::string ObjectTypeName(HANDLE handle) {
    using QueryObjectFn = LONG(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);
    static const auto queryObject = NtdllFunction<QueryObjectFn>("NtQueryObject");
    constexpr ULONG kObjectTypeInformation = 2;
    struct TypeName {
        USHORT length;  // in bytes
        USHORT maximumLength;
        const wchar_t* buffer;
    };
    alignas(8) char info[1024];
    ULONG needed = 0;
    if (!queryObject || queryObject(handle, kObjectTypeInformation, info, sizeof(info), &needed)) {
        return {};
    }
    const auto* name = reinterpret_cast<const TypeName*>(info);
    std::string text;
    for (USHORT i = 0; i < name->length / sizeof(wchar_t); ++i) {
        text += static_cast<char>(name->buffer[i]);
    }
    return text;
}

// Handles of this process to files, pipes, processes and threads, from the system's handle
// table; -1 when it cannot be read. Events, semaphores and keys are left out: thread libraries
// and the system keep them in caches of their own that come and go.
int CountOwnObjectHandles() {
    struct Entry {
        void* object;
        ULONG_PTR processId;
        ULONG_PTR handle;
        ULONG access;
        USHORT creatorBackTrace;
        USHORT objectType;
        ULONG attributes;
        ULONG reserved;
    };
    struct Table {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    using QuerySystemFn = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    static const auto query = NtdllFunction<QuerySystemFn>("NtQuerySystemInformation");
    constexpr ULONG kExtendedHandleInformation = 64;
    constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004L);
    if (!query) {
        return -1;
    }
    std::vector<ULONG_PTR> buffer(1 << 14);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR));
        ULONG needed = 0;
        const LONG status = query(kExtendedHandleInformation, buffer.data(), size, &needed);
        if (status == kLengthMismatch) {
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed / sizeof(ULONG_PTR) + 1024));
            continue;
        }
        if (status != 0) {
            return -1;
        }
        const auto* table = reinterpret_cast<const Table*>(buffer.data());
        const ULONG_PTR self = GetCurrentProcessId();
        int count = 0;
        for (ULONG_PTR i = 0; i < table->count; ++i) {
            const Entry& entry = table->entries[i];
            if (entry.processId == self) {
                const std::string type = ObjectTypeName(reinterpret_cast<HANDLE>(entry.handle));
                count += type == "File" || type == "Process" || type == "Thread" ? 1 : 0;
            }
        }
        return count;
    }
    return -1;
}

}  // namespace

std::string GetEnv(const std::string& name) {
    std::string value(256, '\0');
    for (;;) {
        const DWORD n =
            GetEnvironmentVariableA(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (n == 0) {
            return {};  // not set, or set to the empty text
        }
        if (n < value.size()) {
            value.resize(n);
            return value;
        }
        value.resize(n);  // n is the size needed, terminating NUL included; ask again
    }
}

std::string ArgumentText(int /*argc*/, char** /*argv*/) {
    const char* line = GetCommandLineA();
    return TextAfterProgramName(line ? line : "");
}

std::string NativePath(const std::string& winPath) {
    return winPath;
}

std::string ResolveToolPath(const std::string& winPath) {
    return winPath;
}

std::optional<int64_t> FileLength(const std::string& winPath) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(winPath.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                                data.nFileSizeLow);
}

bool ReadWholeFile(const std::string& winPath, std::string& out) {
    // A directory cannot be opened this way, and only disk files are read (a named pipe could
    // block for good).
    FileHandle file(CreateFileA(winPath.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid() || GetFileType(file.get()) != FILE_TYPE_DISK) {
        return false;
    }
    std::string bytes;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) {
            return false;
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer.data(), n);
    }
    out = std::move(bytes);
    return true;
}

bool ReplaceFileContents(const std::string& nativePath, const std::string& bytes,
                         std::string* error) {
    static std::atomic<unsigned> counter{0};
    std::string tempPath;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        tempPath = nativePath + ".tmp." + std::to_string(GetCurrentProcessId()) + "." +
                   std::to_string(counter.fetch_add(1));
        created = CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    if (created == INVALID_HANDLE_VALUE) {
        *error = nativePath + ": " + ErrorText(GetLastError());
        return false;
    }
    FileHandle file(created);
    bool ok = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
    DWORD err = ok ? 0 : GetLastError();
    if (!file.Close() && ok) {
        ok = false;
        err = GetLastError();
    }
    if (ok && !MoveFileExA(tempPath.c_str(), nativePath.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        err = GetLastError();
    }
    if (!ok) {
        DeleteFileA(tempPath.c_str());
        *error = nativePath + ": " + ErrorText(err);
        return false;
    }
    return true;
}

int UtcOffsetSeconds(int64_t epoch_seconds) {
    const auto at = static_cast<__time64_t>(epoch_seconds);
    std::tm local{};
    if (_localtime64_s(&local, &at) != 0) {
        return 0;
    }
    // The local fields read as UTC differ from the instant by the offset.
    return static_cast<int>(_mkgmtime64(&local) - at);
}

int OpenDescriptorCount() {
    return CountOwnObjectHandles();
}

}  // namespace stallscan::platform
