// The compress run. The entries and the options are taken into a plan when
// the run starts; workers (one or more, each with its own engine) carry it
// out and the calling thread takes their results over in list order.
//
// A worker reads and compresses a file in memory, then, holding the lock of
// the folder whose record names the backup, checks that the file did not
// change meanwhile, makes the backup and writes the compressed text under a
// temporary name. Every few dozen files (or after a short while) it commits
// what it has: the records are written, everything written is sent to the
// disk at once, and then the records and the files take their names. So a
// file is either whole and old or whole and new, and a replaced file always
// has its backup recorded, whatever moment the process is stopped at.

#include "compress_run.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

#include "backup_records.h"
#include "data_folder.h"
#include "file_checks.h"
#include "file_copy.h"
#include "file_io.h"
#include "paths.h"
#include "safe_files.h"
#include "trash.h"
#include "compressor.h"
#include "trimora.h"

namespace fs = std::filesystem;

namespace trimora {

TBackupMethod ChooseBackupMethod(TBatchOptions& options) {
    const std::uint32_t bits = options.CompressOptions;
    if (bits & coMove) {
        NormalizeFolder(options.MoveFolder);
        return IsAbsolutePath(options.MoveFolder) ? TBackupMethod::ToFolder : TBackupMethod::ToRelFolder;
    }
    if (bits & coSuffix) return TBackupMethod::WithSuffix;
    if (bits & coRecycle) return TBackupMethod::ToRecycleBin;
    if (bits & coDelete) return TBackupMethod::None;
    return TBackupMethod::Unavailable;
}

std::string BackupFolderOf(const TBatchOptions& options, TBackupMethod method, const std::string& folder) {
    switch (method) {
        case TBackupMethod::ToFolder: return options.MoveFolder;
        case TBackupMethod::ToRelFolder: return CombinePath(folder, options.MoveFolder);
        case TBackupMethod::WithSuffix: return folder;
        default: return {};
    }
}

std::string BackupNameOf(const TBatchOptions& options, TBackupMethod method, const std::string& name) {
    return method == TBackupMethod::WithSuffix ? name + EffectiveSuffix(options.Suffix) : name;
}

namespace {

// A run commits its work after this many files, or this long after the
// first uncommitted one.
constexpr std::size_t CommitEvery = 64;
constexpr auto CommitAfter = std::chrono::milliseconds(50);

// What a run decided before its first file; read-only while it runs.
struct TPlan {
    TBatchOptions Options;  // normalised
    TBackupMethod Method = TBackupMethod::None;
    bool OtherFolderMode = false;
    std::size_t BaseLength = 0;
    bool DryRun = false;
    std::string DataFolder;  // the trash record's folder
};

struct TJob {
    TFileEntry Entry;           // the entry as the run started; its result
    std::string Detail;         // why it failed
    std::string Refusal;        // set by the plan: fails with this detail, nothing is touched
    std::vector<std::size_t> After;  // earlier jobs touching the same files
    bool Done = false;
};

void Finish(TFileEntry& entry, TEntryStatus status) { entry.Status = status; }

void CompressFailed(TFileEntry& entry) {
    Finish(entry, TEntryStatus::CompressFailed);
    if (entry.OriginalSize != -1) entry.Size = entry.OriginalSize;
    entry.OriginalSize = -1;
}

// A folder text in a form that makes two spellings of one folder equal.
class TFolderKeys {
public:
    std::string Key(const std::string& folder) {
        auto found = keys_.find(folder);
        if (found == keys_.end()) {
            std::error_code ec;
            std::string text = fs::weakly_canonical(folder, ec).string();
            if (ec) text = folder;
            while (text.size() > 1 && IsPathSeparator(text.back())) text.pop_back();
            if (text.empty() || !IsPathSeparator(text.back())) text += PathSeparator;
            found = keys_.emplace(folder, std::move(text)).first;
        }
        return found->second;
    }

private:
    std::map<std::string, std::string> keys_;
};

std::string OutputRoot(const TPlan& plan, const TFileEntry& entry) {
    const std::string& other = plan.Options.OtherFolder;
    return IsAbsolutePath(other) ? other : CombinePath(entry.Folder, other);
}

std::string OutputFolder(const TPlan& plan, const TFileEntry& entry) {
    std::string out = OutputRoot(plan, entry);
    if ((plan.Options.CompressOptions & coPreserveDirs) && entry.Folder.size() > plan.BaseLength)
        out += entry.Folder.substr(plan.BaseLength);
    return out;
}

// The records of the folders a plan looks at, read once.
class TRecordCache {
public:
    const TBackupRecords& Of(const std::string& folder) {
        auto found = records_.find(folder);
        if (found == records_.end()) {
            TBackupRecords records;
            TBackupRecords::Read(RecordFileIn(folder), records);
            found = records_.emplace(folder, std::move(records)).first;
        }
        return found->second;
    }

private:
    std::map<std::string, TBackupRecords> records_;
};

std::string FileIdentity(const TFileStamp& stamp) {
    return std::to_string(stamp.Device) + ":" + std::to_string(stamp.Inode);
}

// Refuses, before anything is written, an entry whose output would land on
// a listed file, on a recorded backup, or on another entry's output; and a
// file listed twice under two names.
void RefuseClashes(const TPlan& plan, std::vector<TJob>& jobs) {
    TRecordCache records;
    TFolderKeys keys;
    std::map<std::string, std::size_t> listed;  // file identity -> first entry
    std::map<std::string, std::size_t> written;  // where an in-place entry writes -> first entry
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const TFileEntry& entry = jobs[i].Entry;
        const TFileStamp stamp = StampOf(entry.Path());
        if (!stamp.Exists || !stamp.IsRegular) continue;
        listed.emplace(FileIdentity(stamp), i);
        if (plan.OtherFolderMode) continue;
        // A file named twice, or also through a link, is written once.
        std::string target = keys.Key(entry.Folder) + entry.Name;
        if (stamp.IsLink) {
            std::error_code ec;
            target = fs::canonical(entry.Path(), ec).string();
        }
        const auto [first, inserted] = written.emplace(target, i);
        if (!inserted)
            jobs[i].Refusal = entry.Path() + " is the same file as " + jobs[first->second].Entry.Path() +
                              ", which the list has already";
    }
    const auto backupOwner = [&](const std::string& folder, const std::string& name) -> const TBackupRecord* {
        return records.Of(folder).FindBackup(name);
    };
    if (!plan.OtherFolderMode) {
        // A listed file that is a recorded backup is never compressed.
        for (TJob& job : jobs) {
            if (!job.Refusal.empty()) continue;
            if (const TBackupRecord* owner = backupOwner(job.Entry.Folder, job.Entry.Name))
                job.Refusal = job.Entry.Path() + " is the backup of " + owner->Original + "; it is left as it is";
        }
        return;
    }
    std::map<std::string, std::size_t> outputs;  // output path -> first entry writing it
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        TJob& job = jobs[i];
        if (!job.Refusal.empty()) continue;
        const std::string folder = OutputFolder(plan, job.Entry);
        const std::string target = folder + job.Entry.Name;
        const std::string key = keys.Key(folder) + job.Entry.Name;
        const auto [first, inserted] = outputs.emplace(key, i);
        if (!inserted) {
            job.Refusal = "the output " + target + " is also the output of " + jobs[first->second].Entry.Path() +
                          "; nothing was written for this file";
            continue;
        }
        const TFileStamp stamp = StampOf(target);
        if (stamp.Exists && !stamp.IsLink && stamp.IsRegular) {
            const auto same = listed.find(FileIdentity(stamp));
            if (same != listed.end()) {
                job.Refusal = same->second == i ? "the output " + target + " would replace the original"
                                                : "the output " + target + " would replace the listed file " +
                                                      jobs[same->second].Entry.Path();
                continue;
            }
        }
        if (const TBackupRecord* owner = backupOwner(folder, job.Entry.Name))
            job.Refusal = "the output " + target + " would replace the backup of " + owner->Original;
    }
}

