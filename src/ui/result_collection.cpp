#include "ui/result_collection.h"

#include <cctype>

namespace ui {

std::string ResultCollection::Fold(const std::string& key) {
    std::string folded = key;
    for (char& c : folded) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}

bool ResultCollection::Add(const std::string& key, std::shared_ptr<const clsDiagResult> result) {
    if (!result || !m_index.emplace(Fold(key), m_items.size()).second) {
        return false;
    }
    m_items.emplace_back(key, std::move(result));
    return true;
}

const clsDiagResult* ResultCollection::Item(int32_t position) const {
    if (position < 1 || position > Count()) {
        return nullptr;
    }
    return m_items[static_cast<size_t>(position - 1)].second.get();
}

const clsDiagResult* ResultCollection::Find(const std::string& key) const {
    const auto it = m_index.find(Fold(key));
    return it == m_index.end() ? nullptr : m_items[it->second].second.get();
}

std::string ResultCollection::KeyAt(int32_t position) const {
    if (position < 1 || position > Count()) {
        return {};
    }
    return m_items[static_cast<size_t>(position - 1)].first;
}

}  // namespace ui
