#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli_commands.h"
#include "cli_settings.h"
#include "console_prompts.h"
#include "data_folder.h"
#include "default_rules.h"
#include "file_io.h"
#include "rule_text.h"
#include "rules_argument.h"
#include "settings_store.h"
#include "tag_settings_file.h"

namespace trimora::cli {

namespace {

constexpr std::string_view RulesHelp =
    "Usage: trimora-cli rules show [RULES]\n"
    "       trimora-cli rules default [--classic | --modern] OUT\n"
    "       trimora-cli rules use classic | modern\n"
    "       trimora-cli rules convert RULES OUT\n"
    "       trimora-cli rules import TEXT OUT\n"
    "\n"
    "RULES is a tag-settings file, or classic or modern for a built-in set (a file\n"
    "of either name is given as ./classic or ./modern).\n"
    "\n"
    "  show [RULES]     print a rule tree as text, one node a line (the classic set\n"
    "                   when RULES is not given); import reads the text back into\n"
    "                   exactly that tree\n"
    "  default OUT      write a built-in set to OUT: the classic one (11235 bytes),\n"
    "                   or with --modern the one for HTML5 pages\n"
    "  use SET          make a built-in set the rules of the batch commands and the\n"
    "                   window: writes it to trimora.nti in the data folder; an\n"
    "                   edited file there is kept as trimora.nti.bak\n"
    "  convert RULES OUT  read a tag-settings file of any layout and write it to OUT\n"
    "                   in the newest\n"
    "  import TEXT OUT  read a rule tree written as show prints it (- for standard\n"
    "                   input) and write it to OUT as a tag-settings file\n"
    "\n"
    "The text form: a line a node, \"format\", \"tag\" or \"sub\" and a text in double\n"
    "quotes (a format's patterns, a tag's name, a sub tag's pattern), then the\n"
    "fields max N or name TEXT, pattern TEXT, replace TEXT, and last flags with\n"
    "flag names, none, or bits in hexadecimal. A sub tag is indented two spaces a\n"
    "level; past level 8 it is written sub:N. In texts, \\\", \\\\ and \\xHH stand for\n"
    "a quote, a backslash and any byte; lines starting with # are comments.\n"
    "\n"
    "Exit status: 0 on success; 1 when a file was refused (written by a newer\n"
    "version, no tag-settings file at all, damaged, or a text that does not read)\n"
    "or could not be read or written (show prints what it could read of a\n"
    "damaged file first; convert writes nothing); 2 on a usage error.\n";

// What could be read of a file that cannot serve as rules is still shown,
// and the exit status says that it cannot.
int Show(const Arguments& arguments) {
    if (arguments.size() > 1) return UsageError("rules", "show takes at most one RULES");
    const std::string argument = arguments.empty() ? std::string("classic") : arguments[0];
    ConsolePrompts prompts(RulesMessagePrefix("rules show", argument));
    TRuleTree rules;
    bool readButRefused = false;
    const bool usable =
        ReadRulesArgument(argument, "rules show", rules, &prompts, RulesReading::AsStored, {}, &readButRefused);
    if (!usable && !readButRefused) return ExitFailed;
    std::cout << RuleTreeText(rules.Formats);
    return usable ? ExitOk : ExitFailed;
}

bool Write(std::string_view command, const std::string& path, std::span<const std::uint8_t> bytes) {
    std::string error;
    if (WriteFileReplacing(path, bytes.data(), bytes.size(), &error)) return true;
    std::cerr << "trimora-cli " << command << ": Cannot create file " << path << " (" << error << ")\n";
    return false;
}

int WriteDefault(const Arguments& arguments) {
    BuiltInSet set = BuiltInSet::Classic;
    Arguments files;
    for (const std::string& argument : arguments) {
        if (argument == "--modern")
            set = BuiltInSet::Modern;
        else if (argument == "--classic")
            set = BuiltInSet::Classic;
        else
            files.push_back(argument);
    }
    if (files.size() != 1) return UsageError("rules", "default takes exactly one OUT");
    return Write("rules default", files[0], BuiltInRuleBytes(set)) ? ExitOk : ExitFailed;
}

bool SameBytes(const std::vector<std::uint8_t>& bytes, std::span<const std::uint8_t> other) {
    return std::equal(bytes.begin(), bytes.end(), other.begin(), other.end());
}

int Use(const Arguments& arguments) {
    if (arguments.size() != 1 || !BuiltInSetNamed(arguments[0]))
        return UsageError("rules", "use takes classic or modern");
    const BuiltInSet set = *BuiltInSetNamed(arguments[0]);
    // A first use writes the classic set: it has to come before, not after.
    app::SettingsStore store;
    PrepareSettings(store, "rules use");
    std::string error;
    const std::string folder = EnsureDataFolder(&error);
    if (folder.empty()) {
        std::cerr << "trimora-cli rules use: " << error << '\n';
        return ExitFailed;
    }
    const std::string target = folder + RulesFileName;
    std::vector<std::uint8_t> existing;
    switch (ReadWholeFile(target, existing)) {
        case ReadResult::Ok:
        case ReadResult::Missing:
            break;
        default:
            std::cerr << "trimora-cli rules use: " << target << " is not a file that can be read; nothing was changed\n";
            return ExitFailed;
    }
    // A file that is neither built-in set was edited: it is kept.
    if (!existing.empty() && !SameBytes(existing, BuiltInRuleBytes(BuiltInSet::Classic)) &&
        !SameBytes(existing, BuiltInRuleBytes(BuiltInSet::Modern))) {
        const std::string kept = target + ".bak";
        if (!Write("rules use", kept, existing)) {
            std::cerr << "trimora-cli rules use: the edited " << target << " was left as it was\n";
            return ExitFailed;
        }
        std::cerr << "trimora-cli rules use: the tag settings there before are kept as " << kept << '\n';
    }
    if (!Write("rules use", target, BuiltInRuleBytes(set))) return ExitFailed;
    std::cerr << "trimora-cli rules use: " << target << " now holds the " << BuiltInSetName(set) << " rules\n";
    return ExitOk;
}

int Convert(const Arguments& arguments) {
    if (arguments.size() != 2) return UsageError("rules", "convert takes RULES and OUT");
    ConsolePrompts prompts(RulesMessagePrefix("rules convert", arguments[0]));
    TRuleTree rules;
    if (!ReadRulesArgument(arguments[0], "rules convert", rules, &prompts, RulesReading::AsLoaded)) return ExitFailed;
    const SettingsSaveReport saved = WriteRuleTreeFile(rules, arguments[1]);
    if (!saved.KeptNewerFile.empty())
        std::cerr << "trimora-cli rules convert: the file of a newer version at " << arguments[1] << " was kept as "
                  << saved.KeptNewerFile << '\n';
    if (!saved.Ok) {
        std::cerr << "trimora-cli rules convert: " << saved.Error << '\n';
        return ExitFailed;
    }
    return ExitOk;
}

int Import(const Arguments& arguments) {
    if (arguments.size() != 2) return UsageError("rules", "import takes TEXT and OUT");
    std::vector<std::uint8_t> bytes;
    const std::string& source = arguments[0];
    if (source == "-") {
        if (!ReadStandardInput(bytes)) {
            std::cerr << "trimora-cli rules import: cannot read standard input\n";
            return ExitFailed;
        }
    } else if (const ReadResult read = ReadWholeFile(source, bytes); read != ReadResult::Ok) {
        std::cerr << "trimora-cli rules import: "
                  << (read == ReadResult::Missing      ? source + ": no such file"
                      : read == ReadResult::NotRegular ? source + " is not a regular file; nothing was read"
                                                       : "Cannot open file " + source)
                  << '\n';
        return ExitFailed;
    }
    TRuleTree rules;
    const RuleTextResult result =
        ReadRuleTreeText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), rules);
    if (!result.Ok) {
        std::cerr << "trimora-cli rules import: " << (source == "-" ? "standard input" : source) << ":" << result.Line
                  << ": " << result.Error << "; nothing was written\n";
        return ExitFailed;
    }
    const SettingsSaveReport saved = WriteRuleTreeFile(rules, arguments[1]);
    if (!saved.Ok) {
        std::cerr << "trimora-cli rules import: " << saved.Error << '\n';
        return ExitFailed;
    }
    return ExitOk;
}

}  // namespace

int RunRulesCommand(const Arguments& arguments) {
    if (arguments.empty()) return UsageError("rules", "missing show, default, use, convert or import");
    for (const std::string& argument : arguments) {
        if (IsHelpOption(argument)) {
            std::cout << RulesHelp;
            return ExitOk;
        }
    }
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool setOption = arguments[0] == "default" && (argument == "--modern" || argument == "--classic");
        if (argument.size() > 1 && argument[0] == '-' && !setOption)
            return UsageError("rules", "unknown option '" + argument + "'");
    }
    const Arguments rest(arguments.begin() + 1, arguments.end());
    if (arguments[0] == "show") return Show(rest);
    if (arguments[0] == "default") return WriteDefault(rest);
    if (arguments[0] == "use") return Use(rest);
    if (arguments[0] == "convert") return Convert(rest);
    if (arguments[0] == "import") return Import(rest);
    return UsageError("rules", "unknown rules command '" + arguments[0] + "'");
}

}  // namespace trimora::cli
