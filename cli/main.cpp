#include "cli_commands.h"

int main(int argc, char** argv) {
    return trimora::cli::RunCli(trimora::cli::Arguments(argv + 1, argv + argc));
}
