#include "compress_run.h"

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include "backup_records.h"
#include "file_copy.h"
#include "file_io.h"
#include "paths.h"
#include "trash.h"
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

namespace {

// What every step of one run shares.
struct TStep {
    const TBatchOptions& Options;  // normalised before the first entry
    TBackupMethod Method;
    bool OtherFolderMode;
    std::size_t BaseLength;
    bool DryRun;
    TBackupRecords& Records;
    TTrash& Trash;
};

bool Fail(std::string& detail, std::string reason) {
    detail = std::move(reason);
    return false;
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// The original's path as backups record it.
std::string OriginalPath(const std::string& name, std::string folder) {
    NormalizeFolder(folder);
    return folder + name;
}

// A backup of the original in a backup folder, recorded there as this
// file's own. An existing backup is never replaced. `linked` receives the
// backup's path when it shares the original's data (see BackupFileNoReplace).
bool BackupIntoFolder(const TStep& step, const std::string& name, const std::string& folder,
                      const std::string& backupFolder, std::string& detail, std::string& linked) {
    const std::string source = folder + name, target = backupFolder + name;
    if (!IsFile(source)) return Fail(detail, "Cannot open file " + source);
    if (step.DryRun) return !Exists(target) || Fail(detail, "the backup " + target + " exists already");
    if (!ForceFolders(backupFolder)) return Fail(detail, "Cannot create the folder " + backupFolder);
    bool isLink = false;
    if (BackupFileNoReplace(source, target, isLink, &detail) != TCopyResult::Ok) return false;
    if (!step.Records.Add(backupFolder, OriginalPath(name, folder), &detail)) {
        std::error_code ec;
        fs::remove(target, ec);
        return false;
    }
    if (isLink) linked = target;
    return true;
}

bool BackupToFolder(const TStep& step, const std::string& name, const std::string& folder, std::string& detail,
                    std::string& linked) {
    return BackupIntoFolder(step, name, folder, step.Options.MoveFolder, detail, linked);
}

// The relative folder is taken as CombinePath reads it, for backup, restore
// and removal alike.
bool BackupToRelFolder(const TStep& step, const std::string& name, const std::string& folder, std::string& detail,
                       std::string& linked) {
    return BackupIntoFolder(step, name, folder, CombinePath(folder, step.Options.MoveFolder), detail, linked);
}

bool BackupWithSuffix(const TStep& step, const std::string& name, const std::string& folder, std::string& detail,
                      std::string& linked) {
    const std::string source = folder + name, target = source + EffectiveSuffix(step.Options.Suffix);
    if (!IsFile(source)) return Fail(detail, "Cannot open file " + source);
    if (step.DryRun) return !Exists(target) || Fail(detail, "the backup " + target + " exists already");
    bool isLink = false;
    if (BackupFileNoReplace(source, target, isLink, &detail) != TCopyResult::Ok) return false;
    if (isLink) linked = target;
    return true;
}

// The trash gets a copy of the original; the file stays and is then
// compressed in place. No working copy is made beside the file.
bool BackupToRecycleBin(const TStep& step, const std::string& name, const std::string& folder, std::string& detail) {
    const std::string source = folder + name;
    if (!IsFile(source)) return Fail(detail, "Cannot open file " + source);
    if (step.DryRun) return true;
    return step.Trash.PutCopy(AbsolutePath(source), &detail);
}

bool Backup(const TStep& step, const std::string& name, const std::string& folder, std::string& detail,
            std::string& linked) {
    switch (step.Method) {
        case TBackupMethod::ToFolder: return BackupToFolder(step, name, folder, detail, linked);
        case TBackupMethod::ToRelFolder: return BackupToRelFolder(step, name, folder, detail, linked);
        case TBackupMethod::WithSuffix: return BackupWithSuffix(step, name, folder, detail, linked);
        case TBackupMethod::ToRecycleBin: return BackupToRecycleBin(step, name, folder, detail);
        case TBackupMethod::None: return true;
        case TBackupMethod::Unavailable: break;
    }
    return Fail(detail, "no backup method is chosen, so nothing is compressed");
}

// What the engine would write, without writing it.
std::int64_t CompressInMemory(TTrimora& engine, const std::string& path, std::string& detail) {
    std::vector<std::uint8_t> input, output;
    if (ReadWholeFile(path, input) != ReadResult::Ok) {
        detail = "Cannot open file " + path;
        return -1;
    }
    const CompressResult compressed = engine.CompressBytes(path, input, output);
    if (!compressed) detail = compressed.Detail;
    return compressed.Size;
}

void RecordResult(TFileEntry& entry, std::int64_t result) {
    entry.Size = result;
    if (result != -1) {
        entry.Status = std::string(StatusFinished);
        return;
    }
    entry.Status = std::string(StatusCompressFailed);
    entry.Size = entry.OriginalSize;
    entry.OriginalSize = -1;
}

void CompressInPlace(const TStep& step, TFileEntry& entry, TTrimora& engine, std::string& detail,
                     const std::function<void()>& showOptimizing) {
    std::string linked;
    if (!entry.BackedUp) {
        if (!Backup(step, entry.Name, entry.Folder, detail, linked)) {
            entry.Status = std::string(StatusUnableToBackup);
            return;
        }
        if (!step.DryRun) entry.BackedUp = true;
    }
    entry.Status = std::string(StatusOptimizing);
    if (showOptimizing) showOptimizing();
    entry.OriginalSize = entry.Size;
    const std::string source = entry.Path();
    std::int64_t result;
    if (step.DryRun) {
        result = CompressInMemory(engine, source, detail);
    } else {
        const CompressResult compressed = engine.Compress(source, "");
        result = compressed.Size;
        if (!compressed) {
            detail = compressed.Detail;
            // The file stayed as it was: its backup must not change with it.
            std::string reason;
            if (!linked.empty() && !SeparateBackup(linked, &reason)) detail += "; " + reason;
        }
    }
    RecordResult(entry, result);
}

std::string OutputFolder(const TStep& step, const TFileEntry& entry) {
    const std::string& other = step.Options.OtherFolder;
    std::string out = IsAbsolutePath(other) ? other : CombinePath(entry.Folder, other);
    if ((step.Options.CompressOptions & coPreserveDirs) && entry.Folder.size() > step.BaseLength)
        out += entry.Folder.substr(step.BaseLength);
    return out;
}

void CompressToFolder(const TStep& step, TFileEntry& entry, TTrimora& engine, std::string& detail,
                      const std::function<void()>& showOptimizing) {
    entry.Status = std::string(StatusOptimizing);
    if (showOptimizing) showOptimizing();
    entry.OriginalSize = entry.Size;
    entry.OutFolder = OutputFolder(step, entry);
    const std::string source = entry.Path(), target = entry.OutFolder + entry.Name;
    std::int64_t result = -1;
    // The original is never touched in this mode, even when the other folder
    // turns out to be the file's own.
    if (IsSameFile(source, target)) {
        detail = "the output " + target + " would replace the original";
    } else if (step.DryRun) {
        result = CompressInMemory(engine, source, detail);
    } else if (!ForceFolders(entry.OutFolder)) {
        detail = "Cannot create the folder " + entry.OutFolder;
    } else {
        const CompressResult compressed = engine.Compress(source, target);
        result = compressed.Size;
        if (!compressed) detail = compressed.Detail;
    }
    RecordResult(entry, result);
}

void RunStep(const TStep& step, TFileEntry& entry, TTrimora& engine, std::string& detail,
             const std::function<void()>& showOptimizing) {
    if (step.OtherFolderMode)
        CompressToFolder(step, entry, engine, detail, showOptimizing);
    else
        CompressInPlace(step, entry, engine, detail, showOptimizing);
}

// Paths a step of this entry writes or reads, in a form that makes two
// spellings of one file equal (folders resolved, once each). Steps that share
// a path run in list order.
class TConflictKeys {
public:
    explicit TConflictKeys(const TStep& step) : step_(step) {}

    std::vector<std::string> Of(const TFileEntry& entry) {
        std::vector<std::string> keys{Key(entry.Folder, entry.Name)};
        if (step_.OtherFolderMode) {
            keys.push_back(Key(OutputFolder(step_, entry), entry.Name));
            return keys;
        }
        switch (step_.Method) {
            case TBackupMethod::ToFolder: keys.push_back(Key(step_.Options.MoveFolder, entry.Name)); break;
            case TBackupMethod::ToRelFolder:
                keys.push_back(Key(CombinePath(entry.Folder, step_.Options.MoveFolder), entry.Name));
                break;
            case TBackupMethod::WithSuffix:
                keys.push_back(Key(entry.Folder, entry.Name + EffectiveSuffix(step_.Options.Suffix)));
                break;
            default: break;
        }
        return keys;
    }

private:
    std::string Key(const std::string& folder, const std::string& name) {
        auto found = folders_.find(folder);
        if (found == folders_.end()) {
            std::error_code ec;
            std::string text = fs::weakly_canonical(folder, ec).string();
            if (ec) text = folder;
            while (text.size() > 1 && IsPathSeparator(text.back())) text.pop_back();
            if (text.empty() || !IsPathSeparator(text.back())) text += PathSeparator;
            found = folders_.emplace(folder, std::move(text)).first;
        }
        return found->second + name;
    }

    const TStep& step_;
    std::map<std::string, std::string> folders_;
};

struct TJob {
    TFileEntry Entry;
    std::string Detail;
    std::vector<std::size_t> After;  // earlier jobs touching the same files
    bool Done = false;
};

TRunResult RunParallel(TFileList& list, const TStep& step, std::vector<std::unique_ptr<TTrimora>>& extraEngines) {
    TRunResult result;
    const std::size_t count = list.EntryList.size();
    std::vector<TJob> jobs(count);
    std::map<std::string, std::size_t> lastUser;
    TConflictKeys conflicts(step);
    for (std::size_t i = 0; i < count; ++i) {
        jobs[i].Entry = list.EntryList[i];
        for (const std::string& key : conflicts.Of(jobs[i].Entry)) {
            const auto found = lastUser.find(key);
            if (found != lastUser.end()) jobs[i].After.push_back(found->second);
            lastUser[key] = i;
        }
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<std::size_t> nextJob{0};
    std::atomic<bool> stop{false};
    auto work = [&](TTrimora& engine) {
        for (;;) {
            if (stop) return;
            const std::size_t index = nextJob++;
            if (index >= count) return;
            TJob& job = jobs[index];
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] {
                    for (std::size_t before : job.After)
                        if (!jobs[before].Done) return false;
                    return true;
                });
            }
            RunStep(step, job.Entry, engine, job.Detail, {});
            {
                std::lock_guard lock(mutex);
                job.Done = true;
            }
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (auto& engine : extraEngines) workers.emplace_back(work, std::ref(*engine));
    workers.emplace_back(work, std::ref(list.Engine));

    // Results are taken over in list order, between them events are let
    // through; an entry that left the list meanwhile keeps only its files.
    auto apply = [&](std::size_t index) {
        TJob& job = jobs[index];
        if (index < list.EntryList.size() && list.EntryList[index].Path() == job.Entry.Path()) {
            list.EntryList[index] = job.Entry;
            list.Callbacks.RedrawRows(index > 0 ? index - 1 : 0, index);
            list.Callbacks.EntryFinished(index, list.EntryList[index], job.Detail);
        }
        ++result.Processed;
    };
    std::size_t index = 0;
    for (; index < count; ++index) {
        if (list.AbortRequested) {
            list.AbortRequested = false;
            result.Aborted = true;
            stop = true;
            break;
        }
        list.Callbacks.EntryStarting(index);
        list.Callbacks.ProcessEvents();
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return jobs[index].Done; });
        }
        apply(index);
    }
    stop = true;
    for (std::thread& worker : workers) worker.join();
    // After an abort, what the workers had already done is still recorded.
    for (; index < count; ++index)
        if (jobs[index].Done) apply(index);
    if (!result.Aborted) list.Callbacks.RedrawAll();
    return result;
}

}  // namespace

