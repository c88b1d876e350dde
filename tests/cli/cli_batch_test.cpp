#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "default_rules.h"
#include "cli_test_support.h"
#include "trimora.h"

namespace trimora {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct RunResult {
    int Status;
    std::string Out;
    std::string Err;
};

// Runs trimora-cli with HOME, the XDG data folder and TRIMORA_HOME inside dir.
RunResult RunCli(const TempDir& dir, const std::string& arguments) {
    const std::string out = dir / ".stdout", err = dir / ".stderr";
    const std::string command = "cd '" + dir.Path().string() + "' && HOME='" + (dir / "home") +
                                "' XDG_DATA_HOME='" + (dir / "home/.local/share") + "' TRIMORA_HOME='" +
                                (dir / "data") + "' " + TRIMORA_CLI_PATH + " " + arguments + " >" + out + " 2>" + err;
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::ReadText(out), test::ReadText(err)};
}

std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> tree;
    for (const auto& item : fs::recursive_directory_iterator(root))
        if (item.is_regular_file()) tree[fs::relative(item.path(), root).string()] = test::ReadText(item.path().string());
    return tree;
}

void CopySamples(const TempDir& dir) {
    fs::copy(TRIMORA_SAMPLES_DIR "/site", dir / "site", fs::copy_options::recursive);
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(CliBatch, CompressThenRestoreGivesBackEveryByte) {
    TempDir dir;
    CopySamples(dir);
    const auto originals = Tree(dir / "site");
    const RunResult compressed = RunCli(dir, "compress site");
    ASSERT_EQ(compressed.Status, 0) << compressed.Err;
    EXPECT_EQ(Count(compressed.Out, "\tFinished\n"), originals.size());
    EXPECT_NE(compressed.Out.find(dir / "site/index.html\tFinished\n"), std::string::npos);
    EXPECT_NE(compressed.Out.find(std::to_string(originals.size()) + " file(s)  "), std::string::npos);
    for (const auto& [path, text] : originals) {
        EXPECT_EQ(test::ReadText(dir / ("site/" + path)), test::BuiltInCompressed(path, text)) << path;
        EXPECT_EQ(test::ReadText(dir / ("site/" + fs::path(path).parent_path().string() + "/backup/" +
                                        fs::path(path).filename().string())),
                  text);
    }
    // The rules came from the data folder, made there from the built-in set.
    const auto rules = DefaultRuleBytes();
    EXPECT_EQ(test::ReadBytes(dir / "data/trimora.nti"), std::vector<std::uint8_t>(rules.begin(), rules.end()));

    const RunResult again = RunCli(dir, "compress site");
    EXPECT_EQ(again.Status, 1);
    EXPECT_EQ(Count(again.Out, "\tUnable to Backup\n"), originals.size());

    const RunResult restored = RunCli(dir, "restore site");
    ASSERT_EQ(restored.Status, 0) << restored.Err;
    EXPECT_EQ(Count(restored.Out, "\tRestored\n"), originals.size());
    EXPECT_EQ(Tree(dir / "site"), originals);
}

struct ExitCase {
    const char* Name;
    const char* Arguments;
    int Status;
    const char* Message;  // expected on standard error
};
void PrintTo(const ExitCase& exitCase, std::ostream* out) { *out << "trimora-cli " << exitCase.Arguments; }
class CliBatchExitTest : public ::testing::TestWithParam<ExitCase> {};

TEST_P(CliBatchExitTest, ExitsWithTheRightStatus) {
    TempDir dir;
    CopySamples(dir);
    const RunResult result = RunCli(dir, GetParam().Arguments);
    EXPECT_EQ(result.Status, GetParam().Status) << result.Out << result.Err;
    EXPECT_NE(result.Err.find(GetParam().Message), std::string::npos) << result.Err;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliBatchExitTest,
    ::testing::Values(
        ExitCase{"NoPath", "compress", 2, "no PATH given"},
        ExitCase{"UnknownOption", "compress --fast site", 2, "unknown option '--fast'"},
        ExitCase{"NoJobs", "compress --jobs 0 site", 2, "--jobs takes a number"},
        ExitCase{"BadBackup", "compress --backup=copy site", 2, "--backup takes"},
        ExitCase{"EmptyMoveFolder", "compress --backup move: site", 2, "--backup takes"},
        ExitCase{"MissingValue", "compress site --out", 2, "needs a value"},
        ExitCase{"DryRunRestore", "restore --dry-run site", 2, "does not apply to restore"},
        ExitCase{"SyncNeedsMirror", "sync site", 2, "sync needs the mirror folder: --out DIR"},
        ExitCase{"MissingPath", "compress site/index.html missing.html", 1, "missing.html: no such file or folder"},
        ExitCase{"MissingRules", "compress --rules none.nti site", 1, "none.nti: no such file"},
        ExitCase{"NothingToRestore", "restore site", 1, ""},
        ExitCase{"NothingToRemove", "remove-backups site/index.html", 1, ""},
        ExitCase{"NoBackupKept", "compress --backup none site", 0, ""},
        // Two spellings of one file make one entry, so the second cannot fail its backup.
        ExitCase{"SameFileTwice", "compress site/index.html site/./css/../index.html", 0, ""},
        ExitCase{"Help", "remove-backups --help", 0, ""}),
    [](const auto& testInfo) { return std::string(testInfo.param.Name); });

TEST(CliBatch, UnsupportedFileGivenIsNamed) {
    TempDir dir;
    test::WriteText(dir / "photo.jpg", "x");
    const RunResult result = RunCli(dir, "compress photo.jpg");
    EXPECT_EQ(result.Status, 1);
    EXPECT_NE(result.Err.find("\"" + (dir / "photo.jpg") +
                              "\" is not recognised as a supported file! Go to Options to confiure Trimora"),
              std::string::npos);
    EXPECT_NE(result.Out.find("0 file(s)  0 bytes"), std::string::npos);
}

TEST(CliBatch, DryRunWritesNothingAndReportsTheSavings) {
    TempDir dir;
    CopySamples(dir);
    const auto before = Tree(dir / "site");
    const RunResult result = RunCli(dir, "compress --dry-run --out " + (dir / "out") + " --report - site");
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(Tree(dir / "site"), before);
    EXPECT_FALSE(fs::exists(dir / "out"));
    EXPECT_NE(result.Out.find("File Name\tOriginal Size\tCompressed Size\tSaved\t% Saved\n"), std::string::npos);
    const std::string index = test::ReadText(dir / "site/index.html");
    EXPECT_NE(result.Out.find(dir / "site/index.html\t" + std::to_string(index.size()) + " bytes\t" +
                              std::to_string(test::BuiltInCompressed("index.html", index).size()) + " bytes\t"),
              std::string::npos);
    EXPECT_NE(result.Out.find("Dry run: nothing was written."), std::string::npos);
}

TEST(CliBatch, ReportGoesToAFile) {
    TempDir dir;
    CopySamples(dir);
    const RunResult result = RunCli(dir, "compress --quiet --report report.txt site");
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, "");
    const std::string report = test::ReadText(dir / "report.txt");
    EXPECT_EQ(report.rfind("File Name\t", 0), 0u);
    EXPECT_NE(report.find("\nTotal\t"), std::string::npos);
    const RunResult blocked = RunCli(dir, "restore --quiet --report site/index.html/report.txt site");
    EXPECT_EQ(blocked.Status, 1);
    EXPECT_NE(blocked.Err.find("Cannot create file"), std::string::npos);
}

