#include "model/string_list.h"

#include "text/text_functions.h"

#include <set>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>


// Layout: items live in slots appended to a vector; a removed item leaves a dead slot behind.
// A Fenwick tree over the live flags of the slots turns a position into a slot and back in
// O(log n). The dead slots are dropped (compaction) once they outnumber the live ones. Two hash
// maps index the slots: folded key -> slot, and text -> the ordered set of slots holding that
// text (the first equal item is the smallest live slot of the set).

namespace stallscan::model {

namespace {

using text::FoldCase;

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

constexpr std::string_view kNul("\0", 1);

std::string_view EffectiveDelimiter(std::string_view delimiter) {
    return delimiter.empty() ? kNul : delimiter;
}

// Prefix sums over 0/1 live flags; indices are 1-based.
class Fenwick {
  public:
    void Clear() { tree_.assign(1, 0); }
    int32_t Size() const { return static_cast<int32_t>(tree_.size()) - 1; }

    // Appends one element with the given value in O(log n).
    void PushBack(int32_t value) {
        const int32_t i = Size() + 1;
        const int32_t low = i & -i;
        tree_.push_back(value + Prefix(i - 1) - Prefix(i - low));
    }

    // n elements, all 1, in O(n).
    void BuildAllOnes(int32_t n) {
        tree_.assign(static_cast<size_t>(n) + 1, 1);
        tree_[0] = 0;
        for (int32_t i = 1; i <= n; ++i) {
            const int32_t parent = i + (i & -i);
            if (parent <= n) {
                tree_[parent] += tree_[i];
            }
        }
    }

    void Add(int32_t i, int32_t delta) {
        for (const int32_t n = Size(); i <= n; i += i & -i) {
            tree_[i] += delta;
        }
    }

    int32_t Prefix(int32_t i) const {
        int32_t sum = 0;
        for (; i > 0; i -= i & -i) {
            sum += tree_[i];
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
            if (pos + step <= n && tree_[pos + step] < k) {
                pos += step;
                k -= tree_[pos];
            }
        }
        return pos + 1;
    }

