#pragma once
// Diagnosis results as JSON, so that scripts read reasons as data instead of parsing sentences.

#include <string>
#include <string_view>
#include <vector>

#include "diag/diagnosis.h"

namespace stallscan::cli {

// One JSON array: per result its fields and its messages (catalogue id, arguments, text).
// Ends with a line feed.
std::string ResultsToJson(const std::vector<diag::Diagnosis>& results);

// A JSON string literal for `text`. Control characters are escaped; bytes that are not valid
// UTF-8 become U+FFFD, so the output is always valid JSON.
std::string JsonString(std::string_view text);

}  // namespace stallscan::cli
