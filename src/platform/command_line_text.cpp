// Splitting a Windows command line at the end of the program's name. Pure text, so that every
// build tests it; the Windows layer applies it to GetCommandLineA().

#include "platform/platform.h"

namespace stallscan::platform {

std::string TextAfterProgramName(const std::string& commandLine) {
    size_t pos = 0;
    bool quoted = false;
    // The name: no escapes, a double quote only toggles quoting (it may close mid-word).
    while (pos < commandLine.size()) {
        const char c = commandLine[pos];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            break;
        }
        ++pos;
    }
    while (pos < commandLine.size() && (commandLine[pos] == ' ' || commandLine[pos] == '\t')) {
        ++pos;
    }
    return commandLine.substr(pos);
}

}  // namespace stallscan::platform
