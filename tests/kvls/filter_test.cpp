#include "filter.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Values = std::map<std::string, std::vector<std::string>, std::less<>>;

bool Eval(std::string_view text, const Values& attrs) {
    std::string error;
    std::optional<kvls::Filter> f = kvls::Filter::Parse(text, &error);
    EXPECT_TRUE(f.has_value()) << text << ": " << error;
    return f && f->Matches([&](std::string_view a) -> const std::vector<std::string>* {
        auto it = attrs.find(a);
        return it == attrs.end() ? nullptr : &it->second;
    });
}

std::string ParseError(std::string_view text) {
    std::string error;
    EXPECT_FALSE(kvls::Filter::Parse(text, &error).has_value()) << text;
    return error;
}

// "==" holds when any value equals exactly, "!=" when none does (so also for a missing
// attribute); "&&" binds tighter than "||".
TEST(KvlsFilter, ComparisonsPrecedenceAndNegation) {
    const Values attrs{{"sides", {"one-sided", "two-sided"}}, {"a", {"1"}}, {"q", {"a 'q' b"}}};
    const std::pair<const char*, bool> cases[] = {
        {"(a==0) || (a==2) || (a==1 )", true},
        {"sides==two-sided", true},
        {"sides==Two-sided", false},
        {"sides!=two-sided", false},
        {"colour==red", false},
        {"colour!=red", true},
        {"q=='a \\'q\\' b'", true},
        {"q==\"a 'q' b\"", true},
        {"a==1 || q==0 && a==0", true},
        {"(a==1 || q==0) && a==0", false},
        {"!!(a==0)", false},
        {"  ( ( a==1 ) )&&sides==one-sided&&!q==\"\" ", true},
    };
    for (const auto& [text, matches] : cases) {
        EXPECT_EQ(Eval(text, attrs), matches) << text;
    }
}

TEST(KvlsFilter, MalformedTextsAreRefusedWithAnOffset) {
    for (const char* text :
         {"", "   ", "a", "a=b", "a==", "==b", "(a==b", "a==b)", "a==b ||", "a==b & c==d",
          "a==b | c==d", "a==\"open", "a==b c==d", "()", "!", "a!b==c"}) {
        const std::string error = ParseError(text);
        EXPECT_EQ(error.rfind("filter: ", 0), 0u) << text << " -> " << error;
    }
    EXPECT_NE(ParseError("a==b)").find("offset 4"), std::string::npos);
}

// Deep nesting is refused without exhausting the stack; a long flat chain is no nesting.
TEST(KvlsFilter, NestingAndLengthAreCapped) {
    const auto nested = [](int depth) {
        return std::string(depth, '(') + "a==1" + std::string(depth, ')');
    };
    EXPECT_TRUE(Eval(nested(kvls::kMaxFilterDepth), {{"a", {"1"}}}));
    EXPECT_NE(ParseError(nested(kvls::kMaxFilterDepth + 1)).find("nesting"), std::string::npos);
    EXPECT_NE(ParseError(std::string(60000, '!') + "a==1").find("nesting"), std::string::npos);
    EXPECT_NE(ParseError(std::string(kvls::kMaxFilterLength + 1, 'a')).find("longer"),
              std::string::npos);
    std::string chain = "a==0";
    for (int i = 1; i < 5000; ++i) chain += " || a==" + std::to_string(i);
    EXPECT_TRUE(Eval(chain, {{"a", {"4999"}}}));
}

}  // namespace
