#include "tag_tree.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "byte_scan.h"
#include "char_class.h"

namespace trimora {

TTagInfo& TTagInfo::operator=(TTagInfo&& other) noexcept {
    if (this != &other) {
        Clear();
        items_ = std::move(other.items_);
    }
    return *this;
}

TTagInfo::~TTagInfo() { Clear(); }

TagProp& TTagInfo::Add() {
    items_.push_back(std::make_unique<TagProp>());
    return *items_.back();
}

TagProp& TTagInfo::Add(const TagRule& fields) {
    TagProp& node = Add();
    static_cast<TagRule&>(node) = fields;
    return node;
}

void TTagInfo::Truncate(std::size_t count) {
    if (count >= items_.size()) return;
    TTagInfo tail;
    tail.items_.assign(std::make_move_iterator(items_.begin() + static_cast<std::ptrdiff_t>(count)),
                       std::make_move_iterator(items_.end()));
    items_.resize(count);
}

// A file can nest nodes tens of thousands of levels deep; unique_ptr's own
// destructor would recurse once per level. Detach children first instead.
void TTagInfo::Clear() noexcept {
    std::vector<std::unique_ptr<TagProp>> pending = std::move(items_);
    items_.clear();
    while (!pending.empty()) {
        std::unique_ptr<TagProp> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->Children.items_) pending.push_back(std::move(child));
        node->Children.items_.clear();
    }
}

void FreeTags(TTagInfo& list) noexcept { list.Clear(); }

TTagInfo CopyTags(const TTagInfo& list) {
    TTagInfo copy;
    // Each pending pair is a source list and the list its copies go into.
    std::vector<std::pair<const TTagInfo*, TTagInfo*>> pending{{&list, &copy}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        to->Reserve(from->Size());
        for (std::size_t i = 0; i < from->Size(); ++i) {
            const TagProp& node = (*from)[i];
            TagProp& added = to->Add(node);
            if (!node.Children.Empty()) pending.emplace_back(&node.Children, &added.Children);
        }
    }
    return copy;
}

PatternString NormalizeTagName(std::string_view name) noexcept {
    PatternString result;
    if (name.empty()) return result;
    std::size_t start = name[0] == '/' ? 1 : 0;
    char buffer[PatternString::MaxSize];
    std::size_t length = 0;
    for (std::size_t i = start; i < name.size() && length < PatternString::MaxSize; ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte <= 32) break;
        buffer[length++] = static_cast<char>(UpperAscii(byte));
    }
    result.Assign(std::string_view(buffer, length));
    return result;
}

bool HasNormalizedName(std::string_view text, std::string_view normalized) noexcept {
    const std::size_t start = !text.empty() && text[0] == '/' ? 1 : 0;
    const std::size_t length = normalized.size();
    if (length > PatternString::MaxSize || start + length > text.size()) return false;
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[start + i]);
        if (byte <= 32 || UpperAscii(byte) != static_cast<unsigned char>(normalized[i])) return false;
    }
    // The name ends here: at the end of the text, at a byte of 32 or less,
    // or where NormalizeTagName cuts it.
    return length == PatternString::MaxSize || start + length == text.size() ||
           static_cast<unsigned char>(text[start + length]) <= 32;
}

// WildMatch follows this recursive definition on a text position and a
// pattern position:
//   the rest of the pattern is exactly "*"  -> match
//   the text is at its end                  -> match only at the pattern's end
//   '*'  -> text matches the rest after '*', or text+1 matches from the '*'
//   '?'  -> both advance;  other bytes must be equal
// That is ordinary glob matching except at the text's end, where a trailing
// run of two or more stars fails while a single star succeeds: such a run
// behaves as "?*". Matching it that way with the linear backtracking
// algorithm gives the same answers without the exponential recursion.
TWildPattern::TWildPattern(std::string_view pattern) noexcept : pattern_(pattern), length_(pattern.size()) {
    std::size_t wildcards = 0;
    for (const char c : pattern) wildcards += c == '*' || c == '?' ? 1 : 0;
    // The usual sub-tag pattern, "*word*" with no other wildcard: a search.
    search_ = length_ >= 3 && wildcards == 2 && pattern[0] == '*' && pattern[length_ - 1] == '*';
    std::size_t trailingStars = 0;
    while (trailingStars < length_ && pattern[length_ - 1 - trailingStars] == '*') ++trailingStars;
    questionStarTail_ = trailingStars >= 2;
    starRunStart_ = length_ - trailingStars;
    if (questionStarTail_) length_ = starRunStart_ + 2;
}

