#include "restore.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "backup_records.h"
#include "compress_run.h"
#include "file_io.h"
#include "data_folder.h"
#include "file_checks.h"
#include "file_copy.h"
#include "paths.h"
#include "safe_files.h"
#include "trash.h"

namespace fs = std::filesystem;

namespace trimora {

int RingStart(TBatchOptions& options) {
    const std::uint32_t bits = options.CompressOptions;
    if (bits & coMove) {
        NormalizeFolder(options.MoveFolder);
        return IsAbsolutePath(options.MoveFolder) ? 0 : 1;
    }
    if (bits & coSuffix) return 2;
    if (bits & coRecycle) return 3;
    return 4;
}

namespace {

// The record of the copies in the trash as this run last read or wrote it,
// so that restoring many files neither reads nor rewrites it whole for each:
// it is read again only when its file changed (another process wrote it),
// and the lines of the copies taken back are struck out together, every
// StrikeBatch files and when the run ends. A line not yet struck for a copy
// already taken back does no harm: its trash file is gone, and a later
// restore drops such lines. The caller holds the data folder's lock.
//
// Every writer replaces the record whole (a new file renamed over it), so
// the file is unchanged exactly while the path still names the file read
// last; that file is kept open, so its number cannot pass to a new one.
class TTrashRecord {
public:
    static constexpr std::size_t StrikeBatch = 256;

    TTrashRecord() = default;
    TTrashRecord(const TTrashRecord&) = delete;
    TTrashRecord& operator=(const TTrashRecord&) = delete;
    ~TTrashRecord() { Forget(); }

    // The record as the file holds it now, with this run's pending strikes.
    bool Load(const std::string& recordFile) {
        if (loaded_ && Unchanged(recordFile)) return true;
        Forget();
        const int fd = ::open(recordFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        TBackupRecords fresh;
        if (!TBackupRecords::Read(recordFile, fresh)) {
            if (fd >= 0) ::close(fd);
            return false;
        }
        // A strike removes only the line it was meant for: another process
        // may have recorded a new copy under the same trash name meanwhile.
        for (const TBackupRecord& struck : pending_)
            if (const TBackupRecord* line = fresh.FindBackup(struck.BackupName);
                line != nullptr && line->Original == struck.Original && line->Size == struck.Size)
                fresh.Erase(struck.BackupName);
        records_ = std::move(fresh);
        byOriginal_.clear();
        for (const auto& [name, record] : records_.All()) byOriginal_[record.Original].push_back(name);
        fd_ = fd;
        loaded_ = true;
        return true;
    }

    // The recorded copies of original.
    std::vector<TBackupRecord> CopiesOf(const std::string& original) const {
        std::vector<TBackupRecord> copies;
        if (const auto names = byOriginal_.find(original); names != byOriginal_.end())
            for (const std::string& name : names->second)
                if (const TBackupRecord* record = records_.FindBackup(name)) copies.push_back(*record);
        return copies;
    }

    bool Pending() const noexcept { return !pending_.empty(); }

    void Strike(const TBackupRecord& record) {
        records_.Erase(record.BackupName);
        pending_.push_back(record);
    }

    // Writes the record with the strikes made, when StrikeBatch are waiting
    // or always when force is set.
    bool Flush(const std::string& recordFile, bool force, std::string* error) {
        if (pending_.empty() || (!force && pending_.size() < StrikeBatch)) return true;
        if (!Load(recordFile)) return false;
        if (!WriteRecordFile(recordFile, records_, error)) return false;
        pending_.clear();
        Forget();  // read again next time: the file is a new one
        return true;
    }

private:
    // Whether the path still names the file read last (or still names
    // nothing when there was none).
    bool Unchanged(const std::string& recordFile) const {
        struct stat now {};
        const bool exists = ::stat(recordFile.c_str(), &now) == 0;
        if (fd_ < 0) return !exists;
        struct stat read {};
        return exists && ::fstat(fd_, &read) == 0 && now.st_dev == read.st_dev && now.st_ino == read.st_ino &&
               now.st_size == read.st_size;
    }
    void Forget() noexcept {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        loaded_ = false;
    }

    bool loaded_ = false;
    int fd_ = -1;  // the file read last, held open; -1 when there was none
    TBackupRecords records_;
    std::map<std::string, std::vector<std::string>, std::less<>> byOriginal_;
    std::vector<TBackupRecord> pending_;
};

struct TRing {
    explicit TRing(const TBatchOptions& options) : Options(options), DataFolder(trimora::DataFolder()) {}
    ~TRing() { FlushTrashRecord(); }
    const TBatchOptions& Options;
    const std::string DataFolder;
    TTrash Trash;
    TTrashRecord TrashRecord;
    std::string_view Method;           // the method being tried, as --backup names it
    std::vector<std::string> Reasons;  // why each method tried for the entry failed, by method

