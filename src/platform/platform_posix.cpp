// Environment, command line, paths and files on POSIX systems.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/platform.h"

namespace stallscan::platform {

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::string ErrnoText(const std::string& what, int err) {
    return what + ": " + std::strerror(err);
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Creates a new file beside `target` that no one else can have opened; -1 on failure.
int CreateSibling(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    // A short name of its own in the target's directory: the target's name plus a suffix could
    // exceed the longest name that the directory allows when the target's name itself does not.
    const size_t slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = dir + ".stallscan-" + std::to_string(::getpid()) + "-" +
                   std::to_string(counter.fetch_add(1)) + ".tmp";
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

void SyncDirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

std::string GetEnv(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? std::string(value) : std::string();
}

std::string ArgumentText(int argc, char** argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            text += ' ';
        }
        text += argv[i];
    }
    return text;
}

std::string NativePath(const std::string& winPath) {
    std::string path = winPath;
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

std::string ResolveToolPath(const std::string& winPath) {
    // POSIX installations name the tool without the suffix: "<x>.exe" only where it exists.
    const std::string path = NativePath(winPath);
    constexpr std::string_view kSuffix = ".exe";
    if (path.size() > kSuffix.size() && path.ends_with(kSuffix) && !Exists(path)) {
        return path.substr(0, path.size() - kSuffix.size());
    }
    return path;
}

std::optional<int64_t> FileLength(const std::string& winPath) {
    std::error_code ec;
    const std::filesystem::path path(NativePath(winPath));
    if (!std::filesystem::is_regular_file(path, ec) || ec) {
        return std::nullopt;
    }
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        return std::nullopt;
    }
    return static_cast<int64_t>(size);
}

bool ReadWholeFile(const std::string& winPath, std::string& out) {
    // Only regular files: a directory fails to read, and a FIFO could block for good.
    std::error_code ec;
    const std::filesystem::path path(NativePath(winPath));
    if (!std::filesystem::is_regular_file(path, ec) || ec) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return false;
    }
    out = std::move(bytes);
    return true;
}

bool ReplaceFileContents(const std::string& nativePath, const std::string& bytes,
                         std::string* error) {
    std::string tempPath;
    const int fd = CreateSibling(nativePath, tempPath);
    if (fd < 0) {
        *error = ErrnoText(nativePath, errno);
        return false;
    }
    struct stat st;
    if (::stat(nativePath.c_str(), &st) == 0) {
        ::fchmod(fd, st.st_mode & 07777);  // keep the permissions of the file being replaced
    }
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(tempPath.c_str(), nativePath.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tempPath.c_str());
        *error = ErrnoText(nativePath, err);
        return false;
    }
    SyncDirectoryOf(nativePath);
    return true;
}

int UtcOffsetSeconds(int64_t epoch_seconds) {
    const auto at = static_cast<std::time_t>(epoch_seconds);
    std::tm local{};
    if (localtime_r(&at, &local) == nullptr) {
        return 0;
    }
    return static_cast<int>(local.tm_gmtoff);
}

int OpenDescriptorCount() {
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) {
        return -1;
    }
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') {
            ++count;
        }
    }
    ::closedir(dir);
    return count - 1;  // the directory stream's own descriptor
}

}  // namespace stallscan::platform
