// The command-line arguments: sorting into options, keywords and SPECs, and the keyword
// extraction for the pseudo directory and the domain from the argument text and STALLSCAN.

#include <string>
#include <vector>

#include <algorithm>

#include "app/startup.h"
#include "cli/options.h"
#include "fuzz_check.h"
#include "text/text_functions.h"

using stallscan::app::ChoosePseudoDir;
using stallscan::app::FindDomain;

namespace {

bool IsKeyword(const std::string& arg) {
    return arg.find("pseudo-kvls") != std::string::npos ||
           arg.find("domain-name@") != std::string::npos;
}

std::vector<std::string> SplitAt(const std::string& text, char separator) {
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

// Invariants of the sorting: every SPEC is an argument, in order, that is neither empty nor a
// keyword, and begins with "-" only after "--" (or is "-"); the command line is wanted exactly
// when some argument is neither empty nor a keyword.
void CheckParsed(const std::vector<std::string>& args) {
    const stallscan::cli::Options options = stallscan::cli::ParseArguments(args);
    const auto options_end = std::find(args.begin(), args.end(), "--");
    auto next = args.begin();
    for (const std::string& spec : options.specs) {
        next = std::find(next, args.end(), spec);
        FUZZ_CHECK(next != args.end());
        FUZZ_CHECK(!spec.empty() && !IsKeyword(spec));
        FUZZ_CHECK(spec[0] != '-' || spec == "-" || next > options_end);
        ++next;
    }
    const bool any = std::any_of(args.begin(), args.end(), [](const std::string& arg) {
        return !arg.empty() && !IsKeyword(arg);
    });
    FUZZ_CHECK(options.wants_command_line == any);
}

// The keyword's value: a piece of the source that holds no `stop` character.
void CheckKeywordValue(const std::string& value, const std::string& source, char stop) {
    FUZZ_CHECK(value.find(stop) == std::string::npos);
    FUZZ_CHECK(source.find(value) != std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Three parts separated by line feeds: the arguments (separated by NUL), STALLSCAN, TEMP.
    std::vector<std::string> parts =
        SplitAt(std::string(reinterpret_cast<const char*>(data), size), '\n');
    parts.resize(3);
    const std::vector<std::string> args = SplitAt(parts[0], '\0');
    const std::string& stallscanEnv = parts[1];
    const std::string& tempEnv = parts[2];

    CheckParsed(args);

    // The argument text as POSIX builds it: the arguments joined by single blanks.
    std::string argText;
    for (size_t i = 0; i < args.size(); ++i) {
        argText += (i == 0 ? "" : " ") + args[i];
    }

    const std::string pseudoDir = ChoosePseudoDir(argText, stallscanEnv, tempEnv);
    const size_t argPseudo = argText.find("pseudo-kvls");
    const size_t envPseudo = stallscanEnv.find("pseudo-kvls");
    if (argPseudo != std::string::npos) {
        if (argText.compare(argPseudo + 11, 1, "@") == 0) {
            CheckKeywordValue(pseudoDir, argText, ' ');
        } else {
            FUZZ_CHECK(pseudoDir == tempEnv);
        }
    } else if (envPseudo != std::string::npos) {
        if (stallscanEnv.compare(envPseudo + 11, 1, "@") == 0) {
            CheckKeywordValue(pseudoDir, stallscanEnv, ';');
        } else {
            FUZZ_CHECK(pseudoDir == tempEnv);
        }
    } else {
        FUZZ_CHECK(pseudoDir.empty());
    }

    const std::string domain = FindDomain(argText, stallscanEnv);
    if (argText.find("domain-name@") != std::string::npos) {
        CheckKeywordValue(domain, argText, ' ');
    } else if (stallscanEnv.find("domain-name@") != std::string::npos) {
        CheckKeywordValue(domain, stallscanEnv, ';');
    } else {
        FUZZ_CHECK(domain.empty());
    }
    const std::string trimmed(stallscan::text::TrimSpaces(domain));
    FUZZ_CHECK(trimmed.empty() || (trimmed.front() != ' ' && trimmed.back() != ' '));
    return 0;
}