TRunResult CompressFiles(TFileList& list, const TRunSettings& settings) {
    TBatchOptions& options = list.Options;
    list.AbortRequested = false;
    const bool otherFolderMode = (options.CompressOptions & coOtherFolder) != 0;
    TBackupMethod method = TBackupMethod::None;
    std::size_t baseLength = 0;
    if (otherFolderMode) {
        baseLength = CommonFolder(list.EntryList).size();
        if (IsAbsolutePath(options.OtherFolder)) NormalizeFolder(options.OtherFolder);
    } else {
        method = ChooseBackupMethod(options);
    }
    TBackupRecords records;
    TTrash trash;
    const TStep step{options, method, otherFolderMode, baseLength, settings.DryRun, records, trash};

    std::vector<std::unique_ptr<TTrimora>> extraEngines;
    if (settings.MakeEngine)
        for (unsigned i = 1; i < settings.Jobs && i < list.EntryList.size(); ++i) {
            auto engine = settings.MakeEngine();
            if (!engine) break;
            extraEngines.push_back(std::move(engine));
        }
    if (!extraEngines.empty()) return RunParallel(list, step, extraEngines);

    TRunResult result;
    const std::size_t count = list.EntryList.size();
    for (std::size_t index = 0; index < count; ++index) {
        if (list.AbortRequested) {
            list.AbortRequested = false;
            result.Aborted = true;
            return result;
        }
        list.Callbacks.EntryStarting(index);
        list.Callbacks.ProcessEvents();
        // Events may have changed the list: never step past its end.
        if (index >= list.EntryList.size()) break;
        list.Callbacks.RedrawRows(index > 0 ? index - 1 : 0, index);
        std::string detail;
        RunStep(step, list.EntryList[index], list.Engine, detail,
                [&] { list.Callbacks.RedrawRows(index, index); });
        list.Callbacks.EntryFinished(index, list.EntryList[index], detail);
        ++result.Processed;
    }
    list.Callbacks.RedrawAll();
    return result;
}

}  // namespace trimora
