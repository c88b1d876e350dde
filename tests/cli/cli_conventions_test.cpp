// The conventions command-line programs keep: versions, short options, help
// for each command, exit statuses that mean something, quiet runs and
// messages that give the system's reason.

#include <filesystem>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "cli_test_support.h"

namespace trimora {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::RunCliIn;
using test::TempDir;

const std::string Page = "<p>  Hello   <strong>world</strong> <!-- note --> </p>\n";

void MakeSite(const TempDir& dir) {
    fs::create_directories(dir / "site/css");
    test::WriteText(dir / "site/index.html", Page);
    test::WriteText(dir / "site/css/a.css", "a  {  b : c  }");
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(CliConventions, VersionIsTheProjectVersion) {
    TempDir dir;
    for (const char* option : {"-V", "--version"}) {
        const CliResult result = RunCliIn(dir, option);
        EXPECT_EQ(result.Status, 0);
        EXPECT_EQ(result.Out, std::string("trimora-cli ") + TRIMORA_VERSION + "\n");
    }
}

TEST(CliConventions, HelpAtTheTopLevelListsEveryCommand) {
    TempDir dir;
    for (const char* option : {"-h", "--help", "help"}) {
        const CliResult result = RunCliIn(dir, option);
        EXPECT_EQ(result.Status, 0);
        for (const char* command : {"compress", "restore", "remove-backups", "sync", "watch", "file", "rules",
                                    "settings", "associate", "--version"})
            EXPECT_TRUE(Contains(result.Out, command)) << option << " " << command;
    }
}

TEST(CliConventions, ShortOptionsAloneRunTogetherAndWithTheirValuesAttached) {
    TempDir dir;
    MakeSite(dir);
    const CliResult result = RunCliIn(dir, "compress -qn -j2 -o out -r site");
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, "");
    EXPECT_FALSE(fs::exists(dir / "out"));
    const CliResult written = RunCliIn(dir, "compress -q -j 2 -oout site");
    EXPECT_EQ(written.Status, 0) << written.Err;
    EXPECT_TRUE(fs::exists(dir / "out/css/a.css"));
    EXPECT_EQ(RunCliIn(dir, "compress -x site").Err.find("unknown option '-x'") != std::string::npos, true);
}

// Each command's help lists exactly the options it takes, and each one it
// does not take is refused.
struct HelpCase {
    const char* Command;
    std::set<std::string> Options;
    friend void PrintTo(const HelpCase& c, std::ostream* out) { *out << c.Command; }
};
class CliHelpTest : public ::testing::TestWithParam<HelpCase> {};

const std::set<std::string> EveryBatchOption = {
    "--out",   "--flat",    "--preserve-dirs", "--sync",          "--update", "--backup",  "--recurse", "--no-recurse",
    "--exclude", "--hidden", "--rules",        "--report",        "--report-format", "--jobs", "--dry-run", "--quiet",
    "--help"};

const std::set<std::string> TakesValue = {"--out", "--backup", "--exclude", "--rules", "--report",
                                           "--report-format", "--jobs"};

// The long option of each option line: "  -o, --out DIR  ..." or
// "      --flat  ...".
std::set<std::string> ListedOptions(const std::string& help) {
    std::set<std::string> options;
    for (std::size_t start = 0; start < help.size();) {
        std::size_t end = help.find('\n', start);
        if (end == std::string::npos) end = help.size();
        const std::string line = help.substr(start, end - start);
        start = end + 1;
        std::size_t at = std::string::npos;
        if (line.rfind("      --", 0) == 0) at = 6;
        else if (line.size() > 8 && line.rfind("  -", 0) == 0 && line.compare(4, 4, ", --") == 0) at = 6;
        if (at == std::string::npos) continue;
        options.insert(line.substr(at, line.find(' ', at) - at));
    }
    return options;
}

TEST_P(CliHelpTest, ListsExactlyTheOptionsTaken) {
    TempDir dir;
    MakeSite(dir);
    const std::string command = GetParam().Command;
    const CliResult help = RunCliIn(dir, command + " --help");
    EXPECT_EQ(help.Status, 0);
    EXPECT_EQ(help.Out.rfind("Usage: trimora-cli " + command + " ", 0), 0u) << help.Out;
    EXPECT_EQ(ListedOptions(help.Out), GetParam().Options) << help.Out;
    EXPECT_EQ(RunCliIn(dir, command + " -h").Out, help.Out);
    for (const std::string& option : EveryBatchOption) {
        if (GetParam().Options.count(option)) continue;
        const CliResult refused = RunCliIn(dir, command + " " + option + (TakesValue.count(option) ? " x" : "") + " site");
        EXPECT_EQ(refused.Status, 2) << option;
        EXPECT_TRUE(Contains(refused.Err, "option '" + option + "' does not apply to " + command))
            << option << ": " << refused.Err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliHelpTest,
    ::testing::Values(
        HelpCase{"compress",
                 {"--out", "--flat", "--preserve-dirs", "--sync", "--backup", "--recurse", "--no-recurse", "--exclude",
                  "--hidden", "--rules", "--report", "--report-format", "--jobs", "--dry-run", "--quiet", "--help"}},
        HelpCase{"restore",
                 {"--backup", "--recurse", "--no-recurse", "--exclude", "--hidden", "--rules", "--report",
                  "--report-format", "--quiet", "--help"}},
        HelpCase{"remove-backups",
                 {"--backup", "--recurse", "--no-recurse", "--exclude", "--hidden", "--rules", "--report",
                  "--report-format", "--quiet", "--help"}},
        HelpCase{"sync",
                 {"--out", "--preserve-dirs", "--update", "--exclude", "--hidden", "--rules", "--dry-run", "--quiet",
                  "--help"}},
        HelpCase{"watch",
                 {"--out", "--preserve-dirs", "--sync", "--recurse", "--no-recurse", "--exclude", "--hidden",
                  "--rules", "--jobs", "--quiet", "--help"}}),
    [](const auto& testInfo) {
        std::string name = testInfo.param.Command;
        std::erase(name, '-');
        return name;
    });

TEST(CliConventions, RestoreAndSyncHelpSpeakOfThemselves) {
    TempDir dir;
    const std::string restore = RunCliIn(dir, "restore --help").Out;
    EXPECT_TRUE(Contains(restore, "\"Restore Failed\""));
    EXPECT_FALSE(Contains(restore, "Compress Failed"));
    const std::string sync = RunCliIn(dir, "sync --help").Out;
    EXPECT_TRUE(Contains(sync, "mirror"));
    EXPECT_FALSE(Contains(sync, "Unable to Backup"));
    EXPECT_NE(restore, RunCliIn(dir, "compress --help").Out);
}

// A rules file that cannot be used stops a command before it writes
// anything, the settings of a first use included.
struct RulesCase {
    const char* Name;
    const char* Arguments;
    const char* Message;
    friend void PrintTo(const RulesCase& c, std::ostream* out) { *out << c.Name; }
};
class CliRulesFileTest : public ::testing::TestWithParam<RulesCase> {};

std::string DamagedRules() {
    std::string rules = "TR3";
    std::string record(288, '\0');
    record[0] = 4;
    record.replace(1, 4, "a b!");  // no tag has such a name
    const std::string pattern = "*.html";
    record[28] = static_cast<char>(pattern.size());
    record.replace(29, pattern.size(), pattern);
    record[284] = 1;  // one tag below
    return rules + record + record;
}

TEST_P(CliRulesFileTest, RefusesBeforeWritingAnything) {
    TempDir dir;
    MakeSite(dir);
    test::WriteText(dir / "notes.txt", "These are notes, not rules at all.\n");
    test::WriteText(dir / "damaged.nti", DamagedRules());
    const CliResult result = RunCliIn(dir, GetParam().Arguments);
    EXPECT_EQ(result.Status, 1) << result.Out << result.Err;
    EXPECT_TRUE(Contains(result.Err, GetParam().Message)) << result.Err;
    EXPECT_EQ(test::ReadText(dir / "site/index.html"), Page);
    EXPECT_FALSE(fs::exists(dir / "site/backup"));
    EXPECT_FALSE(fs::exists(dir / "data")) << "the first use waits for good rules";
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliRulesFileTest,
    ::testing::Values(
        RulesCase{"NotATagSettingsFile", "compress --rules notes.txt site", "notes.txt: not a tag-settings file"},
        RulesCase{"Damaged", "compress --rules damaged.nti site", "damaged.nti: damaged"},
        RulesCase{"DamagedSaysWhatTheLoaderSays", "compress --rules damaged.nti site",
                  "damaged.nti: Corrupt NTI file: An error has been encountered"},
        RulesCase{"NotAFile", "compress --rules site site", "site is not a regular file"},
        RulesCase{"Missing", "restore --rules none.nti site", "none.nti: no such file"},
        RulesCase{"File", "file --rules notes.txt site/index.html", "notes.txt: not a tag-settings file"}),
    [](const auto& testInfo) { return std::string(testInfo.param.Name); });

TEST(CliConventions, RulesShowOfADamagedFileShowsWhatItReadAndFails) {
    TempDir dir;
    test::WriteText(dir / "passwd", "root:x:0:0:root:/root:/bin/bash\ndaemon:x:1:1:daemon:/usr/sbin:/usr/sbin/nologin\n");
    const CliResult shown = RunCliIn(dir, "rules show passwd");
    EXPECT_EQ(shown.Status, 1);
    EXPECT_TRUE(Contains(shown.Out, "\nformat \"")) << shown.Out;
    EXPECT_TRUE(Contains(shown.Err, "passwd: not a tag-settings file")) << shown.Err;
    EXPECT_EQ(RunCliIn(dir, "rules convert passwd out.nti").Status, 1);
    EXPECT_FALSE(fs::exists(dir / "out.nti"));
}

TEST(CliConventions, ANamedFileNoFormatSupportsFails) {
    TempDir dir;
    MakeSite(dir);
    test::WriteText(dir / "photo.jpg", "JPEG");
    const CliResult result = RunCliIn(dir, "compress -q site/index.html photo.jpg");
    EXPECT_EQ(result.Status, 1);
    EXPECT_TRUE(Contains(result.Err, "is not recognised as a supported file!")) << result.Err;
}

// A build server: the first use says nothing when asked to be quiet and
// leaves the desktop alone.
TEST(CliConventions, QuietFirstUsePrintsNothingAndWritesNoDesktopFiles) {
    TempDir dir;
    MakeSite(dir);
    const CliResult quiet = RunCliIn(dir, "compress -q -n site");
    EXPECT_EQ(quiet.Status, 0);
    EXPECT_EQ(quiet.Out, "");
    EXPECT_EQ(quiet.Err, "");
    EXPECT_TRUE(fs::exists(dir / "data/Trimora.conf"));
    EXPECT_TRUE(fs::exists(dir / "data/trimora.nti"));
    EXPECT_FALSE(fs::exists(dir / "home/.local/share/applications"));
    EXPECT_FALSE(fs::exists(dir / "home/.local/share/mime"));
}

TEST(CliConventions, RestoreWithoutABackupNamesTheMethodsTried) {
    TempDir dir;
    MakeSite(dir);
    const CliResult result = RunCliIn(dir, "restore site/index.html");
    EXPECT_EQ(result.Status, 1);
    EXPECT_TRUE(Contains(result.Err, "restore: move: no backup of " + (dir / "site/index.html") + " was recorded in " +
                                         (dir / "site/backup/")))
        << result.Err;
    EXPECT_TRUE(Contains(result.Err, "; falling back to trash: ")) << result.Err;
}

TEST(CliConventions, ARestoreThatFellBackSaysSoUnlessQuiet) {
    TempDir dir;
    MakeSite(dir);
    ASSERT_EQ(RunCliIn(dir, "compress -q --backup suffix site/index.html").Status, 0);
    const CliResult restored = RunCliIn(dir, "restore --backup move site/index.html");
    EXPECT_EQ(restored.Status, 0) << restored.Err;
    EXPECT_TRUE(Contains(restored.Err, "restored by suffix after move: ")) << restored.Err;
    EXPECT_EQ(test::ReadText(dir / "site/index.html"), Page);
}

struct ReasonCase {
    const char* Name;
    const char* Arguments;
    const char* Message;
    friend void PrintTo(const ReasonCase& c, std::ostream* out) { *out << c.Name; }
};
class CliReasonTest : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(CliReasonTest, CannotOpenSaysWhy) {
    TempDir dir;
    MakeSite(dir);
    const CliResult result = RunCliIn(dir, GetParam().Arguments);
    EXPECT_EQ(result.Status, 1);
    EXPECT_TRUE(Contains(result.Err, GetParam().Message)) << result.Err;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliReasonTest,
    ::testing::Values(ReasonCase{"Missing", "file missing.html", "Cannot open file missing.html (No such file or directory)"},
                      ReasonCase{"Folder", "file site", "site is not a regular file"}),
    [](const auto& testInfo) { return std::string(testInfo.param.Name); });

TEST(CliConventions, FileTypeChoosesTheFormatForStandardInput) {
    TempDir dir;
    const CliResult css = test::RunTrimoraCli(dir, "file - --type css", "a  {  b : c  }");
    EXPECT_EQ(css.Status, 0) << css.Err;
    EXPECT_EQ(css.Out, "a{b:c}");
    EXPECT_EQ(test::RunTrimoraCli(dir, "file - --type xml", "x").Status, 2);
    EXPECT_EQ(test::RunTrimoraCli(dir, "file - --type css --name a.html", "x").Status, 2);
}

}  // namespace
}  // namespace trimora
