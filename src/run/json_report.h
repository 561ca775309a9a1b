#pragma once
// The reports as JSON, for scripts and monitoring (schema 1, docs/report.schema.json): per job its
// identity, fields, outcome and messages, each message with its catalogue number, symbolic code,
// severity, arguments and text.

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "diag/diagnosis.h"
#include "run/run_plan.h"

namespace stallscan::run {

inline constexpr int kJsonSchema = 1;

// The JSON object of one job (without "schema", which the document carries).
nlohmann::ordered_json JobToJson(const diag::Diagnosis& diagnosis);

// What became of one server of a run: "ok", "not-found", "unreachable", "timed-out",
// "authentication-required" or "stopped", and the sentence that says what went wrong (empty
// when nothing did).
struct ServerOutcome {
    std::string server;
    std::string outcome = "ok";
    std::string error;
};

// The servers of a run in the order they are first met: each "server:" of the plan with what its
// job list gave, then the servers of the jobs, each failing with the first job that could not
// reach it.
class ServerOutcomes {
  public:
    void AddPlan(const RunPlan& plan);
    void AddJob(const diag::Diagnosis& diagnosis);
    const std::vector<ServerOutcome>& List() const { return servers_; }

  private:
    ServerOutcome& Find(const std::string& server);
    std::vector<ServerOutcome> servers_;
};

// The document's fields about the run around its jobs. The head ends with "jobs":[ and the tail
// begins with the array's ]: the jobs go between them as they are diagnosed.
std::string DocumentHead(std::chrono::system_clock::time_point scan_time);
std::string DocumentTail(bool complete, const std::vector<ServerOutcome>& servers);

// RFC 3339 in UTC with seconds ("2026-12-06T17:04:05Z").
std::string Rfc3339(std::chrono::system_clock::time_point time);

// Compact JSON text; bytes that are not UTF-8 become U+FFFD.
std::string DumpJson(const nlohmann::ordered_json& value);

}  // namespace stallscan::run
