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

// Replaces every "DIR/" in a command line with the folder's path.
inline std::string InFolder(const TempDir& dir, std::string arguments) {
    for (std::size_t at; (at = arguments.find("DIR/")) != std::string::npos;) arguments.replace(at, 4, dir / "");
    return arguments;
}

}  // namespace trimora::test
