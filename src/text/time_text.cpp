#include "text/time_text.h"

#include <charconv>
#include <chrono>
#include <cstdio>

namespace stallscan::text {

namespace {

constexpr int64_t kMinute = 60;
constexpr int64_t kHour = 60 * kMinute;
constexpr int64_t kDay = 24 * kHour;

// Two units, the second left out when it is 0.
std::string TwoUnits(int64_t big, const char* big_unit, int64_t small, const char* small_unit) {
    std::string text = std::to_string(big) + " " + big_unit;
    if (small != 0) {
        text += " " + std::to_string(small) + " " + small_unit;
    }
    return text;
}

struct Civil {
    int year;
    unsigned month, day;
    int64_t second_of_day;
};

// The calendar date and the second of the day of a time at an offset.
Civil ToCivil(int64_t epoch_seconds, int offset_seconds) {
    const int64_t local = epoch_seconds + offset_seconds;
    const int64_t days = local >= 0 ? local / kDay : (local - kDay + 1) / kDay;
    const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{days}}};
    return {static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
            static_cast<unsigned>(date.day()), local - days * kDay};
}

std::optional<int> TwoDigits(std::string_view text, int max) {
    if (text.size() != 2 || text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9') {
        return std::nullopt;
    }
    const int value = (text[0] - '0') * 10 + (text[1] - '0');
    return value <= max ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

std::string FormatDuration(int64_t seconds) {
    if (seconds < kMinute) {
        return std::to_string(seconds < 0 ? 0 : seconds) + " s";
    }
    if (seconds < kHour) {
        return std::to_string(seconds / kMinute) + " min";
    }
    if (seconds < kDay) {
        return TwoUnits(seconds / kHour, "h", seconds % kHour / kMinute, "min");
    }
    return TwoUnits(seconds / kDay, "d", seconds % kDay / kHour, "h");
}

std::string FormatOffset(int offset_seconds) {
    const int magnitude = offset_seconds < 0 ? -offset_seconds : offset_seconds;
    char text[16];
    std::snprintf(text, sizeof text, "%c%02d:%02d", offset_seconds < 0 ? '-' : '+',
                  magnitude / 3600 % 100, magnitude % 3600 / 60);
    return text;
}

std::string FormatTimeOfDay(int64_t epoch_seconds, int offset_seconds) {
    const Civil civil = ToCivil(epoch_seconds, offset_seconds);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(civil.second_of_day / kHour),
                  static_cast<int>(civil.second_of_day % kHour / kMinute));
    return text;
}

std::string FormatDateTime(int64_t epoch_seconds, int offset_seconds) {
    const Civil civil = ToCivil(epoch_seconds, offset_seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u ", civil.year, civil.month, civil.day);
    return text + FormatTimeOfDay(epoch_seconds, offset_seconds) + " " +
           FormatOffset(offset_seconds);
}

std::string FormatRfc3339(int64_t epoch_seconds, int offset_seconds) {
    const Civil civil = ToCivil(epoch_seconds, offset_seconds);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", civil.year, civil.month,
                  civil.day, static_cast<int>(civil.second_of_day / kHour),
                  static_cast<int>(civil.second_of_day % kHour / kMinute),
                  static_cast<int>(civil.second_of_day % kMinute));
    return text + FormatOffset(offset_seconds);
}

std::optional<int64_t> ParseDuration(std::string_view text) {
    if (text.size() < 2) {
        return std::nullopt;
    }
    int64_t unit = 0;
    switch (text.back()) {
        case 's':
            unit = 1;
            break;
        case 'm':
            unit = kMinute;
            break;
        case 'h':
            unit = kHour;
            break;
        case 'd':
            unit = kDay;
            break;
        default:
            return std::nullopt;
    }
    const std::string_view digits = text.substr(0, text.size() - 1);
    int64_t count = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), count);
    if (error != std::errc() || end != digits.data() + digits.size() || count < 1 ||
        count > 366 * kDay / unit) {
        return std::nullopt;
    }
    return count * unit;
}

std::optional<int64_t> HoldEnd(std::string_view hold_until, int64_t now) {
    if (hold_until.size() != 5 && hold_until.size() != 8) {
        return std::nullopt;
    }
    const auto hour = TwoDigits(hold_until.substr(0, 2), 23);
    const auto minute = TwoDigits(hold_until.substr(3, 2), 59);
    const auto second =
        hold_until.size() == 8 ? TwoDigits(hold_until.substr(6, 2), 59) : std::optional<int>(0);
    if (!hour || !minute || !second || hold_until[2] != ':' ||
        (hold_until.size() == 8 && hold_until[5] != ':')) {
        return std::nullopt;
    }
    const int64_t day_start = now - ToCivil(now, 0).second_of_day;
    int64_t end = day_start + *hour * kHour + *minute * kMinute + *second;
    if (end <= now) {
        end += kDay;
    }
    return end;
}

}  // namespace stallscan::text