// Paths a job writes or reads, so that jobs sharing one run in list order.
std::vector<std::string> ConflictKeys(const TPlan& plan, TFolderKeys& keys, const TFileEntry& entry) {
    std::vector<std::string> result{keys.Key(entry.Folder) + entry.Name};
    if (plan.OtherFolderMode) {
        result.push_back(keys.Key(OutputFolder(plan, entry)) + entry.Name);
        return result;
    }
    const std::string backupFolder = BackupFolderOf(plan.Options, plan.Method, entry.Folder);
    if (!backupFolder.empty())
        result.push_back(keys.Key(backupFolder) + BackupNameOf(plan.Options, plan.Method, entry.Name));
    return result;
}

// The shared state of one run.
class TRun {
public:
    TRun(TPlan plan, std::vector<TJob> jobs, const TRunSettings& settings, std::atomic<bool>& abortRequested)
        : Plan(std::move(plan)), Jobs(std::move(jobs)), Settings(settings), AbortRequested(abortRequested) {}

    const TPlan Plan;
    std::vector<TJob> Jobs;
    const TRunSettings& Settings;
    std::atomic<bool>& AbortRequested;
    std::atomic<bool> Stop{false};
    // The order jobs are taken in: by the folder whose record they change
    // (or that they write into), list order within it; and that order cut
    // into slices of one folder each, which workers take whole.
    std::vector<std::size_t> Order;
    std::vector<std::pair<std::size_t, std::size_t>> Slices;
    std::atomic<std::size_t> NextSlice{0};
    std::mutex Mutex;
    std::condition_variable Changed;
    TLeftoverSweep Sweep;
    TTrash Trash;
    std::function<void()> ResultsReady;  // called on a worker's thread as results come

