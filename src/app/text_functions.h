#pragma once
// Small text functions shared by every part of the program.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace basCommon {

// Fills "%1" to "%9" in `tmpl`: for n = 1..9 in turn, the first occurrence of "%n" in the text
// as it stands after the previous steps is replaced by argument n (empty when not given).
// Arguments beyond the ninth are ignored.
std::string SubstituteArgs(std::string_view tmpl,
                           std::initializer_list<std::string_view> args = {});

// Like SubstituteArgs, except that an inserted argument is never searched again: a "%n" inside an
// argument stays as it is. Equal to SubstituteArgs when no argument holds a "%" and every "%" of
// the template begins a placeholder (as in every catalogue text). For texts that carry values
// from outside (job names, attribute values) into reports, which must keep every byte of them.
std::string SubstituteArgsLiteral(std::string_view tmpl,
                                  std::initializer_list<std::string_view> args = {});

// "|" becomes ":", "/" becomes "\"; every other character stays.
std::string ConvertToWinPath(std::string_view path);

// Removes one pair of enclosing double quotes (text of at least two characters).
std::string StripQuotes(std::string_view text);

// Splits at the first and second ":"; the third part is the whole rest. False (outputs
// unchanged) when the text holds no ":".
bool SplitAtColons(std::string_view in, std::string& part1, std::string& part2, std::string& part3);

// The numeric value of a text: leading blanks skipped, then an optional sign, digits, an optional
// decimal point with digits and an optional exponent. 0 when the text does not begin so.
// Never NaN; may be +-infinity for an absurd exponent.
double NumericValue(std::string_view text);

// Nearest integer, a half to the even neighbour, clamped to the 32-bit range.
int32_t RoundToInt32(double value);

// Nearest integer, a half to the even neighbour, clamped to the 64-bit range.
int64_t RoundToInt64(double value);

}  // namespace basCommon
