// Filter expressions of the listing tool: comparisons of attribute values joined by && and ||.
//
//   expr       := and-expr { "||" and-expr }
//   and-expr   := unary { "&&" unary }
//   unary      := "!" unary | "(" expr ")" | comparison
//   comparison := NAME ("==" | "!=") VALUE
//
// NAME is a run of characters other than blanks, parentheses, quotes, "&", "|", "!" and "=".
// VALUE is a quoted text ("..." or '...', with \" \' \\ escapes) or a run of characters other
// than blanks, parentheses, quotes, "&" and "|". Blanks between tokens are free.
// "&&" binds tighter than "||". A comparison "a==v" holds when any value of attribute a equals v
// exactly (case-sensitive); "a!=v" holds when none does (so it holds when a is absent).
//
// The parser takes text only, never fails by crashing or hanging: nesting of "(" and "!" deeper
// than kMaxFilterDepth and texts longer than kMaxFilterLength are refused with an error text.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvls {

inline constexpr int kMaxFilterDepth = 64;
inline constexpr std::size_t kMaxFilterLength = 64 * 1024;

class Filter {
  public:
    // Returns the values of an attribute, or nullptr when the object does not carry it.
    using ValuesOf = std::function<const std::vector<std::string>*(std::string_view attr)>;

    // Parses a filter text. On failure returns nothing and sets *error (when given) to a
    // one-line description that names the offset of the fault.
    static std::optional<Filter> Parse(std::string_view text, std::string* error);

    // Evaluates the filter against one object's attributes. Iterative: no recursion.
    bool Matches(const ValuesOf& values_of) const;

    // Number of comparisons in the filter (for tests and diagnostics).
    std::size_t ComparisonCount() const;

  private:
    struct Step {
        enum class Op { kEqual, kNotEqual, kAnd, kOr, kNot } op;
        std::string attr;   // comparisons only
        std::string value;  // comparisons only
    };
    friend class FilterParser;
    std::vector<Step> program_;  // postfix order
};

}  // namespace kvls
