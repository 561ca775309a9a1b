// A strict JSON checker for tests and fuzz targets: true exactly when the text is one JSON value
// (RFC 8259) in valid UTF-8, surrounded by optional white space. No tree is built.
#pragma once

#include <cstddef>
#include <string_view>

namespace json_check {

class Validator {
  public:
    explicit Validator(std::string_view text) : text_(text) {}

    bool Valid() {
        SkipSpace();
        if (!Value(0)) {
            return false;
        }
        SkipSpace();
        return at_ == text_.size();
    }

  private:
    static constexpr int kMaxDepth = 256;

    bool More() const { return at_ < text_.size(); }
    unsigned char Peek() const { return More() ? static_cast<unsigned char>(text_[at_]) : 0; }
    void SkipSpace() {
        while (More() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) {
            ++at_;
        }
    }
    bool Literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }

    bool Value(int depth) {
        if (depth > kMaxDepth) {
            return false;
        }
        switch (Peek()) {
            case '{':
                return Container(depth, '}', true);
            case '[':
                return Container(depth, ']', false);
            case '"':
                return String();
            case 't':
                return Literal("true");
            case 'f':
                return Literal("false");
            case 'n':
                return Literal("null");
            default:
                return Number();
        }
    }

    bool Container(int depth, char close, bool object) {
        ++at_;
        SkipSpace();
        if (Peek() == static_cast<unsigned char>(close)) {
            ++at_;
            return true;
        }
        for (;;) {
            SkipSpace();
            if (object) {
                if (Peek() != '"' || !String()) {
                    return false;
                }
                SkipSpace();
                if (Peek() != ':') {
                    return false;
                }
                ++at_;
                SkipSpace();
            }
            if (!Value(depth + 1)) {
                return false;
            }
            SkipSpace();
            if (Peek() == ',') {
                ++at_;
                continue;
            }
            if (Peek() == static_cast<unsigned char>(close)) {
                ++at_;
                return true;
            }
            return false;
        }
    }

    bool Digits() {
        const size_t start = at_;
        while (Peek() >= '0' && Peek() <= '9') {
            ++at_;
        }
        return at_ > start;
    }

    bool Number() {
        if (Peek() == '-') {
            ++at_;
        }
        if (Peek() == '0') {
            ++at_;
        } else if (!Digits()) {
            return false;
        }
        if (Peek() == '.') {
            ++at_;
            if (!Digits()) {
                return false;
            }
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++at_;
            if (Peek() == '+' || Peek() == '-') {
                ++at_;
            }
            return Digits();
        }
        return true;
    }

    static bool IsHex(unsigned char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    }

    bool String() {
        ++at_;
        while (More()) {
            const unsigned char c = Peek();
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c < 0x20) {
                return false;
            }
            if (c == '\\') {
                ++at_;
                const unsigned char e = Peek();
                ++at_;
                if (e == 'u') {
                    for (int i = 0; i < 4; ++i, ++at_) {
                        if (!IsHex(Peek())) {
                            return false;
                        }
                    }
                } else if (std::string_view("\"\\/bfnrt").find(static_cast<char>(e)) ==
                               std::string_view::npos ||
                           e == 0) {
                    return false;
                }
                continue;
            }
            if (c >= 0x80 && !Utf8Sequence()) {
                return false;
            }
            if (c < 0x80) {
                ++at_;
            }
        }
        return false;
    }

    // Consumes one valid multi-byte UTF-8 sequence (no overlong form, no surrogate, <= U+10FFFF).
    bool Utf8Sequence() {
        const unsigned char lead = Peek();
        size_t length = 0;
        unsigned min = 0;
        unsigned code = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, min = 0x80, code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, min = 0x800, code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, min = 0x10000, code = lead & 0x07;
        } else {
            return false;
        }
        if (at_ + length > text_.size()) {
            return false;
        }
        for (size_t i = 1; i < length; ++i) {
            const auto c = static_cast<unsigned char>(text_[at_ + i]);
            if ((c & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (c & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        at_ += length;
        return true;
    }

    std::string_view text_;
    size_t at_ = 0;
};

inline bool IsValidJson(std::string_view text) {
    return Validator(text).Valid();
}

}  // namespace json_check
