#pragma once
// The listed attributes of one object: each attribute's values under a key (the attribute's name,
// or a document number, "." and the name, plus "number-of-documents"). Keys are matched without
// regard to letter case. A value text holds each value followed by one NUL character.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace stallscan::model {

class Entries {
  public:
    // Stores `values` under `key`, replacing what the key held; an empty text is not stored.
    void Set(std::string_view key, std::string values);
    // The values under `key`; the empty text when there are none.
    const std::string& Get(std::string_view key) const;
    // Stores every entry of `other`, replacing equal keys.
    void Merge(const Entries& other);

    bool empty() const { return map_.empty(); }
    std::size_t size() const { return map_.size(); }
    void clear() { map_.clear(); }

    // (key, values) pairs, in no particular order.
    auto begin() const { return map_.begin(); }
    auto end() const { return map_.end(); }

  private:
    // Hash and equality that ignore ASCII letter case, usable with any string-like key.
    struct FoldedHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view key) const;
    };
    struct FoldedEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };

    std::unordered_map<std::string, std::string, FoldedHash, FoldedEqual> map_;
};

}  // namespace stallscan::model
