#pragma once
// The only door to the operating system: environment, command line, files, paths and child
// processes. Paths arrive as the program's Windows-notation texts; on POSIX every "\" becomes "/".

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Value of an environment variable; empty when not set.
std::string GetEnv(const std::string& name);

// The argument text: on POSIX the arguments after the program name joined by single blanks; on
// Windows the raw command line after the program's name.
std::string ArgumentText(int argc, char** argv);

// The text of a Windows command line after the program's name, split off as the C runtime splits
// argv[0]: a double quote toggles quoting, a blank or tab outside quotes ends the name; the blanks
// and tabs after it are skipped too. The rest is returned unchanged.
std::string TextAfterProgramName(const std::string& commandLine);

// A Windows-notation path text as a path of this system.
std::string NativePath(const std::string& winPath);

// The listing tool's real path for its Windows-notation text. On POSIX, when "<x>.exe" does not
// exist and "<x>" does, the latter.
std::string ResolveToolPath(const std::string& winPath);

// Length of a file; nullopt when it cannot be examined (missing, not a regular file, no access).
std::optional<int64_t> FileLength(const std::string& winPath);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& winPath, std::string& out);

// Writes a file safely: a new file beside the target, then replaces the target. On failure the
// target is unchanged and `error` holds the reason.
bool ReplaceFileContents(const std::string& nativePath, const std::string& bytes,
                         std::string& error);

// Result of one captured child run.
struct CaptureResult {
    // 0 ok; 2000 pipe creation failed; 2001 handle duplication failed; 2002 start failed or a
    // read failed (on POSIX always 2002, so that a failed read never looks like success), or
    // the child was ended by a signal (POSIX) or an exception status of 0xC0000000 and up
    // (Windows), its output possibly cut short;
    // 2004 ended by KillRunningChild; other (Windows): exit code after a failed read.
    // `out` and `err` hold every byte read; both are empty unless `code` is 0.
    int32_t code = 0;
    std::string out;
    std::string err;
    // Bytes read from each pipe, before any conversion: what the read sizes are measured against.
    std::size_t outBytes = 0;
    std::size_t errBytes = 0;
};

// Starts `nativeApp` with `args` (args[0] is the program name shown to the child; Windows uses
// `commandLine` instead), no shell, standard input an empty pipe, and reads standard output and
// standard error concurrently until both close, with reads of at most `outReadSize` and
// `errReadSize` bytes. The child is reaped before returning. Only one run at a time.
// On Windows both captures are converted once, at the end of the run, from the ANSI code page
// to UTF-8 (kept as read when that code page is UTF-8).
CaptureResult RunAndCapture(const std::string& nativeApp, const std::string& commandLine,
                            const std::vector<std::string>& args, int32_t outReadSize,
                            int32_t errReadSize);

// Ends the child of the run in progress (with its process group on POSIX) and makes that run
// return 2004 at once. Does nothing when no run is in progress. Safe from any thread.
void KillRunningChild();

// Number of descriptors (handles) this process has open; -1 when it cannot be told. For tests
// that prove runs leave nothing open. On Windows the handles of files, pipes, processes and
// threads (the thread library's events and semaphores come and go with caches of their own).
int OpenDescriptorCount();

}  // namespace platform
