#pragma once
// Where the diagnosis and the reports take "now" and the local time zone from. The program sets
// the zone from the operating system at its start; tests set a fixed time, so that reports with
// ages come out the same on every run. Set before any diagnosis runs; read from any thread.

#include <cstdint>
#include <functional>
#include <optional>

namespace stallscan::diag {

struct Clock {
    // Seconds since 1970-01-01 UTC by the local clock.
    std::function<int64_t()> local_now;
    // Seconds east of UTC of the local time zone at a time; none: UTC.
    std::function<int(int64_t)> utc_offset;
    // When set, every age is taken at this time, also where the server tells its own.
    std::optional<int64_t> fixed_now;
};

// Replaces the clock; an empty local_now is the system clock.
void SetClock(Clock clock);

// "Now" for an age: the fixed time if one is set, else the server's clock where it told it,
// else the local clock.
int64_t Now(std::optional<int64_t> server_now = std::nullopt);
// The local offset at a time (0 when none is set).
int UtcOffset(int64_t epoch_seconds);

}  // namespace stallscan::diag
