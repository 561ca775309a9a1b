#include "diag/time_lines.h"

#include <algorithm>
#include <charconv>

#include "diag/clock.h"
#include "text/time_text.h"

namespace stallscan::diag {

using text::Msg;

std::optional<int64_t> TimeEntry(const listing::ObjectAttributes& object, const char* attr) {
    const std::string value = object.SingleValue(attr);
    int64_t seconds = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() ||
        seconds <= 0) {
        return std::nullopt;
    }
    return seconds;
}

int64_t NowFor(const listing::ObjectAttributes& object) {
    return Now(TimeEntry(object, "server-current-time"));
}

void AddJobTimes(Diagnosis& diagnosis, std::optional<int64_t> created, int64_t now, bool waiting) {
    if (!created) {
        return;
    }
    diagnosis.SetCreated(*created);
    if (!waiting) {
        return;
    }
    const int64_t waited = std::max<int64_t>(0, now - *created);
    diagnosis.SetWaitingSeconds(waited);
    diagnosis.Add(Msg::kJobWaitingSince, {text::FormatDuration(waited),
                                          text::FormatDateTime(*created, UtcOffset(*created))});
}

void AddHoldEnd(Diagnosis& diagnosis, const std::string& hold_until, int64_t now) {
    const auto end = text::HoldEnd(hold_until, now);
    if (!end) {
        return;
    }
    const int offset = UtcOffset(*end);
    diagnosis.Add(Msg::kHoldEnds,
                  {text::FormatTimeOfDay(*end, 0),
                   text::FormatTimeOfDay(*end, offset) + " " + text::FormatOffset(offset),
                   text::FormatDuration(*end - now)});
}

void AddPausedFor(Diagnosis& diagnosis, const std::string& printer_name,
                  const listing::ObjectAttributes& printer) {
    const auto since = TimeEntry(printer, "printer-state-change-time");
    if (!since) {
        return;
    }
    const int64_t now = NowFor(printer);
    diagnosis.AddSince(Msg::kPrinterPausedFor,
                       {printer_name, text::FormatDuration(std::max<int64_t>(0, now - *since))},
                       *since);
}

}  // namespace stallscan::diag
