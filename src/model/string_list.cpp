#include "model/string_list.h"

#include <set>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/globals.h"

// Layout: items live in slots appended to a vector; a removed item leaves a dead slot behind.
// A Fenwick tree over the live flags of the slots turns a position into a slot and back in
// O(log n). The dead slots are dropped (compaction) once they outnumber the live ones. Two hash
// maps index the slots: folded key -> slot, and text -> the ordered set of slots holding that
// text (the first equal item is the smallest live slot of the set).

namespace {

std::string FoldCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

// True when `text` reads as a whole decimal number: an optional sign and one or more digits,
// nothing else. Values beyond the 32-bit range saturate (they are out of range either way).
bool ReadPosition(const std::string& text, int32_t& out) {
    size_t i = 0;
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        i = 1;
    }
    if (i >= text.size()) {
        return false;
    }
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            return false;
        }
        if (value <= INT32_MAX) {
            value = value * 10 + (c - '0');
        }
    }
    if (value > INT32_MAX) {
        value = INT32_MAX;
    }
    out = static_cast<int32_t>(negative ? -value : value);
    return true;
}

const std::string& EffectiveDelimiter(const std::string& delimiter) {
    return delimiter.empty() ? gNul : delimiter;
}

// Prefix sums over 0/1 live flags; indices are 1-based.
class Fenwick {
  public:
    void Clear() { m_tree.assign(1, 0); }
    int32_t Size() const { return static_cast<int32_t>(m_tree.size()) - 1; }

    // Appends one element with the given value in O(log n).
    void PushBack(int32_t value) {
        const int32_t i = Size() + 1;
        const int32_t low = i & -i;
        m_tree.push_back(value + Prefix(i - 1) - Prefix(i - low));
    }

    // n elements, all 1, in O(n).
    void BuildAllOnes(int32_t n) {
        m_tree.assign(static_cast<size_t>(n) + 1, 1);
        m_tree[0] = 0;
        for (int32_t i = 1; i <= n; ++i) {
            const int32_t parent = i + (i & -i);
            if (parent <= n) {
                m_tree[parent] += m_tree[i];
            }
        }
    }

    void Add(int32_t i, int32_t delta) {
        for (const int32_t n = Size(); i <= n; i += i & -i) {
            m_tree[i] += delta;
        }
    }

    int32_t Prefix(int32_t i) const {
        int32_t sum = 0;
        for (; i > 0; i -= i & -i) {
            sum += m_tree[i];
        }
        return sum;
    }

    // The smallest index whose prefix sum reaches k (1 <= k <= total).
    int32_t Select(int32_t k) const {
        const int32_t n = Size();
        int32_t step = 1;
        while (step <= n / 2) {
            step <<= 1;
        }
        int32_t pos = 0;
        for (; step > 0; step >>= 1) {
            if (pos + step <= n && m_tree[pos + step] < k) {
                pos += step;
                k -= m_tree[pos];
            }
        }
        return pos + 1;
    }

  private:
    std::vector<int32_t> m_tree = std::vector<int32_t>(1, 0);
};

// Clears a hash map, dropping its bucket array when it grew large, so that clearing a list that
// is reused for small contents stays cheap.
template <typename Map>
void ResetMap(Map& map) {
    if (map.bucket_count() > 1024) {
        Map().swap(map);
    } else {
        map.clear();
    }
}

}  // namespace

struct clsStringList::Impl {
    using TextMap = std::unordered_map<std::string, std::set<uint32_t>>;
    using TextEntry = TextMap::value_type;

    struct Slot {
        TextEntry* text = nullptr;  // null: the item was removed
        std::string key;
    };

    std::vector<Slot> slots;
    Fenwick live;
    int32_t liveCount = 0;
    TextMap texts;
    std::unordered_map<std::string, uint32_t> keys;  // folded key -> slot

    void Reset() {
        std::vector<Slot>().swap(slots);
        live.Clear();
        liveCount = 0;
        ResetMap(texts);
        ResetMap(keys);
    }

    int32_t PositionOf(uint32_t slot) const { return live.Prefix(static_cast<int32_t>(slot) + 1); }
    // Requires 1 <= position <= liveCount.
    uint32_t SlotAt(int32_t position) const {
        return static_cast<uint32_t>(live.Select(position) - 1);
    }
    bool ValidPosition(int32_t position) const { return position >= 1 && position <= liveCount; }

    const Slot* FindKey(const std::string& key) const {
        const auto it = keys.find(FoldCase(key));
        return it == keys.end() ? nullptr : &slots[it->second];
    }

