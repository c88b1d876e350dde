#include <gtest/gtest.h>

#include "default_rules.h"
#include "trimora.h"

namespace trimora {
namespace {

class BuiltInRulesTest : public testing::Test {
protected:
    class CountingPrompts : public SettingsPrompts {
    public:
        bool ShowCorruptFile(std::string_view, std::string_view) override { return ++shown, true; }
        bool AskNewerVersion(std::string_view, std::string_view) override { return ++shown, false; }
        void OpenWebPage(std::string_view) override {}
        int shown = 0;
    };

    BuiltInRulesTest() : engine("", &prompts) {
        const auto bytes = DefaultRuleBytes();
        report = engine.LoadSettingsFromBytes(bytes.data(), bytes.size());
    }

    // The rule in force after a tag: its own, or the page format's.
    const TagProp& TagRuleOf(const char* tagText, const char* attributes) {
        const TagProp& html = engine.Formats()[1];
        const TagProp* rule = FindTag(html.Children, NormalizeTagName(tagText), attributes);
        return rule != nullptr ? *rule : html;
    }
    std::uint32_t TagFlags(const char* tagText, const char* attributes) { return TagRuleOf(tagText, attributes).Flags; }

    CountingPrompts prompts;
    TTrimora engine;
    SettingsLoadReport report;
};

TEST_F(BuiltInRulesTest, CompiledBytesAreTheTablesEncoded) {
    TTagInfo formats;
    BuildDefaultRuleTree(formats);
    const auto compiled = DefaultRuleBytes();
    EXPECT_EQ(compiled.size(), 11235u);
    EXPECT_EQ(EncodeRuleTree(formats), std::vector<std::uint8_t>(compiled.begin(), compiled.end()));
    EXPECT_EQ(engine.SettingsBytes(), std::vector<std::uint8_t>(compiled.begin(), compiled.end()));
}

TEST_F(BuiltInRulesTest, LoadsFiveFormatsWithTheirTagsAndNoMessage) {
    EXPECT_EQ(prompts.shown, 0);
    EXPECT_FALSE(report.Damaged);
    ASSERT_EQ(engine.Formats().Size(), 5u);
    const TTagInfo& tags = engine.Formats()[1].Children;
    ASSERT_EQ(tags.Size(), 24u);
    std::size_t meta = 0, script = 0;
    for (std::size_t i = 0; i < tags.Size(); ++i) {
        if (tags[i].Name == std::string_view("META")) meta = tags[i].Children.Size();
        if (tags[i].Name == std::string_view("SCRIPT")) script = tags[i].Children.Size();
        for (std::size_t s = 0; s < tags[i].Children.Size(); ++s) {
            const TagProp& sub = tags[i].Children[s];
            EXPECT_EQ(sub.Name.Str(), NormalizeTagName(sub.Pattern.View().substr(0, 10)).Str());
        }
    }
    EXPECT_EQ(meta, 8u);
    EXPECT_EQ(script, 2u);
    for (std::size_t f : {0u, 2u, 3u, 4u}) EXPECT_TRUE(engine.Formats()[f].Children.Empty());
}

TEST_F(BuiltInRulesTest, SelectsFormatsByFileName) {
    EXPECT_EQ(engine.FindFormat("INDEX.HTM"), 1);
    EXPECT_EQ(engine.FindFormat("STYLE.CSS"), 0);
    EXPECT_EQ(engine.FindFormat("DATA.XML"), 4);
    EXPECT_EQ(engine.Rules()->MaxLength(4), 100);
    EXPECT_EQ(engine.FindFormat("README.TXT"), -1);
    EXPECT_EQ(engine.FindFormat("site/app.js"), 2);
    EXPECT_EQ(engine.FindFormat("old.vbs"), 3);
}

TEST_F(BuiltInRulesTest, ScriptSubTagsFollowTheAttributeText) {
    EXPECT_EQ(TagFlags("script ", " language=\"JAVAScript\""), tfJavaScript);
    EXPECT_EQ(TagFlags("script ", " type=\"text/javascript\""), tfJavaScript);
    EXPECT_EQ(TagFlags("script ", " language=\"vbscript\""), tfVBScript);
    EXPECT_EQ(TagFlags("script ", " src=\"a.js\""), tfDoNotCompress);
    EXPECT_EQ(TagFlags("script", ""), tfDoNotCompress);
}

TEST_F(BuiltInRulesTest, TagRulesOfThePage) {
    EXPECT_EQ(TagFlags("strong", ""), tfReplaceTag);
    EXPECT_EQ(TagRuleOf("strong", "").ReplaceWith.Str(), "B");
    EXPECT_EQ(TagFlags("/em", ""), tfReplaceTag);
    EXPECT_EQ(TagRuleOf("/em", "").ReplaceWith.Str(), "I");
    EXPECT_EQ(TagFlags("!DOCTYPE ", " html"), tfRemoveTag | tfRemoveWhitespace);
    EXPECT_EQ(TagFlags("meta ", " charset=utf-8"), tfRemoveTag | tfRemoveWhitespace);
    EXPECT_EQ(TagFlags("pre", ""), tfRemoveWhitespace | tfDoNotCompress);
    EXPECT_EQ(TagFlags("div", ""), tfRemoveQuotes);
}

}  // namespace
}  // namespace trimora
