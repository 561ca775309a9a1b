#include "listing/kv_output.h"

void clsKvOutput::Clear() {
    m_text.clear();
    m_position = 1;
}

void clsKvOutput::Init(const std::string& in_string) {
    m_text = in_string;
    m_position = 1;
}

void clsKvOutput::Append(const std::string& in_string) {
    m_text += in_string;
    m_position = 1;
}

int32_t clsKvOutput::OSeek(int32_t in_nPos) {
    if (in_nPos < 1 || in_nPos > Length()) {
        return 0;
    }
    m_position = in_nPos;
    return in_nPos;
}

int32_t clsKvOutput::GetLine(std::string& out_sLine) {
    const int32_t start = m_position < 1 ? 1 : m_position;
    if (start > Length()) {
        return -1;
    }
    const size_t from = static_cast<size_t>(start - 1);
    const size_t found = m_text.find("\r\n", from);
    if (found == std::string::npos) {
        out_sLine.assign(m_text, from, std::string::npos);
        m_position = Length() + 1;
    } else {
        out_sLine.assign(m_text, from, found - from);
        m_position = static_cast<int32_t>(found) + 3;  // 1-based position after CR LF
    }
    return m_position;
}
