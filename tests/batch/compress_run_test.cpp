#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "backup_records.h"
#include "batch_fixture.h"
#include "compress_run.h"
#include "file_copy.h"
#include "file_io.h"
#include "report.h"
#include "restore.h"
#include "trash.h"

namespace trimora::test {
namespace {

namespace fs = std::filesystem;

const std::string Page = "<html>\n  <body>\n    <!-- note -->\n    <p class=\"x\">Hello</p>\n  </body>\n</html>\n";
const std::string Style = "p  {\n  color : red ;\n}\n";

class CompressRunTest : public BatchTest {
protected:
    void MakeSite() {
        Write("site/index.html", Page);
        Write("site/style.css", Style);
        Write("site/blog/post.htm", Page + "<p>post</p>\n");
        Write("site/img/logo.gif", "GIF89a");
    }
    // Every listed file holds what the engine makes of its original.
    void ExpectCompressed(const std::map<std::string, std::string>& originals) {
        for (const TFileEntry& entry : List.EntryList) {
            const std::string relative = fs::relative(entry.Path(), Dir.Path() / "site").string();
            ASSERT_TRUE(originals.count(relative)) << relative;
            EXPECT_EQ(ReadText(entry.Path()), CompressedText(*Engine, entry.Name, originals.at(relative))) << relative;
            EXPECT_EQ(entry.Size, static_cast<std::int64_t>(ReadText(entry.Path()).size()));
            EXPECT_EQ(entry.OriginalSize, static_cast<std::int64_t>(originals.at(relative).size()));
        }
    }
};

TEST_F(CompressRunTest, DefaultOptionsBackUpBesideEachFileAndRestoreEveryByte) {
    MakeSite();
    const auto originals = Tree("site");
    List.AddDir(Dir / "site");
    ASSERT_EQ(List.EntryList.size(), 3u);
    const TRunResult run = CompressFiles(List);
    EXPECT_FALSE(run.Aborted);
    EXPECT_EQ(run.Processed, 3u);
    EXPECT_EQ(Statuses(), std::vector<std::string>(3, "Finished"));
    ExpectCompressed(originals);
    EXPECT_EQ(Read("site/backup/index.html"), Page);
    EXPECT_EQ(Read("site/blog/backup/post.htm"), originals.at("blog/post.htm"));
    for (const TFileEntry& entry : List.EntryList) EXPECT_TRUE(entry.BackedUp);

    // Again in the same program run: no second backup is needed.
    EXPECT_EQ(CompressFiles(List).Processed, 3u);
    EXPECT_EQ(Statuses(), std::vector<std::string>(3, "Finished"));

    // After a restart the backups are in the way.
    TFileList restarted(*Engine, Options);
    restarted.AddDir(Dir / "site");
    CompressFiles(restarted);
    for (const TFileEntry& entry : restarted.EntryList) EXPECT_EQ(StatusText(entry.Status), "Unable to Backup");

    RestoreFiles(List, -1);
    EXPECT_EQ(Statuses(), std::vector<std::string>(3, "Restored"));
    EXPECT_EQ(Tree("site"), originals);  // backups, records and backup folders are gone
    for (const TFileEntry& entry : List.EntryList) {
        EXPECT_FALSE(entry.BackedUp);
        EXPECT_EQ(entry.OriginalSize, -1);
    }
}

// Where each backup method keeps the original of site/sub/index.html, and
// that restoring brings it back.
struct MethodCase {
    const char* Name;
    std::uint32_t Options;
    const char* MoveFolder;  // "@" stands for the temporary folder
    const char* Suffix;
    const char* Backup;      // relative to the temporary folder; empty: none kept
    bool Restores;
};

class BackupMethodTest : public CompressRunTest, public ::testing::WithParamInterface<MethodCase> {};

TEST_P(BackupMethodTest, KeepsTheOriginalAndRestoresIt) {
    const MethodCase& param = GetParam();
    Write("site/sub/index.html", Page);
    Options.CompressOptions = param.Options;
    std::string move = param.MoveFolder;
    if (!move.empty() && move[0] == '@') move = Dir.Path().string() + move.substr(1);
    Options.MoveFolder = move;
    Options.Suffix = param.Suffix;
    List.AddDir(Dir / "site");
    CompressFiles(List);
    ASSERT_EQ(Statuses(), std::vector<std::string>{"Finished"});
    if (std::string(param.Backup) == "trash") {
        EXPECT_EQ(Read("home/.local/share/Trash/files/index.html"), Page);
        EXPECT_NE(Read("home/.local/share/Trash/info/index.html.trashinfo")
                      .find("Path=" + TTrash::EscapePath(Dir / "site/sub/index.html")),
                  std::string::npos);
        EXPECT_FALSE(Exists("site/sub/index.html.bak"));  // no working copy is left behind
    } else if (*param.Backup != '\0') {
        EXPECT_EQ(Read(param.Backup), Page);
    }
    RestoreFiles(List, -1);
    EXPECT_EQ(Statuses(), std::vector<std::string>{param.Restores ? "Restored" : "Restore Failed"});
    EXPECT_EQ(Read("site/sub/index.html"), param.Restores ? Page : CompressedText(*Engine, "index.html", Page));
    if (param.Restores && std::string(param.Backup) != "trash" && *param.Backup != '\0') {
        EXPECT_FALSE(Exists(param.Backup));
    }
}

INSTANTIATE_TEST_SUITE_P(
    CompressRun, BackupMethodTest,
    ::testing::Values(MethodCase{"RelativeFolder", coMove | coRecycle, "backup", "", "site/sub/backup/index.html", true},
                      MethodCase{"RelativeFolderClimbing", coMove, "./bak", "", "site/bak/index.html", true},
                      MethodCase{"AbsoluteFolder", coMove, "@/keep", "", "keep/index.html", true},
                      MethodCase{"Suffix", coSuffix, "backup/", ".orig", "site/sub/index.html.orig", true},
                      MethodCase{"BlankSuffix", coSuffix, "backup/", "  ", "site/sub/index.html.bak", true},
                      MethodCase{"Trash", coRecycle, "backup/", "", "trash", true},
                      MethodCase{"Delete", coDelete, "backup/", "", "", false}),
    CaseName());

TEST_F(CompressRunTest, OtherFolderPreservingFoldersLeavesOriginalsAlone) {
    MakeSite();
    Write("site/abc/a.htm", Page);
    Write("site/abd/b.htm", Page);
    const auto originals = Tree("site");
    Options.CompressOptions = coOtherFolder | coPreserveDirs;
    Options.OtherFolder = Dir / "out";
    List.AddDropped({Dir / "site/blog", Dir / "site/abc", Dir / "site/abd"}, TDropTarget::ListView);
    CompressFiles(List);
    EXPECT_EQ(Statuses(), std::vector<std::string>(3, "Finished"));
    EXPECT_EQ(Options.OtherFolder, Folder("out"));
    EXPECT_EQ(Tree("site"), originals);
    // The common folder is site/, not the common text "site/ab".
    EXPECT_EQ(Tree("out"), (std::map<std::string, std::string>{
                               {"abc/a.htm", CompressedText(*Engine, "a.htm", Page)},
                               {"abd/b.htm", CompressedText(*Engine, "b.htm", Page)},
                               {"blog/post.htm", CompressedText(*Engine, "post.htm", originals.at("blog/post.htm"))}}));
    EXPECT_EQ(List.EntryList[0].OutFolder, Folder("out/abc"));
    for (const TFileEntry& entry : List.EntryList) EXPECT_FALSE(entry.BackedUp);
}

TEST_F(CompressRunTest, RelativeOtherFolderIsBesideEachFile) {
    MakeSite();
    Options.CompressOptions = coOtherFolder;
    Options.OtherFolder = "min";
    List.AddDir(Dir / "site");
    CompressFiles(List);
    EXPECT_EQ(Read("site/min/index.html"), CompressedText(*Engine, "index.html", Page));
    EXPECT_EQ(Read("site/blog/min/post.htm"), CompressedText(*Engine, "post.htm", Read("site/blog/post.htm")));
    EXPECT_EQ(Read("site/index.html"), Page);
    // Compressing again does not pick up the outputs.
    List.EntryList.clear();
    List.AddDir(Dir / "site");
    EXPECT_EQ(List.EntryList.size(), 3u);
}

TEST_F(CompressRunTest, OtherFolderThatIsTheFilesOwnNeverReplacesTheOriginal) {
    Write("site/index.html", Page);
    Options.CompressOptions = coOtherFolder;
    for (const std::string& other : {Folder("site"), std::string(""), std::string("./site")}) {
        Options.OtherFolder = other;
        List.EntryList.clear();
        List.AddDir(Dir / "site");
        CompressFiles(List);
        EXPECT_EQ(Statuses(), std::vector<std::string>{"Compress Failed"}) << other;
        EXPECT_EQ(Read("site/index.html"), Page);
    }
}

TEST_F(CompressRunTest, FailuresLeaveFilesAsTheyWere) {
    Write("site/a.html", Page);
    Write("site/b.txt", "text");                 // no format claims it: the engine refuses
    Write("site/c.html", Page);                  // removed before the run
    Write("site/d/backup", "a file where the backup folder belongs");
    Write("site/d/d.html", Page);
    Write("site/backup/e.html", "an earlier backup");
    Write("site/e.html", Page);
    List.AddDir(Dir / "site");
    TFileListing listing;
    ASSERT_TRUE(ReadListing(Dir / "site/b.txt", listing));
    List.AddFile(Folder("site"), listing);
    fs::remove(Dir / "site/c.html");
    const auto before = Tree("site");
    CompressFiles(List);
    std::map<std::string, std::string> status;
    for (const TFileEntry& entry : List.EntryList) status[entry.Name] = StatusText(entry.Status);
    EXPECT_EQ(status, (std::map<std::string, std::string>{{"a.html", "Finished"},
                                                          {"b.txt", "Compress Failed"},
                                                          {"c.html", "Unable to Backup"},
                                                          {"d.html", "Unable to Backup"},
                                                          {"e.html", "Unable to Backup"}}));
    EXPECT_EQ(Read("site/d/d.html"), Page);
    EXPECT_EQ(Read("site/e.html"), Page);
    EXPECT_EQ(Read("site/backup/e.html"), "an earlier backup");
    // The refused file keeps its size, loses its original size, keeps its backup.
    const TFileEntry& refused = *std::find_if(List.EntryList.begin(), List.EntryList.end(),
                                              [](const TFileEntry& e) { return e.Name == "b.txt"; });
    EXPECT_EQ(refused.Size, 4);
    EXPECT_EQ(refused.OriginalSize, -1);
    EXPECT_EQ(Read("site/backup/b.txt"), "text");
    EXPECT_EQ(before.at("b.txt"), Read("site/b.txt"));
    // The backup has data of its own: changing the file in place leaves it be.
    EXPECT_EQ(fs::hard_link_count(Dir / "site/backup/b.txt"), 1u);
    std::ofstream(Dir / "site/b.txt", std::ios::in | std::ios::out | std::ios::binary) << "TEXT";
    EXPECT_EQ(Read("site/backup/b.txt"), "text");
}

TEST_F(CompressRunTest, FullDiskLeavesNoPartialBackupAndNoPartialFile) {
    Write("site/a.html", Page);
    Write("site/b.html", Page);
    List.AddDir(Dir / "site");
    SetCopyFailuresForTesting(1);
    CompressFiles(List);
    SetCopyFailuresForTesting(0);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Unable to Backup", "Finished"}));
    EXPECT_EQ(Read("site/a.html"), Page);
    EXPECT_EQ(Tree("site/backup").size(), 2u);  // b.html and the record file

    Options.CompressOptions = coDelete;
    List.EntryList[0].Status = TEntryStatus::Waiting;
    SetWriteFailureAfterForTesting(3);
    CompressFiles(List);
    SetWriteFailureAfterForTesting(-1);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Compress Failed", "Compress Failed"}));
    EXPECT_EQ(Read("site/a.html"), Page);
    EXPECT_EQ(Tree("site").size(), 4u);  // no temporary file is left either
}

// As an ordinary user (root writes into read-only folders): nothing can be
// backed up or written there, and the file stays as it was.
TEST_F(CompressRunTest, ReadOnlyFolderIsLeftAlone) {
    Write("site/a.html", Page);
    List.AddDir(Dir / "site");
    EXPECT_TRUE(AsOrdinaryUser(Dir.Path(), [&] {
        fs::permissions(Dir / "site", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        CompressFiles(List);
        if (Statuses() != std::vector<std::string>{"Unable to Backup"}) return false;
        Options.CompressOptions = coDelete;  // no backup needed, but nothing can be written there either
        CompressFiles(List);
        return Statuses() == std::vector<std::string>{"Compress Failed"} && Read("site/a.html") == Page;
    }));
}

TEST_F(CompressRunTest, WithoutABackupMethodNothingIsCompressed) {
    Write("site/a.html", Page);
    Options.CompressOptions = 0;
    List.AddDir(Dir / "site");
    CompressFiles(List);
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Unable to Backup"});
    EXPECT_EQ(Read("site/a.html"), Page);
    Options.CompressOptions = coPreserveDirs;  // still no method
    CompressFiles(List);
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Unable to Backup"});
    Options.CompressOptions = coDelete;
    CompressFiles(List);
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Finished"});
}

// Esc while the second file is compressed: it is finished, the third is
// never started.
TEST_F(CompressRunTest, EscStopsBeforeTheNextFile) {
    for (const char* name : {"a.html", "b.html", "c.html"}) Write(std::string("site/") + name, Page);
    List.AddDir(Dir / "site");
    for (unsigned jobs : {1u, 2u}) {
        for (TFileEntry& entry : List.EntryList) {
            entry.Status = TEntryStatus::Waiting;
            entry.BackedUp = true;
            WriteText(entry.Path(), Page);
        }
        TRunSettings settings;
        settings.Jobs = jobs;
        std::atomic<int> started{0};
        settings.BeforeFile = [&](std::size_t index) {
            if (index == 1) List.AbortRequested = true;  // Esc while the worker starts file 1
            ++started;
        };
        const TRunResult run = CompressFiles(List, settings);
        EXPECT_TRUE(run.Aborted);
        EXPECT_FALSE(List.AbortRequested);
        const std::vector<std::string> statuses = Statuses();
        EXPECT_EQ(statuses[0], "Finished");
        EXPECT_EQ(statuses[2], "Waiting") << jobs;
        EXPECT_EQ(Read("site/c.html"), Page);  // untouched
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(Read("site/" + List.EntryList[i].Name), statuses[i] == "Finished"
                                                                  ? CompressedText(*Engine, List.EntryList[i].Name, Page)
                                                                  : Page);
    }
}

TEST_F(CompressRunTest, ListShrinkingDuringTheRunIsNeverReadPastItsEnd) {
    for (const char* name : {"a.html", "b.html", "c.html", "d.html"}) Write(std::string("site/") + name, Page);
    List.AddDir(Dir / "site");
    Callbacks.OnEvents = [&] {
        if (Callbacks.EventPasses == 2) List.EntryList.resize(1);
    };
    EXPECT_EQ(CompressFiles(List).Processed, 1u);
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Finished"});
}

TEST_F(CompressRunTest, DryRunWritesNothingAndForeseesTheOutcome) {
    MakeSite();
    Write("site/backup/style.css", "an earlier backup");
    List.AddDir(Dir / "site");
    const auto before = Tree();
    TRunSettings settings;
    settings.DryRun = true;
    CompressFiles(List, settings);
    EXPECT_EQ(Tree(), before);
    EXPECT_FALSE(fs::exists(TrashFolder()));
    std::map<std::string, std::string> status;
    for (const TFileEntry& entry : List.EntryList) {
        status[entry.Name] = StatusText(entry.Status);
        EXPECT_FALSE(entry.BackedUp);
        if (entry.Status == TEntryStatus::Finished) {
            EXPECT_EQ(entry.Size,
                      static_cast<std::int64_t>(CompressedText(*Engine, entry.Name, ReadText(entry.Path())).size()));
        }
    }
    EXPECT_EQ(status, (std::map<std::string, std::string>{
                          {"index.html", "Finished"}, {"post.htm", "Finished"}, {"style.css", "Unable to Backup"}}));

    Options.CompressOptions = coOtherFolder | coPreserveDirs;
    Options.OtherFolder = Dir / "out";
    CompressFiles(List, settings);
    EXPECT_EQ(Tree(), before);
    EXPECT_FALSE(Exists("out"));
}

// Two runs on identical trees, with one worker and with two, end alike:
// same statuses, sizes and files, also where entries share files.
TEST_F(CompressRunTest, TwoWorkersEndExactlyLikeOne) {
    auto build = [&](const std::string& root) {
        for (int i = 0; i < 40; ++i) {
            const std::string folder = root + "/f" + std::to_string(i % 5) + "/";
            Write(folder + "p" + std::to_string(i) + ".html", Page + std::string(static_cast<std::size_t>(i), ' '));
            Write(folder + "same.css", Style + std::to_string(i % 5));
        }
        Write(root + "/f0/notes.txt", "unsupported");
        // The list names files twice and a file no format claims, from its own folder.
        std::string list;
        for (const char* name : {"f1/p1.html", "f0/notes.txt", "f1/p1.html", "f2/same.css"})
            list += std::string(name) + "\r\n";
        Write(root + "/extra.lst", list);
    };
    auto run = [&](const std::string& root, unsigned jobs) {
        TBatchOptions options;
        options.MoveFolder = Dir / (root + "-bak");  // absolute: every same.css meets the others
        auto engine = BuiltInEngine();
        TFileList list(*engine, options);
        list.AddDir(Dir / root);
        list.LoadList(Dir / (root + "/extra.lst"), true);
        TRunSettings settings;
        settings.Jobs = jobs;
        CompressFiles(list, settings);
        std::vector<std::string> outcome;
        for (const TFileEntry& entry : list.EntryList)
            outcome.push_back(entry.Path().substr(Dir.Path().string().size() + root.size() + 1) + " " +
                              std::string(StatusText(entry.Status)) + " " + std::to_string(entry.Size) + " " +
                              std::to_string(entry.OriginalSize) + (entry.BackedUp ? " backed up" : ""));
        return outcome;
    };
    build("one");
    build("two");
    const auto single = run("one", 1);
    const auto parallel = run("two", 2);
    EXPECT_EQ(single, parallel);
    EXPECT_EQ(Tree("one"), Tree("two"));
    auto backups = [&](const std::string& folder) {
        auto tree = Tree(folder);
        tree.erase(std::string(TBackupRecords::RecordFileName));  // names its own tree
        return tree;
    };
    EXPECT_EQ(backups("one-bak"), backups("two-bak"));
    EXPECT_EQ(backups("one-bak").size(), 42u);
    // The file the list names twice is compressed once.
    EXPECT_NE(std::find(single.begin(), single.end(), "/f1/p1.html Compress Failed " +
                                                          std::to_string(Page.size() + 1) + " -1"),
              single.end());
}

TEST(ViewLog, ReportLines) {
    std::vector<TFileEntry> entries(3);
    entries[0].Folder = "/site/";
    entries[0].Name = "index.htm";
    entries[0].OriginalSize = 1000;
    entries[0].Size = 600;
    entries[1].Folder = "/site/";
    entries[1].Name = "new.htm";
    entries[1].Size = 250;
    entries[2].Folder = "/site/";
    entries[2].Name = "empty.htm";
    entries[2].OriginalSize = 0;
    entries[2].Size = 0;
    EXPECT_EQ(ReportLines(entries),
              (std::vector<std::string>{"File Name\tOriginal Size\tCompressed Size\tSaved\t% Saved",
                                        "/site/index.htm\t1000 bytes\t600 bytes\t400 bytes\t40%",
                                        "/site/new.htm\t250 bytes\t250 bytes\t0 bytes\t0%",
                                        "/site/empty.htm\t0 bytes\t0 bytes\t0 bytes\t0%",
                                        "Total\t1250 bytes\t850 bytes\t400 bytes\t32%"}));
    EXPECT_TRUE(ReportLines({}).empty());
    // A list of empty files divides by zero nowhere.
    EXPECT_EQ(ReportLines({entries[2]}).back(), "Total\t0 bytes\t0 bytes\t0 bytes\t0%");
    EXPECT_EQ(PercentSaved(100, 103), -3);
}

// With coPreserveDirs the tree is kept below the base given, not below the
// folder the entries happen to share.
TEST_F(CompressRunTest, GivenBaseFolderKeepsTheTreeBelowIt) {
    MakeSite();
    Options.CompressOptions = coOtherFolder | coPreserveDirs;
    Options.OtherFolder = Dir / "mirror";
    List.AddDir(Dir / "site/blog");
    TRunSettings settings;
    settings.BaseFolder = Folder("site");
    CompressFiles(List, settings);
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Finished"});
    EXPECT_TRUE(Exists("mirror/blog/post.htm"));
}

TEST_F(CompressRunTest, IdenticalOutputsAreLeftAsTheyAre) {
    MakeSite();
    Options.CompressOptions = coOtherFolder | coPreserveDirs;
    Options.OtherFolder = Dir / "mirror";
    List.AddDir(Dir / "site");
    TRunSettings settings;
    settings.KeepIdenticalOutputs = true;
    CompressFiles(List, settings);
    const auto stamp = [&](const std::string& relative) {
        const std::string path = Dir / relative;
        struct stat info {};
        ::stat(path.c_str(), &info);
        return std::to_string(info.st_ino) + ":" + std::to_string(fs::last_write_time(path).time_since_epoch().count());
    };
    const std::string page = stamp("mirror/index.html"), style = stamp("mirror/style.css");
    Write("site/style.css", "p { color: blue }\n");
    const std::string post = stamp("mirror/blog/post.htm");
    Write("mirror/blog/post.htm", "stale");
    for (TFileEntry& entry : List.EntryList) entry.Status = TEntryStatus::Waiting;
    CompressFiles(List, settings);
    EXPECT_EQ(Statuses(), std::vector<std::string>(3, "Finished"));
    EXPECT_EQ(stamp("mirror/index.html"), page);
    EXPECT_NE(stamp("mirror/style.css"), style);
    EXPECT_EQ(Read("mirror/blog/post.htm"), CompressedText(*Engine, "post.htm", Page + "<p>post</p>\n"));
    for (const TFileEntry& entry : List.EntryList)
        EXPECT_EQ(entry.Size, static_cast<std::int64_t>(Read("mirror/" + fs::relative(entry.Path(), Dir.Path() / "site").string()).size()));
    // Without the setting every output is written again.
    CompressFiles(List);
    EXPECT_NE(stamp("mirror/index.html"), page);
}

TEST_F(CompressRunTest, AFileThatCannotBeReadSaysWhy) {
    Write("site/a.html", Page);
    List.AddDir(Dir / "site");
    fs::remove(Dir / "site/a.html");
    Options.CompressOptions = coOtherFolder;
    Options.OtherFolder = Dir / "out";
    CompressFiles(List);
    ASSERT_EQ(Callbacks.Details.size(), 1u);
    EXPECT_EQ(Callbacks.Details[0], "Cannot open file " + (Dir / "site/a.html") + " (No such file or directory)");
}

}  // namespace
}  // namespace trimora::test
