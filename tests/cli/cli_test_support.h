#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "default_rules.h"
#include "test_support.h"
#include "trimora.h"

namespace trimora::test {

struct CliResult {
    int Status;
    std::string Out;
    std::string Err;
};

// Runs trimora-cli with the arguments, standard input from the text, and
// standard output and error captured in the folder. A run that takes longer
// than the time limit is stopped and answers status 124. environment is
// NAME=VALUE settings (quoted as the shell wants them) for this run only.
inline CliResult RunTrimoraCli(const TempDir& dir, const std::string& arguments, const std::string& input = "",
                               int timeLimitSeconds = 120, const std::string& environment = "") {
    WriteText(dir / ".stdin", input);
    const std::string command = "env " + environment + " timeout -k 5 " + std::to_string(timeLimitSeconds) + " " +
                                std::string(TRIMORA_CLI_PATH) + " " + arguments + " <" + (dir / ".stdin") + " >" +
                                (dir / ".stdout") + " 2>" + (dir / ".stderr");
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(dir / ".stdout"), ReadText(dir / ".stderr")};
}

// Runs trimora-cli in the folder (its current folder) with HOME, the XDG
// folders and TRIMORA_HOME inside it: home/, home/.local/share, home/.config
// and data/.
inline CliResult RunCliIn(const TempDir& dir, const std::string& arguments) {
    const std::string out = dir / ".stdout", err = dir / ".stderr";
    const std::string command = "cd '" + dir.Path().string() + "' && HOME='" + (dir / "home") +
                                "' XDG_DATA_HOME='" + (dir / "home/.local/share") + "' XDG_CONFIG_HOME='" +
                                (dir / "home/.config") + "' TRIMORA_HOME='" + (dir / "data") + "' " +
                                TRIMORA_CLI_PATH + " " + arguments + " </dev/null >" + out + " 2>" + err;
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
}

// Starts trimora-cli in the folder with its own home there, as RunCliIn
// does; standard output and error go to the files named (nowhere when
// empty).
inline pid_t StartCliIn(const TempDir& dir, std::vector<std::string> arguments, const std::string& out = {},
                        const std::string& err = {}) {
    const pid_t child = ::fork();
    if (child != 0) return child;
    if (::chdir(dir.Path().c_str()) != 0) ::_exit(127);
    ::setenv("HOME", (dir / "home").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir / "home/.local/share").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir / "home/.config").c_str(), 1);
    ::setenv("TRIMORA_HOME", (dir / "data").c_str(), 1);
    const auto redirect = [](const std::string& path, int fd) {
        const int file = ::open(path.empty() ? "/dev/null" : path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(file, fd);
    };
    redirect(out, 1);
    redirect(err, 2);
    std::vector<char*> argv{const_cast<char*>(TRIMORA_CLI_PATH)};
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::execv(TRIMORA_CLI_PATH, argv.data());
    ::_exit(127);
}

// What the built-in rules make of a text under the given name.
inline std::string BuiltInCompressed(const std::string& name, const std::string& text) {
    TTrimora engine("");
    const auto rules = DefaultRuleBytes();
    engine.LoadSettingsFromBytes(rules.data(), rules.size());
    std::vector<std::uint8_t> output;
    engine.CompressBytes(name, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), output);
    return std::string(output.begin(), output.end());
}

// Replaces every "DIR/" in a command line with the folder's path.
inline std::string InFolder(const TempDir& dir, std::string arguments) {
    for (std::size_t at; (at = arguments.find("DIR/")) != std::string::npos;) arguments.replace(at, 4, dir / "");
    return arguments;
}

}  // namespace trimora::test
