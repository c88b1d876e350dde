#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace trimora {

// The recent list files, most recent first, at most MaxCount.
class TRecentLists {
public:
    static constexpr std::size_t MaxCount = 4;

    // Puts the path at the top, moving it there when it is present already.
    void AddMRU(const std::string& path);
    // Removes the path when present.
    void DeleteMRU(const std::string& path);

    const std::vector<std::string>& Items() const noexcept { return items_; }

    // The stored values "1" to "9", most recent first; missing ones are empty
    // texts and are skipped. Only the first MaxCount stay.
    void Restore(const std::vector<std::string>& values);

    // "&%s %s": the 1-based position and the file's name without folder.
    static std::string MenuCaption(std::size_t index, const std::string& path);

private:
    std::vector<std::string> items_;
};

}  // namespace trimora
