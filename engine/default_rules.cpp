#include "default_rules.h"

#include <string_view>

#include "tag_settings_file.h"

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

// The modern set. Whitespace before a tag goes only where a browser does
// not render it (block, table, head and list elements); inline elements keep
// their names and the spaces around them; P, DIV, BODY, HTML and LI get no
// rule (pages that leave formatting elements open, or lay out list items
// inline, would change).
constexpr FormatRow ModernFormats[] = {
    {"*.css", "0", tfStyleSheet | tfKeepLicense | tfStyleComments},
    {"*.html;*.htm", "0", tfRemoveQuotes},
    {"*.js;*.mjs;*.cjs", "0", tfJavaScript | tfKeepLicense},
    {"*.vbs", "0", tfVBScript},
};

struct TagGroup {
    std::string_view Names;  // separated by spaces
    std::uint32_t Flags;
};

constexpr TagGroup ModernHtmlTags[] = {
    {"!DOCTYPE HEAD TITLE BR HR H1 H2 H3 H4 H5 H6 TABLE CAPTION COLGROUP COL THEAD TBODY TFOOT TR TD TH UL OL DL "
     "DT DD BLOCKQUOTE SECTION ARTICLE NAV HEADER FOOTER MAIN ASIDE ADDRESS FIGURE FIGCAPTION FIELDSET LEGEND "
     "DETAILS SUMMARY OPTION OPTGROUP",
     tfRemoveWhitespace},
    // Never removed; in running text (microdata) they keep their space.
    {"META LINK", tfRemoveWhitespace},
    // Verbatim, and no whitespace removed before their closing tags.
    {"PRE TEXTAREA LISTING XMP PLAINTEXT", tfDoNotCompress},
    {"DIV", 0},
    {"SCRIPT", tfJavaScript | tfKeepLicense},
    {"STYLE", tfStyleSheet | tfKeepLicense | tfStyleComments},
};

struct ModernSubTagRow {
    std::string_view Parent;
    std::string_view Pattern;
    std::uint32_t Flags;
};

constexpr std::uint32_t ModernScript = tfJavaScript | tfKeepLicense;

// In matching order under each parent; a sub tag's name is made from its pattern.
constexpr ModernSubTagRow ModernHtmlSubTags[] = {
    {"META", "*itemprop*", 0},
    {"LINK", "*itemprop*", 0},
    // Code listings whose lines are styled "white-space: pre-wrap".
    {"DIV", "*class=?line?*", tfDoNotCompress},
    {"DIV", "*class=line*", tfDoNotCompress},
    // No type, src only and module scripts are compressed; JSON data,
    // import maps, templates, shaders and every other declared type are
    // copied as written.
    {"SCRIPT", "*/javascript*", ModernScript},
    {"SCRIPT", "*/x-javascript*", ModernScript},
    {"SCRIPT", "*ecmascript*", ModernScript},
    {"SCRIPT", "*/jscript*", ModernScript},
    {"SCRIPT", "*type=?module?*", ModernScript},
    {"SCRIPT", "*type=module*", ModernScript},
    {"SCRIPT", "*vbscript*", tfVBScript},
    {"SCRIPT", "*type=*", tfDoNotCompress},
};

void AddFormats(TTagInfo& formats, std::span<const FormatRow> rows) {
    FreeTags(formats);
    for (const FormatRow& row : rows) {
        TagRule fields;
        fields.Name = row.MaxLength;
        fields.Flags = row.Flags;
        fields.Pattern = row.Pattern;
        formats.Add(fields);
    }
}

}  // namespace

void BuildDefaultRuleTree(TTagInfo& formats) {
    AddFormats(formats, Formats);
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

void BuildModernRuleTree(TTagInfo& formats) {
    AddFormats(formats, ModernFormats);
    TTagInfo& tags = formats[HtmlFormat].Children;
    for (const TagGroup& group : ModernHtmlTags) {
        for (std::string_view names = group.Names; !names.empty();) {
            const std::size_t space = names.find(' ');
            TagRule fields;
            fields.Name = names.substr(0, space);
            fields.Flags = group.Flags;
            TagProp& tag = tags.Add(fields);
            for (const ModernSubTagRow& sub : ModernHtmlSubTags) {
                if (sub.Parent != tag.Name.View()) continue;
                TagRule subFields;
                subFields.Name = NormalizeTagName(sub.Pattern.substr(0, NameString::MaxSize)).View();
                subFields.Flags = sub.Flags;
                subFields.Pattern = sub.Pattern;
                tag.Children.Add(subFields);
            }
            tag.ChildCount = static_cast<std::uint16_t>(tag.Children.Size());
            names = space == std::string_view::npos ? std::string_view() : names.substr(space + 1);
        }
    }
    SortTags(tags, 0, static_cast<std::ptrdiff_t>(tags.Size()) - 1);
    formats[HtmlFormat].ChildCount = static_cast<std::uint16_t>(tags.Size());
}

std::optional<BuiltInSet> BuiltInSetNamed(std::string_view name) noexcept {
    if (name == "classic") return BuiltInSet::Classic;
    if (name == "modern") return BuiltInSet::Modern;
    return std::nullopt;
}

std::string_view BuiltInSetName(BuiltInSet set) noexcept { return set == BuiltInSet::Modern ? "modern" : "classic"; }

std::span<const std::uint8_t> BuiltInRuleBytes(BuiltInSet set) {
    if (set == BuiltInSet::Classic) return DefaultRuleBytes();
    static const std::vector<std::uint8_t> modern = [] {
        TTagInfo formats;
        BuildModernRuleTree(formats);
        return EncodeRuleTree(formats);
    }();
    return modern;
}

TSharedRules BuiltInRules(BuiltInSet set) {
    const std::span<const std::uint8_t> bytes = BuiltInRuleBytes(set);
    TRuleTree rules;
    ReadRuleTree(bytes.data(), bytes.size(), rules);
    return ShareRules(std::move(rules));
}

}  // namespace trimora
