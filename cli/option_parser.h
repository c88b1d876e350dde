#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli_commands.h"

namespace trimora::cli {

// One option a command takes: its long name ("--out"), its short letter
// ('o', or 0 for none) and whether a value follows it.
struct OptionSpec {
    int Id;
    std::string_view Long;
    char Short;
    bool TakesValue;
};

struct ParsedOption {
    int Id;
    std::string Spelling;  // as given, for messages: "-o" or "--out"
    std::string Value;
};

struct ParsedArguments {
    std::vector<ParsedOption> Options;  // in the order given
    std::vector<std::string> Operands;
};

// Reads the arguments as command-line programs do: "--name value",
// "--name=value", "-x value", "-xvalue", letters run together ("-qn"),
// options and operands in any order, "--" ending the options and "-" alone
// an operand. Answers an error message, or nothing when the arguments fit.
std::optional<std::string> ParseArguments(const Arguments& arguments, std::span<const OptionSpec> options,
                                          ParsedArguments& parsed);

// True when -h or --help comes before any "--".
bool AsksForHelp(const Arguments& arguments);

}  // namespace trimora::cli