TEST(CliBatch, MirrorThenSyncCopiesTheRest) {
    TempDir dir;
    CopySamples(dir);
    test::WriteText(dir / "site/blog/photo.jpg", "JPEG");
    const std::string mirror = dir / "mirror";
    const RunResult compressed = RunCli(dir, "compress --out " + mirror + " --preserve-dirs site");
    ASSERT_EQ(compressed.Status, 0) << compressed.Err;
    EXPECT_EQ(test::ReadText(mirror + "/blog/first-loaf.html"),
              test::BuiltInCompressed("first-loaf.html", test::ReadText(dir / "site/blog/first-loaf.html")));
    EXPECT_FALSE(fs::exists(mirror + "/blog/photo.jpg"));
    const RunResult synced = RunCli(dir, "sync --out=" + mirror + " --preserve-dirs site");
    ASSERT_EQ(synced.Status, 0) << synced.Err;
    EXPECT_EQ(synced.Out, "copied\t" + mirror + "/blog/photo.jpg\n1 file(s) copied, 0 updated\n");
    EXPECT_EQ(test::ReadText(mirror + "/blog/photo.jpg"), "JPEG");
}

// Runs with one worker and with two on identical trees end alike, also when
// list entries share files and backups.
TEST(CliBatch, TwoJobsEndLikeOne) {
    TempDir dir;
    for (const char* root : {"one", "two"}) {
        for (int i = 0; i < 30; ++i) {
            const std::string folder = dir / (std::string(root) + "/f" + std::to_string(i % 4));
            fs::create_directories(folder);
            test::WriteText(folder + "/p" + std::to_string(i) + ".html",
                            "<p>  page " + std::string(static_cast<std::size_t>(i) * 7, ' ') + "</p>");
            test::WriteText(folder + "/index.html", "<p> " + std::to_string(i % 4) + " </p>");
        }
        test::WriteText(dir / (std::string(root) + "/again.lst"), "f1/p1.html\r\nf2/index.html\r\nf1/p1.html\r\n");
    }
    auto run = [&](const char* root, const char* jobs) {
        const RunResult result = RunCli(dir, std::string("compress --jobs ") + jobs + " --backup move:" +
                                                 (dir / (std::string(root) + "-bak")) + " " + root + " " + root +
                                                 "/again.lst");
        std::string out = result.Out;
        for (std::size_t at; (at = out.find(dir / root)) != std::string::npos;) out.replace(at, (dir / root).size(), "@");
        return std::to_string(result.Status) + "\n" + out;
    };
    const std::string single = run("one", "1");
    EXPECT_EQ(single, run("two", "2"));
    EXPECT_EQ(single.rfind("1\n", 0), 0u);  // the repeated entries cannot be backed up twice
    EXPECT_EQ(Tree(dir / "one"), Tree(dir / "two"));
}

}  // namespace
}  // namespace trimora

