// The model: the string list and the parser of the listing tool's text.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "model/listing_parser.h"
#include "model/string_list.h"
#include "text/text_functions.h"

namespace {

using namespace std::string_literals;
using stallscan::model::StringList;
using V = std::vector<std::string>;

V Items(const StringList& list) {
    V items;
    for (int32_t i = 1; i <= list.Count(); ++i) items.push_back(list.Item(i));
    return items;
}

TEST(StringList, SplitSkipsEmptyPiecesAndKeepsLastOccurrence) {
    StringList list;
    EXPECT_EQ(list.Assign(""), 0);
    EXPECT_EQ(list.Assign(",a,,b,a,", ","), 2);
    EXPECT_EQ(Items(list), (V{"b", "a"}));
    EXPECT_EQ(list.Assign("a::b:c", "::"), 2);
    EXPECT_EQ(Items(list), (V{"a", "b:c"}));
    EXPECT_EQ(list.Assign("a b"), 1);  // default delimiter: NUL
    EXPECT_EQ(list.Append("x\0y\0\0a b\0"s), 3);
    EXPECT_EQ(Items(list), (V{"x", "y", "a b"}));
}

TEST(StringList, NumericTextsArePositionsOnlyInsideTheList) {
    StringList list;
    list.Add("first", "2");
    list.Add("second");
    EXPECT_EQ(list.Item("2"), "second");
    EXPECT_EQ(list.Item("+1"), "first");
    for (const char* none : {"0", "-1", "3", "99999999999999999999", "nokey"}) {
        EXPECT_EQ(list.Item(none), "") << none;
    }
    list.Remove("1");
    EXPECT_EQ(Items(list), (V{"second"}));
}

TEST(StringList, SearchGoesOnFromItsCursor) {
    StringList list;
    EXPECT_EQ(list.FindNext(), 0);
    for (const char* key : {"k1", "", "k2", "k3"}) list.Add(*key ? "a" : "x", key);
    EXPECT_EQ(list.FindFirst("a"), 1);
    list.Remove(1);  // the cursor stays at 1: the search goes on at position 2
    EXPECT_EQ(list.FindNext(), 2);
    EXPECT_EQ(list.FindNext(), 3);  // the last position is searched too
    EXPECT_EQ(list.FindNext(), 0);
    EXPECT_EQ(list.FindNext(), 0);
}

// A plain linear list of (text, key), compared with the indexed one under random operations.
struct ReferenceList {
    using Item = std::pair<std::string, std::string>;
    std::vector<Item> items;

