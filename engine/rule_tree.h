#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "tag_tree.h"

namespace trimora {

// A whole rule tree: the file-format roots in priority order, each with its
// tags sorted by name and their sub tags in stored order. A tree that has
// been shared (TSharedRules) is never changed again: any number of passes
// on any number of threads read it at once, and an editor works on a Copy
// and shares the result in its place.
class TRuleTree {
public:
    TRuleTree() = default;
    explicit TRuleTree(TTagInfo formats) noexcept : Formats(std::move(formats)) {}
    TRuleTree(TRuleTree&&) noexcept = default;
    TRuleTree& operator=(TRuleTree&&) noexcept = default;
    TRuleTree(const TRuleTree&) = delete;
    TRuleTree& operator=(const TRuleTree&) = delete;

    // An independent deep copy, for an editor to change.
    [[nodiscard]] TRuleTree Copy() const { return TRuleTree(CopyTags(Formats)); }

    // The index of the first format whose patterns hold the file name's
    // extension, or -1.
    [[nodiscard]] std::int32_t FindFormat(std::string_view fileName) const noexcept;
    // The maximum line length of a format: its Name read as a number.
    [[nodiscard]] std::int32_t MaxLength(std::int32_t formatIndex) const noexcept;
    // Sorts the tags under every format by name, as the lookups require.
    void SortAllTags() noexcept;

    TTagInfo Formats;
};

using TSharedRules = std::shared_ptr<const TRuleTree>;

// Sorts the tree's tags and shares it; from then on it is read only.
TSharedRules ShareRules(TRuleTree rules);

// The rule of a tag: a binary search of the sorted tags for the normalised
// name, then the first sub tag whose pattern matches the attribute text, as
// deep as the sub tags go. nullptr when no tag has the name.
const TagProp* FindTag(const TTagInfo& tags, const PatternString& key, std::string_view attrText) noexcept;
// FindTag's first step: the tag of that name, nullptr when none.
const TagProp* FindTagEntry(const TTagInfo& tags, std::string_view name) noexcept;
// The first sub tag (and then its first sub tag, and so on) whose pattern
// matches the attribute text; nullptr when none does.
const TagProp* FindSubTag(const TTagInfo& subTags, std::string_view attrText) noexcept;
// The same for a caller that keeps sub tags' patterns ready: upperText is the
// attribute text as FindSubTag compares it (UpperSubTagText), and
// patternOf(subTag) gives the sub tag's pattern upper-cased up to its first
// NUL as a TWildPattern.
template <typename PatternOf>
const TagProp* FindSubTagWith(const TTagInfo& subTags, std::string_view upperText, PatternOf&& patternOf) {
    const TagProp* found = nullptr;
    const TTagInfo* list = &subTags;
    while (list != nullptr && !list->Empty()) {
        const TTagInfo* next = nullptr;
        for (std::size_t i = 0; i < list->Size(); ++i) {
            const TagProp& subTag = (*list)[i];
            if (patternOf(subTag).Matches(upperText)) {
                found = &subTag;
                next = &subTag.Children;
                break;
            }
        }
        list = next;
    }
    return found;
}

// The rule tree in the newest layout of the tag-settings file. Tags are
// written sorted by name; the tree itself is not changed.
std::vector<std::uint8_t> EncodeRuleTree(const TTagInfo& formats);

}  // namespace trimora