    bool Fail(std::string reason) {
        Reasons.push_back(std::string(Method) + ": " + reason);
        return false;
    }

    std::string TrashRecordFile() const {
        return DataFolder + std::string(TBackupRecords::TrashRecordFileName);
    }
    // Writes the strikes still waiting, under the data folder's lock.
    void FlushTrashRecord() noexcept {
        try {
            if (DataFolder.empty() || !TrashRecord.Pending()) return;
            TFolderLock lock;
            if (lock.Acquire(DataFolder)) TrashRecord.Flush(TrashRecordFile(), true, nullptr);
        } catch (...) {  // the lines stay; a later restore drops them
        }
    }
};

bool RemoveFile(const std::string& path) {
    std::error_code ec;
    return fs::remove(path, ec) && !ec;
}

std::string WithoutSeparator(std::string folder) {
    while (folder.size() > 1 && IsPathSeparator(folder.back())) folder.pop_back();
    return folder;
}

// Removes the folder when nothing is left in it.
void RemoveFolderIfEmpty(const std::string& folder) {
    std::error_code ec;
    const fs::path path = WithoutSeparator(folder);
    if (fs::is_directory(fs::symlink_status(path, ec)) && fs::is_empty(path, ec) && !ec) fs::remove(path, ec);
}

std::string Normalized(std::string folder) {
    NormalizeFolder(folder);
    return folder;
}

// Puts a backup back over its original: the backup's data becomes the file
// again (by renaming, so that it keeps its owner, bits and time), or is
// copied through a link the file was named by.
bool PutBack(const std::string& backup, const std::string& original, const TFileStamp& target, bool throughLink,
             std::string& reason) {
    if (target.IsLink) {
        if (!throughLink) {
            reason = original + " is a symbolic link now; nothing is written through it";
            return false;
        }
        if (!CopyFileReplacing(backup, original, &reason)) return false;
        if (!RemoveFile(backup)) reason = "Cannot delete " + backup;
        return true;
    }
    if (target.Exists && !target.IsRegular) {
        reason = original + " is not a file";
        return false;
    }
    std::error_code ec;
    if (WriteFailureAfterForTesting() >= 0) {
        reason = "Cannot replace " + original + " (" + std::strerror(ENOSPC) + ")";  // as a full disk would
        return false;
    }
    fs::rename(backup, original, ec);
    if (!ec) return true;
    if (ec != std::errc::cross_device_link) {
        reason = "Cannot replace " + original + " (" + ec.message() + ")";
        return false;
    }
    if (!CopyFileReplacing(backup, original, &reason)) return false;
    if (!RemoveFile(backup)) reason = "Cannot delete " + backup;
    return true;
}

// A backup that a folder's record names as this file's own is restored
// (restore) or deleted (removal), and its record goes; any other file
// there is never used, changed or deleted.
bool UseRecordedBackup(TRing& ring, const std::string& backupFolder, const std::string& backupName,
                       const std::string& original, bool restore, bool ownFolder) {
    // A move folder goes once it is empty; a file's own folder stays.
    const auto tidy = [&] {
        if (ownFolder) RemoveFolderIfEmpty(backupFolder);
    };
    std::error_code ec;
    const fs::file_status folderStatus = fs::symlink_status(WithoutSeparator(backupFolder), ec);
    if (fs::is_symlink(folderStatus))
        return ring.Fail(WithoutSeparator(backupFolder) + " is a symbolic link; no backup is used through it");
    if (!fs::is_directory(folderStatus)) return ring.Fail("no backup of " + original + " was recorded in " + backupFolder);
    TFolderLock lock;
    if (!lock.Acquire(backupFolder)) return ring.Fail("Cannot lock the folder " + backupFolder);
    const std::string recordFile = RecordFileIn(backupFolder);
    TBackupRecords records;
    if (!TBackupRecords::Read(recordFile, records)) return ring.Fail(CannotOpenFileText(recordFile));
    const TBackupRecord* record = records.FindBackupOf(backupName, original);
    const std::string backup = backupFolder + backupName;
    if (record == nullptr) {
        const bool someFile = fs::exists(fs::symlink_status(backup, ec));
        tidy();
        return ring.Fail(someFile ? backup + " was not recorded as a backup of " + original +
                                        " by Trimora; it is left as it is"
                                  : "no backup of " + original + " was recorded in " + backupFolder);
    }
    const TFileStamp stamp = StampOf(backup);
    std::string reason;
    bool used = false;
    if (!stamp.Exists) {
        reason = "the recorded backup " + backup + " is gone";
        records.Erase(backupName);  // a record of nothing
        WriteRecordFile(recordFile, records, nullptr);
    } else if (stamp.IsLink || !stamp.IsRegular) {
        reason = backup + " is not the backup Trimora made; it is left as it is";
    } else if (record->Size >= 0 && stamp.Size != record->Size) {
        reason = "the backup " + backup + " has changed since Trimora made it; it is left as it is";
    } else if (!restore) {
        used = RemoveFile(backup);
        if (!used) reason = "Cannot delete " + backup;
    } else {
        const TFileStamp target = StampOf(original);
        used = stamp.SameFile(target) ? RemoveFile(backup)  // the file was never replaced
                                      : PutBack(backup, original, target, record->OriginalWasLink, reason);
    }
    if (used) {
        records.Erase(backupName);
        if (!WriteRecordFile(recordFile, records, &reason)) used = false;
    }
    tidy();
    return used || ring.Fail(reason);
}

bool RestoreFromFolder(TRing& ring, const std::string& name, const std::string& folder) {
    if (!IsAbsolutePath(ring.Options.MoveFolder)) return false;  // a relative folder is read per file
    return UseRecordedBackup(ring, Normalized(ring.Options.MoveFolder), name, Normalized(folder) + name, true, true);
}

bool RestoreFromRelFolder(TRing& ring, const std::string& name, const std::string& folder) {
    const std::string& move = ring.Options.MoveFolder;
    if (TrimControls(move).empty() || IsAbsolutePath(move)) return false;
    const std::string normalized = Normalized(folder);
    return UseRecordedBackup(ring, CombinePath(normalized, move), name, normalized + name, true, true);
}

bool RestoreFromSuffix(TRing& ring, const std::string& name, const std::string& folder) {
    const std::string normalized = Normalized(folder);
    return UseRecordedBackup(ring, normalized, name + EffectiveSuffix(ring.Options.Suffix), normalized + name, true, false);
}

// The newest copy of the file that Trimora put in the trash comes back.
bool RestoreFromRecycleBin(TRing& ring, const std::string& name, const std::string& folder) {
    const std::string original = Normalized(folder) + name;
    if (ring.DataFolder.empty()) return ring.Fail("no data folder holds the record of the trash");
    std::error_code ec;
    if (!fs::is_directory(ring.DataFolder, ec))
        return ring.Fail("no copy of " + original + " in the trash was recorded by Trimora");
    TFolderLock lock;
    if (!lock.Acquire(ring.DataFolder)) return ring.Fail("Cannot lock the folder " + ring.DataFolder);
    const std::string recordFile = ring.TrashRecordFile();
    if (!ring.TrashRecord.Load(recordFile)) return ring.Fail(CannotOpenFileText(recordFile));
    struct Candidate {
        TBackupRecord Record;
        std::string Date;
        std::int64_t Time = 0;
    };
    std::vector<Candidate> candidates;
    for (TBackupRecord& record : ring.TrashRecord.CopiesOf(original)) {
        Candidate candidate{std::move(record), {}, 0};
        ring.Trash.EntryTime(candidate.Record.BackupName, candidate.Date, candidate.Time);
        candidates.push_back(std::move(candidate));
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.Date != b.Date ? a.Date > b.Date : a.Time > b.Time;
    });
    std::string reason = "no copy of " + original + " in the trash was recorded by Trimora";
    bool restored = false;
    for (const Candidate& candidate : candidates) {
        const TFileStamp stamp = StampOf(ring.Trash.FileOf(candidate.Record.BackupName));
        if (!stamp.Exists) {
            ring.TrashRecord.Strike(candidate.Record);  // emptied from the trash meanwhile
            continue;
        }
        if (stamp.IsLink || !stamp.IsRegular ||
            (candidate.Record.Size >= 0 && stamp.Size != candidate.Record.Size)) {
            reason = "the copy of " + original + " in the trash has changed since Trimora put it there";
            continue;
        }
        if (!ring.Trash.TakeBackEntry(candidate.Record.BackupName, original, candidate.Record.OriginalWasLink,
                                      &reason))
            break;
        ring.TrashRecord.Strike(candidate.Record);
        restored = true;
        break;
    }
    // A record that cannot be written now keeps its strikes for the next try.
    ring.TrashRecord.Flush(recordFile, false, nullptr);
    return restored || ring.Fail(reason);
}

bool RestoreNone(TRing&, const std::string&, const std::string&) { return false; }

bool RemoveFromFolder(TRing& ring, const std::string& name, const std::string& folder) {
    if (!IsAbsolutePath(ring.Options.MoveFolder)) return false;
    return UseRecordedBackup(ring, Normalized(ring.Options.MoveFolder), name, Normalized(folder) + name, false, true);
}

bool RemoveFromRelFolder(TRing& ring, const std::string& name, const std::string& folder) {
    const std::string& move = ring.Options.MoveFolder;
    if (TrimControls(move).empty() || IsAbsolutePath(move)) return false;
    const std::string normalized = Normalized(folder);
    return UseRecordedBackup(ring, CombinePath(normalized, move), name, normalized + name, false, true);
}

bool RemoveSuffixBackup(TRing& ring, const std::string& name, const std::string& folder) {
    const std::string normalized = Normalized(folder);
    return UseRecordedBackup(ring, normalized, name + EffectiveSuffix(ring.Options.Suffix), normalized + name, false, false);
}

bool RemoveNone(TRing&, const std::string&, const std::string&) { return false; }

using TRingMethod = bool (*)(TRing&, const std::string&, const std::string&);
constexpr TRingMethod RestoreRing[5] = {RestoreFromFolder, RestoreFromRelFolder, RestoreFromSuffix,
                                        RestoreFromRecycleBin, RestoreNone};
constexpr TRingMethod RemovalRing[5] = {RemoveFromFolder, RemoveFromRelFolder, RemoveSuffixBackup, RemoveNone,
                                        RemoveNone};

// The methods of both rings by index, as the backup methods are named.
constexpr std::string_view RingMethodNames[5] = {"move", "move", "suffix", "trash", "none"};

// Runs the ring for one entry. The detail names the methods tried in ring
// order with why each failed; after a fall-back that worked it also names
// the one that did.
bool RunRingFor(TRing& ring, const TRingMethod (&methods)[5], int start, std::string_view doneBy,
                const TFileEntry& entry, std::string& detail) {
    ring.Reasons.clear();
    bool ok = false;
    for (int step = 0; step < 5 && !ok; ++step) {
        ring.Method = RingMethodNames[(start + step) % 5];
        ok = methods[(start + step) % 5](ring, entry.Name, entry.Folder);
    }
    std::string tried;
    for (const std::string& reason : ring.Reasons) tried += (tried.empty() ? "" : "; falling back to ") + reason;
    if (!ok)
        detail = tried.empty() ? "no backup method applies" : tried;
    else if (!tried.empty())
        detail = std::string(doneBy) + " " + std::string(ring.Method) + " after " + tried;
    return ok;
}

TRowSelection EntryOrAll(const TFileList& list, std::ptrdiff_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= list.EntryList.size())
        return [](std::size_t) { return true; };
    return [index](std::size_t i) { return i == static_cast<std::size_t>(index); };
}

bool IsBelow(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0;
}

// The blocking form: results taken over as they come, events let through.
template <class Run>
void RunToTheEnd(TFileList& list, Run& run) {
    run.Start();
    while (!run.TakeResults()) {
        list.Callbacks.ProcessEvents();
        if (list.AbortRequested) run.Stop();
        run.WaitForResults(std::chrono::milliseconds(20));
    }
}

}  // namespace

