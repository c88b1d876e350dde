#include <gtest/gtest.h>

#include <QFile>

#include "app_paths.h"
#include "compress_defaults.h"
#include "isolated_home.h"
#include "settings_store.h"

namespace trimora::app {
namespace {

using namespace std::string_literals;
using test::IsolatedHome;

std::string ConfFile() { return TrimoraHomeSettingsFile().toStdString(); }

void WriteConf(const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(ConfFile()).parent_path());
    test::WriteText(ConfFile(), text);
}

const QStringList Commands = {"CompressCmd", "CropCmd", "DeleteCmd", "AddDirCmd", "ClearCmd", "PreviewCmd"};

TEST(SettingsStore, EveryValueSurvivesARestart) {
    IsolatedHome home;
    TrimoraSettings saved;
    saved.CompressOptions = coOtherFolder | coPreserveDirs | coSuffix;
    saved.MoveFolder = "/srv/originals/";
    saved.OtherFolder = "out, min/";
    saved.Suffix = ".orig";
    saved.Recurse = false;
    saved.AutoSaveLoad = false;
    saved.Priority = -2;
    saved.ToolbarsState = QByteArray("\x00\x01state\xff", 9);
    saved.RecentLists = {"/a.lst", "/b.lst", "/c.lst", "/d.lst"};
    saved.MainFormBounds = QRect(-20, 15, 800, 640);
    saved.ColumnWidths = {1, 2, 3, 4, 500};
    saved.Theme = "Stripes";
    saved.ToolbarButtons = {"PreviewCmd", "", "CompressCmd"};
    {
        SettingsStore store;
        QString error;
        ASSERT_TRUE(SaveSettings(store, saved, &error)) << error.toStdString();
        // Written where they are used: the options dialog's bounds and the tips flag.
        store.Settings().beginGroup(OptionsFormGroup);
        SaveFormPos(store.Settings(), QRect(5, 6, 370, 480));
        store.Settings().endGroup();
        ASSERT_TRUE(WriteShowTips(store, false));
    }
    SettingsStore store;
    TrimoraSettings loaded;
    QStringList warnings;
    LoadSettings(store, loaded, Commands, &warnings);
    QRect optionsBounds;
    store.Settings().beginGroup(OptionsFormGroup);
    LoadFormPos(store.Settings(), optionsBounds, &warnings);
    store.Settings().endGroup();
    EXPECT_EQ(optionsBounds, QRect(5, 6, 370, 480));
    EXPECT_EQ(ReadShowTips(store.Settings(), &warnings), std::optional<bool>(false));
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
    EXPECT_EQ(loaded.CompressOptions, saved.CompressOptions);
    EXPECT_EQ(loaded.MoveFolder, saved.MoveFolder);
    EXPECT_EQ(loaded.OtherFolder, saved.OtherFolder);
    EXPECT_EQ(loaded.Suffix, saved.Suffix);
    EXPECT_EQ(loaded.Recurse, saved.Recurse);
    EXPECT_EQ(loaded.AutoSaveLoad, saved.AutoSaveLoad);
    EXPECT_EQ(loaded.Priority, saved.Priority);
    EXPECT_EQ(loaded.ToolbarsState, saved.ToolbarsState);
    EXPECT_EQ(loaded.RecentLists, saved.RecentLists);
    EXPECT_EQ(loaded.MainFormBounds, saved.MainFormBounds);
    EXPECT_EQ(loaded.ColumnWidths, saved.ColumnWidths);
    EXPECT_EQ(loaded.Theme, saved.Theme);
    EXPECT_EQ(loaded.ToolbarButtons, saved.ToolbarButtons);
}

// Texts a settings file has to quote or escape come back unchanged.
class TextRoundTrip : public testing::TestWithParam<const char*> {};

TEST_P(TextRoundTrip, MoveFolderComesBackUnchanged) {
    IsolatedHome home;
    const QString text = QString::fromUtf8(GetParam());
    {
        SettingsStore store;
        TrimoraSettings settings;
        settings.MoveFolder = text;
        ASSERT_TRUE(SaveSettings(store, settings));
    }
    SettingsStore store;
    EXPECT_TRUE(store.Problem().isEmpty()) << store.Problem().toStdString();
    TrimoraSettings loaded;
    QStringList warnings;
    LoadSettingsVariables(store.Settings(), loaded, &warnings);
    EXPECT_EQ(loaded.MoveFolder, text);
    EXPECT_TRUE(warnings.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Texts, TextRoundTrip,
                         testing::Values("", "backup\\", "a,b", "  padded  ", "\"quoted\"", "x=y;z#w", "@Variant(x)",
                                         "line\nbreak", "back\\slash\\", "ünïcödé/文件", "%20", "[group]"));

// Numbers no version ever stored: CompressOptions with unknown bits would
// write into blog/blog/, a negative width hides a column.
TEST(SettingsStore, AValueOutOfRangeIsReportedAndItsDefaultUsed) {
    IsolatedHome home;
    WriteConf(
        "[General]\n"
        "CompressOptions=4294967295\n"
        "[MainForm]\n"
        "Column%201=-5\n"
        "Column%202=75\n");
    SettingsStore store;
    TrimoraSettings loaded;
    QStringList warnings;
    LoadSettings(store, loaded, Commands, &warnings);
    EXPECT_EQ(warnings, QStringList({"Value out of range for 'CompressOptions'; its default is used",
                                     "Value out of range for 'MainForm/Column 1'; its default is used"}));
    const TrimoraSettings defaults;
    EXPECT_EQ(loaded.CompressOptions, DefaultCompressOptions);
    EXPECT_EQ(loaded.ColumnWidths[0], defaults.ColumnWidths[0]);
    EXPECT_EQ(loaded.ColumnWidths[1], 75);
}

TEST(SettingsStore, AValueOfTheWrongTypeIsSkippedAndTheOthersLoad) {
    IsolatedHome home;
    WriteConf(
        "[General]\n"
        "CompressOptions=lots\n"
        "MoveFolder=keep, these\n"
        "OtherFolder=/out/\n"
        "Recurse=maybe\n"
        "AutoSaveLoad=0\n"
        "Priority=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x6QPoint\\0\\0\\0\\0\\x1\\0\\0\\0\\x2)\n"
        "Suffix=.old\n"
        "[MainForm]\n"
        "Width=wide\n"
        "Height=300\n"
        "Column%202=75\n"
        "Column%203=x\n"
        "Theme=OfficeXP\n");
    SettingsStore store;
    ASSERT_TRUE(store.Problem().isEmpty()) << store.Problem().toStdString();
    TrimoraSettings loaded;
    QStringList warnings;
    LoadSettings(store, loaded, Commands, &warnings);
    EXPECT_EQ(warnings,
              QStringList({"Invalid data type for 'CompressOptions'", "Invalid data type for 'MoveFolder'",
                           "Invalid data type for 'Recurse'", "Invalid data type for 'Priority'",
                           "Invalid data type for 'MainForm/Column 3'", "Invalid data type for 'MainForm/Width'"}));
    const TrimoraSettings defaults;
    EXPECT_EQ(loaded.CompressOptions, DefaultCompressOptions);
    EXPECT_EQ(loaded.MoveFolder, defaults.MoveFolder);
    EXPECT_EQ(loaded.OtherFolder, "/out/");
    EXPECT_TRUE(loaded.Recurse);
    EXPECT_FALSE(loaded.AutoSaveLoad);
    EXPECT_EQ(loaded.Priority, 0);
    EXPECT_EQ(loaded.Suffix, ".old");
    EXPECT_EQ(loaded.MainFormBounds.width(), defaults.MainFormBounds.width());
    EXPECT_EQ(loaded.MainFormBounds.height(), 300);
    EXPECT_EQ(loaded.ColumnWidths, (std::array<int, 5>{130, 75, 70, 110, 128}));
    EXPECT_EQ(loaded.Theme, "OfficeXP");
}

struct SuffixCase {
    const char* Stored;
    const char* Loaded;
    friend void PrintTo(const SuffixCase& c, std::ostream* out) { *out << '"' << c.Stored << '"'; }
};

class BlankSuffix : public testing::TestWithParam<SuffixCase> {};

TEST_P(BlankSuffix, BecomesBakOnlyWhenBlank) {
    IsolatedHome home;
    {
        SettingsStore store;
        store.Settings().setValue("Suffix", QString::fromUtf8(GetParam().Stored));
        ASSERT_TRUE(store.Sync());
    }
    SettingsStore store;
    TrimoraSettings loaded;
    LoadSettingsVariables(store.Settings(), loaded, nullptr);
    EXPECT_EQ(loaded.Suffix, QString::fromUtf8(GetParam().Loaded));
}

INSTANTIATE_TEST_SUITE_P(Suffixes, BlankSuffix,
                         testing::Values(SuffixCase{"", ".bak"}, SuffixCase{"   ", ".bak"},
                                         SuffixCase{"\t \x1f", ".bak"}, SuffixCase{".orig", ".orig"},
                                         SuffixCase{" .orig ", " .orig "}, SuffixCase{"~", "~"}));

TEST(SettingsStore, RecentListsKeepTheirOrderAndAtMostFour) {
    IsolatedHome home;
    {
        SettingsStore store;
        for (int i = 1; i <= 9; ++i) store.Settings().setValue(QStringLiteral("mru/%1").arg(i), "stale");
        SaveRecentLists(store.Settings(), {"/A.lst", "/B.lst", "/C.lst", "/D.lst", "/E.lst"});
        ASSERT_TRUE(store.Sync());
    }
    SettingsStore store;
    store.Settings().beginGroup("mru");
    EXPECT_EQ(store.Settings().childKeys(), QStringList({"1", "2", "3", "4"}));
    EXPECT_EQ(store.Settings().value("1").toString(), "/A.lst");
    EXPECT_EQ(store.Settings().value("4").toString(), "/D.lst");
    store.Settings().endGroup();
    EXPECT_EQ(LoadRecentLists(store.Settings()), QStringList({"/A.lst", "/B.lst", "/C.lst", "/D.lst"}));
}

TEST(SettingsStore, RecentListsStoredTwiceOrBeyondFourLoadAsTheMenuShowsThem) {
    IsolatedHome home;
    WriteConf("[mru]\n1=/A.lst\n2=/B.lst\n3=/A.lst\n5=/C.lst\n6=/D.lst\n9=/E.lst\n7=\n");
    SettingsStore store;
    EXPECT_EQ(LoadRecentLists(store.Settings()), QStringList({"/A.lst", "/B.lst", "/C.lst", "/D.lst"}));
}

std::vector<QString> ToolbarKeys(QSettings& settings) {
    settings.beginGroup("MainForm/Toolbar");
    const QStringList keys = settings.childKeys();
    settings.endGroup();
    return {keys.begin(), keys.end()};
}

class ToolbarShrink : public testing::TestWithParam<int> {};

TEST_P(ToolbarShrink, LeavesOnlyTheNewButtons) {
    IsolatedHome home;
    QStringList many;
    for (int i = 0; i < GetParam(); ++i) many << (i % 2 == 0 ? "CompressCmd" : "");
    {
        SettingsStore store;
        store.Settings().beginGroup("MainForm");
        SaveToolbar(store.Settings(), many);
        store.Settings().endGroup();
        ASSERT_TRUE(store.Sync());
    }
    {
        SettingsStore store;
        store.Settings().beginGroup("MainForm");
        SaveToolbar(store.Settings(), {"CropCmd", "", "DeleteCmd"});
        store.Settings().endGroup();
        ASSERT_TRUE(store.Sync());
    }
    SettingsStore store;
    EXPECT_EQ(ToolbarKeys(store.Settings()), (std::vector<QString>{"Button 0", "Button 1", "Button 2"}));
    store.Settings().beginGroup("MainForm");
    EXPECT_EQ(LoadToolbar(store.Settings(), Commands), QStringList({"CropCmd", "", "DeleteCmd"}));
}

// 12 as a user would; 35 and 45 cross the old deletion and reading bounds.
INSTANTIATE_TEST_SUITE_P(Sizes, ToolbarShrink, testing::Values(12, 35, 45));

TEST(SettingsStore, ToolbarLoadsInNumericOrderWithUnknownCommandsAsSeparators) {
    IsolatedHome home;
    WriteConf(
        "[MainForm]\n"
        "Toolbar\\Button%205=DeleteCmd\n"
        "Toolbar\\Button%200=CompressCmd\n"
        "Toolbar\\Button%2010=ClearCmd\n"
        "Toolbar\\Button%202=NoSuchCmd\n"
        "Toolbar\\Button%203=compresscmd\n"
        "Toolbar\\Button%2007=CropCmd\n"
        "Toolbar\\Other=CropCmd\n");
    SettingsStore store;
    store.Settings().beginGroup("MainForm");
    EXPECT_EQ(LoadToolbar(store.Settings(), Commands), QStringList({"CompressCmd", "", "", "DeleteCmd", "ClearCmd"}));
}

TEST(SettingsStore, LoadFormPosSetsOnlyTheBoundsPresent) {
    IsolatedHome home;
    WriteConf("[OptionsForm]\nWidth=420\nTop=-30\n");
    SettingsStore store;
    QRect bounds(10, 20, 300, 350);
    store.Settings().beginGroup(OptionsFormGroup);
    LoadFormPos(store.Settings(), bounds);
    EXPECT_EQ(bounds, QRect(10, -30, 420, 350));
}

// Files QSettings would rewrite losing lines; each is read but never written.
class DamagedFile : public testing::TestWithParam<std::string> {};

TEST_P(DamagedFile, IsReadButNeverWritten) {
    IsolatedHome home;
    WriteConf(GetParam());
    {
        SettingsStore store;
        EXPECT_FALSE(store.Problem().isEmpty());
        TrimoraSettings settings;
        QStringList warnings;
        LoadSettings(store, settings, Commands, &warnings);
        EXPECT_EQ(settings.CompressOptions, 16u);  // the readable value still counts
        QString error;
        EXPECT_FALSE(SaveSettings(store, settings, &error));
        EXPECT_EQ(error, store.Problem());
        store.Settings().setValue("Recurse", 0);  // left pending for the destructor
    }
    EXPECT_EQ(test::ReadText(ConfFile()), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Contents, DamagedFile,
                         testing::Values("CompressOptions=16\n[MainForm\nWidth=5\n"s,
                                         "CompressOptions=16\nhalf a line\n"s, "CompressOptions=16\nSuffix=.b\0ak\n"s,
                                         "CompressOptions=16\nSuffix=\xff\xfe\n"s, "CompressOptions=16\n=orphan\n"s));

TEST(SettingsStore, CommentsAndValuesOverSeveralLinesAreNotDamage) {
    IsolatedHome home;
    WriteConf(
        "; written by hand\n# another comment\n[General]\nCompressOptions=16\nMoveFolder=\"two\nlines\"\n"
        "OtherFolder=one \\\ngoes on\n");
    SettingsStore store;
    EXPECT_TRUE(store.Problem().isEmpty()) << store.Problem().toStdString();
}

TEST(SettingsStore, CompressDefaultsComeFromTheStore) {
    IsolatedHome home;
    WriteConf("[General]\nCompressOptions=17\nSuffix=\" \"\nScriptExt=\"*.js;*.mjs\"\nRecurse=0\n");
    SettingsStore store;
    QStringList warnings;
    const CompressDefaults defaults = ReadCompressDefaults(store, &warnings);
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_EQ(defaults.Options.CompressOptions, 17u);
    EXPECT_EQ(defaults.Options.Suffix, ".bak");
    EXPECT_EQ(defaults.Options.MoveFolder, "backup/");
    EXPECT_FALSE(defaults.Options.Recurse);
    EXPECT_EQ(defaults.Fallback.ScriptExt, "*.js;*.mjs");
    EXPECT_EQ(defaults.Fallback.StyleExt, "*.css");
    EXPECT_EQ(defaults.TagSettingsPath, home / "trimora/trimora.nti");
}

struct FolderCase {
    const char* Name;
    std::optional<std::string> TrimoraHome;
    std::optional<std::string> XdgDataHome;
    const char* Expected;  // below the test's folder
    friend void PrintTo(const FolderCase& c, std::ostream* out) { *out << c.Name; }
};

class DataFolderChoice : public testing::TestWithParam<FolderCase> {};

// The batch layer finds the data folder by the same rules; both must agree.
TEST_P(DataFolderChoice, FollowsTrimoraHomeThenXdgDataHomeThenHome) {
    IsolatedHome home;
    const FolderCase& c = GetParam();
    auto inside = [&](const std::optional<std::string>& value) -> std::optional<std::string> {
        if (!value || value->empty() || (*value)[0] != '/') return value;
        return home / value->substr(1);
    };
    home.Set("TRIMORA_HOME", inside(c.TrimoraHome));
    home.Set("XDG_DATA_HOME", inside(c.XdgDataHome));
    EXPECT_EQ(DataFolder().toStdString(), home / c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DataFolderChoice,
    testing::Values(FolderCase{"TrimoraHome", "/th", "/xdg", "th"},
                    FolderCase{"TrimoraHomeWithSlash", "/th/", "/xdg", "th"},
                    FolderCase{"EmptyTrimoraHome", "", "/xdg", "xdg/Kestrova/Trimora"},
                    FolderCase{"XdgDataHome", std::nullopt, "/xdg", "xdg/Kestrova/Trimora"},
                    FolderCase{"RelativeXdgDataHome", std::nullopt, "rel/data", "home/.local/share/Kestrova/Trimora"},
                    FolderCase{"NeitherSet", std::nullopt, std::nullopt, "home/.local/share/Kestrova/Trimora"}),
    [](const testing::TestParamInfo<FolderCase>& param) { return std::string(param.param.Name); });

}  // namespace
}  // namespace trimora::app
