#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "short_string.h"

namespace trimora {

// Flag bits of a rule-tree node.
inline constexpr std::uint32_t tfRemoveContent = 0x001;     // content mode "Remove"
inline constexpr std::uint32_t tfRemoveTag = 0x002;         // the tag itself is dropped
inline constexpr std::uint32_t tfRemoveWhitespace = 0x004;  // the space before the tag is dropped
inline constexpr std::uint32_t tfDoNotCompress = 0x008;     // content mode "Do Not Compress"
inline constexpr std::uint32_t tfJavaScript = 0x010;        // content mode "JavaScript Compress"
inline constexpr std::uint32_t tfStyleSheet = 0x020;        // content mode "StyleSheet Compress"
inline constexpr std::uint32_t tfReplaceTag = 0x040;        // the name is replaced by ReplaceWith
inline constexpr std::uint32_t tfVBScript = 0x100;          // content mode "VBScript Compress"
inline constexpr std::uint32_t tfRemoveQuotes = 0x200;      // file format: needless quotes go
inline constexpr std::uint32_t tfKeepComments = 0x400;      // file format: comments stay
// Script and style content (a format, or a tag whose content mode is script
// or style): a comment that begins with "/*!" is kept as written.
inline constexpr std::uint32_t tfKeepLicense = 0x800;
// Style-sheet content: comments outside strings are removed.
inline constexpr std::uint32_t tfStyleComments = 0x1000;
// Nodes whose content is handed to a script or style compressor.
inline constexpr std::uint32_t tfCompressorMask = tfJavaScript | tfStyleSheet | tfVBScript;

struct FlagName {
    std::uint32_t Bit;
    std::string_view Name;
};
inline constexpr FlagName FlagNames[] = {
    {tfRemoveContent, "tfRemoveContent"}, {tfRemoveTag, "tfRemoveTag"},
    {tfRemoveWhitespace, "tfRemoveWhitespace"}, {tfDoNotCompress, "tfDoNotCompress"},
    {tfJavaScript, "tfJavaScript"}, {tfStyleSheet, "tfStyleSheet"},
    {tfReplaceTag, "tfReplaceTag"}, {tfVBScript, "tfVBScript"},
    {tfRemoveQuotes, "tfRemoveQuotes"}, {tfKeepComments, "tfKeepComments"},
    {tfKeepLicense, "tfKeepLicense"}, {tfStyleComments, "tfStyleComments"},
};

// The fields of one node, without its children. `Current` holds these by value.
struct TagRule {
    NameString Name;         // tag: upper-case name; format: maximum line length as text
    NameString ReplaceWith;  // the name written instead when tfReplaceTag is set
    std::uint32_t Flags = 0;
    PatternString Pattern;   // format: "*.html;*.htm"; sub tag: wildcard over the attribute text
    std::uint16_t ChildCount = 0;  // as carried in the file; lookups use Children
};

struct TagProp;

// The children of a node, or the list of file-format roots. Owns its nodes;
// releasing it frees whole subtrees without recursion, however deep.
class TTagInfo {
public:
    TTagInfo() = default;
    TTagInfo(TTagInfo&&) noexcept = default;
    TTagInfo& operator=(TTagInfo&& other) noexcept;
    TTagInfo(const TTagInfo&) = delete;
    TTagInfo& operator=(const TTagInfo&) = delete;
    ~TTagInfo();

    [[nodiscard]] std::size_t Size() const noexcept { return items_.size(); }
    [[nodiscard]] bool Empty() const noexcept { return items_.empty(); }
    TagProp& operator[](std::size_t index) noexcept { return *items_[index]; }
    const TagProp& operator[](std::size_t index) const noexcept { return *items_[index]; }
    TagProp& Back() noexcept { return *items_.back(); }

