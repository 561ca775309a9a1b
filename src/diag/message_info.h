#pragma once
// What each message of a report means for scripts and monitoring: a stable symbolic code and a
// severity. Codes never change once given; new messages get new codes.

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "diag/diagnosis.h"
#include "text/catalog.h"

namespace stallscan::diag {

struct MessageInfo {
    text::Msg id;
    std::string_view code;
    Severity severity;
    std::string_view meaning;  // one line, for the manual
};

// The information of a report message; every message a diagnosis can write has one.
const MessageInfo& InfoOf(text::Msg id);
// Every report message's information, in catalogue order.
const std::vector<MessageInfo>& AllMessageInfo();

// A message's own code and severity where it has them (a state reason), else its number's.
std::string_view CodeOf(const Message& message);
Severity SeverityOf(const Message& message);

std::string_view SeverityName(Severity severity);
std::string_view OutcomeName(Outcome outcome);

// True when the job was diagnosed and a message says something blocks it.
bool IsBlocked(const Diagnosis& diagnosis);

// The codes of the job's problems, each once: what counts a job by reason.
std::set<std::string> ProblemCodes(const Diagnosis& diagnosis);

}  // namespace stallscan::diag
