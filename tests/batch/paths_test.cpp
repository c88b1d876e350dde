#include <gtest/gtest.h>

#include "file_entry.h"
#include "paths.h"
#include "test_support.h"

namespace trimora {
namespace {

struct TextCase {
    const char* Input;
    const char* Expected;
};

class NormalizeFolderTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(NormalizeFolderTest, Normalizes) {
    std::string folder = GetParam().Input;
    NormalizeFolder(folder);
    EXPECT_EQ(folder, GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Paths, NormalizeFolderTest,
                         ::testing::Values(TextCase{"", ""}, TextCase{"b", "b"}, TextCase{"/", "/"},
                                           TextCase{"backup", "backup/"}, TextCase{"backup/", "backup/"},
                                           TextCase{"/site//a///b", "/site/a/b/"},
                                           // The root stays: dropping it would make the folder relative.
                                           TextCase{"//server/share", "/server/share/"}));

struct CombineCase {
    const char* Base;
    const char* Relative;
    const char* Expected;
};

class CombinePathTest : public ::testing::TestWithParam<CombineCase> {};

TEST_P(CombinePathTest, Combines) {
    EXPECT_EQ(CombinePath(GetParam().Base, GetParam().Relative), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, CombinePathTest,
    ::testing::Values(CombineCase{"", "", ""}, CombineCase{" \t", " ", ""},
                      CombineCase{"/site/", "backup/", "/site/backup/"},
                      CombineCase{"/site", "backup", "/site/backup/"},
                      CombineCase{"/site/", "/backup/", "/site/backup/"},
                      CombineCase{" /site/ ", " min ", "/site/min/"},
                      CombineCase{"/site/", "", "/site/"},
                      CombineCase{"", "backup", "backup/"},
                      // Every leading dot climbs one folder.
                      CombineCase{"/site/a/", "./bak/", "/site/bak/"},
                      CombineCase{"/site/a/b/", "../bak/", "/site/bak/"},
                      CombineCase{"/site/a/", ".bak/", "/site/bak/"},
                      // Climbing stops at the root instead of turning relative.
                      CombineCase{"/site/", "../x/", "/x/"}, CombineCase{"/", "..../x", "/x/"},
                      CombineCase{"/site/", "./", "/"},
                      // A base without a separator stays as it is.
                      CombineCase{"site", "./x", "site/x/"}));

TEST(Paths, IsAbsolutePath) {
    EXPECT_TRUE(IsAbsolutePath("/"));
    EXPECT_TRUE(IsAbsolutePath("/out"));
    EXPECT_FALSE(IsAbsolutePath(""));
    EXPECT_FALSE(IsAbsolutePath("backup/"));
    EXPECT_FALSE(IsAbsolutePath("./x"));
}

TEST(Paths, FolderAndNameParts) {
    EXPECT_EQ(FolderPart("/site/index.htm"), "/site/");
    EXPECT_EQ(NamePart("/site/index.htm"), "index.htm");
    EXPECT_EQ(FolderPart("index.htm"), "");
    EXPECT_EQ(NamePart("/site/"), "");
    EXPECT_EQ(CommonPrefix("/site/abc/", "/site/abd/"), "/site/ab");
    EXPECT_EQ(CommonPrefix("/Site/", "/site/"), "/");
    EXPECT_EQ(CommonPrefix("a", "b"), "");
}

TEST(Paths, AbsolutePathIsLexicallyNormal) {
    EXPECT_EQ(AbsolutePath("/site/./a/../index.htm"), "/site/index.htm");
    EXPECT_EQ(AbsolutePath("x/y.htm", "/site/"), "/site/x/y.htm");
    EXPECT_EQ(AbsolutePath("/site/a//"), "/site/a/");
    EXPECT_EQ(AbsolutePath("/site/a"), "/site/a");
}

TEST(Paths, CommonFolderIsAWholeFolder) {
    auto entry = [](const char* folder) {
        TFileEntry e;
        e.Folder = folder;
        return e;
    };
    EXPECT_EQ(CommonFolder({}), "");
    EXPECT_EQ(CommonFolder({entry("/site/"), entry("/site/img/")}), "/site/");
    EXPECT_EQ(CommonFolder({entry("/site/img/"), entry("/site/img/")}), "/site/img/");
    // The common text "/site/ab" is not a folder: output below it would land
    // in folders "c" and "d" instead of "abc" and "abd".
    EXPECT_EQ(CommonFolder({entry("/site/abc/"), entry("/site/abd/")}), "/site/");
}

TEST(Paths, ForceFoldersMakesParentsAndRefusesAFileInTheWay) {
    test::TempDir dir;
    EXPECT_TRUE(ForceFolders(dir / "a/b/c/"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
    EXPECT_TRUE(ForceFolders(dir / "a/b/c/"));
    test::WriteText(dir / "file", "x");
    EXPECT_FALSE(ForceFolders(dir / "file/sub/"));
    EXPECT_FALSE(ForceFolders(dir / "file/"));
}

}  // namespace
}  // namespace trimora