    void Append(const std::string& text, const std::string& key) {
        const auto slot = static_cast<uint32_t>(slots.size());
        auto& entry = *texts.try_emplace(text).first;
        entry.second.insert(entry.second.end(), slot);
        slots.push_back(Slot{&entry, key});
        live.PushBack(1);
        ++liveCount;
        if (!key.empty()) {
            keys[FoldCase(key)] = slot;
        }
    }

    void Erase(uint32_t slot) {
        Slot& s = slots[slot];
        s.text->second.erase(slot);
        if (s.text->second.empty()) {
            texts.erase(texts.find(s.text->first));
        }
        if (!s.key.empty()) {
            keys.erase(FoldCase(s.key));
            std::string().swap(s.key);
        }
        s.text = nullptr;
        live.Add(static_cast<int32_t>(slot) + 1, -1);
        --liveCount;
        CompactIfSparse();
    }

    // Drops the dead slots once they outnumber the live ones (amortised O(1) per removal).
    void CompactIfSparse() {
        const size_t dead = slots.size() - static_cast<size_t>(liveCount);
        if (dead <= 64 || dead <= static_cast<size_t>(liveCount)) {
            return;
        }
        std::vector<uint32_t> remap(slots.size(), 0);
        std::vector<Slot> kept;
        kept.reserve(static_cast<size_t>(liveCount));
        for (uint32_t i = 0; i < slots.size(); ++i) {
            if (slots[i].text != nullptr) {
                remap[i] = static_cast<uint32_t>(kept.size());
                kept.push_back(std::move(slots[i]));
            }
        }
        slots = std::move(kept);
        for (auto& [text, set] : texts) {
            std::set<uint32_t> renumbered;
            for (const uint32_t old : set) {
                renumbered.insert(renumbered.end(), remap[old]);
            }
            set = std::move(renumbered);
        }
        for (auto& [key, slot] : keys) {
            slot = remap[slot];
        }
        live.BuildAllOnes(liveCount);
    }
};

clsStringList::clsStringList() : m_impl(std::make_unique<Impl>()) {}
clsStringList::~clsStringList() = default;

clsStringList::clsStringList(const clsStringList& other)
    : m_impl(std::make_unique<Impl>()),
      m_searchCursor(other.m_searchCursor),
      m_searchText(other.m_searchText),
      m_substringMode(other.m_substringMode) {
    for (const auto& slot : other.m_impl->slots) {
        if (slot.text != nullptr) {
            m_impl->Append(slot.text->first, slot.key);
        }
    }
}

clsStringList& clsStringList::operator=(const clsStringList& other) {
    if (this != &other) {
        clsStringList copy(other);
        *this = std::move(copy);
    }
    return *this;
}

// The moved-from list is left empty and usable.
clsStringList::clsStringList(clsStringList&& other) noexcept
    : m_impl(std::exchange(other.m_impl, std::make_unique<Impl>())),
      m_searchCursor(std::exchange(other.m_searchCursor, 0)),
      m_searchText(std::move(other.m_searchText)),
      m_substringMode(std::exchange(other.m_substringMode, false)) {
    other.m_searchText.clear();
}

clsStringList& clsStringList::operator=(clsStringList&& other) noexcept {
    std::swap(m_impl, other.m_impl);
    std::swap(m_searchCursor, other.m_searchCursor);
    std::swap(m_searchText, other.m_searchText);
    std::swap(m_substringMode, other.m_substringMode);
    return *this;
}

int32_t clsStringList::Init(const std::string& in_string, const std::string& in_delimiter) {
    Clear();
    return Append(in_string, in_delimiter);
}

// Splits at the delimiter and adds every non-empty piece with Add and no key.
int32_t clsStringList::Append(const std::string& in_string, const std::string& in_delimiter) {
    const std::string& delimiter = EffectiveDelimiter(in_delimiter);
    size_t p = 0;
    while (p < in_string.size()) {
        const size_t q = in_string.find(delimiter, p);
        if (q == std::string::npos) {
            Add(in_string.substr(p));
            break;
        }
        if (q > p) {
            Add(in_string.substr(p, q - p));
        }
        p = q + delimiter.size();
    }
    return Count();
}

void clsStringList::Clear() {
    m_impl->Reset();
}

void clsStringList::Add(const std::string& in_string, const std::string& in_keyword) {
    if (in_string.empty()) {
        return;
    }
    if (!in_keyword.empty()) {
        if (const Impl::Slot* old = m_impl->FindKey(in_keyword)) {
            m_impl->Erase(static_cast<uint32_t>(old - m_impl->slots.data()));
        }
    } else if (const auto it = m_impl->texts.find(in_string); it != m_impl->texts.end()) {
        m_impl->Erase(*it->second.begin());
    }
    m_impl->Append(in_string, in_keyword);
}

