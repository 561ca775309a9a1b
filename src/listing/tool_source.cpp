#include "listing/tool_source.h"

#include <limits>
#include <string_view>

#include "platform/platform.h"
#include "text/catalog.h"

namespace stallscan::listing {

namespace {

using Clock = std::chrono::steady_clock;
using model::ObjectClass;

// The class option as command-line text (with its trailing blank) and as arguments.
void AddClassOption(ObjectClass object_class, platform::ChildCommand& command) {
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
    if (!model::IsListedClass(object_class)) {
        return;
    }
    const Option& option = kOptions[static_cast<int32_t>(object_class) - 1];
    command.command_line += option.text;
    command.args.insert(command.args.end(), option.args.begin(), option.args.end());
}

// Appends `arg` to the argument vector and, followed by a blank, to the command-line text,
// where `quote` encloses it in double quotes.
void AddPiece(platform::ChildCommand& command, const std::string& arg, bool quote = false) {
    const char* q = quote ? "\"" : "";
    command.command_line.append(q).append(arg).append(q).append(" ");
    command.args.push_back(arg);
}

// Raises `size` to `total` when the total exceeds it; true when this call raised it, so that
// only one of several runs that saw the same larger output is repeated.
bool GrowTo(std::atomic<int32_t>& size, size_t total) {
    constexpr auto kMax = static_cast<size_t>(std::numeric_limits<int32_t>::max());
    const auto wanted = static_cast<int32_t>(total < kMax ? total : kMax);
    int32_t current = size.load();
    while (wanted > current) {
        if (size.compare_exchange_weak(current, wanted)) {
            return true;
        }
    }
    return false;
}

Status StatusOf(platform::CaptureStatus status) {
    using platform::CaptureStatus;
    switch (status) {
        case CaptureStatus::kOk:
            return Status::kOk;
        case CaptureStatus::kStopped:
            return Status::kStopped;
        case CaptureStatus::kTimedOut:
            return Status::kTimedOut;
        default:
            return Status::kStartFailed;
    }
}

std::string FailureText(platform::CaptureStatus status, const std::string& program) {
    using platform::CaptureStatus;
    switch (status) {
        case CaptureStatus::kPipeFailed:
        case CaptureStatus::kDuplicateFailed:
            return "could not create the pipes to run " + program;
        case CaptureStatus::kStartFailed:
            return "could not start " + program;
        case CaptureStatus::kReadFailed:
            return "reading the output of " + program + " failed";
        case CaptureStatus::kCrashed:
            return program + " ended abnormally";
        default:
            return {};
    }
}

}  // namespace

platform::ChildCommand BuildToolCommand(const std::string& tool_path, const Request& request) {
    platform::ChildCommand command;
    command.program = platform::ResolveToolPath(tool_path);
    command.command_line = tool_path + " ";
    command.args.push_back(command.program);
    AddClassOption(request.address.object_class, command);
    if (!request.address.domain.empty()) {
        AddPiece(command, "-x");
        AddPiece(command, "domain-name=" + request.address.domain);
    }
    AddPiece(command, "-r");
    AddPiece(command, request.attributes.empty() ? std::string("all") : request.attributes, true);
    AddPiece(command, "-sl");
    if (request.filter.empty()) {
        AddPiece(command, "-F");
    } else {
        AddPiece(command, "-f");
        AddPiece(command, request.filter, true);
    }
    command.command_line += request.address.name;
    if (!request.address.name.empty()) {
        command.args.push_back(request.address.name);
    }
    return command;
}

ToolSource::ToolSource(std::string tool_path, RunFunction run)
    : tool_path_(std::move(tool_path)), run_(std::move(run)) {}

Answer ToolSource::List(const Request& request, const Control& control) {
    Answer answer;
    if (request.address.name.empty()) {
        answer.status = Status::kRefused;
        return answer;
    }
    const platform::ChildCommand command = BuildToolCommand(tool_path_, request);
    platform::CaptureOptions options;
    options.stop = control.stop;
    if (control.timeout.count() > 0) {
        options.deadline = Clock::now() + control.timeout;
    }
    platform::CaptureResult run;
    for (;;) {
        options.out_read_size = out_read_size_.load();
        options.err_read_size = err_read_size_.load();
        run = run_(command, options);
        if (run.status != platform::CaptureStatus::kOk) {
            answer.status = StatusOf(run.status);
            answer.error_text = FailureText(run.status, command.program);
            return answer;
        }
        // Both pipes were read to their end, so both sizes can be learnt from this one run.
        const bool out_grew = GrowTo(out_read_size_, run.out_bytes);
        const bool err_grew = GrowTo(err_read_size_, run.err_bytes);
        if (!out_grew && !err_grew) {
            break;
        }
    }
    if (run.out.empty() && !run.err.empty()) {
        const bool no_entries = run.err.find(text::Catalog(text::Msg::kNoEntries)) != std::string::npos;
        answer.status = no_entries ? Status::kNoEntries : Status::kToolError;
        if (!no_entries) {
            answer.error_text = std::move(run.err);
        }
        return answer;
    }
    answer.objects = model::ParseObjects(std::move(run.out));
    return answer;
}

}  // namespace stallscan::listing
