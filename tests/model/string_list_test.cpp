#include "model/string_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <utility>
#include <vector>

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
        switch (pick(8)) {
            case 0:
            case 1:
            case 2: {
                const std::string k = pick(3) ? key : "";
                list.Add(text, k);
                ref.Add(text, k);
                break;
            }
            case 3:
                list.Remove(position);
                ref.Remove(position);
                break;
            case 4: {
                const bool by_key = pick(2);
                list.Remove(by_key ? key : std::to_string(position));
                ref.Remove(by_key ? ref.KeyPos(key) : position);
                break;
            }
            case 5:
            case 6: {
                const bool substring = pick(2);
                const std::string sought = text.empty() ? "t1" : text;
                int32_t expected = ref.Find(sought, 1, substring);
                ASSERT_EQ(list.FindFirst(sought, substring), expected) << step;
                while (expected > 0) {
                    expected = ref.Find(sought, expected + 1, substring);
                    ASSERT_EQ(list.FindNext(), expected) << step;
                }
                break;
            }
            default:
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

}  // namespace
