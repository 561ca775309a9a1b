#pragma once
// The listing tool as a listing source: each listing is one run of the tool (two when its output
// outgrew the read size), without a shell, parsed into objects.
//
// The read sizes (4096 bytes for standard output and 256 for standard error at first) belong to
// the source and are shared by its listings on every thread: a run whose output outgrows the size
// in force raises it and is made once more, and later listings of that size are read without a
// repeat.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "listing/source.h"
#include "platform/child_process.h"

namespace stallscan::listing {

// The tool's command line for a request: the command-line text exactly as the print system's
// documentation gives it (tool path, class option, domain, requested attributes, "-sl", filter,
// object name), and the same pieces as an argument vector, one argument each.
platform::ChildCommand BuildToolCommand(const std::string& tool_path, const Request& request);

class ToolSource : public ListingSource {
  public:
    using RunFunction = std::function<platform::CaptureResult(const platform::ChildCommand&,
                                                              const platform::CaptureOptions&)>;

    // `tool_path` in Windows notation (the installation root followed by "\bin\kvls.exe").
    // `run` starts the tool; tests may give a stand-in.
    explicit ToolSource(std::string tool_path, RunFunction run = platform::RunAndCapture);

    Answer List(const Request& request, const Control& control) override;

    int32_t OutReadSize() const { return out_read_size_.load(); }
    int32_t ErrReadSize() const { return err_read_size_.load(); }

  private:
    std::string tool_path_;
    RunFunction run_;
    std::atomic<int32_t> out_read_size_{4096};
    std::atomic<int32_t> err_read_size_{256};
};

}  // namespace stallscan::listing