struct TRingRun::Impl {
    struct TJob {
        TFileEntry Entry;  // as planned
        std::size_t Row = 0;
        bool Ok = false;
        std::string Detail;
        bool Done = false;
    };

    Impl(TFileList& owner, TRingKind ringKind) : List(owner), Kind(ringKind), Options(owner.Options) {}

    TFileList& List;
    const TRingKind Kind;
    TBatchOptions Options;  // normalised when the run was made
    int Start = 0;
    std::vector<TJob> Jobs;
    std::mutex Mutex;
    std::condition_variable Changed;
    std::atomic<bool> Stopping{false};
    bool WorkerEnded = false;
    std::thread Worker;
    std::size_t Next = 0;
    TRunResult Result;
    bool Over = false;
    std::function<void()> ResultsReady;

    void Work() {
        TRing ring(Options);
        const auto& methods = Kind == TRingKind::Restore ? RestoreRing : RemovalRing;
        for (TJob& job : Jobs) {
            if (Stopping || List.AbortRequested) break;
            std::string detail;
            const bool ok = RunRingFor(ring, methods, Start, Kind == TRingKind::Restore ? "restored by" : "backup removed by",
                                       job.Entry, detail);
            {
                std::lock_guard lock(Mutex);
                job.Ok = ok;
                job.Detail = std::move(detail);
                job.Done = true;
            }
            Changed.notify_all();
            if (ResultsReady) ResultsReady();
        }
        ring.FlushTrashRecord();  // before the run counts as over
        {
            std::lock_guard lock(Mutex);
            WorkerEnded = true;
        }
        Changed.notify_all();
        if (ResultsReady) ResultsReady();
    }