    bool Stopping() const { return Stop.load() || AbortRequested.load(); }
    void MarkDone(const std::vector<std::size_t>& indices) {
        if (indices.empty()) return;
        {
            std::lock_guard lock(Mutex);
            for (std::size_t index : indices) Jobs[index].Done = true;
        }
        Changed.notify_all();
        if (ResultsReady) ResultsReady();
    }
};

// One worker: takes jobs in list order and commits its work in batches.
class TWorker {
public:
    TWorker(TRun& run, TSharedRules rules) : run_(run), plan_(run.Plan), compressor_(std::move(rules)) {}

    // Takes slices of jobs that share a folder, one after another.
    void Work() {
        for (;;) {
            const std::size_t slice = run_.NextSlice++;
            if (slice >= run_.Slices.size()) break;
            const auto [begin, end] = run_.Slices[slice];
            for (std::size_t at = begin; at < end; ++at) {
                const std::size_t index = run_.Order[at];
                if (run_.Stopping() || !WaitForEarlierJobs(index)) return Commit();
                if (run_.Settings.BeforeFile) run_.Settings.BeforeFile(index);
                if (run_.Stopping()) return Commit();  // not started: left as it was
                Process(index);
                if (staged_.size() >= CommitEvery ||
                    (!staged_.empty() && std::chrono::steady_clock::now() - chunkStart_ >= CommitAfter))
                    Commit();
            }
        }
        Commit();
    }

private:
    struct TLocked {
        TFolderLock Lock;
        std::string RecordFile;
        TBackupRecords Records;  // as read when locked, with this batch's additions
        bool Changed = false;
    };
    struct TStaged {
        std::size_t Index = 0;
        TStagedWrite Output;
        std::string NewBackup;         // a backup this batch made, removed if it cannot be recorded
        std::string NewTrashEntry;     // the same in the trash
        bool BackupShared = false;     // the backup is a second name of the file's data
        std::string BackupPath;        // the backup, when it shares the data
        std::string RecordFile;        // the record that must be written first
        bool Finished = false;         // else it ends as the status already set
    };

    // Jobs that touch the same files as an earlier one wait for it; a worker
    // waiting holds no lock and has nothing uncommitted.
    bool WaitForEarlierJobs(std::size_t index) {
        const TJob& job = run_.Jobs[index];
        if (job.After.empty()) return true;
        std::unique_lock lock(run_.Mutex);
        const auto ready = [&] {
            for (std::size_t before : job.After)
                if (!run_.Jobs[before].Done) return false;
            return true;
        };
        if (ready()) return true;
        lock.unlock();
        Commit();
        lock.lock();
        // A stop request may leave the earlier job undone for good.
        while (!ready() && !run_.Stopping()) run_.Changed.wait_for(lock, std::chrono::milliseconds(50));
        return ready();
    }

    void Done(std::size_t index) { run_.MarkDone({index}); }

    // The lock of a folder whose record (recordFile) a backup goes into. A
    // worker never waits for a lock while it holds one: it commits and lets
    // go first.
    TLocked* LockFolder(const std::string& folder, const std::string& recordFile, std::string& detail) {
        auto found = locked_.find(recordFile);
        if (found != locked_.end()) return &found->second;
        TLocked entry;
        entry.RecordFile = recordFile;
        if (!entry.Lock.Acquire(folder, false, true)) {
            Commit();
            if (!entry.Lock.Acquire(folder, true, true)) {
                detail = "Cannot lock the folder " + folder;
                return nullptr;
            }
        }
        if (!TBackupRecords::Read(recordFile, entry.Records)) {
            detail = "Cannot open file " + recordFile;
            return nullptr;
        }
        return &locked_.emplace(recordFile, std::move(entry)).first->second;
    }

    void Stage(TStaged staged) {
        if (staged_.empty()) chunkStart_ = std::chrono::steady_clock::now();
        staged_.push_back(std::move(staged));
    }

    void UnableToBackup(std::size_t index, std::string detail) {
        TJob& job = run_.Jobs[index];
        Finish(job.Entry, TEntryStatus::UnableToBackup);
        job.Detail = std::move(detail);
        Done(index);
    }

    void Failed(std::size_t index, std::string detail) {
        TJob& job = run_.Jobs[index];
        CompressFailed(job.Entry);
        job.Detail = std::move(detail);
        Done(index);
    }

    // Compresses the file in memory into output_; false with a reason.
    bool CompressInMemory(const std::string& path, std::string& detail) {
        if (ReadWholeFile(path, input_) != ReadResult::Ok) {
            detail = CannotOpenFileText(path);
            return false;
        }
        const CompressResult result = compressor_.CompressBytes(path, input_, output_);
        if (!result) detail = result.Detail;
        return result.Ok();
    }

