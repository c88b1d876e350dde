// A run is a plan plus results: workers never touch the list, and its owner
// may delete, sort and refresh entries while the run goes on. Every change of
// the list is announced so that a model can follow it.

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>

#include "batch_fixture.h"
#include "compress_run.h"
#include "restore.h"

namespace trimora::test {
namespace {

namespace fs = std::filesystem;

const std::string Page = "<html>\n  <body>\n    <p class=\"x\">Hello   there</p>\n  </body>\n</html>\n";

// Follows the announcements the way a Qt model does, keeping its own copy
// of the rows (their Ids); the copy must match the list after every change.
class ModelMirror : public RecordingCallbacks {
public:
    explicit ModelMirror(const TFileList*& list) : list_(list) {}
    std::vector<std::uint64_t> Rows;
    int Broken = 0;

    void RowsAboutToBeInserted(std::size_t first, std::size_t last) override {
        Expect(first == Rows.size() && last >= first);
        pending_ = {first, last};
    }
    void RowsInserted() override {
        for (std::size_t row = pending_.first; row <= pending_.second; ++row)
            Rows.insert(Rows.begin() + static_cast<std::ptrdiff_t>(row), list_->EntryList[row].Id);
        Check();
    }
    void RowsAboutToBeRemoved(std::size_t first, std::size_t last) override {
        Expect(last < Rows.size() && first <= last);
        pending_ = {first, last};
    }
    void RowsRemoved() override {
        Rows.erase(Rows.begin() + static_cast<std::ptrdiff_t>(pending_.first),
                   Rows.begin() + static_cast<std::ptrdiff_t>(pending_.second) + 1);
        Check();
    }
    void LayoutChanged(const std::vector<std::size_t>& newRowOfOld) override {
        Expect(newRowOfOld.size() == Rows.size());
        std::vector<std::uint64_t> moved(Rows.size());
        for (std::size_t old = 0; old < Rows.size(); ++old) moved[newRowOfOld[old]] = Rows[old];
        Rows = std::move(moved);
        Check();
    }

private:
    void Expect(bool holds) { Broken += holds ? 0 : 1; }
    void Check() {
        std::vector<std::uint64_t> actual;
        for (const TFileEntry& entry : list_->EntryList) actual.push_back(entry.Id);
        Expect(actual == Rows);
    }
    const TFileList*& list_;
    std::pair<std::size_t, std::size_t> pending_;
};

class RunAsValuesTest : public BatchTest {
protected:
    RunAsValuesTest() : Mirror(listPointer_), Followed(*Engine, Options, &Mirror) { listPointer_ = &Followed; }
    std::vector<std::string> MakeSite(int count) {
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i)
            paths.push_back(Write("site/f" + std::to_string(i % 7) + "/p" + std::to_string(i) + ".html",
                                  Page + std::to_string(i)));
        return paths;
    }

