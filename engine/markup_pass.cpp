// The markup pass: one left-to-right scan over the input that collapses
// whitespace, removes comments, wraps long lines, and at the end of every tag
// looks up the tag's rule and applies it. The output is edited in place: many
// steps move the output position back and let later writes overwrite what lay
// there; whatever lies beyond the position when the pass ends is cut off.
//
// Two main states, outside a tag and inside one (InTag); inside, InTagName
// while the name part is collected, and Quote not SPACE inside a quoted value.

#include <algorithm>
#include <array>
#include <bit>
#include <string_view>
#include <cstring>

#include "byte_scan.h"
#include "char_class.h"
#include "markup_pass.h"

namespace trimora {

namespace {
// Byte classes of the shortcuts: ordinary, whitespace, or a byte the full
// character step has to see.
constexpr std::uint8_t TextOrdinary = 0;
constexpr std::uint8_t TextWhitespace = 1;
constexpr std::uint8_t TextStop = 2;
constexpr std::array<std::uint8_t, 256> MakeClasses(std::string_view stops) {
    std::array<std::uint8_t, 256> table{};
    for (unsigned char c : std::string_view("\t\n\r ")) table[c] = TextWhitespace;
    for (unsigned char c : stops) table[c] = TextStop;
    return table;
}
constexpr auto MarkupTextClasses = MakeClasses("<>");
constexpr auto AttributeClasses = MakeClasses(">\"'");
}  // namespace

TMarkupPass::TMarkupPass(const TRuleTree& rules, std::int32_t formatIndex, std::span<const std::uint8_t> input,
                         TByteBuffer& output, bool fastPaths) noexcept
    : format_(rules.Formats[static_cast<std::size_t>(formatIndex)]),
      Current(&format_),
      FormatIndex(formatIndex),
      MaxLength(rules.MaxLength(formatIndex)),
      InputSize(static_cast<std::int64_t>(input.size())),
      input_(input.data()),
      output_(output),
      fastPaths_(fastPaths) {}

void TMarkupPass::Run() {
    // Room for the whole input: what the pass writes is rarely longer. The
    // bytes are not cleared first; the pass only ever reads what it wrote.
    output_.clear();
    output_.resize_uninitialized(static_cast<std::size_t>(InputSize));
    RunPass();
    output_.resize_uninitialized(static_cast<std::size_t>(outPos_));
}

void TMarkupPass::RunPass() {
    const std::uint32_t formatFlags = format_.Flags;
    contentFlags_ = formatFlags;
    // A whole script or style-sheet file; whatever it leaves is markup.
    if ((formatFlags & tfJavaScript) != 0)
        CompressJavaScript();
    else if ((formatFlags & tfStyleSheet) != 0)
        CompressStyle();
    else if ((formatFlags & tfVBScript) != 0)
        CompressVBScript();

    RemoveQuotes = (formatFlags & tfRemoveQuotes) != 0;
    RemoveComments = (formatFlags & tfKeepComments) == 0;
    CurChar = Nul;
    while (InputLeft()) {
        if (fastPaths_ && MaxLength <= 0) {
            FastMarkupRun();
            if (!InputLeft()) break;
        }
        CharacterStep();
    }

    // The last space goes, but only a space.
    if (CurChar == Space && outPos_ > 0 && OutAt(outPos_ - 1) == Space) --outPos_;
}

void TMarkupPass::GrowOutput(std::size_t atLeast) {
    const std::size_t size = output_.size();
    output_.resize_uninitialized(std::max(size + atLeast, size * 2 + 64));
}

void TMarkupPass::WriteBytes(const std::uint8_t* bytes, std::size_t count) {
    const std::size_t end = static_cast<std::size_t>(outPos_) + count;
    if (end > output_.size()) GrowOutput(end - output_.size());
    std::memmove(output_.data() + outPos_, bytes, count);
    outPos_ = static_cast<std::int64_t>(end);
}

void TMarkupPass::CharacterStep() {
    // The decisions below read the two characters from locals: each is
    // stored as a byte of its own, and reading both back as one word would
    // wait for the stores to land.
    const std::uint8_t prev = CurChar;
    std::uint8_t cur = ReadInput();
    // Whitespace outside quoted values counts as one SPACE.
    if (IsWhitespace(cur) && (!InTag || Quote == Space)) cur = Space;
    PrevChar = prev;
    CurChar = cur;
    // A tag begins after its less-than sign; a greater-than sign in a quoted value does not end it.
    const bool inTag = (InTag || prev == Less) && !(cur == Greater && Quote == Space);
    InTag = inTag;
    if (IsQuoteChar(cur)) {
        if (cur == Quote) {
            Quote = Space;
        } else if (Quote == Space && inTag) {
            Quote = cur;
            valueOpenedIn_ = inPos_ - 1;
            valueOpenedOut_ = outPos_;  // where the quote is about to be written
        }
    }
    if (!(prev == Space && cur == Space && (!inTag || Quote == Space))) {
        Write(cur);
        if (MaxLength > 0) {
            WrapLine();
            cur = CurChar;  // a wrapped line ends in the byte the wrap left last
        }
    }
    if (inTag) {
        if (InTagName) {
            TagText.Append(cur);
            if (IsWhitespace(cur)) InTagName = false;
        } else {
            AttrText.Append(static_cast<char>(cur));
        }
        if (RemoveComments && TagText.Equals("!--")) SkipComment();
        QuoteBookkeeping();
        return;
    }
    if (cur == Greater) {
        // Only a tag still waiting for its end is ended here: a greater-than
        // sign in text, or one that ends an empty tag, does nothing.
        if (tagPending_) {
            tagPending_ = false;
            if (!TagText.Empty()) EndOfTag();
        }
    } else if (cur == Less) {
        TagText.Clear();
        AttrText.Clear();
        InTagName = true;
        tagPending_ = true;
    }
}

// Shortcuts of the character step for long runs of bytes that need none of
// its decisions: text, a quoted value, or attributes outside values. Each
// stops before the first byte that may change the state and gives the same
// bytes and state as the step itself (tests compare both). Not used while
// lines are wrapped.
namespace {
// Copies bytes up to the first stop byte, each whitespace run as one SPACE
// (none when the byte before the run was a SPACE). Branch-free per byte:
// text alternates words and spaces too often for a branch to guess.
inline void CollapseRun(const std::uint8_t* in, std::int64_t& i, std::int64_t end, std::uint8_t* out,
                        std::int64_t& o, const std::array<std::uint8_t, 256>& classes, bool afterSpace) {
    std::uint8_t spaceBefore = afterSpace ? 1 : 0;
    std::int64_t at = i, written = o;
    while (at < end) {
        const std::uint8_t c = in[at];
        const std::uint8_t kind = classes[c];
        if (kind == TextStop) break;
        out[written] = kind != 0 ? Space : c;
        written += 1 - (kind & spaceBefore);
        spaceBefore = kind;
        ++at;
    }
    i = at;
    o = written;
}

// CollapseRun sixteen bytes at a time while they stay as they are (no TAB,
// CR or LF, no SPACE after whitespace), a whitespace run found to its end
// the same way; stops are the bytes classes marks TextStop.
template <std::size_t N>
inline void CollapseVector(const std::uint8_t* in, std::int64_t& i, std::int64_t end, std::uint8_t* out,
                           std::int64_t& o, bool afterSpace, const TByteSet<N>& stopBytes,
                           const std::array<std::uint8_t, 256>& classes) {
#if TRIMORA_SSE2
    const TVectorSet stops(stopBytes);
    const TVectorSet spaces(ByteSet(' '));
    const TVectorSet otherSpaces(ByteSet('\t', '\n', '\r'));
    while (end - i >= 16) {
        const __m128i chunk = LoadChunk(in + i);
        const unsigned stopMask = stops.Mask(chunk);
        const unsigned spaceMask = spaces.Mask(chunk);
        const unsigned otherMask = otherSpaces.Mask(chunk);
        const unsigned afterWhitespace = (((spaceMask | otherMask) << 1) | (afterSpace ? 1u : 0u)) & 0xFFFFu;
        const unsigned changed = stopMask | otherMask | (spaceMask & afterWhitespace);
        const int same = changed == 0 ? 16 : std::countr_zero(changed);
        StoreChunk(out + o, chunk);
        o += same;
        i += same;
        if (same != 0) afterSpace = in[i - 1] == Space;
        if (same == 16) continue;
        if ((stopMask >> same & 1u) != 0) return;
        // A whitespace run, however long, is one SPACE, or none after a SPACE.
        const std::uint8_t* runEnd = FindNotAny(in + i, in + end, ByteSet(' ', '\t', '\n', '\r'));
        if (!afterSpace) out[o++] = Space;
        i = runEnd - in;
        afterSpace = true;
    }
#else
    (void)stopBytes;
#endif
    CollapseRun(in, i, end, out, o, classes, afterSpace);
}

// Text stops only at '<' and '>'; attributes between values at quotes and '>'.
inline void CollapseText(const std::uint8_t* in, std::int64_t& i, std::int64_t end, std::uint8_t* out,
                         std::int64_t& o, bool afterSpace) {
    CollapseVector(in, i, end, out, o, afterSpace, ByteSet('<', '>'), MarkupTextClasses);
}
inline void CollapseAttributes(const std::uint8_t* in, std::int64_t& i, std::int64_t end, std::uint8_t* out,
                               std::int64_t& o, bool afterSpace) {
    CollapseVector(in, i, end, out, o, afterSpace, ByteSet('>', '"', '\''), AttributeClasses);
}
}  // namespace

void TMarkupPass::FastMarkupRun() {
    const std::uint8_t* in = input_;
    const std::int64_t start = inPos_;
    const std::int64_t end = InputSize;
    std::int64_t i = start;
    std::uint8_t* out = OutputRoom(end - i);
    std::int64_t o = outPos_;
    // PrevChar and CurChar as the character step leaves them: the last two
    // bytes read, whitespace outside values as SPACE.
    std::uint8_t prev = PrevChar, cur = CurChar;
    const auto readUpTo = [&](std::int64_t from, bool inValue) {
        const auto asRead = [&](std::uint8_t c) { return !inValue && IsWhitespace(c) ? Space : c; };
        if (i - from >= 2)
            prev = asRead(in[i - 2]);
        else if (i - from == 1)
            prev = cur;
        if (i != from) cur = asRead(in[i - 1]);
    };

    if (!InTag) {
        // Text: whitespace runs become one SPACE; stops at '<' and '>'.
        if (Quote != Space || cur == Less) return;
        CollapseText(in, i, end, out, o, cur == Space);
        readUpTo(start, false);
        // A tag's less-than sign and the first byte of its name, taken as
        // the character step takes them, and on into the tag. Not after
        // another '<' (that one would already open the tag), nor before
        // whitespace, a quote or '>', which the step itself sees to.
        if (end - i >= 2 && in[i] == Less && cur != Less) {
            const std::uint8_t first = in[i + 1];
            if (!IsWhitespace(first) && first != Greater && !IsQuoteChar(first)) {
                out[o++] = Less;
                out[o++] = first;
                TagText.Clear();
                AttrText.Clear();
                TagText.Append(first);
                InTag = true;
                InTagName = true;
                tagPending_ = true;
                if (RemoveQuotes && first != '!') UnsafeCount = 0;
                prev = Less;
                cur = first;
                i += 2;
                TagRun(in, i, end, out, o, prev, cur, readUpTo);
            }
        }
    } else {
        TagRun(in, i, end, out, o, prev, cur, readUpTo);
    }
    if (i == start) return;
    PrevChar = prev;
    CurChar = cur;
    inPos_ = i;
    outPos_ = o;
}

// Inside a tag: the rest of its name, and then its attributes and quoted
// values one after the other, up to the greater-than sign that ends it (or
// anything that could make the name "!--"). Each byte that changes the state
// (the whitespace that ends the name, a value's quotes) gets exactly what the
// character step would do to it.
template <typename ReadUpTo>
void TMarkupPass::TagRun(const std::uint8_t* in, std::int64_t& i, std::int64_t end, std::uint8_t* out, std::int64_t& o,
                         std::uint8_t& prev, std::uint8_t& cur, ReadUpTo& readUpTo) {
    if (InTagName) {
        if (Quote != Space) return;
        const std::int64_t from = i;
        while (i < end) {
            const std::uint8_t c = in[i];
            if (AttributeClasses[c] != TextOrdinary || (TagText.Size() < 3 && (c == '!' || c == '-'))) break;
            out[o++] = c;
            TagText.Append(c);
            ++i;
        }
        if (i != from) UnsafeCount = 0;
        readUpTo(from, false);
        if (i == end || AttributeClasses[in[i]] != TextWhitespace) return;
        // The whitespace that ends the name: SPACE to the output and the name.
        prev = cur;
        cur = Space;
        if (prev != Space) out[o++] = Space;
        TagText.Append(Space);
        InTagName = false;
        UnsafeCount = 0;
        ++i;
    }
    if (RemoveComments && TagText.Equals("!--")) return;
    const bool quotesGo = RemoveQuotes && !TagText.StartsWith('!');
    // A value's quote, read as the character step reads it: written, and
    // kept in the attribute text.
    const auto takeQuote = [&](std::uint8_t quote) {
        prev = cur;
        cur = quote;
        out[o++] = quote;
        AttrText.Append(static_cast<char>(quote));
        ++i;
    };
    for (;;) {
        if (Quote != Space) {
            // A quoted value: copied as it is up to its closing quote.
            const std::int64_t from = i;
            std::int64_t stop = end;
            if (quotesGo) {
                // The other quote character keeps the quotes; the value's own never occurs before the stop.
                bool unsafe = false;
                stop = FindNoting(in + i, in + end, Quote, ByteSet('\t', '\n', '\r', ' ', '>', '"', '\''), unsafe) -
                       in;
                UnsafeCount += unsafe ? 1 : 0;
            } else if (const void* found = std::memchr(in + i, Quote, static_cast<std::size_t>(end - i))) {
                stop = static_cast<const std::uint8_t*>(found) - in;
            }
            std::memcpy(out + o, in + i, static_cast<std::size_t>(stop - i));
            o += stop - i;
            AttrText.AppendBytes(in + i, static_cast<std::size_t>(stop - i));
            i = stop;
            readUpTo(from, true);
            if (i == end) return;
            // The closing quote; the quotes go when the value needs none.
            const std::uint8_t quote = Quote;
            Quote = Space;
            takeQuote(quote);
            if (!quotesGo) continue;
            if (UnsafeCount == 0 && QuotesMayGo(i, quote)) {
                o = MoveValueOverQuote(i);
                continue;
            }
            UnsafeCount = 0;
            continue;
        }
        // Attributes between values: stops at quotes and at '>'.
        const std::int64_t from = i;
        CollapseAttributes(in, i, end, out, o, cur == Space);
        if (i != from) {
            UnsafeCount = 0;
            for (std::int64_t k = from; k < i && !AttrText.Full(); ++k)
                AttrText.Append(static_cast<char>(IsWhitespace(in[k]) ? Space : in[k]));
            readUpTo(from, false);
        }
        if (i == end || in[i] == Greater) return;
        // A value's opening quote.
        Quote = in[i];
        valueOpenedIn_ = i;
        valueOpenedOut_ = o;
        takeQuote(Quote);
    }
}

// The format's tag named by TagText, through a small cache of the short
// names met so far: pages use a few dozen names over and over.
const TagProp* TMarkupPass::LookUpTag() noexcept {
    const std::string_view text = TagText.Stored();
    // The normalised name (one '/' dropped, upper-cased, cut at a byte of 32
    // or less) packed with its length, when it has 1 to 7 bytes.
    std::uint64_t key = 0;
    std::size_t length = 0;
    for (std::size_t i = !text.empty() && text[0] == '/' ? 1 : 0; i < text.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(text[i]);
        if (byte <= 32) break;
        if (length == 7) {
            length = 0;  // too long for a key
            break;
        }
        key |= std::uint64_t{UpperAscii(byte)} << (8 * length++);
    }
    if (length == 0) return FindTagEntry(format_.Children, NormalizeTagName(text).View());
    key |= std::uint64_t{length} << 56;
    TagCacheSlot& slot = tagCache_[(key * 0x9E3779B97F4A7C15u) >> (64 - TagCacheBits)];
    if (slot.Key != key) {
        slot.Key = key;
        slot.Entry = FindTagEntry(format_.Children, NormalizeTagName(text).View());
    }
    return slot.Entry;
}

// A sub tag's pattern upper-cased and looked at once per pass.
const TWildPattern& TMarkupPass::SubTagPattern(const TagProp& subTag) noexcept {
    const auto address = reinterpret_cast<std::uintptr_t>(&subTag);
    PatternSlot& slot = patternCache_[((address >> 4) * 0x9E3779B97F4A7C15u) >> (64 - PatternCacheBits)];
    if (slot.Rule != &subTag) {
        slot.Rule = &subTag;
        slot.Pattern = TWildPattern(UpperSubTagText(subTag.Pattern.View(), slot.Text));
    }
    return slot.Pattern;
}

// Runs on the greater-than sign that closes a tag, after it was written.
void TMarkupPass::EndOfTag() {
    // The tag's own rule, or the format's when it has none.
    const TagProp* rule = LookUpTag();
    if (rule != nullptr && !rule->Children.Empty()) {
        // The first sub tag whose pattern matches, as deep as they go.
        char text[256];
        const std::string_view upperText = UpperSubTagText(AttrText.View(), text);
        const TagProp* subTag = FindSubTagWith(
            rule->Children, upperText, [this](const TagProp& sub) -> const TWildPattern& { return SubTagPattern(sub); });
        if (subTag != nullptr) rule = subTag;
    }
    Current = rule != nullptr ? rule : &format_;
    IsOpenTag = !TagText.StartsWith('/');
    const std::uint32_t flags = Current->Flags;
    if ((flags & tfRemoveWhitespace) != 0) RemovePrecedingSpace();
    if ((flags & tfReplaceTag) != 0) ReplaceTagName(Current->ReplaceWith);
    if ((flags & tfRemoveTag) != 0) {
        EraseTag();
        CurChar = Nul;
    }
    contentFlags_ = flags;
    if (IsOpenTag) {
        if ((flags & tfDoNotCompress) != 0)
            CopyContent();
        else if ((flags & tfRemoveContent) != 0)
            SkipContent();
        else if ((flags & tfJavaScript) != 0)
            CompressJavaScript();
        else if ((flags & tfStyleSheet) != 0)
            CompressStyle();
        else if ((flags & tfVBScript) != 0)
            CompressVBScript();
    }
    Quote = Space;
    UnsafeCount = 0;
}

// "Do Not Compress" copies the content byte for byte, "Remove" drops it; both
// read up to the closing tag of the same name, nested tags of that name
// counted. Copying hands back before the closing tag's greater-than sign,
// which the pass then reads again; removing puts the input back on the
// closing tag's less-than sign, and the pass reads the closing tag.
void TMarkupPass::CopyContent() { ScanContent(true); }
void TMarkupPass::SkipContent() { ScanContent(false); }

void TMarkupPass::ScanContent(bool copy) {
    CurChar = Nul;
    int depth = 0;
    ContentTag = TagText;
    const PatternString contentName = NormalizeTagName(ContentTag.Stored());
    while (InputLeft()) {
        if (fastPaths_) {
            ContentRun(copy);
            if (!InputLeft()) break;
        }
        PrevChar = CurChar;
        CurChar = ReadInput();
        if (copy) Write(CurChar);
        InTag = (InTag || PrevChar == Less) && CurChar != Greater;
        if (InTag) {
            TagText.Append(CurChar);
            continue;
        }
        if (CurChar == Less) {
            TagText.Clear();
            continue;
        }
        if (CurChar != Greater) continue;
        if (TagText.Empty() || !HasNormalizedName(TagText.Stored(), contentName.View())) continue;
        if (!TagText.StartsWith('/')) {
            ++depth;
            continue;
        }
        if (depth > 0) {
            --depth;
            continue;
        }
        if (copy) {
            --outPos_;
            --inPos_;
            InTag = true;
            tagPending_ = true;
        } else {
            std::uint8_t read = 0;
            while (inPos_ > 0 && read != Less) read = input_[--inPos_];
            CurChar = Greater;
        }
        return;
    }
}

// The shortcut of the content scan: outside a tag only '<' and '>' matter,
// inside one only '>' ends it; the bytes between are copied (or skipped)
// and a tag's bytes collected in one go.
void TMarkupPass::ContentRun(bool copy) {
    const std::uint8_t* in = input_ + inPos_;
    const std::uint8_t* end = input_ + InputSize;
    const std::uint8_t* stop = nullptr;
    if (InTag) {
        stop = FindAny(in, end, ByteSet('>'));
    } else {
        if (CurChar == Less) return;  // the next byte is in a tag
        stop = FindAny(in, end, ByteSet('<', '>'));
    }
    const auto count = static_cast<std::size_t>(stop - in);
    if (count == 0) return;
    if (copy) WriteBytes(in, count);
    if (InTag) TagText.AppendBytes(in, count);
    PrevChar = count >= 2 ? stop[-2] : CurChar;
    CurChar = stop[-1];
    inPos_ += static_cast<std::int64_t>(count);
}

// Runs right after "<!--" was read and written: drops it, the comment up to
// and including "-->" (or the rest of the input), and the whitespace written
// before it.
void TMarkupPass::SkipComment() {
    outPos_ = std::max<std::int64_t>(outPos_ - 4, 0);
    std::uint8_t window[3] = {'!', '-', '-'};
    while (!(window[0] == '-' && window[1] == '-' && window[2] == '>') && InputLeft()) {
        window[0] = window[1];
        window[1] = window[2];
        window[2] = ReadInput();
    }
    while (outPos_ > 0 && IsWhitespace(OutAt(outPos_ - 1))) --outPos_;
    InTag = false;
    tagPending_ = false;
}

// Breaks the line at the last whitespace written outside quotes once the
// line is longer than MaxLength. The first line starts at column 1, so it
// breaks one character earlier than the others.
void TMarkupPass::WrapLine() {
    ++Column;
    if ((IsLineBreak(CurChar) || CurChar == Space) && Quote == Space) LastBreak = outPos_;
    if (!(Column > MaxLength && outPos_ > LastBreak && LastBreak > LineStart)) return;

    std::int64_t tailStart = LastBreak;
    std::int64_t breakAt = LastBreak - 1;
    const std::uint8_t before = OutAt(LastBreak - 1);
    if (before == Greater)
        breakAt = LastBreak;
    else if (!IsLineBreak(before) && before != Space)
        tailStart = LastBreak - 1;  // that byte goes to the new line with the tail
    const std::int64_t tailLength = outPos_ - tailStart;
    // Make room for CR LF: the tail moves right by the difference.
    const std::int64_t newEnd = breakAt + 2 + tailLength;
    if (newEnd > static_cast<std::int64_t>(output_.size()))
        GrowOutput(static_cast<std::size_t>(newEnd) - output_.size());
    std::uint8_t* out = output_.data();
    std::memmove(out + breakAt + 2, out + tailStart, static_cast<std::size_t>(tailLength));
    out[breakAt] = '\r';
    out[breakAt + 1] = '\n';
    outPos_ = newEnd;
    LineStart = breakAt + 2;
    Column = tailLength;
    CurChar = out[newEnd - 1];
}

}  // namespace trimora

