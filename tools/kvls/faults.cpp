#include "faults.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kvls {

namespace {

bool ParseCount(std::string_view s, std::uint64_t* n) {
    std::uint64_t scale = 1;
    if (!s.empty() && (s.back() == 'K' || s.back() == 'k')) {
        scale = 1024;
        s.remove_suffix(1);
    } else if (!s.empty() && (s.back() == 'M' || s.back() == 'm')) {
        scale = 1024 * 1024;
        s.remove_suffix(1);
    }
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *n);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) {
        return false;
    }
    if (*n > UINT64_MAX / scale) {
        return false;
    }
    *n *= scale;
    return true;
}

bool ParseSeconds(std::string_view s, double* seconds) {
    // Digits with an optional fraction; std::from_chars for double is not everywhere yet.
    if (s.empty() || s.size() > 20 ||
        !std::all_of(s.begin(), s.end(),
                     [](char c) { return (c >= '0' && c <= '9') || c == '.'; }) ||
        std::count(s.begin(), s.end(), '.') > 1 || s == ".") {
        return false;
    }
    *seconds = std::stod(std::string(s));
    return std::isfinite(*seconds);
}

}  // namespace

std::optional<Fault> ParseFault(std::string_view spec, std::string* error) {
    Fault fault;
    if (spec.empty()) {
        return fault;
    }
    const std::size_t colon = spec.find(':');
    const std::string_view kind = spec.substr(0, colon);
    const std::string_view arg =
        colon == std::string_view::npos ? std::string_view() : spec.substr(colon + 1);
    bool ok = false;
    if ((kind == "hang" || kind == "hang-child") && colon == std::string_view::npos) {
        fault.kind = kind == "hang" ? Fault::Kind::kHang : Fault::Kind::kHangChild;
        ok = true;
    } else if (kind == "sleep") {
        fault.kind = Fault::Kind::kSleep;
        ok = ParseSeconds(arg, &fault.seconds);
    } else if (kind == "crash-after") {
        fault.kind = Fault::Kind::kCrashAfter;
        ok = ParseCount(arg, &fault.count);
    } else if (kind == "bytes") {
        fault.kind = Fault::Kind::kBytes;
        ok = ParseCount(arg, &fault.count);
    } else if (kind == "stderr") {
        fault.kind = Fault::Kind::kStderr;
        fault.text = arg;
        ok = !arg.empty();
    }
    if (!ok) {
        *error = "unknown KVLS_FAULT: " + std::string(spec) +
                 " (use sleep:SECONDS, hang, hang-child, crash-after:N, bytes:N or stderr:TEXT)";
        return std::nullopt;
    }
    return fault;
}

void WritePadded(std::FILE* f, std::string_view text, std::uint64_t n) {
    const std::size_t head = static_cast<std::size_t>(std::min<std::uint64_t>(text.size(), n));
    std::fwrite(text.data(), 1, head, f);
    std::uint64_t left = n - head;
    // A block of 100-byte comment lines, written as often as it fits.
    std::string line(98, 'x');
    line.front() = '#';
    line += "\r\n";
    std::string block;
    for (int i = 0; i < 640; ++i) {
        block += line;
    }
    while (left >= block.size()) {
        std::fwrite(block.data(), 1, block.size(), f);
        left -= block.size();
    }
    // The rest: whole lines, then one comment line of the remaining length.
    while (left >= line.size()) {
        std::fwrite(line.data(), 1, line.size(), f);
        left -= line.size();
    }
    if (left > 0) {
        std::string last(static_cast<std::size_t>(left), 'x');
        last.front() = '#';
        if (left >= 3) {
            last.replace(last.size() - 2, 2, "\r\n");
        }
        std::fwrite(last.data(), 1, last.size(), f);
    }
}

}  // namespace kvls