    void Process(std::size_t index) {
        TJob& job = run_.Jobs[index];
        TFileEntry& entry = job.Entry;
        entry.OriginalSize = entry.Size;
        if (!job.Refusal.empty()) return Failed(index, job.Refusal);
        if (plan_.OtherFolderMode)
            ToFolder(index);
        else
            InPlace(index);
    }

    // Backs up a file into a folder's record: the backup is made (or an
    // interrupted run's is taken over) and its record added to the batch.
    bool BackupInto(TStaged& staged, const TFileEntry& entry, const TFileStamp& source, TLocked& folder,
                    const std::string& backupFolder, const std::string& backupName, std::string& detail) {
        const std::string original = NormalizedPath(entry);
        const std::string backup = backupFolder + backupName;
        const TFileStamp existing = StampOf(backup);
        const TBackupRecord* record = folder.Records.FindBackup(backupName);
        if (existing.Exists) {
            const bool ours = record != nullptr && record->Original == original;
            if (existing.IsLink || !existing.IsRegular) {
                detail = backup + " exists already and is not a backup Trimora made";
                return false;
            }
            if (existing.SameFile(source) && (ours || record == nullptr)) {
                // The file was never replaced since this backup was made: an
                // interrupted run's, recorded or not. It serves again.
                if (!ours) AddRecord(folder, original, backupName, source, entry.Linked);
                staged.BackupShared = true;
                staged.BackupPath = backup;
                staged.RecordFile = RecordFileIn(backupFolder);
                return true;
            }
            detail = ours               ? "the backup " + backup + " of an earlier run is still there"
                     : record != nullptr ? backup + " is the backup of " + record->Original
                                         : backup + " exists already and is not a backup Trimora made";
            return false;
        }
        if (record != nullptr) {
            folder.Records.Erase(backupName);  // its file is gone
            folder.Changed = true;
        }
        bool linked = false;
        if (BackupFileNoReplace(entry.Path(), backup, linked, &detail) != TCopyResult::Ok) return false;
        AddRecord(folder, original, backupName, source, entry.Linked);
        staged.NewBackup = backup;
        staged.BackupShared = linked;
        staged.BackupPath = backup;
        staged.RecordFile = RecordFileIn(backupFolder);
        return true;
    }

    static std::string NormalizedPath(const TFileEntry& entry) {
        std::string folder = entry.Folder;
        NormalizeFolder(folder);
        return folder + entry.Name;
    }

    static void AddRecord(TLocked& folder, const std::string& original, const std::string& backupName,
                          const TFileStamp& source, bool wasLink) {
        TBackupRecord record;
        record.Original = original;
        record.BackupName = backupName;
        record.Size = source.Size;
        record.OriginalWasLink = wasLink;
        folder.Records.Put(std::move(record));
        folder.Changed = true;
    }

    // Where the backup goes and that the folder on the way is no link.
    bool PrepareBackupFolder(const TFileEntry& entry, std::string& backupFolder, std::string& detail) {
        backupFolder = BackupFolderOf(plan_.Options, plan_.Method, entry.Folder);
        if (plan_.Method == TBackupMethod::ToRelFolder) {
            // Created below the folder the file and the backup folder share,
            // never through a symbolic link.
            const std::string root = FolderPart(CommonPrefix(entry.Folder, backupFolder));
            if (!ForceFoldersBelow(root.empty() ? entry.Folder : root, backupFolder, &detail)) return false;
        } else if (plan_.Method == TBackupMethod::ToFolder) {
            std::string folder = backupFolder;
            while (folder.size() > 1 && IsPathSeparator(folder.back())) folder.pop_back();
            std::error_code ec;
            if (fs::is_symlink(fs::symlink_status(folder, ec))) {
                detail = folder + " is a symbolic link; no backup is written through it";
                return false;
            }
            if (!ForceFolders(backupFolder)) {
                detail = "Cannot create the folder " + backupFolder;
                return false;
            }
        }
        run_.Sweep.Sweep(backupFolder);
        return true;
    }