    void Apply(TJob& job) {
        const std::size_t row =
            job.Entry.Id != 0 ? List.RowOf(job.Entry.Id, job.Row)
                              : (job.Row < List.EntryList.size() && List.EntryList[job.Row].Path() == job.Entry.Path()
                                     ? job.Row
                                     : TFileList::NoRow);
        if (row == TFileList::NoRow) return;
        TFileEntry& entry = List.EntryList[row];
        entry.BackedUp = false;
        if (Kind == TRingKind::Restore)
            entry.Status = job.Ok ? TEntryStatus::Restored : TEntryStatus::RestoreFailed;
        else
            entry.Status = job.Ok ? TEntryStatus::BackupRemoved : TEntryStatus::BackupRemovalFailed;
        List.Callbacks.RedrawRows(row, row);
        List.Callbacks.EntryFinished(row, entry, job.Detail);
        ++Result.Processed;
    }

    void Join() {
        Stopping = true;
        if (Worker.joinable()) Worker.join();
    }

    bool TakeResults() {
        if (Over) return true;
        bool ended;
        {
            std::lock_guard lock(Mutex);
            ended = WorkerEnded;
        }
        for (;;) {
            {
                std::lock_guard lock(Mutex);
                if (Next >= Jobs.size() || !Jobs[Next].Done) break;
            }
            Apply(Jobs[Next++]);
        }
        if (Next < Jobs.size() && !ended) return false;
        Join();
        Result.Aborted = Next < Jobs.size() || List.AbortRequested;
        List.AbortRequested = false;
        // Sizes and times are read again for every entry: nothing counts as
        // compressed any more.
        List.UpdateItem(-1);
        List.Callbacks.RedrawAll();
        Over = true;
        return true;
    }
};

