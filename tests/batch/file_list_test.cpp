#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "batch_fixture.h"
#include "report.h"

namespace trimora::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Sorted(std::vector<std::string> items) {
    std::sort(items.begin(), items.end());
    return items;
}

class FileListTest : public BatchTest {
protected:
    void MakeSite() {
        Write("site/index.html", "<p>home</p>");
        Write("site/style.css", "p { }");
        Write("site/photo.jpg", "not a page");
        Write("site/blog/post.htm", "<p>post</p>");
        Write("site/blog/deep/app.js", "var a = 1;");
    }
};

TEST_F(FileListTest, AddDirAddsSupportedFilesOfEveryLevel) {
    MakeSite();
    List.AddDir(Dir / "site");
    EXPECT_EQ(Sorted(Paths()), (std::vector<std::string>{"site/blog/deep/app.js", "site/blog/post.htm",
                                                        "site/index.html", "site/style.css"}));
    EXPECT_TRUE(List.ListModified);
    for (const TFileEntry& entry : List.EntryList) {
        EXPECT_EQ(StatusText(entry.Status), "Waiting");
        EXPECT_EQ(entry.OriginalSize, -1);
        EXPECT_EQ(entry.IconIndex, -1);
        EXPECT_FALSE(entry.BackedUp);
        EXPECT_EQ(entry.Folder.back(), '/');
    }
    const std::vector<std::string> paths = Paths();
    const auto index = std::find(paths.begin(), paths.end(), "site/index.html") - paths.begin();
    EXPECT_EQ(List.EntryList[static_cast<std::size_t>(index)].Size, 11);
    EXPECT_EQ(Callbacks.Status[0].back(), "4 file(s)");
    EXPECT_EQ(Callbacks.Status[1].back(), "");
    EXPECT_NE(std::find(Callbacks.Status[1].begin(), Callbacks.Status[1].end(),
                        "Press Esc to abort! Searching: " + Folder("site/blog") + "*.*"),
              Callbacks.Status[1].end());
}

TEST_F(FileListTest, AddingTheSameFolderTwiceKeepsEachFileOnce) {
    MakeSite();
    List.AddDir(Dir / "site");
    List.AddDir(Folder("site"));
    EXPECT_EQ(List.EntryList.size(), 4u);
}

TEST_F(FileListTest, WithoutRecurseSubFoldersAreNeitherEnteredNorListed) {
    MakeSite();
    Options.Recurse = false;
    List.AddDir(Dir / "site");
    EXPECT_EQ(Sorted(Paths()), (std::vector<std::string>{"site/index.html", "site/style.css"}));
}

TEST_F(FileListTest, ScanTakesFilesButNoLinksOrPipes) {
    MakeSite();
    fs::create_directory_symlink(Dir / "site", Dir / "site/blog/loop");
    fs::create_directory_symlink(Dir / "elsewhere", Dir / "site/away");
    Write("elsewhere/other.html", "x");
    fs::create_symlink(Dir / "elsewhere/other.html", Dir / "site/linked.html");
    ASSERT_EQ(::mkfifo((Dir / "site/pipe.html").c_str(), 0600), 0);  // reading it would wait forever
    List.AddDir(Dir / "site");
    // The four files: a link to a file may lead out of the folder, and the
    // run would write where it points.
    EXPECT_EQ(Sorted(Paths()), (std::vector<std::string>{"site/blog/deep/app.js", "site/blog/post.htm",
                                                         "site/index.html", "site/style.css"}));
}

TEST_F(FileListTest, ScanSkipsTheFoldersThisProgramWritesInto) {
    MakeSite();
    Write("site/backup/index.html", "original");
    Write("site/blog/backup/post.htm", "original");
    Write("site/min/index.html", "output");
    Write("mirror/index.html", "output");
    Options.OtherFolder = "min";
    List.AddDir(Dir / "site");
    EXPECT_EQ(List.EntryList.size(), 4u);

    // An absolute backup or output folder met below the scanned one is skipped too.
    Write("site/keep/a.html", "original");
    Options.MoveFolder = Folder("site/keep");
    Options.OtherFolder = Folder("site/backup");
    List.EntryList.clear();
    List.AddDir(Dir / "site");
    EXPECT_EQ(Sorted(Paths()), (std::vector<std::string>{"site/blog/backup/post.htm", "site/blog/deep/app.js",
                                                        "site/blog/post.htm", "site/index.html",
                                                        "site/min/index.html", "site/style.css"}));
}

TEST_F(FileListTest, ListFileFoundInAScanIsLoaded) {
    Write("site/index.html", "x");
    Write("other/readme.txt", "any type");
    Write("site/more.lst", Dir / "other/readme.txt" + "\r\n");
    List.AddDir(Dir / "site");
    EXPECT_EQ(Sorted(Paths()), (std::vector<std::string>{"other/readme.txt", "site/index.html"}));
}

