#pragma once
// What the diagnosis found about one job: its identifying fields and its messages.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// One message as data: its catalogue identifier, its arguments as substituted and its text.
struct DiagMessage {
    int32_t id = 0;
    std::vector<std::string> args;
    std::string text;
};

class clsDiagResult {
public:
    void Clear();
    // Appends the unable-to-access message (104..108) for object class 1..5; other classes: nothing.
    void PrintUA(int32_t in_objectClass, const std::string& in_objectName);
    // Appends catalogue text `fmt` with its placeholders filled by the arguments, each formatted
    // as a value list first.
    void PrintF(int32_t fmt, std::initializer_list<std::string_view> args = {});
    // The record as written to a log file; every line ends with CR LF.
    std::string GetTextForSavingToFile() const;

    // Property writes store FormatValueList(vData).
    void JobId(const std::string& vData) { m_jobId = FormatValueList(vData); }
    const std::string& JobId() const { return m_jobId; }
    void JobName(const std::string& vData) { m_jobName = FormatValueList(vData); }
    const std::string& JobName() const { return m_jobName; }
    void JobStatus(const std::string& vData) { m_jobStatus = FormatValueList(vData); }
    const std::string& JobStatus() const { return m_jobStatus; }
    void SpoolerName(const std::string& vData) { m_spoolerName = FormatValueList(vData); }
    const std::string& SpoolerName() const { return m_spoolerName; }
    void QueueName(const std::string& vData) { m_queueName = FormatValueList(vData); }
    const std::string& QueueName() const { return m_queueName; }
    void PhyPrintersSup(const std::string& vData) { m_phyPrintersSup = FormatValueList(vData); }
    const std::string& PhyPrintersSup() const { return m_phyPrintersSup; }
    void PhyPrintersReq(const std::string& vData) { m_phyPrintersReq = FormatValueList(vData); }
    const std::string& PhyPrintersReq() const { return m_phyPrintersReq; }
    void DiagMessages(const std::string& vData) { m_diagMessages = FormatValueList(vData); }
    const std::string& DiagMessages() const { return m_diagMessages; }

    // The messages appended since the last Clear, as data.
    const std::vector<DiagMessage>& Messages() const { return m_messages; }

    // A NUL-separated multi-value text as its distinct values (last occurrence wins the place),
    // each without one pair of enclosing quotes, joined by ", ". A text without NUL is one value.
    static std::string FormatValueList(std::string_view text);

private:
    // The text without one pair of enclosing double quotes.
    static std::string TrimQuotes(std::string_view text);
    void AppendMessage(int32_t id, std::vector<std::string> args, std::string text);

    std::string m_jobId, m_jobName, m_jobStatus, m_spoolerName, m_queueName;
    std::string m_phyPrintersSup, m_phyPrintersReq, m_diagMessages;
    std::vector<DiagMessage> m_messages;
};
