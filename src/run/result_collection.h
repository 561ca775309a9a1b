#pragma once
// The diagnoses of one run in run order, each under its key ("server:job", letter case ignored).

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "diag/diagnosis.h"

namespace stallscan::run {

class ResultCollection {
  public:
    // Adds a diagnosis under "server:job"; false (nothing added) when the key is already there.
    bool Add(const std::string& server, const std::string& job,
             std::shared_ptr<const diag::Diagnosis> diagnosis);
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    // By 1-based position in run order; nullptr outside 1..Count.
    const diag::Diagnosis* Item(int32_t position) const;
    // By key ("server:job", letter case ignored); nullptr when missing.
    const diag::Diagnosis* Find(const std::string& key) const;

  private:
    std::vector<std::shared_ptr<const diag::Diagnosis>> items_;
    std::unordered_map<std::string, size_t> index_;
};

}  // namespace stallscan::run
