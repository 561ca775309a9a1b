#pragma once
// The information lines that say since when and for how long, where the print system tells
// times (a CUPS server does; the listing tool's objects carry none, and get no line).

#include <cstdint>
#include <optional>
#include <string>

#include "diag/diagnosis.h"
#include "listing/object_attributes.h"

namespace stallscan::diag {

// An attribute that holds a time as seconds since 1970; none when absent or not such a number.
std::optional<int64_t> TimeEntry(const listing::ObjectAttributes& object, const char* attr);

// "Now" for the ages of what an object tells: the server's clock as the object carries it
// ("server-current-time"), else the local one (diag/clock.h).
int64_t NowFor(const listing::ObjectAttributes& object);

// The job's submission time into the record; for a waiting job also how long it has waited and
// the line that says so.
void AddJobTimes(Diagnosis& diagnosis, std::optional<int64_t> created, int64_t now, bool waiting);

// After "the job is held until T": when a hold to a time of day (UTC) ends, and in how long.
void AddHoldEnd(Diagnosis& diagnosis, const std::string& hold_until, int64_t now);

// After "printer P is paused": for how long, where the printer says when its state changed.
void AddPausedFor(Diagnosis& diagnosis, const std::string& printer_name,
                  const listing::ObjectAttributes& printer);

}  // namespace stallscan::diag
