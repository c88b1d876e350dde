#include "cli_commands.h"

#include <algorithm>
#include <iostream>

namespace trimora::cli {

namespace {
constexpr std::string_view GeneralHelp =
    "Usage: trimora-cli COMMAND [ARGUMENTS]\n"
    "       trimora-cli -h|--help | -V|--version\n"
    "Makes web sites smaller: HTML pages, JavaScript, VBScript and style sheets.\n"
    "\n"
    "Commands:\n";

constexpr std::string_view GeneralHelpEnd =
    "\n"
    "Run 'trimora-cli COMMAND --help' for the options of a command.\n"
    "\n"
    "Options:\n"
    "  -h, --help      show this help\n"
    "  -V, --version   print the version of trimora-cli\n"
    "\n"
    "Examples:\n"
    "  trimora-cli compress -o dist --sync --exclude node_modules/ site/   # a site to deploy\n"
    "  trimora-cli watch -o dist --sync site/                             # keep dist/ up to date\n"
    "  trimora-cli file - --type css < style.css > style.min.css\n";
}  // namespace

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"compress", "compress files, folders and list files, keeping backups", RunCompressCommand},
        {"restore", "put the originals back from their backups", RunRestoreCommand},
        {"remove-backups", "delete the backups of files", RunRemoveBackupsCommand},
        {"sync", "copy what a mirror folder lacks from the site", RunSyncCommand},
        {"watch", "compress into a folder, then again whenever a file changes", RunWatchCommand},
        {"file", "compress one file, or standard input, to a file or standard output", RunFileCommand},
        {"rules", "show, write or convert tag-settings files", RunRulesCommand},
        {"settings", "show, set or reset the stored settings", RunSettingsCommand},
        {"associate", "associate *.lst batch lists with Trimora, or not", RunAssociateCommand},
    };
    return commands;
}

bool IsHelpOption(std::string_view argument) { return argument == "--help" || argument == "-h"; }

int UsageError(std::string_view command, std::string_view message) {
    std::cerr << "trimora-cli";
    if (!command.empty()) std::cerr << ' ' << command;
    std::cerr << ": " << message << "\nTry 'trimora-cli " << command << (command.empty() ? "" : " ")
              << "--help' for more information.\n";
    return ExitUsage;
}

int RunCli(const Arguments& arguments) {
    if (arguments.empty()) return UsageError("", "no command given");
    if (arguments[0] == "-V" || arguments[0] == "--version") {
        std::cout << "trimora-cli " << TRIMORA_VERSION << '\n';
        return ExitOk;
    }
    if (IsHelpOption(arguments[0]) || arguments[0] == "help") {
        std::cout << GeneralHelp;
        for (const Command& command : Commands())
            std::cout << "  " << command.Name << std::string(16 - std::min<std::size_t>(command.Name.size(), 15), ' ')
                      << command.Summary << '\n';
        std::cout << GeneralHelpEnd;
        return ExitOk;
    }
    for (const Command& command : Commands())
        if (arguments[0] == command.Name) return command.Run(Arguments(arguments.begin() + 1, arguments.end()));
    return UsageError("", "unknown command '" + arguments[0] + "'");
}

}  // namespace trimora::cli
