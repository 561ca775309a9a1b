#pragma once
// The captured text of one output stream of one listing-tool run (or of a canned listing file),
// read line by line with a movable 1-based read position. Lines end at CR LF only; a lone CR or
// LF is an ordinary character.

#include <cstdint>
#include <string>
#include <string_view>

namespace stallscan::model {

class CapturedOutput {
  public:
    CapturedOutput() = default;
    explicit CapturedOutput(std::string text) : text_(std::move(text)) {}

    void Clear();
    const std::string& Text() const { return text_; }
    // Replaces the text; the position goes back to 1.
    void Assign(std::string text);
    // Appends to the text; the position goes back to 1.
    void Append(std::string_view text);
    bool Empty() const { return text_.empty(); }
    int32_t Length() const { return static_cast<int32_t>(text_.size()); }

    void Rewind() { position_ = 1; }
    int32_t Tell() const { return position_; }
    // Moves to `position` when 1 <= position <= Length() and returns it; otherwise returns 0 and
    // the position stays.
    int32_t Seek(int32_t position);

    // The next line without its CR LF; returns the new position (at least 2), or -1 at the end
    // of the text (`line` unchanged then).
    int32_t GetLine(std::string& line);
    // The same, as a view into the text (valid until the text changes); false at the end.
    bool ReadLine(std::string_view& line);

  private:
    std::string text_;
    int32_t position_ = 1;
};

}  // namespace stallscan::model
