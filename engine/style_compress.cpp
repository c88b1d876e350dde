// Style sheets: every whitespace run becomes one SPACE, and the spaces around
// the separators , : ; { } go. Quoted strings are data: "..." and '...' (a
// backslash protecting the byte after it, ending at the matching quote or at
// a line break) are copied byte for byte. Comments are ordinary text unless
// the rule removes them (tfStyleComments); "/*!" comments are copied as they
// stand when the rule keeps them (tfKeepLicense).

#include <array>
#include <bit>
#include <string_view>

#include "byte_scan.h"
#include "char_class.h"
#include "markup_pass.h"

namespace trimora {

namespace {
// The shortcut's byte classes: whitespace, separators, and the tag brackets,
// quotes and slashes (which may open a comment) that stop it.
constexpr std::uint8_t StyleSpace = 1;
constexpr std::uint8_t StyleStop = 2;
constexpr std::uint8_t StyleSeparator = 3;
constexpr std::array<std::uint8_t, 256> StyleRunClasses = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned char c : std::string_view("\t\n\r ")) table[c] = StyleSpace;
    for (unsigned char c : std::string_view(",:;{}")) table[c] = StyleSeparator;
    for (unsigned char c : std::string_view("<>\"'/")) table[c] = StyleStop;
    return table;
}();
// Bytes that may open a string or a comment, or end a comment.
constexpr std::array<bool, 256> OpensStringOrComment = [] {
    std::array<bool, 256> table{};
    for (unsigned char c : std::string_view("\"'/")) table[c] = true;
    return table;
}();
// What ends the shortcut inside a string.
constexpr std::array<bool, 256> StringStops = [] {
    std::array<bool, 256> table{};
    for (unsigned char c : std::string_view("\"'\\\n\r<")) table[c] = true;
    return table;
}();
// Bytes that can stand inside one name, number or colour.
bool IsWordByte(std::uint8_t c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == '%' || c == '#' || c == '\\' || c >= 0x80;
}
}  // namespace

bool TMarkupPass::ClosingTagFollows(std::int64_t at, std::string_view name) const noexcept {
    if (name.empty()) return false;
    const std::int64_t after = at + 1 + static_cast<std::int64_t>(name.size());
    if (after >= InputSize || input_[at] != '/') return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (UpperAscii(input_[at + 1 + static_cast<std::int64_t>(i)]) != static_cast<std::uint8_t>(name[i]))
            return false;
    return IsWhitespace(input_[after]) || input_[after] == Greater;
}

// Entered right after the opening quote was written. Copies up to and
// including the closing quote, or up to and including a line break that is
// not escaped (which ends a string in a style sheet: moving the next line
// up would put it in the string). The block's closing tag ends it unread.
void TMarkupPass::CopyStyleString(std::uint8_t quote, std::string_view contentName) {
    while (InputLeft()) {
        const std::int64_t start = inPos_;
        std::int64_t i = start;
        while (i < InputSize && !StringStops[input_[i]]) ++i;
        if (i != start) {
            WriteBytes(input_ + start, static_cast<std::size_t>(i - start));
            Column += i - start;
            PrevChar = i - start >= 2 ? input_[i - 2] : CurChar;
            CurChar = input_[i - 1];
            inPos_ = i;
        }
        if (!InputLeft()) return;
        const std::uint8_t c = input_[inPos_];
        if (c == Less && ClosingTagFollows(inPos_ + 1, contentName)) return;
        PrevChar = CurChar;
        CurChar = ReadInput();
        Write(CurChar);
        ++Column;
        if (CurChar == quote) return;
        if (IsLineBreak(CurChar)) {
            CurChar = Space;  // whitespace after it collapses into it
            return;
        }
        if (CurChar == '\\' && InputLeft()) {
            // "\"" and "\<line break>" belong to the string.
            PrevChar = CurChar;
            CurChar = ReadInput();
            Write(CurChar);
            ++Column;
        }
    }
}

// Entered with the input on the '*' of "/*": skips the comment up to and
// including "*/", or up to the block's closing tag, or to the end.
void TMarkupPass::SkipStyleComment(std::string_view contentName) {
    std::int64_t at = inPos_ + 1;
    while (at < InputSize) {
        if (input_[at] == '/' && input_[at - 1] == '*' && at - 1 > inPos_) {
            ++at;
            break;
        }
        if (input_[at] == Less && ClosingTagFollows(at + 1, contentName)) break;
        ++at;
    }
    inPos_ = at;
}

