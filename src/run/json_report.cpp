#include "run/json_report.h"

#include <algorithm>
#include <ctime>

#include "diag/clock.h"
#include "diag/message_info.h"
#include "text/catalog.h"
#include "text/text_functions.h"
#include "text/time_text.h"

namespace stallscan::run {

namespace {

// A message's text without its leading "- " and its final line end; inner line ends as LF.
std::string MessageText(std::string text) {
    if (text.starts_with("- ")) {
        text.erase(0, 2);
    }
    while (text.ends_with("\r\n")) {
        text.resize(text.size() - 2);
    }
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
        text.erase(at, 1);
    }
    return text;
}

// A catalogue sentence about a server, as one line without "- " and line end.
std::string ServerSentence(text::Msg id, const std::string& server) {
    return MessageText(text::SubstituteArgs(text::Catalog(id), {server}));
}

// A time as RFC 3339 with the local offset of that moment.
std::string LocalRfc3339(int64_t epoch_seconds) {
    return text::FormatRfc3339(epoch_seconds, diag::UtcOffset(epoch_seconds));
}

// "actions": what can be done, each with its command where there is one; "alternatives": the
// destinations that could print the job now.
void AddRemedies(nlohmann::ordered_json& job, const diag::Diagnosis& diagnosis) {
    nlohmann::ordered_json actions = nlohmann::ordered_json::array();
    for (const diag::Action& action : diagnosis.Actions()) {
        nlohmann::ordered_json entry = {{"text", action.text}};
        if (!action.command.empty()) {
            entry["command"] = action.command;
        }
        actions.push_back(std::move(entry));
    }
    nlohmann::ordered_json alternatives = nlohmann::ordered_json::array();
    for (const diag::Alternative& alternative : diagnosis.Alternatives()) {
        alternatives.push_back({{"queue", alternative.queue}, {"command", alternative.command}});
    }
    job["actions"] = std::move(actions);
    job["alternatives"] = std::move(alternatives);
}

}  // namespace

void ServerOutcomes::AddPlan(const RunPlan& plan) {
    for (const ListedServer& listed : plan.listed_servers) {
        Find(listed.server);
    }
    for (const EmptyServer& empty : plan.empty_servers) {
        ServerOutcome& found = Find(empty.server);
        if (empty.unknown) {
            found.outcome = "not-found";
            found.error = "Server \"" + empty.server + "\" was not found.";
        } else if (empty.status == listing::Status::kAuthenticationRequired) {
            found.outcome = "authentication-required";
            found.error = ServerSentence(text::Msg::kReasonAuthenticationRequired, empty.server);
        } else if (empty.status == listing::Status::kTimedOut) {
            found.outcome = "timed-out";
            found.error = ServerSentence(text::Msg::kServerNotResponding, empty.server);
        } else if (empty.status == listing::Status::kStopped) {
            found.outcome = "stopped";
        } else if (listing::IsAccessFailure(empty.status)) {
            found.outcome = "unreachable";
            found.error = ServerSentence(text::Msg::kUnableToAccessServer, empty.server);
        }
    }
}

void ServerOutcomes::AddJob(const diag::Diagnosis& diagnosis) {
    const std::string& server = diagnosis.SpoolerName();
    if (server.empty()) {
        return;
    }
    ServerOutcome& found = Find(server);
    const diag::Outcome outcome = diagnosis.GetOutcome();
    if (found.outcome != "ok" ||
        (outcome != diag::Outcome::kUnreachable && outcome != diag::Outcome::kTimedOut)) {
        return;
    }
    found.outcome = outcome == diag::Outcome::kTimedOut ? "timed-out" : "unreachable";
    // The job's last message says what could not be read.
    found.error = diagnosis.Messages().empty() ? std::string()
                                               : MessageText(diagnosis.Messages().back().text);
}

ServerOutcome& ServerOutcomes::Find(const std::string& server) {
    const auto known = std::find_if(servers_.begin(), servers_.end(),
                                    [&](const ServerOutcome& s) { return s.server == server; });
    if (known != servers_.end()) {
        return *known;
    }
    servers_.push_back({server, "ok", ""});
    return servers_.back();
}

std::string Rfc3339(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string DocumentHead(std::chrono::system_clock::time_point scan_time) {
    return "{\"schema\":" + std::to_string(kJsonSchema) + ",\"scanTime\":\"" + Rfc3339(scan_time) +
           "\",\"version\":\"" STALLSCAN_VERSION "\",\"jobs\":[";
}

std::string DocumentTail(bool complete, const std::vector<ServerOutcome>& servers) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const ServerOutcome& server : servers) {
        list.push_back(
            {{"server", server.server}, {"outcome", server.outcome}, {"error", server.error}});
    }
    return std::string("],\"complete\":") + (complete ? "true" : "false") +
           ",\"servers\":" + DumpJson(list) + "}";
}

nlohmann::ordered_json JobToJson(const diag::Diagnosis& diagnosis) {
    nlohmann::ordered_json messages = nlohmann::ordered_json::array();
    for (const diag::Message& message : diagnosis.Messages()) {
        // "No problems were found." is the report's way of saying there is no message.
        if (message.id == text::Msg::kNoProblemsFound) {
            continue;
        }
        messages.push_back({{"id", static_cast<int>(message.id)},
                            {"code", diag::CodeOf(message)},
                            {"severity", diag::SeverityName(diag::SeverityOf(message))},
                            {"args", message.args},
                            {"text", MessageText(message.text)}});
        if (message.since) {
            messages.back()["since"] = LocalRfc3339(*message.since);
        }
    }
    const std::string& server = diagnosis.SpoolerName();
    nlohmann::ordered_json job = {
        {"job", server.empty() ? diagnosis.JobId() : server + ":" + diagnosis.JobId()},
        {"server", server},
        {"id", diagnosis.JobId()},
        {"name", diagnosis.JobName()},
        {"status", diagnosis.JobStatus()},
        {"queue", diagnosis.QueueName()},
        {"printers", diagnosis.PrinterList(false)},
        {"requestedPrinters", diagnosis.PrinterList(true)},
        {"outcome", diag::OutcomeName(diagnosis.GetOutcome())},
        {"messages", std::move(messages)},
    };
    if (!diagnosis.JobOwner().empty()) {
        job["owner"] = diagnosis.JobOwner();
    }
    if (const auto created = diagnosis.Created()) {
        job["created"] = LocalRfc3339(*created);
    }
    if (const auto waited = diagnosis.WaitingSeconds()) {
        job["waitingSeconds"] = *waited;
    }
    AddRemedies(job, diagnosis);
    return job;
}

std::string DumpJson(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace stallscan::run
