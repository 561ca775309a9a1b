#pragma once
// The results of one run: clsDiagResult records in run order, each under a unique key
// ("server:job") whose letter case is ignored.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "diag/diag_result.h"

namespace ui {

class ResultCollection {
  public:
    // Adds `result` under `key`; false (nothing added) when the key is already there.
    bool Add(const std::string& key, std::shared_ptr<const clsDiagResult> result);
    int32_t Count() const { return static_cast<int32_t>(m_items.size()); }
    // By 1-based position in run order; nullptr outside 1..Count.
    const clsDiagResult* Item(int32_t position) const;
    // By key, letter case ignored; nullptr when missing.
    const clsDiagResult* Find(const std::string& key) const;
    std::string KeyAt(int32_t position) const;

  private:
    static std::string Fold(const std::string& key);

    std::vector<std::pair<std::string, std::shared_ptr<const clsDiagResult>>> m_items;
    std::unordered_map<std::string, size_t> m_index;
};

}  // namespace ui
