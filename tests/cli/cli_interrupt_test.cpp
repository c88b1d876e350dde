// trimora-cli killed at random moments, and two trimora-cli processes on one
// tree at once: every file stays whole, every replaced file keeps a recorded
// backup of its original, the next run works, and restore gives back every
// byte. `./dev.sh killtest` runs the larger version (TRIMORA_KILL_FILES,
// TRIMORA_KILL_COUNT).

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "backup_records.h"
#include "default_rules.h"
#include "cli_test_support.h"
#include "trimora.h"

namespace trimora {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

int Setting(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

pid_t Start(const TempDir& dir, std::vector<std::string> arguments) {
    return test::StartCliIn(dir, std::move(arguments));
}

int Wait(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunCli(const TempDir& dir, std::vector<std::string> arguments) { return Wait(Start(dir, std::move(arguments))); }

std::string Compressed(const std::string& name, const std::string& text) {
    static TTrimora* engine = [] {
        auto* made = new TTrimora("");
        const auto rules = DefaultRuleBytes();
        made->LoadSettingsFromBytes(rules.data(), rules.size());
        return made;
    }();
    std::vector<std::uint8_t> output;
    engine->CompressBytes(name, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), output);
    return std::string(output.begin(), output.end());
}

// A site of `count` pages in folders of fifty; answers path -> original.
std::map<std::string, std::string> MakeSite(const TempDir& dir, int count) {
    std::map<std::string, std::string> originals;
    for (int i = 0; i < count; ++i) {
        const std::string folder = dir / ("site/f" + std::to_string(i / 50));
        fs::create_directories(folder);
        std::string page = "<html>\n  <body>\n    <!-- page " + std::to_string(i) + " -->\n";
        for (int line = 0; line < 1 + i % 7; ++line) page += "    <p class=\"x\">Line   " + std::to_string(line) + "</p>\n";
        page += "  </body>\n</html>\n";
        const std::string path = folder + "/p" + std::to_string(i) + ".html";
        test::WriteText(path, page);
        originals[path] = page;
    }
    return originals;
}

struct Method {
    const char* Name;
    std::string Backup;  // the --backup value; "@" stands for the temporary folder
};

// The copies the trash record names for each original, read once per check.
std::multimap<std::string, std::string> TrashCopies(const TempDir& dir) {
    TBackupRecords records;
    TBackupRecords::Read(dir / "data/trash-backups", records);
    std::multimap<std::string, std::string> copies;
    for (const auto& [entry, record] : records.All())
        copies.emplace(record.Original, dir / ("home/.local/share/Trash/files/" + entry));
    return copies;
}

// Where a file's recorded backups lie under a method: one at most, but the
// trash keeps one for every run that backed the file up.
std::vector<std::string> RecordedBackups(const TempDir& dir, const Method& method, const std::string& path,
                                         const std::multimap<std::string, std::string>& trashCopies) {
    const std::string folder = fs::path(path).parent_path().string() + "/";
    const std::string name = fs::path(path).filename().string();
    std::string backupFolder, backupName = name;
    if (method.Backup == "move") {
        backupFolder = folder + "backup/";
    } else if (method.Backup == "suffix") {
        backupFolder = folder;
        backupName = name + ".bak";
    } else if (method.Backup == "trash") {
        std::vector<std::string> found;
        for (auto [at, end] = trashCopies.equal_range(path); at != end; ++at) found.push_back(at->second);
        return found;
    } else {
        backupFolder = dir / "keep/";
    }
    TBackupRecords records;
    TBackupRecords::Read(RecordFileIn(backupFolder), records);
    if (records.FindBackupOf(backupName, path) == nullptr) return {};
    return {backupFolder + backupName};
}

// Every file whole: its original, or its compressed text with its original
// kept in a recorded backup. No partial file anywhere.
void ExpectWhole(const TempDir& dir, const Method& method, const std::map<std::string, std::string>& originals,
                 const std::string& when) {
    const auto trashCopies = method.Backup == "trash" ? TrashCopies(dir) : std::multimap<std::string, std::string>{};
    for (const auto& [path, original] : originals) {
        const std::string now = test::ReadText(path);
        if (now == original) continue;
        ASSERT_EQ(now, Compressed(path, original)) << path << " is neither its original nor compressed " << when;
        bool kept = false;
        for (const std::string& backup : RecordedBackups(dir, method, path, trashCopies)) kept = kept || test::ReadText(backup) == original;
        ASSERT_TRUE(kept) << path << " has no recorded backup of its original " << when;
    }
}

std::vector<std::string> Leftovers(const TempDir& dir) {
    std::vector<std::string> found;
    for (const auto& item : fs::recursive_directory_iterator(dir.Path())) {
        const std::string name = item.path().filename().string();
        if (name.rfind(".trimora-", 0) == 0 && name.size() > 4 && name.substr(name.size() - 4) == ".tmp")
            found.push_back(item.path().string());
    }
    return found;
}

class KillLoop : public testing::TestWithParam<std::tuple<Method, int>> {};

TEST_P(KillLoop, LeavesEveryFileWholeAndRestoreExact) {
    const auto& [method, jobs] = GetParam();
    const int files = Setting("TRIMORA_KILL_FILES", 300), kills = Setting("TRIMORA_KILL_COUNT", 3);
    TempDir dir;
    const auto originals = MakeSite(dir, files);
    std::string backup = method.Backup;
    if (backup == "@") backup = "move:" + (dir / "keep");
    const std::vector<std::string> compress{"compress", "--quiet", "--backup", backup, "--jobs", std::to_string(jobs), "site"};

    // How long an uninterrupted run takes, to kill within it.
    const auto started = std::chrono::steady_clock::now();
    RunCli(dir, compress);
    const auto full = std::chrono::steady_clock::now() - started;
    ASSERT_EQ(RunCli(dir, {"restore", "--quiet", "--backup", backup, "site"}), 0);

    std::mt19937 random(static_cast<unsigned>(files * 31 + jobs));
    for (int kill = 0; kill < kills; ++kill) {
        const pid_t child = Start(dir, compress);
        std::uniform_int_distribution<long> delay(0, std::chrono::duration_cast<std::chrono::microseconds>(full).count());
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(child, SIGKILL);
        Wait(child);
        ExpectWhole(dir, method, originals, "after kill " + std::to_string(kill));
        if (HasFatalFailure()) return;
    }
    // The next run works: every file ends compressed, however far the
    // killed runs got.
    RunCli(dir, compress);
    ExpectWhole(dir, method, originals, "after the last run");
    for (const auto& [path, original] : originals) EXPECT_EQ(test::ReadText(path), Compressed(path, original)) << path;
    EXPECT_EQ(Leftovers(dir), std::vector<std::string>{});
    // The trash keeps a copy from every run that backed a file up (the
    // compressed text too): restoring again goes further back, until the
    // original is there.
    ASSERT_EQ(RunCli(dir, {"restore", "--quiet", "--backup", backup, "site"}), 0);
    for (int again = 0; method.Backup == "trash" && again <= kills; ++again)
        RunCli(dir, {"restore", "--quiet", "--backup", backup, "site"});
    for (const auto& [path, original] : originals) ASSERT_EQ(test::ReadText(path), original) << path;
}

INSTANTIATE_TEST_SUITE_P(
    Methods, KillLoop,
    testing::Combine(testing::Values(Method{"Move", "move"}, Method{"Suffix", "suffix"}, Method{"Trash", "trash"},
                                     Method{"AbsoluteFolder", "@"}),
                     testing::Values(1, 2)),
    [](const testing::TestParamInfo<std::tuple<Method, int>>& row) {
        return std::string(std::get<0>(row.param).Name) + "Jobs" + std::to_string(std::get<1>(row.param));
    });

// A restore keeps running over the tree while a compress works on it: no
// backup and no record line is lost, and a last restore gives back every byte.
TEST(TwoProcesses, CompressAndRestoreAtOnceLoseNothing) {
    TempDir dir;
    const auto originals = MakeSite(dir, Setting("TRIMORA_CONCURRENT_FILES", 4000));
    const Method move{"Move", "move"};
    const pid_t compress = Start(dir, {"compress", "--quiet", "site"});
    for (;;) {
        RunCli(dir, {"restore", "--quiet", "site"});
        if (::waitpid(compress, nullptr, WNOHANG) == compress) break;
    }
    ExpectWhole(dir, move, originals, "after both ran");
    // Every backup file is recorded: none was stranded.
    for (const auto& item : fs::recursive_directory_iterator(dir / "site")) {
        const fs::path path = item.path();
        if (!item.is_regular_file() || path.parent_path().filename() != "backup" ||
            path.filename() == TBackupRecords::RecordFileName)
            continue;
        const std::string original = path.parent_path().parent_path().string() + "/" + path.filename().string();
        EXPECT_EQ(RecordedBackups(dir, move, original, {}), std::vector<std::string>{path.string()})
            << "unrecorded backup " << path;
    }
    RunCli(dir, {"restore", "--quiet", "site"});  // fails for the files restored already
    for (const auto& [path, original] : originals) ASSERT_EQ(test::ReadText(path), original) << path;
    for (const auto& item : fs::recursive_directory_iterator(dir / "site"))
        EXPECT_NE(item.path().filename(), "backup") << "left behind: " << item.path();
}

}  // namespace
}  // namespace trimora