    int32_t Count() const { return static_cast<int32_t>(items.size()); }
    bool InList(int32_t p) const { return p >= 1 && p <= Count(); }
    std::string Text(int32_t p) const { return InList(p) ? items[p - 1].first : ""; }
    std::string KeyAt(int32_t p) const { return InList(p) ? items[p - 1].second : ""; }
    // The first position from `from` on whose item satisfies `match`, or 0.
    template <typename Match>
    int32_t Position(int32_t from, Match match) const {
        const auto it =
            std::find_if(items.begin() + std::min(from - 1, Count()), items.end(), match);
        return it == items.end() ? 0 : static_cast<int32_t>(it - items.begin()) + 1;
    }
    static std::string Fold(std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    }
    int32_t KeyPos(const std::string& key) const {
        return Position(1, [&](const Item& i) { return Fold(i.second) == Fold(key); });
    }
    int32_t Find(const std::string& text, int32_t from = 1, bool substring = false) const {
        return Position(from, [&](const Item& i) {
            return substring ? i.first.find(text) != std::string::npos : i.first == text;
        });
    }
    void Remove(int32_t p) {
        if (InList(p)) {
            items.erase(items.begin() + p - 1);
        }
    }
    void Add(const std::string& text, const std::string& key) {
        if (!text.empty()) {
            Remove(key.empty() ? Find(text) : KeyPos(key));
            items.emplace_back(text, key);
        }
    }
};

// Keys ignore letter case, texts do not; an empty text is never added; a keyed Add replaces the
// item of its key, an unkeyed one the first equal item, and both move it to the end; a numeric
// text is a position; a substring search finds "t1" in "t10". Few texts and keys and many
// removals exercise equal texts under different keys and the compaction.
TEST(StringList, AgreesWithALinearListUnderRandomOperations) {
    std::mt19937 rng(12345);
    auto pick = [&](int n) { return static_cast<int32_t>(rng() % static_cast<unsigned>(n)); };
    StringList list;
    ReferenceList ref;
    for (int step = 0; step < 20000; ++step) {
        const int32_t t = pick(13);
        const std::string text = t == 12 ? "" : (pick(2) ? "T" : "t") + std::to_string(t);
        const std::string key = (pick(2) ? "K" : "k") + std::to_string(pick(40));
        const int32_t position = pick(ref.Count() + 2);
        const int32_t op = pick(8);
        if (op < 3) {
            const std::string k = pick(3) ? key : "";
            list.Add(text, k);
            ref.Add(text, k);
        } else if (op == 3) {
            list.Remove(position);
            ref.Remove(position);
        } else if (op == 4) {
            const bool by_key = pick(2);
            list.Remove(by_key ? key : std::to_string(position));
            ref.Remove(by_key ? ref.KeyPos(key) : position);
        } else if (op < 7) {
            const bool substring = pick(2);
            const std::string sought = text.empty() ? "t1" : text;
            int32_t expected = ref.Find(sought, 1, substring);
            ASSERT_EQ(list.FindFirst(sought, substring), expected) << step;
            while (expected > 0) {
                expected = ref.Find(sought, expected + 1, substring);
                ASSERT_EQ(list.FindNext(), expected) << step;
            }
        } else {
            ASSERT_EQ(list.Item(key), ref.Text(ref.KeyPos(key))) << step;
            ASSERT_EQ(list.Item(std::to_string(position)), ref.Text(position)) << step;
        }
        ASSERT_EQ(list.Count(), ref.Count()) << step;
        for (int32_t p = 1; step % 97 == 0 && p <= ref.Count(); ++p) {
            ASSERT_EQ(list.Item(p), ref.Text(p)) << step << " at " << p;
            ASSERT_EQ(list.KeyAt(p), ref.KeyAt(p)) << step << " at " << p;
            ASSERT_EQ(list.Find(ref.Text(p)), ref.Find(ref.Text(p))) << step << " at " << p;
        }
    }
}

using stallscan::model::CapturedOutput;
using stallscan::model::ParseListing;
using stallscan::text::FoldCase;
// Entries by key in lower case: keys ignore letter case, and the store keeps no order.
using Entries = std::map<std::string, std::string>;

struct Parsed {
    bool listed;
    std::string name;
    Entries entries;
};

Parsed Parse(const std::string& text) {
    CapturedOutput out(text);
    stallscan::model::Entries parsed;
    std::string name = "stale";
    const bool listed = ParseListing(out, name, parsed);
    Entries entries;
    for (const auto& [key, values] : parsed) entries[FoldCase(key)] = values;
    return {listed, name, entries};
}

// (A job with its documents and continuations, and listings of several objects, each read whole
// and stopping at the next: every demo report and job list of tests/e2e.)
TEST(ListingParser, LineShapesContinuationsAndDocumentNumbers) {
    for (const std::string& text :
         {""s, "# c\r\n#x: y = z\r\n"s, "s: a = \r\nx: y\r\na = b\r\n\tp: q = r\r\ns: = v\r\n"s}) {
        EXPECT_FALSE(Parse(text).listed) << text;  // no attribute
    }
    const Parsed parsed = Parse(
        "srv1:42  :  job-name   =  a = b: c  \r\n  srv1:43: cont = inued\r\n"
        "srv1:42: tab = \tx\t\r\n# comment\r\n  y\r\n\r\n      \r\nother line\r\n"
        "srv1:42: empty = \r\n  z\r\nsrv1:42: Job-Name = again\r\n");
    EXPECT_EQ(parsed.name, "srv1:42");
    EXPECT_EQ(parsed.entries,
              (Entries{{"tab", "\tx\t\0y\0"s}, {"empty", "z\0"s}, {"job-name", "again\0"s}}));
    EXPECT_EQ(Parse("srv1:42: job-name = a = b: c\r\n  srv1:43: x = y\r\n").entries,
              (Entries{{"job-name", "a = b: c\0srv1:43: x = y\0"s}}));

    // Document numbers. A main-object line after document lines keeps the current document
    // number. (A number beyond 32 bits counts as the highest: tests/listing, through ParseObjects.)
    const Entries documents{{"job-name", "n\0"s}, {"1.job-name", "d1\0"s},
                            {"3.f", "y\0"s},      {"3.late", "z\0"s},
                            {"-3.b", "2\0"s},     {"d", "4\0"s},
                            {"x.e", "5\0"s},      {"number-of-documents", "3"}};
    EXPECT_EQ(Parse("j:1: job-name = n\r\nj:1.1: job-name = d1\r\nj:1.3: f = y\r\nj:1: late = z\r\n"
                    "j:1.-3: b = 2\r\nj:1.: d = 4\r\nj:1.x: e = 5\r\n")
                  .entries,
              documents);
}

// (Megabyte lines and 100,000 documents: tests/e2e.)
TEST(ListingParser, HostileInputNeitherCrashesNorHangs) {
    const Parsed nuls = Parse("s\0: a\0 = \0v\r\n\0\r\ns\0: b = \xff\xfe"s);
    EXPECT_EQ(nuls.name, "s\0"s);
    EXPECT_EQ(nuls.entries, (Entries{{"a\0"s, "\0v\0"s}, {"b", "\xff\xfe\0"s}}));
    // (A lone CR, no line end, reaches the report whole: tests/e2e, odd bytes.)

    // Comments between continuations: the value is stored whole, once.
    std::string many = "s: a = x\r\n";
    for (int i = 0; i < 200000; ++i) many += "  y\r\n#\r\n";
    ASSERT_EQ(Parse(many).entries.at("a").size(), 2u + 200000u * 2u);
}

}  // namespace
