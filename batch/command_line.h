#pragma once

#include <string>
#include <vector>

namespace trimora {

class TFileList;

// What the program's parameters ask for when the main window first shows:
// any parameter minimises the window for the while; "/c" (any case, anywhere)
// runs the compress run on the loaded lists and then ends the program; every
// parameter naming an existing file is a list to load, in order.
struct TCommandLineRun {
    bool Minimise = false;
    bool BatchMode = false;
    std::vector<std::string> ListFiles;
};

TCommandLineRun ReadCommandLine(const std::vector<std::string>& parameters);

// Loads the lists as user loads; answers BatchMode.
bool LoadCommandLineLists(TFileList& list, const TCommandLineRun& run);

}  // namespace trimora
