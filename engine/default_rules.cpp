#include "default_rules.h"

#include <string_view>

namespace trimora {

namespace {

struct FormatRow {
    std::string_view Pattern;
    std::string_view MaxLength;
    std::uint32_t Flags;
};

struct TagRow {
    std::string_view Name;
    std::uint32_t Flags;
    std::string_view ReplaceWith;
};

struct SubTagRow {
    std::string_view Parent;
    std::string_view Pattern;
    std::string_view Name;
    std::uint32_t Flags;
};

constexpr std::size_t HtmlFormat = 1;

// Stored order is matching priority.
constexpr FormatRow Formats[] = {
    {"*.css", "0", tfStyleSheet},
    {"*.html;*.htm", "0", tfRemoveQuotes},
    {"*.js", "0", tfJavaScript},
    {"*.vbs", "0", tfVBScript},
    {"*.xml", "100", 0},
};

// Sorted by name, as FindTag requires.
constexpr TagRow HtmlTags[] = {
    {"!DOCTYPE", tfRemoveTag | tfRemoveWhitespace, ""},
    {"BODY", tfRemoveWhitespace, ""},
    {"BR", tfRemoveWhitespace, ""},
    {"CODE", tfRemoveWhitespace, ""},
    {"EM", tfReplaceTag, "I"},
    {"H1", tfRemoveWhitespace, ""},
    {"H2", tfRemoveWhitespace, ""},
    {"H3", tfRemoveWhitespace, ""},
    {"H4", tfRemoveWhitespace, ""},
    {"H5", tfRemoveWhitespace, ""},
    {"H6", tfRemoveWhitespace, ""},
    {"HEAD", tfRemoveWhitespace, ""},
    {"HTML", tfRemoveWhitespace, ""},
    {"LI", tfRemoveWhitespace, ""},
    {"META", tfRemoveTag | tfRemoveWhitespace, ""},
    {"P", tfRemoveWhitespace, ""},
    {"PRE", tfRemoveWhitespace | tfDoNotCompress, ""},
    {"SCRIPT", tfDoNotCompress, ""},
    {"STRONG", tfReplaceTag, "B"},
    {"STYLE", tfStyleSheet, ""},
    {"TD", tfRemoveWhitespace, ""},
    {"TITLE", tfRemoveWhitespace, ""},
    {"TR", tfRemoveWhitespace, ""},
    {"UL", tfRemoveWhitespace, ""},
};

// A sub tag's name is the first ten characters of its pattern, upper-cased.
constexpr SubTagRow HtmlSubTags[] = {
    {"META", "*author*", "*AUTHOR*", tfRemoveTag | tfRemoveWhitespace},
    {"META", "*classification*", "*CLASSIFIC", tfRemoveTag | tfRemoveWhitespace},
    {"META", "*distribution*", "*DISTRIBUT", tfRemoveTag | tfRemoveWhitespace},
    {"META", "*generator*", "*GENERATOR", tfRemoveTag | tfRemoveWhitespace},
    {"META", "*hisc-generator*", "*HISC-GENE", tfRemoveTag | tfRemoveWhitespace},
    {"META", "*http-equiv*", "*HTTP-EQUI", tfRemoveTag | tfRemoveWhitespace},
    {"META", "*JavaScript*", "*JAVASCRIP", tfRemoveTag | tfRemoveWhitespace},
    {"META", "*ProgId*", "*PROGID*", tfRemoveTag | tfRemoveWhitespace},
    {"SCRIPT", "*javascript*", "*JAVASCRIP", tfJavaScript},
    {"SCRIPT", "*vb*", "*VB*", tfVBScript},
};

}  // namespace

void BuildDefaultRuleTree(TTagInfo& formats) {
    FreeTags(formats);
    for (const FormatRow& row : Formats) {
        TagRule fields;
        fields.Name = row.MaxLength;
        fields.Flags = row.Flags;
        fields.Pattern = row.Pattern;
        formats.Add(fields);
    }
    TTagInfo& tags = formats[HtmlFormat].Children;
    for (const TagRow& row : HtmlTags) {
        TagRule fields;
        fields.Name = row.Name;
        fields.Flags = row.Flags;
        fields.ReplaceWith = row.ReplaceWith;
        TagProp& tag = tags.Add(fields);
        for (const SubTagRow& sub : HtmlSubTags) {
            if (sub.Parent != row.Name) continue;
            TagRule subFields;
            subFields.Name = sub.Name;
            subFields.Flags = sub.Flags;
            subFields.Pattern = sub.Pattern;
            tag.Children.Add(subFields);
        }
        tag.ChildCount = static_cast<std::uint16_t>(tag.Children.Size());
    }
    formats[HtmlFormat].ChildCount = static_cast<std::uint16_t>(tags.Size());
}

}  // namespace trimora
