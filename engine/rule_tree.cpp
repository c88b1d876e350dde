#include "rule_tree.h"

#include <algorithm>
#include <cstring>

#include "char_class.h"

namespace trimora {

namespace {
// Upper-cases up to 255 bytes into a zero-terminated buffer; false when the
// text is longer (no pattern of 255 characters can hold it).
bool UpperCopy(std::string_view text, char (&buffer)[256]) noexcept {
    if (text.size() > 255) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        buffer[i] = static_cast<char>(UpperAscii(static_cast<unsigned char>(text[i])));
    buffer[text.size()] = '\0';
    return true;
}

bool IsFolderSeparator(char c) noexcept { return c == '\\' || c == ':' || c == '/'; }
}  // namespace

std::int32_t TRuleTree::FindFormat(std::string_view fileName) const noexcept {
    // The extension with its dot: from the last '.' after the last folder separator.
    std::size_t dot = std::string_view::npos;
    for (std::size_t i = fileName.size(); i-- > 0;) {
        if (IsFolderSeparator(fileName[i])) break;
        if (fileName[i] == '.') {
            dot = i;
            break;
        }
    }
    if (dot == std::string_view::npos) return -1;
    char extension[256];
    if (!UpperCopy(fileName.substr(dot), extension)) return -1;
    const std::string_view extensionView(extension, fileName.size() - dot);

    for (std::size_t index = 0; index < Formats.Size(); ++index) {
        const TagProp& format = Formats[index];
        char patterns[256];
        UpperCopy(format.Pattern.View(), patterns);
        if (MatchExtension(std::string_view(patterns, format.Pattern.Size()), extensionView, 1))
            return static_cast<std::int32_t>(index);
    }
    return -1;
}

std::int32_t TRuleTree::MaxLength(std::int32_t formatIndex) const noexcept {
    if (formatIndex < 0 || static_cast<std::size_t>(formatIndex) >= Formats.Size()) return 0;
    return ReadMaxLength(Formats[static_cast<std::size_t>(formatIndex)].Name.View());
}

void TRuleTree::SortAllTags() noexcept {
    for (std::size_t f = 0; f < Formats.Size(); ++f) {
        TTagInfo& tags = Formats[f].Children;
        if (!tags.Empty()) SortTags(tags, 0, static_cast<std::ptrdiff_t>(tags.Size()) - 1);
    }
}

TSharedRules ShareRules(TRuleTree rules) {
    rules.SortAllTags();
    return std::make_shared<const TRuleTree>(std::move(rules));
}

const TagProp* FindTagEntry(const TTagInfo& tags, std::string_view name) noexcept {
    std::ptrdiff_t low = 0;
    std::ptrdiff_t high = static_cast<std::ptrdiff_t>(tags.Size()) - 1;
    while (high >= low) {
        const std::ptrdiff_t middle = (low + high) / 2;
        const TagProp& entry = tags[static_cast<std::size_t>(middle)];
        const int order = CompareNames(entry.Name.View(), name);
        if (order == 0) return &entry;
        if (order < 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return nullptr;
}

const TagProp* FindTag(const TTagInfo& tags, const PatternString& key, std::string_view attrText) noexcept {
    const TagProp* entry = FindTagEntry(tags, key.View());
    if (entry == nullptr || entry->Children.Empty()) return entry;
    const TagProp* subTag = FindSubTag(entry->Children, attrText);
    return subTag != nullptr ? subTag : entry;
}

// The first sub tag whose pattern matches the attribute text (upper-cased,
// its first 255 characters) wins; its own sub tags are then tried the same
// way, as deep as the tree goes.
const TagProp* FindSubTag(const TTagInfo& subTags, std::string_view attrText) noexcept {
    char text[256];
    const std::string_view upperText = UpperSubTagText(attrText, text);
    char pattern[256];
    return FindSubTagWith(subTags, upperText, [&pattern](const TagProp& subTag) {
        return TWildPattern(UpperSubTagText(subTag.Pattern.View(), pattern));
    });
}

}  // namespace trimora
