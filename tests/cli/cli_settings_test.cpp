#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "default_rules.h"
#include "isolated_home.h"

namespace trimora {
namespace {

using test::IsolatedHome;

struct RunResult {
    int Status;
    std::string Out;
    std::string Err;
};

// Runs a trimora-cli (the one built here unless another is named) in this
// process's environment, which IsolatedHome set.
RunResult RunCli(const IsolatedHome& home, const std::string& arguments,
                 const std::string& program = TRIMORA_CLI_PATH) {
    const std::string out = home / "stdout", err = home / "stderr";
    const std::string command = program + " " + arguments + " >" + out + " 2>" + err;
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::ReadText(out), test::ReadText(err)};
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A line of `settings show`.
std::string Row(std::string name, std::string source, const std::string& value) {
    name.resize(std::max<std::size_t>(name.size(), 18), ' ');
    source.resize(9, ' ');
    return name + "  " + source + value + "\n";
}

// The window program of this build folder: gui/trimora, not a trimora beside
// trimora-cli in cli/, where none is.
std::string BuildWindowProgram() {
    return std::filesystem::weakly_canonical(std::filesystem::path(TRIMORA_CLI_PATH).parent_path() / "../gui/trimora")
        .string();
}

// Stand-ins for the desktop's update tools, so that a test sees only the files
// trimora-cli writes.
void UseFakeUpdateTools(IsolatedHome& home) {
    std::filesystem::create_directories(home / "bin");
    for (const char* tool : {"update-mime-database", "update-desktop-database"}) {
        const std::string path = home / (std::string("bin/") + tool);
        test::WriteText(path, "#!/bin/sh\necho \"${0##*/} $*\" >> \"" + (home / "tools.log") + "\"\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    home.Set("PATH", home / "bin");
}

// The association stays with the window's first start, `associate on` and
// `settings reset`: a build server has no desktop.
TEST(CliSettings, FirstUseWritesTheDefaultsAndTheTagSettingsButNoAssociation) {
    IsolatedHome home;
    UseFakeUpdateTools(home);
    const RunResult first = RunCli(home, "settings show");
    ASSERT_EQ(first.Status, 0) << first.Err;
    EXPECT_TRUE(Contains(first.Err, "first use: wrote the default settings to " + (home / "trimora/Trimora.conf")))
        << first.Err;
    EXPECT_TRUE(Contains(first.Out, Row("CompressOptions", "stored", "40 (coRecycle coMove)"))) << first.Out;
    EXPECT_TRUE(Contains(first.Out, Row("Suffix", "default", "\".bak\"")));
    EXPECT_TRUE(Contains(first.Out, Row("MainForm/Toolbar", "stored",
                                        "CompressCmd, -, CropCmd, DeleteCmd, -, AddDirCmd, ClearCmd, LoadListCmd, "
                                        "SaveListCmd, -, PreviewCmd")));
    const auto rules = DefaultRuleBytes();
    EXPECT_EQ(test::ReadText(home / "trimora/trimora.nti"), std::string(rules.begin(), rules.end()));
    EXPECT_FALSE(std::filesystem::exists(home / "data/applications/trimora.desktop"));
    EXPECT_FALSE(std::filesystem::exists(home / "data/mime"));
    EXPECT_FALSE(Contains(first.Err, "associated"));

    const RunResult second = RunCli(home, "settings show");
    EXPECT_EQ(second.Status, 0);
    EXPECT_EQ(second.Err, "");
    EXPECT_EQ(second.Out, first.Out);
}

struct SetCase {
    const char* Arguments;
    const char* Shown;  // what set prints
    friend void PrintTo(const SetCase& c, std::ostream* out) { *out << c.Arguments; }
};

class CliSettingsSet : public testing::TestWithParam<SetCase> {};

TEST_P(CliSettingsSet, StoresTypedValues) {
    IsolatedHome home;
    const RunResult set = RunCli(home, std::string("settings set ") + GetParam().Arguments);
    ASSERT_EQ(set.Status, 0) << set.Err;
    EXPECT_EQ(set.Out, std::string(GetParam().Shown) + "\n");
    // The value is stored: show lists it as such.
    const std::string name = std::string(GetParam().Shown).substr(0, std::string(GetParam().Shown).find(" = "));
    const std::string value = std::string(GetParam().Shown).substr(name.size() + 3);
    const RunResult shown = RunCli(home, "settings show");
    EXPECT_TRUE(Contains(shown.Out, Row(name, "stored", value))) << shown.Out;
}

INSTANTIATE_TEST_SUITE_P(
    Values, CliSettingsSet,
    testing::Values(SetCase{"CompressOptions coRecycle+coMove", "CompressOptions = 40 (coRecycle coMove)"},
                    SetCase{"compressoptions 0x11", "CompressOptions = 17 (coOtherFolder coSuffix)"},
                    SetCase{"CompressOptions 'Delete, PreserveDirs'", "CompressOptions = 6 (coPreserveDirs coDelete)"},
                    SetCase{"Priority 'below normal'", "Priority = -1 (Below Normal)"},
                    SetCase{"Priority -15", "Priority = -15 (Idle)"}, SetCase{"Recurse off", "Recurse = 0"},
                    SetCase{"ShowTips yes", "ShowTips = 1"},
                    SetCase{"MainForm/Theme stripes", "MainForm/Theme = \"Stripes\""},
                    SetCase{"'MainForm/Column 3' 95", "MainForm/Column 3 = 95"},
                    SetCase{"MainForm/Left -120", "MainForm/Left = -120"},
                    SetCase{"ScriptExt '*.js;*.mjs'", "ScriptExt = \"*.js;*.mjs\""},
                    SetCase{"MoveFolder ' /srv/a, b/ '", "MoveFolder = \" /srv/a, b/ \""},
                    SetCase{"OtherFolder ''", "OtherFolder = \"\""}));

struct RefusedCase {
    const char* Arguments;
    const char* Error;
    friend void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.Arguments; }
};

class CliSettingsRefused : public testing::TestWithParam<RefusedCase> {};

TEST_P(CliSettingsRefused, WithAClearErrorAndNothingChanged) {
    IsolatedHome home;
    ASSERT_EQ(RunCli(home, "settings show").Status, 0);
    const std::string before = test::ReadText(home / "trimora/Trimora.conf");
    const RunResult refused = RunCli(home, std::string("settings set ") + GetParam().Arguments);
    EXPECT_EQ(refused.Status, 2);
    EXPECT_TRUE(Contains(refused.Err, GetParam().Error)) << refused.Err;
    EXPECT_EQ(test::ReadText(home / "trimora/Trimora.conf"), before);
}

INSTANTIATE_TEST_SUITE_P(
    Values, CliSettingsRefused,
    testing::Values(RefusedCase{"NoSuch 1", "unknown setting 'NoSuch'"},
                    RefusedCase{"mru/1 /x.lst", "unknown setting 'mru/1'"},
                    RefusedCase{"CompressOptions 64", "64 has bits outside the six options"},
                    RefusedCase{"CompressOptions coDelete+coMove", "exactly one of coDelete, coSuffix and coMove"},
                    RefusedCase{"CompressOptions coRecycle", "exactly one of coDelete, coSuffix and coMove"},
                    RefusedCase{"CompressOptions coMove+bogus", "'bogus' is not an option name"},
                    RefusedCase{"Priority 7", "'7' is not a priority level"},
                    RefusedCase{"Recurse maybe", "'maybe' is not a switch"},
                    RefusedCase{"MainForm/Width -1", "-1 is out of range"},
                    RefusedCase{"MainForm/Height 3000000000", "3000000000 is out of range"},
                    RefusedCase{"MainForm/Width wide", "'wide' is not a whole number"},
                    RefusedCase{"MainForm/Theme Blue", "'Blue' is not a theme"},
                    RefusedCase{"Suffix \"$(printf '\\377')\"", "the value for Suffix is not UTF-8 text"},
                    RefusedCase{"Recurse", "set takes NAME and VALUE"}));

TEST(CliSettings, ShowMarksAValueOfTheWrongTypeAndShowsTheRest) {
    IsolatedHome home;
    std::filesystem::create_directories(home / "trimora");
    test::WriteText(home / "trimora/Trimora.conf", "[General]\nCompressOptions=lots\nRecurse=0\n");
    const RunResult shown = RunCli(home, "settings show");
    EXPECT_EQ(shown.Status, 0);
    EXPECT_TRUE(Contains(shown.Out, Row("CompressOptions", "invalid", "40 (coRecycle coMove)"))) << shown.Out;
    EXPECT_TRUE(Contains(shown.Out, Row("Recurse", "stored", "0")));
    EXPECT_EQ(shown.Err, "trimora-cli settings show: Invalid data type for 'CompressOptions'; its default is used\n");
}

TEST(CliSettings, ADamagedFileIsLeftAloneUntilReset) {
    IsolatedHome home;
    std::filesystem::create_directories(home / "trimora");
    const std::string damaged = "[General]\nCompressOptions=16\n[MainForm\nWidth=800\n";
    test::WriteText(home / "trimora/Trimora.conf", damaged);

    const RunResult shown = RunCli(home, "settings show");
    EXPECT_EQ(shown.Status, 0);
    EXPECT_TRUE(Contains(shown.Err, "is damaged (line 3)")) << shown.Err;
    EXPECT_TRUE(Contains(shown.Out, Row("CompressOptions", "stored", "16 (coSuffix)")));
    const RunResult set = RunCli(home, "settings set Recurse 0");
    EXPECT_EQ(set.Status, 1);
    EXPECT_TRUE(Contains(set.Err, "Recurse was not changed")) << set.Err;
    EXPECT_EQ(test::ReadText(home / "trimora/Trimora.conf"), damaged);

    const RunResult reset = RunCli(home, "settings reset");
    EXPECT_EQ(reset.Status, 0) << reset.Err;
    EXPECT_TRUE(Contains(reset.Out, "The damaged settings file is kept as " + (home / "trimora/Trimora.conf.damaged")));
    EXPECT_EQ(test::ReadText(home / "trimora/Trimora.conf.damaged"), damaged);
    EXPECT_EQ(RunCli(home, "settings set Recurse 0").Status, 0);
}

TEST(CliSettings, AnUnwritableStoreFailsClearly) {
    IsolatedHome home;
    test::WriteText(home / "blocker", "x");
    home.Set("TRIMORA_HOME", home / "blocker/trimora");
    const RunResult set = RunCli(home, "settings set Recurse 0");
    EXPECT_EQ(set.Status, 1);
    EXPECT_TRUE(Contains(set.Err, "Cannot write the settings to " + (home / "blocker/trimora/Trimora.conf")))
        << set.Err;
    EXPECT_EQ(test::ReadText(home / "blocker"), "x");
}

TEST(CliSettings, ResetWritesEveryDefaultAgainAndKeepsEditedTagSettings) {
    IsolatedHome home;
    UseFakeUpdateTools(home);
    ASSERT_EQ(RunCli(home, "settings set CompressOptions coSuffix").Status, 0);
    ASSERT_EQ(RunCli(home, "settings set MoveFolder /elsewhere/").Status, 0);
    ASSERT_EQ(RunCli(home, "associate off").Status, 0);
    test::WriteText(home / "trimora/trimora.nti", "edited");

    const RunResult reset = RunCli(home, "settings reset");
    EXPECT_EQ(reset.Status, 0) << reset.Err;
    EXPECT_TRUE(Contains(reset.Out, "The tag settings there before are kept as " + (home / "trimora/trimora.nti.bak")));
    EXPECT_EQ(test::ReadText(home / "trimora/trimora.nti.bak"), "edited");
    const RunResult shown = RunCli(home, "settings show");
    EXPECT_TRUE(Contains(shown.Out, Row("CompressOptions", "stored", "40 (coRecycle coMove)")));
    EXPECT_TRUE(Contains(shown.Out, Row("MoveFolder", "stored", "\"backup/\"")));
    EXPECT_TRUE(Contains(RunCli(home, "associate status").Out, "*.lst association: in place\n"));
}

TEST(CliAssociate, RoundTripLeavesOtherProgramsFilesAsTheyWere) {
    IsolatedHome home;
    UseFakeUpdateTools(home);
    std::filesystem::create_directories(home / "data/applications");
    std::filesystem::create_directories(home / "data/mime/packages");
    test::WriteText(home / "data/applications/listview.desktop", "[Desktop Entry]\nName=List View\nExec=listview %f\n");
    test::WriteText(home / "data/applications/mimeapps.list", "[Default Applications]\ntext/x-list=listview.desktop\n");
    test::WriteText(home / "data/mime/packages/listview.xml", "<mime-info/>\n");
    const auto before = test::Snapshot(home / "data");

    EXPECT_TRUE(Contains(RunCli(home, "associate status").Out, "*.lst association: not in place\n"));
    const RunResult on = RunCli(home, "associate on");
    EXPECT_EQ(on.Status, 0) << on.Err;
    EXPECT_TRUE(Contains(on.Out, "*.lst association: in place\n"));
    const RunResult status = RunCli(home, "associate status");
    EXPECT_EQ(status.Status, 0);
    EXPECT_EQ(status.Out, "*.lst association: in place\n  " + (home / "data/mime/packages/trimora.xml") + "\n  " +
                              (home / "data/applications/trimora.desktop") + "\n  program: " + BuildWindowProgram() +
                              " (build folder)\n");
    const RunResult off = RunCli(home, "associate off");
    EXPECT_EQ(off.Status, 0) << off.Err;
    EXPECT_TRUE(Contains(off.Out, "*.lst association: not in place\n"));

    EXPECT_EQ(test::Snapshot(home / "data"), before);
    // The association needs no settings: no first use happened.
    EXPECT_FALSE(std::filesystem::exists(home / "trimora/Trimora.conf"));
}

// The same trimora-cli copied into an installation's bin folder associates
// the trimora installed beside it, and says so.
TEST(CliAssociate, InstalledItStartsTheTrimoraBesideIt) {
    IsolatedHome home;
    UseFakeUpdateTools(home);
    const std::string bin = home / "prefix/bin";
    std::filesystem::create_directories(bin);
    std::filesystem::copy_file(TRIMORA_CLI_PATH, bin + "/trimora-cli");
    const std::string installed = std::filesystem::weakly_canonical(bin + "/trimora").string();

    const RunResult on = RunCli(home, "associate on", bin + "/trimora-cli");
    EXPECT_EQ(on.Status, 0) << on.Err;
    EXPECT_TRUE(Contains(on.Out, "\n  program: " + installed + " (installed)\n")) << on.Out;
    const std::string entry = test::ReadText(home / "data/applications/trimora.desktop");
    EXPECT_TRUE(Contains(entry, "\nTryExec=" + installed + "\n")) << entry;
    EXPECT_TRUE(Contains(entry, "\nExec=" + installed + " %f\n")) << entry;
    EXPECT_TRUE(Contains(entry, "\nExec=" + installed + " /c %f\n")) << entry;

    // The build's own trimora-cli finds the association of another program.
    const RunResult status = RunCli(home, "associate status");
    EXPECT_TRUE(Contains(status.Out, "*.lst association: not in place\n")) << status.Out;
    EXPECT_TRUE(Contains(status.Out, "\n  program: " + BuildWindowProgram() + " (build folder)\n")) << status.Out;
}

TEST(CliSettings, WithoutTrimoraHomeTheUsersFoldersAreUsed) {
    IsolatedHome home;
    home.Set("TRIMORA_HOME", std::nullopt);
    const RunResult shown = RunCli(home, "settings show");
    ASSERT_EQ(shown.Status, 0) << shown.Err;
    EXPECT_TRUE(Contains(shown.Out, "Settings:      " + (home / "config/Kestrova/Trimora.conf") + "\n")) << shown.Out;
    EXPECT_TRUE(Contains(shown.Out, "Tag settings:  " + (home / "data/Kestrova/Trimora/trimora.nti") + "\n"));
    EXPECT_TRUE(std::filesystem::exists(home / "config/Kestrova/Trimora.conf"));
    EXPECT_TRUE(std::filesystem::exists(home / "data/Kestrova/Trimora/trimora.nti"));
}

struct UsageCase {
    const char* Arguments;
    const char* Error;
    friend void PrintTo(const UsageCase& c, std::ostream* out) { *out << c.Arguments; }
};

class CliSettingsUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(CliSettingsUsage, IsAUsageError) {
    IsolatedHome home;
    const RunResult result = RunCli(home, GetParam().Arguments);
    EXPECT_EQ(result.Status, 2);
    EXPECT_TRUE(Contains(result.Err, GetParam().Error)) << result.Err;
}

INSTANTIATE_TEST_SUITE_P(Commands, CliSettingsUsage,
                         testing::Values(UsageCase{"settings", "missing show, set or reset"},
                                         UsageCase{"settings frob", "unknown settings command 'frob'"},
                                         UsageCase{"settings show extra", "show takes no arguments"},
                                         UsageCase{"associate", "give one of on, off and status"},
                                         UsageCase{"associate maybe", "unknown associate command 'maybe'"}));

}  // namespace
}  // namespace trimora
