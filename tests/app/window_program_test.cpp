#include <gtest/gtest.h>

#include "app_paths.h"
#include "test_support.h"

namespace trimora::app {
namespace {

// A layout of files under a temporary folder, the program that runs in it,
// and the trimora the association must start.
struct LayoutCase {
    const char* Name;
    std::vector<const char*> Files;
    const char* Program;
    const char* Expected;
    bool InBuildFolder;
    friend void PrintTo(const LayoutCase& c, std::ostream* out) { *out << c.Name; }
};

class WindowProgramOf : public testing::TestWithParam<LayoutCase> {};

TEST_P(WindowProgramOf, IsTheTrimoraOfTheSameBuildOrInstallation) {
    const test::TempDir dir;
    for (const char* file : GetParam().Files) {
        std::filesystem::create_directories(std::filesystem::path(dir / file).parent_path());
        test::WriteText(dir / file, "");
    }
    const WindowProgram found = FindWindowProgram(QString::fromStdString(dir / GetParam().Program));
    EXPECT_EQ(found.Path.toStdString(), dir / GetParam().Expected);
    EXPECT_EQ(found.InBuildFolder, GetParam().InBuildFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, WindowProgramOf,
    testing::Values(
        LayoutCase{"BuildCli", {"build/CMakeCache.txt", "build/cli/trimora-cli", "build/gui/trimora"},
                   "build/cli/trimora-cli", "build/gui/trimora", true},
        LayoutCase{"BuildWindow", {"build/CMakeCache.txt", "build/gui/trimora"}, "build/gui/trimora",
                   "build/gui/trimora", true},
        // A build without the window still names where its trimora would be.
        LayoutCase{"BuildWithoutWindow", {"build/CMakeCache.txt", "build/cli/trimora-cli"}, "build/cli/trimora-cli",
                   "build/gui/trimora", true},
        LayoutCase{"InstalledCli", {"usr/bin/trimora-cli", "usr/bin/trimora"}, "usr/bin/trimora-cli",
                   "usr/bin/trimora", false},
        LayoutCase{"InstalledWindow", {"usr/bin/trimora"}, "usr/bin/trimora", "usr/bin/trimora", false},
        // Installed into a prefix inside a build folder: still installed.
        LayoutCase{"PrefixInsideABuild",
                   {"build/CMakeCache.txt", "build/stage/bin/trimora-cli", "build/stage/bin/trimora"},
                   "build/stage/bin/trimora-cli", "build/stage/bin/trimora", false},
        // A folder named CMakeCache.txt is no build's cache.
        LayoutCase{"NotACache", {"opt/CMakeCache.txt/x", "opt/bin/trimora-cli"}, "opt/bin/trimora-cli",
                   "opt/bin/trimora", false}));

}  // namespace
}  // namespace trimora::app
