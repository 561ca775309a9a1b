#include "listing/listing_query.h"

#include <mutex>
#include <string_view>

#include "app/catalog.h"
#include "app/globals.h"
#include "platform/platform.h"

namespace basPosixCtl {

namespace {

std::mutex gRunnerMutex;
ChildRunnerFn gRunner;  // empty: RunChildProcess

ChildRunnerFn CurrentRunner() {
    std::lock_guard lock(gRunnerMutex);
    return gRunner ? gRunner : ChildRunnerFn(RunChildProcess);
}

// The class option as command-line text (with its trailing blank) and as arguments.
void AddClassOption(int32_t objClass, ChildCommand& cmd) {
    struct Option {
        std::string_view text;
        std::vector<std::string> args;
    };
    static const Option kOptions[] = {
        {"-cs ", {"-cs"}},
        {"-cp ", {"-cp"}},
        {"-cq ", {"-cq"}},
        {"-cj -x scope=1 ", {"-cj", "-x", "scope=1"}},
        {"-cd ", {"-cd"}},
        {"-c i-v-j ", {"-c", "i-v-j"}},
        {"-c i-v-d ", {"-c", "i-v-d"}},
    };
    if (objClass < kClassServer || objClass > kClassIvd) {
        return;
    }
    const Option& option = kOptions[objClass - kClassServer];
    cmd.commandLine += option.text;
    cmd.args.insert(cmd.args.end(), option.args.begin(), option.args.end());
}

// Appends `arg` to the argument vector and, followed by a blank, to the command-line text,
// where `quote` encloses it in double quotes.
void AddPiece(ChildCommand& cmd, const std::string& arg, bool quote = false) {
    std::string& line = cmd.commandLine;
    line.append(quote ? gDQuote : "").append(arg).append(quote ? gDQuote : "").append(" ");
    cmd.args.push_back(arg);
}

// Splits a canned file into lines: a line ends at CR LF or at a lone CR, a lone LF is an
// ordinary character, and a last line without an ending counts. Each line gets CR LF.
std::string CannedLines(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 16);
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t cr = bytes.find('\r', start);
        if (cr == std::string::npos) {
            text.append(bytes, start, std::string::npos);
            text += gCrLf;
            break;
        }
        text.append(bytes, start, cr - start);
        text += gCrLf;
        start = cr + 1;
        if (start < bytes.size() && bytes[start] == '\n') {
            ++start;
        }
    }
    return text;
}

void AnswerNoEntries(clsKvOutput& out, clsKvOutput& err) {
    out.Clear();
    std::string text = " ";
    text.append(basCommon::GetCatalogString(msg::NoEntries)).append(gCrLf);
    err.Init(text);
}

}  // namespace

ChildCommand BuildListingCommand(const clsObjectAddr& in_object,
                                 const std::string& in_sRequestedAttrs, const std::string& filter) {
    ChildCommand cmd;
    cmd.commandLine = gListToolPath + " ";
    cmd.args.push_back(platform::ResolveToolPath(gListToolPath));
    AddClassOption(in_object.ObjectClass(), cmd);
    if (const std::string domain = in_object.ObjectDomain(); !domain.empty()) {
        AddPiece(cmd, "-x");
        AddPiece(cmd, "domain-name=" + domain);
    }
    AddPiece(cmd, "-r");
    AddPiece(cmd, in_sRequestedAttrs.empty() ? std::string("all") : in_sRequestedAttrs, true);
    AddPiece(cmd, "-sl");
    if (filter.empty()) {
        AddPiece(cmd, "-F");
    } else {
        AddPiece(cmd, "-f");
        AddPiece(cmd, filter, true);
    }
    const std::string name = in_object.ObjectName();
    cmd.commandLine += name;
    if (!name.empty()) {
        cmd.args.push_back(name);
    }
    return cmd;
}

int32_t RunListingQuery(const clsObjectAddr& in_object, const std::string& in_sRequestedAttrs,
                        clsKvOutput& out, clsKvOutput& err, const std::string& filter) {
    const std::string name = in_object.ObjectName();
    if (name.empty()) {
        return kAddressRefused;
    }
    if (gPseudoDir.empty()) {
        const ChildCommand cmd = BuildListingCommand(in_object, in_sRequestedAttrs, filter);
        const ChildRunnerFn runner = CurrentRunner();
        int32_t rc;
        do {
            rc = runner(gListToolPath, cmd, out, err);
        } while (rc == kRepeatWithLargerBuffer);
        if (rc != kRunOk) {
            return rc;
        }
    } else {
        ReadPseudoListing(name, out, err);
    }
    if (!out.IsEmpty() || err.IsEmpty()) {
        return kRunOk;
    }
    const std::string noEntries = basCommon::GetCatalogString(msg::NoEntries);
    return err.GetAll().find(noEntries) != std::string::npos ? kNoEntries : kToolReportedError;
}

std::string PseudoFileName(const std::string& key) {
    std::string name;
    if (!key.empty() && key.back() == ':') {
        name = key.substr(0, key.size() - 1) + "-jids.txt";
    } else {
        name = key;
        if (const size_t colon = name.find(':'); colon != std::string::npos) {
            name[colon] = '-';
        }
        name += ".txt";
    }
    // Only a plain name inside the pseudo directory: no separator and no NUL (which would cut the
    // path short). The name always ends in ".txt", so it is never "." or "..".
    if (name.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos) {
        return {};
    }
    return name;
}

void ReadPseudoListing(const std::string& key, clsKvOutput& out, clsKvOutput& err) {
    out.Clear();
    err.Clear();
    const std::string name = PseudoFileName(key);
    std::string bytes;
    if (name.empty() || !platform::ReadWholeFile(gPseudoDir + "\\" + name, bytes)) {
        AnswerNoEntries(out, err);
        return;
    }
    out.Init(CannedLines(bytes));
    if (out.IsEmpty()) {
        AnswerNoEntries(out, err);
    }
}

void SetChildRunner(ChildRunnerFn runner) {
    std::lock_guard lock(gRunnerMutex);
    gRunner = std::move(runner);
}

}  // namespace basPosixCtl
