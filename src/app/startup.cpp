#include "app/startup.h"

#include "app/catalog.h"
#include "app/globals.h"
#include "app/text_functions.h"
#include "platform/platform.h"

namespace basMain {

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
bool PseudoDirFrom(const std::string& text, char stop, const std::string& tempEnv,
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
        dir = tempEnv;
    }
    return true;
}

}  // namespace

std::string ChoosePseudoDir(const std::string& argText, const std::string& stallscanEnv,
                            const std::string& tempEnv) {
    std::string dir;
    if (PseudoDirFrom(argText, ' ', tempEnv, dir)) {
        return dir;
    }
    if (PseudoDirFrom(stallscanEnv, ';', tempEnv, dir)) {
        return dir;
    }
    return {};
}

std::string FindDomain(const std::string& argText, const std::string& stallscanEnv) {
    std::string domain;
    if (TextAfterKeyword(argText, kDomainKeyword, ' ', domain)) {
        return domain;
    }
    if (TextAfterKeyword(stallscanEnv, kDomainKeyword, ';', domain)) {
        return domain;
    }
    return {};
}

StartupOutcome CheckStartup(const std::string& argText, const EnvLookup& env,
                            const FileLengthLookup& fileLength) {
    StartupOutcome outcome;
    StartupValues& values = outcome.values;
    values.rootDir = basCommon::ConvertToWinPath(env("OV_ROOT"));
    if (values.rootDir.empty()) {
        outcome.messageId = msg::InvalidExecution;
        outcome.message = basCommon::GetCatalogString(msg::InvalidExecution);
        return outcome;
    }
    values.listToolPath = values.rootDir + basCommon::GetCatalogString(msg::ToolPathBelowRoot);
    const std::optional<int64_t> length = fileLength(values.listToolPath);
    if (!length || *length == 0) {
        outcome.messageId = msg::UnableToAccessBinary;
        outcome.message = basCommon::SubstituteArgs(
            basCommon::GetCatalogString(msg::UnableToAccessBinary), {values.listToolPath});
        return outcome;
    }
    values.defaultPrinter = env(basCommon::GetCatalogString(msg::DefaultPrinterVariable));
    values.pseudoDir = ChoosePseudoDir(argText, env("STALLSCAN"), env("TEMP"));
    return outcome;
}

void ApplyStartup(const StartupValues& values) {
    gRootDir = values.rootDir;
    gListToolPath = values.listToolPath;
    gDefaultPrinter = values.defaultPrinter;
    gPseudoDir = values.pseudoDir;
}

EnvLookup SystemEnvironment() {
    return [](const std::string& name) { return platform::GetEnv(name); };
}

FileLengthLookup SystemFileLength() {
    return [](const std::string& winPath) {
        return platform::FileLength(platform::ResolveToolPath(winPath));
    };
}

}  // namespace basMain
