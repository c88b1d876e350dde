#pragma once

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "test_support.h"

namespace trimora::test {

// Points HOME, XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR and
// TRIMORA_HOME at fresh folders for one test and puts the old values back.
class IsolatedHome {
public:
    IsolatedHome() {
        Set("HOME", dir_ / "home");
        Set("XDG_DATA_HOME", dir_ / "data");
        Set("XDG_CONFIG_HOME", dir_ / "config");
        Set("TRIMORA_HOME", dir_ / "trimora");
        std::filesystem::create_directories(dir_ / "home");
        std::filesystem::create_directories(dir_ / "runtime");
        ::chmod((dir_ / "runtime").c_str(), 0700);
        Set("XDG_RUNTIME_DIR", dir_ / "runtime");
    }
    ~IsolatedHome() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }
    IsolatedHome(const IsolatedHome&) = delete;
    IsolatedHome& operator=(const IsolatedHome&) = delete;

    // Sets a variable for this test; an empty optional removes it.
    void Set(const std::string& name, const std::optional<std::string>& value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }

    std::string operator/(const std::string& name) const { return dir_ / name; }
    const std::filesystem::path& Path() const { return dir_.Path(); }

private:
    TempDir dir_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Every regular file below a folder: path relative to it → content.
inline std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file())
            files[std::filesystem::relative(it->path(), folder).string()] = ReadText(it->path().string());
    return files;
}

}  // namespace trimora::test
