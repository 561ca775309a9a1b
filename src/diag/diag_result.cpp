#include "diag/diag_result.h"

#include <algorithm>
#include <unordered_set>

#include "app/catalog.h"
#include "app/text_functions.h"

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr size_t kMaxArgs = 9;

// A line of the saved record: the catalogue text with "%1" filled, ended by CR LF even when the
// catalogue text itself has no line break. Values are inserted literally: a "%2" in a job name
// stays in the report.
std::string RecordLine(int32_t id, std::string_view arg = {}) {
    std::string line = basCommon::SubstituteArgsLiteral(basCommon::GetCatalogString(id), {arg});
    if (!line.ends_with(kCrLf)) {
        line += kCrLf;
    }
    return line;
}

// The field, or the catalogue text `fallbackId` when the field is empty.
std::string OrFallback(const std::string& field, int32_t fallbackId) {
    return field.empty() ? basCommon::GetCatalogString(fallbackId) : field;
}

}  // namespace

void clsDiagResult::Clear() {
    m_jobId.clear();
    m_jobName.clear();
    m_jobStatus.clear();
    m_spoolerName.clear();
    m_queueName.clear();
    m_phyPrintersSup.clear();
    m_phyPrintersReq.clear();
    m_diagMessages.clear();
    m_messages.clear();
}

void clsDiagResult::PrintUA(int32_t in_objectClass, const std::string& in_objectName) {
    static constexpr int32_t kFirstClass = 1;
    static constexpr int32_t kLastClass = 5;
    if (in_objectClass < kFirstClass || in_objectClass > kLastClass) {
        return;
    }
    const int32_t id = msg::UnableToAccessServer + (in_objectClass - kFirstClass);
    std::string text =
        basCommon::SubstituteArgsLiteral(basCommon::GetCatalogString(id), {in_objectName});
    AppendMessage(id, {in_objectName}, std::move(text));
}

void clsDiagResult::PrintF(int32_t fmt, std::initializer_list<std::string_view> args) {
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
    std::string text = basCommon::SubstituteArgsLiteral(
        basCommon::GetCatalogString(fmt),
        {views[0], views[1], views[2], views[3], views[4], views[5], views[6], views[7], views[8]});
    AppendMessage(fmt, std::move(formatted), std::move(text));
}

void clsDiagResult::AppendMessage(int32_t id, std::vector<std::string> args, std::string text) {
    m_diagMessages += text;
    m_messages.push_back(DiagMessage{id, std::move(args), std::move(text)});
}

std::string clsDiagResult::GetTextForSavingToFile() const {
    std::string identifier;
    if (m_jobId.empty()) {
        identifier = basCommon::GetCatalogString(msg::UnknownId);
    } else if (!m_spoolerName.empty()) {
        identifier = m_spoolerName + ":" + m_jobId;
    } else {
        identifier = m_jobId;
    }

    std::string text = RecordLine(msg::JobIdentifierLine, identifier);
    text += RecordLine(msg::JobNameLine, OrFallback(m_jobName, msg::UnknownName));
    text += RecordLine(msg::JobStatusLine, OrFallback(m_jobStatus, msg::UnknownStatus));
    text += RecordLine(msg::AssignedSpoolerLine, OrFallback(m_spoolerName, msg::UnknownSpooler));
    text += RecordLine(msg::AssignedQueueLine, OrFallback(m_queueName, msg::UnknownQueue));
    text +=
        RecordLine(msg::PhysicalPrintersLine, OrFallback(m_phyPrintersSup, msg::UnknownPrinters));
    if (!m_phyPrintersReq.empty()) {
        text += RecordLine(msg::RequestedPrintersLine, m_phyPrintersReq);
    }
    text += RecordLine(msg::ReasonsHeading);
    text += m_diagMessages;
    return text;
}

std::string clsDiagResult::FormatValueList(std::string_view text) {
    // Split at NUL; empty pieces drop out.
    std::vector<std::string_view> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find('\0', start), text.size());
        if (end > start) {
            pieces.push_back(text.substr(start, end - start));
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

    std::string result;
    for (size_t i = 0; i < distinct.size(); ++i) {
        if (i > 0) {
            result += ", ";
        }
        result += TrimQuotes(distinct[i]);
    }
    return result;
}

std::string clsDiagResult::TrimQuotes(std::string_view text) {
    return basCommon::StripQuotes(text);
}
