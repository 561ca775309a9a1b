#include "run/result_collection.h"

#include "run/run_plan.h"
#include "text/text_functions.h"

namespace stallscan::run {

bool ResultCollection::Add(const std::string& server, const std::string& job,
                           std::shared_ptr<const diag::Diagnosis> diagnosis) {
    if (!diagnosis || !index_.emplace(ResultKey(server, job), items_.size()).second) {
        return false;
    }
    items_.push_back(std::move(diagnosis));
    return true;
}

const diag::Diagnosis* ResultCollection::Item(int32_t position) const {
    if (position < 1 || position > Count()) {
        return nullptr;
    }
    return items_[static_cast<size_t>(position - 1)].get();
}

const diag::Diagnosis* ResultCollection::Find(const std::string& key) const {
    const auto it = index_.find(text::FoldCase(key));
    return it == index_.end() ? nullptr : items_[it->second].get();
}

}  // namespace stallscan::run
