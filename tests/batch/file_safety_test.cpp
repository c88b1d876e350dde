// Hostile trees and interrupted runs: nothing is ever lost, replaced that
// is not the run's own, or written outside the folders the user chose.

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "backup_records.h"
#include "batch_fixture.h"
#include "compress_run.h"
#include "file_io.h"
#include "paths.h"
#include "restore.h"
#include "safe_files.h"
#include "trash.h"

namespace trimora::test {
namespace {

namespace fs = std::filesystem;

const std::string Page = "<html>\n  <body>\n    <p class=\"x\">Hello   there</p>\n  </body>\n</html>\n";

class FileSafetyTest : public BatchTest {
protected:
    std::string Compressed(const std::string& name = "index.html") { return CompressedText(*Engine, name, Page); }
    std::string StatusOf(const std::string& name) const {
        for (const TFileEntry& entry : List.EntryList)
            if (entry.Name == name) return std::string(StatusText(entry.Status));
        return "not listed";
    }
    // The detail each entry's last step gave, by path below the folder.
    std::map<std::string, std::string> Details;
    void Run(const TRunSettings& settings = {}) {
        struct Recorder : RecordingCallbacks {
            std::map<std::string, std::string>* Details;
            std::string Root;
            void EntryFinished(std::size_t, const TFileEntry& entry, std::string_view detail) override {
                (*Details)[entry.Path().substr(Root.size())] = std::string(detail);
            }
        };
        Recorder recorder;
        recorder.Details = &Details;
        recorder.Root = Dir.Path().string() + "/";
        TFileList list(*Engine, Options, &recorder);
        list.EntryList = List.EntryList;
        CompressFiles(list, settings);
        List.EntryList = list.EntryList;
    }
};

// --out . climbs one folder: blog/index.html's copy would land on the
// listed site/index.html.
TEST_F(FileSafetyTest, OutputNeverLandsOnAListedFile) {
    Write("site/index.html", Page);
    Write("site/blog/index.html", Page);
    Options.CompressOptions = coOtherFolder;
    Options.OtherFolder = ".";
    List.AddDir(Dir / "site");
    Run();
    ASSERT_EQ(Paths(), (std::vector<std::string>{"site/index.html", "site/blog/index.html"}));
    // site/index.html goes beside site/; blog/index.html would replace it.
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Finished", "Compress Failed"}));
    EXPECT_NE(Details["site/blog/index.html"].find("would replace the listed file " + (Dir / "site/index.html")),
              std::string::npos);
    EXPECT_EQ(Read("site/index.html"), Page);
    EXPECT_EQ(Read("index.html"), Compressed());
}

TEST_F(FileSafetyTest, TwoOutputsNeverShareAPath) {
    Write("site/a/index.html", Page);
    Write("site/b/index.html", Page + " ");
    Options.CompressOptions = coOtherFolder;  // no preserved folders: both go to out/index.html
    Options.OtherFolder = Dir / "out";
    List.AddDir(Dir / "site");
    Run();
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Finished", "Compress Failed"}));
    EXPECT_NE(Details["site/b/index.html"].find("is also the output of " + (Dir / "site/a/index.html")),
              std::string::npos);
    EXPECT_EQ(Read("out/index.html"), Compressed());
}

TEST_F(FileSafetyTest, OutputNeverReplacesARecordedBackup) {
    Write("site/index.html", Page);
    List.AddDir(Dir / "site");
    Run();  // site/backup/index.html is the original now
    ASSERT_EQ(Read("site/backup/index.html"), Page);
    Options.CompressOptions = coOtherFolder;
    Options.OtherFolder = "backup";
    List.EntryList[0].Status = TEntryStatus::Waiting;
    Run();
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Compress Failed"});
    EXPECT_NE(Details["site/index.html"].find("would replace the backup of"), std::string::npos);
    EXPECT_EQ(Read("site/backup/index.html"), Page);
}

// A backup named one by one is never compressed; a scan never lists it.
TEST_F(FileSafetyTest, RecordedBackupsAreNeverCompressed) {
    Write("site/a.html", Page);
    Options.CompressOptions = coSuffix;
    Options.Suffix = ".html";  // a.html.html is supported too
    List.AddDir(Dir / "site");
    Run();
    ASSERT_EQ(Read("site/a.html.html"), Page);
    List.EntryList.clear();
    List.AddDir(Dir / "site");
    EXPECT_EQ(Paths(), std::vector<std::string>{"site/a.html"});
    TFileListing listing;
    ASSERT_TRUE(ReadListing(Dir / "site/a.html.html", listing));
    List.AddFile(Folder("site"), listing);
    Run();
    EXPECT_EQ(StatusOf("a.html.html"), "Compress Failed");
    EXPECT_EQ(Read("site/a.html.html"), Page);
}

TEST_F(FileSafetyTest, RemoveBackupsLeavesTheUsersOwnFiles) {
    Write("site/about.html", Page);
    Write("site/about.html.bak", "the user's own notes");
    Options.CompressOptions = coSuffix;
    List.AddDir(Dir / "site");
    RemBakFiles(List, -1);
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Backup Removal Failed"});
    EXPECT_EQ(Read("site/about.html.bak"), "the user's own notes");
    RestoreFiles(List, -1);
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Restore Failed"});
    EXPECT_EQ(Read("site/about.html"), Page);
}

TEST_F(FileSafetyTest, BackupWhoseSizeChangedIsLeftAlone) {
    Write("site/a.html", Page);
    List.AddDir(Dir / "site");
    Run();
    WriteText(Dir / "site/backup/a.html", "replaced by the user");
    RestoreFiles(List, -1);
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Restore Failed"});
    EXPECT_EQ(Read("site/backup/a.html"), "replaced by the user");
    EXPECT_EQ(Read("site/a.html"), Compressed("a.html"));
}

// ------------------------------------------------------------ links

TEST_F(FileSafetyTest, FolderRunNeverWritesThroughALinkToAFileOutside) {
    Write("outside/secret.html", Page);
    Write("site/index.html", Page);
    fs::create_symlink(Dir / "outside/secret.html", Dir / "site/evil.html");
    List.AddDir(Dir / "site");
    Run();
    EXPECT_EQ(Paths(), std::vector<std::string>{"site/index.html"});
    EXPECT_EQ(Read("outside/secret.html"), Page);
}

TEST_F(FileSafetyTest, RestoreNeverWritesThroughALinkPutWhereTheFileWas) {
    Write("outside/target.html", "outside");
    Write("site/a.html", Page);
    List.AddDir(Dir / "site");
    Run();
    fs::remove(Dir / "site/a.html");
    fs::create_symlink(Dir / "outside/target.html", Dir / "site/a.html");
    RestoreFiles(List, -1);
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Restore Failed"});
    EXPECT_EQ(Read("outside/target.html"), "outside");
    EXPECT_EQ(Read("site/backup/a.html"), Page);
}

TEST_F(FileSafetyTest, BackupFolderThatIsALinkReceivesNothing) {
    Write("site/a.html", Page);
    fs::create_directories(Dir / "elsewhere");
    fs::create_directory_symlink(Dir / "elsewhere", Dir / "site/backup");
    List.AddDir(Dir / "site");
    Run();
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Unable to Backup"});
    EXPECT_TRUE(fs::is_empty(Dir / "elsewhere"));
    EXPECT_EQ(Read("site/a.html"), Page);
}

TEST_F(FileSafetyTest, MirrorNeverFollowsALinkedFolderAndSyncCopiesNoLinks) {
    Write("site/index.html", Page);
    Write("site/blog/post.html", Page);
    Write("site/img/logo.gif", "GIF89a");
    Write("outside/passwords.txt", "secret");
    fs::create_symlink(Dir / "outside/passwords.txt", Dir / "site/img/passwords.txt");
    fs::create_directories(Dir / "out");
    fs::create_directories(Dir / "elsewhere");
    fs::create_directory_symlink(Dir / "elsewhere", Dir / "out/blog");
    Options.CompressOptions = coOtherFolder | coPreserveDirs;
    Options.OtherFolder = Dir / "out";
    List.AddDir(Dir / "site");
    Run();
    EXPECT_EQ(StatusOf("post.html"), "Compress Failed");
    EXPECT_NE(Details["site/blog/post.html"].find("symbolic link"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(Dir / "elsewhere"));
    const TSyncResult sync = SyncDirectories(List);
    EXPECT_TRUE(Exists("out/img/logo.gif"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(Dir / "out/img/passwords.txt")));
    EXPECT_TRUE(fs::is_empty(Dir / "elsewhere"));
    EXPECT_EQ(sync.Failed.size(), 1u);  // blog/ of the mirror is a link: nothing goes through it
}

// ------------------------------------------------------------ owners and modes

TEST_F(FileSafetyTest, RewrittenFileKeepsOwnerAndMode) {
    Write("site/a.html", Page);
    ::chmod((Dir / "site/a.html").c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown((Dir / "site/a.html").c_str(), 65534, 65534), 0);
    }
    List.AddDir(Dir / "site");
    Run();
    ASSERT_EQ(Statuses(), std::vector<std::string>{"Finished"});
    struct stat info {};
    ASSERT_EQ(::stat((Dir / "site/a.html").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(info.st_uid, 65534u);
    }
    RestoreFiles(List, -1);
    ASSERT_EQ(::stat((Dir / "site/a.html").c_str(), &info), 0);
    EXPECT_EQ(Read("site/a.html"), Page);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(info.st_uid, 65534u);
    }
}

TEST_F(FileSafetyTest, MirrorCopyIsNeverMoreReadableThanItsSource) {
    Write("site/private.html", Page);
    ::chmod((Dir / "site/private.html").c_str(), 0600);
    Options.CompressOptions = coOtherFolder;
    Options.OtherFolder = Dir / "out";
    List.AddDir(Dir / "site");
    Run();
    struct stat info {};
    ASSERT_EQ(::stat((Dir / "out/private.html").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u);
}

TEST_F(FileSafetyTest, ReadOnlyFileIsNotRewritten) {
    Write("site/a.html", Page);
    ::chmod((Dir / "site/a.html").c_str(), 0444);
    List.AddDir(Dir / "site");
    Run();
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Compress Failed"});
    EXPECT_EQ(Details["site/a.html"], "the file is read-only");
    EXPECT_EQ(Read("site/a.html"), Page);
    EXPECT_FALSE(Exists("site/backup"));
}

// ------------------------------------------------------------ interrupted runs

// The number of a process that has ended.
pid_t EndedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST_F(FileSafetyTest, LeftoversOfAnInterruptedRunAreSweptAndNeverBlockTheNext) {
    Write("site/a.html", Page);
    Write("site/b.html", Page);
    char leftover[64];
    std::snprintf(leftover, sizeof leftover, "site/.trimora-%08x-0badf00d.tmp", static_cast<unsigned>(EndedProcess()));
    Write(leftover, "half a file");
    char alive[64];
    std::snprintf(alive, sizeof alive, "site/.trimora-%08x-0badf00d.tmp", static_cast<unsigned>(::getpid()));
    Write(alive, "another run's file, still being written");
    // An interrupted run made a.html's backup link but never recorded it.
    fs::create_directories(Dir / "site/backup");
    fs::create_hard_link(Dir / "site/a.html", Dir / "site/backup/a.html");
    List.AddDir(Dir / "site");
    Run();
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Finished", "Finished"}));
    EXPECT_FALSE(Exists(leftover));
    EXPECT_TRUE(Exists(alive));
    RestoreFiles(List, -1);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Restored", "Restored"}));
    EXPECT_EQ(Read("site/a.html"), Page);
}

// An info file left without its copy by a run that was killed goes; one of
// another program, or of a run still going, stays.
TEST_F(FileSafetyTest, OrphanTrashInfoOfAnInterruptedRunIsSwept) {
    Write("site/a.html", Page);
    const std::string info = "[Trash Info]\nPath=/x/a.html\nDeletionDate=2026-01-01T00:00:00\n";
    Write("home/.local/share/Trash/info/gone.html.trashinfo",
          info + "# Trimora process " + std::to_string(EndedProcess()) + "\n");
    Write("home/.local/share/Trash/info/running.html.trashinfo",
          info + "# Trimora process " + std::to_string(::getppid()) + "\n");
    Write("home/.local/share/Trash/info/other.html.trashinfo", info);
    Options.CompressOptions = coRecycle;
    List.AddDir(Dir / "site");
    Run();
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Finished"});
    EXPECT_FALSE(Exists("home/.local/share/Trash/info/gone.html.trashinfo"));
    EXPECT_TRUE(Exists("home/.local/share/Trash/info/running.html.trashinfo"));
    EXPECT_TRUE(Exists("home/.local/share/Trash/info/other.html.trashinfo"));
}

TEST_F(FileSafetyTest, LongNamesGetShortTemporaryNames) {
    const std::string name = std::string(250, 'n') + ".html";
    Write("site/" + name, Page);
    List.AddDir(Dir / "site");
    Run();
    EXPECT_EQ(Statuses(), std::vector<std::string>{"Finished"});
    EXPECT_TRUE(IsTemporaryName(NamePart(TemporaryNameBeside(Dir / ("site/" + name)))));
    EXPECT_EQ(NamePart(TemporaryNameBeside(Dir / ("site/" + name))).size(), 30u);
}

TEST_F(FileSafetyTest, RestoringAFolderBringsBackOriginalsWhoseFileIsGone) {
    Write("site/a.html", Page);
    Write("site/blog/b.html", Page);
    List.AddDir(Dir / "site");
    Run();
    fs::remove(Dir / "site/blog/b.html");
    List.EntryList.clear();
    List.AddDir(Dir / "site");
    EXPECT_EQ(AddRecordedOriginals(List, Dir / "site"), 1u);
    RestoreFiles(List, -1);
    EXPECT_EQ(Statuses(), (std::vector<std::string>{"Restored", "Restored"}));
    EXPECT_EQ(Read("site/blog/b.html"), Page);
    EXPECT_FALSE(Exists("site/blog/backup"));
}

// ------------------------------------------------------------ list files

TEST_F(FileSafetyTest, ListLinesWithControlBytesAreSkipped) {
    Write("site/a.html", Page);
    std::string list = Folder("site") + std::string("\0", 1) + "x\r\n" + Folder("site") + "\x01" + "\r\n   \r\n" +
                       (Dir / "site/a.html") + "\r\n";
    Write("site/list.lst", list);
    List.AddDir(Dir / "site");  // finds list.lst and loads it
    EXPECT_EQ(Paths(), std::vector<std::string>{"site/a.html"});
}

TEST_F(FileSafetyTest, EachListIsReadOncePerLoadAndOnlyTheUsersNamesTheList) {
    Write("site/c.html", Page);
    Write("lists/inner.lst", Dir / "site/c.html");
    Write("once.lst", Folder("lists") + "\r\n");
    Write("twice.lst", Folder("lists") + "\r\n" + Folder("lists") + "\r\n");
    List.LoadList(Dir / "once.lst", true);
    const int once = Callbacks.EventPasses;  // a line of once.lst and one of inner.lst
    List.EntryList.clear();
    List.LoadList(Dir / "twice.lst", true);
    EXPECT_EQ(Callbacks.EventPasses - once, once + 1);  // inner.lst is not read again
    EXPECT_EQ(Paths(), std::vector<std::string>{"site/c.html"});
    // The list met on the way adds its files but does not become the list.
    EXPECT_EQ(List.ListFileName, Dir / "twice.lst");
    EXPECT_EQ(List.RecentLists.Items().front(), Dir / "twice.lst");
}

TEST_F(FileSafetyTest, ListPastTheLimitStopsWithAMessage) {
    std::string list;
    for (int i = 0; i < 50; ++i) list += (Dir / ("f" + std::to_string(i) + ".html")) + "\n";
    Write("big.lst", list);
    List.MaxListLines = 10;
    std::string error;
    EXPECT_FALSE(List.LoadList(Dir / "big.lst", true, &error));
    EXPECT_NE(error.find("larger than any list of files"), std::string::npos);
    List.MaxListLines = 1000;
    List.MaxListBytes = 100;
    EXPECT_FALSE(List.LoadList(Dir / "big.lst", true, &error));
}

}  // namespace
}  // namespace trimora::test
