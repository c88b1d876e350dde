#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "test_support.h"

namespace trimora::test {

struct CliResult {
    int Status;
    std::string Out;
    std::string Err;
};

// Runs trimora-cli with the arguments, standard input from the text, and
// standard output and error captured in the folder.
inline CliResult RunTrimoraCli(const TempDir& dir, const std::string& arguments, const std::string& input = "") {
    WriteText(dir / ".stdin", input);
    const std::string command = std::string(TRIMORA_CLI_PATH) + " " + arguments + " <" + (dir / ".stdin") + " >" +
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

// Replaces every "DIR/" in a command line with the folder's path.
inline std::string InFolder(const TempDir& dir, std::string arguments) {
    for (std::size_t at; (at = arguments.find("DIR/")) != std::string::npos;) arguments.replace(at, 4, dir / "");
    return arguments;
}

}  // namespace trimora::test
