#include "app/startup.h"

#include "platform/platform.h"
#include "text/catalog.h"
#include "text/text_functions.h"

namespace stallscan::app {

namespace {

const std::string kPseudoKeyword = "pseudo-kvls";
const std::string kDomainKeyword = "domain-name@";

// Text after `keyword` in `text` up to `stop` (or the end), when the keyword is present.
// The first occurrence counts; the search is case-sensitive.
bool TextAfterKeyword(const std::string& text, const std::string& keyword, char stop,
                      std::string& value) {
    const size_t at = text.find(keyword);
    if (at == std::string::npos) {
        return false;
    }
    const size_t start = at + keyword.size();
    const size_t end = text.find(stop, start);
    value = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    return true;
}

// The pseudo directory from one source: `stop` ends the "@" directory (" " on the command line,
// ";" in STALLSCAN). False when the keyword is absent.
bool PseudoDirFrom(const std::string& text, char stop, const std::string& temp_env,
                   std::string& dir) {
    const size_t at = text.find(kPseudoKeyword);
    if (at == std::string::npos) {
        return false;
    }
    const size_t after = at + kPseudoKeyword.size();
    if (after < text.size() && text[after] == '@') {
        const size_t end = text.find(stop, after + 1);
        dir =
            text.substr(after + 1, end == std::string::npos ? std::string::npos : end - after - 1);
    } else {
        dir = temp_env;
    }
    return true;
}

}  // namespace

std::string ChoosePseudoDir(const std::string& arg_text, const std::string& stallscan_env,
                            const std::string& temp_env) {
    std::string dir;
    if (PseudoDirFrom(arg_text, ' ', temp_env, dir)) {
        return dir;
    }
    if (PseudoDirFrom(stallscan_env, ';', temp_env, dir)) {
        return dir;
    }
    return {};
}

std::string FindDomain(const std::string& arg_text, const std::string& stallscan_env) {
    std::string domain;
    if (TextAfterKeyword(arg_text, kDomainKeyword, ' ', domain)) {
        return domain;
    }
    if (TextAfterKeyword(stallscan_env, kDomainKeyword, ';', domain)) {
        return domain;
    }
    return {};
}

StartupOutcome CheckStartup(const std::string& arg_text, const EnvLookup& env,
                            const FileLengthLookup& file_length) {
    using text::Catalog;
    using text::Msg;
    StartupOutcome outcome;
    run::StartupValues& values = outcome.values;
    values.root_dir = text::ToWindowsPath(env("OV_ROOT"));
    if (values.root_dir.empty()) {
        outcome.problem = StartupProblem::kNoRoot;
        outcome.message = Catalog(Msg::kInvalidExecution);
        return outcome;
    }
    values.tool_path = values.root_dir + Catalog(Msg::kToolPathBelowRoot);
    const std::optional<int64_t> length = file_length(values.tool_path);
    if (!length || *length == 0) {
        outcome.problem = StartupProblem::kToolUnavailable;
        // The file that was tried, in the system's own notation.
        outcome.message = text::SubstituteArgs(Catalog(Msg::kUnableToAccessBinary),
                                               {platform::ResolveToolPath(values.tool_path)});
        return outcome;
    }
    values.default_printer = env(Catalog(Msg::kDefaultPrinterVariable));
    const std::string stallscan_env = env("STALLSCAN");
    values.pseudo_dir = ChoosePseudoDir(arg_text, stallscan_env, env("TEMP"));
    values.domain = FindDomain(arg_text, stallscan_env);
    return outcome;
}

EnvLookup SystemEnvironment() {
    return [](const std::string& name) { return platform::GetEnv(name); };
}

FileLengthLookup SystemFileLength() {
    return [](const std::string& win_path) {
        return platform::FileLength(platform::ResolveToolPath(win_path));
    };
}

}  // namespace stallscan::app