    void InPlace(std::size_t index) {
        TJob& job = run_.Jobs[index];
        TFileEntry& entry = job.Entry;
        const std::string source = entry.Path();
        const TFileStamp stamp = StampOf(source);
        std::string detail;
        const bool needsBackup = !entry.BackedUp;
        if (!stamp.Exists || !stamp.IsRegular)
            return needsBackup ? UnableToBackup(index, CannotOpenFileText(source))
                               : Failed(index, CannotOpenFileText(source));
        if (stamp.IsLink && !entry.Linked)
            return needsBackup
                       ? UnableToBackup(index, source + " is a symbolic link now; nothing is written through it")
                       : Failed(index, source + " is a symbolic link now; nothing is written through it");
        if (needsBackup && plan_.Method == TBackupMethod::Unavailable)
            return UnableToBackup(index, "no backup method is chosen, so nothing is compressed");
        if (IsReadOnlyFile(source, stamp)) return Failed(index, "the file is read-only");

        const bool compressed = CompressInMemory(source, detail);
        if (plan_.DryRun) return DryInPlace(index, compressed, detail);

        // The file's folder and the backup's are swept of leftovers first.
        run_.Sweep.Sweep(entry.Folder);
        TStaged staged;
        staged.Index = index;
        if (needsBackup && plan_.Method != TBackupMethod::None) {
            TLocked* folder = nullptr;
            std::string backupFolder;
            if (plan_.Method == TBackupMethod::ToRecycleBin) {
                if (plan_.DataFolder.empty() || !ForceFolders(plan_.DataFolder))
                    return UnableToBackup(index, "no data folder for the record of the trash");
                run_.Sweep.Sweep(plan_.DataFolder);
                folder = LockFolder(plan_.DataFolder, TrashRecordFile(), detail);
            } else if (PrepareBackupFolder(entry, backupFolder, detail)) {
                folder = LockFolder(backupFolder, RecordFileIn(backupFolder), detail);
            }
            if (folder == nullptr) return UnableToBackup(index, detail);
            // Checked again under the lock: a restore running meanwhile may
            // have put the original back.
            if (!stamp.Unchanged(StampOf(source)))
                return Failed(index, source + " changed while it was compressed; it is left as it is");
            const bool backedUp =
                plan_.Method == TBackupMethod::ToRecycleBin
                    ? BackupToTrash(staged, entry, stamp, *folder, detail)
                    : BackupInto(staged, entry, stamp, *folder, backupFolder,
                                 BackupNameOf(plan_.Options, plan_.Method, entry.Name), detail);
            if (!backedUp) return UnableToBackup(index, detail);
        } else if (!stamp.Unchanged(StampOf(source))) {
            return Failed(index, source + " changed while it was compressed; it is left as it is");
        }
        entry.BackedUp = true;
        if (!compressed) {
            job.Detail = detail;
            CompressFailed(entry);
            return Stage(std::move(staged));
        }
        // Written where the file's data lies: through the link it was named by.
        std::string target = source;
        if (stamp.IsLink) {
            std::error_code ec;
            target = fs::canonical(source, ec).string();
            if (ec) return Failed(index, "Cannot open file " + source);
            run_.Sweep.Sweep(FolderPart(target));
        }
        if (!staged.Output.Stage(target, output_.data(), output_.size(), TWriteModel{}, detail)) {
            job.Detail = detail;
            CompressFailed(entry);
            return Stage(std::move(staged));
        }
        entry.Size = static_cast<std::int64_t>(output_.size());
        staged.Finished = true;
        Stage(std::move(staged));
    }

    bool BackupToTrash(TStaged& staged, const TFileEntry& entry, const TFileStamp& source, TLocked& folder,
                       std::string& detail) {
        std::string name;
        bool linked = false;
        if (!run_.Trash.PutCopy(AbsolutePath(entry.Path()), &detail, &name, true, &linked)) return false;
        AddRecord(folder, NormalizedPath(entry), name, source, entry.Linked);
        staged.NewTrashEntry = name;
        staged.BackupShared = linked;
        staged.BackupPath = run_.Trash.FileOf(name);
        staged.RecordFile = TrashRecordFile();
        return true;
    }

    void DryInPlace(std::size_t index, bool compressed, const std::string& detail) {
        TJob& job = run_.Jobs[index];
        TFileEntry& entry = job.Entry;
        if (!entry.BackedUp) {
            const std::string backupFolder = BackupFolderOf(plan_.Options, plan_.Method, entry.Folder);
            if (!backupFolder.empty()) {
                const std::string backup = backupFolder + BackupNameOf(plan_.Options, plan_.Method, entry.Name);
                std::error_code ec;
                if (fs::exists(fs::symlink_status(backup, ec)))
                    return UnableToBackup(index, "the backup " + backup + " exists already");
            }
        }
        if (!compressed) return Failed(index, detail);
        entry.Size = static_cast<std::int64_t>(output_.size());
        Finish(entry, TEntryStatus::Finished);
        Done(index);
    }

