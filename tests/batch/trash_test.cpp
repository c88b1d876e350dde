#include <unistd.h>

#include <filesystem>

#include "batch_fixture.h"
#include "recycle_index.h"
#include "trash.h"

namespace trimora::test {
namespace {

namespace fs = std::filesystem;

class TrashTest : public BatchTest {
protected:
    std::string InfoOf(const std::string& name) { return Read("home/.local/share/Trash/info/" + name + ".trashinfo"); }
};

TEST_F(TrashTest, CopyGoesInWithItsInfoAndTheFileStays) {
    Write("site/my page.html", "original");
    TTrash trash;
    EXPECT_EQ(trash.Folder(), TrashFolder());
    ASSERT_TRUE(trash.PutCopy(Dir / "site/my page.html"));
    EXPECT_EQ(Read("site/my page.html"), "original");
    EXPECT_EQ(Read("home/.local/share/Trash/files/my page.html"), "original");
    const std::string info = InfoOf("my page.html");
    EXPECT_EQ(info.substr(0, 18), "[Trash Info]\nPath=");
    EXPECT_NE(info.find("Path=" + Dir.Path().string() + "/site/my%20page.html\n"), std::string::npos);
    const std::size_t date = info.find("DeletionDate=");
    ASSERT_NE(date, std::string::npos);
    EXPECT_EQ(info.find('\n', date) - date, std::string("DeletionDate=2024-01-31T12:00:00").size());
    EXPECT_EQ(info[date + 13 + 10], 'T');
    // The last line names the writing process, for the sweep after an interrupted run.
    EXPECT_EQ(info.substr(info.find('\n', date) + 1), "# Trimora process " + std::to_string(::getpid()) + "\n");
}

TEST_F(TrashTest, NamesInTheTrashAreNeverReplaced) {
    Write("a/index.html", "first");
    Write("b/index.html", "second");
    Write("home/.local/share/Trash/files/index.2.html", "a stray file without info");
    TTrash trash;
    ASSERT_TRUE(trash.PutCopy(Dir / "a/index.html"));
    ASSERT_TRUE(trash.PutCopy(Dir / "b/index.html"));
    EXPECT_EQ(Read("home/.local/share/Trash/files/index.html"), "first");
    EXPECT_EQ(Read("home/.local/share/Trash/files/index.2.html"), "a stray file without info");
    EXPECT_EQ(Read("home/.local/share/Trash/files/index.3.html"), "second");
    EXPECT_NE(InfoOf("index.3.html").find("/b/index.html"), std::string::npos);
}

TEST_F(TrashTest, TakeBackChoosesTheNewestCopyOfThatExactPath) {
    Write("site/index.html", "older");
    TTrash trash;
    ASSERT_TRUE(trash.PutCopy(Dir / "site/index.html"));
    Write("site/index.html", "newer");
    ASSERT_TRUE(trash.PutCopy(Dir / "site/index.html"));
    Write("site/Index.html", "other case");
    ASSERT_TRUE(trash.PutCopy(Dir / "site/Index.html"));
    // Make the first copy look newer by its date.
    std::string info = InfoOf("index.html");
    info.replace(info.find("DeletionDate=") + 13, 4, "2999");
    WriteText(TrashFolder() + "info/index.html.trashinfo", info);

    Write("site/index.html", "compressed");
    TTrash fresh;
    ASSERT_TRUE(fresh.TakeBack(Dir / "site/index.html"));
    EXPECT_EQ(Read("site/index.html"), "older");
    EXPECT_FALSE(fs::exists(TrashFolder() + "info/index.html.trashinfo"));
    EXPECT_FALSE(fs::exists(TrashFolder() + "files/index.html"));
    ASSERT_TRUE(fresh.TakeBack(Dir / "site/index.html"));
    EXPECT_EQ(Read("site/index.html"), "newer");
    EXPECT_FALSE(fresh.TakeBack(Dir / "site/index.html"));
    EXPECT_FALSE(UndeleteFile(Dir / "site/missing.html"));
    EXPECT_EQ(fresh.Entries().size(), 1u);
}

TEST_F(TrashTest, TakeBackWritesThroughALink) {
    Write("real/index.html", "original");
    fs::create_directories(Dir / "site");
    fs::create_symlink(Dir / "real/index.html", Dir / "site/index.html");
    TTrash trash;
    ASSERT_TRUE(trash.PutCopy(Dir / "site/index.html"));
    Write("real/index.html", "compressed");
    ASSERT_TRUE(trash.TakeBack(Dir / "site/index.html"));
    EXPECT_TRUE(fs::is_symlink(Dir / "site/index.html"));
    EXPECT_EQ(Read("real/index.html"), "original");
}

TEST_F(TrashTest, NoHomeMeansNoTrash) {
    unsetenv("XDG_DATA_HOME");
    unsetenv("HOME");
    Write("a.html", "x");
    TTrash trash;
    std::string error;
    EXPECT_FALSE(trash.PutCopy(Dir / "a.html", &error));
    EXPECT_NE(error.find("no trash folder"), std::string::npos);
    setenv("XDG_DATA_HOME", "relative/is/ignored", 1);
    setenv("HOME", (Dir / "h").c_str(), 1);
    EXPECT_EQ(HomeTrashFolder(), Dir / "h/.local/share/Trash/");
}

struct EscapeCase {
    const char* Path;
    const char* Escaped;
};
class TrashEscapeTest : public ::testing::TestWithParam<EscapeCase> {};
TEST_P(TrashEscapeTest, RoundTrips) {
    EXPECT_EQ(TTrash::EscapePath(GetParam().Path), GetParam().Escaped);
    EXPECT_EQ(TTrash::UnescapePath(GetParam().Escaped), GetParam().Path);
}
INSTANTIATE_TEST_SUITE_P(Trash, TrashEscapeTest,
                         ::testing::Values(EscapeCase{"/site/index.html", "/site/index.html"},
                                           EscapeCase{"/a b/%.htm", "/a%20b/%25.htm"},
                                           EscapeCase{"/caf\xc3\xa9\n#?", "/caf%C3%A9%0A%23%3F"},
                                           EscapeCase{"/x-_.!~*'()", "/x-_.!~*'()"}));

struct InfoCase {
    const char* Name;
    const char* Text;
    bool Valid;
    const char* Path;
};
class TrashInfoTest : public ::testing::TestWithParam<InfoCase> {};
TEST_P(TrashInfoTest, Parses) {
    TTrash::Entry entry;
    EXPECT_EQ(TTrash::ParseInfo(GetParam().Text, entry), GetParam().Valid);
    if (GetParam().Valid) {
        EXPECT_EQ(entry.Path, GetParam().Path);
    }
}
INSTANTIATE_TEST_SUITE_P(
    Trash, TrashInfoTest,
    ::testing::Values(InfoCase{"Plain", "[Trash Info]\nPath=/a/b.htm\nDeletionDate=2024-01-01T00:00:00\n", true, "/a/b.htm"},
                      InfoCase{"CrLf", "[Trash Info]\r\nPath=/a%20b.htm\r\n", true, "/a b.htm"},
                      InfoCase{"OtherGroupFirst", "[Other]\nPath=/no\n[Trash Info]\nPath=/yes\n", true, "/yes"},
                      InfoCase{"NoGroup", "Path=/a\n", false, ""}, InfoCase{"NoPath", "[Trash Info]\nDeletionDate=x\n", false, ""},
                      InfoCase{"Empty", "", false, ""}),
    CaseName());

// A legacy recycle bin index: header, then records of 280 bytes.
std::vector<std::uint8_t> RecycleIndex(const std::vector<std::pair<std::string, std::uint32_t>>& records) {
    std::vector<std::uint8_t> data(RecycleHeaderSize, 0);
    for (const auto& [path, number] : records) {
        std::vector<std::uint8_t> record(RecycleRecordSize, 0);
        std::copy(path.begin(), path.end(), record.begin());
        for (int i = 0; i < 4; ++i) record[260 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(number >> (8 * i));
        data.insert(data.end(), record.begin(), record.end());
    }
    return data;
}

TEST(RecycleIndex, ParsesRecordsAndIgnoresAShortTail) {
    auto data = RecycleIndex({{"C:\\site\\index.htm", 3}, {"", 4}, {"D:\\x\\noext", 70000}});
    data.resize(data.size() + 100, 0xFF);
    const auto records = ParseRecycleIndex(data);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].Path, "C:\\site\\index.htm");
    EXPECT_EQ(records[0].Number, 3u);
    EXPECT_TRUE(records[0].Live);
    EXPECT_EQ(records[0].Offset, 20u);
    EXPECT_FALSE(records[1].Live);
    EXPECT_EQ(records[2].Number, 70000u);
    EXPECT_EQ(RecycledFileName(records[0]), "DC3.htm");
    EXPECT_EQ(RecycledFileName(records[2]), "DD70000");
    EXPECT_TRUE(ParseRecycleIndex(std::vector<std::uint8_t>(19, 1)).empty());
    // A path filling all 260 bytes without a terminator is cut there.
    auto full = RecycleIndex({{std::string(260, 'a'), 1}});
    EXPECT_EQ(ParseRecycleIndex(full)[0].Path.size(), 260u);
}

TEST(RecycleIndex, UndeleteTakesTheMatchingRecordOut) {
    TempDir drive;
    fs::create_directories(drive / "RECYCLER");
    WriteBytes(drive / "RECYCLER/INFO2",
               RecycleIndex({{"C:\\site\\a.htm", 1}, {"C:\\site\\index.htm", 2}, {"C:\\SITE\\INDEX.HTM", 3}}));
    WriteText(drive / "RECYCLER/DC2.htm", "original");
    WriteText(drive / "RECYCLER/DC3.htm", "other case");
    WriteText(drive / "index.htm", "compressed");
    const TRecycleBin bin = FindRecycleBin(drive.Path().string() + "/");
    EXPECT_EQ(bin.IndexName, "INFO2");
    ASSERT_TRUE(UndeleteFromRecycleBin(bin, "C:\\site\\index.htm", drive / "index.htm"));
    EXPECT_EQ(ReadText(drive / "index.htm"), "original");
    EXPECT_FALSE(fs::exists(drive / "RECYCLER/DC2.htm"));
    const auto records = ParseRecycleIndex(ReadBytes(drive / "RECYCLER/INFO2"));
    EXPECT_TRUE(records[0].Live);
    EXPECT_FALSE(records[1].Live);
    EXPECT_TRUE(records[2].Live);
    EXPECT_FALSE(UndeleteFromRecycleBin(bin, "C:\\site\\index.htm", drive / "index.htm"));
    // A record whose copy is missing is passed over.
    EXPECT_FALSE(UndeleteFromRecycleBin(bin, "C:\\site\\a.htm", drive / "a.htm"));
    EXPECT_FALSE(fs::exists(drive / "a.htm"));
    EXPECT_TRUE(FindRecycleBin(drive / "nothing/").Folder.empty());
}

}  // namespace
}  // namespace trimora::test
