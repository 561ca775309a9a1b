#include "model/string_list.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;
using V = std::vector<std::string>;

V Items(const clsStringList& list) {
    V items;
    for (int32_t i = 1; i <= list.Count(); ++i) {
        items.push_back(list.Item(i));
    }
    return items;
}

TEST(StringList, SplitSkipsEmptyPiecesAndKeepsLastOccurrence) {
    clsStringList list;
    EXPECT_EQ(list.Init(""), 0);
    EXPECT_EQ(list.Init(",a,,b,a,", ","), 2);
    EXPECT_EQ(Items(list), (V{"b", "a"}));
    EXPECT_EQ(list.Init("a::b:c", "::"), 2);
    EXPECT_EQ(list.Init("a b"), 1);  // default delimiter: NUL
    EXPECT_EQ(list.Append("x\0y\0\0a b\0"s), 3);
    EXPECT_EQ(Items(list), (V{"x", "y", "a b"}));
}

TEST(StringList, KeysIgnoreCaseAndNumericTextsArePositions) {
    clsStringList list;
    list.Add("x", "k");
    list.Add("first", "2");
    list.Add("y", "K");
    list.Add("");
    EXPECT_EQ(Items(list), (V{"first", "y"}));
    EXPECT_EQ(list.Item("k"), "y");
    EXPECT_EQ(list.KeyAt(2), "K");
    EXPECT_EQ(list.Item("2"), "y");
    EXPECT_EQ(list.Item("+1"), "first");
    for (const std::string& none : {"0", "-1", "3", "99999999999999999999", "nokey"}) {
        EXPECT_EQ(list.Item(none), "") << none;
    }
    list.Remove("nokey");
    list.Remove("1");
    EXPECT_EQ(Items(list), (V{"y"}));
}

TEST(StringList, UnkeyedAddMovesTheFirstEqualItemToTheEnd) {
    clsStringList list;
    list.Add("b", "k1");
    list.Add("a");
    list.Add("b", "k2");
    list.Add("b");
    EXPECT_EQ(Items(list), (V{"a", "b", "b"}));
    EXPECT_EQ(list.Item("k1"), "");
    EXPECT_EQ(list.Find("b"), 2);
    EXPECT_EQ(list.Find("B"), 0);
}

TEST(StringList, FindFirstAndFindNext) {
    clsStringList list;
    EXPECT_EQ(list.FindNext(), 0);
    EXPECT_EQ(list.FindFirst("a"), 0);
    list.Init("abc,b", ",");
    EXPECT_EQ(list.FindFirst("b"), 2);
    EXPECT_EQ(list.FindFirst("b", true), 1);
    EXPECT_EQ(list.FindNext(), 2);
    EXPECT_EQ(list.FindNext(), 0);
    EXPECT_EQ(list.FindNext(), 0);

    list.Init("");
    list.Add("a", "k1");
    list.Add("x");
    list.Add("a", "k2");
    list.Add("a", "k3");
    EXPECT_EQ(list.FindFirst("a"), 1);
    list.Remove(1);  // the cursor stays at 1: the search goes on at position 2
    EXPECT_EQ(list.FindNext(), 2);
    EXPECT_EQ(list.FindNext(), 3);  // the last position is searched too
    EXPECT_EQ(list.FindNext(), 0);
}

TEST(StringList, JoinCopyAndMove) {
    clsStringList list;
    EXPECT_EQ(list.GetAllItems(";", false), "");
    list.Init("a b", " ");
    EXPECT_EQ(list.GetAllItems(), "a\0b\0"s);
    EXPECT_EQ(list.GetAllItems(";", false), "a;b");

    clsStringList target;
    target.Add("b", "key");
    target.CopyAllItems(list);
    target.CopyAllItems(target);
    EXPECT_EQ(Items(target), (V{"a", "b"}));
    EXPECT_EQ(target.Item("key"), "");

    clsStringList copy(target);
    target.Add("c");
    clsStringList moved(std::move(copy));
    EXPECT_EQ(Items(moved), (V{"a", "b"}));
    copy = target;  // a moved-from list is usable
    EXPECT_EQ(copy.Count(), 3);
}

// A plain linear list, compared with the indexed one under random operations. Few texts and
// keys and many removals exercise equal texts under different keys and the compaction.
class ReferenceList {
  public:
    void Add(const std::string& text, const std::string& key) {
        Remove(key.empty() ? Find(text) : KeyPos(key));
        m_items.emplace_back(text, key);
    }
    void Remove(int32_t p) {
        if (p >= 1 && p <= Count()) {
            m_items.erase(m_items.begin() + p - 1);
        }
    }
    int32_t KeyPos(const std::string& key) const {
        for (int32_t p = 1; p <= Count(); ++p) {
            if (Fold(m_items[p - 1].second) == Fold(key)) {
                return p;
            }
        }
        return 0;
    }
    std::string Item(int32_t p) const {
        return p >= 1 && p <= Count() ? m_items[p - 1].first : std::string();
    }
    int32_t Find(const std::string& text, int32_t from = 1) const {
        for (int32_t p = from; p <= Count(); ++p) {
            if (m_items[p - 1].first == text) {
                return p;
            }
        }
        return 0;
    }
    int32_t Count() const { return static_cast<int32_t>(m_items.size()); }

  private:
    static std::string Fold(std::string s) {
        for (char& c : s) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return s;
    }
    std::vector<std::pair<std::string, std::string>> m_items;
};

TEST(StringList, AgreesWithALinearListUnderRandomOperations) {
    std::mt19937 rng(12345);
    auto pick = [&](int n) { return static_cast<int32_t>(rng() % static_cast<unsigned>(n)); };
    clsStringList list;
    ReferenceList ref;
    for (int step = 0; step < 20000; ++step) {
        const std::string text = "t" + std::to_string(pick(12));
        const std::string key = (pick(2) ? "K" : "k") + std::to_string(pick(40));
        const int32_t op = pick(6);
        if (op <= 1) {
            list.Add(text, op == 0 ? key : "");
            ref.Add(text, op == 0 ? key : "");
        } else if (op == 2) {
            const int32_t p = pick(ref.Count() + 2);
            list.Remove(p);
            ref.Remove(p);
        } else if (op == 3) {
            list.Remove(key);
            ref.Remove(ref.KeyPos(key));
        } else if (op == 4) {
            int32_t expected = ref.Find(text);
            ASSERT_EQ(list.FindFirst(text), expected) << step;
            while (expected > 0) {
                expected = ref.Find(text, expected + 1);
                ASSERT_EQ(list.FindNext(), expected) << step;
            }
        } else {
            ASSERT_EQ(list.Item(key), ref.Item(ref.KeyPos(key))) << step;
        }
        ASSERT_EQ(list.Count(), ref.Count()) << step;
        for (int32_t p = 1; step % 97 == 0 && p <= ref.Count(); ++p) {
            ASSERT_EQ(list.Item(p), ref.Item(p)) << step << " at " << p;
        }
    }
}

}  // namespace