    void ToFolder(std::size_t index) {
        TJob& job = run_.Jobs[index];
        TFileEntry& entry = job.Entry;
        const std::string source = entry.Path();
        entry.OutFolder = OutputFolder(plan_, entry);
        const std::string target = entry.OutFolder + entry.Name;
        const TFileStamp stamp = StampOf(source);
        if (!stamp.Exists || !stamp.IsRegular) return Failed(index, CannotOpenFileText(source));
        if (stamp.IsLink && !entry.Linked)
            return Failed(index, source + " is a symbolic link now; it is not read through it");
        std::string detail;
        if (!CompressInMemory(source, detail)) return Failed(index, detail);
        if (plan_.DryRun) {
            entry.Size = static_cast<std::int64_t>(output_.size());
            Finish(entry, TEntryStatus::Finished);
            return Done(index);
        }
        // The mirror's folders are made below its root, never through a link.
        if (!ForceFoldersBelow(OutputRoot(plan_, entry), entry.OutFolder, &detail)) return Failed(index, detail);
        const TFileStamp existing = StampOf(target);
        if (existing.IsLink) return Failed(index, target + " is a symbolic link; nothing is written through it");
        if (existing.Exists && !existing.IsRegular) return Failed(index, "Cannot create file " + target);
        if (run_.Settings.KeepIdenticalOutputs && FileHoldsExactly(target, output_)) {
            entry.Size = static_cast<std::int64_t>(output_.size());
            Finish(entry, TEntryStatus::Finished);
            return Done(index);
        }
        run_.Sweep.Sweep(entry.OutFolder);
        TStaged staged;
        staged.Index = index;
        TWriteModel model;
        model.LimitToMode = stamp.Mode & 0777;
        if (!staged.Output.Stage(target, output_.data(), output_.size(), model, detail))
            return Failed(index, detail);
        entry.Size = static_cast<std::int64_t>(output_.size());
        staged.Finished = true;
        Stage(std::move(staged));
    }

    std::string TrashRecordFile() const {
        return plan_.DataFolder + std::string(TBackupRecords::TrashRecordFileName);
    }

    // Records, then everything written, reach the disk; then the records and
    // then the files take their names.
    void Commit() {
        if (staged_.empty() && locked_.empty()) return;
        std::vector<std::string> folders;
        std::map<std::string, std::string> recordFailures;  // record file -> reason
        std::map<std::string, TStagedWrite> records;
        for (auto& [recordFile, locked] : locked_) {
            folders.push_back(FolderPart(recordFile));
            if (!locked.Changed) continue;
            const std::string text = locked.Records.Text();
            std::string reason;
            if (text.empty()) {
                std::error_code ec;
                fs::remove(recordFile, ec);
                continue;
            }
            TStagedWrite write;
            if (write.Stage(recordFile, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                            TWriteModel{}, reason))
                records.emplace(recordFile, std::move(write));
            else
                recordFailures[recordFile] = reason;
        }
        for (const TStaged& staged : staged_)
            if (staged.Output.Pending()) folders.push_back(FolderPart(staged.Output.Temporary()));
        std::string syncError;
        const bool synced = SyncFolders(folders, &syncError);
        for (auto& [recordFile, write] : records) {
            std::string reason;
            if (!synced)
                recordFailures[recordFile] = syncError;
            else if (!write.Commit(reason))
                recordFailures[recordFile] = reason;
        }
        std::vector<std::size_t> done;
        for (TStaged& staged : staged_) {
            TJob& job = run_.Jobs[staged.Index];
            const auto failure =
                staged.RecordFile.empty() ? recordFailures.end() : recordFailures.find(staged.RecordFile);
            if (failure != recordFailures.end()) {
                // Unrecorded, the backup would be nobody's: it goes, and the
                // file stays as it was.
                staged.Output.Discard();
                std::error_code ec;
                if (!staged.NewBackup.empty()) fs::remove(staged.NewBackup, ec);
                if (!staged.NewTrashEntry.empty()) run_.Trash.RemoveEntry(staged.NewTrashEntry);
                if (job.Entry.OriginalSize != -1) job.Entry.Size = job.Entry.OriginalSize;
                job.Entry.OriginalSize = -1;
                job.Entry.BackedUp = false;
                Finish(job.Entry, TEntryStatus::UnableToBackup);
                job.Detail = "Cannot write the backup record " + failure->first + " (" + failure->second + ")";
                done.push_back(staged.Index);
                continue;
            }
            if (staged.Finished) {
                std::string reason = syncError;
                if (synced && staged.Output.Commit(reason)) {
                    Finish(job.Entry, TEntryStatus::Finished);
                } else {
                    staged.Output.Discard();
                    job.Detail = reason;
                    CompressFailed(job.Entry);
                    staged.Finished = false;
                }
            }
            if (!staged.Finished && staged.BackupShared) {
                // The file stayed as it was: its backup must not change with it.
                std::string reason;
                if (!SeparateBackup(staged.BackupPath, &reason)) job.Detail += "; " + reason;
            }
            done.push_back(staged.Index);
        }
        staged_.clear();
        locked_.clear();  // lets go of every lock
        run_.MarkDone(done);
    }

