#include "command_line.h"

#include <filesystem>
#include <system_error>

#include "file_list.h"

namespace trimora {

TCommandLineRun ReadCommandLine(const std::vector<std::string>& parameters) {
    TCommandLineRun run;
    run.Minimise = !parameters.empty();
    for (const std::string& parameter : parameters) {
        if (parameter == "/c" || parameter == "/C") {
            run.BatchMode = true;
            continue;
        }
        std::error_code ec;
        if (std::filesystem::is_regular_file(parameter, ec)) run.ListFiles.push_back(parameter);
    }
    return run;
}

bool LoadCommandLineLists(TFileList& list, const TCommandLineRun& run) {
    for (const std::string& file : run.ListFiles) list.LoadList(file, true);
    return run.BatchMode;
}

}  // namespace trimora
