#include "listing/child_runner.h"

#include <atomic>
#include <limits>

#include "platform/platform.h"

namespace basPosixCtl {

namespace {

constexpr int32_t kInitialStdoutSize = 4096;
constexpr int32_t kInitialStderrSize = 256;

std::atomic<int32_t> gStdoutBufSize{kInitialStdoutSize};
std::atomic<int32_t> gStderrBufSize{kInitialStderrSize};

// Raises `size` to `total` when the total exceeds it; true when it was raised.
bool GrowTo(std::atomic<int32_t>& size, size_t total) {
    if (total <= static_cast<size_t>(size.load())) {
        return false;
    }
    constexpr auto kMax = static_cast<size_t>(std::numeric_limits<int32_t>::max());
    size.store(static_cast<int32_t>(total < kMax ? total : kMax));
    return true;
}

}  // namespace

int32_t RunChildProcess(const std::string& appPath, const ChildCommand& cmd, clsKvOutput& out,
                        clsKvOutput& err) {
    out.Clear();
    err.Clear();
    platform::CaptureResult run =
        platform::RunAndCapture(platform::ResolveToolPath(appPath), cmd.commandLine, cmd.args,
                                gStdoutBufSize.load(), gStderrBufSize.load());
    if (run.code != kRunOk) {
        return run.code;
    }
    // Both pipes were read to their end, so both sizes can be learnt from this one run.
    const bool outGrew = GrowTo(gStdoutBufSize, run.outBytes);
    const bool errGrew = GrowTo(gStderrBufSize, run.errBytes);
    if (outGrew || errGrew) {
        return kRepeatWithLargerBuffer;
    }
    out.Init(run.out);
    err.Init(run.err);
    return kRunOk;
}

void KillChildProcess() {
    platform::KillRunningChild();
}

int32_t StdoutReadSize() {
    return gStdoutBufSize.load();
}
int32_t StderrReadSize() {
    return gStderrBufSize.load();
}

void ResetReadSizes() {
    gStdoutBufSize.store(kInitialStdoutSize);
    gStderrBufSize.store(kInitialStderrSize);
}

}  // namespace basPosixCtl