    TRun& run_;
    const TPlan& plan_;
    TCompressor compressor_;  // its own pass state, on the run's shared rules
    std::vector<std::uint8_t> input_, output_;
    std::vector<TStaged> staged_;
    std::map<std::string, TLocked> locked_;
    std::chrono::steady_clock::time_point chunkStart_;
};

// Jobs that change one record, or write into one folder, are taken one
// after another, so that a batch writes each record once: a list sorted by
// name visits a different folder with nearly every file. Jobs that share a
// file always share that folder too, so they keep their list order.
void OrderBySharedFolder(TRun& run) {
    const TPlan& plan = run.Plan;
    TFolderKeys keys;
    std::map<std::string, std::vector<std::size_t>> groups;
    std::vector<std::string> firstSeen;
    for (std::size_t i = 0; i < run.Jobs.size(); ++i) {
        const TFileEntry& entry = run.Jobs[i].Entry;
        std::string folder = plan.OtherFolderMode                           ? OutputFolder(plan, entry)
                             : plan.Method == TBackupMethod::ToRecycleBin ? plan.DataFolder
                                                                          : BackupFolderOf(plan.Options, plan.Method,
                                                                                           entry.Folder);
        if (folder.empty()) folder = entry.Folder;
        auto [group, inserted] = groups.try_emplace(keys.Key(folder));
        if (inserted) firstSeen.push_back(group->first);
        group->second.push_back(i);
    }
    for (const std::string& folder : firstSeen) {
        const std::vector<std::size_t>& members = groups[folder];
        for (std::size_t start = 0; start < members.size(); start += CommitEvery) {
            const std::size_t begin = run.Order.size();
            for (std::size_t i = start; i < members.size() && i < start + CommitEvery; ++i)
                run.Order.push_back(members[i]);
            run.Slices.emplace_back(begin, run.Order.size());
        }
    }
}

}  // namespace

struct TCompressRun::Impl {
    Impl(TFileList& owner, const TRunSettings& runSettings) : List(owner), Settings(runSettings) {}

    TFileList& List;
    const TRunSettings Settings;
    std::unique_ptr<TRun> Run;
    std::vector<std::thread> Workers;
    std::atomic<unsigned> RunningWorkers{0};
    std::size_t Next = 0;  // the first result not yet taken over
    TRunResult Result;
    bool Over = false;

    // The plan: entries and options as they are now.
    void Plan() {
        TBatchOptions& options = List.Options;
        TPlan plan;
        plan.OtherFolderMode = (options.CompressOptions & coOtherFolder) != 0;
        if (plan.OtherFolderMode) {
            plan.BaseLength = (Settings.BaseFolder.empty() ? CommonFolder(List.EntryList) : Settings.BaseFolder).size();
            if (IsAbsolutePath(options.OtherFolder)) NormalizeFolder(options.OtherFolder);
        } else {
            plan.Method = ChooseBackupMethod(options);
        }
        plan.Options = options;
        plan.DryRun = Settings.DryRun;
        plan.DataFolder = DataFolder();

        const std::size_t count = List.EntryList.size();
        std::vector<TJob> jobs(count);
        for (std::size_t i = 0; i < count; ++i) jobs[i].Entry = List.EntryList[i];
        RefuseClashes(plan, jobs);
        TFolderKeys keys;
        std::map<std::string, std::size_t> lastUser;
        for (std::size_t i = 0; i < count; ++i) {
            for (const std::string& key : ConflictKeys(plan, keys, jobs[i].Entry)) {
                const auto found = lastUser.find(key);
                if (found != lastUser.end() && found->second != i) jobs[i].After.push_back(found->second);
                lastUser[key] = i;
            }
        }
        Run = std::make_unique<TRun>(std::move(plan), std::move(jobs), Settings, List.AbortRequested);
        OrderBySharedFolder(*Run);
    }

    // Every worker compresses with its own pass state on the one rule tree.
    void Start(const std::function<void()>& resultsReady) {
        const std::size_t count = Run->Jobs.size();
        if (count == 0) return;
        Run->ResultsReady = resultsReady;
        const unsigned workerCount = std::max(1u, std::min<unsigned>(Settings.Jobs, static_cast<unsigned>(count)));
        const TSharedRules rules = List.Engine.Rules();
        RunningWorkers = workerCount;
        for (unsigned i = 0; i < workerCount; ++i)
            Workers.emplace_back([this, rules] {
                TWorker(*Run, rules).Work();
                {
                    std::lock_guard lock(Run->Mutex);
                    --RunningWorkers;
                }
                Run->Changed.notify_all();
                if (Run->ResultsReady) Run->ResultsReady();
            });
    }

    void Stop() {
        if (!Run) return;
        Run->Stop = true;
        Run->Changed.notify_all();
    }

    void Join() {
        Stop();
        for (std::thread& worker : Workers) worker.join();
        Workers.clear();
    }

