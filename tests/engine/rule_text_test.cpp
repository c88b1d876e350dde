// Rules as text: the text of a file reads back to exactly that file, the file
// made from a text prints exactly that text, and a damaged text is refused
// with its line.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "default_rules.h"
#include "rule_text.h"
#include "tag_settings_file.h"

namespace trimora {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string TextOfFile(const Bytes& file) {
    TRuleTree rules;
    ReadRuleTreeAsStored(file.data(), file.size(), rules);
    return RuleTreeText(rules.Formats);
}

Bytes FileOfText(const std::string& text) {
    TRuleTree rules;
    const RuleTextResult result = ReadRuleTreeText(text, rules);
    EXPECT_TRUE(result.Ok) << "line " << result.Line << ": " << result.Error;
    return EncodeRuleTree(rules.Formats);
}

TEST(RuleText, BothBuiltInSetsMakeTheRoundTripExactly) {
    for (BuiltInSet set : {BuiltInSet::Classic, BuiltInSet::Modern}) {
        const auto bytes = BuiltInRuleBytes(set);
        const Bytes file(bytes.begin(), bytes.end());
        const std::string text = TextOfFile(file);
        EXPECT_EQ(FileOfText(text), file) << BuiltInSetName(set);
        EXPECT_EQ(TextOfFile(FileOfText(text)), text) << BuiltInSetName(set);
    }
}

TEST(RuleText, TheClassicSetReadsAsDocumented) {
    const auto bytes = BuiltInRuleBytes(BuiltInSet::Classic);
    const std::string text = TextOfFile(Bytes(bytes.begin(), bytes.end()));
    EXPECT_EQ(text.substr(0, 1), "#");
    for (const char* line : {"\nformat \"*.css\" max 0 flags tfStyleSheet\n",
                             "\nformat \"*.xml\" max 100 flags none\n",
                             "\n  tag \"EM\" replace \"I\" flags tfReplaceTag\n",
                             "\n    sub \"*author*\" flags tfRemoveTag tfRemoveWhitespace\n",
                             "\n    sub \"*vb*\" flags tfVBScript\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
}

// Random trees: any bytes in every text, any flag bits, any depth.
std::string RandomText(std::mt19937& random, std::size_t capacity) {
    std::string text(random() % (capacity + 1), ' ');
    for (char& c : text) c = static_cast<char>(random() % 4 == 0 ? random() : 'A' + random() % 26);
    return text;
}

void AddRandomNodes(std::mt19937& random, TTagInfo& list, int depth) {
    for (int count = static_cast<int>(random() % 4); count > 0; --count) {
        TagRule fields;
        fields.Name = RandomText(random, 10);
        if (random() % 3 == 0) fields.Name = std::to_string(static_cast<int>(random() % 300) - 100);
        fields.ReplaceWith = random() % 2 ? RandomText(random, 10) : "";
        fields.Pattern = depth == 1 && random() % 2 ? "" : RandomText(random, 255);
        fields.Flags = random() % 4 == 0 ? static_cast<std::uint32_t>(random()) : static_cast<std::uint32_t>(random() % 0x2000);
        TagProp& node = list.Add(fields);
        if (depth < 11 && random() % 3 == 0) AddRandomNodes(random, node.Children, depth + 1);
    }
}

TEST(RuleText, RandomTreesMakeTheRoundTripExactly) {
    std::mt19937 random(1209);
    for (int round = 0; round < 500; ++round) {
        TTagInfo formats;
        AddRandomNodes(random, formats, 0);
        // A deep chain now and then, past where indentation stops.
        if (round % 10 == 0 && !formats.Empty()) {
            TTagInfo* list = &formats[0].Children;
            for (int level = 1; level < 14; ++level) list = &list->Add(TagRule{}).Children;
        }
        const Bytes file = EncodeRuleTree(formats);
        const std::string text = TextOfFile(file);
        ASSERT_EQ(FileOfText(text), file) << text;
        ASSERT_EQ(TextOfFile(FileOfText(text)), text);
    }
}

struct TextCase {
    std::string Name;
    std::string Text;
    std::string Shown;  // what the tree it gives is shown as, after the header line
    friend void PrintTo(const TextCase& c, std::ostream* out) { *out << c.Name; }
};

class RuleTextTable : public testing::TestWithParam<TextCase> {};

TEST_P(RuleTextTable, ReadsAndShows) {
    TRuleTree rules;
    const RuleTextResult result = ReadRuleTreeText(GetParam().Text, rules);
    ASSERT_TRUE(result.Ok) << "line " << result.Line << ": " << result.Error;
    const std::string shown = RuleTreeText(rules.Formats);
    EXPECT_EQ(shown.substr(shown.find('\n') + 1), GetParam().Shown);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RuleTextTable,
    testing::Values(
        TextCase{"Empty", "", ""},
        TextCase{"CommentsAndBlankLines", "# x\n\n   # y\r\n", ""},
        TextCase{"FormatDefaults", "format \"*.htm\"", "format \"*.htm\" max 0 flags none\n"},
        TextCase{"NameThatIsNoNumber", "format \"*.js\" name \"JS\" flags tfJavaScript",
                 "format \"*.js\" name \"JS\" flags tfJavaScript\n"},
        TextCase{"NegativeMax", "format \"*.x\" max -5", "format \"*.x\" max -5 flags none\n"},
        TextCase{"SubTagNameFromPattern", "format \"*.htm\"\n  tag \"P\"\n    sub \"*java script*\"",
                 "format \"*.htm\" max 0 flags none\n  tag \"P\" flags none\n    sub \"*java script*\" flags none\n"},
        TextCase{"SubTagOwnName", "format \"\"\n  tag \"P\"\n    sub \"*a*\" name \"X\"",
                 "format \"\" max 0 flags none\n  tag \"P\" flags none\n    sub \"*a*\" name \"X\" flags none\n"},
        TextCase{"Escapes", "format \"a\\\"b\\\\c\\x00\\xe9\\x7F\" replace \"\\x0A\"",
                 "format \"a\\\"b\\\\c\\x00\\xE9\\x7F\" max 0 replace \"\\x0A\" flags none\n"},
        TextCase{"RawBytesAreEscapedWhenShown", "format \"\xe9\tx\"", "format \"\\xE9\\x09x\" max 0 flags none\n"},
        TextCase{"UnknownBitsInHex", "format \"\" flags tfRemoveTag 0x4000 0x1",
                 "format \"\" max 0 flags tfRemoveContent tfRemoveTag 0x4000\n"},
        TextCase{"NewFlagsByName", "format \"*.css\" flags tfStyleSheet tfKeepLicense tfStyleComments",
                 "format \"*.css\" max 0 flags tfStyleSheet tfKeepLicense tfStyleComments\n"},
        TextCase{"TagPattern", "format \"\"\n  tag \"TD\" pattern \"*x*\" flags none",
                 "format \"\" max 0 flags none\n  tag \"TD\" pattern \"*x*\" flags none\n"},
        TextCase{"DeepLevelsByNumber",
                 "format \"\"\n tag \"A\"\n    sub \"2\"\n      sub \"3\"\n        sub \"4\"\n          sub \"5\"\n"
                 "            sub \"6\"\n              sub \"7\"\n                sub \"8\"\n                sub:9 \"9\"\n"
                 "sub:10 \"10\"\n    sub \"back at 2\"",
                 "format \"\" max 0 flags none\n  tag \"A\" flags none\n    sub \"2\" flags none\n"
                 "      sub \"3\" flags none\n        sub \"4\" flags none\n          sub \"5\" flags none\n"
                 "            sub \"6\" flags none\n              sub \"7\" flags none\n"
                 "                sub \"8\" flags none\n                sub:9 \"9\" flags none\n"
                 "                sub:10 \"10\" flags none\n    sub \"back at 2\" flags none\n"}),
    [](const testing::TestParamInfo<TextCase>& row) { return row.param.Name; });

struct BadTextCase {
    std::string Name;
    std::string Text;
    std::size_t Line;
    std::string ErrorPart;
    friend void PrintTo(const BadTextCase& c, std::ostream* out) { *out << c.Name; }
};

class BadRuleText : public testing::TestWithParam<BadTextCase> {};

TEST_P(BadRuleText, IsRefusedWithItsLine) {
    TRuleTree rules;
    rules.Formats.Add(TagRule{});
    const RuleTextResult result = ReadRuleTreeText(GetParam().Text, rules);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Line, GetParam().Line);
    EXPECT_NE(result.Error.find(GetParam().ErrorPart), std::string::npos) << result.Error;
    EXPECT_EQ(rules.Formats.Size(), 1u) << "the tree is left as it was";
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadRuleText,
    testing::Values(
        BadTextCase{"UnknownKeyword", "# c\nformats \"x\"", 2, "format, tag or sub"},
        BadTextCase{"TagBeforeFormat", "tag \"P\"", 1, "before any format"},
        BadTextCase{"SubWithoutParent", "format \"\"\n    sub \"x\"", 2, "no parent"},
        BadTextCase{"OddIndentation", "format \"\"\n  tag \"P\"\n     sub \"x\"", 3, "two spaces a level"},
        BadTextCase{"MissingQuotes", "format *.htm", 1, "double quotes"},
        BadTextCase{"UnclosedText", "format \"*.htm", 1, "not closed"},
        BadTextCase{"UnknownEscape", "format \"\\n\"", 1, "unknown escape"},
        BadTextCase{"ShortHexEscape", "format \"\\x4\"", 1, "unknown escape"},
        BadTextCase{"NameTooLong", "format \"\"\n  tag \"ABCDEFGHIJK\"", 2, "at most 10 bytes"},
        BadTextCase{"PatternTooLong", "format \"" + std::string(256, 'p') + "\"", 1, "at most 255 bytes"},
        BadTextCase{"UnknownFlag", "format \"\" flags tfRemoveTags", 1, "unknown flag 'tfRemoveTags'"},
        BadTextCase{"FlagsWithoutAny", "format \"\" flags", 1, "flags needs"},
        BadTextCase{"FieldTwice", "format \"\" replace \"a\" replace \"b\"", 1, "given twice"},
        BadTextCase{"MaxAndName", "format \"\" max 1 name \"x\"", 1, "not a field"},
        BadTextCase{"MaxNotANumber", "format \"\" max ten", 1, "whole number"},
        BadTextCase{"NameOnATag", "format \"\"\n  tag \"P\" name \"Q\"", 2, "not a field"},
        BadTextCase{"BadLevelNumber", "format \"\"\n  tag \"P\"\nsub:1 \"x\"", 3, "level N of 2"},
        BadTextCase{"TextRunsIntoAWord", "format \"a\"b", 1, "space is expected"}),
    [](const testing::TestParamInfo<BadTextCase>& row) { return row.param.Name; });

}  // namespace
}  // namespace trimora
