// ./dev.sh run builds what its main job needs and nothing more: a copy of
// the script runs with stand-ins for cmake, dpkg-query and trimora-cli that
// note how they were called.

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "test_support.h"

namespace trimora {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

void Tool(const TempDir& dir, const std::string& relative, const std::string& body) {
    const std::string path = dir / relative;
    fs::create_directories(fs::path(path).parent_path());
    test::WriteText(path, "#!/bin/sh\n" + body);
    fs::permissions(path, fs::perms::owner_all);
}

std::string RunDevScript(const TempDir& dir, const std::string& job) {
    fs::create_directories(dir / "repo");
    fs::copy_file(TRIMORA_DEV_SCRIPT, dir / "repo/dev.sh");
    Tool(dir, "bin/cmake", "echo \"cmake $*\" >> \"" + (dir / "calls.log") + "\"\n");
    Tool(dir, "bin/dpkg-query", "echo 'install ok installed'\n");
    Tool(dir, "repo/build/cli/trimora-cli", "echo \"trimora-cli $*\" >> \"" + (dir / "calls.log") + "\"\n");
    const std::string command = "cd '" + (dir / "repo") + "' && PATH='" + (dir / "bin") + ":/usr/bin:/bin' TMPDIR='" +
                                (dir / "tmp") + "' bash ./dev.sh " + job + " >/dev/null 2>&1";
    fs::create_directories(dir / "tmp");
    EXPECT_EQ(std::system(command.c_str()), 0);
    return test::ReadText(dir / "calls.log");
}

TEST(DevScript, RunBuildsOnlyTheCommandLineProgram) {
    TempDir dir;
    const std::string calls = RunDevScript(dir, "run");
    EXPECT_NE(calls.find("cmake --build build --target trimora-cli\n"), std::string::npos) << calls;
    EXPECT_EQ(calls.find("cmake --build build\n"), std::string::npos) << calls;
    EXPECT_NE(calls.find("trimora-cli compress "), std::string::npos) << calls;
}

}  // namespace
}  // namespace trimora
