#include "rule_text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

namespace trimora {

namespace {

constexpr std::string_view Header = "# Trimora rule tree, text form 1\n";
constexpr std::size_t DeepestIndentedLevel = 8;

void AppendQuoted(std::string& out, std::string_view text) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte > 0x7E) {
            out += "\\x";
            out += Hex[byte >> 4];
            out += Hex[byte & 15];
        } else {
            out += c;
        }
    }
    out += '"';
}

void AppendFlags(std::string& out, std::uint32_t flags) {
    out += " flags";
    if (flags == 0) {
        out += " none";
        return;
    }
    for (const FlagName& flag : FlagNames) {
        if ((flags & flag.Bit) == 0) continue;
        out += ' ';
        out += flag.Name;
        flags &= ~flag.Bit;
    }
    if (flags != 0) {
        char hex[16];
        const auto end = std::to_chars(hex, hex + sizeof hex, flags, 16).ptr;
        out += " 0x";
        out.append(hex, end);
    }
}

// The name a sub tag gets from its pattern.
NameString DerivedSubTagName(const PatternString& pattern) {
    return NameString(NormalizeTagName(pattern.View().substr(0, NameString::MaxSize)).View());
}

void AppendNode(std::string& out, const TagProp& node, std::size_t level) {
    out.append(std::min(level, DeepestIndentedLevel) * 2, ' ');
    if (level == 0) {
        out += "format ";
        AppendQuoted(out, node.Pattern.View());
        const std::int32_t maxLength = ReadMaxLength(node.Name.View());
        if (node.Name.View() == std::to_string(maxLength)) {
            out += " max " + std::to_string(maxLength);
        } else {
            out += " name ";
            AppendQuoted(out, node.Name.View());
        }
    } else if (level == 1) {
        out += "tag ";
        AppendQuoted(out, node.Name.View());
        if (!node.Pattern.Empty()) {
            out += " pattern ";
            AppendQuoted(out, node.Pattern.View());
        }
    } else {
        out += level > DeepestIndentedLevel ? "sub:" + std::to_string(level) + " " : std::string("sub ");
        AppendQuoted(out, node.Pattern.View());
        if (!(node.Name == DerivedSubTagName(node.Pattern))) {
            out += " name ";
            AppendQuoted(out, node.Name.View());
        }
    }
    if (!node.ReplaceWith.Empty()) {
        out += " replace ";
        AppendQuoted(out, node.ReplaceWith.View());
    }
    AppendFlags(out, node.Flags);
    out += '\n';
}

// Reads one line's tokens.
class TLineReader {
public:
    explicit TLineReader(std::string_view line) : line_(line) {}

    std::size_t Indentation() {
        std::size_t spaces = 0;
        while (at_ < line_.size() && line_[at_] == ' ') ++at_, ++spaces;
        return spaces;
    }
    bool AtEnd() {
        SkipSpaces();
        return at_ >= line_.size();
    }
    // A bare word: up to the next space.
    std::string_view Word() {
        SkipSpaces();
        const std::size_t start = at_;
        while (at_ < line_.size() && line_[at_] != ' ') ++at_;
        return line_.substr(start, at_ - start);
    }
    // A quoted text; false with error set when there is none or it is malformed.
    bool Quoted(std::string& text, std::string& error) {
        SkipSpaces();
        text.clear();
        if (at_ >= line_.size() || line_[at_] != '"') return Fail(error, "a text in double quotes is expected");
        for (++at_; at_ < line_.size(); ++at_) {
            const char c = line_[at_];
            if (c == '"') {
                ++at_;
                if (at_ < line_.size() && line_[at_] != ' ') return Fail(error, "a space is expected after the text");
                return true;
            }
            if (c != '\\') {
                text += c;
                continue;
            }
            if (++at_ >= line_.size()) break;
            const char escaped = line_[at_];
            if (escaped == '"' || escaped == '\\') {
                text += escaped;
            } else if (escaped == 'x' && at_ + 2 < line_.size() && HexValue(line_[at_ + 1]) >= 0 &&
                       HexValue(line_[at_ + 2]) >= 0) {
                text += static_cast<char>(HexValue(line_[at_ + 1]) * 16 + HexValue(line_[at_ + 2]));
                at_ += 2;
            } else {
                return Fail(error, "unknown escape in a text: only \\\", \\\\ and \\xHH are known");
            }
        }
        return Fail(error, "a text is not closed by a double quote");
    }

private:
    static int HexValue(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    }
    static bool Fail(std::string& error, std::string_view message) {
        error = message;
        return false;
    }
    void SkipSpaces() {
        while (at_ < line_.size() && line_[at_] == ' ') ++at_;
    }

    std::string_view line_;
    std::size_t at_ = 0;
};

bool ParseFlags(TLineReader& reader, std::uint32_t& flags, std::string& error) {
    flags = 0;
    bool any = false;
    while (!reader.AtEnd()) {
        const std::string_view word = reader.Word();
        any = true;
        if (word == "none") continue;
        bool known = false;
        for (const FlagName& flag : FlagNames) {
            if (word == flag.Name) {
                flags |= flag.Bit;
                known = true;
            }
        }
        if (known) continue;
        std::uint32_t bits = 0;
        if (word.size() > 2 && word.substr(0, 2) == "0x") {
            const auto [end, problem] = std::from_chars(word.data() + 2, word.data() + word.size(), bits, 16);
            if (problem == std::errc() && end == word.data() + word.size()) {
                flags |= bits;
                continue;
            }
        }
        error = "unknown flag '" + std::string(word) + "'";
        return false;
    }
    if (!any) error = "flags needs flag names, none, or bits in hexadecimal";
    return any;
}

