#pragma once
// The only door to the operating system: environment, command line, files and paths (child
// processes are in child_process.h). Paths arrive as the program's Windows-notation texts; on
// POSIX every "\" becomes "/" at the moment the file system is touched.

#include <cstdint>
#include <optional>
#include <string>

namespace stallscan::platform {

// Value of an environment variable; empty when not set.
std::string GetEnv(const std::string& name);

// The argument text: on POSIX the arguments after the program name joined by single blanks; on
// Windows the raw command line after the program's name.
std::string ArgumentText(int argc, char** argv);

// The text of a Windows command line after the program's name, split off as the C runtime splits
// argv[0]: a double quote toggles quoting, a blank or tab outside quotes ends the name; the blanks
// and tabs after it are skipped too. The rest is returned unchanged.
std::string TextAfterProgramName(const std::string& command_line);

// A Windows-notation path text as a path of this system.
std::string NativePath(const std::string& win_path);

// The listing tool's real path for its Windows-notation text. On POSIX "<x>.exe" only where that
// file exists, "<x>" otherwise (the name POSIX installations give the tool).
std::string ResolveToolPath(const std::string& win_path);

// Length of a file; nullopt when it cannot be examined (missing, not a regular file, no access).
std::optional<int64_t> FileLength(const std::string& win_path);

// Reads a whole regular file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& win_path, std::string& out);

// Writes a file safely: a new file beside the target, then replaces the target. On failure the
// target is unchanged and `error` holds the reason.
bool ReplaceFileContents(const std::string& native_path, const std::string& bytes,
                         std::string* error);

// Seconds east of UTC of the local time zone (TZ honoured) at `epoch_seconds`, daylight saving
// included; 0 when the zone cannot be told.
int UtcOffsetSeconds(int64_t epoch_seconds);

// Number of descriptors (handles) this process has open; -1 when it cannot be told. For tests
// that prove runs leave nothing open. On Windows the handles of files, pipes, processes and
// threads.
int OpenDescriptorCount();

}  // namespace stallscan::platform
