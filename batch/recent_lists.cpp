#include "recent_lists.h"

#include <algorithm>

#include "paths.h"

namespace trimora {

void TRecentLists::AddMRU(const std::string& path) {
    DeleteMRU(path);
    items_.insert(items_.begin(), path);
    if (items_.size() > MaxCount) items_.resize(MaxCount);
}

void TRecentLists::DeleteMRU(const std::string& path) {
    items_.erase(std::remove(items_.begin(), items_.end(), path), items_.end());
}

void TRecentLists::Restore(const std::vector<std::string>& values) {
    items_.clear();
    for (const std::string& value : values) {
        if (value.empty() || std::find(items_.begin(), items_.end(), value) != items_.end()) continue;
        items_.push_back(value);
        if (items_.size() == MaxCount) break;
    }
}

std::string TRecentLists::MenuCaption(std::size_t index, const std::string& path) {
    return "&" + std::to_string(index + 1) + " " + NamePart(path);
}

}  // namespace trimora
