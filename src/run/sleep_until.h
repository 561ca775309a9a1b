#pragma once
// Waiting that a stop request cuts short: the one way background work sleeps.

#include <chrono>
#include <stop_token>

namespace stallscan::run {

// Sleeps until `deadline` or until a stop is requested on `stop`, whichever comes first; true when
// the deadline came (and no stop was requested). time_point::max() waits for the stop alone.
bool SleepUntil(const std::stop_token& stop, std::chrono::steady_clock::time_point deadline);

}  // namespace stallscan::run
