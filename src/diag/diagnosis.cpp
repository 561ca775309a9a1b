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

// The catalogue text of `id` with its "%1" to "%9" filled by `args`, as given.
std::string FilledText(Msg id, const std::vector<std::string>& args) {
    std::vector<std::string_view> views(args.begin(), args.end());
    views.resize(kMaxArgs);
    return text::SubstituteArgsLiteral(
        Catalog(id),
        {views[0], views[1], views[2], views[3], views[4], views[5], views[6], views[7], views[8]});
}

// A message without a line of its own in the catalogue: "- ", the filled text, CR LF.
std::string ReasonLineText(Msg id, std::string_view arg) {
    std::string line = "- " + text::SubstituteArgsLiteral(Catalog(id), {arg});
    line += kCrLf;
    return line;
}

}  // namespace

void Diagnosis::AddAccessFailure(model::ObjectClass object_class, std::string_view name) {
    const auto code = static_cast<int32_t>(object_class);
    if (code < 1 || code > 5) {
        return;
    }
    // 104 server, 105 printer, 106 queue, 107 job, 108 document.
    const auto id = static_cast<Msg>(static_cast<int32_t>(Msg::kUnableToAccessServer) + code - 1);
    std::vector<std::string> args{std::string(name)};
    std::string text = FilledText(id, args);
    Append(id, std::move(args), std::move(text));
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
    std::string filled = FilledText(id, formatted);
    Append(id, std::move(formatted), std::move(filled));
}

void Diagnosis::Append(Msg id, std::vector<std::string> args, std::string text, bool reason_line) {
    message_text_ += text;
    messages_.push_back(Message{id, std::move(args), std::move(text), reason_line});
}

std::string Diagnosis::ReportText() const {
    return ReportText(nullptr);
}

std::string Diagnosis::ReportText(std::string (*show)(std::string_view)) const {
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
    if (show == nullptr) {
        return text + message_text_;
    }
    for (const Message& message : messages_) {
        std::vector<std::string> args;
        for (const std::string& arg : message.args) {
            args.push_back(show(arg));
        }
        text += message.reason_line ? ReasonLineText(message.id, args.front())
                                    : FilledText(message.id, args);
    }
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

void Diagnosis::AddReasonLine(Msg id, std::string_view arg) {
    Append(id, {std::string(arg)}, ReasonLineText(id, arg), true);
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
