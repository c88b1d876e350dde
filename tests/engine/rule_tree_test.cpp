#include <algorithm>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "tag_tree.h"
#include "trimora.h"

namespace trimora {
namespace {

// ---------------------------------------------------------------- names

struct NormalizeCase {
    std::string Input;
    std::string Expected;
    friend void PrintTo(const NormalizeCase& c, std::ostream* out) { *out << '"' << c.Input << '"'; }
};

class NormalizeTagNameTest : public testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeTagNameTest, GivesCanonicalName) {
    EXPECT_EQ(NormalizeTagName(GetParam().Input).Str(), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NormalizeTagNameTest,
    testing::Values(NormalizeCase{"", ""}, NormalizeCase{"script", "SCRIPT"},
                    NormalizeCase{"/script language=x", "SCRIPT"}, NormalizeCase{"//B", "/B"},
                    NormalizeCase{"b\tx", "B"}, NormalizeCase{"<p", "<P"}, NormalizeCase{"br/", "BR/"},
                    NormalizeCase{"/", ""}, NormalizeCase{"h1\n", "H1"},
                    NormalizeCase{"\xe9t\xc9", "\xe9T\xc9"},  // bytes above 127 stay
                    NormalizeCase{"!doctype html", "!DOCTYPE"}, NormalizeCase{" p", ""}));

TEST(NormalizeTagName, KeepsAtMost255Characters) {
    EXPECT_EQ(NormalizeTagName(std::string(400, 'a')).Size(), 255u);
}

TEST(ShortString, CutsToCapacity) {
    NameString name("ABCDEFGHIJKLMN");
    EXPECT_EQ(name.Str(), "ABCDEFGHIJ");
    PatternString pattern(std::string(300, 'x'));
    EXPECT_EQ(pattern.Size(), 255u);
}

TEST(CompareNames, ByteOrderShorterFirst) {
    EXPECT_LT(CompareNames("A", "AB"), 0);
    EXPECT_GT(CompareNames("H6", "H"), 0);
    EXPECT_LT(CompareNames("H6", "HEAD"), 0);
    EXPECT_LT(CompareNames("Z", "a"), 0);
    EXPECT_LT(CompareNames("Z", "\xe9"), 0);  // unsigned bytes
    EXPECT_EQ(CompareNames("P", "P"), 0);
}

// ---------------------------------------------------------------- wildcards

struct WildCase {
    std::string Text;
    std::string Pattern;
    bool Matches;
    friend void PrintTo(const WildCase& c, std::ostream* out) { *out << '"' << c.Text << "\" ~ \"" << c.Pattern << '"'; }
};

class WildMatchTest : public testing::TestWithParam<WildCase> {};

TEST_P(WildMatchTest, Matches) {
    EXPECT_EQ(WildMatch(GetParam().Text.c_str(), GetParam().Pattern.c_str()), GetParam().Matches)
        << GetParam().Text << " ~ " << GetParam().Pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Table, WildMatchTest,
    testing::Values(WildCase{"", "*", true}, WildCase{"a", "a*", true}, WildCase{"x", "", false},
                    WildCase{"", "?", false}, WildCase{"", "", true}, WildCase{"abc", "a?c", true},
                    WildCase{"abc", "a*c", true}, WildCase{"abc", "A*C", false},  // case-sensitive
                    WildCase{" LANGUAGE=\"JAVASCRIPT\"", "*JAVASCRIPT*", true},
                    WildCase{"TYPE=TEXT/VBSCRIPT", "*VB*", true}, WildCase{"ab", "*b", true},
                    WildCase{"ab", "*a", false},
                    // At the text's end only a single trailing star matches nothing.
                    WildCase{"", "**", false}, WildCase{"a", "a**", false}, WildCase{"ab", "a**", true},
                    WildCase{"x", "**", true}, WildCase{"", "*?", false}));

// The definition, literally: a reference for the linear matcher.
bool ReferenceWildMatch(const char* text, const char* pattern) {
    if (pattern[0] == '*' && pattern[1] == '\0') return true;
    if (*text == '\0') return *pattern == '\0';
    if (*pattern == '*') return ReferenceWildMatch(text, pattern + 1) || ReferenceWildMatch(text + 1, pattern);
    if (*pattern == '?') return ReferenceWildMatch(text + 1, pattern + 1);
    return *pattern == *text && ReferenceWildMatch(text + 1, pattern + 1);
}

TEST(WildMatch, AgreesWithTheRecursiveDefinition) {
    std::mt19937 random(7);
    const char textAlphabet[] = "ab";
    const char patternAlphabet[] = "ab*?";
    for (int round = 0; round < 200000; ++round) {
        std::string text(random() % 7, 'a');
        for (char& c : text) c = textAlphabet[random() % 2];
        std::string pattern(random() % 7, 'a');
        for (char& c : pattern) c = patternAlphabet[random() % 4];
        ASSERT_EQ(WildMatch(text.c_str(), pattern.c_str()), ReferenceWildMatch(text.c_str(), pattern.c_str()))
            << '"' << text << "\" ~ \"" << pattern << '"';
    }
}

TEST(WildMatch, AgreesWithTheDefinitionOnLongerTextsAndPatterns) {
    // Longer texts over three letters: runs of a literal after a star are
    // skipped at once, and partial matches have to be given up again.
    std::mt19937 random(8);
    const char patternAlphabet[] = "abc*?";
    for (int round = 0; round < 100000; ++round) {
        std::string text(random() % 14, 'a');
        for (char& c : text) c = "abc"[random() % 3];
        std::string pattern(random() % 9, 'a');
        for (char& c : pattern) c = patternAlphabet[random() % 5];
        ASSERT_EQ(WildMatch(text.c_str(), pattern.c_str()), ReferenceWildMatch(text.c_str(), pattern.c_str()))
            << '"' << text << "\" ~ \"" << pattern << '"';
    }
}

TEST(WildMatch, HostilePatternsTakeLinearTime) {
    // Exponential for a naive recursion; must finish at once here.
    const std::string text(255, 'a');
    const std::string pattern = std::string(120, '*').replace(1, 0, "a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*") + "b";
    EXPECT_FALSE(WildMatch(text.c_str(), pattern.c_str()));
}

TEST(MatchText, IgnoresCaseOfAsciiLetters) {
    EXPECT_TRUE(MatchText(" language=\"JavaScript\"", "*javascript*"));
    EXPECT_TRUE(MatchText("type=text/vbscript", "*VB*"));
    EXPECT_FALSE(MatchText("type=text/x", "*vb*"));
}

// ---------------------------------------------------------------- formats

struct FormatCase {
    std::string Patterns;
    std::string FileName;
    int Expected;  // index of the matched format or -1
    friend void PrintTo(const FormatCase& c, std::ostream* out) { *out << c.Patterns << " / " << c.FileName; }
};

class FindFormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FindFormatTest, MatchesByExtension) {
    TRuleTree rules;
    TagRule format;
    format.Name = "0";
    format.Pattern = GetParam().Patterns;
    rules.Formats.Add(format);
    EXPECT_EQ(rules.FindFormat(GetParam().FileName), GetParam().Expected)
        << GetParam().Patterns << " / " << GetParam().FileName;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FindFormatTest,
    testing::Values(FormatCase{"*.htm;*.html", "PAGE.HTML", 0}, FormatCase{"*.html;*.htm", "PAGE.HTML", 0},
                    FormatCase{"*.html", "PAGE.HTM", -1}, FormatCase{"*.*", "PAGE.HTM", -1},
                    FormatCase{"*.js;*.", "NOTES.TXT", -1}, FormatCase{"*.htm", "INDEX.Htm", 0},
                    FormatCase{"*.htm", "README", -1}, FormatCase{"", "A.HTM", -1},
                    FormatCase{".htm", "A.HTM", -1},          // a pattern without '*' never matches
                    FormatCase{"*x.htm", "A.HTM", 0},         // what stands before the dot is skipped
                    FormatCase{"*.h?m", "A.HTM", -1},         // '?' is literal here
                    FormatCase{"*.htm", "A.HTML", -1}, FormatCase{"*.html", "A.HTM", -1},
                    FormatCase{"*.htm;", "A.HTM", 0}, FormatCase{"*.css", "/srv/site.v2/style.css", 0},
                    FormatCase{"*.v2/style", "/srv/site.v2/style", -1},  // a dotted folder gives no extension
                    FormatCase{"*.htm", "c:\\site.old\\index", -1}, FormatCase{"*.htm", "site/.htm", 0}));

TEST(FindFormat, SetsMaxLengthFromTheName) {
    TRuleTree rules;
    for (const char* name : {"100", "0", "ALL", "  42x", "-5"}) {
        TagRule format;
        format.Name = name;
        format.Pattern = std::string("*.") + std::to_string(rules.Formats.Size());
        rules.Formats.Add(format);
    }
    const int expected[] = {100, 0, 0, 42, -5};
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(rules.FindFormat("file." + std::to_string(i)), i);
        EXPECT_EQ(rules.MaxLength(i), expected[i]);
    }
    EXPECT_EQ(rules.MaxLength(-1), 0);
}

