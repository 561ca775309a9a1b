#include "model/string_list.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;

std::vector<std::string> Items(const clsStringList& list) {
    std::vector<std::string> items;
    for (int32_t i = 1; i <= list.Count(); ++i) {
        items.push_back(list.Item(i));
    }
    return items;
}

using V = std::vector<std::string>;

TEST(StringListSplit, SkipsEmptyPiecesAndKeepsLastOccurrence) {
    clsStringList list;
    EXPECT_EQ(list.Init(""), 0);
    EXPECT_EQ(list.Init("a,,b", ","), 2);
    EXPECT_EQ(Items(list), (V{"a", "b"}));
    EXPECT_EQ(list.Init(",a,", ","), 1);
    EXPECT_EQ(list.Init("a,b,a", ","), 2);
    EXPECT_EQ(Items(list), (V{"b", "a"}));
    EXPECT_EQ(list.Init("a::b:c", "::"), 2);
    EXPECT_EQ(Items(list), (V{"a", "b:c"}));
}

TEST(StringListSplit, DefaultDelimiterIsNul) {
    clsStringList list;
    EXPECT_EQ(list.Init("a b"), 1);
    EXPECT_EQ(list.Item(1), "a b");
    EXPECT_EQ(list.Init("x\0y\0\0z\0"s), 3);
    EXPECT_EQ(Items(list), (V{"x", "y", "z"}));
    EXPECT_EQ(list.Append("w\0x"s, ""), 4);
    EXPECT_EQ(Items(list), (V{"y", "z", "w", "x"}));
}

TEST(StringListKeys, KeysIgnoreLetterCaseAndReplaceTheirItem) {
    clsStringList list;
    list.Add("first");
    list.Add("x", "k");
    list.Add("last");
    list.Add("y", "K");
    EXPECT_EQ(Items(list), (V{"first", "last", "y"}));
    EXPECT_EQ(list.Item("k"), "y");
    EXPECT_EQ(list.KeyAt(3), "K");
    EXPECT_EQ(list.KeyAt(1), "");
    EXPECT_EQ(list.KeyAt(4), "");
    list.Add("", "k");
    list.Add("");
    EXPECT_EQ(list.Count(), 3);
    list.Remove("nokey");
    EXPECT_EQ(list.Count(), 3);
    list.Remove("K");
    EXPECT_EQ(Items(list), (V{"first", "last"}));
    EXPECT_EQ(list.Item("k"), "");
}

TEST(StringListKeys, NumericTextIsAPosition) {
    clsStringList list;
    list.Add("a", "2");
    list.Add("b", "x");
    EXPECT_EQ(list.Item("2"), "b");
    EXPECT_EQ(list.Item("+1"), "a");
    EXPECT_EQ(list.Item("0"), "");
    EXPECT_EQ(list.Item("-1"), "");
    EXPECT_EQ(list.Item("99999999999999999999"), "");
    EXPECT_EQ(list.Item(0), "");
    EXPECT_EQ(list.Item(3), "");
    list.Remove("1");
    EXPECT_EQ(Items(list), (V{"b"}));
    list.Remove(5);
    EXPECT_EQ(list.Count(), 1);
}

TEST(StringListAdd, UnkeyedTextMovesEqualItemToTheEndDroppingItsKey) {
    clsStringList list;
    list.Add("a", "k1");
    list.Add("b");
    list.Add("a");
    EXPECT_EQ(Items(list), (V{"b", "a"}));
    EXPECT_EQ(list.Item("k1"), "");
    // Equal texts under different keys coexist; an unkeyed Add removes the first of them.
    list.Add("b", "k2");
    EXPECT_EQ(Items(list), (V{"b", "a", "b"}));
    list.Add("b");
    EXPECT_EQ(Items(list), (V{"a", "b", "b"}));
    EXPECT_EQ(list.Find("b"), 2);
    EXPECT_EQ(list.Find("B"), 0);
}

