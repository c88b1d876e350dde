#include <unistd.h>

#include <filesystem>
#include <chrono>
#include <atomic>

#include "backup_records.h"
#include "batch_fixture.h"
#include "compress_run.h"
#include "file_copy.h"
#include "file_io.h"
#include "paths.h"
#include "restore.h"
#include "safe_files.h"
#include "trash.h"

namespace trimora::test {
namespace {

namespace fs = std::filesystem;

const std::string Original = "<p>  original  </p>\n";
const std::string Current = "<p>now</p>";

class RestoreTest : public BatchTest {
protected:
    // site/index.html holds Current and is listed.
    void ListCurrent() {
        Write("site/index.html", Current);
        List.AddDir(Dir / "site");
        ASSERT_EQ(List.EntryList.size(), 1u);
    }
    // Records folder + backupName (by default the original's name) as the
    // backup of original, as a run would.
    void RecordBackup(const std::string& folder, const std::string& original, std::string backupName = {},
                      const std::string& recordFile = {}) {
        if (backupName.empty()) backupName = NamePart(original);
        const std::string file = recordFile.empty() ? RecordFileIn(folder) : recordFile;
        TBackupRecords records;
        ASSERT_TRUE(TBackupRecords::Read(file, records));
        TBackupRecord record;
        record.Original = original;
        record.BackupName = backupName;
        record.Size = static_cast<std::int64_t>(fs::file_size(folder + backupName));
        records.Put(record);
        ASSERT_TRUE(WriteRecordFile(file, records, nullptr));
    }
    // A copy of text in the trash, recorded as site/index.html's when recorded.
    void TrashCopy(const std::string& text, bool recorded) {
        Write("trashed", text);
        std::string name;
        ASSERT_TRUE(TTrash(TrashFolder()).PutCopy(Dir / "trashed", nullptr, &name));
        // Pretend it came from site/index.html.
        const std::string infoFile = TrashFolder() + "info/" + name + ".trashinfo";
        std::string info = ReadText(infoFile);
        info.replace(info.find("Path=") + 5, info.find('\n', info.find("Path=")) - info.find("Path=") - 5,
                     TTrash::EscapePath(Dir / "site/index.html"));
        WriteText(infoFile, info);
        if (recorded) {
            fs::create_directories(Dir / "data");
            RecordBackup(TrashFolder() + "files/", Dir / "site/index.html", name,
                         Dir / ("data/" + std::string(TBackupRecords::TrashRecordFileName)));
        }
    }
};

// Restoring many files from the trash strikes their lines from the record
// in batches rather than rewriting it for each file. A line another process
// adds meanwhile (under the lock, as a compress run would) stays, every file
// comes back, and no line of a copy taken back is left once the run is over.
TEST_F(RestoreTest, TrashRestoreOfManyFilesKeepsWhatOthersRecordMeanwhile) {
    Options.CompressOptions = coRecycle;
    constexpr int Count = 300;  // more than one batch of strikes
    for (int n = 0; n < Count; ++n) Write("site/f" + std::to_string(n) + ".html", Original);
    List.AddDir(Dir / "site");
    CompressFiles(List);
    const std::string recordFile = Dir / ("data/" + std::string(TBackupRecords::TrashRecordFileName));
    TBackupRecords before;
    ASSERT_TRUE(TBackupRecords::Read(recordFile, before));
    ASSERT_EQ(before.All().size(), static_cast<std::size_t>(Count));

    TRingRun restore(List, TRingKind::Restore, [](std::size_t) { return true; });
    std::atomic<int> ready{0};
    restore.ResultsReady = [&] {
        if (++ready != Count / 2) return;
        TFolderLock lock;
        ASSERT_TRUE(lock.Acquire(Dir / "data"));
        TBackupRecords records;
        ASSERT_TRUE(TBackupRecords::Read(recordFile, records));
        TBackupRecord other;
        other.Original = Dir / "elsewhere/page.html";
        other.BackupName = "page.html";
        other.Size = 7;
        records.Put(other);
        ASSERT_TRUE(WriteRecordFile(recordFile, records, nullptr));
    };
    restore.Start();
    while (!restore.TakeResults()) restore.WaitForResults(std::chrono::milliseconds(5));
    for (const TFileEntry& entry : List.EntryList) {
        EXPECT_EQ(entry.Status, TEntryStatus::Restored) << entry.Path();
        EXPECT_EQ(ReadText(entry.Path()), Original) << entry.Path();
    }
    TBackupRecords after;
    ASSERT_TRUE(TBackupRecords::Read(recordFile, after));
    ASSERT_EQ(after.All().size(), 1u);
    EXPECT_EQ(after.All().begin()->second.Original, Dir / "elsewhere/page.html");
}

TEST(RingStart, FollowsTheOptions) {
    struct Case {
        std::uint32_t Options;
        const char* MoveFolder;
        int Start;
    };
    for (const Case& c : {Case{coMove, "/bak", 0}, Case{coMove | coRecycle, "backup", 1}, Case{coMove, "", 1},
                          Case{coSuffix | coRecycle, "/bak", 2}, Case{coRecycle, "/bak", 3},
                          Case{coDelete, "/bak", 4}, Case{0, "/bak", 4}, Case{coOtherFolder, "/bak", 4}}) {
        TBatchOptions options;
        options.CompressOptions = c.Options;
        options.MoveFolder = c.MoveFolder;
        EXPECT_EQ(RingStart(options), c.Start) << c.Options << " " << c.MoveFolder;
    }
}

// Which backups exist, the options, and what the restore ring makes of it.
struct RingCase {
    const char* Name;
    std::uint32_t Options;
    bool InRelativeFolder, WithSuffix, InTrash;
    const char* Restored;  // the text the file has afterwards; empty: restore fails
    bool Recorded = true;  // the backups are Trimora's own, not files that merely have their names
};

class RestoreRingTest : public RestoreTest, public ::testing::WithParamInterface<RingCase> {};

TEST_P(RestoreRingTest, TriesEveryMethodOnce) {
    const RingCase& param = GetParam();
    ListCurrent();
    Options.CompressOptions = param.Options;
    if (param.InRelativeFolder) {
        Write("site/backup/index.html", "from folder");
        if (param.Recorded) RecordBackup(Folder("site/backup"), Dir / "site/index.html");
    }
    if (param.WithSuffix) {
        Write("site/index.html.bak", "from suffix");
        if (param.Recorded) RecordBackup(Folder("site"), Dir / "site/index.html", "index.html.bak");
    }
    if (param.InTrash) TrashCopy("from trash", param.Recorded);
    const auto before = Tree();
    RestoreFiles(List, -1);
    const bool restored = *param.Restored != '\0';
    EXPECT_EQ(StatusText(List.EntryList[0].Status), restored ? "Restored" : "Restore Failed");
    EXPECT_EQ(Read("site/index.html"), restored ? param.Restored : Current);
    // A file that merely has a backup's name is never used, changed or deleted.
    if (!param.Recorded) {
        EXPECT_EQ(Tree(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Restore, RestoreRingTest,
    ::testing::Values(RingCase{"MoveFirst", coMove, true, true, true, "from folder"},
                      RingCase{"SuffixFirst", coSuffix, true, true, true, "from suffix"},
                      RingCase{"TrashFirst", coRecycle, true, true, true, "from trash"},
                      // Suffix mode falls back to the trash, then round to the Move folders.
                      RingCase{"SuffixFallsBackToTrash", coSuffix, true, false, true, "from trash"},
                      RingCase{"SuffixFallsBackToFolder", coSuffix, true, false, false, "from folder"},
                      RingCase{"MoveFallsBackToSuffix", coMove, false, true, false, "from suffix"},
                      RingCase{"NothingToRestore", coSuffix, false, false, false, ""},
                      RingCase{"DeleteModeStillFindsBackups", coDelete, false, true, false, "from suffix"},
                      RingCase{"UnrecordedSuffixFileIsTheUsers", coMove, false, true, false, "", false},
                      RingCase{"UnrecordedTrashEntryIsTheUsers", coRecycle, false, false, true, "", false},
                      RingCase{"UnrecordedFolderFileIsTheUsers", coMove, true, false, false, "", false}),
    CaseName());

// With an absolute MoveFolder, index.html of a/ and of b/ share one backup
// name: a backup is only ever restored or removed for the file it came from.
TEST_F(RestoreTest, SharedBackupFolderNeverRestoresAnotherFilesOriginal) {
    Write("site/a/index.html", "original of a");
    Write("site/b/index.html", "original of b");
    Options.CompressOptions = coMove;
    Options.MoveFolder = Dir / "bak";
    List.AddDir(Dir / "site");
    ASSERT_EQ(Paths(), (std::vector<std::string>{"site/a/index.html", "site/b/index.html"}));
    CompressFiles(List);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Finished", "Unable to Backup"}));

    // b's restore must not pick up a's original.
    RestoreFiles(List, 1);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Finished", "Restore Failed"}));
    EXPECT_EQ(Read("site/b/index.html"), "original of b");
    RemBakFiles(List, 1);
    EXPECT_EQ(StatusText(List.EntryList[1].Status), "Backup Removal Failed");
    EXPECT_EQ(Read("bak/index.html"), "original of a");

    RestoreFiles(List, 0);
    EXPECT_EQ(Read("site/a/index.html"), "original of a");
    EXPECT_FALSE(Exists("bak"));  // empty once the last backup left

    // Now only b is backed up there; a must not take b's original.
    List.CropSelected([](std::size_t i) { return i == 1; });
    CompressFiles(List);
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Finished"});
    List.AddDropped({Dir / "site/a/index.html"}, TDropTarget::ListView);
    RestoreFiles(List, 0);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Restore Failed", "Finished"}));
    EXPECT_EQ(Read("site/a/index.html"), "original of a");
    EXPECT_EQ(Read("bak/index.html"), "original of b");
    RestoreFiles(List, 1);
    EXPECT_EQ(StatusText(List.EntryList[1].Status), "Restored");
    EXPECT_EQ(Read("site/b/index.html"), "original of b");
}

// A relative MoveFolder is only ever read beside the file, never from the
// working folder, and an empty one never makes the file its own backup.
TEST_F(RestoreTest, RelativeOrEmptyMoveFolderNeverUsesAStrayFile) {
    ListCurrent();
    Write("work/backup/index.html", "stray file in the working folder");
    RecordBackup(Folder("work/backup"), Dir / "site/index.html");
    const fs::path previous = fs::current_path();
    fs::current_path(Dir / "work");
    Options.CompressOptions = coSuffix;  // the ring reaches RestoreFromFolder with "backup/"
    RestoreFiles(List, -1);
    fs::current_path(previous);
    EXPECT_EQ(StatusText(List.EntryList[0].Status), "Restore Failed");
    EXPECT_EQ(Read("site/index.html"), Current);

    Options.CompressOptions = coMove;
    Options.MoveFolder = "";
    RestoreFiles(List, -1);
    RemBakFiles(List, -1);
    EXPECT_EQ(StatusText(List.EntryList[0].Status), "Backup Removal Failed");
    EXPECT_EQ(Read("site/index.html"), Current);
}

TEST_F(RestoreTest, RemoveBackups) {
    Write("site/a.html", Original);
    Write("site/b.html", Original);
    List.AddDir(Dir / "site");
    CompressFiles(List);
    RemBakFiles(List, -1);
    EXPECT_EQ(Statuses(), std::vector<std::string>(2, "Backup Removed"));
    EXPECT_FALSE(Exists("site/backup"));
    EXPECT_EQ(Read("site/a.html"), CompressedText(*Engine, "a.html", Original));
    for (const TFileEntry& entry : List.EntryList) EXPECT_FALSE(entry.BackedUp);
    RemBakFiles(List, -1);
    EXPECT_EQ(Statuses(), std::vector<std::string>(2, "Backup Removal Failed"));

    // In trash mode the trash is not emptied: there is nothing to remove.
    Options.CompressOptions = coRecycle;
    CompressFiles(List);
    RemBakFiles(List, 0);
    EXPECT_EQ(StatusText(List.EntryList[0].Status), "Backup Removal Failed");
    EXPECT_TRUE(fs::exists(TrashFolder() + "files/a.html"));
}

TEST_F(RestoreTest, FailedRestoreKeepsTheBackupAndRefreshesSizes) {
    Write("site/a.html", Original);
    Write("site/b.html", Original);
    List.AddDir(Dir / "site");
    CompressFiles(List);
    SetWriteFailureAfterForTesting(2);
    RestoreFiles(List, 0);
    SetWriteFailureAfterForTesting(-1);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Restore Failed", "Finished"}));
    EXPECT_EQ(Read("site/backup/a.html"), Original);
    EXPECT_EQ(Read("site/a.html"), CompressedText(*Engine, "a.html", Original));
    // Every entry was refreshed: nothing counts as compressed any more.
    for (const TFileEntry& entry : List.EntryList) EXPECT_EQ(entry.OriginalSize, -1);
    RestoreSelected(List, [](std::size_t i) { return i == 0; });
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Restored", "Finished"}));
    EXPECT_EQ(Read("site/a.html"), Original);
}

class SyncTest : public RestoreTest {
protected:
    void MakeSite() {
        Write("site/index.html", Original);
        Write("site/images/logo.gif", "GIF89a");
        Write("site/images/icons/home.gif", "GIF89a home");
        Write("site/blog/post.htm", Original);
    }
};

TEST_F(SyncTest, NeedsAnAbsoluteOtherFolderWithPreservedFolders) {
    MakeSite();
    List.AddDir(Dir / "site");
    for (std::uint32_t options : {coOtherFolder, coPreserveDirs, coOtherFolder | coPreserveDirs}) {
        Options.CompressOptions = options;
        Options.OtherFolder = options == (coOtherFolder | coPreserveDirs) ? "mirror" : Dir / "mirror";
        const TSyncResult result = SyncDirectories(List);
        EXPECT_FALSE(result.PreconditionMet);
        EXPECT_TRUE(result.Copied.empty());
    }
    EXPECT_FALSE(Exists("mirror"));
    EXPECT_FALSE(Exists("site/mirror"));
    EXPECT_NE(std::string(SyncPreconditionMessage).find(" c) ensure the directory"), std::string::npos);
}

TEST_F(SyncTest, CopiesWhatTheMirrorLacksAndNeverReplaces) {
    MakeSite();
    Options.CompressOptions = coOtherFolder | coPreserveDirs;
    Options.OtherFolder = Dir / "mirror";
    List.AddDir(Dir / "site");
    CompressFiles(List);
    Write("mirror/blog/post.htm", "edited in the mirror");
    const TSyncResult result = SyncDirectories(List);
    EXPECT_TRUE(result.PreconditionMet);
    EXPECT_TRUE(result.Failed.empty());
    EXPECT_EQ(result.Copied.size(), 2u);
    EXPECT_EQ(Tree("mirror"), (std::map<std::string, std::string>{
                                  {"index.html", CompressedText(*Engine, "index.html", Original)},
                                  {"blog/post.htm", "edited in the mirror"},
                                  {"images/logo.gif", "GIF89a"},
                                  {"images/icons/home.gif", "GIF89a home"}}));
    EXPECT_EQ(Options.OtherFolder, Folder("mirror"));
    EXPECT_EQ(StatusText(List.EntryList[0].Status), "Finished");  // entries are not touched
}

TEST_F(SyncTest, MirrorInsideTheSiteIsNeitherEnteredNorCopiedIntoItself) {
    MakeSite();
    fs::create_directory_symlink(Dir / "site", Dir / "site/images/loop");
    Options.CompressOptions = coOtherFolder | coPreserveDirs;
    Options.OtherFolder = Dir / "site/mirror";
    List.AddDir(Dir / "site");
    const TSyncResult result = SyncDirectories(List);
    EXPECT_EQ(result.Copied.size(), 4u);
    EXPECT_TRUE(Exists("site/mirror/images/icons/home.gif"));
    EXPECT_FALSE(Exists("site/mirror/mirror"));
    EXPECT_FALSE(Exists("site/mirror/images/loop"));
}

TEST_F(SyncTest, EmptyListCopiesNothing) {
    Write("index.html", Original);
    const fs::path previous = fs::current_path();
    fs::current_path(Dir.Path());
    Options.CompressOptions = coOtherFolder | coPreserveDirs;
    Options.OtherFolder = Dir / "mirror";
    const TSyncResult result = SyncDirectories(List);
    fs::current_path(previous);
    EXPECT_TRUE(result.PreconditionMet);
    EXPECT_TRUE(result.Copied.empty());
}

}  // namespace
}  // namespace trimora::test

namespace trimora::test {
namespace {

// Which backups exist, the method chosen, and what a restore says: each
// method it tried, in ring order, and the one that worked after a fall-back.
struct RingMessageCase {
    const char* Name;
    std::uint32_t Options;
    bool InRelativeFolder, WithSuffix;
    std::vector<std::string> Parts;  // expected in this order in the detail
    bool Restored;
};

class RestoreMessageTest : public RestoreTest, public ::testing::WithParamInterface<RingMessageCase> {};

TEST_P(RestoreMessageTest, NamesTheMethodsTriedAndTheFallBack) {
    const RingMessageCase& param = GetParam();
    ListCurrent();
    Options.CompressOptions = param.Options;
    if (param.InRelativeFolder) {
        Write("site/backup/index.html", "from folder");
        RecordBackup(Folder("site/backup"), Dir / "site/index.html");
    }
    if (param.WithSuffix) {
        Write("site/index.html.bak", "from suffix");
        RecordBackup(Folder("site"), Dir / "site/index.html", "index.html.bak");
    }
    RestoreFiles(List, -1);
    EXPECT_EQ(List.EntryList[0].Status, param.Restored ? TEntryStatus::Restored : TEntryStatus::RestoreFailed);
    ASSERT_EQ(Callbacks.Details.size(), 1u);
    const std::string& detail = Callbacks.Details[0];
    std::size_t at = 0;
    for (const std::string& part : param.Parts) {
        const std::size_t found = detail.find(part, at);
        ASSERT_NE(found, std::string::npos) << "\"" << part << "\" after " << at << " in: " << detail;
        at = found + part.size();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, RestoreMessageTest,
    ::testing::Values(
        // Where no backup exists the move method is named first, not the trash alone.
        RingMessageCase{"MoveFindsNothing",
                        coMove | coRecycle,
                        false,
                        false,
                        {"move: no backup of ", "site/backup/", "; falling back to suffix: ",
                         "; falling back to trash: no copy of "},
                        false},
        RingMessageCase{"SuffixFindsNothing",
                        coSuffix,
                        false,
                        false,
                        {"suffix: ", "; falling back to trash: ", "; falling back to move: "},
                        false},
        RingMessageCase{"SuffixFallsBackToMove",
                        coSuffix,
                        true,
                        false,
                        {"restored by move after suffix: no backup of ", "; falling back to trash: "},
                        true},
        RingMessageCase{"MoveWorksAtOnce", coMove, true, false, {}, true}),
    CaseName());

TEST_F(RestoreTest, RestoreThatWorksAtOnceSaysNothing) {
    ListCurrent();
    Options.CompressOptions = coMove;
    Write("site/backup/index.html", "from folder");
    RecordBackup(Folder("site/backup"), Dir / "site/index.html");
    RestoreFiles(List, -1);
    EXPECT_EQ(Callbacks.Details, std::vector<std::string>{""});
}

// The mirror of a site: index.html compressed there, images copied.
class SyncUpdateTest : public SyncTest {
protected:
    void Mirror() {
        MakeSite();
        Options.CompressOptions = coOtherFolder | coPreserveDirs;
        Options.OtherFolder = Dir / "mirror";
        List.AddDir(Dir / "site");
        CompressFiles(List);
        ASSERT_EQ(SyncDirectories(List).Copied.size(), 2u);
    }
    TSyncSettings Update() {
        TSyncSettings settings;
        settings.Update = true;
        settings.IsCompressed = [this](const std::string& path) { return List.IsSupported(path); };
        return settings;
    }
    // Sets a file's time this many seconds from its present one.
    void Age(const std::string& relative, int seconds) {
        const std::string path = Dir / relative;
        fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(seconds));
    }
};

TEST_F(SyncUpdateTest, ReplacesANewerOrResizedSourceButNeverACompressedCopy) {
    Mirror();
    Write("site/images/logo.gif", "GIF89a, larger now");          // size differs
    Write("site/images/icons/home.gif", "GIF89a HOME");           // same size, newer
    Age("site/images/icons/home.gif", 10);
    Write("site/index.html", "<p>  changed  </p>");               // compressed: left to the compress run
    Age("site/index.html", 10);
    Write("mirror/blog/post.htm", "edited in the mirror");        // compressed: never replaced
    Age("mirror/blog/post.htm", -100);

    EXPECT_TRUE(SyncDirectories(List).Updated.empty()) << "without update nothing is replaced";
    const TSyncResult result = SyncDirectories(List, Update());
    EXPECT_TRUE(result.Failed.empty());
    EXPECT_TRUE(result.Copied.empty());
    std::vector<std::string> updated = result.Updated;
    std::sort(updated.begin(), updated.end());
    EXPECT_EQ(updated, (std::vector<std::string>{Dir / "mirror/images/icons/home.gif", Dir / "mirror/images/logo.gif"}));
    EXPECT_EQ(Read("mirror/images/logo.gif"), "GIF89a, larger now");
    EXPECT_EQ(Read("mirror/images/icons/home.gif"), "GIF89a HOME");
    EXPECT_EQ(Read("mirror/index.html"), CompressedText(*Engine, "index.html", Original));
    EXPECT_EQ(Read("mirror/blog/post.htm"), "edited in the mirror");
    // A second pass finds everything up to date.
    EXPECT_TRUE(SyncDirectories(List, Update()).Updated.empty());
}

TEST_F(SyncUpdateTest, AnOlderSourceOfTheSameSizeIsLeftAlone) {
    Mirror();
    Write("mirror/images/logo.gif", "GIF89b");  // the mirror's own, newer
    Age("mirror/images/logo.gif", 10);
    EXPECT_TRUE(SyncDirectories(List, Update()).Updated.empty());
    EXPECT_EQ(Read("mirror/images/logo.gif"), "GIF89b");
}

TEST_F(SyncUpdateTest, NothingIsWrittenThroughALinkInTheMirror) {
    Mirror();
    Write("elsewhere.gif", "outside");
    fs::remove(Dir / "mirror/images/logo.gif");
    fs::create_symlink(Dir / "elsewhere.gif", Dir / "mirror/images/logo.gif");
    Write("site/images/logo.gif", "GIF89a, larger now");
    SyncDirectories(List, Update());
    EXPECT_EQ(Read("elsewhere.gif"), "outside");
}

TEST_F(SyncUpdateTest, TakesDecidesWhichFoldersAndFilesAreCopied) {
    MakeSite();
    Write("site/.git/config", "secret");
    Options.CompressOptions = coOtherFolder | coPreserveDirs;
    Options.OtherFolder = Dir / "mirror";
    List.AddDir(Dir / "site");
    TSyncSettings settings;
    settings.Takes = [this](const std::string& path) {
        return path != Folder("site/images/icons") && path != Folder("site/.git");
    };
    SyncDirectories(List, settings);
    EXPECT_TRUE(Exists("mirror/images/logo.gif"));
    EXPECT_FALSE(Exists("mirror/images/icons"));
    EXPECT_FALSE(Exists("mirror/.git"));
}

TEST_F(SyncUpdateTest, DryRunListsButWritesNothing) {
    MakeSite();
    Options.CompressOptions = coOtherFolder | coPreserveDirs;
    Options.OtherFolder = Dir / "mirror";
    List.AddDir(Dir / "site");
    TSyncSettings settings = Update();
    settings.DryRun = true;
    const TSyncResult result = SyncDirectories(List, settings);
    // The pages would be the compress run's; the images are copied.
    EXPECT_EQ(result.Copied.size(), 2u);
    EXPECT_FALSE(Exists("mirror"));
}

TEST_F(SyncUpdateTest, AGivenBaseKeepsTheTreeBelowIt) {
    MakeSite();
    Options.CompressOptions = coOtherFolder | coPreserveDirs;
    Options.OtherFolder = Dir / "mirror";
    List.AddDropped({Dir / "site/blog/post.htm"}, TDropTarget::ListView);
    TSyncSettings settings;
    settings.Base = Folder("site");
    SyncDirectories(List, settings);
    EXPECT_TRUE(Exists("mirror/images/icons/home.gif"));
    EXPECT_TRUE(Exists("mirror/blog/post.htm"));
}

TEST_F(SyncUpdateTest, OneFileAtATime) {
    Mirror();
    Write("site/images/new.gif", "GIF89a new");
    Write("site/images/logo.gif", "GIF89a, larger now");
    TSyncResult result;
    SyncFile(Options, Folder("site"), Dir / "site/images/new.gif", result, Update());
    SyncFile(Options, Folder("site"), Dir / "site/images/logo.gif", result, Update());
    SyncFile(Options, Folder("site"), Dir / "outside.gif", result, Update());  // not below the base
    EXPECT_EQ(result.Copied, std::vector<std::string>{Dir / "mirror/images/new.gif"});
    EXPECT_EQ(result.Updated, std::vector<std::string>{Dir / "mirror/images/logo.gif"});
}

}  // namespace
}  // namespace trimora::test
