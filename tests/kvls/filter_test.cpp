#include "filter.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {

using Values = std::map<std::string, std::vector<std::string>, std::less<>>;

bool Eval(std::string_view text, const Values& attrs) {
    std::string error;
    std::optional<kvls::Filter> f = kvls::Filter::Parse(text, &error);
    EXPECT_TRUE(f.has_value()) << text << ": " << error;
    if (!f)
        return false;
    return f->Matches([&](std::string_view a) -> const std::vector<std::string>* {
        auto it = attrs.find(a);
        return it == attrs.end() ? nullptr : &it->second;
    });
}

std::string ParseError(std::string_view text) {
    std::string error;
    EXPECT_FALSE(kvls::Filter::Parse(text, &error).has_value()) << text;
    return error;
}

constexpr std::string_view kWaiting =
    "(current-job-state==pending) || (current-job-state==paused) || (current-job-state==held)";

TEST(KvlsFilter, WaitingJobsFilterSelectsPendingPausedAndHeld) {
    for (const char* state : {"pending", "paused", "held"}) {
        EXPECT_TRUE(Eval(kWaiting, {{"current-job-state", {state}}})) << state;
    }
    for (const char* state : {"printing", "completed", "Pending", "pending "}) {
        EXPECT_FALSE(Eval(kWaiting, {{"current-job-state", {state}}})) << state;
    }
    EXPECT_FALSE(Eval(kWaiting, {}));
}

TEST(KvlsFilter, ComparisonsOverMultiValuedAndMissingAttributes) {
    const Values attrs{{"sides", {"one-sided", "two-sided"}}};
    EXPECT_TRUE(Eval("sides==two-sided", attrs));
    EXPECT_FALSE(Eval("sides!=two-sided", attrs));
    EXPECT_TRUE(Eval("sides!=tumble", attrs));
    EXPECT_FALSE(Eval("colour==red", attrs));
    EXPECT_TRUE(Eval("colour!=red", attrs));
    EXPECT_TRUE(Eval("name==\"weekly report\"", {{"name", {"weekly report"}}}));
    EXPECT_TRUE(Eval("name=='a \\'q\\' b'", {{"name", {"a 'q' b"}}}));
    EXPECT_TRUE(Eval("x==\"\"", {{"x", {""}}}));
    EXPECT_TRUE(Eval("path==c:/a=b!", {{"path", {"c:/a=b!"}}}));
    EXPECT_TRUE(Eval("a===b", {{"a", {"=b"}}}));  // "=" may begin a bare value
}

TEST(KvlsFilter, PrecedenceParenthesesAndNegation) {
    const Values attrs{{"a", {"1"}}, {"b", {"2"}}, {"c", {"3"}}};
    EXPECT_TRUE(Eval("a==1 || b==0 && c==0", attrs));  // && binds tighter
    EXPECT_FALSE(Eval("(a==1 || b==0) && c==0", attrs));
    EXPECT_TRUE(Eval("!(a==0)", attrs));
    EXPECT_FALSE(Eval("!!(a==0)", attrs));
    EXPECT_TRUE(Eval("  ( ( a==1 ) )&&b==2&&!c!=3 ", attrs));
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

TEST(KvlsFilter, NestingIsCappedWithoutExhaustingTheStack) {
    auto nested = [](int depth, const char* open) {
        std::string s;
        for (int i = 0; i < depth; ++i) s += open;
        s += "a==1";
        if (std::string(open) == "(")
            s += std::string(depth, ')');
        return s;
    };
    EXPECT_TRUE(Eval(nested(kvls::kMaxFilterDepth, "("), {{"a", {"1"}}}));
    EXPECT_NE(ParseError(nested(kvls::kMaxFilterDepth + 1, "(")).find("nesting"),
              std::string::npos);
    EXPECT_NE(ParseError(nested(30000, "(")).find("nesting"), std::string::npos);
    EXPECT_NE(ParseError(nested(60000, "!")).find("nesting"), std::string::npos);
    EXPECT_NE(ParseError(std::string(kvls::kMaxFilterLength + 1, 'a')).find("longer"),
              std::string::npos);
}

TEST(KvlsFilter, LongFlatChainsParseAndEvaluate) {
    std::string text = "a==0";
    for (int i = 1; i < 5000; ++i) text += " || a==" + std::to_string(i);
    std::optional<kvls::Filter> f = kvls::Filter::Parse(text, nullptr);
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(f->ComparisonCount(), 5000u);
    EXPECT_TRUE(Eval(text, {{"a", {"4999"}}}));
}

TEST(KvlsFilter, RandomBytesNeverCrash) {
    std::mt19937 rng(7);
    const std::string alphabet("()!=&|\"'\\ ab=\t\0x", 16);
    for (int round = 0; round < 20000; ++round) {
        std::string text(rng() % 40, ' ');
        for (char& c : text) c = alphabet[rng() % alphabet.size()];
        std::string error;
        if (std::optional<kvls::Filter> f = kvls::Filter::Parse(text, &error)) {
            f->Matches([](std::string_view) { return nullptr; });
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

}  // namespace
