// Style sheets: every whitespace run becomes one SPACE, and the spaces around
// the separators , : ; { } go. Comments and strings are ordinary text here.

#include <array>
#include <string_view>

#include "char_class.h"
#include "markup_pass.h"

namespace trimora {

namespace {
// The shortcut's byte classes: separators and tag brackets stop it.
constexpr std::uint8_t StyleSpace = 1;
constexpr std::uint8_t StyleStop = 2;
constexpr std::array<std::uint8_t, 256> StyleRunClasses = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned char c : std::string_view("\t\n\r ")) table[c] = StyleSpace;
    for (unsigned char c : std::string_view(",:;{}<>")) table[c] = StyleStop;
    return table;
}();
}  // namespace

void TMarkupPass::CompressStyle() {
    CurChar = Nul;
    std::uint8_t lastWritten = Nul;
    ContentTag = TagText;
    const PatternString contentName = NormalizeTagName(ContentTag.Stored());
    while (InputLeft()) {
        if (fastPaths_ && !InTag && CurChar != Less) {
            // A run without separators and tags: copied with its whitespace
            // collapsed, as the steps below would.
            const std::uint8_t* in = input_;
            const std::int64_t start = inPos_;
            std::int64_t i = start;
            std::uint8_t* out = OutputRoom(InputSize - i);
            std::int64_t o = outPos_;
            std::uint8_t current = CurChar;
            bool dropSpace = current == Space || IsStyleSeparator(current);
            while (i < InputSize) {
                const std::uint8_t c = in[i];
                const std::uint8_t kind = StyleRunClasses[c];
                if (kind == StyleStop) break;
                ++i;
                if (kind == StyleSpace) {
                    current = Space;
                    if (!dropSpace) out[o++] = Space;
                    dropSpace = true;
                } else {
                    current = c;
                    out[o++] = c;
                    dropSpace = false;
                }
            }
            if (i != start) {
                if (o != outPos_) lastWritten = out[o - 1];
                Column += o - outPos_;
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
        if (CurChar == Greater && TagText.StartsWith('/') && contentName == NormalizeTagName(TagText.Stored())) {
            --outPos_;
            --inPos_;
            InTag = true;
            tagPending_ = true;
            return;
        }
    }
}

}  // namespace trimora
