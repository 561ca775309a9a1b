#pragma once
// The list type of the diagnosis: ordered non-empty strings with 1-based positions, optional
// unique keys that ignore letter case, splitting and joining at a delimiter (default NUL), exact
// and substring search. Keyed lookup, exact Find and positional access take constant or
// logarithmic time.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace stallscan::model {

class StringList {
  public:
    StringList();
    ~StringList();
    StringList(const StringList& other);
    StringList& operator=(const StringList& other);
    StringList(StringList&&) noexcept;
    StringList& operator=(StringList&&) noexcept;
    // The items of a text split at NUL characters (the multi-value text of an attribute).
    explicit StringList(std::string_view text) : StringList() { Append(text); }

    // Clear, then Append. Returns Count().
    int32_t Assign(std::string_view text, std::string_view delimiter = {});
    // Splits at the delimiter (NUL when empty) and adds every non-empty piece with Add and no
    // key: a piece equal to an earlier item moves that text to the end. Returns Count().
    int32_t Append(std::string_view text, std::string_view delimiter = {});
    // Removes every item and key; the search state stays.
    void Clear();
    // Empty text: nothing. With a key: replaces the item of that key and moves it to the end.
    // Without: removes the first equal item (whatever its key) and appends the text at the end.
    void Add(const std::string& text, const std::string& key = {});
    // By position, or by key; a text that reads as a whole decimal number is a position.
    void Remove(int32_t position);
    void Remove(const std::string& key_or_position);
    // The item, or the empty text when there is none.
    std::string Item(int32_t position) const;
    std::string Item(const std::string& key_or_position) const;
    // The key of the item at a position, or empty.
    std::string KeyAt(int32_t position) const;
    // Position of the first item equal to `text`, or 0.
    int32_t Find(const std::string& text) const;
    // Starts a search (exact, or for items containing `text`); the first matching position or 0.
    int32_t FindFirst(const std::string& text, bool substring = false);
    // The next matching position after the last match, or 0 (which ends the search).
    int32_t FindNext();
    // The items joined, each followed by the delimiter (NUL when empty) except, unless
    // `trailing`, the last.
    std::string Join(std::string_view delimiter = {}, bool trailing = true) const;
    // Appends every item of the other list with Add and no key.
    void AddAll(const StringList& other);
    int32_t Count() const;

  private:
    struct Impl;
    int32_t MatchFrom(int32_t from) const;
    void EndSearch();

    std::unique_ptr<Impl> impl_;
    int32_t search_cursor_ = 0;
    std::string search_text_;
    bool substring_mode_ = false;
};

}  // namespace stallscan::model
