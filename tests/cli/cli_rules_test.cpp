#include <cstdio>
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

TEST(CliRules, ShowPrintsFormatsTagsAndFlagsByName) {
    TempDir dir;
    const CliResult builtIn = RunCli(dir, "rules show");
    EXPECT_EQ(builtIn.Status, 0);
    EXPECT_NE(builtIn.Out.find("\"*.html;*.htm\"  maximum length 0  flags tfRemoveQuotes"), std::string::npos);
    EXPECT_NE(builtIn.Out.find("tag STRONG  replace with B  flags tfReplaceTag"), std::string::npos);
    EXPECT_NE(builtIn.Out.find("sub tag *VB*  pattern \"*vb*\"  flags tfVBScript"), std::string::npos);
    EXPECT_NE(builtIn.Out.find("maximum length 100"), std::string::npos);
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
                    ExitCase{"rules", 2, "missing"}, ExitCase{"rules convert DIR/newer.nti", 2, "IN and OUT"},
                    ExitCase{"rules default", 2, "exactly one"}, ExitCase{"rules show a b", 2, "at most one"},
                    ExitCase{"rules show --bogus", 2, "unknown option"},
                    ExitCase{"rules convert DIR/newer.nti DIR/out.nti", 1, "New Version Detected"},
                    ExitCase{"rules convert DIR/missing.nti DIR/out.nti", 1, "no such file"},
                    ExitCase{"rules convert DIR/ DIR/out.nti", 1, "Cannot open file"},
                    ExitCase{"rules show DIR/newer.nti", 1, "newer version"},
                    ExitCase{"rules default DIR/no/such/folder/x.nti", 1, "Cannot create file"},
                    ExitCase{"rules show DIR/corrupt.nti", 0, ""}, ExitCase{"--help", 0, ""},
                    ExitCase{"rules --help", 0, ""}, ExitCase{"rules convert --help", 0, ""}));

}  // namespace
}  // namespace trimora
