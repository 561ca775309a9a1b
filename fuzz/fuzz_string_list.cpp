// The string list against a plain reference (a vector scanned linearly, exactly as the list's
// rules are written), driven by operations from the input over a small alphabet so that equal
// texts, keys differing only in letter case, numeric keys and delimiters inside texts are common.

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "model/string_list.h"

namespace {

const std::string kTextAlphabet(
    "aAb,:\0"
    "1",
    7);
const std::string kKeyAlphabet = "aAbB1-";
const std::string kDelimiterAlphabet(",:\0a", 4);

std::string Fold(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// A text of an optional sign and digits reads as a position (saturating beyond 32 bits).
bool AsPosition(const std::string& text, int32_t& position) {
    size_t i = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (i >= text.size()) {
        return false;
    }
    long long value = 0;
    for (size_t k = i; k < text.size(); ++k) {
        if (text[k] < '0' || text[k] > '9') {
            return false;
        }
        value = std::min<long long>(value * 10 + (text[k] - '0'), INT_MAX);
    }
    position = static_cast<int32_t>(text[0] == '-' ? -value : value);
    return true;
}

struct Reference {
    struct Entry {
        std::string text;
        std::string key;
    };
    std::vector<Entry> items;
    int32_t cursor = 0;
    std::string searchText;
    bool substring = false;

    int32_t Count() const { return static_cast<int32_t>(items.size()); }
    bool Valid(int32_t p) const { return p >= 1 && p <= Count(); }
    int32_t KeyPosition(const std::string& key) const {
        for (int32_t p = 1; p <= Count(); ++p) {
            if (!items[p - 1].key.empty() && Fold(items[p - 1].key) == Fold(key)) {
                return p;
            }
        }
        return 0;
    }
    void RemoveAt(int32_t p) {
        if (Valid(p)) {
            items.erase(items.begin() + (p - 1));
        }
    }
    void Add(const std::string& text, const std::string& key) {
        if (text.empty()) {
            return;
        }
        RemoveAt(key.empty() ? Find(text) : KeyPosition(key));
        items.push_back({text, key});
    }
    void Split(const std::string& text, const std::string& delimiter) {
        const std::string d = delimiter.empty() ? std::string(1, '\0') : delimiter;
        std::string piece;
        for (size_t i = 0; i < text.size();) {
            if (text.compare(i, d.size(), d) == 0) {
                Add(piece, "");
                piece.clear();
                i += d.size();
            } else {
                piece += text[i++];
            }
        }
        Add(piece, "");
    }
    int32_t Lookup(const std::string& keyword) const {
        int32_t p = 0;
        return AsPosition(keyword, p) ? (Valid(p) ? p : 0) : KeyPosition(keyword);
    }
    int32_t Find(const std::string& text) const {
        for (int32_t p = 1; p <= Count(); ++p) {
            if (items[p - 1].text == text) {
                return p;
            }
        }
        return 0;
    }
    bool Matches(int32_t p) const {
        const std::string& item = items[p - 1].text;
        return substring ? item.find(searchText) != std::string::npos : item == searchText;
    }
    void EndSearch() {
        cursor = 0;
        searchText.clear();
        substring = false;
    }
    int32_t FindFirst(const std::string& text, bool sub) {
        cursor = 0;
        if (items.empty()) {
            searchText.clear();
            substring = false;
            return 0;
        }
        searchText = text;
        substring = sub;
        for (int32_t p = 1; p <= Count() && cursor == 0; ++p) {
            cursor = Matches(p) ? p : 0;
        }
        return cursor;
    }
    int32_t FindNext() {
        const int32_t from = cursor + 1;
        if (searchText.empty() || from <= 1 || from > Count()) {
            EndSearch();
            return 0;
        }
        for (int32_t p = from; p <= Count(); ++p) {
            if (Matches(p)) {
                return cursor = p;
            }
        }
        EndSearch();
        return 0;
    }
    std::string Join(const std::string& delimiter, bool last) const {
        const std::string d = delimiter.empty() ? std::string(1, '\0') : delimiter;
        std::string joined;
        for (int32_t p = 1; p <= Count(); ++p) {
            joined += items[p - 1].text;
            if (p < Count() || last) {
                joined += d;
            }
        }
        return joined;
    }
};

void CheckSame(const stallscan::model::StringList& list, const Reference& reference) {
    FUZZ_CHECK(list.Count() == reference.Count());
    for (int32_t p = 1; p <= reference.Count(); ++p) {
        FUZZ_CHECK(list.Item(p) == reference.items[p - 1].text);
        FUZZ_CHECK(list.KeyAt(p) == reference.items[p - 1].key);
    }
    FUZZ_CHECK(list.Item(0).empty() && list.Item(reference.Count() + 1).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputReader input(data, size);
    stallscan::model::StringList list;
    Reference reference;
    int steps = 0;
    while (!input.Empty()) {
        const uint8_t op = input.Byte();
        switch (op % 12) {
            case 0: {
                const std::string text = input.TextOver(12, kTextAlphabet);
                const std::string delimiter = input.TextOver(2, kDelimiterAlphabet);
                reference.items.clear();
                reference.Split(text, delimiter);
                FUZZ_CHECK(list.Assign(text, delimiter) == reference.Count());
                break;
            }
            case 1: {
                const std::string text = input.TextOver(12, kTextAlphabet);
                const std::string delimiter = input.TextOver(2, kDelimiterAlphabet);
                reference.Split(text, delimiter);
                FUZZ_CHECK(list.Append(text, delimiter) == reference.Count());
                break;
            }
            case 2:
            case 3: {
                const std::string text = input.TextOver(3, kTextAlphabet);
                const std::string key = op & 0x80 ? input.TextOver(2, kKeyAlphabet) : "";
                list.Add(text, key);
                reference.Add(text, key);
                break;
            }
            case 4: {
                const int32_t position = static_cast<int8_t>(input.Byte());
                list.Remove(position);
                reference.RemoveAt(position);
                break;
            }
            case 5: {
                const std::string keyword = input.TextOver(2, kKeyAlphabet);
                list.Remove(keyword);
                reference.RemoveAt(reference.Lookup(keyword));
                break;
            }
            case 6: {
                const std::string keyword = input.TextOver(2, kKeyAlphabet);
                const int32_t p = reference.Lookup(keyword);
                FUZZ_CHECK(list.Item(keyword) == (p > 0 ? reference.items[p - 1].text : ""));
                break;
            }
            case 7: {
                const std::string text = input.TextOver(3, kTextAlphabet);
                FUZZ_CHECK(list.Find(text) == reference.Find(text));
                break;
            }
            case 8: {
                const std::string text = input.TextOver(3, kTextAlphabet);
                const bool sub = op & 0x80;
                FUZZ_CHECK(list.FindFirst(text, sub) == reference.FindFirst(text, sub));
                break;
            }
            case 9:
                FUZZ_CHECK(list.FindNext() == reference.FindNext());
                break;
            case 10: {
                const std::string delimiter = input.TextOver(2, kDelimiterAlphabet);
                const bool last = op & 0x80;
                FUZZ_CHECK(list.Join(delimiter, last) == reference.Join(delimiter, last));
                break;
            }
            default:
                if (op & 0x80) {
                    list.AddAll(list);
                    const std::vector<Reference::Entry> snapshot = reference.items;
                    for (const auto& entry : snapshot) {
                        reference.Add(entry.text, "");
                    }
                } else {
                    // Copies and moves keep items, keys and the search state.
                    stallscan::model::StringList copy(list);
                    stallscan::model::StringList moved(std::move(copy));
                    FUZZ_CHECK(copy.Count() == 0);
                    list = moved;
                    CheckSame(moved, reference);
                }
                break;
        }
        if (reference.Count() <= 32 || ++steps % 32 == 0) {
            CheckSame(list, reference);
        }
    }
    CheckSame(list, reference);
    return 0;
}