bool TWildPattern::Matches(std::string_view text) const noexcept {
    if (search_) return text.find(pattern_.substr(1, pattern_.size() - 2)) != std::string_view::npos;
    const std::size_t textLength = text.size();
    const std::size_t patternLength = length_;
    auto patternAt = [&](std::size_t j) -> char {
        if (questionStarTail_ && j >= starRunStart_) return j == starRunStart_ ? '?' : '*';
        return pattern_[j];
    };

    std::size_t i = 0, j = 0;
    std::size_t starJ = 0, starI = 0;
    bool haveStar = false;
    while (i < textLength) {
        if (j < patternLength) {
            const char p = patternAt(j);
            if (p == '*') {
                haveStar = true;
                starJ = j++;
                starI = i;
                continue;
            }
            if (p == '?' || p == text[i]) {
                ++i;
                ++j;
                continue;
            }
            if (haveStar && j == starJ + 1) {
                // Right after the star (where i is starI) the text moves on
                // one byte at a time until it holds p: go there at once.
                const void* next = std::memchr(text.data() + i, p, textLength - i);
                if (next == nullptr) return false;
                i = starI = static_cast<std::size_t>(static_cast<const char*>(next) - text.data());
                continue;
            }
        }
        if (!haveStar) return false;
        j = starJ + 1;
        i = ++starI;
    }
    while (j < patternLength && patternAt(j) == '*') ++j;
    return j == patternLength;
}

bool WildMatch(std::string_view text, std::string_view pattern) noexcept {
    return TWildPattern(pattern).Matches(text);
}

bool WildMatch(const char* text, const char* pattern) noexcept {
    return WildMatch(std::string_view(text), std::string_view(pattern));
}

std::string_view UpperSubTagText(std::string_view text, char (&buffer)[256]) noexcept {
    return {buffer, UpperCopyUntilNul(text.data(), text.size() < 255 ? text.size() : 255, buffer)};
}

bool MatchText(std::string_view text, std::string_view pattern) noexcept {
    char upperText[256];
    char upperPattern[256];
    return TWildPattern(UpperSubTagText(pattern, upperPattern)).Matches(UpperSubTagText(text, upperText));
}

// A pattern counts only by the literal extension after its '*': whatever
// stands between '*' and the dot is skipped, "*.*" matches nothing, and a
// pattern without '*' never matches on its own.
bool MatchExtension(std::string_view patternList, std::string_view extension, int start) noexcept {
    if (patternList.empty() || extension.empty() || start < 1) return false;
    const std::size_t last = patternList.size() - 1;
    std::size_t position = static_cast<std::size_t>(start - 1);
    while (position <= last) {
        while (position < last && patternList[position] != '*') ++position;
        while (position < last && patternList[position] != extension[0]) ++position;
        if (patternList[position] != extension[0]) return false;
        const std::size_t end = position + extension.size();
        if (end <= patternList.size() && patternList.compare(position, extension.size(), extension) == 0 &&
            (end == patternList.size() || patternList[end] == ';'))
            return true;
        ++position;
    }
    return false;
}

// Equal names keep their relative order, so loading and saving a file again
// and again never reshuffles tags that share a name.
void SortTags(TTagInfo& list, std::ptrdiff_t left, std::ptrdiff_t right) noexcept {
    if (left < 0 || right < left || static_cast<std::size_t>(right) >= list.Size()) return;
    list.SortRange(static_cast<std::size_t>(left), static_cast<std::size_t>(right) + 1);
}

void TTagInfo::SortRange(std::size_t first, std::size_t last) {
    std::stable_sort(items_.begin() + static_cast<std::ptrdiff_t>(first), items_.begin() + static_cast<std::ptrdiff_t>(last),
                     [](const std::unique_ptr<TagProp>& a, const std::unique_ptr<TagProp>& b) {
                         return CompareNames(a->Name.View(), b->Name.View()) < 0;
                     });
}

std::int32_t ReadMaxLength(std::string_view name) noexcept {
    std::size_t i = 0;
    while (i < name.size() && name[i] == ' ') ++i;
    bool negative = false;
    if (i < name.size() && (name[i] == '+' || name[i] == '-')) negative = name[i++] == '-';
    std::int64_t value = 0;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9') {
        value = value * 10 + (name[i++] - '0');
        if (value > INT32_MAX) value = INT32_MAX;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace trimora
