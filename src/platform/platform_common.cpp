// Platform services that the standard library provides alike on every system.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/platform.h"

namespace platform {

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

}  // namespace platform
