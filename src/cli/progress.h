#pragma once
// The progress of a run on a terminal: one line on standard error, updated in place
// ("[37/500] big:37, about 2 min left") and cleared before anything else is written, and a
// one-line summary at the end. Writes nothing when disabled.

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <string>

#include "cli/check.h"

namespace stallscan::cli {

class Progress {
  public:
    Progress(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}
    void Start(std::size_t total);
    // One more job is done.
    void Done(const std::string& job);
    // Removes the line, so that other output starts at the beginning of a line.
    void Clear();
    void Summary(const CheckSummary& summary);

  private:
    void Show(const std::string& line);

    std::ostream& err_;
    bool enabled_;
    std::size_t total_ = 0;
    std::size_t done_ = 0;
    std::size_t shown_ = 0;  // length of the line on the terminal
    std::chrono::steady_clock::time_point start_;
};

}  // namespace stallscan::cli
