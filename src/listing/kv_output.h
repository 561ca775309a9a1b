#pragma once
// The captured text of one output stream of one listing-tool run (or of a canned listing file),
// read line by line with a movable 1-based read position. Lines end at CR LF only.

#include <cstdint>
#include <string>

class clsKvOutput {
public:
    void Clear();
    // The whole text; the position is unchanged.
    const std::string& GetAll() const { return m_text; }
    void Init(const std::string& in_string);
    // Appends and moves the position back to 1.
    void Append(const std::string& in_string);
    bool IsEmpty() const { return m_text.empty(); }
    void Rewind() { m_position = 1; }
    int32_t OTell() const { return m_position; }
    // Moves to in_nPos when 1 <= in_nPos <= length and returns it; otherwise returns 0.
    int32_t OSeek(int32_t in_nPos);
    // The next line without its CR LF; returns the new position (>= 2), or -1 at the end of the
    // text (out_sLine unchanged then).
    int32_t GetLine(std::string& out_sLine);
    int32_t Length() const { return static_cast<int32_t>(m_text.size()); }

private:
    std::string m_text;
    int32_t m_position = 1;
};