// Entered with "/" written and the input on the '*' of "/*!": copies the
// comment as it stands, "*/" included.
void TMarkupPass::CopyStyleComment(std::string_view contentName) {
    const std::int64_t start = inPos_;
    SkipStyleComment(contentName);
    WriteBytes(input_ + start, static_cast<std::size_t>(inPos_ - start));
    Column += inPos_ - start;
    CurChar = input_[inPos_ - 1];
    PrevChar = inPos_ - start >= 2 ? input_[inPos_ - 2] : Nul;
}

void TMarkupPass::CompressStyle() {
    CurChar = Nul;
    std::uint8_t lastWritten = Nul;
    ContentTag = TagText;
    const PatternString contentName = NormalizeTagName(ContentTag.Stored());
    const bool removeComments = (contentFlags_ & tfStyleComments) != 0;
    const bool keepLicense = (contentFlags_ & tfKeepLicense) != 0;
    // Inside a comment that stays: compressed as text, but quotes open no string.
    bool inComment = false;
    std::int64_t commentOpenedAt = 0;  // the input position of its '*'
#if TRIMORA_SSE2
    const TVectorSet styleStopVectors(ByteSet('<', '>', '"', '\'', '/'));
    const TVectorSet spaceVectors(ByteSet(' '));
    const TVectorSet otherSpaceVectors(ByteSet('\t', '\n', '\r'));
    const TVectorSet separatorVectors(ByteSet(',', ':', ';', '{', '}'));
#endif
    while (InputLeft()) {
        if (fastPaths_ && !InTag && CurChar != Less) {
            // A run without tags, quotes and slashes: copied with its
            // whitespace collapsed and the spaces around separators gone, as
            // the steps below would. A colon after a SPACE stops it (whether
            // that SPACE stays needs a look ahead).
            const std::uint8_t* in = input_;
            const std::int64_t start = inPos_;
            std::int64_t i = start;
            std::uint8_t* out = OutputRoom(InputSize - i);
            std::int64_t o = outPos_;
            std::int64_t written = 0;  // bytes written, for Column
            std::uint8_t current = CurChar;
            std::uint8_t last = lastWritten;
            bool dropSpace = current == Space || IsStyleSeparator(current);
            while (i < InputSize) {
#if TRIMORA_SSE2
                if (InputSize - i >= 16) {
                    // Sixteen bytes at a time while every byte stays as it
                    // is: no stop, no TAB, CR or LF, no SPACE after
                    // whitespace or a separator, no separator after whitespace.
                    const __m128i chunk = LoadChunk(in + i);
                    const unsigned stops = styleStopVectors.Mask(chunk);
                    const unsigned spaces = spaceVectors.Mask(chunk);
                    const unsigned otherSpaces = otherSpaceVectors.Mask(chunk);
                    const unsigned separators = separatorVectors.Mask(chunk);
                    const unsigned whitespace = spaces | otherSpaces;
                    const unsigned afterSpace = ((whitespace << 1) | (last == Space ? 1u : 0u)) & 0xFFFFu;
                    const unsigned afterDropping = (((whitespace | separators) << 1) | (dropSpace ? 1u : 0u)) & 0xFFFFu;
                    const unsigned changed =
                        stops | otherSpaces | (spaces & afterDropping) | (separators & afterSpace);
                    const int same = changed == 0 ? 16 : std::countr_zero(changed);
                    if (same != 0) {
                        StoreChunk(out + o, chunk);
                        o += same;
                        i += same;
                        written += same;
                        current = last = in[i - 1];
                        dropSpace = current == Space || IsStyleSeparator(current);
                    }
                    if (same == 16) continue;
                    if (IsWhitespace(in[i])) {
                        // A whitespace run, however long, is one SPACE or none.
                        const std::uint8_t* runEnd = FindNotAny(in + i, in + InputSize, ByteSet(' ', '\t', '\n', '\r'));
                        if (!dropSpace) {
                            out[o++] = Space;
                            ++written;
                            last = Space;
                        }
                        current = Space;
                        dropSpace = true;
                        i = runEnd - in;
                        continue;
                    }
                }
#endif
                const std::uint8_t c = in[i];
                const std::uint8_t kind = StyleRunClasses[c];
                if (kind == StyleStop) break;
                if (kind == StyleSpace) {
                    current = Space;
                    if (!dropSpace) {
                        out[o++] = Space;
                        ++written;
                        last = Space;
                    }
                    dropSpace = true;
                } else if (kind == StyleSeparator) {
                    if (last == Space) {
                        if (c == ':') break;
                        --o;  // the SPACE before a separator goes
                    }
                    out[o++] = c;
                    ++written;
                    current = last = c;
                    dropSpace = true;
                } else {
                    current = last = c;
                    out[o++] = c;
                    ++written;
                    dropSpace = false;
                }
                ++i;
            }
            if (i != start) {
                lastWritten = last;
                Column += written;
                outPos_ = o;
                inPos_ = i;
                PrevChar = i - start >= 2 ? (IsWhitespace(in[i - 2]) ? Space : in[i - 2]) : CurChar;
                CurChar = current;
                if (!InputLeft()) break;
            }
        }
        PrevChar = CurChar;
        CurChar = ReadInput();
        if (IsWhitespace(CurChar)) CurChar = Space;

        bool quoteOpens = false;
        if (!OpensStringOrComment[CurChar] || InTag) {
            // the usual byte
        } else if (CurChar != '/') {
            quoteOpens = !inComment;
        } else if (inComment) {
            inComment = !(PrevChar == '*' && inPos_ - 2 > commentOpenedAt);
        } else if (PrevChar != Less && InputLeft() && input_[inPos_] == '*') {
            // '/*' ... '*/'
            const bool licence = inPos_ + 1 < InputSize && input_[inPos_ + 1] == '!';
            if (licence && keepLicense) {
                Write('/');
                ++Column;
                CopyStyleComment(contentName.View());
                lastWritten = CurChar;
                continue;
            }
            if (removeComments) {
                // Gone as if it had never been there; only between two bytes
                // that would run into one word ("1px/**/2px") an empty
                // comment keeps them apart.
                SkipStyleComment(contentName.View());
                CurChar = PrevChar;
                if (IsWordByte(lastWritten) && PrevChar != Space && InputLeft() && IsWordByte(input_[inPos_])) {
                    WriteBytes(reinterpret_cast<const std::uint8_t*>("/**/"), 4);
                    Column += 4;
                    CurChar = lastWritten = '/';
                }
                continue;
            }
            inComment = true;
            commentOpenedAt = inPos_;
        }

        if (PrevChar == Space && CurChar == Space) {
            // a run of whitespace: one SPACE stays
        } else if (IsStyleSeparator(PrevChar) && CurChar == Space) {
            // no space after a separator
        } else {
            if (IsStyleSeparator(CurChar) && lastWritten == Space) {
                // "color : red" loses the space before the colon, but in a
                // selector ("div ::selection", ".x :hover") it is a descendant
                // combinator. A colon belongs to a selector when the first of
                // "{", ";" and "}" after it in the input is "{". Remembering
                // where the last look-ahead ended keeps the pass linear.
                bool keepSpace = false;
                if (CurChar == ':') {
                    if (!(styleLookAheadFrom_ <= inPos_ && inPos_ <= styleLookAheadAt_)) {
                        std::int64_t at = inPos_;
                        styleLookAheadFrom_ = inPos_;
                        while (at < InputSize && input_[at] != '{' && input_[at] != ';' && input_[at] != '}') ++at;
                        styleLookAheadAt_ = at;
                        styleLookAheadFound_ = at < InputSize ? input_[at] : Nul;
                    }
                    keepSpace = styleLookAheadFound_ == '{';
                }
                if (!keepSpace) --outPos_;
            }
            Write(CurChar);
            ++Column;
            lastWritten = CurChar;
        }
        if (quoteOpens) {
            CopyStyleString(CurChar, contentName.View());
            lastWritten = OutAt(outPos_ - 1);
            continue;
        }

        // The block ends at the first closing tag of its name; nesting is not counted.
        InTag = (InTag || PrevChar == Less) && CurChar != Greater;
        if (InTag) {
            TagText.Append(CurChar);
            continue;
        }
        if (CurChar == Less) {
            TagText.Clear();
            continue;
        }
        if (CurChar == Greater && TagText.StartsWith('/') && HasNormalizedName(TagText.Stored(), contentName.View())) {
            --outPos_;
            --inPos_;
            InTag = true;
            tagPending_ = true;
            return;
        }
    }
}

}  // namespace trimora
