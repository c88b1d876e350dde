#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli_commands.h"
#include "console_prompts.h"
#include "default_rules.h"
#include "file_checks.h"
#include "file_io.h"
#include "option_parser.h"
#include "rules_loading.h"
#include "trimora.h"

namespace trimora::cli {

namespace {

constexpr std::string_view FileHelp =
    "Usage: trimora-cli file IN [-o OUT] [--rules FILE] [--name NAME | --type TYPE]\n"
    "\n"
    "Compresses one file. The file's name chooses its format (HTML, JavaScript,\n"
    "VBScript, style sheet ...) from the rule tree.\n"
    "\n"
    "  IN                  the file to compress; - reads standard input (then\n"
    "                      --name or --type is needed)\n"
    "  -o, --out OUT       where to write the result (replaced whole or not at\n"
    "                      all); standard output when absent or -\n"
    "      --rules FILE    the tag-settings file to use instead of the built-in\n"
    "                      rules; one that cannot be read, is no tag-settings file\n"
    "                      or is damaged is refused\n"
    "      --name NAME     the file name that selects the format\n"
    "      --type TYPE     the format by its kind: html, css, js or vbs\n"
    "  -h, --help          show this help\n"
    "\n"
    "Exit status: 0 on success, 1 when the file cannot be read, no format matches\n"
    "its name, the rules cannot be used or the result cannot be written, 2 on a\n"
    "usage error.\n"
    "\n"
    "Example:\n"
    "  trimora-cli file - --type css < style.css > style.min.css\n";

// The name that --type stands for: its extension picks the format.
constexpr struct {
    std::string_view Type;
    std::string_view Name;
} TypeNames[] = {{"html", "standard-input.html"},
                 {"css", "standard-input.css"},
                 {"js", "standard-input.js"},
                 {"vbs", "standard-input.vbs"}};

enum FileOption { FileOut, FileOutput, FileRules, FileName, FileType };
constexpr OptionSpec FileOptions[] = {
    {FileOut, "--out", 'o', true},
    {FileOutput, "--output", 0, true},
    {FileRules, "--rules", 0, true},
    {FileName, "--name", 0, true},
    {FileType, "--type", 0, true},
};

bool ReadStandardInput(std::vector<std::uint8_t>& data) {
    data.clear();
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, stdin);
        data.insert(data.end(), chunk, chunk + got);
        if (got < sizeof chunk) return std::ferror(stdin) == 0;
    }
}

bool WriteStandardOutput(const std::vector<std::uint8_t>& data) {
    return std::fwrite(data.data(), 1, data.size(), stdout) == data.size() && std::fflush(stdout) == 0;
}

}  // namespace

int RunFileCommand(const Arguments& arguments) {
    if (AsksForHelp(arguments)) {
        std::cout << FileHelp;
        return ExitOk;
    }
    ParsedArguments parsed;
    if (const auto error = ParseArguments(arguments, FileOptions, parsed)) return UsageError("file", *error);
    std::string out = "-", rules, name, type;
    for (const ParsedOption& option : parsed.Options) {
        switch (option.Id) {
            case FileOut:
            case FileOutput: out = option.Value; break;
            case FileRules: rules = option.Value; break;
            case FileName: name = option.Value; break;
            case FileType: type = option.Value; break;
        }
    }
    if (!type.empty()) {
        const auto found = std::find_if(std::begin(TypeNames), std::end(TypeNames),
                                        [&](const auto& known) { return known.Type == type; });
        if (found == std::end(TypeNames)) return UsageError("file", "--type takes html, css, js or vbs");
        if (!name.empty()) return UsageError("file", "give --name or --type, not both");
        name = found->Name;
    }
    if (parsed.Operands.empty()) return UsageError("file", "missing IN");
    if (parsed.Operands.size() > 1) return UsageError("file", "only one IN can be given");
    const std::string& in = parsed.Operands[0];
    if (in == "-" && name.empty())
        return UsageError("file", "standard input needs --name NAME or --type TYPE to choose the format");
    if (name.empty()) name = in;

    ConsolePrompts prompts;
    TTrimora engine("", &prompts);
    if (rules.empty()) {
        const auto bytes = DefaultRuleBytes();
        engine.LoadSettingsFromBytes(bytes.data(), bytes.size());
    } else if (!LoadRulesFile(engine, prompts, rules, "file")) {
        return ExitFailed;
    }

    std::vector<std::uint8_t> input, output;
    if (in == "-") {
        if (!ReadStandardInput(input)) {
            std::cerr << "trimora-cli file: cannot read standard input\n";
            return ExitFailed;
        }
    } else if (ReadWholeFile(in, input) != ReadResult::Ok) {
        std::cerr << "trimora-cli file: " << CannotOpenFileText(in) << '\n';
        return ExitFailed;
    }
    if (!engine.CompressBytes(name, input, output)) {
        std::cerr << "trimora-cli file: " << engine.LastFailureText() << '\n';
        return ExitFailed;
    }
    if (out == "-") {
        if (!WriteStandardOutput(output)) {
            std::cerr << "trimora-cli file: cannot write standard output\n";
            return ExitFailed;
        }
    } else if (std::string error; !WriteFileReplacing(out, output.data(), output.size(), &error)) {
        std::cerr << "trimora-cli file: Cannot create file " << out << " (" << error << ")\n";
        return ExitFailed;
    }
    return ExitOk;
}

}  // namespace trimora::cli
