#include <iostream>
#include <sstream>
#include <string>

#include "cli_commands.h"
#include "console_prompts.h"
#include "default_rules.h"
#include "file_io.h"
#include "rules_loading.h"
#include "trimora.h"

namespace trimora::cli {

namespace {

constexpr std::string_view RulesHelp =
    "Usage: trimora-cli rules show [FILE]\n"
    "       trimora-cli rules default OUT\n"
    "       trimora-cli rules convert IN OUT\n"
    "\n"
    "  show [FILE]      print the rule tree of a tag-settings file (the built-in set\n"
    "                   when FILE is not given): formats with their patterns and\n"
    "                   maximum line length, tags, sub tags and their flags; of a\n"
    "                   damaged file, what could be read of it\n"
    "  default OUT      write the built-in rule set to OUT\n"
    "  convert IN OUT   read a tag-settings file of any layout, the newest or one of\n"
    "                   the three older ones, and write it to OUT in the newest layout\n"
    "  -h, --help       show this help\n"
    "\n"
    "Exit status: 0 on success; 1 when a file could not be read or written, was\n"
    "written by a newer version, is no tag-settings file or is damaged (show\n"
    "prints what it could read first; convert writes nothing); 2 on a usage\n"
    "error.\n";

// Bytes of a damaged file may be anything: show them without upsetting a terminal.
std::string Printable(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 127) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

std::string FlagText(std::uint32_t flags) {
    if (flags == 0) return "none";
    std::string text;
    for (const FlagName& flag : FlagNames) {
        if ((flags & flag.Bit) == 0) continue;
        if (!text.empty()) text += ' ';
        text += flag.Name;
        flags &= ~flag.Bit;
    }
    if (flags != 0) {
        char rest[16];
        std::snprintf(rest, sizeof rest, "0x%X", flags);
        if (!text.empty()) text += ' ';
        text += rest;
    }
    return text;
}

// One line a node, indented by level; very deep trees (only damaged files
// have them) say their level instead of indenting further.
void PrintTree(std::ostream& out, const TTagInfo& formats) {
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
        const std::size_t depth = levels.size() - 1;
        const std::size_t index = level.Next++;
        const TagProp& node = (*level.List)[index];
        std::ostringstream line;
        line << std::string(std::min<std::size_t>(depth, 8) * 2, ' ');
        if (depth == 0) {
            line << "format " << index + 1 << ": \"" << Printable(node.Pattern.View()) << "\"  maximum length "
                 << ReadMaxLength(node.Name.View());
            if (node.Name.View() != std::to_string(ReadMaxLength(node.Name.View())))
                line << " (name \"" << Printable(node.Name.View()) << "\")";
        } else {
            if (depth > 8) line << "[level " << depth << "] ";
            line << (depth == 1 ? "tag " : "sub tag ") << Printable(node.Name.View());
            if (!node.Pattern.Empty()) line << "  pattern \"" << Printable(node.Pattern.View()) << '"';
        }
        if (!node.ReplaceWith.Empty()) line << "  replace with " << Printable(node.ReplaceWith.View());
        line << "  flags " << FlagText(node.Flags);
        out << line.str() << '\n';
        levels.push_back({&node.Children, 0});
    }
}

// What could be read of a file that cannot be used is still shown, and the
// exit status says that it cannot be used.
int Show(const Arguments& arguments) {
    if (arguments.size() > 1) return UsageError("rules", "show takes at most one FILE");
    ConsolePrompts prompts;
    TTrimora engine("", &prompts);
    bool usable = true;
    if (arguments.empty()) {
        const auto bytes = DefaultRuleBytes();
        engine.LoadSettingsFromBytes(bytes.data(), bytes.size());
    } else {
        usable = LoadRulesFile(engine, prompts, arguments[0], "rules show");
    }
    PrintTree(std::cout, engine.Formats);
    return usable ? ExitOk : ExitFailed;
}

int WriteDefault(const Arguments& arguments) {
    if (arguments.size() != 1) return UsageError("rules", "default takes exactly one OUT");
    const auto bytes = DefaultRuleBytes();
    std::string error;
    if (!WriteFileReplacing(arguments[0], bytes.data(), bytes.size(), &error)) {
        std::cerr << "trimora-cli rules default: Cannot create file " << arguments[0] << " (" << error << ")\n";
        return ExitFailed;
    }
    return ExitOk;
}

int Convert(const Arguments& arguments) {
    if (arguments.size() != 2) return UsageError("rules", "convert takes IN and OUT");
    ConsolePrompts prompts;
    TTrimora engine("", &prompts);
    if (!LoadRulesFile(engine, prompts, arguments[0], "rules convert")) return ExitFailed;
    const SettingsSaveReport saved = engine.SaveSettings(arguments[1]);
    if (!saved.KeptNewerFile.empty())
        std::cerr << "trimora-cli rules convert: the file of a newer version at " << arguments[1] << " was kept as "
                  << saved.KeptNewerFile << '\n';
    if (!saved.Ok) {
        std::cerr << "trimora-cli rules convert: " << saved.Error << '\n';
        return ExitFailed;
    }
    return ExitOk;
}

}  // namespace

int RunRulesCommand(const Arguments& arguments) {
    if (arguments.empty()) return UsageError("rules", "missing show, default or convert");
    for (const std::string& argument : arguments) {
        if (IsHelpOption(argument)) {
            std::cout << RulesHelp;
            return ExitOk;
        }
    }
    for (std::size_t i = 1; i < arguments.size(); ++i)
        if (arguments[i].size() > 1 && arguments[i][0] == '-')
            return UsageError("rules", "unknown option '" + arguments[i] + "'");
    const Arguments rest(arguments.begin() + 1, arguments.end());
    if (arguments[0] == "show") return Show(rest);
    if (arguments[0] == "default") return WriteDefault(rest);
    if (arguments[0] == "convert") return Convert(rest);
    return UsageError("rules", "unknown rules command '" + arguments[0] + "'");
}

}  // namespace trimora::cli
