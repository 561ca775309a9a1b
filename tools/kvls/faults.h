// Faults a run can be told to show (environment variable KVLS_FAULT), for testing the caller:
//
//   sleep:SECONDS    wait that long (decimal fraction allowed), then answer normally
//   hang             never answer: sleep until killed, with the output streams open
//   hang-child       the same, after starting a process of its own that does the same (POSIX)
//   crash-after:N    write the first N bytes of the answer, then die abnormally
//   bytes:N          write exactly N bytes on standard output: the answer (cut to N bytes when
//                    longer), then comment lines ("#xxx...") up to N bytes
//   stderr:TEXT      write TEXT and CR LF on standard error, nothing on standard output
//
// N may end in K or M (times 1024, times 1024 * 1024).
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace kvls {

struct Fault {
    enum class Kind { kNone, kSleep, kHang, kHangChild, kCrashAfter, kBytes, kStderr } kind =
        Kind::kNone;
    double seconds = 0;       // kSleep
    std::uint64_t count = 0;  // kCrashAfter, kBytes
    std::string text;         // kStderr
};

// Parses a KVLS_FAULT text; an empty text is no fault. Nothing (and *error set) when malformed.
std::optional<Fault> ParseFault(std::string_view spec, std::string* error);

// Writes exactly n bytes to f: text cut to n bytes, or text followed by "#" comment lines.
void WritePadded(std::FILE* f, std::string_view text, std::uint64_t n);

}  // namespace kvls
