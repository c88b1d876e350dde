#include "paths.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace trimora {

bool IsPathSeparator(char c) noexcept {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

namespace {
bool IsRoot(std::string_view text) noexcept {
#ifdef _WIN32
    return false;
#else
    return text.size() == 1 && text[0] == '/';
#endif
}

bool IsFolderEnd(char c) noexcept {
#ifdef _WIN32
    return IsPathSeparator(c) || c == ':';
#else
    return IsPathSeparator(c);
#endif
}
}  // namespace

std::string TrimControls(std::string_view text) {
    std::size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= 32) ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 32) --last;
    return std::string(text.substr(first, last - first));
}

void NormalizeFolder(std::string& folder) {
    if (folder.size() <= 1) return;
    if (!IsPathSeparator(folder.back())) folder += PathSeparator;
    std::string collapsed;
    collapsed.reserve(folder.size());
    for (char c : folder) {
        if (IsPathSeparator(c)) {
            if (!collapsed.empty() && collapsed.back() == PathSeparator) continue;
            c = PathSeparator;
        }
        collapsed += c;
    }
#ifdef _WIN32
    if (!collapsed.empty() && collapsed.front() == PathSeparator) collapsed.erase(0, 1);
#endif
    folder = std::move(collapsed);
}

bool IsAbsolutePath(std::string_view path) noexcept {
#ifdef _WIN32
    if (path.size() <= 2) return false;
    const char drive = path[0];
    const bool letter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
    return (letter && path[1] == ':' && IsPathSeparator(path[2])) || IsPathSeparator(path[0]);
#else
    return !path.empty() && path[0] == '/';
#endif
}

std::string CombinePath(std::string_view baseText, std::string_view relativeText) {
    std::string base = TrimControls(baseText);
    std::string relative = TrimControls(relativeText);
    if (base.empty() && relative.empty()) return {};
    if (!base.empty() && IsPathSeparator(base.back()) && !IsRoot(base)) base.pop_back();
    if (!relative.empty()) {
        if (!IsPathSeparator(relative.back())) relative += PathSeparator;
        if (IsPathSeparator(relative.front())) relative.erase(0, 1);
    }
    while (!base.empty() && !relative.empty() && relative.front() == '.') {
        relative.erase(0, 1);
        std::size_t cut = base.size();
        while (cut > 0 && !IsPathSeparator(base[cut - 1])) --cut;
        if (cut == 0) continue;  // no separator: the base stays
        // Cut at the separator; the root itself stays.
        base.erase(IsRoot(base.substr(0, cut)) ? cut : cut - 1);
    }
    if (!relative.empty() && IsPathSeparator(relative.front())) relative.erase(0, 1);
    if (!base.empty() && !IsPathSeparator(base.back())) base += PathSeparator;
    return base + relative;
}

bool ForceFolders(std::string_view folder) {
    std::error_code ec;
    if (folder.empty()) return false;
    const fs::path path{std::string(folder)};
    if (fs::is_directory(path, ec)) return true;
    fs::create_directories(path, ec);
    // Another worker may have made it meanwhile: only the outcome counts.
    return fs::is_directory(path, ec);
}

std::string CommonPrefix(std::string_view a, std::string_view b) {
    std::size_t length = 0;
    while (length < a.size() && length < b.size() && a[length] == b[length]) ++length;
    return std::string(a.substr(0, length));
}

std::string FolderPart(std::string_view path) {
    std::size_t end = path.size();
    while (end > 0 && !IsFolderEnd(path[end - 1])) --end;
    return std::string(path.substr(0, end));
}

std::string NamePart(std::string_view path) {
    std::size_t end = path.size();
    while (end > 0 && !IsFolderEnd(path[end - 1])) --end;
    return std::string(path.substr(end));
}

std::string AbsolutePath(std::string_view pathText, std::string_view from) {
    if (pathText.empty()) return {};
    const bool endsWithSeparator = IsPathSeparator(pathText.back());
    fs::path path{std::string(pathText)};
    if (!path.is_absolute()) {
        std::error_code ec;
        const fs::path start = from.empty() ? fs::current_path(ec) : fs::path(std::string(from));
        path = start / path;
    }
    std::string result = path.lexically_normal().string();
    // lexically_normal keeps a trailing separator as an empty last element.
    while (result.size() > 1 && IsPathSeparator(result.back())) result.pop_back();
    if (endsWithSeparator && !IsPathSeparator(result.back())) result += PathSeparator;
    return result;
}

std::string_view NextLine(std::string_view text, std::size_t& start) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

}  // namespace trimora
