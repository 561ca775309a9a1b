#include "cli/json_report.h"

#include <cstdint>
#include <cstdio>

namespace stallscan::cli {

namespace {

// Length of the valid UTF-8 sequence starting at `at`, or 0 when it is not valid.
size_t Utf8SequenceLength(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    size_t length = 0;
    uint32_t min = 0;
    uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, min = 0x80, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, min = 0x800, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, min = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return (code < min || code > 0x10FFFF || surrogate) ? 0 : length;
}

void AppendField(std::string& json, const char* name, const std::string& value, bool last = false) {
    json += "    \"";
    json += name;
    json += "\": ";
    json += JsonString(value);
    json += last ? "\n" : ",\n";
}

void AppendMessages(std::string& json, const std::vector<diag::Message>& messages) {
    json += "    \"messages\": [";
    for (size_t i = 0; i < messages.size(); ++i) {
        const diag::Message& message = messages[i];
        json += i == 0 ? "\n" : ",\n";
        json += "      {\"id\": " + std::to_string(static_cast<int32_t>(message.id)) + ", \"args\": [";
        for (size_t a = 0; a < message.args.size(); ++a) {
            json += (a == 0 ? "" : ", ") + JsonString(message.args[a]);
        }
        json += "], \"text\": " + JsonString(message.text) + "}";
    }
    json += messages.empty() ? "]\n" : "\n    ]\n";
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    for (size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c == '\n') {
            json += "\\n";
        } else if (c == '\r') {
            json += "\\r";
        } else if (c == '\t') {
            json += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            json += escaped;
        } else if (c >= 0x80) {
            const size_t length = Utf8SequenceLength(text, at);
            if (length == 0) {
                json += "\xEF\xBF\xBD";  // U+FFFD
                ++at;
                continue;
            }
            json.append(text.substr(at, length));
            at += length;
            continue;
        } else {
            json += static_cast<char>(c);
        }
        ++at;
    }
    json += '"';
    return json;
}

std::string ResultsToJson(const std::vector<diag::Diagnosis>& results) {
    std::string json = "[";
    for (size_t i = 0; i < results.size(); ++i) {
        const diag::Diagnosis& result = results[i];
        json += i == 0 ? "\n  {\n" : ",\n  {\n";
        AppendField(json, "jobId", result.JobId());
        AppendField(json, "jobName", result.JobName());
        AppendField(json, "jobStatus", result.JobStatus());
        AppendField(json, "spooler", result.SpoolerName());
        AppendField(json, "queue", result.QueueName());
        AppendField(json, "printersSupported", result.PrintersSupported());
        AppendField(json, "printersRequested", result.PrintersRequested());
        AppendMessages(json, result.Messages());
        json += "  }";
    }
    json += results.empty() ? "]\n" : "\n]\n";
    return json;
}

}  // namespace stallscan::cli
