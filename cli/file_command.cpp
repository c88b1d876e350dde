#include <cstdio>
#include <iostream>
#include <span>
#include <string>
#include <vector>

#include "cli_commands.h"
#include "console_prompts.h"
#include "file_io.h"
#include "rules_argument.h"
#include "trimora.h"

namespace trimora::cli {

namespace {

constexpr std::string_view FileHelp =
    "Usage: trimora-cli file IN [-o OUT] [--rules RULES] [--name NAME]\n"
    "\n"
    "Compresses one file. The file's name chooses its format (HTML, JavaScript,\n"
    "VBScript, style sheet ...) from the rule tree.\n"
    "\n"
    "  IN            the file to compress; - reads standard input (then --name is needed)\n"
    "  -o OUT        where to write the result; standard output when absent or -\n"
    "  --rules RULES the tag-settings file to use, or classic or modern for a\n"
    "                built-in set (default: classic)\n"
    "  --name NAME   the file name that selects the format (for standard input)\n"
    "\n"
    "Exit status: 0 on success, 1 when the file cannot be read or is not a regular\n"
    "file (a folder, a device, a pipe), no format matches its name, or the result\n"
    "cannot be written, 2 on a usage error.\n";

bool WriteStandardOutput(const TByteBuffer& data) {
    return std::fwrite(data.data(), 1, data.size(), stdout) == data.size() && std::fflush(stdout) == 0;
}

}  // namespace

int RunFileCommand(const Arguments& arguments) {
    std::string in, out = "-", rules, name;
    bool haveIn = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (IsHelpOption(argument)) {
            std::cout << FileHelp;
            return ExitOk;
        }
        const auto value = [&](std::string& target) {
            if (i + 1 >= arguments.size()) return false;
            target = arguments[++i];
            return true;
        };
        if (argument == "-o" || argument == "--output") {
            if (!value(out)) return UsageError("file", "-o needs a file name");
        } else if (argument == "--rules") {
            if (!value(rules)) return UsageError("file", "--rules needs a file name, classic or modern");
        } else if (argument == "--name") {
            if (!value(name)) return UsageError("file", "--name needs a file name");
        } else if (argument.size() > 1 && argument[0] == '-') {
            return UsageError("file", "unknown option '" + argument + "'");
        } else if (haveIn) {
            return UsageError("file", "only one IN can be given");
        } else {
            in = argument;
            haveIn = true;
        }
    }
    if (!haveIn) return UsageError("file", "missing IN");
    if (in == "-" && name.empty()) return UsageError("file", "standard input needs --name NAME to choose the format");
    if (name.empty()) name = in;

    ConsolePrompts prompts;
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
                std::cerr << "trimora-cli file: Cannot open file " << in << '\n';
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