    // The entry of a job in the list as it is now: by its Id, or where it
    // stood when it has none; NoRow when it left the list.
    std::size_t RowOf(std::size_t index) const {
        const TFileEntry& planned = Run->Jobs[index].Entry;
        if (planned.Id != 0) return List.RowOf(planned.Id, index);
        return index < List.EntryList.size() && List.EntryList[index].Path() == planned.Path() ? index
                                                                                               : TFileList::NoRow;
    }

    // The result of job index goes to its entry; an entry that left the
    // list meanwhile keeps only its files.
    void Apply(std::size_t index) {
        TJob& job = Run->Jobs[index];
        const std::size_t row = RowOf(index);
        if (row == TFileList::NoRow) return;
        List.EntryList[row] = job.Entry;
        List.Callbacks.RedrawRows(row > 0 ? row - 1 : 0, row);
        List.Callbacks.EntryFinished(row, List.EntryList[row], job.Detail);
        ++Result.Processed;
    }

    void ShowInProgress(std::size_t index) {
        const std::size_t row = RowOf(index);
        if (row == TFileList::NoRow) return;
        List.EntryList[row].Status = TEntryStatus::Optimizing;
        List.Callbacks.RedrawRows(row > 0 ? row - 1 : 0, row);
    }

    bool IsDone(std::size_t index) {
        std::lock_guard lock(Run->Mutex);
        return Run->Jobs[index].Done;
    }

    // After the workers ended: what they finished is recorded; an entry
    // shown as in progress that was not started shows its old status again.
    void Finish() {
        if (Over) return;
        Join();
        const std::size_t count = Run ? Run->Jobs.size() : 0;
        for (; Next < count; ++Next) {
            if (Run->Jobs[Next].Done) {
                Apply(Next);
                continue;
            }
            Result.Aborted = true;
            const std::size_t row = RowOf(Next);
            if (row != TFileList::NoRow && List.EntryList[row].Status == TEntryStatus::Optimizing) {
                List.EntryList[row].Status = Run->Jobs[Next].Entry.Status;
                List.Callbacks.RedrawRows(row, row);
            }
        }
        if (List.AbortRequested) Result.Aborted = true;
        List.AbortRequested = false;
        if (!Result.Aborted) List.Callbacks.RedrawAll();
        Over = true;
    }

    bool TakeResults() {
        if (Over) return true;
        const std::size_t count = Run->Jobs.size();
        while (Next < count && IsDone(Next)) Apply(Next++);
        if (Next < count && !Run->Stopping()) ShowInProgress(Next);
        bool workersEnded;
        {
            std::lock_guard lock(Run->Mutex);
            workersEnded = RunningWorkers == 0;
        }
        if (Next == count || workersEnded) Finish();
        return Over;
    }

    void WaitForResults(std::chrono::milliseconds timeout) {
        std::unique_lock lock(Run->Mutex);
        if (Next < Run->Jobs.size() && !Run->Jobs[Next].Done && RunningWorkers > 0)
            Run->Changed.wait_for(lock, timeout);
    }
};

TCompressRun::TCompressRun(TFileList& list, const TRunSettings& settings)
    : impl_(std::make_unique<Impl>(list, settings)) {
    list.AbortRequested = false;
    impl_->Plan();
}

TCompressRun::~TCompressRun() { impl_->Join(); }

void TCompressRun::Start() { impl_->Start(ResultsReady); }
bool TCompressRun::TakeResults() { return impl_->TakeResults(); }
void TCompressRun::WaitForResults(std::chrono::milliseconds timeout) { impl_->WaitForResults(timeout); }
void TCompressRun::Stop() { impl_->Stop(); }
bool TCompressRun::Over() const { return impl_->Over; }
TRunResult TCompressRun::Result() const { return impl_->Result; }
std::size_t TCompressRun::Count() const { return impl_->Run->Jobs.size(); }

TRunResult CompressFiles(TFileList& list, const TRunSettings& settings) {
    TCompressRun run(list, settings);
    TCompressRun::Impl& impl = *run.impl_;
    run.Start();
    // Results are taken over in list order; between them events are let
    // through (Esc, repaints).
    const std::size_t count = run.Count();
    for (std::size_t index = 0; index < count; ++index) {
        if (list.AbortRequested) break;
        list.Callbacks.EntryStarting(index);
        list.Callbacks.ProcessEvents();
        // Events may have changed the list: never step past its end.
        if (index >= list.EntryList.size()) break;
        impl.ShowInProgress(index);
        // Woken now and then, so that a stop request made meanwhile (Ctrl+C)
        // reaches the workers at once.
        while (!impl.IsDone(index) && !list.AbortRequested) impl.WaitForResults(std::chrono::milliseconds(20));
        if (!impl.IsDone(index)) break;
        impl.Apply(index);
        impl.Next = index + 1;
    }
    impl.Finish();
    return impl.Result;
}

}  // namespace trimora
