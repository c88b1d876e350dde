#include <gtest/gtest.h>

#include "app_paths.h"
#include "default_rules.h"
#include "isolated_home.h"
#include "restore_defaults.h"

namespace trimora::app {
namespace {

using test::IsolatedHome;

std::string BuiltInRules() {
    const auto bytes = DefaultRuleBytes();
    return {bytes.begin(), bytes.end()};
}

LstAssociation TestAssociation() { return LstAssociation::ForProgram("/opt/trimora/trimora"); }

QStringList StoredToolbar(QSettings& settings) {
    settings.beginGroup("MainForm/Toolbar");
    QStringList buttons;
    for (int i = 0; settings.contains(QStringLiteral("Button %1").arg(i)); ++i)
        buttons << settings.value(QStringLiteral("Button %1").arg(i)).toString();
    const auto count = settings.childKeys().size();
    settings.endGroup();
    EXPECT_EQ(count, buttons.size()) << "values beyond the toolbar's buttons";
    return buttons;
}

TEST(RestoreDefaults, FirstStartWritesEveryDefault) {
    IsolatedHome home;
    SettingsStore store;
    const auto report = RunFirstStart(store, QSize(1920, 1080), TestAssociation());
    ASSERT_TRUE(report.has_value());
    EXPECT_TRUE(report->Problems.isEmpty()) << report->Problems.join('\n').toStdString();
    EXPECT_TRUE(report->SettingsWritten && report->TagSettingsWritten && report->Associated);

    SettingsStore reopened;
    QSettings& settings = reopened.Settings();
    const std::map<QString, QVariant> expected = {{"CompressOptions", 40},     {"MoveFolder", "backup/"},
                                                  {"OtherFolder", ""},         {"Recurse", 1},
                                                  {"AutoSaveLoad", 1},         {"Priority", 0},
                                                  {"MainForm/Width", 600},     {"MainForm/Height", 450},
                                                  {"MainForm/Left", 660},      {"MainForm/Top", 315},
                                                  {"MainForm/Column 1", 130},  {"MainForm/Column 2", 150},
                                                  {"MainForm/Column 3", 70},   {"MainForm/Column 4", 110},
                                                  {"MainForm/Column 5", 128},  {"OptionsForm/Width", 350},
                                                  {"OptionsForm/Height", 450}, {"OptionsForm/Left", 785},
                                                  {"OptionsForm/Top", 315}};
    for (const auto& [key, value] : expected)
        EXPECT_EQ(settings.value(key).toString(), value.toString()) << key.toStdString();
    for (const char* absent : {"Suffix", "ShowTips", "ScriptExt", "StyleExt", "MainForm/Theme"})
        EXPECT_FALSE(settings.contains(absent)) << absent;
    EXPECT_EQ(StoredToolbar(settings), DefaultToolbarButtons());
    EXPECT_EQ(test::ReadText(TagSettingsPath().toStdString()), BuiltInRules());
    EXPECT_TRUE(AssociateLst(false, false, TestAssociation()));

    // Read back as the main window does; the blank suffix is ".bak" and is
    // written so at exit.
    TrimoraSettings loaded;
    LoadSettings(reopened, loaded, {}, nullptr);
    EXPECT_EQ(loaded.Suffix, ".bak");
    EXPECT_EQ(loaded.MainFormBounds, QRect(660, 315, 600, 450));
    ASSERT_TRUE(SaveSettings(reopened, loaded));
    EXPECT_EQ(SettingsStore().Settings().value("Suffix").toString(), ".bak");

    SettingsStore again;
    EXPECT_FALSE(RunFirstStart(again, QSize(1920, 1080), TestAssociation()).has_value());
}

TEST(RestoreDefaults, FirstStartCanLeaveTheAssociationToTheDesktop) {
    IsolatedHome home;
    SettingsStore store;
    const auto report = RunFirstStart(store, std::nullopt, TestAssociation(), AssociationStep::Leave);
    ASSERT_TRUE(report.has_value());
    EXPECT_TRUE(report->SettingsWritten && report->TagSettingsWritten);
    EXPECT_FALSE(report->Associated);
    EXPECT_EQ(test::ReadText(TagSettingsPath().toStdString()), BuiltInRules());
    EXPECT_FALSE(std::filesystem::exists(TestAssociation().DesktopFile().toStdString()));
    EXPECT_FALSE(std::filesystem::exists(TestAssociation().MimePackageFile().toStdString()));
}

struct ScreenCase {
    int Width, Height, Left, Top;
    friend void PrintTo(const ScreenCase& c, std::ostream* out) { *out << c.Width << 'x' << c.Height; }
};

class CentredDefaults : public testing::TestWithParam<ScreenCase> {};

TEST_P(CentredDefaults, HalveTheScreenAsAnUnsignedShift) {
    const ScreenCase& c = GetParam();
    const SettingValue* left = FindSettingValue("MainForm/Left");
    const SettingValue* top = FindSettingValue("MainForm/Top");
    EXPECT_EQ(DefaultValue(*left, QSize(c.Width, c.Height)).toInt(), c.Left);
    EXPECT_EQ(DefaultValue(*top, QSize(c.Width, c.Height)).toInt(), c.Top);
    EXPECT_FALSE(DefaultValue(*left).isValid());
}

INSTANTIATE_TEST_SUITE_P(Screens, CentredDefaults,
                         testing::Values(ScreenCase{1024, 768, 212, 159}, ScreenCase{1025, 769, 212, 159},
                                         ScreenCase{500, 400, -50, -25}));

TEST(RestoreDefaults, WithoutOverwriteAddsOnlyWhatIsMissing) {
    IsolatedHome home;
    {
        SettingsStore store;
        QSettings& settings = store.Settings();
        settings.setValue("CompressOptions", 16);
        settings.setValue("MainForm/Width", 900);
        settings.setValue("MainForm/Column 1", "not a number");
        settings.beginGroup("MainForm");
        SaveToolbar(settings, {"CropCmd", "", "DeleteCmd"});
        settings.endGroup();
        ASSERT_TRUE(store.Sync());
    }
    SettingsStore store;
    const RestoreReport report = RestoreDefaults(store, false, QSize(1024, 768), TestAssociation());
    EXPECT_TRUE(report.Problems.isEmpty());
    SettingsStore reopened;
    QSettings& settings = reopened.Settings();
    EXPECT_EQ(settings.value("CompressOptions").toInt(), 16);
    EXPECT_EQ(settings.value("MainForm/Width").toInt(), 900);
    EXPECT_EQ(settings.value("MainForm/Column 1").toString(), "not a number");
    EXPECT_EQ(settings.value("MainForm/Left").toInt(), 212);
    EXPECT_EQ(settings.value("MoveFolder").toString(), "backup/");
    // A toolbar the user arranged is one value: it is not filled up with defaults.
    EXPECT_EQ(StoredToolbar(settings), QStringList({"CropCmd", "", "DeleteCmd"}));
    EXPECT_FALSE(AssociateLst(false, false, TestAssociation()));
    EXPECT_EQ(test::ReadText(TagSettingsPath().toStdString()), BuiltInRules());
}

TEST(RestoreDefaults, WithOverwriteRewritesEverythingAndKeepsWhatItReplaces) {
    IsolatedHome home;
    std::filesystem::create_directories(DataFolder().toStdString());
    test::WriteText(TagSettingsPath().toStdString(), "TR3 edited rules");
    {
        SettingsStore store;
        QSettings& settings = store.Settings();
        settings.setValue("CompressOptions", 16);
        settings.setValue("Suffix", ".orig");
        settings.setValue("MainForm/Left", 5000);
        settings.setValue("OptionsForm/Top", 7);
        settings.beginGroup("MainForm");
        SaveToolbar(settings, QStringList(14, "CropCmd"));
        settings.endGroup();
        ASSERT_TRUE(store.Sync());
    }
    SettingsStore store;
    // No display: the windows' stored positions go, so they open centred.
    const RestoreReport report = RestoreDefaults(store, true, std::nullopt, TestAssociation());
    EXPECT_TRUE(report.Problems.isEmpty()) << report.Problems.join('\n').toStdString();
    EXPECT_EQ(report.OldTagSettingsKeptAs, TagSettingsPath() + ".bak");
    EXPECT_EQ(test::ReadText((TagSettingsPath() + ".bak").toStdString()), "TR3 edited rules");
    EXPECT_EQ(test::ReadText(TagSettingsPath().toStdString()), BuiltInRules());

    SettingsStore reopened;
    QSettings& settings = reopened.Settings();
    EXPECT_EQ(settings.value("CompressOptions").toInt(), 40);
    EXPECT_EQ(settings.value("Suffix").toString(), ".orig");  // has no default to go back to
    EXPECT_FALSE(settings.contains("MainForm/Left"));
    EXPECT_FALSE(settings.contains("OptionsForm/Top"));
    EXPECT_EQ(StoredToolbar(settings), DefaultToolbarButtons());
    EXPECT_TRUE(AssociateLst(false, false, TestAssociation()));
}

TEST(RestoreDefaults, WithOverwriteSetsADamagedSettingsFileAside) {
    IsolatedHome home;
    const std::string conf = TrimoraHomeSettingsFile().toStdString();
    std::filesystem::create_directories(std::filesystem::path(conf).parent_path());
    test::WriteText(conf, "CompressOptions=16\n[MainForm\n");
    {
        SettingsStore store;
        EXPECT_FALSE(RunFirstStart(store, std::nullopt, TestAssociation()).has_value());
        const RestoreReport added = RestoreDefaults(store, false, std::nullopt, TestAssociation());
        EXPECT_FALSE(added.SettingsWritten);
        EXPECT_FALSE(added.Problems.isEmpty());
        EXPECT_EQ(test::ReadText(conf), "CompressOptions=16\n[MainForm\n");
    }
    SettingsStore store;
    const RestoreReport reset = RestoreDefaults(store, true, std::nullopt, TestAssociation());
    EXPECT_TRUE(reset.SettingsWritten);
    EXPECT_EQ(reset.DamagedSettingsKeptAs.toStdString(), conf + ".damaged");
    EXPECT_EQ(test::ReadText(conf + ".damaged"), "CompressOptions=16\n[MainForm\n");
    EXPECT_EQ(SettingsStore().Settings().value("CompressOptions").toInt(), 40);
}

TEST(RestoreDefaults, AnUnwritableDataFolderIsReportedNotFatal) {
    IsolatedHome home;
    test::WriteText(home / "blocker", "x");
    home.Set("TRIMORA_HOME", home / "blocker/trimora");
    SettingsStore store;
    const RestoreReport report = RestoreDefaults(store, false, std::nullopt, TestAssociation());
    EXPECT_FALSE(report.TagSettingsWritten);
    EXPECT_FALSE(report.SettingsWritten);
    EXPECT_EQ(report.Problems.size(), 2);
    EXPECT_EQ(test::ReadText(home / "blocker"), "x");
}

}  // namespace
}  // namespace trimora::app
