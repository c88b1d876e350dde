// Edits to a tag just written to the output: removing the space before it,
// replacing its name, erasing it, and dropping needless quotes around
// attribute values. Each moves the output position back to the tag's
// less-than sign (or the value's opening quote) and rewrites from there.

#include <algorithm>
#include <cstring>

#include "char_class.h"
#include "markup_pass.h"

namespace trimora {

namespace {
// The characters that keep a value's quotes: whitespace, '>', and the quote
// of the other kind.
bool IsUnsafeInValue(std::uint8_t c, std::uint8_t quote) {
    return IsWhitespace(c) || c == Greater || (IsQuoteChar(c) && c != quote);
}
}  // namespace

// Runs for every character read inside a tag, after Quote was updated for it.
void TMarkupPass::QuoteBookkeeping() {
    // Declarations and kept comments (<!DOCTYPE ... "...">) keep their quotes.
    if (!RemoveQuotes || TagText.StartsWith('!')) return;
    if (Quote != Space) {
        if (IsUnsafeInValue(CurChar, Quote)) ++UnsafeCount;
        return;
    }
    // CurChar has just closed a value that needs no quotes.
    if (IsQuoteChar(CurChar) && UnsafeCount == 0 && QuotesMayGo(inPos_, CurChar)) {
        UnquoteValue();
        return;
    }
    UnsafeCount = 0;
}

// '"value"' -> 'value': the value's bytes are copied from the input over the
// opening quote.
void TMarkupPass::UnquoteValue() {
    const std::uint8_t quote = CurChar;
    if (fastPaths_ && MaxLength <= 0) {
        // Without line wrapping nothing moves the opening quote in the
        // output: where it was written is where the scans below would stop.
        outPos_ = MoveValueOverQuote(inPos_);
        return;
    }
    // Output: onto the closing quote, then back to the opening one.
    --outPos_;
    std::uint8_t read = 0;
    while (outPos_ > 0 && read != quote) read = OutAt(--outPos_);
    // Input: likewise, then just past the opening quote.
    --inPos_;
    read = 0;
    while (inPos_ > 0 && read != quote) read = input_[--inPos_];
    ++inPos_;
    for (read = ReadInput(); read != quote; read = ReadInput()) Write(read);
    CurChar = quote;
}

// Removes one SPACE before the tag by moving the whole tag left over it.
void TMarkupPass::RemovePrecedingSpace() {
    const std::int64_t end = outPos_;
    if (end == 0) return;
    std::int64_t start = end;
    std::uint8_t read = 0;
    while (start > 0 && read != Less) read = OutAt(--start);
    if (read != Less) return;  // no less-than sign: leave the output as it is
    if (start > 0 && OutAt(start - 1) == Space) {
        std::uint8_t* out = output_.data();
        std::memmove(out + start - 1, out + start, static_cast<std::size_t>(end - start));
        --Column;
        outPos_ = end - 1;
    }
}

// Writes ReplaceWith in place of the tag's name (the first occurrence of the
// name in the tag's text, compared without regard to case).
void TMarkupPass::ReplaceTagName(const NameString& replaceWith) {
    const std::int64_t end = outPos_;
    std::int64_t start = end;
    std::uint8_t read = 0;
    while (start > 0 && read != Less) read = OutAt(--start);
    const PatternString name = NormalizeTagName(TagText.Stored());
    TagText.Assign(name.View());
    outPos_ = end;
    if (replaceWith.Empty() || name.Empty()) return;

    std::uint8_t* out = output_.data();
    const auto sameLetter = [](std::uint8_t a, char b) { return UpperAscii(a) == UpperAscii(static_cast<std::uint8_t>(b)); };
    const std::uint8_t* found = std::search(out + start, out + end, name.Data(), name.Data() + name.Size(), sameLetter);
    if (found == out + end) return;
    const std::int64_t at = found - out;
    const std::int64_t nameLength = static_cast<std::int64_t>(name.Size());
    const std::int64_t replaceLength = static_cast<std::int64_t>(replaceWith.Size());
    const std::int64_t newEnd = end - nameLength + replaceLength;
    if (newEnd > static_cast<std::int64_t>(output_.size()))
        GrowOutput(static_cast<std::size_t>(newEnd) - output_.size());
    out = output_.data();
    std::memmove(out + at + replaceLength, out + at + nameLength, static_cast<std::size_t>(end - at - nameLength));
    std::memcpy(out + at, replaceWith.Data(), replaceWith.Size());
    outPos_ = newEnd;
}

// Moves the output position back onto the tag's less-than sign, so that what
// follows overwrites the tag.
void TMarkupPass::EraseTag() {
    while (CurChar != Less && outPos_ > 0) CurChar = OutAt(--outPos_);
}

}  // namespace trimora