TEST(StringListFind, ExactSearchVisitsEveryEqualItemIncludingTheLast) {
    clsStringList list;
    list.Add("a", "k1");
    list.Add("b");
    list.Add("a", "k2");
    EXPECT_EQ(list.FindFirst("a"), 1);
    EXPECT_EQ(list.FindNext(), 3);
    EXPECT_EQ(list.FindNext(), 0);
    EXPECT_EQ(list.FindNext(), 0);

    list.Init("");
    list.Add("a", "k1");
    list.Add("a", "k2");
    EXPECT_EQ(list.FindFirst("a"), 1);
    EXPECT_EQ(list.FindNext(), 2);
    EXPECT_EQ(list.FindNext(), 0);
}

TEST(StringListFind, SubstringSearch) {
    clsStringList list;
    list.Init("abc,b", ",");
    EXPECT_EQ(list.FindFirst("b"), 2);
    EXPECT_EQ(list.FindNext(), 0);
    EXPECT_EQ(list.FindFirst("b", true), 1);
    EXPECT_EQ(list.FindNext(), 2);
    EXPECT_EQ(list.FindNext(), 0);
    EXPECT_EQ(list.FindFirst("B", true), 0);
    EXPECT_EQ(list.FindNext(), 0);
}

TEST(StringListFind, SearchStateSurvivesChangesAndFollowsPositions) {
    clsStringList list;
    EXPECT_EQ(list.FindNext(), 0);
    EXPECT_EQ(list.FindFirst("a"), 0);  // empty list

    list.Add("a", "1k");
    list.Add("x");
    list.Add("a", "2k");
    list.Add("a", "3k");
    EXPECT_EQ(list.FindFirst("a"), 1);
    list.Remove(1);  // x, a, a: the cursor stays at 1, the search goes on from position 2
    EXPECT_EQ(list.FindNext(), 2);
    list.Clear();  // the search state stays, but nothing is left to find
    list.Init("a,a,a", ",");
    EXPECT_EQ(list.FindNext(), 0);
}

TEST(StringListJoin, GetAllItemsAndCopyAllItems) {
    clsStringList list;
    EXPECT_EQ(list.GetAllItems(), "");
    EXPECT_EQ(list.GetAllItems(";", false), "");
    list.Init("a b", " ");
    EXPECT_EQ(list.GetAllItems(), "a\0b\0"s);
    EXPECT_EQ(list.GetAllItems(";", false), "a;b");
    EXPECT_EQ(list.GetAllItems(";"), "a;b;");
    EXPECT_EQ(list.GetAllItems(" ", false), "a b");

    clsStringList target;
    target.Add("b", "key");
    target.CopyAllItems(list);
    EXPECT_EQ(Items(target), (V{"a", "b"}));
    EXPECT_EQ(target.Item("key"), "");
    target.CopyAllItems(target);
    EXPECT_EQ(Items(target), (V{"a", "b"}));
}

TEST(StringListCopy, CopiesAndMovesAreIndependent) {
    clsStringList list;
    list.Add("v", "Key");
    list.Add("w");
    clsStringList copy(list);
    list.Add("changed", "key");
    EXPECT_EQ(Items(copy), (V{"v", "w"}));
    EXPECT_EQ(copy.Item("KEY"), "v");
    clsStringList moved(std::move(copy));
    EXPECT_EQ(moved.Count(), 2);
    EXPECT_EQ(copy.Count(), 0);  // NOLINT(bugprone-use-after-move): the moved-from list is usable
    copy.Add("again");
    EXPECT_EQ(copy.Item(1), "again");
    copy = moved;
    EXPECT_EQ(Items(copy), (V{"v", "w"}));
}

