#include <algorithm>
#include <cstdio>
#include <iostream>
#include <span>
#include <string>
#include <vector>

#include "cli_commands.h"
#include "console_prompts.h"
#include "file_checks.h"
#include "file_io.h"
#include "option_parser.h"
#include "rules_argument.h"
#include "trimora.h"

namespace trimora::cli {

namespace {

constexpr std::string_view FileHelp =
    "Usage: trimora-cli file IN [-o OUT] [--rules RULES] [--name NAME | --type TYPE]\n"
    "\n"
    "Compresses one file. The file's name chooses its format (HTML, JavaScript,\n"
    "VBScript, style sheet ...) from the rule tree.\n"
    "\n"
    "  IN                  the file to compress; - reads standard input (then\n"
    "                      --name or --type is needed)\n"
    "  -o, --out OUT       where to write the result (replaced whole or not at\n"
    "                      all); standard output when absent or -\n"
    "      --rules RULES   the tag-settings file to use, or classic or modern for\n"
    "                      a built-in set (default: classic); a file that cannot\n"
    "                      be read, is no tag-settings file or is damaged is\n"
    "                      refused\n"
    "      --name NAME     the file name that selects the format\n"
    "      --type TYPE     the format by its kind: html, css, js or vbs\n"
    "  -h, --help          show this help\n"
    "\n"
    "Exit status: 0 on success, 1 when the file cannot be read or is not a regular\n"
    "file (a folder, a device, a pipe), no format matches its name, the rules\n"
    "cannot be used or the result cannot be written, 2 on a usage error.\n"
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

bool WriteStandardOutput(const TByteBuffer& data) {
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

    ConsolePrompts prompts(RulesMessagePrefix("file", rules));
    TRuleTree tree;
    if (!ReadRulesArgument(rules.empty() ? std::string("classic") : rules, "file", tree, &prompts,
                           RulesReading::AsLoaded))
        return ExitFailed;
    TTrimora engine(ShareRules(std::move(tree)));

    // A file is read straight into the buffer the pass reads, and the result
    // is written from the buffer the pass built it in.
    std::vector<std::uint8_t> piped;
    TByteBuffer read, output;
    std::span<const std::uint8_t> input;
    if (in == "-") {
        if (!ReadStandardInput(piped)) {
            std::cerr << "trimora-cli file: cannot read standard input\n";
            return ExitFailed;
        }
        input = piped;
    } else {
        switch (ReadWholeFile(in, read)) {
            case ReadResult::Ok:
                break;
            case ReadResult::NotRegular:
                // A folder, a device or a pipe: reading it could block or never end.
                std::cerr << "trimora-cli file: " << in << " is not a regular file; nothing was read\n";
                return ExitFailed;
            default:
                std::cerr << "trimora-cli file: " << CannotOpenFileText(in) << '\n';
                return ExitFailed;
        }
        input = read.Bytes();
    }
    if (const CompressResult result = engine.CompressBytes(name, input, output); !result) {
        std::cerr << "trimora-cli file: " << result.Detail << '\n';
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