void clsStringList::Remove(int32_t in_position) {
    if (m_impl->ValidPosition(in_position)) {
        m_impl->Erase(m_impl->SlotAt(in_position));
    }
}

void clsStringList::Remove(const std::string& in_keyword) {
    int32_t position = 0;
    if (ReadPosition(in_keyword, position)) {
        Remove(position);
    } else if (const Impl::Slot* slot = m_impl->FindKey(in_keyword)) {
        m_impl->Erase(static_cast<uint32_t>(slot - m_impl->slots.data()));
    }
}

std::string clsStringList::Item(int32_t in_position) const {
    if (!m_impl->ValidPosition(in_position)) {
        return {};
    }
    return m_impl->slots[m_impl->SlotAt(in_position)].text->first;
}

std::string clsStringList::Item(const std::string& in_keyword) const {
    int32_t position = 0;
    if (ReadPosition(in_keyword, position)) {
        return Item(position);
    }
    const Impl::Slot* slot = m_impl->FindKey(in_keyword);
    return slot == nullptr ? std::string() : slot->text->first;
}

std::string clsStringList::KeyAt(int32_t in_position) const {
    if (!m_impl->ValidPosition(in_position)) {
        return {};
    }
    return m_impl->slots[m_impl->SlotAt(in_position)].key;
}

int32_t clsStringList::Find(const std::string& in_item) const {
    const auto it = m_impl->texts.find(in_item);
    return it == m_impl->texts.end() ? 0 : m_impl->PositionOf(*it->second.begin());
}

// The first position at or after `from` (1 <= from <= Count) whose item matches the stored
// search, or 0.
int32_t clsStringList::MatchFrom(int32_t from) const {
    const uint32_t start = m_impl->SlotAt(from);
    if (!m_substringMode) {
        const auto it = m_impl->texts.find(m_searchText);
        if (it == m_impl->texts.end()) {
            return 0;
        }
        const auto next = it->second.lower_bound(start);
        return next == it->second.end() ? 0 : m_impl->PositionOf(*next);
    }
    int32_t position = from;
    for (size_t slot = start; slot < m_impl->slots.size(); ++slot) {
        const auto* text = m_impl->slots[slot].text;
        if (text == nullptr) {
            continue;
        }
        if (text->first.find(m_searchText) != std::string::npos) {
            return position;
        }
        ++position;
    }
    return 0;
}

void clsStringList::EndSearch() {
    m_searchCursor = 0;
    m_searchText.clear();
    m_substringMode = false;
}

int32_t clsStringList::FindFirst(const std::string& in_item, bool in_substring) {
    m_searchCursor = 0;
    if (Count() == 0) {
        m_searchText.clear();
        m_substringMode = false;
        return 0;
    }
    m_searchText = in_item;
    m_substringMode = in_substring;
    m_searchCursor = MatchFrom(1);
    return m_searchCursor;
}

int32_t clsStringList::FindNext() {
    const int64_t from = static_cast<int64_t>(m_searchCursor) + 1;
    if (m_searchText.empty() || from <= 1 || from > Count()) {
        EndSearch();
        return 0;
    }
    m_searchCursor = MatchFrom(static_cast<int32_t>(from));
    if (m_searchCursor == 0) {
        EndSearch();
    }
    return m_searchCursor;
}

std::string clsStringList::GetAllItems(const std::string& in_sDelm, bool in_bLastDelm) const {
    const std::string& delimiter = EffectiveDelimiter(in_sDelm);
    size_t total = 0;
    for (const auto& slot : m_impl->slots) {
        if (slot.text != nullptr) {
            total += slot.text->first.size() + delimiter.size();
        }
    }
    std::string joined;
    joined.reserve(total);
    for (const auto& slot : m_impl->slots) {
        if (slot.text != nullptr) {
            joined += slot.text->first;
            joined += delimiter;
        }
    }
    if (!in_bLastDelm && !joined.empty()) {
        joined.resize(joined.size() - delimiter.size());
    }
    return joined;
}

void clsStringList::CopyAllItems(const clsStringList& in_stringList) {
    // Taken first, so that copying a list into itself reads a stable sequence.
    std::vector<std::string> items;
    items.reserve(static_cast<size_t>(in_stringList.Count()));
    for (const auto& slot : in_stringList.m_impl->slots) {
        if (slot.text != nullptr) {
            items.push_back(slot.text->first);
        }
    }
    for (const auto& item : items) {
        Add(item);
    }
}

int32_t clsStringList::Count() const {
    return m_impl->liveCount;
}