namespace trimora {
namespace {

// The window's stored settings are the defaults of a run; an option given
// wins for that run only.
TEST(CliBatchSettings, StoredSettingsAreTheDefaultsAndOptionsAreNotSaved) {
    TempDir dir;
    fs::create_directories(dir.Path() / "site");
    test::WriteText(dir / "site/a.html", "<p>  a  </p>");
    ASSERT_EQ(RunCli(dir, "settings set CompressOptions coSuffix").Status, 0);
    ASSERT_EQ(RunCli(dir, "settings set Suffix .orig").Status, 0);

    const RunResult first = RunCli(dir, "compress site");
    ASSERT_EQ(first.Status, 0) << first.Err;
    EXPECT_EQ(test::ReadText(dir / "site/a.html.orig"), "<p>  a  </p>");
    EXPECT_FALSE(fs::exists(dir.Path() / "site/backup"));

    test::WriteText(dir / "site/b.html", "<p>  b  </p>");
    const RunResult second = RunCli(dir, "compress --backup move site/b.html");
    ASSERT_EQ(second.Status, 0) << second.Err;
    EXPECT_EQ(test::ReadText(dir / "site/backup/b.html"), "<p>  b  </p>");
    EXPECT_NE(RunCli(dir, "settings show").Out.find(".orig"), std::string::npos) << "the option was not saved";
    const RunResult shown = RunCli(dir, "settings show");
    EXPECT_EQ(shown.Out.find("coMove"), std::string::npos) << shown.Out;
}

// A stored output folder, and options that ask for something else.
TEST(CliBatchSettings, BackupGivenCompressesInPlaceAndOutGivenIsReadFromHere) {
    TempDir dir;
    fs::create_directories(dir.Path() / "site");
    test::WriteText(dir / "site/a.html", "<p>  a  </p>");
    ASSERT_EQ(RunCli(dir, "settings set CompressOptions coOtherFolder+coSuffix").Status, 0);
    ASSERT_EQ(RunCli(dir, "settings set OtherFolder min").Status, 0);

    const RunResult stored = RunCli(dir, "compress -q site");
    ASSERT_EQ(stored.Status, 0) << stored.Err;
    EXPECT_TRUE(fs::exists(dir.Path() / "site/min/a.html")) << "the stored folder is read from each file's folder";
    const RunResult given = RunCli(dir, "compress -q -o min site/a.html");
    ASSERT_EQ(given.Status, 0) << given.Err;
    EXPECT_TRUE(fs::exists(dir.Path() / "min/a.html"));
    const RunResult inPlace = RunCli(dir, "compress -q --backup move site/a.html");
    ASSERT_EQ(inPlace.Status, 0) << inPlace.Err;
    EXPECT_EQ(test::ReadText(dir / "site/backup/a.html"), "<p>  a  </p>");
    EXPECT_EQ(test::ReadText(dir / "site/a.html"), test::BuiltInCompressed("a.html", "<p>  a  </p>"));
}

TEST(CliBatchSettings, FirstUseWritesTheDefaultsAndTheRulesIntoTheDataFolder) {
    TempDir dir;
    fs::create_directories(dir.Path() / "site");
    test::WriteText(dir / "site/a.html", "<p>  a  </p>");
    const RunResult result = RunCli(dir, "compress site");
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_TRUE(fs::exists(dir.Path() / "data/Trimora.conf"));
    const auto builtIn = DefaultRuleBytes();
    EXPECT_EQ(test::ReadBytes(dir / "data/trimora.nti"), std::vector<std::uint8_t>(builtIn.begin(), builtIn.end()));
}

}  // namespace
}  // namespace trimora
