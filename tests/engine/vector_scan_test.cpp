// The vector scans against the byte-at-a-time path: the scan helpers on
// random bytes at every alignment and tail length, and the pass's
// shortcuts on inputs whose interesting bytes are moved through every lane
// of a sixteen-byte chunk and cut off at every length near the end.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "byte_scan.h"
#include "char_class.h"
#include "engine_test_support.h"
#include "tag_text.h"
#include "tag_tree.h"

namespace trimora {
namespace {

template <std::size_t N>
const std::uint8_t* FindAnySlowly(const std::uint8_t* at, const std::uint8_t* end, const TByteSet<N>& set) {
    for (; at < end; ++at)
        for (std::uint8_t b : set.Bytes)
            if (*at == b) return at;
    return end;
}

template <std::size_t N>
const std::uint8_t* FindNotAnySlowly(const std::uint8_t* at, const std::uint8_t* end, const TByteSet<N>& set) {
    for (; at < end; ++at) {
        bool in = false;
        for (std::uint8_t b : set.Bytes) in |= *at == b;
        if (!in) return at;
    }
    return end;
}

template <std::size_t N>
void CheckFindAny(const TByteSet<N>& set, std::mt19937& random) {
    std::vector<std::uint8_t> bytes(128);
    for (int round = 0; round < 40; ++round) {
        // Mostly other bytes, the set's bytes now and then, a few bytes of
        // every value.
        for (std::uint8_t& b : bytes) {
            const unsigned pick = random() % 64;
            b = pick == 0   ? set.Bytes[random() % N]
                : pick == 1 ? static_cast<std::uint8_t>(random())
                            : static_cast<std::uint8_t>('a' + pick % 26);
        }
        for (std::size_t from = 0; from < 32; ++from) {
            for (std::size_t length = 0; from + length <= bytes.size() && length <= 80; ++length) {
                const std::uint8_t* begin = bytes.data() + from;
                ASSERT_EQ(FindAny(begin, begin + length, set) - begin, FindAnySlowly(begin, begin + length, set) - begin)
                    << "from " << from << " length " << length;
            }
        }
        // Runs of the set's bytes, broken now and then, for FindNotAny.
        for (std::uint8_t& b : bytes)
            b = random() % 24 == 0 ? static_cast<std::uint8_t>(random()) : set.Bytes[random() % N];
        for (std::size_t from = 0; from < 32; ++from) {
            for (std::size_t length = 0; from + length <= bytes.size() && length <= 80; ++length) {
                const std::uint8_t* begin = bytes.data() + from;
                ASSERT_EQ(FindNotAny(begin, begin + length, set) - begin,
                          FindNotAnySlowly(begin, begin + length, set) - begin)
                    << "from " << from << " length " << length;
            }
        }
    }
}

TEST(VectorScan, FindAnyAndFindNotAnyMatchTheByteLoopAtEveryAlignmentAndLength) {
    std::mt19937 random(11);
    CheckFindAny(ByteSet('>'), random);
    CheckFindAny(ByteSet('<', '>'), random);
    CheckFindAny(ByteSet('`', '\\', '$'), random);
    CheckFindAny(ByteSet('\n', '\r', '>', '<'), random);
    CheckFindAny(ByteSet('"', '\'', '`', '/', '\\', '<', '>', '{', '}'), random);
    CheckFindAny(ByteSet(0, 0x80, 0xff), random);  // bytes with the high bit and NUL
    CheckFindAny(ByteSet(' ', '\t', '\n', '\r'), random);
}

TEST(VectorScan, FindNotingStopsAndNotesAsTheByteLoopDoes) {
    // A quoted value: its quote ends it, a byte that keeps quotes is noted.
    std::mt19937 random(12);
    const auto unsafe = ByteSet('\t', '\n', '\r', ' ', '>', '"', '\'');
    std::vector<std::uint8_t> bytes(128);
    for (int round = 0; round < 60; ++round) {
        for (std::uint8_t& b : bytes) {
            const auto pick = random() % 60;
            b = pick < 1 ? unsafe.Bytes[random() % 7] : pick == 2 ? static_cast<std::uint8_t>(random()) : 'a';
        }
        const std::uint8_t stop = round % 2 == 0 ? '"' : '\'';
        for (std::size_t from = 0; from < 32; ++from) {
            for (std::size_t length = 0; from + length <= bytes.size() && length <= 90; ++length) {
                const std::uint8_t* begin = bytes.data() + from;
                for (const bool before : {false, true}) {
                    bool fast = before, slow = before;
                    const std::uint8_t* found = FindNoting(begin, begin + length, stop, unsafe, fast);
                    const std::uint8_t* expected = begin;
                    for (; expected < begin + length && *expected != stop; ++expected) slow = slow || unsafe.Has(*expected);
                    ASSERT_EQ(found - begin, expected - begin) << "from " << from << " length " << length;
                    ASSERT_EQ(fast, slow) << "from " << from << " length " << length;
                }
            }
        }
    }
}

TEST(VectorScan, UpperCopyUntilNulMatchesTheByteLoop) {
    // Every byte value, so that the letters' neighbours ('@', '[', '`', '{')
    // and bytes with the high bit stay as they are.
    std::mt19937 random(13);
    std::vector<char> text(255);
    for (int round = 0; round < 200; ++round) {
        for (char& c : text) c = static_cast<char>(random() % 40 == 0 ? 0 : 1 + random() % 255);
        for (std::size_t length = 0; length <= text.size(); ++length) {
            char fast[256], slow[256];
            const std::size_t copied = UpperCopyUntilNul(text.data(), length, fast);
            std::size_t expected = 0;
            for (; expected < length && text[expected] != 0; ++expected)
                slow[expected] = static_cast<char>(UpperAscii(static_cast<std::uint8_t>(text[expected])));
            ASSERT_EQ(copied, expected) << "length " << length;
            ASSERT_EQ(std::string(fast, copied), std::string(slow, expected)) << "length " << length;
        }
    }
}

TEST(VectorScan, HasNormalizedNameAgreesWithNormalizeTagName) {
    std::mt19937 random(3);
    const std::string alphabet = "aAbBsScript/ \t\n>x0\x01\xe9";
    const std::vector<std::string> names = {"", "A", "B", "SCRIPT", "STYLE", "SCRIPT/", std::string(255, 'A'),
                                            std::string(254, 'A')};
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        if (random() % 4 == 0) text = std::string(250 + random() % 10, random() % 2 ? 'a' : 'A');
        for (int n = static_cast<int>(random() % 12); n > 0; --n) text += alphabet[random() % alphabet.size()];
        if (random() % 3 == 0) text = (random() % 2 ? "/" : "") + std::string(random() % 2 ? "script" : "Style") + text;
        for (const std::string& name : names)
            ASSERT_EQ(HasNormalizedName(text, name), NormalizeTagName(text).View() == name)
                << test::Visible(text) << " against " << name;
        const PatternString own = NormalizeTagName(text);
        ASSERT_TRUE(HasNormalizedName(text, own.View())) << test::Visible(text);
    }
}

TEST(VectorScan, TagTextAppendBytesCountsAndKeepsAsAppendDoes) {
    std::mt19937 random(8);
    for (int round = 0; round < 200; ++round) {
        TagTextBuffer one, many;
        std::string bytes;
        for (int pieces = static_cast<int>(random() % 6); pieces > 0; --pieces) {
            const std::string piece(random() % 300, static_cast<char>('a' + random() % 26));
            for (char c : piece) one.Append(static_cast<std::uint8_t>(c));
            many.AppendBytes(reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size());
        }
        ASSERT_EQ(one.Size(), many.Size());
        ASSERT_EQ(one.Stored(), many.Stored());
    }
}

// --------------------------------------------- the pass's shortcuts

// Pieces whose whitespace, separators and stops decide what the vector
// runs may copy as they are.
const char* const Pieces[] = {
    " ", "  ", "\t", "\r\n", "\n", "\r", "\n\t\t", "    ", "word", "longerwordhere", ";", " ;", "; ", ",", ":", " :",
    ": ", "{", "}", " {", "} ", "<p>", "</p>", "<", ">", "\"", "'", "`", "${", "/", "//", "/*", "*/", "\\", "=",
    "<a href=\"x  y\" title='a b'>", "<!-- c -->", "<script>", "</script>", "<style>", "</style>", "<pre>",
    "</pre>", "<textarea>", "</textarea>", "x = 1;", "if (a) {\n\treturn b;\n}", "color : red", "a:hover",
    "\xe9\xff", "</ script>", "<!DOCTYPE html>", "/*!", "<script type=\"module\">"};

std::string RandomText(std::mt19937& random, int pieces) {
    std::string text;
    for (int i = 0; i < pieces; ++i) text += Pieces[random() % std::size(Pieces)];
    return text;
}

struct Engines {
    TTrimora Fast{""}, Slow{""};
};

void Compare(Engines& engines, const std::string& name, const std::string& input) {
    const std::string fast = test::CompressText(engines.Fast, name, input);
    const std::string slow = test::CompressText(engines.Slow, name, input);
    ASSERT_EQ(test::Visible(fast), test::Visible(slow)) << name << " input: " << test::Visible(input);
}

// Every input is tried behind a prefix of 0 to 31 ordinary bytes, so that
// each of its bytes falls in each lane, and cut at every length in its last
// 20 bytes, so that the runs end inside a chunk and in the byte-at-a-time tail.
void CompareEveryShift(Engines& engines, const std::string& name, const std::string& prefixOpening,
                       const std::string& body) {
    for (std::size_t shift = 0; shift < 32; ++shift) {
        const std::string input = prefixOpening + std::string(shift, 'q') + body;
        Compare(engines, name, input);
        for (std::size_t cut = 1; cut <= 20 && cut < input.size(); ++cut)
            Compare(engines, name, input.substr(0, input.size() - cut));
        if (testing::Test::HasFatalFailure()) return;
    }
}

class ShortcutShifts : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam()) {
            engines.Fast.SetRules(BuiltInRules(BuiltInSet::Modern));
            engines.Slow.SetRules(BuiltInRules(BuiltInSet::Modern));
        } else {
            test::LoadBuiltInRules(engines.Fast);
            test::LoadBuiltInRules(engines.Slow);
        }
        engines.Slow.SetFastPathsForTesting(false);
    }
    Engines engines;
};