TEST(FindFormat, FirstMatchingFormatWins) {
    TRuleTree rules;
    for (const char* patterns : {"*.css", "*.htm;*.css", "*.htm"}) {
        TagRule format;
        format.Pattern = patterns;
        rules.Formats.Add(format);
    }
    EXPECT_EQ(rules.FindFormat("x.htm"), 1);
    EXPECT_EQ(rules.FindFormat("x.CSS"), 0);
}

// ---------------------------------------------------------------- tags

TagProp& AddNode(TTagInfo& list, const char* name, std::uint32_t flags, const char* pattern = "") {
    TagRule fields;
    fields.Name = name;
    fields.Flags = flags;
    fields.Pattern = pattern;
    return list.Add(fields);
}

class TagLookupTest : public testing::Test {
protected:
    TagLookupTest() {
        TagProp& format = AddNode(rules.Formats, "0", tfRemoveQuotes, "*.htm");
        for (const char* name : {"A", "B", "BODY", "EM", "H1", "P", "PRE", "TD"})
            AddNode(format.Children, name, tfRemoveWhitespace);
        TagProp& script = AddNode(format.Children, "SCRIPT", tfDoNotCompress);
        AddNode(script.Children, "*JAVASCRIP", tfJavaScript, "*javascript*");
        AddNode(script.Children, "*SCRIPT", tfRemoveContent, "*script*");
        TagProp& vb = AddNode(script.Children, "*VB*", tfVBScript, "*vb*");
        AddNode(vb.Children, "*DEFER*", tfRemoveTag, "*defer*");
        rules.SortAllTags();
    }

