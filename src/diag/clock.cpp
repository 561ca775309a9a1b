#include "diag/clock.h"

#include <chrono>
#include <utility>

namespace stallscan::diag {

namespace {

Clock& TheClock() {
    static Clock clock;
    return clock;
}

}  // namespace

void SetClock(Clock clock) {
    TheClock() = std::move(clock);
}

int64_t Now(std::optional<int64_t> server_now) {
    const Clock& clock = TheClock();
    if (clock.fixed_now) {
        return *clock.fixed_now;
    }
    if (server_now) {
        return *server_now;
    }
    if (clock.local_now) {
        return clock.local_now();
    }
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

int UtcOffset(int64_t epoch_seconds) {
    const Clock& clock = TheClock();
    return clock.utc_offset ? clock.utc_offset(epoch_seconds) : 0;
}

}  // namespace stallscan::diag
