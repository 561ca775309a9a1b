#include "run/json_report.h"

#include "diag/message_info.h"

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

}  // namespace

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
    return job;
}

std::string DumpJson(const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace stallscan::run
