#include "trimora.h"

#include <utility>

#include "char_class.h"

namespace trimora {

TTrimora::TTrimora(std::string fileName, SettingsPrompts* prompts, FallbackPatterns fallback)
    : FileName(std::move(fileName)), prompts_(prompts), fallback_(std::move(fallback)) {
    loadReport_ = LoadSettings(FileName);
}

TTrimora::~TTrimora() { FreeTags(Formats); }

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

std::int32_t TTrimora::FindFormat(std::string_view fileName) noexcept {
    FormatIndex = -1;
    // The extension with its dot: from the last '.' after the last folder separator.
    std::size_t dot = std::string_view::npos;
    for (std::size_t i = fileName.size(); i-- > 0;) {
        if (IsFolderSeparator(fileName[i])) break;
        if (fileName[i] == '.') {
            dot = i;
            break;
        }
    }
    if (dot == std::string_view::npos) return FormatIndex;
    char extension[256];
    if (!UpperCopy(fileName.substr(dot), extension)) return FormatIndex;
    const std::string_view extensionView(extension, fileName.size() - dot);

    for (std::size_t index = 0; index < Formats.Size(); ++index) {
        const TagProp& format = Formats[index];
        char patterns[256];
        UpperCopy(format.Pattern.View(), patterns);
        if (MatchExtension(std::string_view(patterns, format.Pattern.Size()), extensionView, 1)) {
            FormatIndex = static_cast<std::int32_t>(index);
            Current = format;
            MaxLength = ReadMaxLength(format.Name.View());
            break;
        }
    }
    return FormatIndex;
}

void TTrimora::FindTag(const TTagInfo& tags, const PatternString& key) noexcept {
    if (const TagProp* rule = LookupTag(tags, key)) Current = *rule;
}

void TTrimora::FindSubTag(const TTagInfo& subTags, const PatternString& /*key*/) noexcept {
    if (const TagProp* rule = LookupSubTag(subTags)) Current = *rule;
}

// Binary search by name; on a hit, the tag's sub tags are tried.
const TagProp* TTrimora::LookupTag(const TTagInfo& tags, const PatternString& key) const noexcept {
    std::ptrdiff_t low = 0;
    std::ptrdiff_t high = static_cast<std::ptrdiff_t>(tags.Size()) - 1;
    while (high >= low) {
        const std::ptrdiff_t middle = (low + high) / 2;
        const TagProp& entry = tags[static_cast<std::size_t>(middle)];
        const int order = CompareNames(entry.Name.View(), key.View());
        if (order < 0) {
            low = middle + 1;
            continue;
        }
        high = middle - 1;
        if (order == 0) {
            if (entry.Children.Empty()) return &entry;
            const TagProp* subTag = LookupSubTag(entry.Children);
            return subTag != nullptr ? subTag : &entry;
        }
    }
    return nullptr;
}

// The first sub tag whose pattern matches the attribute text wins; its own
// sub tags are then tried the same way, as deep as the tree goes.
const TagProp* TTrimora::LookupSubTag(const TTagInfo& subTags) const noexcept {
    char text[256];
    UpperCopy(AttrText.View(), text);
    const TagProp* found = nullptr;
    const TTagInfo* list = &subTags;
    while (list != nullptr && !list->Empty()) {
        const TTagInfo* next = nullptr;
        for (std::size_t i = 0; i < list->Size(); ++i) {
            const TagProp& subTag = (*list)[i];
            char pattern[256];
            UpperCopy(subTag.Pattern.View(), pattern);
            if (WildMatch(text, pattern)) {
                found = &subTag;
                next = &subTag.Children;
                break;
            }
        }
        list = next;
    }
    return found;
}

}  // namespace trimora
