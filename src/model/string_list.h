#pragma once
// The one list type: ordered non-empty strings with 1-based positions, optional unique keys that
// ignore letter case, splitting and joining at a delimiter (default NUL), exact and substring
// search. Keyed lookup, exact Find and positional access take constant or logarithmic time.

#include <cstdint>
#include <memory>
#include <string>

class clsStringList {
  public:
    clsStringList();
    ~clsStringList();
    clsStringList(const clsStringList& other);
    clsStringList& operator=(const clsStringList& other);
    clsStringList(clsStringList&&) noexcept;
    clsStringList& operator=(clsStringList&&) noexcept;

    // Clear, then split and add. Returns Count.
    int32_t Init(const std::string& in_string, const std::string& in_delimiter = {});
    // Split and add without clearing. Returns Count.
    int32_t Append(const std::string& in_string, const std::string& in_delimiter = {});
    // Removes every item and key; the search state stays.
    void Clear();
    // Empty text: nothing. With a key: replaces the item of that key and moves it to the end.
    // Without: removes the first equal item (whatever its key) and appends the text at the end.
    void Add(const std::string& in_string, const std::string& in_keyword = {});
    // By position, or by key; a text that reads as a whole decimal number is a position.
    void Remove(int32_t in_position);
    void Remove(const std::string& in_keyword);
    std::string Item(int32_t in_position) const;
    std::string Item(const std::string& in_keyword) const;
    // The key of the item at a position, or empty.
    std::string KeyAt(int32_t in_position) const;
    // Position of the first item equal to in_item, or 0.
    int32_t Find(const std::string& in_item) const;
    int32_t FindFirst(const std::string& in_item, bool in_substring = false);
    int32_t FindNext();
    std::string GetAllItems(const std::string& in_sDelm = {}, bool in_bLastDelm = true) const;
    // Appends every item of the other list with Add and no key.
    void CopyAllItems(const clsStringList& in_stringList);
    int32_t Count() const;

  private:
    struct Impl;
    int32_t MatchFrom(int32_t from) const;
    void EndSearch();

    std::unique_ptr<Impl> m_impl;
    int32_t m_searchCursor = 0;
    std::string m_searchText;
    bool m_substringMode = false;
};
