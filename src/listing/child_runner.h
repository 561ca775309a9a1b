#pragma once
// Runs the listing tool as a child process and captures its standard output and error.
// One child at a time; KillChildProcess may be called from any thread.

#include <cstdint>
#include <string>
#include <vector>

#include "listing/kv_output.h"

// A child's command: the command-line text (what Windows is given) and the same pieces as an
// argument vector (what POSIX is given; args[0] is the program). No shell ever sees either.
struct ChildCommand {
    std::string commandLine;
    std::vector<std::string> args;
};

namespace basPosixCtl {

// Result codes of RunChildProcess and the listing queries.
enum RunResult : int32_t {
    kRunOk = 0,
    kNoAttributeLine = 900,
    kNoEntries = 901,
    kStoppedByUser = 902,
    kRepeatWithLargerBuffer = 903,
    kPipeCreateFailed = 2000,
    kPipeDuplicateFailed = 2001,
    kStartFailed = 2002,
    kToolReportedError = 2003,
    kKilledExitCode = 2004,
    kServerNotResponding = 2005,
    kAddressRefused = 2006,
};

// Runs `appPath` (a Windows-notation path text, resolved by src/platform) with `cmd`.
// 0: both outputs hold every byte the child wrote. 903: the child wrote more to one pipe than the
// current read size for it; that size is raised to the byte count, both outputs are empty, and the
// caller should run again. 2000/2001/2002: the child could not be started (2002 also when a
// read failed or, on POSIX, the child was ended by a signal, so that a listing cut short by a
// crash is never taken for a whole one). 2004: the run was ended
// by KillChildProcess. Any other value: a read failed; the child's exit code. On every failure
// both outputs are empty and no descriptor or child process is left behind.
int32_t RunChildProcess(const std::string& appPath, const ChildCommand& cmd, clsKvOutput& out,
                        clsKvOutput& err);

// Ends the running child (if any) at once; its run returns 2004. Safe from any thread.
void KillChildProcess();

// Current read sizes (4096 and 256 until a larger output has been seen).
int32_t StdoutReadSize();
int32_t StderrReadSize();
// Back to the initial sizes; for tests and benchmarks.
void ResetReadSizes();

}  // namespace basPosixCtl
