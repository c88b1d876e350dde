// The modern built-in set: its shape, what it does to HTML5 pages, and that
// a second run over its own output changes nothing.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "default_rules.h"
#include "engine_test_support.h"
#include "file_io.h"

namespace trimora {
namespace {

TEST(ModernRules, FormatsInPriorityOrder) {
    const TSharedRules rules = BuiltInRules(BuiltInSet::Modern);
    const TTagInfo& formats = rules->Formats;
    ASSERT_EQ(formats.Size(), 4u);
    EXPECT_EQ(formats[0].Pattern.Str(), "*.css");
    EXPECT_EQ(formats[0].Flags, tfStyleSheet | tfKeepLicense | tfStyleComments);
    EXPECT_EQ(formats[1].Pattern.Str(), "*.html;*.htm");
    EXPECT_EQ(formats[1].Flags, tfRemoveQuotes);
    EXPECT_EQ(formats[2].Pattern.Str(), "*.js;*.mjs;*.cjs");
    EXPECT_EQ(formats[2].Flags, tfJavaScript | tfKeepLicense);
    EXPECT_EQ(formats[3].Pattern.Str(), "*.vbs");
    for (std::size_t f = 0; f < formats.Size(); ++f) EXPECT_EQ(formats[f].Name.Str(), "0");
    EXPECT_EQ(rules->FindFormat("data.xml"), -1) << "XML keeps its whitespace";
    EXPECT_EQ(rules->FindFormat("app.mjs"), 2);
}

TEST(ModernRules, ItsFileReadsBackWithoutDamage) {
    const auto bytes = BuiltInRuleBytes(BuiltInSet::Modern);
    TRuleTree rules;
    const SettingsLoadReport report = ReadRuleTree(bytes.data(), bytes.size(), rules);
    EXPECT_FALSE(report.Damaged);
    EXPECT_EQ(EncodeRuleTree(rules.Formats), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    const auto classic = BuiltInRuleBytes(BuiltInSet::Classic);
    EXPECT_EQ(classic.size(), 11235u) << "the classic set stays as it is";
}

TEST(ModernRules, ScriptTypesChooseTheContentMode) {
    const TSharedRules rules = BuiltInRules(BuiltInSet::Modern);
    const TTagInfo& tags = rules->Formats[1].Children;
    const auto flags = [&](const char* attributes) {
        const TagProp* rule = FindTag(tags, NormalizeTagName("script"), attributes);
        return rule != nullptr ? rule->Flags : 0u;
    };
    const std::uint32_t script = tfJavaScript | tfKeepLicense;
    EXPECT_EQ(flags(""), script);
    EXPECT_EQ(flags(" src=\"a.js\""), script);
    EXPECT_EQ(flags(" type=\"text/javascript\""), script);
    EXPECT_EQ(flags(" type='module'"), script);
    EXPECT_EQ(flags(" type=module"), script);
    EXPECT_EQ(flags(" language=\"VBScript\""), tfVBScript);
    EXPECT_EQ(flags(" type=\"application/ld+json\""), tfDoNotCompress);
    EXPECT_EQ(flags(" type=\"importmap\""), tfDoNotCompress);
    EXPECT_EQ(flags(" type=\"x-shader/x-vertex\""), tfDoNotCompress);
}

struct PageCase {
    std::string Name;
    std::string Input;
    std::string Expected;
    friend void PrintTo(const PageCase& c, std::ostream* out) { *out << c.Name; }
};

std::string Compress(TTrimora& engine, const std::string& name, const std::string& text) {
    return test::CompressText(engine, name, text);
}

class ModernPageTest : public testing::TestWithParam<PageCase> {};

TEST_P(ModernPageTest, GivesExactBytesAndIsStable) {
    for (bool fastPaths : {true, false}) {
        TTrimora engine(BuiltInRules(BuiltInSet::Modern));
        engine.SetFastPathsForTesting(fastPaths);
        const std::string once = Compress(engine, "x.html", GetParam().Input);
        EXPECT_EQ(test::Visible(once), test::Visible(GetParam().Expected)) << (fastPaths ? "" : " (byte at a time)");
        EXPECT_EQ(test::Visible(Compress(engine, "x.html", once)), test::Visible(once)) << "second run";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ModernPageTest,
    testing::Values(
        PageCase{"HeadKeepsDoctypeAndMeta",
                 "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n  <meta charset=\"utf-8\">\n"
                 "  <meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                 "  <title>A page</title>\n  <link rel=\"stylesheet\" href=\"a.css\">\n</head>",
                 "<!DOCTYPE html> <html lang=en><head><meta charset=utf-8>"
                 "<meta name=viewport content=\"width=device-width, initial-scale=1\"><title>A page</title>"
                 "<link rel=stylesheet href=a.css></head>"},
        PageCase{"InlineElementsKeepNamesAndSpaces", "<p>Use   <code>x</code> and <strong>b</strong> <em>i</em>.</p>",
                 "<p>Use <code>x</code> and <strong>b</strong> <em>i</em>.</p>"},
        PageCase{"VerbatimElements", "<textarea>  a   b\n  c </textarea> <pre>  x  </pre>  <xmp> < </xmp>",
                 "<textarea>  a   b\n  c </textarea> <pre>  x  </pre> <xmp> < </xmp>"},
        PageCase{"ScriptWithoutType", "<script>\n  var a  =  1;  /*! lic */\n</script>",
                 "<script>\nvar a = 1; /*! lic */\n</script>"},
        PageCase{"ModuleScript", "<script type=\"module\">  import x   from \"y\";</script>",
                 "<script type=module> import x from \"y\";</script>"},
        PageCase{"JsonLdIsCopied", "<script type=\"application/ld+json\">  { \"a\" :  1 }</script>",
                 "<script type=application/ld+json>  { \"a\" :  1 }</script>"},
        PageCase{"TemplateIsCopied", "<script type=\"text/template\"><p>  x  </p></script>",
                 "<script type=text/template><p>  x  </p></script>"},
        PageCase{"InlineBlockMenuKeepsItsSpaces",
                 "<ul class=\"menu\">\n  <li><a href=\"#\">A</a></li>\n  <li><a href=\"#\">B</a></li>\n</ul>",
                 "<ul class=menu> <li><a href=#>A</a></li> <li><a href=#>B</a></li></ul>"},
        PageCase{"CodeListingLines", "<div class=\"line\">  x  =  1</div><div class=\"other\">  y  </div>",
                 "<div class=line>  x  =  1</div><div class=other> y </div>"},
        PageCase{"MicrodataInText", "<p>Text <meta itemprop=\"x\" content=\"y\"> more</p>",
                 "<p>Text <meta itemprop=x content=y> more</p>"},
        PageCase{"StyleBlock", "<style>\n  /* c */\n  a  { color : red; content: \"a  b\" }\n  /*! keep */\n</style>",
                 "<style> a{color:red;content:\"a  b\"}/*! keep */ </style>"},
        PageCase{"TablesLoseTheirIndentation", "<table>\n <tr>\n  <td> a </td>\n </tr>\n</table>",
                 "<table><tr><td> a</td></tr></table>"}),
    [](const testing::TestParamInfo<PageCase>& row) { return row.param.Name; });

TEST(ModernRules, ASecondRunChangesNothingOnTheSampleSite) {
    TTrimora engine(BuiltInRules(BuiltInSet::Modern));
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TRIMORA_SAMPLE_SITE)) {
        std::vector<std::uint8_t> bytes;
        if (!entry.is_regular_file() || ReadWholeFile(entry.path().string(), bytes) != ReadResult::Ok) continue;
        const std::string name = entry.path().filename().string();
        const std::string once = Compress(engine, name, std::string(bytes.begin(), bytes.end()));
        if (once == "<no format>") continue;
        ++files;
        EXPECT_EQ(test::Visible(Compress(engine, name, once)), test::Visible(once)) << name;
    }
    EXPECT_GE(files, 5);
}

}  // namespace
}  // namespace trimora
