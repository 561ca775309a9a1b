#pragma once
// What the diagnosis found about one job: its identifying fields, which the result window shows
// as a row, and its messages, which the reports hold.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/object_address.h"
#include "text/catalog.h"

namespace stallscan::diag {

enum class Severity {
    kProblem,  // blocks the job until someone acts
    kWarning,  // worth a look; may not block the job
    kInfo,     // what became of the job, or a state that needs nothing done
};

// One message as data: its catalogue number, its arguments as substituted and its text. Most
// messages mean what their catalogue number means; a state reason carries its own code and
// severity, and a message can be told to weigh less than its number says (see SeverityOf).
struct Message {
    text::Msg id;
    std::vector<std::string> args;
    std::string text;
    std::string code = {};                    // empty: the catalogue number's
    std::optional<Severity> severity = {};  // none: the catalogue number's
    std::optional<int64_t> since = {};        // since when its state holds (s since 1970)
};

// Something that can be done about a finding: a sentence, and the command that does it where the
// print system has one (empty where it has none).
struct Action {
    std::string text;
    std::string command;
};

// Another destination of the job's server that could print the job now, and the command that
// moves the job there.
struct Alternative {
    std::string queue;
    std::string command;
};

// How far the diagnosis of a job got.
enum class Outcome {
    kDiagnosed,    // the job was listed and its report says what blocks it or what became of it
    kInvalid,      // no server, or an identifier that is no job number
    kNotFound,     // the server does not know the job
    kUnreachable,  // the job's server or the job itself could not be listed (or no state read)
    kTimedOut,     // a listing did not finish in time; the report ends there
};

// How a report line begins for a severity, as the catalogue's texts do: "- " for a problem,
// "Warning: " for a warning, nothing for information.
std::string_view SeverityPrefix(Severity severity);

class Diagnosis {
  public:
    // Field writes store the values of a multi-value text (values each followed by NUL) as a list
    // separated by ", " (FormatValueList); a text without NUL is one value.
    void SetJobId(std::string_view values) { job_id_ = FormatValueList(values); }
    void SetJobName(std::string_view values) { job_name_ = FormatValueList(values); }
    void SetJobStatus(std::string_view values) { job_status_ = FormatValueList(values); }
    void SetSpoolerName(std::string_view values) { spooler_name_ = FormatValueList(values); }
    void SetQueueName(std::string_view values) { queue_name_ = FormatValueList(values); }
    void SetPrintersSupported(std::string_view values);
    void SetPrintersRequested(std::string_view values);
    // The job's owner; not part of the report.
    void SetJobOwner(std::string_view values) { job_owner_ = FormatValueList(values); }
    void SetOutcome(Outcome outcome) { outcome_ = outcome; }
    // When the job was submitted (seconds since 1970) and, for a waiting job, how long it has
    // waited; not set where the print system does not say.
    void SetCreated(int64_t created) { created_ = created; }
    void SetWaitingSeconds(int64_t seconds) { waiting_seconds_ = seconds; }

    const std::string& JobId() const { return job_id_; }
    const std::string& JobName() const { return job_name_; }
    const std::string& JobStatus() const { return job_status_; }
    const std::string& SpoolerName() const { return spooler_name_; }
    const std::string& QueueName() const { return queue_name_; }
    const std::string& PrintersSupported() const { return printers_supported_; }
    const std::string& PrintersRequested() const { return printers_requested_; }
    const std::string& JobOwner() const { return job_owner_; }
    Outcome GetOutcome() const { return outcome_; }
    std::optional<int64_t> Created() const { return created_; }
    std::optional<int64_t> WaitingSeconds() const { return waiting_seconds_; }
    // The printers as a list: the values that the report joins by ", ".
    std::vector<std::string> PrinterList(bool requested) const;

    // Appends catalogue message `id` with its placeholders filled by the arguments, each formatted
    // as a value list first.
    void Add(text::Msg id, std::initializer_list<std::string_view> args = {});
    // Appends the unable-to-access message (104 to 108) of an object class from server to
    // document, with the name unchanged; any other class adds nothing.
    void AddAccessFailure(model::ObjectClass object_class, std::string_view name);
    // Appends a message that has no line of its own in the catalogue (the server's time-out,
    // 500) as a reason line: "- ", the filled text, CR LF.
    void AddReasonLine(text::Msg id, std::string_view arg);
    // Appends a message whose text, code and severity are its own (a state reason's sentence),
    // filed under catalogue number `id`; the text is a whole line with its CR LF.
    void AddOwn(text::Msg id, std::vector<std::string> args, std::string text, std::string code,
                Severity severity);
    // Add, with the time since when the state the message tells holds.
    void AddSince(text::Msg id, std::initializer_list<std::string_view> args, int64_t since);
    // Gives message `index` the severity `severity`, and its line the prefix that goes with it
    // ("- " problem, "Warning: " warning, none for information) instead of its own.
    void Weigh(size_t index, Severity severity);

    // What can be done, and where else the job could print. With `in_report`, the report ends with
    // them: "It could print on: ..." and "What can be done:" with a line per remedy and its
    // command indented below it; without, they are data alone (the JSON report).
    void SetRemedies(std::vector<Action> actions, bool in_report);
    void SetAlternatives(std::vector<Alternative> alternatives);
    const std::vector<Action>& Actions() const { return actions_; }
    const std::vector<Alternative>& Alternatives() const { return alternatives_; }

    // Every message's text, one after the other.
    const std::string& MessageText() const { return message_text_; }
    // The messages and, where the report has them, where else the job could print and what can
    // be done: what the result window shows below a job's row.
    std::string DetailText() const { return message_text_ + RemedyText(nullptr); }
    const std::vector<Message>& Messages() const { return messages_; }

    // The record as a log file holds it: the identifying lines, the reasons heading and the
    // messages, every line ended by CR LF.
    std::string ReportText() const;
    // The same record for a terminal: the control characters of every value that came from the
    // print system (the identifying fields and the messages' arguments) escaped
    // (text::EscapeControls); the record's own line ends stay.
    std::string TerminalReportText() const;

    // A NUL-separated multi-value text as its distinct values (each at the place of its last
    // occurrence), each without one pair of enclosing double quotes, joined by ", ".
    static std::string FormatValueList(std::string_view values);
    // The same values as a list.
    static std::vector<std::string> ValueList(std::string_view values);

  private:
    void Append(text::Msg id, std::vector<std::string> args, std::string text);
    std::string RecordText(std::string (*show)(std::string_view)) const;
    std::string RemedyText(std::string (*show)(std::string_view)) const;

    std::string job_id_, job_name_, job_status_, spooler_name_, queue_name_;
    std::string printers_supported_, printers_requested_, job_owner_;
    std::vector<std::string> printer_lists_[2];  // supported, requested
    Outcome outcome_ = Outcome::kDiagnosed;
    std::optional<int64_t> created_, waiting_seconds_;
    std::string message_text_;
    std::vector<Message> messages_;
    std::vector<Action> actions_;
    std::vector<Alternative> alternatives_;
    bool remedies_in_report_ = false;
};

}  // namespace stallscan::diag