TRingRun::TRingRun(TFileList& list, TRingKind kind, const TRowSelection& concerned)
    : impl_(std::make_unique<Impl>(list, kind)) {
    list.AbortRequested = false;
    impl_->Start = RingStart(list.Options);
    impl_->Options = list.Options;
    for (std::size_t i = 0; i < list.EntryList.size(); ++i)
        if (concerned(i)) impl_->Jobs.push_back({list.EntryList[i], i, false, {}, false});
}

TRingRun::~TRingRun() { impl_->Join(); }

void TRingRun::Start() {
    impl_->ResultsReady = ResultsReady;
    impl_->Worker = std::thread([this] { impl_->Work(); });
}

bool TRingRun::TakeResults() { return impl_->TakeResults(); }

void TRingRun::WaitForResults(std::chrono::milliseconds timeout) {
    std::unique_lock lock(impl_->Mutex);
    if (impl_->WorkerEnded || (impl_->Next < impl_->Jobs.size() && impl_->Jobs[impl_->Next].Done)) return;
    impl_->Changed.wait_for(lock, timeout);
}

void TRingRun::Stop() { impl_->Stopping = true; }
bool TRingRun::Over() const { return impl_->Over; }
TRunResult TRingRun::Result() const { return impl_->Result; }

void RestoreFiles(TFileList& list, std::ptrdiff_t index) {
    TRingRun run(list, TRingKind::Restore, EntryOrAll(list, index));
    RunToTheEnd(list, run);
}

