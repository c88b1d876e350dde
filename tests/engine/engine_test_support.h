#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "default_rules.h"
#include "trimora.h"

namespace trimora::test {

struct TestTag {
    std::string Name;
    std::uint32_t Flags = 0;
    std::string ReplaceWith = {};
    std::vector<TestTag> SubTags = {};  // Name holds the pattern
};

// An engine with one format "*.htm;*.html" (and "*.js", "*.css", "*.vbs"
// for whole files) and the given tags.
// wholeFileFlags are added to the flags of "*.js", "*.css" and "*.vbs".
inline TRuleTree MakeTree(std::uint32_t formatFlags, int maxLength, const std::vector<TestTag>& tags,
                          std::uint32_t wholeFileFlags = 0) {
    TRuleTree rules;
    TagRule html;
    html.Name = std::to_string(maxLength);
    html.Flags = formatFlags;
    html.Pattern = "*.htm;*.html";
    TagProp& format = rules.Formats.Add(html);
    const auto addSubTags = [](TagProp& parent, const std::vector<TestTag>& subs, auto& self) -> void {
        for (const TestTag& sub : subs) {
            TagRule fields;
            fields.Name = NormalizeTagName(sub.Name.substr(0, 10)).View();
            fields.Pattern = sub.Name;
            fields.Flags = sub.Flags;
            fields.ReplaceWith = sub.ReplaceWith;
            self(parent.Children.Add(fields), sub.SubTags, self);
        }
    };
    for (const TestTag& tag : tags) {
        TagRule fields;
        fields.Name = NormalizeTagName(tag.Name).View();
        fields.Flags = tag.Flags;
        fields.ReplaceWith = tag.ReplaceWith;
        addSubTags(format.Children.Add(fields), tag.SubTags, addSubTags);
    }
    for (auto [pattern, flags] : {std::pair{"*.js", tfJavaScript}, {"*.css", tfStyleSheet}, {"*.vbs", tfVBScript}}) {
        TagRule whole;
        whole.Name = "0";
        whole.Pattern = pattern;
        whole.Flags = flags | wholeFileFlags;
        rules.Formats.Add(whole);
    }
    return rules;
}

inline void BuildTree(TTrimora& engine, std::uint32_t formatFlags, int maxLength, const std::vector<TestTag>& tags,
                      std::uint32_t wholeFileFlags = 0) {
    engine.SetRules(MakeTree(formatFlags, maxLength, tags, wholeFileFlags));
}

inline void LoadBuiltInRules(TTrimora& engine) {
    const auto bytes = DefaultRuleBytes();
    engine.LoadSettingsFromBytes(bytes.data(), bytes.size());
}

inline std::string CompressText(TTrimora& engine, const std::string& fileName, const std::string& input) {
    std::vector<std::uint8_t> output;
    const auto* data = reinterpret_cast<const std::uint8_t*>(input.data());
    if (!engine.CompressBytes(fileName, {data, input.size()}, output)) return "<no format>";
    return {output.begin(), output.end()};
}

// Shows control bytes so that failures read well.
inline std::string Visible(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else out += static_cast<char>(c);
    }
    return out;
}

}  // namespace trimora::test
