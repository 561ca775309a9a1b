#include "model/captured_output.h"

namespace stallscan::model {

void CapturedOutput::Clear() {
    text_.clear();
    position_ = 1;
}

void CapturedOutput::Assign(std::string text) {
    text_ = std::move(text);
    position_ = 1;
}

void CapturedOutput::Append(std::string_view text) {
    text_ += text;
    position_ = 1;
}

int32_t CapturedOutput::Seek(int32_t position) {
    if (position < 1 || position > Length()) {
        return 0;
    }
    position_ = position;
    return position;
}

bool CapturedOutput::ReadLine(std::string_view& line) {
    const int32_t start = position_ < 1 ? 1 : position_;
    if (start > Length()) {
        return false;
    }
    const size_t from = static_cast<size_t>(start - 1);
    const size_t found = text_.find("\r\n", from);
    if (found == std::string::npos) {
        line = std::string_view(text_).substr(from);
        position_ = Length() + 1;
    } else {
        line = std::string_view(text_).substr(from, found - from);
        position_ = static_cast<int32_t>(found) + 3;  // 1-based position after CR LF
    }
    return true;
}

int32_t CapturedOutput::GetLine(std::string& line) {
    std::string_view view;
    if (!ReadLine(view)) {
        return -1;
    }
    line.assign(view);
    return position_;
}

}  // namespace stallscan::model