    // The flags in force after the tag: its rule's, or the format's.
    std::uint32_t Lookup(const std::string& tagText, const std::string& attributes) {
        const TagProp& format = rules.Formats[static_cast<std::size_t>(rules.FindFormat("x.htm"))];
        const TagProp* rule = FindTag(format.Children, NormalizeTagName(tagText), attributes);
        return (rule != nullptr ? *rule : format).Flags;
    }

    TRuleTree rules;
};

TEST_F(TagLookupTest, FindsEveryTagAndMissesOthers) {
    for (const char* name : {"a", "b", "body", "em", "h1", "p", "pre", "td", "/td"})
        EXPECT_EQ(Lookup(name, ""), tfRemoveWhitespace) << name;
    for (const char* name : {"br", "h", "tr", "aa", "", "br/"}) EXPECT_EQ(Lookup(name, ""), tfRemoveQuotes) << name;
    EXPECT_EQ(FindTag(rules.Formats[0].Children, NormalizeTagName("nothing"), ""), nullptr);
}

TEST_F(TagLookupTest, SubTagsReadTheAttributesUpperCasedUpToTheirFirstNul) {
    // Patterns are stored as typed ("*vb*") and compared upper-cased with
    // the attributes; a NUL ends the text, and only its first 255 bytes count.
    EXPECT_EQ(Lookup("script", " TYPE=text/Vb"), tfVBScript);
    EXPECT_EQ(Lookup("script", std::string(" x", 2) + std::string(1, '\0') + " vb"), tfDoNotCompress);
    EXPECT_EQ(Lookup("script", std::string(250, ' ') + "vb"), tfVBScript);
    EXPECT_EQ(Lookup("script", std::string(254, ' ') + "vb"), tfDoNotCompress);
    // A sub tag's own sub tags are tried after it: "*defer*" under "*vb*".
    EXPECT_EQ(Lookup("script", " vb defer"), tfRemoveTag);
}

TEST_F(TagLookupTest, FirstMatchingSubTagWins) {
    // "javascript" also matches "*script*": the first sub tag is used.
    EXPECT_EQ(Lookup("script ", " language=\"JavaScript\""), tfJavaScript);
    EXPECT_EQ(Lookup("script ", " type=\"text/x-script\""), tfRemoveContent);
    EXPECT_EQ(Lookup("script ", ""), tfDoNotCompress);
}

TEST_F(TagLookupTest, MatchingSubTagDescendsIntoItsOwnSubTags) {
    EXPECT_EQ(Lookup("script ", " language=vb"), tfVBScript);
    EXPECT_EQ(Lookup("script ", " language=vb defer"), tfRemoveTag);
}

TEST_F(TagLookupTest, SubTagMatchingSeesOnlyTheFirst255Characters) {
    EXPECT_EQ(Lookup("script ", std::string(260, ' ') + "javascript"), tfDoNotCompress);
}

TEST(SortTags, OrdersByNameInByteOrder) {
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        TTagInfo list;
        std::vector<std::string> names;
        const int count = static_cast<int>(random() % 60);
        for (int i = 0; i < count; ++i) {
            std::string name(1 + random() % 4, 'A');
            for (char& c : name) c = static_cast<char>('A' + random() % 4);
            names.push_back(name);
            AddNode(list, name.c_str(), 0);
        }
        if (count > 0) SortTags(list, 0, count - 1);
        std::sort(names.begin(), names.end());
        for (int i = 0; i < count; ++i) ASSERT_EQ(list[static_cast<std::size_t>(i)].Name.Str(), names[static_cast<std::size_t>(i)]);
    }
}

TEST(FreeTags, ReleasesDeepTreesWithoutRecursion) {
    TTagInfo root;
    TTagInfo* list = &root;
    for (int depth = 0; depth < 200000; ++depth) list = &AddNode(*list, "X", 0).Children;
    FreeTags(root);
    EXPECT_TRUE(root.Empty());
}

}  // namespace
}  // namespace trimora