void RestoreSelected(TFileList& list, const TRowSelection& isSelected) {
    TRingRun run(list, TRingKind::Restore, isSelected);
    RunToTheEnd(list, run);
    list.Callbacks.RowCountChanged(list.EntryList.size());
}

void RemBakFiles(TFileList& list, std::ptrdiff_t index) {
    TRingRun run(list, TRingKind::RemoveBackups, EntryOrAll(list, index));
    RunToTheEnd(list, run);
}

std::size_t AddRecordedOriginals(TFileList& list, const std::string& folderText) {
    std::string root = folderText;
    NormalizeFolder(root);
    std::set<std::string> listed;
    for (const TFileEntry& entry : list.EntryList) listed.insert(Normalized(entry.Folder) + entry.Name);
    std::size_t added = 0;
    const auto take = [&](const TBackupRecords& records, const std::function<std::string(const TBackupRecord&)>& backupOf) {
        for (const auto& [name, record] : records.All()) {
            if (!IsBelow(record.Original, root) || listed.count(record.Original) != 0) continue;
            std::error_code ec;
            if (fs::exists(fs::symlink_status(record.Original, ec))) continue;
            const TFileStamp backup = StampOf(backupOf(record));
            if (!backup.Exists || !backup.IsRegular) continue;
            TFileListing listing;
            listing.Name = NamePart(record.Original);
            listing.Size = backup.Size;
            listing.Modified = backup.ModifiedNs / 1000000000;
            list.AddFile(FolderPart(record.Original), listing);
            listed.insert(record.Original);
            ++added;
        }
    };
    // Every record below the folder, the links to folders not followed.
    std::vector<std::string> folders{root};
    while (!folders.empty()) {
        const std::string folder = std::move(folders.back());
        folders.pop_back();
        TBackupRecords records;
        if (TBackupRecords::Read(RecordFileIn(folder), records))
            take(records, [&](const TBackupRecord& record) { return folder + record.BackupName; });
        std::error_code ec;
        for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
             !ec && it != end; it.increment(ec)) {
            std::error_code statusError;
            if (fs::is_directory(it->symlink_status(statusError)))
                folders.push_back(folder + it->path().filename().string() + PathSeparator);
        }
    }
    // An absolute move folder and the trash keep records elsewhere.
    std::string move = list.Options.MoveFolder;
    if (IsAbsolutePath(move)) {
        NormalizeFolder(move);
        TBackupRecords records;
        if (!IsBelow(move, root) && TBackupRecords::Read(RecordFileIn(move), records))
            take(records, [&](const TBackupRecord& record) { return move + record.BackupName; });
    }
    if (const std::string data = DataFolder(); !data.empty()) {
        TBackupRecords records;
        TTrash trash;
        if (TBackupRecords::Read(data + std::string(TBackupRecords::TrashRecordFileName), records))
            take(records, [&](const TBackupRecord& record) { return trash.FileOf(record.BackupName); });
    }
    if (added > 0) {
        list.Callbacks.RowCountChanged(list.EntryList.size());
        list.ListModified = true;
    }
    return added;
}

