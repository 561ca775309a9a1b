#include "model/entries.h"

namespace stallscan::model {

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

const std::string kNothing;

}  // namespace

std::size_t Entries::FoldedHash::operator()(std::string_view key) const {
    // FNV-1a over the lower-cased bytes.
    std::size_t hash = 14695981039346656037ull;
    for (char c : key) {
        hash = (hash ^ static_cast<unsigned char>(Lower(c))) * 1099511628211ull;
    }
    return hash;
}

bool Entries::FoldedEqual::operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

void Entries::Set(std::string_view key, std::string values) {
    if (values.empty()) {
        return;
    }
    if (const auto found = map_.find(key); found != map_.end()) {
        found->second = std::move(values);
    } else {
        map_.emplace(std::string(key), std::move(values));
    }
}

const std::string& Entries::Get(std::string_view key) const {
    const auto found = map_.find(key);
    return found == map_.end() ? kNothing : found->second;
}

void Entries::Merge(const Entries& other) {
    for (const auto& [key, values] : other.map_) {
        Set(key, values);
    }
}

}  // namespace stallscan::model
