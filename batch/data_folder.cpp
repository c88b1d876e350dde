#include "data_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "default_rules.h"
#include "file_io.h"
#include "paths.h"

namespace fs = std::filesystem;

namespace trimora {

std::string DataFolder() {
    std::string folder;
    const char* trimoraHome = std::getenv("TRIMORA_HOME");
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (trimoraHome != nullptr && *trimoraHome != '\0') {
        folder = trimoraHome;
    } else if (dataHome != nullptr && IsAbsolutePath(dataHome)) {
        folder = std::string(dataHome) + "/Kestrova/Trimora";
    } else if (home != nullptr && *home != '\0') {
        folder = std::string(home) + "/.local/share/Kestrova/Trimora";
    } else {
        return {};
    }
    folder += PathSeparator;
    NormalizeFolder(folder);
    return folder;
}

std::string EnsureDataFolder(std::string* error) {
    const std::string folder = DataFolder();
    if (folder.empty()) {
        if (error != nullptr) *error = "no data folder: neither TRIMORA_HOME, XDG_DATA_HOME nor HOME is set";
        return {};
    }
    if (!ForceFolders(folder)) {
        if (error != nullptr) *error = "Cannot create the data folder " + folder;
        return {};
    }
    return folder;
}

std::string UserRulesFile(std::string* error) {
    const std::string folder = EnsureDataFolder(error);
    if (folder.empty()) return {};
    const std::string file = folder + RulesFileName;
    std::error_code ec;
    if (fs::exists(file, ec)) return file;
    const auto bytes = DefaultRuleBytes();
    std::string reason;
    if (!WriteFileReplacing(file, bytes.data(), bytes.size(), &reason)) {
        if (error != nullptr) *error = "Cannot create file " + file + " (" + reason + ")";
        return {};
    }
    return file;
}

std::string AutomaticListFile() {
    const std::string folder = DataFolder();
    return folder.empty() ? std::string() : folder + AutomaticListName;
}

}  // namespace trimora