template <std::size_t Capacity>
bool Store(ShortString<Capacity>& field, const std::string& text, std::string_view what, std::string& error) {
    if (text.size() > Capacity) {
        error = std::string(what) + " holds at most " + std::to_string(Capacity) + " bytes";
        return false;
    }
    field.Assign(text);
    return true;
}

// One line into a node and its level; false with error set.
bool ParseNode(std::string_view line, TagRule& node, std::size_t& level, std::string& error) {
    TLineReader reader(line);
    const std::size_t indentation = reader.Indentation();
    const std::string_view keyword = reader.Word();
    std::string text;
    if (keyword == "format") {
        level = 0;
    } else if (keyword == "tag") {
        level = 1;
    } else if (keyword == "sub") {
        level = indentation / 2;
        if (indentation % 2 != 0 || level < 2) {
            error = "a sub tag is indented by two spaces a level, at least four";
            return false;
        }
    } else if (keyword.substr(0, 4) == "sub:") {
        const std::string_view number = keyword.substr(4);
        const auto [end, problem] = std::from_chars(number.data(), number.data() + number.size(), level);
        if (problem != std::errc() || end != number.data() + number.size() || level < 2) {
            error = "sub:N needs a level N of 2 or more";
            return false;
        }
    } else {
        error = "format, tag or sub is expected, not '" + std::string(keyword) + "'";
        return false;
    }
    if (!reader.Quoted(text, error)) return false;
    if (level == 1) {
        if (!Store(node.Name, text, "a tag's name", error)) return false;
    } else if (!Store(node.Pattern, text, "a pattern", error)) {
        return false;
    }
    bool named = false;
    std::vector<std::string_view> seen;
    while (!reader.AtEnd()) {
        const std::string_view field = reader.Word();
        for (std::string_view before : seen) {
            if (before == field) {
                error = "'" + std::string(field) + "' is given twice";
                return false;
            }
        }
        seen.push_back(field);
        if (field == "max" && level == 0 && !named) {
            const std::string_view number = reader.Word();
            std::int32_t value = 0;
            const auto [end, problem] = std::from_chars(number.data(), number.data() + number.size(), value);
            if (number.empty() || problem != std::errc() || end != number.data() + number.size()) {
                error = "max needs a whole number";
                return false;
            }
            node.Name = std::to_string(value);
            named = true;
        } else if (field == "name" && level != 1 && !named) {
            if (!reader.Quoted(text, error) || !Store(node.Name, text, "a name", error)) return false;
            named = true;
        } else if (field == "pattern" && level == 1) {
            if (!reader.Quoted(text, error) || !Store(node.Pattern, text, "a pattern", error)) return false;
        } else if (field == "replace") {
            if (!reader.Quoted(text, error) || !Store(node.ReplaceWith, text, "a replacement", error)) return false;
        } else if (field == "flags") {
            if (!ParseFlags(reader, node.Flags, error)) return false;
        } else {
            error = "'" + std::string(field) + "' is not a field of this line";
            return false;
        }
    }
    if (!named) node.Name = level == 0 ? NameString("0") : level >= 2 ? DerivedSubTagName(node.Pattern) : node.Name;
    return true;
}

}  // namespace

std::string RuleTreeText(const TTagInfo& formats) {
    std::string out(Header);
    struct Level {
        const TTagInfo* List;
        std::size_t Next;
    };
    std::vector<Level> levels{{&formats, 0}};
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.Next == level.List->Size()) {
            levels.pop_back();
            continue;
        }
        const TagProp& node = (*level.List)[level.Next++];
        AppendNode(out, node, levels.size() - 1);
        levels.push_back({&node.Children, 0});
    }
    return out;
}

RuleTextResult ReadRuleTreeText(std::string_view text, TRuleTree& rules) {
    RuleTextResult result;
    TRuleTree tree;
    // The list each level's next node goes into; grows with the depth.
    std::vector<TTagInfo*> lists{&tree.Formats};
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t first = line.find_first_not_of(' ');
        if (first == std::string_view::npos || line[first] == '#') continue;

        TagRule node;
        std::size_t level = 0;
        std::string error;
        if (!ParseNode(line, node, level, error)) {
            result = {false, lineNumber, error};
            return result;
        }
        if (level >= lists.size()) {
            result = {false, lineNumber,
                      level == 1 ? "a tag comes before any format"
                                 : "this sub tag has no parent one level up (indent it two spaces deeper than its "
                                   "parent)"};
            return result;
        }
        TagProp& added = lists[level]->Add(node);
        lists.resize(level + 1);
        lists.push_back(&added.Children);
    }
    // Each node's count is the number of its children.
    std::vector<TTagInfo*> pending{&tree.Formats};
    while (!pending.empty()) {
        TTagInfo* list = pending.back();
        pending.pop_back();
        for (std::size_t i = 0; i < list->Size(); ++i) {
            (*list)[i].ChildCount = static_cast<std::uint16_t>(std::min<std::size_t>((*list)[i].Children.Size(), 0xFFFF));
            pending.push_back(&(*list)[i].Children);
        }
    }
    rules = std::move(tree);
    return result;
}

}  // namespace trimora