  private:
    std::vector<int32_t> tree_ = std::vector<int32_t>(1, 0);
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

struct StringList::Impl {
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

StringList::StringList() : impl_(std::make_unique<Impl>()) {}
StringList::~StringList() = default;

StringList::StringList(const StringList& other)
    : impl_(std::make_unique<Impl>()),
      search_cursor_(other.search_cursor_),
      search_text_(other.search_text_),
      substring_mode_(other.substring_mode_) {
    for (const auto& slot : other.impl_->slots) {
        if (slot.text != nullptr) {
            impl_->Append(slot.text->first, slot.key);
        }
    }
}

StringList& StringList::operator=(const StringList& other) {
    if (this != &other) {
        StringList copy(other);
        *this = std::move(copy);
    }
    return *this;
}

// The moved-from list is left empty and usable.
StringList::StringList(StringList&& other) noexcept
    : impl_(std::exchange(other.impl_, std::make_unique<Impl>())),
      search_cursor_(std::exchange(other.search_cursor_, 0)),
      search_text_(std::move(other.search_text_)),
      substring_mode_(std::exchange(other.substring_mode_, false)) {
    other.search_text_.clear();
}

StringList& StringList::operator=(StringList&& other) noexcept {
    std::swap(impl_, other.impl_);
    std::swap(search_cursor_, other.search_cursor_);
    std::swap(search_text_, other.search_text_);
    std::swap(substring_mode_, other.substring_mode_);
    return *this;
}

int32_t StringList::Assign(std::string_view text, std::string_view delimiter) {
    Clear();
    return Append(text, delimiter);
}

// Splits at the delimiter and adds every non-empty piece with Add and no key.
int32_t StringList::Append(std::string_view text, std::string_view delimiter) {
    delimiter = EffectiveDelimiter(delimiter);
    size_t p = 0;
    while (p < text.size()) {
        const size_t q = text.find(delimiter, p);
        if (q == std::string_view::npos) {
            Add(std::string(text.substr(p)));
            break;
        }
        if (q > p) {
            Add(std::string(text.substr(p, q - p)));
        }
        p = q + delimiter.size();
    }
    return Count();
}

void StringList::Clear() {
    impl_->Reset();
}

void StringList::Add(const std::string& text, const std::string& key) {
    if (text.empty()) {
        return;
    }
    if (!key.empty()) {
        if (const Impl::Slot* old = impl_->FindKey(key)) {
            impl_->Erase(static_cast<uint32_t>(old - impl_->slots.data()));
        }
    } else if (const auto it = impl_->texts.find(text); it != impl_->texts.end()) {
        impl_->Erase(*it->second.begin());
    }
    impl_->Append(text, key);
}

void StringList::Remove(int32_t position) {
    if (impl_->ValidPosition(position)) {
        impl_->Erase(impl_->SlotAt(position));
    }
}

void StringList::Remove(const std::string& key) {
    int32_t position = 0;
    if (ReadPosition(key, position)) {
        Remove(position);
    } else if (const Impl::Slot* slot = impl_->FindKey(key)) {
        impl_->Erase(static_cast<uint32_t>(slot - impl_->slots.data()));
    }
}

std::string StringList::Item(int32_t position) const {
    if (!impl_->ValidPosition(position)) {
        return {};
    }
    return impl_->slots[impl_->SlotAt(position)].text->first;
}

std::string StringList::Item(const std::string& key) const {
    int32_t position = 0;
    if (ReadPosition(key, position)) {
        return Item(position);
    }
    const Impl::Slot* slot = impl_->FindKey(key);
    return slot == nullptr ? std::string() : slot->text->first;
}

std::string StringList::KeyAt(int32_t position) const {
    if (!impl_->ValidPosition(position)) {
        return {};
    }
    return impl_->slots[impl_->SlotAt(position)].key;
}

int32_t StringList::Find(const std::string& item_text) const {
    const auto it = impl_->texts.find(item_text);
    return it == impl_->texts.end() ? 0 : impl_->PositionOf(*it->second.begin());
}

// The first position at or after `from` (1 <= from <= Count) whose item matches the stored
// search, or 0.
int32_t StringList::MatchFrom(int32_t from) const {
    const uint32_t start = impl_->SlotAt(from);
    if (!substring_mode_) {
        const auto it = impl_->texts.find(search_text_);
        if (it == impl_->texts.end()) {
            return 0;
        }
        const auto next = it->second.lower_bound(start);
        return next == it->second.end() ? 0 : impl_->PositionOf(*next);
    }
    int32_t position = from;
    for (size_t slot = start; slot < impl_->slots.size(); ++slot) {
        const auto* text = impl_->slots[slot].text;
        if (text == nullptr) {
            continue;
        }
        if (text->first.find(search_text_) != std::string::npos) {
            return position;
        }
        ++position;
    }
    return 0;
}

void StringList::EndSearch() {
    search_cursor_ = 0;
    search_text_.clear();
    substring_mode_ = false;
}

int32_t StringList::FindFirst(const std::string& item_text, bool substring) {
    search_cursor_ = 0;
    if (Count() == 0) {
        search_text_.clear();
        substring_mode_ = false;
        return 0;
    }
    search_text_ = item_text;
    substring_mode_ = substring;
    search_cursor_ = MatchFrom(1);
    return search_cursor_;
}

int32_t StringList::FindNext() {
    const int64_t from = static_cast<int64_t>(search_cursor_) + 1;
    if (search_text_.empty() || from <= 1 || from > Count()) {
        EndSearch();
        return 0;
    }
    search_cursor_ = MatchFrom(static_cast<int32_t>(from));
    if (search_cursor_ == 0) {
        EndSearch();
    }
    return search_cursor_;
}

std::string StringList::Join(std::string_view delimiter, bool trailing) const {
    delimiter = EffectiveDelimiter(delimiter);
    size_t total = 0;
    for (const auto& slot : impl_->slots) {
        if (slot.text != nullptr) {
            total += slot.text->first.size() + delimiter.size();
        }
    }
    std::string joined;
    joined.reserve(total);
    for (const auto& slot : impl_->slots) {
        if (slot.text != nullptr) {
            joined += slot.text->first;
            joined += delimiter;
        }
    }
    if (!trailing && !joined.empty()) {
        joined.resize(joined.size() - delimiter.size());
    }
    return joined;
}

void StringList::AddAll(const StringList& other) {
    // Taken first, so that copying a list into itself reads a stable sequence.
    std::vector<std::string> items;
    items.reserve(static_cast<size_t>(other.Count()));
    for (const auto& slot : other.impl_->slots) {
        if (slot.text != nullptr) {
            items.push_back(slot.text->first);
        }
    }
    for (const auto& item : items) {
        Add(item);
    }
}

int32_t StringList::Count() const {
    return impl_->liveCount;
}

}  // namespace stallscan::model
