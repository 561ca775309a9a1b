#pragma once
// Times and durations as reports and options write them. Times are seconds since 1970-01-01 UTC;
// an offset is seconds east of UTC (the caller gets it from the local time zone).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace stallscan::text {

// A duration for a sentence, rounded down to its two largest units: "45 s" below a minute,
// "35 min" below an hour, "2 h 14 min" below a day, "3 d 4 h" from a day on; a unit of 0 after
// the first is left out ("2 h", "3 d"). A negative duration (a clock that runs behind) is "0 s".
std::string FormatDuration(int64_t seconds);

// "+01:00", "-05:30", "+00:00".
std::string FormatOffset(int offset_seconds);
// "2026-12-07 09:14 +01:00": the time at that offset, to the minute.
std::string FormatDateTime(int64_t epoch_seconds, int offset_seconds);
// "09:14": the time of day at that offset, to the minute.
std::string FormatTimeOfDay(int64_t epoch_seconds, int offset_seconds);
// "2026-12-07T09:14:05+01:00" (RFC 3339).
std::string FormatRfc3339(int64_t epoch_seconds, int offset_seconds);

// A duration option: a whole number with the unit s, m, h or d ("90s", "15m", "2h", "1d"), from
// 1 s to 366 d; nothing when the text is not one.
std::optional<int64_t> ParseDuration(std::string_view text);

// The end of a hold to a time of day ("23:59" or "23:59:30", UTC, as IPP's job-hold-until
// gives it): the first such moment after `now`; nothing for any other text (a named period).
std::optional<int64_t> HoldEnd(std::string_view hold_until, int64_t now);

}  // namespace stallscan::text
