#pragma once
// Small text functions shared by every part of the program: placeholder filling, paths in
// Windows notation, quotes, colon-separated parts, leading numbers and blanks.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace stallscan::text {

inline constexpr std::string_view kCrLf = "\r\n";

// Fills "%1" to "%9" in `tmpl`: for n = 1..9 in turn, the first occurrence of "%n" in the text
// as it stands after the previous steps is replaced by argument n (empty when not given), so a
// placeholder inside an inserted argument takes part in the later steps. Arguments beyond the
// ninth are ignored.
std::string SubstituteArgs(std::string_view tmpl, std::initializer_list<std::string_view> args = {});

// Like SubstituteArgs, except that an inserted argument is never searched again: a "%n" inside an
// argument stays as it is. Equal to SubstituteArgs when no argument holds a "%" and every "%" of
// the template begins a placeholder (as in every catalogue text). For texts that carry values
// from outside (job names, attribute values) into reports, which must keep every byte of them.
std::string SubstituteArgsLiteral(std::string_view tmpl,
                                  std::initializer_list<std::string_view> args = {});

// "|" becomes ":", "/" becomes "\"; every other character stays.
std::string ToWindowsPath(std::string_view path);

// Removes one pair of enclosing double quotes (text of at least two characters).
std::string StripQuotes(std::string_view text);

// A text split at its first and second ":"; `rest` is everything after the second (further
// colons included), empty when there is no second.
struct ColonParts {
    std::string first;
    std::string second;
    std::string rest;
};
// Nothing when the text holds no ":".
std::optional<ColonParts> SplitAtColons(std::string_view text);

// The numeric value of a text: leading blanks and tabs skipped, then an optional sign, digits, an
// optional decimal point with digits and an optional exponent. 0 when the text does not begin so.
// Never NaN; may be +-infinity for an absurd exponent.
double NumericValue(std::string_view text);

// Nearest integer, a half to the even neighbour, clamped to the 32-bit range.
int32_t RoundToInt32(double value);

// Nearest integer, a half to the even neighbour, clamped to the 64-bit range.
int64_t RoundToInt64(double value);

// The text without space characters at either end (tabs and other blanks stay).
std::string_view TrimSpaces(std::string_view text);

// ASCII letters in lower case; every other byte unchanged.
std::string FoldCase(std::string_view text);

// The text as a terminal may be given it, so that text from the print system can neither steer
// the terminal nor begin a line of its own: "\e" for ESC, "\r" and "\n" for CR and LF, "\xNN"
// for the other C0 controls but tab, DEL, the C1 controls U+0080 to U+009F ("\x9b") and every
// byte that is not UTF-8. UTF-8 text, tabs and backslashes are kept, and with `keep_line_ends`
// each CR LF pair.
std::string EscapeControls(std::string_view text, bool keep_line_ends = false);

}  // namespace stallscan::text