TEST_P(ShortcutShifts, TextAndTagsInEveryLane) {
    std::mt19937 random(21);
    for (int round = 0; round < 40; ++round) {
        CompareEveryShift(engines, "x.html", "", RandomText(random, 12));
        if (HasFatalFailure()) return;
    }
}

TEST_P(ShortcutShifts, ContentCopiedOrCompressedInEveryLane) {
    // Inside a block the shortcuts of its content mode run: copying to the
    // closing tag, scripts and style sheets.
    std::mt19937 random(22);
    const char* const openings[] = {"<pre>", "<textarea>", "<script>", "<script language=javascript>",
                                    "<style>",  "<p>"};
    for (int round = 0; round < 60; ++round) {
        CompareEveryShift(engines, "x.html", openings[round % std::size(openings)], RandomText(random, 12));
        if (HasFatalFailure()) return;
    }
}

TEST_P(ShortcutShifts, ScriptsAndStyleSheetsInEveryLane) {
    std::mt19937 random(23);
    for (int round = 0; round < 40; ++round) {
        CompareEveryShift(engines, round % 2 ? "x.js" : "x.css", "", RandomText(random, 12));
        if (HasFatalFailure()) return;
    }
}

TEST_P(ShortcutShifts, LongRunsOfEachKind) {
    // Runs much longer than a chunk, with the byte that ends them in every lane.
    const std::string runs[] = {
        std::string(100, 'a'),
        "word word word word word word word word word word word word word word",
        "var a = b; var c = d; var e = f; var g = h; var i = j; call(a, b, c);",
        "\tindented\n\t\tdeeper\n\t\t\tdeepest;\n\n\n  spaced  ;  out  ;",
        ".a,.b{color:red;margin:0 auto;padding:1px 2px 3px 4px}.c:hover{x:y}",
        ".a , .b {\n    color : red ;\n    margin : 0 auto ;\n}\n\n.c :hover { x : y }",
        "<div class=\"box\" data-x='1'>text  with\tmixed\r\nwhitespace</div>",
    };
    const char* const names[] = {"x.html", "x.js", "x.css"};
    for (const std::string& run : runs)
        for (const char* name : names)
            for (const char* opening : {"", "<script>", "<style>", "<pre>"}) {
                CompareEveryShift(engines, name, opening, run + run + "</script></style></pre>" + run);
                if (HasFatalFailure()) return;
            }
}

std::string SetName(const testing::TestParamInfo<bool>& set) { return set.param ? "Modern" : "Classic"; }

INSTANTIATE_TEST_SUITE_P(BuiltInSets, ShortcutShifts, testing::Values(false, true), SetName);

}  // namespace
}  // namespace trimora
