#include "text/text_functions.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace stallscan::text {

namespace {

constexpr int kPlaceholders = 9;

// Argument n of the call for placeholder "%n" (n = 1..9); the empty text when not given.
std::array<std::string_view, kPlaceholders> ArgumentsByPlaceholder(
    std::initializer_list<std::string_view> args) {
    std::array<std::string_view, kPlaceholders> values{};
    std::copy_n(args.begin(), std::min<size_t>(args.size(), kPlaceholders), values.begin());
    return values;
}

std::string Placeholder(int index) {
    return {'%', static_cast<char>('1' + index)};
}

}  // namespace

std::string SubstituteArgs(std::string_view tmpl, std::initializer_list<std::string_view> args) {
    const auto values = ArgumentsByPlaceholder(args);
    std::string text(tmpl);
    for (int n = 0; n < kPlaceholders; ++n) {
        const size_t at = text.find(Placeholder(n));
        if (at != std::string::npos) {
            text.replace(at, 2, values[n]);
        }
    }
    return text;
}

std::string SubstituteArgsLiteral(std::string_view tmpl,
                                  std::initializer_list<std::string_view> args) {
    // The text as pieces: pieces of the template are searched, inserted arguments are not.
    struct Piece {
        std::string text;
        bool fromTemplate;
    };
    const auto values = ArgumentsByPlaceholder(args);
    std::vector<Piece> pieces{{std::string(tmpl), true}};
    for (int n = 0; n < kPlaceholders; ++n) {
        for (size_t i = 0; i < pieces.size(); ++i) {
            const size_t at =
                pieces[i].fromTemplate ? pieces[i].text.find(Placeholder(n)) : std::string::npos;
            if (at != std::string::npos) {
                Piece after{pieces[i].text.substr(at + 2), true};
                pieces[i].text.resize(at);
                pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                              {Piece{std::string(values[n]), false}, std::move(after)});
                break;
            }
        }
    }
    std::string text;
    for (const Piece& piece : pieces) {
        text += piece.text;
    }
    return text;
}

std::string ToWindowsPath(std::string_view path) {
    std::string result(path);
    for (char& c : result) {
        if (c == '|') {
            c = ':';
        } else if (c == '/') {
            c = '\\';
        }
    }
    return result;
}

std::string StripQuotes(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        return std::string(text.substr(1, text.size() - 2));
    }
    return std::string(text);
}

std::optional<ColonParts> SplitAtColons(std::string_view text) {
    const size_t first = text.find(':');
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    const size_t second = text.find(':', first + 1);
    ColonParts parts;
    parts.first = text.substr(0, first);
    if (second == std::string_view::npos) {
        parts.second = text.substr(first + 1);
    } else {
        parts.second = text.substr(first + 1, second - first - 1);
        parts.rest = text.substr(second + 1);
    }
    return parts;
}

std::string_view TrimSpaces(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string FoldCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

namespace {

// The length of the UTF-8 sequence that starts `text` (overlong forms, surrogates and code points
// above U+10FFFF refused), or 0 when it is none.
size_t Utf8Length(std::string_view text) {
    const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xbf;  // the allowed range of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;
        high = lead == 0xed ? 0x9f : 0xbf;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xbf) {
            return 0;
        }
    }
    return length;
}

void AppendHex(std::string& shown, unsigned char c) {
    constexpr char kDigits[] = "0123456789abcdef";
    shown += "\\x";
    shown += kDigits[c >> 4];
    shown += kDigits[c & 0x0f];
}

}  // namespace

std::string EscapeControls(std::string_view text, bool keep_line_ends) {
    std::string shown;
    shown.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (keep_line_ends && text.substr(i).starts_with("\r\n")) {
            shown += "\r\n";
            i += 2;
        } else if (c < 0x80) {
            if (c == 0x1b) {
                shown += "\\e";
            } else if (c == '\r') {
                shown += "\\r";
            } else if (c == '\n') {
                shown += "\\n";
            } else if ((c < 0x20 && c != '\t') || c == 0x7f) {
                AppendHex(shown, c);
            } else {
                shown += static_cast<char>(c);
            }
            ++i;
        } else if (const size_t length = Utf8Length(text.substr(i)); length == 0) {
            AppendHex(shown, c);  // a byte that is not UTF-8
            ++i;
        } else if (length == 2 && c == 0xc2 && static_cast<unsigned char>(text[i + 1]) < 0xa0) {
            AppendHex(shown, static_cast<unsigned char>(text[i + 1]));  // C1: U+0080 to U+009F
            i += 2;
        } else {
            shown.append(text.substr(i, length));
            i += length;
        }
    }
    return shown;
}

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

size_t SkipDigits(std::string_view text, size_t at) {
    while (at < text.size() && IsDigit(text[at])) {
        ++at;
    }
    return at;
}

}  // namespace

double NumericValue(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    const size_t start = at;
    size_t end = SkipDigits(text, at);
    bool anyDigit = end > start;
    if (end < text.size() && text[end] == '.') {
        const size_t fractionEnd = SkipDigits(text, end + 1);
        anyDigit = anyDigit || fractionEnd > end + 1;
        end = fractionEnd;
    }
    if (!anyDigit) {
        return 0.0;
    }
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        size_t exponent = end + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) {
            ++exponent;
        }
        const size_t exponentEnd = SkipDigits(text, exponent);
        if (exponentEnd > exponent) {
            end = exponentEnd;
        }
    }
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(text.data() + start, text.data() + end, value);
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves the value unchanged on overflow or underflow: tell them apart by the
        // exponent's sign.
        const bool tiny = text.substr(start, end - start).find("e-") != std::string_view::npos ||
                          text.substr(start, end - start).find("E-") != std::string_view::npos;
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (ec != std::errc()) {
        value = 0.0;
    }
    (void)ptr;
    return negative ? -value : value;
}

namespace {

template <typename Int>
Int RoundClamped(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double rounded = std::nearbyint(value);
    if (rounded >= static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::numeric_limits<Int>::max();
    }
    if (rounded <= static_cast<double>(std::numeric_limits<Int>::min())) {
        return std::numeric_limits<Int>::min();
    }
    return static_cast<Int>(rounded);
}

}  // namespace

int32_t RoundToInt32(double value) {
    return RoundClamped<int32_t>(value);
}

int64_t RoundToInt64(double value) {
    return RoundClamped<int64_t>(value);
}

}  // namespace stallscan::text