TEST_F(FileListTest, EscEndsEachLevelAtItsNextSubFolder) {
    MakeSite();
    Write("site/blog/second/x.html", "x");
    Callbacks.OnEvents = [&] { List.AbortRequested = true; };
    List.AddDir(Dir / "site");
    // Events are let through only when a sub-folder is met; after that no
    // further folder is entered, files of the levels already open still count.
    EXPECT_EQ(Callbacks.EventPasses, 1);
    EXPECT_FALSE(List.AbortRequested);
    const std::vector<std::string> paths = Paths();
    EXPECT_NE(std::find(paths.begin(), paths.end(), "site/index.html"), paths.end());
    for (const std::string& path : paths) {
        EXPECT_EQ(path.find("deep"), std::string::npos);
        EXPECT_EQ(path.find("second"), std::string::npos);
    }
}

TEST_F(FileListTest, DroppedItems) {
    MakeSite();
    Write("other/list.lst", Dir / "site/photo.jpg" + "\n");
    List.AddDropped({Dir / "site/index.html", Dir / "missing.html", Dir / "site/photo.jpg", Dir / "other/list.lst",
                     Dir / "site/blog"},
                    TDropTarget::ListView);
    // The unsupported file is refused on the list view, but a list may name it.
    EXPECT_EQ(Sorted(Paths()), (std::vector<std::string>{"site/blog/deep/app.js", "site/blog/post.htm",
                                                        "site/index.html", "site/photo.jpg"}));
    ASSERT_EQ(Callbacks.Questions.size(), 1u);
    EXPECT_EQ(Callbacks.Questions[0], "\"" + (Dir / "site/photo.jpg") +
                                          "\" is not recognised as a supported file! Go to Options to confiure "
                                          "Trimora to handle this type of file.");
    EXPECT_TRUE(List.ListModified);
}

TEST_F(FileListTest, UnsupportedDropOnTheWindowIsAddedOnYes) {
    Write("site/photo.jpg", "x");
    Write("site/notes.txt", "x");
    Callbacks.Answer = true;
    List.AddDropped({Dir / "site/photo.jpg"}, TDropTarget::Window);
    Callbacks.Answer = false;
    List.AddDropped({Dir / "site/notes.txt"}, TDropTarget::Window);
    EXPECT_EQ(Paths(), (std::vector<std::string>{"site/photo.jpg"}));
}

TEST_F(FileListTest, DuplicatesAreSameNameAndFolderByteForByte) {
    auto add = [&](const char* folder, const char* name) {
        List.AddFile(folder, TFileListing{name, 1, 0});
    };
    add("/s/", "a.htm");
    add("/s/", "A.htm");
    add("/s/", "a.htm");
    add("/S/", "a.htm");
    add("/s/", "A.htm");
    add("/s/", "a.htm");
    List.RemDuplicates();
    std::vector<std::string> paths;
    for (const TFileEntry& entry : List.EntryList) paths.push_back(entry.Path());
    EXPECT_EQ(Sorted(paths), (std::vector<std::string>{"/S/a.htm", "/s/A.htm", "/s/a.htm"}));
}

TEST_F(FileListTest, DeleteAndCropBySelection) {
    for (const char* name : {"a.htm", "b.htm", "c.htm", "d.htm"}) List.AddFile("/s/", TFileListing{name, 1, 0});
    List.ListModified = false;
    List.DeleteSelected([](std::size_t i) { return i == 1 || i == 3; });
    EXPECT_EQ(List.EntryList.size(), 2u);
    EXPECT_EQ(List.EntryList[1].Name, "c.htm");
    EXPECT_TRUE(List.ListModified);
    EXPECT_FALSE(List.Deleting);
    List.CropSelected([](std::size_t i) { return i == 1; });
    ASSERT_EQ(List.EntryList.size(), 1u);
    EXPECT_EQ(List.EntryList[0].Name, "c.htm");
}

TEST_F(FileListTest, UpdateItemRereadsFoundFilesOnly) {
    Write("site/a.html", "12345");
    Write("site/b.html", "1");
    List.AddDir(Dir / "site");
    for (TFileEntry& entry : List.EntryList) {
        entry.OriginalSize = 99;
        entry.Status = TEntryStatus::Finished;
    }
    Write("site/a.html", "1234567890");
    fs::remove(Dir / "site/b.html");
    List.UpdateItem(5);  // outside the list: nothing
    EXPECT_EQ(List.EntryList[0].Size, 5);
    List.UpdateItem(-1);
    EXPECT_EQ(List.EntryList[0].Size, 10);
    EXPECT_EQ(List.EntryList[0].OriginalSize, -1);
    EXPECT_EQ(StatusText(List.EntryList[0].Status), "Finished");
    EXPECT_EQ(List.EntryList[1].Size, 1);  // missing: kept as it was
    EXPECT_EQ(List.EntryList[1].OriginalSize, 99);
}

