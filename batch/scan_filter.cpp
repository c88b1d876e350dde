#include "scan_filter.h"

#include "paths.h"

namespace trimora {

namespace {

char Folded(char c) noexcept { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

std::string_view WithoutTrailingSeparators(std::string_view path) {
    while (path.size() > 1 && IsPathSeparator(path.back())) path.remove_suffix(1);
    return path;
}

}  // namespace

// The rule tree's own matcher works on texts of at most 255 bytes; paths
// are longer, so the same wildcards are matched here without a limit.
bool TScanFilter::Matches(std::string_view text, std::string_view pattern) noexcept {
    std::size_t i = 0, j = 0;
    std::size_t starJ = std::string_view::npos, starI = 0;
    while (i < text.size()) {
        if (j < pattern.size() && pattern[j] == '*') {
            starJ = j++;
            starI = i;
        } else if (j < pattern.size() && (pattern[j] == '?' || Folded(pattern[j]) == Folded(text[i]))) {
            ++i;
            ++j;
        } else if (starJ != std::string_view::npos) {
            j = starJ + 1;
            i = ++starI;
        } else {
            return false;
        }
    }
    while (j < pattern.size() && pattern[j] == '*') ++j;
    return j == pattern.size();
}

void TScanFilter::AddRoot(std::string folder) {
    if (folder.empty()) return;
    if (!IsPathSeparator(folder.back())) folder += PathSeparator;
    roots_.push_back(std::move(folder));
}

bool TScanFilter::AddPattern(std::string_view text) {
    TPattern pattern;
    // "./x" and "/x" name x right below the folder given.
    if (text.size() >= 2 && text[0] == '.' && IsPathSeparator(text[1])) text.remove_prefix(2);
    while (!text.empty() && IsPathSeparator(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsPathSeparator(text.back())) {
        pattern.FoldersOnly = true;
        text.remove_suffix(1);
    }
    if (text.empty()) return false;
    pattern.Text = std::string(text);
    patterns_.push_back(std::move(pattern));
    return true;
}

std::string_view TScanFilter::Below(std::string_view path) const {
    path = WithoutTrailingSeparators(path);
    std::size_t deepest = std::string_view::npos;
    for (const std::string& root : roots_)
        if (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
            (deepest == std::string_view::npos || root.size() > deepest))
            deepest = root.size();
    if (deepest != std::string_view::npos) return path.substr(deepest);
    // Outside every root (a folder a list file names): the name alone.
    std::size_t name = path.size();
    while (name > 0 && !IsPathSeparator(path[name - 1])) --name;
    return path.substr(name);
}

bool TScanFilter::Hides(std::string_view path) const {
    if (IncludeHidden) return false;
    const std::string_view below = Below(path);
    for (std::size_t start = 0; start < below.size();) {
        if (below[start] == '.') return true;
        while (start < below.size() && !IsPathSeparator(below[start])) ++start;
        ++start;
    }
    return false;
}

bool TScanFilter::PatternMatches(std::string_view below, bool isFolder) const {
    std::size_t nameStart = below.size();
    while (nameStart > 0 && !IsPathSeparator(below[nameStart - 1])) --nameStart;
    const std::string_view name = below.substr(nameStart);
    for (const TPattern& pattern : patterns_)
        if (pattern.FoldersOnly == isFolder && (Matches(name, pattern.Text) || Matches(below, pattern.Text)))
            return true;
    return false;
}

bool TScanFilter::Keeps(std::string_view path) const {
    if (path.empty()) return true;
    return !Hides(path) && !PatternMatches(Below(path), IsPathSeparator(path.back()));
}

}  // namespace trimora
