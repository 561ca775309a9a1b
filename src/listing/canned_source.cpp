#include "listing/canned_source.h"

#include <string_view>

#include "platform/platform.h"

namespace stallscan::listing {

std::string CannedFileName(const std::string& object_name) {
    std::string name;
    if (!object_name.empty() && object_name.back() == ':') {
        name = object_name.substr(0, object_name.size() - 1) + "-jids.txt";
    } else {
        name = object_name;
        if (const size_t colon = name.find(':'); colon != std::string::npos) {
            name[colon] = '-';
        }
        name += ".txt";
    }
    // Only a plain name inside the folder: no separator and no NUL (which would cut the path
    // short). The name always ends in ".txt", so it is never "." or "..".
    if (name.find_first_of(std::string_view("/\\\0", 3)) != std::string::npos) {
        return {};
    }
    return name;
}

std::string CannedLines(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 16);
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t cr = bytes.find('\r', start);
        if (cr == std::string::npos) {
            text.append(bytes, start, std::string::npos).append("\r\n");
            break;
        }
        text.append(bytes, start, cr - start).append("\r\n");
        start = cr + 1;
        if (start < bytes.size() && bytes[start] == '\n') {
            ++start;
        }
    }
    return text;
}

Answer CannedSource::List(const Request& request, const Control& control) {
    Answer answer;
    if (request.address.name.empty()) {
        answer.status = Status::kRefused;
        return answer;
    }
    if (control.stop.stop_requested()) {
        answer.status = Status::kStopped;
        return answer;
    }
    const std::string name = CannedFileName(request.address.name);
    std::string bytes;
    if (name.empty() || !platform::ReadWholeFile(folder_ + "\\" + name, bytes) || bytes.empty()) {
        answer.status = Status::kNoEntries;
        return answer;
    }
    answer.objects = model::ParseObjects(CannedLines(bytes));
    return answer;
}

}  // namespace stallscan::listing
