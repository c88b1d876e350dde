#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trimora {

// Which files and folders a folder scan (and a synchronisation) leaves out:
// names beginning with '.' unless hidden ones are wanted, and the paths that
// an exclusion pattern matches.
//
// A pattern uses the wildcards of the rule tree's patterns ('*' any run of
// characters, '?' one; letters match without regard to case) and is matched
// against the name and against the path below the folder given (the deepest
// root holding it): "*.min.js", "vendor/*.css". A pattern ending with '/'
// matches folders only ("node_modules/"); any other matches files only.
class TScanFilter {
public:
    // The folders given, absolute; paths are matched below them.
    void AddRoot(std::string folder);
    // False for a pattern that could match nothing ("", "/").
    bool AddPattern(std::string_view pattern);
    bool IncludeHidden = false;

    // True when the file (or the folder, its path ending with the separator)
    // takes part in a scan: it is neither hidden nor excluded.
    bool Keeps(std::string_view path) const;
    // True when a name on the path below its root begins with '.' and hidden
    // files are not wanted.
    bool Hides(std::string_view path) const;

    // '*' and '?' over whole texts, ASCII letters without case.
    static bool Matches(std::string_view text, std::string_view pattern) noexcept;

private:
    struct TPattern {
        std::string Text;
        bool FoldersOnly = false;
    };
    // The path below its root, without a trailing separator.
    std::string_view Below(std::string_view path) const;
    bool PatternMatches(std::string_view below, bool isFolder) const;

    std::vector<std::string> roots_;
    std::vector<TPattern> patterns_;
};

}  // namespace trimora
