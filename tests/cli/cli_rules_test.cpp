#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "default_rules.h"
#include "cli_test_support.h"
#include "trimora.h"

namespace trimora {
namespace {

using test::TempDir;
using Bytes = std::vector<std::uint8_t>;

using test::CliResult;

CliResult RunCli(const TempDir& dir, const std::string& arguments) { return test::RunTrimoraCli(dir, arguments); }

Bytes Tr2Record(const std::string& name, std::uint32_t flags, const std::string& pattern) {
    Bytes record(284, 0);
    record[0] = static_cast<std::uint8_t>(name.size());
    std::copy(name.begin(), name.end(), record.begin() + 1);
    record[24] = static_cast<std::uint8_t>(flags);
    record[25] = static_cast<std::uint8_t>(flags >> 8);
    record[28] = static_cast<std::uint8_t>(pattern.size());
    std::copy(pattern.begin(), pattern.end(), record.begin() + 29);
    return record;
}

TEST(CliRules, DefaultWritesTheBuiltInBytes) {
    TempDir dir;
    const CliResult result = RunCli(dir, "rules default " + (dir / "out.nti"));
    EXPECT_EQ(result.Status, 0) << result.Err;
    const auto builtIn = DefaultRuleBytes();
    EXPECT_EQ(test::ReadBytes(dir / "out.nti"), Bytes(builtIn.begin(), builtIn.end()));
    EXPECT_EQ(test::ReadBytes(dir / "out.nti").size(), 11235u);
}

TEST(CliRules, ConvertTurnsAnOlderLayoutIntoTheNewest) {
    TempDir dir;
    Bytes file{'T', 'R', '2'};
    for (const Bytes& record : {Tr2Record("td", 4, ""), Tr2Record("SCRIPT", 0x10, "*javascript*"),
                                Tr2Record("SCRIPT", 0x100, "*vb*"), Tr2Record("b", 0x40, "")})
        file.insert(file.end(), record.begin(), record.end());
    test::WriteBytes(dir / "old.nti", file);
    const CliResult result = RunCli(dir, "rules convert " + (dir / "old.nti") + " " + (dir / "new.nti"));
    ASSERT_EQ(result.Status, 0) << result.Err;

    TTrimora engine(dir / "new.nti");
    ASSERT_EQ(engine.LoadReport().Layout, 3);
    ASSERT_EQ(engine.Formats().Size(), 3u);
    const TTagInfo& tags = engine.Formats()[0].Children;
    ASSERT_EQ(tags.Size(), 3u);
    EXPECT_EQ(tags[0].Name.Str(), "B");
    EXPECT_EQ(tags[1].Name.Str(), "SCRIPT");
    EXPECT_EQ(tags[1].Flags, tfDoNotCompress);
    EXPECT_EQ(tags[1].Children.Size(), 2u);
    EXPECT_EQ(tags[2].Name.Str(), "TD");
    EXPECT_EQ(test::ReadBytes(dir / "new.nti").size(), 3u + 8u * 288u);
}

TEST(CliRules, ShowPrintsTheTextForm) {
    TempDir dir;
    const CliResult builtIn = RunCli(dir, "rules show");
    EXPECT_EQ(builtIn.Status, 0);
    for (const char* line : {"format \"*.html;*.htm\" max 0 flags tfRemoveQuotes\n",
                             "  tag \"STRONG\" replace \"B\" flags tfReplaceTag\n", "    sub \"*vb*\" flags tfVBScript\n",
                             "format \"*.xml\" max 100 flags none\n"})
        EXPECT_NE(builtIn.Out.find(line), std::string::npos) << line << builtIn.Out;
    EXPECT_EQ(RunCli(dir, "rules show classic").Out, builtIn.Out);
    const CliResult modern = RunCli(dir, "rules show modern");
    EXPECT_NE(modern.Out.find("format \"*.js;*.mjs;*.cjs\" max 0 flags tfJavaScript tfKeepLicense\n"), std::string::npos)
        << modern.Out;
}

TEST(CliRules, DefaultWritesEitherSet) {
    TempDir dir;
    for (BuiltInSet set : {BuiltInSet::Classic, BuiltInSet::Modern}) {
        const std::string name(BuiltInSetName(set));
        const CliResult result = RunCli(dir, "rules default --" + name + " " + (dir / (name + ".nti")));
        ASSERT_EQ(result.Status, 0) << result.Err;
        const auto bytes = BuiltInRuleBytes(set);
        EXPECT_EQ(test::ReadBytes(dir / (name + ".nti")), Bytes(bytes.begin(), bytes.end())) << name;
    }
}

// show, then import what it printed: the same file, and the same text again.
TEST(CliRules, ShowAndImportMakeTheRoundTripExactly) {
    TempDir dir;
    Bytes older{'T', 'R', '2'};
    for (const Bytes& record : {Tr2Record("td", 4, ""), Tr2Record("SCRIPT", 0x10, "*java\tscript*"),
                                Tr2Record("SCRIPT", 0x4100, "*vb\"*")})
        older.insert(older.end(), record.begin(), record.end());
    test::WriteBytes(dir / "older.nti", older);
    ASSERT_EQ(RunCli(dir, "rules convert " + (dir / "older.nti") + " " + (dir / "converted.nti")).Status, 0);
    for (const std::string& rules : {std::string("classic"), std::string("modern"), dir / "converted.nti"}) {
        const CliResult shown = RunCli(dir, "rules show " + rules);
        ASSERT_EQ(shown.Status, 0) << shown.Err;
        test::WriteText(dir / "rules.txt", shown.Out);
        const CliResult imported = RunCli(dir, "rules import " + (dir / "rules.txt") + " " + (dir / "imported.nti"));
        ASSERT_EQ(imported.Status, 0) << imported.Err;
        const auto set = BuiltInSetNamed(rules);
        const Bytes expected = set ? Bytes(BuiltInRuleBytes(*set).begin(), BuiltInRuleBytes(*set).end())
                                   : test::ReadBytes(rules);
        EXPECT_EQ(test::ReadBytes(dir / "imported.nti"), expected) << rules;
        EXPECT_EQ(RunCli(dir, "rules show " + (dir / "imported.nti")).Out, shown.Out) << rules;
    }
    // From standard input too.
    const CliResult piped = test::RunTrimoraCli(dir, "rules import - " + (dir / "piped.nti"),
                                                RunCli(dir, "rules show modern").Out);
    ASSERT_EQ(piped.Status, 0) << piped.Err;
    const auto modern = BuiltInRuleBytes(BuiltInSet::Modern);
    EXPECT_EQ(test::ReadBytes(dir / "piped.nti"), Bytes(modern.begin(), modern.end()));
}

TEST(CliRules, ImportRefusesATextThatDoesNotReadAndWritesNothing) {
    TempDir dir;
    test::WriteText(dir / "rules.txt", "# mine\nformat \"*.htm\" max 0 flags none\n  tag \"P\" flags tfRemoveWhitspace\n");
    const CliResult result = RunCli(dir, "rules import " + (dir / "rules.txt") + " " + (dir / "out.nti"));
    EXPECT_EQ(result.Status, 1);
    EXPECT_NE(result.Err.find(dir / "rules.txt" + ":3: unknown flag 'tfRemoveWhitspace'"), std::string::npos)
        << result.Err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out.nti"));
}

// Runs trimora-cli with its home, data and settings folders inside dir.
CliResult RunAtHome(const TempDir& dir, const std::string& arguments) {
    return test::RunTrimoraCli(dir, arguments, "", 120,
                               "HOME='" + (dir / "home") + "' XDG_DATA_HOME='" + (dir / "home/data") +
                                   "' XDG_CONFIG_HOME='" + (dir / "home/config") + "' TRIMORA_HOME='" +
                                   (dir / "trimora") + "'");
}

Bytes SetBytes(BuiltInSet set) {
    const auto bytes = BuiltInRuleBytes(set);
    return Bytes(bytes.begin(), bytes.end());
}

TEST(CliRules, UseWritesTheSetAndKeepsAnEditedFile) {
    TempDir dir;
    // A fresh home: the first use writes the classic set, then the modern one replaces it.
    CliResult result = RunAtHome(dir, "rules use modern");
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(test::ReadBytes(dir / "trimora/trimora.nti"), SetBytes(BuiltInSet::Modern));
    EXPECT_FALSE(std::filesystem::exists(dir / "trimora/trimora.nti.bak")) << "a built-in set is no edit";

    Bytes edited = SetBytes(BuiltInSet::Classic);
    edited[3 + 288 + 25] ^= 0x04;  // the second format keeps its comments
    test::WriteBytes(dir / "trimora/trimora.nti", edited);
    result = RunAtHome(dir, "rules use classic");
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_NE(result.Err.find("kept as " + (dir / "trimora/trimora.nti.bak")), std::string::npos) << result.Err;
    EXPECT_EQ(test::ReadBytes(dir / "trimora/trimora.nti"), SetBytes(BuiltInSet::Classic));
    EXPECT_EQ(test::ReadBytes(dir / "trimora/trimora.nti.bak"), edited);

    // Switching between the sets keeps the edited copy as it is.
    ASSERT_EQ(RunAtHome(dir, "rules use modern").Status, 0);
    EXPECT_EQ(test::ReadBytes(dir / "trimora/trimora.nti.bak"), edited);

    // And the batch commands then work with it.
    test::WriteText(dir / "page.html", "<!DOCTYPE html>\n<p>a  <strong>b</strong></p>");
    result = RunAtHome(dir, "compress --backup none " + (dir / "page.html"));
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(test::ReadText(dir / "page.html"), "<!DOCTYPE html> <p>a <strong>b</strong></p>");
}

TEST(CliRules, BuiltInSetsByNameWhereARulesFileIsTaken) {
    TempDir dir;
    const std::string page = "<!DOCTYPE html>\n<p>a  <strong>b</strong></p>";
    test::WriteText(dir / "page.html", page);
    const std::string modern = "<!DOCTYPE html> <p>a <strong>b</strong></p>";
    const std::string classic = "<p>a <B>b</B></p>";
    EXPECT_EQ(RunCli(dir, "file " + (dir / "page.html") + " --rules modern").Out, modern);
    EXPECT_EQ(RunCli(dir, "file " + (dir / "page.html") + " --rules classic").Out, classic);

    CliResult result = RunAtHome(dir, "compress --rules modern --out " + (dir / "out") + " " + (dir / "page.html"));
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(test::ReadText(dir / "out/page.html"), modern);
    result = RunAtHome(dir, "compress --rules classic --jobs 2 --backup none " + (dir / "page.html"));
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(test::ReadText(dir / "page.html"), classic);
}

struct ExitCase {
    std::string Arguments;
    int Status;
    std::string ErrorPart;
    friend void PrintTo(const ExitCase& c, std::ostream* out) { *out << "trimora-cli " << c.Arguments; }
};

class CliRulesExitTest : public testing::TestWithParam<ExitCase> {};

TEST_P(CliRulesExitTest, ExitsWithTheRightStatus) {
    TempDir dir;
    test::WriteText(dir / "newer.nti", "TR7");
    test::WriteText(dir / "corrupt.nti", std::string("TR3"));
    const std::string arguments = test::InFolder(dir, GetParam().Arguments);
    const CliResult result = RunCli(dir, arguments);
    EXPECT_EQ(result.Status, GetParam().Status) << arguments << "\n" << result.Err;
    EXPECT_NE(result.Err.find(GetParam().ErrorPart), std::string::npos) << result.Err;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliRulesExitTest,
    testing::Values(ExitCase{"", 2, "no command"}, ExitCase{"frobnicate", 2, "unknown command"},
                    ExitCase{"rules", 2, "missing"}, ExitCase{"rules convert DIR/newer.nti", 2, "RULES and OUT"},
                    ExitCase{"rules default", 2, "exactly one"}, ExitCase{"rules default --modern", 2, "exactly one"},
                    ExitCase{"rules use", 2, "classic or modern"}, ExitCase{"rules use fancy", 2, "classic or modern"},
                    ExitCase{"rules import DIR/x.txt", 2, "TEXT and OUT"},
                    ExitCase{"rules import DIR/missing.txt DIR/out.nti", 1, "no such file"},
                    ExitCase{"rules show --modern", 2, "unknown option"}, ExitCase{"rules show a b", 2, "at most one"},
                    ExitCase{"rules show --bogus", 2, "unknown option"},
                    ExitCase{"rules convert DIR/newer.nti DIR/out.nti", 1, "New Version Detected"},
                    ExitCase{"rules convert DIR/missing.nti DIR/out.nti", 1, "no such file"},
                    ExitCase{"rules convert DIR/ DIR/out.nti", 1, "is not a regular file"},
                    ExitCase{"rules show DIR/newer.nti", 1, "newer version"},
                    ExitCase{"rules default DIR/no/such/folder/x.nti", 1, "Cannot create file"},
                    ExitCase{"rules show DIR/corrupt.nti", 0, ""}, ExitCase{"--help", 0, ""},
                    ExitCase{"rules --help", 0, ""}, ExitCase{"rules convert --help", 0, ""}));

}  // namespace
}  // namespace trimora
