#include <sys/stat.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "file_io.h"
#include "test_support.h"

namespace trimora {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

class CompressFileTest : public testing::Test {
protected:
    CompressFileTest() : engine("") { test::LoadBuiltInRules(engine); }
    ~CompressFileTest() override { SetWriteFailureAfterForTesting(-1); }

    const std::string page = "<p>  Hello   <strong>world</strong>  </p>\n";
    const std::string compressed = "<p> Hello <B>world</B></p>";
    TempDir dir;
    TTrimora engine;
};

TEST_F(CompressFileTest, InPlaceReplacesTheSource) {
    test::WriteText(dir / "a.htm", page);
    EXPECT_EQ(engine.Compress(dir / "a.htm", "").Size, static_cast<std::int64_t>(compressed.size()));
    EXPECT_EQ(test::ReadText(dir / "a.htm"), compressed);
}

TEST_F(CompressFileTest, IntoAnotherFileLeavesTheSource) {
    test::WriteText(dir / "a.htm", page);
    EXPECT_EQ(engine.Compress(dir / "a.htm", dir / "out.htm").Size, static_cast<std::int64_t>(compressed.size()));
    EXPECT_EQ(test::ReadText(dir / "a.htm"), page);
    EXPECT_EQ(test::ReadText(dir / "out.htm"), compressed);
}

TEST_F(CompressFileTest, FailedSaveAnswersMinusOneAndKeepsTheSource) {
    test::WriteText(dir / "a.htm", page);
    SetWriteFailureAfterForTesting(3);  // the disk fills up
    const CompressResult result = engine.Compress(dir / "a.htm", "");
    EXPECT_EQ(result.Size, -1);
    EXPECT_EQ(result.Status, CompressStatus::CannotSave);
    EXPECT_EQ(test::ReadText(dir / "a.htm"), page);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 1) << "no temporary file left behind";
}

TEST_F(CompressFileTest, MissingDestinationFolderAnswersMinusOne) {
    test::WriteText(dir / "a.htm", page);
    const CompressResult result = engine.Compress(dir / "a.htm", dir / "none/out.htm");
    EXPECT_EQ(result.Size, -1);
    EXPECT_EQ(result.Detail, "Cannot create file " + (dir / "none/out.htm"));
}

TEST_F(CompressFileTest, ExistingDestinationKeepsItsPermissionBits) {
    test::WriteText(dir / "a.htm", page);
    ::chmod((dir / "a.htm").c_str(), 0640);
    ASSERT_GT(engine.Compress(dir / "a.htm", "").Size, 0);
    EXPECT_EQ(fs::status(dir / "a.htm").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(CompressFileTest, SymbolicLinkStaysAndItsTargetIsRewritten) {
    fs::create_directory(dir.Path() / "real");
    test::WriteText(dir / "real/a.htm", page);
    fs::create_symlink("real/a.htm", dir.Path() / "link.htm");
    ASSERT_GT(engine.Compress(dir / "link.htm", "").Size, 0);
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.htm"));
    EXPECT_EQ(test::ReadText(dir / "real/a.htm"), compressed);
}

TEST_F(CompressFileTest, UnreadableOrUnmatchedFilesAreLeftAlone) {
    const CompressResult missing = engine.Compress(dir / "missing.htm", "");
    EXPECT_EQ(missing.Size, -1);
    EXPECT_EQ(missing.Status, CompressStatus::CannotRead);
    EXPECT_EQ(missing.Detail, "Cannot open file " + (dir / "missing.htm"));
    fs::create_directory(dir.Path() / "folder.htm");
    EXPECT_EQ(engine.Compress(dir / "folder.htm", "").Status, CompressStatus::CannotRead);
    for (const char* name : {"notes.txt", "README"}) {
        test::WriteText(dir / name, page);
        const CompressResult result = engine.Compress(dir / name, "");
        EXPECT_EQ(result.Size, -1);
        EXPECT_EQ(result.Status, CompressStatus::NoFormat);
        EXPECT_EQ(result.Detail, "No file format matches the name " + (dir / name));
        EXPECT_EQ(test::ReadText(dir / name), page);
    }
}

TEST_F(CompressFileTest, EmptySourceGivesAnEmptyResult) {
    test::WriteText(dir / "a.css", "");
    EXPECT_EQ(engine.Compress(dir / "a.css", dir / "b.css").Size, 0);
    EXPECT_TRUE(fs::exists(dir.Path() / "b.css"));
    EXPECT_EQ(fs::file_size(dir.Path() / "b.css"), 0u);
}

TEST_F(CompressFileTest, EveryFileIsCompressedAlike) {
    // Nothing carries over from one file to the next.
    test::WriteText(dir / "a.htm", "<meta name=\"author\" content=x><p>a</p>");
    test::WriteText(dir / "b.css", "</ > <x y=\"1\">");
    test::WriteText(dir / "c.htm", page);
    engine.Compress(dir / "a.htm", dir / "a.out");
    engine.Compress(dir / "b.css", dir / "b.out");
    engine.Compress(dir / "c.htm", dir / "c.out");
    TTrimora fresh("");
    test::LoadBuiltInRules(fresh);
    fresh.Compress(dir / "b.css", dir / "b.fresh");
    EXPECT_EQ(test::ReadText(dir / "b.out"), test::ReadText(dir / "b.fresh"));
    EXPECT_EQ(test::ReadText(dir / "c.out"), compressed);
}


// Large files are read with a second thread clearing the back half of the
// buffer and written in pieces: the bytes must come through whole, and a
// full disk in a later piece must still leave the destination as it was.
TEST_F(CompressFileTest, LargeFilesAreReadAndWrittenWhole) {
    std::string large;
    for (int n = 0; large.size() < (std::size_t{21} << 20); ++n)
        large += "<p>  line " + std::to_string(n) + "   <strong>x</strong>  </p>\n";
    test::WriteText(dir / "big.htm", large);
    TByteBuffer read;
    ASSERT_EQ(ReadWholeFile(dir / "big.htm", read), ReadResult::Ok);
    ASSERT_EQ(std::string(read.begin(), read.end()), large);

    const std::string copy(read.begin(), read.end());
    ASSERT_TRUE(WriteFileReplacing(dir / "copy.htm", read.data(), read.size()));
    EXPECT_EQ(test::ReadText(dir / "copy.htm"), copy);

    test::WriteText(dir / "kept.htm", "old");
    SetWriteFailureAfterForTesting(std::int64_t{17} << 20);  // the disk fills up in the third piece
    std::string reason;
    EXPECT_FALSE(WriteFileReplacing(dir / "kept.htm", read.data(), read.size(), &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(test::ReadText(dir / "kept.htm"), "old");
    SetWriteFailureAfterForTesting(-1);

    EXPECT_GT(engine.Compress(dir / "big.htm", "").Size, 0);
    std::size_t leftovers = 0;
    for (const auto& entry : fs::directory_iterator(dir.Path())) leftovers += IsTemporaryName(entry.path().filename().string());
    EXPECT_EQ(leftovers, 0u);
}

}  // namespace
}  // namespace trimora
