#include "cli/progress.h"

#include <ostream>

namespace stallscan::cli {

namespace {

// "about 2 min left", "about 40 s left"; empty before anything is known.
std::string TimeLeft(std::chrono::steady_clock::duration elapsed, std::size_t done,
                     std::size_t total) {
    if (done == 0 || done >= total) {
        return {};
    }
    const double seconds = std::chrono::duration<double>(elapsed).count() / static_cast<double>(done) *
                           static_cast<double>(total - done);
    if (seconds < 1) {
        return {};
    }
    if (seconds < 90) {
        return ", about " + std::to_string(static_cast<int>(seconds + 0.5)) + " s left";
    }
    return ", about " + std::to_string(static_cast<int>(seconds / 60 + 0.5)) + " min left";
}

}  // namespace

void Progress::Start(std::size_t total) {
    total_ = total;
    done_ = 0;
    start_ = std::chrono::steady_clock::now();
    if (total_ > 0) {
        Show("[0/" + std::to_string(total_) + "]");
    }
}

void Progress::Done(const std::string& job) {
    ++done_;
    Show("[" + std::to_string(done_) + "/" + std::to_string(total_) + "] " + job +
         TimeLeft(std::chrono::steady_clock::now() - start_, done_, total_));
}

void Progress::Show(const std::string& line) {
    if (!enabled_) {
        return;
    }
    std::string text = "\r" + line;
    if (line.size() < shown_) {
        text.append(shown_ - line.size(), ' ');
        text.append("\r" + line);
    }
    err_ << text << std::flush;
    shown_ = line.size();
}

void Progress::Clear() {
    if (!enabled_ || shown_ == 0) {
        return;
    }
    err_ << "\r" << std::string(shown_, ' ') << "\r" << std::flush;
    shown_ = 0;
}

void Progress::Summary(const CheckSummary& summary) {
    if (!enabled_) {
        return;
    }
    const int diagnosed = summary.jobs - summary.not_diagnosed;
    err_ << "stallscan: " << summary.jobs << (summary.jobs == 1 ? " job" : " jobs") << ": "
         << diagnosed << " diagnosed (" << summary.blocked << " with problems, "
         << diagnosed - summary.blocked << " without), " << summary.not_diagnosed
         << " not diagnosed\n";
}

}  // namespace stallscan::cli