// A plain linear model of the list, compared with the indexed one under random operations
// (many removals force compaction; few distinct texts force equal texts under many keys).
class ReferenceList {
  public:
    void Add(const std::string& text, const std::string& key) {
        if (text.empty()) {
            return;
        }
        if (!key.empty()) {
            if (const int32_t p = KeyPos(key); p > 0) {
                m_items.erase(m_items.begin() + p - 1);
            }
        } else if (const int32_t p = Find(text); p > 0) {
            m_items.erase(m_items.begin() + p - 1);
        }
        m_items.emplace_back(text, key);
    }
    void Remove(int32_t p) {
        if (p >= 1 && p <= Count()) {
            m_items.erase(m_items.begin() + p - 1);
        }
    }
    void RemoveKey(const std::string& key) { Remove(KeyPos(key)); }
    std::string Item(int32_t p) const {
        return p >= 1 && p <= Count() ? m_items[p - 1].first : std::string();
    }
    std::string ItemKey(const std::string& key) const { return Item(KeyPos(key)); }
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
    int32_t KeyPos(const std::string& key) const {
        for (int32_t p = 1; p <= Count(); ++p) {
            if (Fold(m_items[p - 1].second) == Fold(key)) {
                return p;
            }
        }
        return 0;
    }
    static std::string Fold(std::string s) {
        for (char& c : s) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        return s;
    }
    std::vector<std::pair<std::string, std::string>> m_items;
};

TEST(StringListModel, AgreesWithALinearListUnderRandomOperations) {
    std::mt19937 rng(12345);
    clsStringList list;
    ReferenceList ref;
    auto pick = [&](int n) { return static_cast<int32_t>(rng() % static_cast<unsigned>(n)); };
    for (int step = 0; step < 20000; ++step) {
        const std::string text = "t" + std::to_string(pick(12));
        const std::string key =
            pick(3) == 0 ? "" : (pick(2) ? "K" : "k") + std::to_string(pick(40));
        switch (pick(6)) {
            case 0:
            case 1:
                list.Add(text, key);
                ref.Add(text, key);
                break;
            case 2: {
                const int32_t p = pick(ref.Count() + 2);
                list.Remove(p);
                ref.Remove(p);
                break;
            }
            case 3:
                list.Remove(key.empty() ? "x" : key);
                ref.RemoveKey(key.empty() ? "x" : key);
                break;
            case 4: {
                int32_t expected = ref.Find(text);
                ASSERT_EQ(list.FindFirst(text), expected) << "step " << step;
                while (expected > 0) {
                    expected = ref.Find(text, expected + 1);
                    ASSERT_EQ(list.FindNext(), expected) << "step " << step;
                }
                break;
            }
            default:
                ASSERT_EQ(list.Item(key), key.empty() ? ref.Item(0) : ref.ItemKey(key));
                break;
        }
        ASSERT_EQ(list.Count(), ref.Count()) << "step " << step;
        if (step % 97 == 0) {
            for (int32_t p = 1; p <= ref.Count(); ++p) {
                ASSERT_EQ(list.Item(p), ref.Item(p)) << "step " << step << " position " << p;
            }
        }
    }
}

TEST(StringListModel, LargeListsStayConsistentAfterManyRemovals) {
    clsStringList list;
    const int32_t n = 100000;
    for (int32_t i = 1; i <= n; ++i) {
        list.Add("job" + std::to_string(i));
    }
    // Remove every item at an odd position, from the front, then check the survivors.
    for (int32_t p = 1; p <= list.Count(); ++p) {
        list.Remove(p);
    }
    ASSERT_EQ(list.Count(), n / 2);
    EXPECT_EQ(list.Item(1), "job2");
    EXPECT_EQ(list.Item(n / 2), "job" + std::to_string(n));
    EXPECT_EQ(list.Find("job50000"), 25000);
    EXPECT_EQ(list.Find("job49999"), 0);
    list.Add("job2");
    EXPECT_EQ(list.Item(n / 2), "job2");
    EXPECT_EQ(list.Find("job4"), 1);
}

}  // namespace