bool SyncPreconditionHolds(const TBatchOptions& options) {
    return (options.CompressOptions & coOtherFolder) && (options.CompressOptions & coPreserveDirs) &&
           IsAbsolutePath(options.OtherFolder);
}

namespace {

// The mirror's side of one source file: copied when the mirror lacks it; in
// update mode replaced when the source is newer or differs in size, unless
// the mirror holds its compressed text.
void SyncOne(const std::string& source, const std::string& copy, TSyncResult& result,
             const TSyncSettings& settings) {
    const auto fail = [&](std::string reason) {
        result.Failed.push_back(copy);
        result.FailureReasons.push_back(std::move(reason));
    };
    const TFileStamp target = StampOf(copy);
    const bool compressed = settings.IsCompressed && settings.IsCompressed(source);
    if (!target.Exists && !(compressed && settings.DryRun)) {
        if (settings.DryRun) return result.Copied.push_back(copy);
        std::string reason;
        const TCopyResult copied = CopyFileNoReplace(source, copy, &reason);
        if (copied == TCopyResult::Ok) result.Copied.push_back(copy);
        else if (copied == TCopyResult::Failed) fail(reason);
        return;
    }
    // Nothing is written through a link, nor over what is not a file.
    if (!settings.Update || compressed || target.IsLink || !target.IsRegular) return;
    const TFileStamp stamp = StampOf(source);
    if (!stamp.Exists || (stamp.ModifiedNs <= target.ModifiedNs && stamp.Size == target.Size)) return;
    if (settings.DryRun) return result.Updated.push_back(copy);
    std::string reason;
    if (CopyFileReplacing(source, copy, &reason)) result.Updated.push_back(copy);
    else fail(reason);
}

bool Takes(const TSyncSettings& settings, const std::string& path) { return !settings.Takes || settings.Takes(path); }

bool IsSyncedName(const std::string& name) {
    return !IsTemporaryName(name) && name != TBackupRecords::RecordFileName;
}

}  // namespace

void SyncFolder(const TBatchOptions& options, const std::string& base, const std::string& root, TSyncResult& result,
                const TSyncSettings& settings) {
    // Depth first on an explicit stack. Links are neither followed nor
    // copied: what they point to may lie outside the site. The mirror itself
    // (when it lies below the base) is never entered, and its folders are
    // made without going through a link.
    std::vector<std::string> folders{root};
    while (!folders.empty()) {
        const std::string folder = std::move(folders.back());
        folders.pop_back();
        const std::string mirror = options.OtherFolder + folder.substr(std::min(base.size(), folder.size()));
        std::vector<std::string> subFolders;
        std::string reason;
        const bool mirrorReady = settings.DryRun || ForceFoldersBelow(options.OtherFolder, mirror, &reason);
        std::error_code ec;
        for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
             !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            std::error_code statusError;
            const fs::file_status status = it->symlink_status(statusError);
            if (statusError) continue;
            if (fs::is_directory(status)) {
                const std::string sub = folder + name + PathSeparator;
                if (!IsOwnFolder(options, sub) && Takes(settings, sub)) subFolders.push_back(sub);
                continue;
            }
            if (!fs::is_regular_file(status) || !IsSyncedName(name) || !Takes(settings, folder + name)) continue;
            if (result.StopRequested != nullptr && result.StopRequested->load()) {
                result.Stopped = true;
                return;
            }
            ++result.Visited;
            const std::string copy = mirror + name;
            if (!mirrorReady) {
                result.Failed.push_back(copy);
                result.FailureReasons.push_back(reason);
                continue;
            }
            SyncOne(folder + name, copy, result, settings);
        }
        // Keep the file system's order: the first sub-folder is visited first.
        folders.insert(folders.end(), subFolders.rbegin(), subFolders.rend());
    }
}

