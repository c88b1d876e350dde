// Script blocks and script files. The JavaScript compressor removes comments,
// indentation, blank lines and runs of spaces, keeps string, template and
// regular-expression literals untouched, and keeps one line-break character
// at the end of each line. The VBScript compressor only turns tabs into
// spaces and collapses runs of spaces. Both stop after the name of the
// block's closing tag, which TrackScriptEnd recognises.

#include <array>
#include <bit>
#include <cstdint>
#include <string_view>

#include "byte_scan.h"
#include "char_class.h"
#include "markup_pass.h"

namespace trimora {

namespace {
// Where the JavaScript compressor stands.
//   Code          ordinary code
//   Slash         after a '/' in code: comment, regular expression or division
//   BlockComment  inside /* */;  BlockStar: just after a '*' in it
//   LicenseComment  inside /*! */ when the rule keeps those: copied as written
//   LineComment   inside // up to the line break;  LineEnd: just after that break
//   SingleString, DoubleString, Template: inside '…', "…", `…`
//   Regex         inside a regular-expression literal
enum class ScriptState {
    Code, Slash, BlockComment, BlockStar, LicenseComment, LineComment, LineEnd, SingleString, DoubleString, Template, Regex
};

constexpr std::array<bool, 256> RegexFollowsTable = [] {
    std::array<bool, 256> table{};
    for (unsigned char c : std::string_view("(,=:[!&|?{};+-*%<>~^")) table[c] = true;
    return table;
}();

constexpr std::string_view RegexKeywords[] = {"return", "typeof", "case", "do", "else", "in", "instanceof",
                                              "new", "delete", "void", "throw", "yield", "await"};

bool IsIdentifierByte(std::uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

bool IsLineBreakOrSpace(std::uint8_t c) { return IsLineBreak(c) || c == Space; }

// Bytes of code for the shortcut: copied as they are, whitespace, line
// breaks, semicolons, and those the state machine has to see.
constexpr std::uint8_t CodeOrdinary = 0;
constexpr std::uint8_t CodeSpace = 1;
constexpr std::uint8_t CodeLineBreak = 2;
constexpr std::uint8_t CodeSemicolon = 3;
constexpr std::uint8_t CodeStop = 4;
constexpr std::array<std::uint8_t, 256> CodeKindsFor(std::string_view stops) {
    std::array<std::uint8_t, 256> table{};
    table[' '] = table['\t'] = CodeSpace;
    table['\n'] = table['\r'] = CodeLineBreak;
    table[';'] = CodeSemicolon;
    for (unsigned char c : stops) table[c] = CodeStop;
    return table;
}
constexpr auto CodeKinds = CodeKindsFor("\"'`/\\<>");
constexpr auto CodeKindsInTemplate = CodeKindsFor("\"'`/\\<>{}");
// The same stops, and the bytes the code shortcut tells apart, for the vector scans.
constexpr auto CodeStopBytes = ByteSet('"', '\'', '`', '/', '\\', '<', '>');
constexpr auto TemplateCodeStopBytes = ByteSet('"', '\'', '`', '/', '\\', '<', '>', '{', '}');

// Template literals nest through "${ … }"; this many levels are followed.
constexpr int MaxTemplateNesting = 64;
}  // namespace

// Follows tags in script text so that the block's closing tag is recognised
// at the first LF, CR, SPACE or '>' after its name. Answers true then.
bool TMarkupPass::TrackScriptEnd() {
    InTag = (InTag || PrevChar == Less) && !(IsLineBreakOrSpace(CurChar) || CurChar == Greater);
    if (InTag) {
        if (PrevChar == Less && CurChar == '!') {
            // "<!--" opens no tag: the two bytes after "<!" are copied unseen.
            std::uint8_t read[2];
            std::size_t count = 0;
            if (InputLeft()) CurChar = read[count++] = ReadInput();
            if (InputLeft()) PrevChar = read[count++] = ReadInput();
            if (count == 2 && read[0] == '-' && read[1] == '-') InTag = false;
            WriteBytes(read, count);
        } else {
            TagText.Append(CurChar);
        }
    }
    if (InTag && CurChar != Less) return false;
    if (CurChar == Less) {
        // A '<' always starts a tag afresh, whatever came before it, so that
        // "</script>" ends the block wherever it stands in code.
        InTag = false;
        TagText.Clear();
        scriptEndCheckedSize_ = SIZE_MAX;
        return false;
    }
    // The text only grows between clears: a length already tested did not match.
    if (!TagText.StartsWith('/') || TagText.Size() == scriptEndCheckedSize_) return false;
    scriptEndCheckedSize_ = TagText.Size();
    return HasNormalizedName(TagText.Stored(), ContentTag.Stored());
}

void TMarkupPass::CompressJavaScript() {
    ContentTag.Assign(NormalizeTagName(TagText.Stored()).View());
    scriptEndCheckedSize_ = SIZE_MAX;
    bool done = false;
    PrevChar = Nul;
    std::uint8_t prevPrev = Nul;
    ScriptState state = ScriptState::Code;
    const bool keepLicense = (contentFlags_ & tfKeepLicense) != 0;
    // Rules of today's web (those keeping licence comments) want an output a
    // second run leaves alone: no SPACE before a line break written for a
    // line comment, and a removed block comment leaves no second SPACE. The
    // older rules give the bytes they always gave.
    const bool settle = keepLicense;
    bool escaped = false;        // the next byte is written as it is (after a backslash)
    bool regexAllowed = false;   // the slash just read can open a regular expression
    bool inClass = false;        // inside [ ] of a regular expression
    bool dollar = false;         // an unescaped '$' was the last byte of a template's text
    int templateBraces[MaxTemplateNesting];  // open braces of each "${" expression
    int templateLevel = 0;
    std::int64_t lineCommentStart = 0;  // where the "//" of the open line comment stands in the input

    // The written output before the block never changes while it runs; where
    // its last non-whitespace byte lies is found once.
    const std::int64_t blockStart = outPos_;
    std::int64_t beforeBlock = blockStart - 1;
    while (beforeBlock >= 0 && IsWhitespace(OutAt(beforeBlock))) --beforeBlock;

    // A slash opens a regular expression unless it follows something that
    // ends an operand (a name, a number, ')' or ']'): what may stand before
    // it is nothing, an operator or punctuator, or a keyword.
    const auto slashOpensRegex = [&]() {
        std::int64_t last = outPos_ - 1;
        while (last >= blockStart && IsWhitespace(OutAt(last))) --last;
        if (last < blockStart) last = beforeBlock;
        if (last < 0) return true;
        if (RegexFollowsTable[OutAt(last)]) return true;
        for (std::string_view word : RegexKeywords) {
            const std::int64_t start = last + 1 - static_cast<std::int64_t>(word.size());
            if (start < 0) continue;
            bool same = true;
            for (std::size_t i = 0; same && i < word.size(); ++i)
                same = OutAt(start + static_cast<std::int64_t>(i)) == static_cast<std::uint8_t>(word[i]);
            if (same && (start == 0 || !IsIdentifierByte(OutAt(start - 1)))) return true;
        }
        return false;
    };
    // A browser ends a script block at its closing tag even inside a comment;
    // so does this compressor, or the closing tag would be removed with the
    // comment. The '<' is read again as code, where TrackScriptEnd sees the tag.
    // As in the markup pass, the tag's name ends at whitespace or '>':
    // "</script/" and a "</script" cut off by the end of the input end nothing.
    const auto closingTagAhead = [&]() { return CurChar == Less && ClosingTagFollows(inPos_, ContentTag.Stored()); };
    // The break after a line comment is written unless the output ends, two
    // bytes back, in a line break or a semicolon: the SPACE or break written
    // before the comment then separates enough. When the last byte is part of
    // a statement ("a;b// c") the break is kept, or the lines would run together.
    const auto breakWanted = [&]() {
        if (outPos_ == 0) return false;
        const std::uint8_t last = OutAt(outPos_ - 1);
        if (settle && IsLineBreak(last)) return false;  // the lines are apart already
        if (outPos_ == 1) return true;
        const std::uint8_t twoBack = OutAt(outPos_ - 2);
        return !(IsLineBreak(twoBack) || twoBack == ';') || !(IsLineBreakOrSpace(last) || last == ';');
    };
    // A break written for a line comment takes the place of the SPACE
    // written before the comment, as a break in code does (when settling).
    const auto writeBreak = [&](std::uint8_t lineBreak) {
        if (settle && outPos_ > blockStart && OutAt(outPos_ - 1) == Space) --outPos_;
        Write(lineBreak);
    };
    // Code: TAB is SPACE; whitespace after a line break and a second SPACE
    // are dropped; a line break or semicolon overwrites the whitespace before it.
    const auto codeCharacter = [&]() {
        if (CurChar == '\t') CurChar = Space;
        if (IsLineBreak(PrevChar) && IsLineBreakOrSpace(CurChar)) return;
        if (PrevChar == Space && CurChar == Space) return;
        if ((IsLineBreak(CurChar) || CurChar == ';') && IsLineBreakOrSpace(PrevChar) && outPos_ > 0) --outPos_;
        Write(CurChar);
    };

    // Shortcuts for long runs that need no decision of the state machine:
    // code without quotes, slashes, backslashes and tag brackets; the inside
    // of strings; comments. Each stops before the first byte that may change
    // the state, and leaves PrevChar, CurChar and prevPrev as the loop would.
#if TRIMORA_SSE2
    const TVectorSet codeStopVectors(CodeStopBytes);
    const TVectorSet templateStopVectors(TemplateCodeStopBytes);
    const TVectorSet whitespaceVectors(ByteSet(' ', '\t', '\n', '\r'));
    const TVectorSet tabVectors(ByteSet('\t'));
    const TVectorSet semicolonVectors(ByteSet(';'));
#endif
    const auto fastRun = [&]() {
        const std::uint8_t* in = input_;
        const std::int64_t start = inPos_;
        std::int64_t i = start;
        const std::int64_t end = InputSize;
        bool tabsAsSpaces = false;
        if (state == ScriptState::Code) {
            // TrackScriptEnd must have nothing to do on these bytes.
            if (escaped || InTag || CurChar == Less ||
                (TagText.StartsWith('/') && TagText.Size() != scriptEndCheckedSize_))
                return;
            const auto& kinds = templateLevel > 0 ? CodeKindsInTemplate : CodeKinds;
            std::uint8_t* out = OutputRoom(end - i);
            std::int64_t o = outPos_;
            std::uint8_t before = CurChar;  // the byte the rules see as PrevChar
            while (i < end) {
                bool vectorStopped = false;  // the byte at i is known not to be copied as it is
#if TRIMORA_SSE2
                if (end - i >= 16) {
                    // Sixteen bytes at a time while every byte stays as it is:
                    // no stop, no TAB, and no whitespace or semicolon after
                    // whitespace (which would be dropped or overwrite it).
                    const __m128i chunk = LoadChunk(in + i);
                    const unsigned stops =
                        templateLevel > 0 ? templateStopVectors.Mask(chunk) : codeStopVectors.Mask(chunk);
                    const unsigned spaces = whitespaceVectors.Mask(chunk);
                    const unsigned tabs = tabVectors.Mask(chunk);
                    const unsigned semicolons = semicolonVectors.Mask(chunk);
                    const unsigned afterSpace = ((spaces << 1) | (IsLineBreakOrSpace(before) ? 1u : 0u)) & 0xFFFFu;
                    const unsigned changed = stops | tabs | ((spaces | semicolons) & afterSpace);
                    const int same = changed == 0 ? 16 : std::countr_zero(changed);
                    StoreChunk(out + o, chunk);
                    o += same;
                    i += same;
                    if (same != 0) before = in[i - 1];
                    if (same == 16) continue;
                    vectorStopped = true;
                }
#endif
                if (!vectorStopped) {
                    // Names, numbers and operators are copied as they are.
                    const std::int64_t runStart = i;
                    while (i < end && kinds[in[i]] == CodeOrdinary) out[o++] = in[i++];
                    if (i != runStart) before = in[i - 1];
                    if (i == end) break;
                }
                // Whitespace and semicolons, a run of them in one go.
                std::uint8_t kind = kinds[in[i]];
                do {
                    if (kind == CodeStop) break;
                    const std::uint8_t c = kind == CodeSpace ? Space : in[i];
                    ++i;
                    if (kind == CodeSpace) {
                        // after a line break or a SPACE nothing more is written
                        if (!IsLineBreakOrSpace(before)) out[o++] = Space;
                    } else if (kind == CodeLineBreak) {
                        if (!IsLineBreak(before)) {
                            if (before == Space && o > 0) --o;  // the break overwrites the SPACE
                            out[o++] = c;
                        }
                    } else {  // ';' overwrites the whitespace before it
                        if (IsLineBreakOrSpace(before) && o > 0) --o;
                        out[o++] = c;
                    }
                    before = c;
                } while (i < end && (kind = kinds[in[i]]) != CodeOrdinary);
                if (kind == CodeStop) break;
            }
            outPos_ = o;
            tabsAsSpaces = true;
        } else if (state == ScriptState::SingleString || state == ScriptState::DoubleString ||
                   state == ScriptState::Template) {
            if (escaped || dollar) return;  // after '$' a '{' opens an expression
            const std::uint8_t* from = in + i;
            const std::uint8_t* stop = state == ScriptState::SingleString   ? FindAny(from, in + end, ByteSet('\'', '\\'))
                                       : state == ScriptState::DoubleString ? FindAny(from, in + end, ByteSet('"', '\\'))
                                                                            : FindAny(from, in + end, ByteSet('`', '\\', '$'));
            i = stop - in;
            WriteBytes(in + start, static_cast<std::size_t>(i - start));
            if (i != start) dollar = false;
        } else if (state == ScriptState::BlockComment || state == ScriptState::LineComment) {
            const std::uint8_t* from = in + i;
            i = (state == ScriptState::BlockComment ? FindAny(from, in + end, ByteSet('*', '/', '<'))
                                                     : FindAny(from, in + end, ByteSet('\n', '\r', '>', '<'))) -
                in;
        } else {
            return;
        }
        const std::int64_t count = i - start;
        if (count == 0) return;
        const auto asRead = [&](std::uint8_t c) -> std::uint8_t { return tabsAsSpaces && c == '\t' ? Space : c; };
        prevPrev = count >= 3 ? asRead(in[i - 3]) : count == 2 ? CurChar : PrevChar;
        PrevChar = count >= 2 ? asRead(in[i - 2]) : CurChar;
        CurChar = asRead(in[i - 1]);
        inPos_ = i;
    };

    while (InputLeft() && !done) {
        if (fastPaths_) {
            fastRun();
            if (!InputLeft()) break;
        }
        prevPrev = PrevChar;
        PrevChar = CurChar;
        CurChar = ReadInput();
        switch (state) {
            case ScriptState::Code:
                if (escaped) {
                    Write(CurChar);
                    escaped = false;
                } else if (CurChar == '"' || CurChar == '\'' || CurChar == '`') {
                    Write(CurChar);
                    state = CurChar == '"' ? ScriptState::DoubleString
                            : CurChar == '\'' ? ScriptState::SingleString
                                               : ScriptState::Template;
                    if (state == ScriptState::Template && templateLevel < MaxTemplateNesting)
                        templateBraces[templateLevel++] = -1;  // -1: in the literal's text
                } else if (CurChar == '/') {
                    regexAllowed = PrevChar != Less && slashOpensRegex();
                    state = ScriptState::Slash;
                    done = TrackScriptEnd();
                } else {
                    codeCharacter();
                    if (CurChar == '\\') escaped = true;
                    if (templateLevel > 0 && templateBraces[templateLevel - 1] >= 0) {
                        int& braces = templateBraces[templateLevel - 1];
                        if (CurChar == '{') {
                            ++braces;
                        } else if (CurChar == '}' && braces-- == 0) {
                            braces = -1;
                            state = ScriptState::Template;  // back in the literal's text
                        }
                    }
                    if (state == ScriptState::Code) done = TrackScriptEnd();
                }
                break;
            case ScriptState::Slash:
                done = TrackScriptEnd();
                if (CurChar == '*' && keepLicense && InputLeft() && input_[inPos_] == '!') {
                    WriteBytes(reinterpret_cast<const std::uint8_t*>("/*"), 2);
                    state = ScriptState::LicenseComment;
                } else if (CurChar == '*') {
                    state = ScriptState::BlockComment;
                } else if (CurChar == '/') {
                    state = ScriptState::LineComment;
                    lineCommentStart = inPos_ - 2;
                } else {
                    Write('/');
                    Write(CurChar);
                    state = ScriptState::Code;
                    if (regexAllowed && !IsLineBreak(CurChar)) {
                        state = ScriptState::Regex;
                        escaped = CurChar == '\\';
                        inClass = CurChar == '[';
                    }
                }
                break;
            case ScriptState::BlockComment:
            case ScriptState::BlockStar:
            case ScriptState::LicenseComment:
            case ScriptState::LineComment:
                if (closingTagAhead()) {
                    --inPos_;
                    CurChar = PrevChar;
                    PrevChar = prevPrev;
                    state = ScriptState::Code;
                    break;
                }
                if (state == ScriptState::LicenseComment) {
                    Write(CurChar);
                    if (CurChar == '/' && PrevChar == '*') state = ScriptState::Code;
                } else if (state == ScriptState::BlockComment || state == ScriptState::BlockStar) {
                    if (state == ScriptState::BlockStar)
                        state = CurChar == '/' ? ScriptState::Code : ScriptState::BlockComment;
                    else if (CurChar == '*')
                        state = ScriptState::BlockStar;
                    else if (CurChar == '/' && PrevChar == '*')
                        state = ScriptState::Code;
                    // Settling, the comment is gone as if it had never been
                    // there: the code after it sees the whitespace written
                    // before it, so that a second run finds nothing to collapse.
                    if (settle && state == ScriptState::Code && outPos_ > 0 &&
                        IsLineBreakOrSpace(OutAt(outPos_ - 1)))
                        CurChar = OutAt(outPos_ - 1);
                } else if (CurChar == Greater && prevPrev == '-' && PrevChar == '-') {
                    WriteBytes(reinterpret_cast<const std::uint8_t*>("//-->"), 5);
                    state = ScriptState::Code;
                } else if (IsLineBreak(CurChar)) {
                    state = ScriptState::LineEnd;
                }
                break;
            case ScriptState::LineEnd:
                if (IsLineBreak(CurChar)) {
                    if (breakWanted()) writeBreak(CurChar);
                } else {
                    // The break that ended the comment separates the lines;
                    // then this byte is read again as code, after what the
                    // output now ends in (a '<' there starts a tag afresh).
                    if (breakWanted()) writeBreak(PrevChar);
                    --inPos_;
                    CurChar = outPos_ > 0 ? OutAt(outPos_ - 1) : PrevChar;
                }
                state = ScriptState::Code;
                break;
            case ScriptState::SingleString:
            case ScriptState::DoubleString:
            case ScriptState::Template: {
                Write(CurChar);
                const std::uint8_t closing = state == ScriptState::SingleString   ? '\''
                                             : state == ScriptState::DoubleString ? '"'
                                                                                   : '`';
                const bool afterDollar = dollar;
                dollar = false;
                if (escaped) {
                    escaped = false;
                } else if (CurChar == '\\') {
                    escaped = true;  // protects the next byte, a backslash included
                } else if (CurChar == closing) {
                    state = ScriptState::Code;
                    if (closing == '`' && templateLevel > 0) --templateLevel;
                } else if (state == ScriptState::Template) {
                    dollar = CurChar == '$';
                    if (CurChar == '{' && afterDollar && templateLevel > 0) {
                        templateBraces[templateLevel - 1] = 0;  // "${": code up to its "}"
                        state = ScriptState::Code;
                    }
                }
                break;
            }
            case ScriptState::Regex:
                Write(CurChar);
                if (IsLineBreak(CurChar)) {
                    escaped = inClass = false;
                    state = ScriptState::Code;
                } else if (escaped) {
                    escaped = false;
                } else if (CurChar == '\\') {
                    escaped = true;
                } else if (inClass) {
                    inClass = CurChar != ']';
                } else if (CurChar == '[') {
                    inClass = true;
                } else if (CurChar == '/') {
                    state = ScriptState::Code;
                }
                break;
        }
    }
    // A line comment cut off by the end of a page whose block never closes
    // is kept as written: it may hold the start of a closing tag.
    if (!done && state == ScriptState::LineComment && !ContentTag.Empty())
        WriteBytes(input_ + lineCommentStart, static_cast<std::size_t>(InputSize - lineCommentStart));
    if (done && CurChar != Greater) tagPending_ = true;  // "</script >": the pass ends the tag
}

// String literals ("..." with "" for a quote inside, ending at the line's
// end) are copied as they stand; everywhere else tabs become spaces and
// runs of spaces one.
void TMarkupPass::CompressVBScript() {
    ContentTag.Assign(NormalizeTagName(TagText.Stored()).View());
    scriptEndCheckedSize_ = SIZE_MAX;
    bool done = false;
    bool inString = false;
    while (InputLeft() && !done) {
        PrevChar = CurChar;
        CurChar = ReadInput();
        if (inString) {
            inString = !(CurChar == '"' || IsLineBreak(CurChar));
        } else {
            if (CurChar == '\t') CurChar = Space;
            inString = CurChar == '"';
        }
        if (inString || !(PrevChar == Space && CurChar == Space)) {
            Write(CurChar);
            ++Column;
        }
        done = TrackScriptEnd();
    }
    if (done && CurChar != Greater) tagPending_ = true;
}

}  // namespace trimora