    TagProp& Add();                      // appends an empty node
    TagProp& Add(const TagRule& fields);  // appends a node with these fields
    void Reserve(std::size_t count) { items_.reserve(count); }
    void Truncate(std::size_t count);    // cuts the list to its first count nodes
    void Swap(std::size_t a, std::size_t b) noexcept { items_[a].swap(items_[b]); }
    void SortRange(std::size_t first, std::size_t last);  // by Name, stable
    void Clear() noexcept;

private:
    std::vector<std::unique_ptr<TagProp>> items_;
};

// One node of the rule tree: a file format (level 0), a tag (1) or a sub tag (2+).
struct TagProp : TagRule {
    TTagInfo Children;
};

// The rule in force: a node's fields by value, and its children by reference.
struct CurrentRule : TagRule {
    const TTagInfo* Children = nullptr;

    CurrentRule& operator=(const TagProp& node) noexcept {
        static_cast<TagRule&>(*this) = node;
        Children = &node.Children;
        return *this;
    }
};

// The canonical form of a tag name: one leading '/' dropped, a..z upper-cased,
// cut at the first byte of value 32 or less.
PatternString NormalizeTagName(std::string_view name) noexcept;
// Whether NormalizeTagName(text) equals normalized, found without building
// it: the comparison stops at the first byte that differs.
bool HasNormalizedName(std::string_view text, std::string_view normalized) noexcept;

// Byte-order comparison used by the sort and by FindTag: shorter first when
// one is a prefix of the other.
inline int CompareNames(std::string_view left, std::string_view right) noexcept {
    const std::size_t common = left.size() < right.size() ? left.size() : right.size();
    for (std::size_t i = 0; i < common; ++i) {
        const auto a = static_cast<unsigned char>(left[i]), b = static_cast<unsigned char>(right[i]);
        if (a != b) return a < b ? -1 : 1;
    }
    if (left.size() == right.size()) return 0;
    return left.size() < right.size() ? -1 : 1;
}

// '*' and '?' wildcards over zero-terminated texts, case-sensitive.
bool WildMatch(const char* text, const char* pattern) noexcept;
// The same over texts of known length (NUL bytes in them count as bytes).
bool WildMatch(std::string_view text, std::string_view pattern) noexcept;
// A pattern looked at once and then matched against text after text; the
// pattern's bytes must outlive it.
class TWildPattern {
public:
    TWildPattern() noexcept = default;  // matches only the empty text
    explicit TWildPattern(std::string_view pattern) noexcept;
    [[nodiscard]] bool Matches(std::string_view text) const noexcept;

private:
    std::string_view pattern_;
    std::size_t length_ = 0;        // the pattern's length, a trailing run of stars counted as "?*"
    std::size_t starRunStart_ = 0;  // where the trailing run of stars begins
    bool search_ = false;           // "*word*": a plain search for word
    bool questionStarTail_ = false;
};
// Text (its first 255 bytes, up to the first NUL) with a..z upper-cased into
// buffer: how sub tags' patterns and attribute texts are compared.
std::string_view UpperSubTagText(std::string_view text, char (&buffer)[256]) noexcept;
// Matches both as UpperSubTagText gives them.
bool MatchText(std::string_view text, std::string_view pattern) noexcept;
// Does the pattern list ("*.html;*.htm") hold the extension (".HTM")?
// Both are expected upper-cased; start is 1-based.
bool MatchExtension(std::string_view patternList, std::string_view extension, int start) noexcept;

// Sorts list entries left..right by Name in byte order.
void SortTags(TTagInfo& list, std::ptrdiff_t left, std::ptrdiff_t right) noexcept;
// Releases every node of the list, depth first.
void FreeTags(TTagInfo& list) noexcept;
// An independent copy of the list and all its subtrees, however deep.
TTagInfo CopyTags(const TTagInfo& list);

// Reads a format's maximum length from its Name: leading blanks, an optional
// sign, digits up to the first other character; 0 when there is no number.
std::int32_t ReadMaxLength(std::string_view name) noexcept;

}  // namespace trimora