struct SizeCase {
    std::int64_t Size;
    const char* Text;
};
class SizeTextTest : public ::testing::TestWithParam<SizeCase> {};
TEST_P(SizeTextTest, ShowsKilobytesPlusOne) {
    EXPECT_EQ(TFileList::SizeText(GetParam().Size, ","), GetParam().Text);
}
INSTANTIATE_TEST_SUITE_P(FileList, SizeTextTest,
                         ::testing::Values(SizeCase{0, "1 KB"}, SizeCase{1023, "1 KB"}, SizeCase{1024, "2 KB"},
                                           SizeCase{5000000, "4,883 KB"},
                                           SizeCase{5000000000000, "4,882,812,501 KB"}));

TEST_F(FileListTest, ColumnTexts) {
    List.AddFile("/site/", TFileListing{"index.htm", 2048, 0});
    List.EntryList[0].Status = TEntryStatus::Finished;
    TColumnFormat format;
    format.ThousandsSeparator = ".";
    format.FormatModified = [](std::int64_t seconds) { return "t" + std::to_string(seconds); };
    EXPECT_EQ(List.ColumnText(0, ColumnFilename, format), "index.htm");
    EXPECT_EQ(List.ColumnText(0, ColumnPath, format), "/site/");
    EXPECT_EQ(List.ColumnText(0, ColumnSize, format), "3 KB");
    EXPECT_EQ(List.ColumnText(0, ColumnModified, format), "t0");
    EXPECT_EQ(List.ColumnText(0, ColumnStatus, format), "Finished");
    EXPECT_EQ(List.ColumnText(1, ColumnFilename, format), "");
    EXPECT_EQ(List.ColumnText(-1, ColumnFilename, format), "");
    List.Deleting = true;
    EXPECT_EQ(List.ColumnText(0, ColumnFilename, format), "");
}

// Clicks on columns, and the names in the order that follows.
struct SortCase {
    const char* Name;
    std::vector<int> Clicks;
    std::vector<std::string> Expected;
};
class SortTest : public BatchTest, public ::testing::WithParamInterface<SortCase> {};

TEST_P(SortTest, SortsByTheClickedColumn) {
    struct Row {
        const char* Folder;
        const char* Name;
        std::int64_t Size;
        std::int64_t Modified;
        TEntryStatus Status;
    };
    for (const Row& row : {Row{"/b/", "c.htm", 10, 300, TEntryStatus::Finished},
                           Row{"/a/", "B.htm", 20, 100, TEntryStatus::Waiting},
                           Row{"/a/", "a.htm", 10, 200, TEntryStatus::BackupRemoved},
                           Row{"/c/", "a.htm", 30, 100, TEntryStatus::Finished}}) {
        List.AddFile(row.Folder, TFileListing{row.Name, row.Size, row.Modified});
        List.EntryList.back().Status = row.Status;
    }
    for (int column : GetParam().Clicks) List.SortByColumn(column);
    std::vector<std::string> paths;
    for (const TFileEntry& entry : List.EntryList) paths.push_back(entry.Path());
    EXPECT_EQ(paths, GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    FileList, SortTest,
    ::testing::Values(
        // Column 0 is the remembered column at start: the first click turns it descending.
        SortCase{"FirstNameClickDescends", {0}, {"/b/c.htm", "/a/B.htm", "/c/a.htm", "/a/a.htm"}},
        SortCase{"NameTwiceAscends", {0, 0}, {"/a/a.htm", "/c/a.htm", "/a/B.htm", "/b/c.htm"}},
        SortCase{"Folder", {1}, {"/a/a.htm", "/a/B.htm", "/b/c.htm", "/c/a.htm"}},
        SortCase{"SizeAscending", {2}, {"/a/a.htm", "/b/c.htm", "/a/B.htm", "/c/a.htm"}},
        // Equal sizes stay in ascending name order whichever the direction.
        SortCase{"SizeDescending", {2, 2}, {"/c/a.htm", "/a/B.htm", "/a/a.htm", "/b/c.htm"}},
        SortCase{"Modified", {3}, {"/c/a.htm", "/a/B.htm", "/a/a.htm", "/b/c.htm"}},
        // Status compares the shown texts byte for byte; ties by name.
        SortCase{"Status", {4}, {"/a/a.htm", "/c/a.htm", "/b/c.htm", "/a/B.htm"}}),
    CaseName());

TEST(StatusTotals, PanelsForTheListAndTheSelection) {
    std::vector<TFileEntry> entries(3);
    entries[0].Size = 12345;
    entries[0].OriginalSize = 15000;
    entries[1].Size = 5000;
    entries[2].Size = 1000;
    entries[2].OriginalSize = 3000;
    TStatusTotals all = StatusTotals(entries, ",");
    EXPECT_EQ(all.Files, "3 file(s)");
    EXPECT_EQ(all.Sizes, "18,345 bytes was 23,000 bytes decreased by 20%");
    TStatusTotals selected = StatusTotals(entries, ",", [](std::size_t i) { return i == 1; });
    EXPECT_EQ(selected.Files, "1 file(s) selected");
    EXPECT_EQ(selected.Sizes, "5,000 bytes");
    EXPECT_EQ(StatusTotals({}, ",").Sizes, "0 bytes");
}

}  // namespace
}  // namespace trimora::test
