#pragma once

// The state of one compress pass and its routines. Internal to the engine:
// TCompressor makes one for each call and drops it afterwards.

#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "byte_buffer.h"
#include "char_class.h"
#include "rule_tree.h"
#include "tag_text.h"

namespace trimora {

class TMarkupPass {
public:
    // The pass over input under the format at formatIndex of rules; the
    // result goes to output.
    TMarkupPass(const TRuleTree& rules, std::int32_t formatIndex, std::span<const std::uint8_t> input,
                TByteBuffer& output, bool fastPaths) noexcept;
    TMarkupPass(const TMarkupPass&) = delete;
    TMarkupPass& operator=(const TMarkupPass&) = delete;

    // Runs the whole pass; output then holds exactly the result.
    void Run();

private:
    void RunPass();
    void CharacterStep();
    void EndOfTag();
    const TagProp* LookUpTag() noexcept;
    const TWildPattern& SubTagPattern(const TagProp& subTag) noexcept;
    void QuoteBookkeeping();
    bool TrackScriptEnd();
    void FastMarkupRun();
    template <typename ReadUpTo>
    void TagRun(const std::uint8_t* in, std::int64_t& i, std::int64_t end, std::uint8_t* out, std::int64_t& o,
                std::uint8_t& prev, std::uint8_t& cur, ReadUpTo& readUpTo);
    void ScanContent(bool copy);
    void ContentRun(bool copy);

    // Content modes and tag edits.
    void CopyContent();
    void SkipContent();
    void SkipComment();
    void WrapLine();
    void UnquoteValue();
    void RemovePrecedingSpace();
    void ReplaceTagName(const NameString& replaceWith);
    void EraseTag();
    void CompressJavaScript();
    void CompressVBScript();
    void CompressStyle();
    // Style sheets: a quoted string copied as it stands, a comment removed
    // or copied as it stands.
    void CopyStyleString(std::uint8_t quote, std::string_view contentName);
    void SkipStyleComment(std::string_view contentName);
    void CopyStyleComment(std::string_view contentName);

    // Whether the input from position at reads "/NAME" followed by
    // whitespace or '>': the closing tag of the block being compressed,
    // which a browser sees even inside a string or comment.
    bool ClosingTagFollows(std::int64_t at, std::string_view name) const noexcept;

    // Makes room for count more output bytes and answers the output's bytes.
    std::uint8_t* OutputRoom(std::int64_t count) {
        if (outPos_ + count > static_cast<std::int64_t>(output_.size()))
            GrowOutput(static_cast<std::size_t>(outPos_ + count) - output_.size());
        return output_.data();
    }

    // Input and output of the pass: the input is read where it lies, the
    // output is edited in place by moving its position back and overwriting.
    std::uint8_t ReadInput() noexcept { return input_[inPos_++]; }
    bool InputLeft() const noexcept { return inPos_ < InputSize; }
    void Write(std::uint8_t c) {
        if (outPos_ == static_cast<std::int64_t>(output_.size())) GrowOutput(1);
        output_[static_cast<std::size_t>(outPos_++)] = c;
    }
    void WriteBytes(const std::uint8_t* bytes, std::size_t count);

    // Whether a value that needs no quotes, whose closing quote the input
    // position after follows, may lose them: it is not empty (an empty value
    // is not the same as none) and what follows cannot run into it.
    bool QuotesMayGo(std::int64_t after, std::uint8_t quote) const noexcept {
        const bool emptyValue = after >= 2 && input_[after - 2] == quote;
        const bool safeEnd = after >= InputSize || IsWhitespace(input_[after]) || input_[after] == Greater;
        return !emptyValue && safeEnd;
    }
    // Copies that value from the input over its opening quote in the output,
    // where nothing has moved the quote since; answers the output's new end.
    std::int64_t MoveValueOverQuote(std::int64_t after) noexcept {
        const std::int64_t length = after - 1 - (valueOpenedIn_ + 1);
        std::memmove(output_.data() + valueOpenedOut_, input_ + valueOpenedIn_ + 1, static_cast<std::size_t>(length));
        return valueOpenedOut_ + length;
    }
    void GrowOutput(std::size_t atLeast);
    std::uint8_t OutAt(std::int64_t position) const noexcept { return output_[static_cast<std::size_t>(position)]; }

    // The rules.
    const TagProp& format_;         // the file's format root
    const TagProp* Current;         // the rule in force: the format's, a tag's or a sub tag's
    std::int32_t FormatIndex;
    std::int32_t MaxLength;         // maximum output line length, 0 for no limit

    // State of the pass.
    std::uint8_t CurChar = 0;       // the character being processed
    std::uint8_t PrevChar = 0;      // the one processed before it
    TagTextBuffer TagText;          // the tag being read: its name part
    PatternString AttrText;         // the rest of the tag (its first 255 bytes: all a lookup reads)
    TagTextBuffer ContentTag;       // the opening tag whose content a compressor works through
    std::int64_t InputSize;
    bool InTag = false;             // inside a tag
    bool InTagName = false;         // still collecting the tag's name part
    bool IsOpenTag = false;         // the tag just ended is an opening tag
    std::uint8_t Quote = ' ';       // the quote that opened the value being read; SPACE when none
    std::int32_t UnsafeCount = 0;   // characters in the open value that need its quotes
    std::uint32_t contentFlags_ = 0;  // flags of the rule whose content a compressor works through
    bool RemoveQuotes = false;
    bool RemoveComments = true;
    std::int64_t Column = 1;        // characters on the current output line
    std::int64_t LineStart = 0;     // output position where the current line begins
    std::int64_t LastBreak = 0;     // output position just after the last whitespace outside quotes

    const std::uint8_t* input_;
    std::int64_t inPos_ = 0;
    TByteBuffer& output_;
    std::int64_t outPos_ = 0;
    // Where the quote of the value being read stands in the input and the output.
    std::int64_t valueOpenedIn_ = 0;
    std::int64_t valueOpenedOut_ = 0;
    // A tag whose less-than sign was read and whose end-of-tag steps have not run.
    bool tagPending_ = false;
    // The length of TagText last compared with a script block's closing tag.
    std::size_t scriptEndCheckedSize_ = 0;
    // Where the style compressor's last look-ahead for "{", ";" or "}" began,
    // where it ended, and what it found there.
    std::int64_t styleLookAheadFrom_ = 0;
    std::int64_t styleLookAheadAt_ = -1;
    std::uint8_t styleLookAheadFound_ = 0;
    const bool fastPaths_;
    // Tags looked up by their short normalised names; a key of 0 is empty.
    static constexpr unsigned TagCacheBits = 6;
    struct TagCacheSlot {
        std::uint64_t Key = 0;
        const TagProp* Entry = nullptr;
    };
    std::array<TagCacheSlot, std::size_t{1} << TagCacheBits> tagCache_{};
    // Sub tags' patterns, upper-cased, by the sub tag they belong to.
    static constexpr unsigned PatternCacheBits = 4;
    struct PatternSlot {
        const TagProp* Rule = nullptr;
        char Text[256];
        TWildPattern Pattern;
    };
    std::array<PatternSlot, std::size_t{1} << PatternCacheBits> patternCache_;
};

}  // namespace trimora
