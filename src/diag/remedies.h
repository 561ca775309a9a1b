#pragma once
// What an administrator can do about what a report found: a sentence for every problem and
// warning, and on a CUPS server the command that does it, with the job, printer and server filled
// in. A remedy is only text: stallscan never runs it and changes nothing in the print system.

#include <string>
#include <string_view>
#include <vector>

#include "diag/diagnosis.h"
#include "diag/state_reasons.h"

namespace stallscan::diag {

// A word as a POSIX shell reads it back unchanged: a plain word as it is, anything else between
// single quotes, a single quote inside as '\''.
std::string ShellWord(std::string_view word);

// The remedy of a state reason: a sentence with "%1" for the printer. Every problem and warning
// has one; information has none (empty).
std::string ReasonRemedy(const StateReason& reason);

// The remedy of a report message that is no state reason and has no command ("%1" and on: its
// arguments); empty for the messages that need nobody to act, and for those that Remedies words
// itself (the held job, the paused printer or queue ...).
std::string_view OtherMessageRemedy(text::Msg id);

// Where commands go: none at all (a print system without commands), or a CUPS server, named with
// "-h SERVER" unless it is the one the CUPS clients use (an empty server).
struct CommandTarget {
    bool cups = false;
    std::string server;
};

// The remedies of a diagnosis, each once, in the order of the messages that give them.
std::vector<Action> Remedies(const Diagnosis& diagnosis, const CommandTarget& target);

// A CUPS command with "-h SERVER" after its name when the server is not the default, and its
// arguments quoted as shell words.
std::string CupsCommand(std::string_view tool, const CommandTarget& target,
                        const std::vector<std::string>& args);

}  // namespace stallscan::diag