    const TFileList* listPointer_ = nullptr;
    ModelMirror Mirror;
    TFileList Followed;
};

TEST_F(RunAsValuesTest, ListChangesAreAnnouncedAsAModelFollowsThem) {
    MakeSite(40);
    Followed.AddDir(Dir / "site");
    Followed.AddDir(Dir / "site/f3");  // nothing new
    Followed.SortByColumn(2);
    Followed.DeleteSelected([](std::size_t row) { return row % 3 == 0; });
    Followed.LoadList(Write("twice.lst", (Dir / "site/f1/p1.html") + "\r\n" + (Dir / "site/f1/p1.html") + "\r\n"),
                      true);
    Followed.RemDuplicates();
    Followed.CropSelected([](std::size_t row) { return row < 5; });
    Followed.NewList();
    EXPECT_EQ(Mirror.Broken, 0);
    EXPECT_TRUE(Mirror.Rows.empty());
}

// The owner deletes, sorts and refreshes while workers compress: every
// entry still listed ends with its own result, and no file is skipped.
TEST_F(RunAsValuesTest, OwnerChangesTheListWhileTheRunGoesOn) {
    const std::vector<std::string> paths = MakeSite(300);
    Followed.AddDir(Dir / "site");
    ASSERT_EQ(Followed.EntryList.size(), 300u);
    TRunSettings settings;
    settings.Jobs = 2;
    TCompressRun run(Followed, settings);
    std::atomic<int> signalled{0};
    run.ResultsReady = [&] { ++signalled; };
    run.Start();
    std::mt19937 random(9);
    while (!run.TakeResults()) {
        switch (random() % 3) {
            case 0: {
                if (Followed.EntryList.empty()) break;
                const std::size_t row = random() % Followed.EntryList.size();
                Followed.DeleteSelected([row](std::size_t at) { return at == row; });
                break;
            }
            case 1: Followed.SortByColumn(static_cast<int>(random() % 5)); break;
            default: Followed.UpdateItem(-1); break;
        }
        run.WaitForResults(std::chrono::milliseconds(1));
    }
    EXPECT_FALSE(run.Result().Aborted);
    EXPECT_GT(signalled.load(), 0);
    EXPECT_EQ(Mirror.Broken, 0);
    for (const TFileEntry& entry : Followed.EntryList) {
        EXPECT_EQ(StatusText(entry.Status), "Finished") << entry.Path();
        EXPECT_EQ(entry.Size, static_cast<std::int64_t>(ReadText(entry.Path()).size())) << entry.Path();
    }
    // Deleted entries lose only their row: their files were compressed too.
    for (const std::string& path : paths) EXPECT_EQ(ReadText(path).find("\n  "), std::string::npos) << path;
}

TEST_F(RunAsValuesTest, StopLeavesTheFilesNotStartedAsTheyWere) {
    const std::vector<std::string> paths = MakeSite(50);
    Followed.AddDir(Dir / "site");
    TRunSettings settings;
    std::atomic<int> started{0};
    TCompressRun* current = nullptr;
    settings.BeforeFile = [&](std::size_t) {
        if (++started == 10) current->Stop();
    };
    TCompressRun run(Followed, settings);
    current = &run;
    run.Start();
    while (!run.TakeResults()) run.WaitForResults(std::chrono::milliseconds(5));
    EXPECT_TRUE(run.Result().Aborted);
    std::size_t finished = 0, waiting = 0;
    for (const TFileEntry& entry : Followed.EntryList) {
        const bool compressed = ReadText(entry.Path()).find("\n  ") == std::string::npos;
        if (entry.Status == TEntryStatus::Finished) {
            ++finished;
            EXPECT_TRUE(compressed);
        } else {
            ++waiting;
            EXPECT_EQ(entry.Status, TEntryStatus::Waiting);
            EXPECT_FALSE(compressed) << entry.Path();
        }
    }
    EXPECT_EQ(finished, 9u);  // the tenth was never started
    EXPECT_EQ(waiting, 41u);
}

// Restore, Remove Backups and synchronisation stop like the compress run:
// what is done stays done, the rest is left as it was.
TEST_F(RunAsValuesTest, RestoreAndSyncStopBetweenFiles) {
    MakeSite(30);
    Followed.AddDir(Dir / "site");
    CompressFiles(Followed);
    TRingRun restore(Followed, TRingKind::Restore, [](std::size_t) { return true; });
    std::atomic<int> ready{0};
    restore.ResultsReady = [&] {
        if (++ready == 5) restore.Stop();
    };
    restore.Start();
    while (!restore.TakeResults()) restore.WaitForResults(std::chrono::milliseconds(5));
    EXPECT_TRUE(restore.Result().Aborted);
    std::size_t restored = 0;
    for (const TFileEntry& entry : Followed.EntryList) {
        const bool original = ReadText(entry.Path()).find("\n  ") != std::string::npos;
        EXPECT_EQ(original, entry.Status == TEntryStatus::Restored) << entry.Path();
        restored += entry.Status == TEntryStatus::Restored;
    }
    EXPECT_GE(restored, 5u);
    EXPECT_LT(restored, 30u);

    Options.CompressOptions = coOtherFolder | coPreserveDirs;
    Options.OtherFolder = Dir / "mirror";
    TSyncRun sync(Followed);
    sync.Stop();
    sync.Start();
    while (!sync.TakeResults()) sync.WaitForResults(std::chrono::milliseconds(5));
    EXPECT_TRUE(sync.Result().Stopped);
    EXPECT_TRUE(sync.Result().Copied.empty());
}

}  // namespace
}  // namespace trimora::test
