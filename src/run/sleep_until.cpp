#include "run/sleep_until.h"

#include <condition_variable>
#include <mutex>

namespace stallscan::run {

bool SleepUntil(const std::stop_token& stop, std::chrono::steady_clock::time_point deadline) {
    std::mutex mutex;
    std::condition_variable_any wake;  // nobody notifies it: only the stop or the time wakes it
    std::unique_lock lock(mutex);
    if (deadline == std::chrono::steady_clock::time_point::max()) {
        wake.wait(lock, stop, [] { return false; });
        return false;
    }
    // The predicate is false until the time is up, so a spurious wake-up sleeps on.
    wake.wait_until(lock, stop, deadline,
                    [deadline] { return std::chrono::steady_clock::now() >= deadline; });
    return !stop.stop_requested() && std::chrono::steady_clock::now() >= deadline;
}

}  // namespace stallscan::run
