#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trimora::cli {

// Exit statuses shared by every command.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;

using Arguments = std::vector<std::string>;

struct Command {
    std::string_view Name;
    std::string_view Summary;
    int (*Run)(const Arguments& arguments);  // the arguments after the command's name
};

// Every command of trimora-cli, in the order --help lists them.
const std::vector<Command>& Commands();

// Runs trimora-cli with its arguments (without the program name).
int RunCli(const Arguments& arguments);

// Prints "trimora-cli: message" and the hint to use --help; answers ExitUsage.
int UsageError(std::string_view command, std::string_view message);
bool IsHelpOption(std::string_view argument);

int RunFileCommand(const Arguments& arguments);
int RunRulesCommand(const Arguments& arguments);
int RunSettingsCommand(const Arguments& arguments);
int RunAssociateCommand(const Arguments& arguments);
int RunCompressCommand(const Arguments& arguments);
int RunRestoreCommand(const Arguments& arguments);
int RunRemoveBackupsCommand(const Arguments& arguments);
int RunSyncCommand(const Arguments& arguments);
int RunWatchCommand(const Arguments& arguments);

}  // namespace trimora::cli
