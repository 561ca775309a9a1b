#include "diag/diagnosis.h"

#include <algorithm>
#include <unordered_set>

#include "text/text_functions.h"

namespace stallscan::diag {

namespace {

using text::Catalog;
using text::kCrLf;
using text::Msg;

constexpr size_t kMaxArgs = 9;

// A line of the saved record: the catalogue text with "%1" filled, ended by CR LF even when the
// catalogue text itself has no line break. Values are inserted literally: a "%2" in a job name
// stays in the report.
std::string RecordLine(Msg id, std::string_view arg = {}) {
    std::string line = text::SubstituteArgsLiteral(Catalog(id), {arg});
    if (!line.ends_with(kCrLf)) {
        line += kCrLf;
    }
    return line;
}

// The field, or the catalogue text `fallback` when the field is empty.
const std::string& OrFallback(const std::string& field, Msg fallback) {
    return field.empty() ? Catalog(fallback) : field;
}

// Every occurrence of `from` in `text` replaced by `to`.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

}  // namespace

void Diagnosis::AddAccessFailure(model::ObjectClass object_class, std::string_view name) {
    const auto code = static_cast<int32_t>(object_class);
    if (code < 1 || code > 5) {
        return;
    }
    // 104 server, 105 printer, 106 queue, 107 job, 108 document.
    const auto id = static_cast<Msg>(static_cast<int32_t>(Msg::kUnableToAccessServer) + code - 1);
    Append(id, {std::string(name)}, text::SubstituteArgsLiteral(Catalog(id), {name}));
}

void Diagnosis::Add(Msg id, std::initializer_list<std::string_view> args) {
    std::vector<std::string> formatted;
    formatted.reserve(std::min(args.size(), kMaxArgs));
    for (std::string_view arg : args) {
        if (formatted.size() == kMaxArgs) {
            break;
        }
        formatted.push_back(FormatValueList(arg));
    }
    std::vector<std::string_view> views(formatted.begin(), formatted.end());
    views.resize(kMaxArgs);
    std::string filled = text::SubstituteArgsLiteral(
        Catalog(id),
        {views[0], views[1], views[2], views[3], views[4], views[5], views[6], views[7], views[8]});
    Append(id, std::move(formatted), std::move(filled));
}

void Diagnosis::AddSince(Msg id, std::initializer_list<std::string_view> args, int64_t since) {
    Add(id, args);
    messages_.back().since = since;
}

void Diagnosis::Append(Msg id, std::vector<std::string> args, std::string text) {
    message_text_ += text;
    messages_.push_back(Message{id, std::move(args), std::move(text)});
}

std::string Diagnosis::ReportText() const {
    return RecordText(nullptr) + message_text_ + RemedyText(nullptr);
}

void Diagnosis::SetRemedies(std::vector<Action> actions, bool in_report) {
    actions_ = std::move(actions);
    remedies_in_report_ = in_report;
}

void Diagnosis::SetAlternatives(std::vector<Alternative> alternatives) {
    alternatives_ = std::move(alternatives);
}

// The report's closing lines: where else the job could print, and what can be done.
std::string Diagnosis::RemedyText(std::string (*show)(std::string_view)) const {
    if (!remedies_in_report_) {
        return {};
    }
    const auto shown = [show](const std::string& value) {
        return show == nullptr ? value : show(value);
    };
    std::string text;
    if (!alternatives_.empty()) {
        std::string queues;
        for (const Alternative& alternative : alternatives_) {
            queues += (queues.empty() ? "" : ", ") + alternative.queue;
        }
        text += "It could print on: " + shown(queues) + " (" +
                shown(alternatives_.front().command) + ")." + std::string(kCrLf);
    }
    if (!actions_.empty()) {
        text += "What can be done:";
        text += kCrLf;
    }
    for (const Action& action : actions_) {
        text += "  " + shown(action.text);
        text += kCrLf;
        if (!action.command.empty()) {
            text += "    " + shown(action.command);
            text += kCrLf;
        }
    }
    return text;
}

std::string Diagnosis::TerminalReportText() const {
    std::string text = RecordText([](std::string_view value) { return text::EscapeControls(value); });
    for (const Message& message : messages_) {
        // An argument's own line ends are escaped first, so that the rest of the text can keep
        // the message's line ends.
        std::string shown = message.text;
        for (const std::string& arg : message.args) {
            if (arg.find_first_of("\r\n") != std::string::npos) {
                ReplaceAll(shown, arg, text::EscapeControls(arg));
            }
        }
        shown = text::EscapeControls(shown, true);
        if (message.text.ends_with(kCrLf) && !shown.ends_with(kCrLf)) {
            shown += kCrLf;
        }
        text += shown;
    }
    return text + RemedyText([](std::string_view value) { return text::EscapeControls(value); });
}

// The identifying lines and the reasons heading, with `show` applied to each value.
std::string Diagnosis::RecordText(std::string (*show)(std::string_view)) const {
    const auto shown = [show](const std::string& value) {
        return show == nullptr ? value : show(value);
    };
    std::string identifier;
    if (job_id_.empty()) {
        identifier = Catalog(Msg::kUnknownId);
    } else if (!spooler_name_.empty()) {
        identifier = spooler_name_ + ":" + job_id_;
    } else {
        identifier = job_id_;
    }

    std::string text = RecordLine(Msg::kJobIdentifierLine, shown(identifier));
    text += RecordLine(Msg::kJobNameLine, shown(OrFallback(job_name_, Msg::kUnknownName)));
    text += RecordLine(Msg::kJobStatusLine, shown(OrFallback(job_status_, Msg::kUnknownStatus)));
    text += RecordLine(Msg::kAssignedSpoolerLine,
                       shown(OrFallback(spooler_name_, Msg::kUnknownSpooler)));
    text += RecordLine(Msg::kAssignedQueueLine, shown(OrFallback(queue_name_, Msg::kUnknownQueue)));
    text += RecordLine(Msg::kPhysicalPrintersLine,
                       shown(OrFallback(printers_supported_, Msg::kUnknownPrinters)));
    if (!printers_requested_.empty()) {
        text += RecordLine(Msg::kRequestedPrintersLine, shown(printers_requested_));
    }
    text += RecordLine(Msg::kReasonsHeading);
    return text;
}

void Diagnosis::SetPrintersSupported(std::string_view values) {
    printers_supported_ = FormatValueList(values);
    printer_lists_[0] = ValueList(values);
}

void Diagnosis::SetPrintersRequested(std::string_view values) {
    printers_requested_ = FormatValueList(values);
    printer_lists_[1] = ValueList(values);
}

std::vector<std::string> Diagnosis::PrinterList(bool requested) const {
    return printer_lists_[requested ? 1 : 0];
}

void Diagnosis::AddOwn(Msg id, std::vector<std::string> args, std::string text, std::string code,
                       Severity severity) {
    Append(id, std::move(args), std::move(text));
    messages_.back().code = std::move(code);
    messages_.back().severity = severity;
}

void Diagnosis::Weigh(size_t index, Severity severity) {
    Message& message = messages_.at(index);
    std::string& text = message.text;
    for (const std::string_view prefix : {"- ", "Warning: "}) {
        if (text.starts_with(prefix)) {
            text.erase(0, prefix.size());
            break;
        }
    }
    text.insert(0, SeverityPrefix(severity));
    message.severity = severity;
    message_text_.clear();
    for (const Message& each : messages_) {
        message_text_ += each.text;
    }
}

std::string_view SeverityPrefix(Severity severity) {
    switch (severity) {
        case Severity::kProblem:
            return "- ";
        case Severity::kWarning:
            return "Warning: ";
        case Severity::kInfo:
            break;
    }
    return "";
}

void Diagnosis::AddReasonLine(Msg id, std::string_view arg) {
    std::string line = "- " + text::SubstituteArgsLiteral(Catalog(id), {arg});
    line += kCrLf;
    Append(id, {std::string(arg)}, std::move(line));
}

std::string Diagnosis::FormatValueList(std::string_view values) {
    // Every item after the first is preceded by ", ", also when the first one is empty (a value
    // of two double quotes).
    const std::vector<std::string> list = ValueList(values);
    std::string result;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i > 0) {
            result += ", ";
        }
        result += list[i];
    }
    return result;
}

std::vector<std::string> Diagnosis::ValueList(std::string_view values) {
    // Split at NUL; empty pieces drop out.
    std::vector<std::string_view> pieces;
    size_t start = 0;
    while (start <= values.size()) {
        const size_t end = std::min(values.find('\0', start), values.size());
        if (end > start) {
            pieces.push_back(values.substr(start, end - start));
        }
        start = end + 1;
    }

    // Each distinct value once, at the place of its last occurrence.
    std::vector<std::string_view> distinct;
    std::unordered_set<std::string_view> seen;
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
        if (seen.insert(*it).second) {
            distinct.push_back(*it);
        }
    }
    std::reverse(distinct.begin(), distinct.end());

    std::vector<std::string> list;
    for (const std::string_view value : distinct) {
        list.push_back(text::StripQuotes(value));
    }
    return list;
}

}  // namespace stallscan::diag
