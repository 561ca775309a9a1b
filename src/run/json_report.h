#pragma once
// The reports as JSON, for scripts and monitoring (schema 1, docs/report.schema.json): per job its
// identity, fields, outcome and messages, each message with its catalogue number, symbolic code,
// severity, arguments and text.

#include <nlohmann/json.hpp>
#include <string>

#include "diag/diagnosis.h"

namespace stallscan::run {

inline constexpr int kJsonSchema = 1;

// The JSON object of one job (without "schema", which the document carries).
nlohmann::ordered_json JobToJson(const diag::Diagnosis& diagnosis);

// Compact JSON text; bytes that are not UTF-8 become U+FFFD.
std::string DumpJson(const nlohmann::ordered_json& value);

}  // namespace stallscan::run