void SyncFile(const TBatchOptions& options, const std::string& base, const std::string& path, TSyncResult& result,
              const TSyncSettings& settings) {
    const std::string folder = FolderPart(path), name = NamePart(path);
    if (folder.size() < base.size() || folder.compare(0, base.size(), base) != 0 || !IsSyncedName(name) ||
        !Takes(settings, path))
        return;
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(path, ec))) return;
    const std::string mirror = options.OtherFolder + folder.substr(base.size());
    std::string reason;
    if (!settings.DryRun && !ForceFoldersBelow(options.OtherFolder, mirror, &reason)) {
        result.Failed.push_back(mirror + name);
        result.FailureReasons.push_back(reason);
        return;
    }
    SyncOne(path, mirror + name, result, settings);
}

TSyncResult::TSyncResult(TSyncResult&& other) noexcept
    : PreconditionMet(other.PreconditionMet), Stopped(other.Stopped), Copied(std::move(other.Copied)),
      Updated(std::move(other.Updated)), Failed(std::move(other.Failed)),
      FailureReasons(std::move(other.FailureReasons)), StopRequested(other.StopRequested),
      Visited(other.Visited.load()) {}

TSyncResult& TSyncResult::operator=(TSyncResult&& other) noexcept {
    PreconditionMet = other.PreconditionMet;
    Stopped = other.Stopped;
    Copied = std::move(other.Copied);
    Updated = std::move(other.Updated);
    Failed = std::move(other.Failed);
    FailureReasons = std::move(other.FailureReasons);
    StopRequested = other.StopRequested;
    Visited = other.Visited.load();
    return *this;
}

TSyncRun::TSyncRun(TFileList& list, TSyncSettings settings) : list_(list), settings_(std::move(settings)) {
    list.AbortRequested = false;
    if (!SyncPreconditionHolds(list.Options)) return;
    result_.PreconditionMet = true;
    NormalizeFolder(list.Options.OtherFolder);
    options_ = list.Options;
    base_ = settings_.Base.empty() ? CommonFolder(list.EntryList) : settings_.Base;
    result_.StopRequested = &stop_;
}

TSyncRun::~TSyncRun() {
    stop_ = true;
    if (worker_.joinable()) worker_.join();
}

void TSyncRun::Start() {
    worker_ = std::thread([this] {
        if (result_.PreconditionMet && !base_.empty()) SyncFolder(options_, base_, base_, result_, settings_);
        ended_ = true;
        if (Finished) Finished();
    });
}

bool TSyncRun::TakeResults() {
    if (list_.AbortRequested) stop_ = true;
    if (!ended_) return false;
    if (worker_.joinable()) worker_.join();
    list_.AbortRequested = false;
    return true;
}

void TSyncRun::WaitForResults(std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!ended_ && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void TSyncRun::Stop() { stop_ = true; }
std::size_t TSyncRun::Visited() const { return result_.Visited.load(); }
const TSyncResult& TSyncRun::Result() const { return result_; }

TSyncResult TSyncRun::TakeResult() {
    TSyncResult result = std::move(result_);
    result.StopRequested = nullptr;
    return result;
}

TSyncResult SyncDirectories(TFileList& list, const TSyncSettings& settings) {
    TSyncRun run(list, settings);
    RunToTheEnd(list, run);
    return run.TakeResult();
}

}  // namespace trimora
