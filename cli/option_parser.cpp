#include "option_parser.h"

namespace trimora::cli {

namespace {

const OptionSpec* FindLong(std::span<const OptionSpec> options, std::string_view name) {
    for (const OptionSpec& option : options)
        if (option.Long == name) return &option;
    return nullptr;
}

const OptionSpec* FindShort(std::span<const OptionSpec> options, char letter) {
    for (const OptionSpec& option : options)
        if (option.Short != 0 && option.Short == letter) return &option;
    return nullptr;
}

}  // namespace

std::optional<std::string> ParseArguments(const Arguments& arguments, std::span<const OptionSpec> options,
                                          ParsedArguments& parsed) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            parsed.Operands.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument[1] == '-') {
            const std::size_t equals = argument.find('=');
            const std::string name = argument.substr(0, equals);
            const OptionSpec* option = FindLong(options, name);
            if (option == nullptr) return "unknown option '" + name + "'";
            ParsedOption given{option->Id, name, {}};
            if (!option->TakesValue) {
                if (equals != std::string::npos) return "option '" + name + "' takes no value";
            } else if (equals != std::string::npos) {
                given.Value = argument.substr(equals + 1);
            } else if (i + 1 < arguments.size()) {
                given.Value = arguments[++i];
            } else {
                return "option '" + name + "' needs a value";
            }
            if (option->TakesValue && given.Value.empty()) return "option '" + name + "' needs a value";
            parsed.Options.push_back(std::move(given));
            continue;
        }
        // Letters run together: each a switch, until one that takes a value
        // takes the rest of the argument or the next one.
        for (std::size_t at = 1; at < argument.size(); ++at) {
            const std::string spelling = std::string("-") + argument[at];
            const OptionSpec* option = FindShort(options, argument[at]);
            if (option == nullptr) return "unknown option '" + spelling + "'";
            ParsedOption given{option->Id, spelling, {}};
            if (option->TakesValue) {
                if (at + 1 < argument.size()) {
                    given.Value = argument.substr(at + 1);
                } else if (i + 1 < arguments.size()) {
                    given.Value = arguments[++i];
                } else {
                    return "option '" + spelling + "' needs a value";
                }
                if (given.Value.empty()) return "option '" + spelling + "' needs a value";
                parsed.Options.push_back(std::move(given));
                break;
            }
            parsed.Options.push_back(std::move(given));
        }
    }
    return std::nullopt;
}

bool AsksForHelp(const Arguments& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--") return false;
        if (IsHelpOption(argument)) return true;
    }
    return false;
}

}  // namespace trimora::cli
