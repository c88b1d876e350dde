// Style sheets: every whitespace run becomes one SPACE, and the spaces around
// the separators , : ; { } go. Comments and strings are ordinary text here.

#include "char_class.h"
#include "trimora.h"

namespace trimora {

namespace {
constexpr std::uint8_t Nul = 0;
constexpr std::uint8_t Space = ' ';
constexpr std::uint8_t Less = '<';
constexpr std::uint8_t Greater = '>';
}  // namespace

void TTrimora::CompressStyle() {
    CurChar = Nul;
    std::uint8_t lastWritten = Nul;
    ContentTag = TagText;
    const PatternString contentName = NormalizeTagName(ContentTag.Stored());
    while (InputLeft()) {
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
