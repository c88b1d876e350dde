#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli_test_support.h"
#include "default_rules.h"

namespace trimora {
namespace {

using test::TempDir;

using test::CliResult;
using test::RunTrimoraCli;

const std::string Page = "<p>  Hello   <strong>world</strong> <!-- note --> </p>\n";

TEST(CliFile, CompressesToStandardOutputOrAFile) {
    TempDir dir;
    test::WriteText(dir / "a.html", Page);
    CliResult result = RunTrimoraCli(dir, "file " + (dir / "a.html"));
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, "<p> Hello <B>world</B></p>");

    result = RunTrimoraCli(dir, "file " + (dir / "a.html") + " -o " + (dir / "b.html"));
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, "");
    EXPECT_EQ(test::ReadText(dir / "b.html"), "<p> Hello <B>world</B></p>");
    EXPECT_EQ(test::ReadText(dir / "a.html"), Page);
}

TEST(CliFile, ReadsStandardInputUnderTheGivenName) {
    TempDir dir;
    const CliResult result = RunTrimoraCli(dir, "file - --name style.css -o -", "a  {  b : c  }");
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, "a{b:c}");
}

TEST(CliFile, UsesTheGivenRules) {
    TempDir dir;
    test::WriteText(dir / "a.html", Page);
    // Rules that keep comments: one format, no tags.
    std::string rules = "TR3";
    std::string record(288, '\0');
    record[0] = 1;
    record[1] = '0';
    record[24] = 0x00;
    record[25] = 0x04;  // tfKeepComments
    const std::string pattern = "*.html";
    record[28] = static_cast<char>(pattern.size());
    record.replace(29, pattern.size(), pattern);
    test::WriteText(dir / "keep.nti", rules + record);
    const CliResult result = RunTrimoraCli(dir, "file " + (dir / "a.html") + " --rules " + (dir / "keep.nti"));
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, "<p> Hello <strong>world</strong> <!-- note --> </p>");
}

struct FileExitCase {
    std::string Arguments;
    int Status;
    std::string ErrorPart;
    friend void PrintTo(const FileExitCase& c, std::ostream* out) { *out << "trimora-cli " << c.Arguments; }
};

class CliFileExitTest : public testing::TestWithParam<FileExitCase> {};

TEST_P(CliFileExitTest, ExitsWithTheRightStatus) {
    TempDir dir;
    test::WriteText(dir / "a.html", Page);
    test::WriteText(dir / "notes.txt", "x");
    test::WriteText(dir / "newer.nti", "TR9");
    // The built-in rules cut short inside a record.
    const auto builtIn = DefaultRuleBytes();
    test::WriteBytes(dir / "cut.nti", std::vector<std::uint8_t>(builtIn.begin(), builtIn.begin() + 5000));
    // What is not a regular file: a pipe nobody writes to, a link to an
    // endless device, a folder and a link to one.
    ASSERT_EQ(::mkfifo((dir / "pipe.html").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir / "zero.html");
    std::filesystem::create_directory(dir / "folder.html");
    std::filesystem::create_directory_symlink("folder.html", dir / "linked.html");
    const CliResult result = RunTrimoraCli(dir, test::InFolder(dir, GetParam().Arguments), "<p>x</p>", 20);
    EXPECT_EQ(result.Status, GetParam().Status) << result.Err;
    EXPECT_NE(result.Err.find(GetParam().ErrorPart), std::string::npos) << result.Err;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliFileExitTest,
    testing::Values(FileExitCase{"file", 2, "missing IN"}, FileExitCase{"file -", 2, "--name"},
                    FileExitCase{"file DIR/a.html DIR/b.html", 2, "only one IN"},
                    FileExitCase{"file DIR/a.html --bogus", 2, "unknown option"},
                    FileExitCase{"file DIR/a.html -o", 2, "'-o' needs a value"},
                    FileExitCase{"file DIR/notes.txt", 1, "No file format matches"},
                    FileExitCase{"file - --name page", 1, "No file format matches"},
                    FileExitCase{"file DIR/missing.html", 1, "Cannot open file"},
                    FileExitCase{"file DIR/a.html -o DIR/no/dir/out.html", 1, "Cannot create file"},
                    FileExitCase{"file DIR/a.html --rules DIR/missing.nti", 1, "no such file"},
                    FileExitCase{"file DIR/a.html --rules DIR/newer.nti", 1, "newer version"},
                    // Damaged rules are refused: the loader's message, then why.
                    FileExitCase{"file DIR/a.html --rules DIR/cut.nti", 1, "Corrupt NTI file"},
                    FileExitCase{"file DIR/a.html --rules DIR/cut.nti", 1, "cut.nti: damaged"},
                    FileExitCase{"file DIR/pipe.html", 1, "pipe.html is not a regular file"},
                    FileExitCase{"file DIR/zero.html", 1, "zero.html is not a regular file"},
                    FileExitCase{"file DIR/folder.html", 1, "folder.html is not a regular file"},
                    FileExitCase{"file DIR/linked.html", 1, "linked.html is not a regular file"},
                    FileExitCase{"file DIR/a.html -o DIR/pipe.html", 1, "Cannot create file"},
                    FileExitCase{"file --help", 0, ""}));

}  // namespace
}  // namespace trimora
