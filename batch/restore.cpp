#include "restore.h"

#include <filesystem>
#include <system_error>

#include "backup_records.h"
#include "compress_run.h"
#include "file_copy.h"
#include "paths.h"
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

struct TRing {
    explicit TRing(const TBatchOptions& options) : Options(options) {}
    const TBatchOptions& Options;
    TBackupRecords Records;
    TTrash Trash;
    std::string Detail;
};

bool IsBackupFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(fs::symlink_status(path, ec));
}

bool RemoveFile(const std::string& path) {
    std::error_code ec;
    return fs::remove(path, ec) && !ec;
}

// Removes the folder when nothing is left in it.
void RemoveFolderIfEmpty(const std::string& folder) {
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(folder, ec)) && fs::is_empty(folder, ec) && !ec) fs::remove(folder, ec);
}

std::string Normalized(std::string folder) {
    NormalizeFolder(folder);
    return folder;
}

// The backup in backupFolder goes back over the file, then away.
bool RestoreFromBackupFolder(TRing& ring, const std::string& backupFolder, const std::string& name,
                             const std::string& folder) {
    const std::string backup = backupFolder + name, target = folder + name;
    bool restored = false;
    if (!IsBackupFile(backup) || IsSameFile(backup, target)) {
        ring.Detail = "no backup at " + backup;
    } else if (!ring.Records.BelongsTo(backupFolder, target)) {
        ring.Detail = "the backup " + backup + " is not the original of " + target;
    } else if (CopyFileReplacing(backup, target, &ring.Detail)) {
        restored = RemoveFile(backup);
        if (restored)
            ring.Records.Remove(backupFolder, target);
        else
            ring.Detail = "Cannot delete " + backup;
    }
    RemoveFolderIfEmpty(backupFolder);
    return restored;
}

bool RemoveFromBackupFolder(TRing& ring, const std::string& backupFolder, const std::string& name,
                            const std::string& folder) {
    const std::string backup = backupFolder + name, target = folder + name;
    bool removed = false;
    if (!IsBackupFile(backup) || IsSameFile(backup, target)) {
        ring.Detail = "no backup at " + backup;
    } else if (!ring.Records.BelongsTo(backupFolder, target)) {
        ring.Detail = "the backup " + backup + " is not the original of " + target;
    } else if (RemoveFile(backup)) {
        ring.Records.Remove(backupFolder, target);
        removed = true;
    } else {
        ring.Detail = "Cannot delete " + backup;
    }
    RemoveFolderIfEmpty(backupFolder);
    return removed;
}

// A relative MoveFolder would otherwise be read from the working folder.
bool RestoreFromFolder(TRing& ring, const std::string& name, const std::string& folder) {
    if (!IsAbsolutePath(ring.Options.MoveFolder)) return false;
    return RestoreFromBackupFolder(ring, Normalized(ring.Options.MoveFolder), name, Normalized(folder));
}

bool RestoreFromRelFolder(TRing& ring, const std::string& name, const std::string& folder) {
    const std::string& move = ring.Options.MoveFolder;
    if (TrimControls(move).empty() || IsAbsolutePath(move)) return false;
    const std::string normalized = Normalized(folder);
    return RestoreFromBackupFolder(ring, CombinePath(normalized, move), name, normalized);
}

bool RestoreFromSuffix(TRing& ring, const std::string& name, const std::string& folder) {
    const std::string target = folder + name, backup = target + EffectiveSuffix(ring.Options.Suffix);
    if (!IsBackupFile(backup)) {
        ring.Detail = "no backup at " + backup;
        return false;
    }
    if (!CopyFileReplacing(backup, target, &ring.Detail)) return false;
    if (RemoveFile(backup)) return true;
    ring.Detail = "Cannot delete " + backup;
    return false;
}

bool RestoreFromRecycleBin(TRing& ring, const std::string& name, const std::string& folder) {
    return ring.Trash.TakeBack(AbsolutePath(folder + name), &ring.Detail);
}

bool RestoreNone(TRing&, const std::string&, const std::string&) { return false; }

bool RemoveFromFolder(TRing& ring, const std::string& name, const std::string& folder) {
    if (!IsAbsolutePath(ring.Options.MoveFolder)) return false;
    return RemoveFromBackupFolder(ring, Normalized(ring.Options.MoveFolder), name, Normalized(folder));
}

bool RemoveFromRelFolder(TRing& ring, const std::string& name, const std::string& folder) {
    const std::string& move = ring.Options.MoveFolder;
    if (TrimControls(move).empty() || IsAbsolutePath(move)) return false;
    const std::string normalized = Normalized(folder);
    return RemoveFromBackupFolder(ring, CombinePath(normalized, move), name, normalized);
}

bool RemoveSuffixBackup(TRing& ring, const std::string& name, const std::string& folder) {
    const std::string backup = folder + name + EffectiveSuffix(ring.Options.Suffix);
    if (IsBackupFile(backup) && RemoveFile(backup)) return true;
    ring.Detail = "no backup at " + backup;
    return false;
}

bool RemoveNone(TRing&, const std::string&, const std::string&) { return false; }

using TRingMethod = bool (*)(TRing&, const std::string&, const std::string&);
constexpr TRingMethod RestoreRing[5] = {RestoreFromFolder, RestoreFromRelFolder, RestoreFromSuffix,
                                        RestoreFromRecycleBin, RestoreNone};
constexpr TRingMethod RemovalRing[5] = {RemoveFromFolder, RemoveFromRelFolder, RemoveSuffixBackup, RemoveNone,
                                        RemoveNone};

void RunRing(TFileList& list, const TRingMethod (&methods)[5], std::string_view succeeded, std::string_view failed,
             const TRowSelection& concerned) {
    const int start = RingStart(list.Options);
    TRing ring(list.Options);
    for (std::size_t i = 0; i < list.EntryList.size(); ++i) {
        if (!concerned(i)) continue;
        TFileEntry& entry = list.EntryList[i];
        entry.BackedUp = false;
        ring.Detail.clear();
        bool ok = false;
        for (int step = 0; step < 5 && !ok; ++step) ok = methods[(start + step) % 5](ring, entry.Name, entry.Folder);
        entry.Status = std::string(ok ? succeeded : failed);
        list.Callbacks.EntryFinished(i, entry, ok ? std::string_view() : std::string_view(ring.Detail));
    }
    list.UpdateItem(-1);
    list.Callbacks.RedrawAll();
}

TRowSelection EntryOrAll(const TFileList& list, std::ptrdiff_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= list.EntryList.size())
        return [](std::size_t) { return true; };
    return [index](std::size_t i) { return i == static_cast<std::size_t>(index); };
}

}  // namespace

void RestoreFiles(TFileList& list, std::ptrdiff_t index) {
    RunRing(list, RestoreRing, StatusRestored, StatusRestoreFailed, EntryOrAll(list, index));
}

void RestoreSelected(TFileList& list, const TRowSelection& isSelected) {
    RunRing(list, RestoreRing, StatusRestored, StatusRestoreFailed, isSelected);
    list.Callbacks.RowCountChanged(list.EntryList.size());
}

void RemBakFiles(TFileList& list, std::ptrdiff_t index) {
    RunRing(list, RemovalRing, StatusBackupRemoved, StatusBackupRemovalFailed, EntryOrAll(list, index));
}

bool SyncPreconditionHolds(const TBatchOptions& options) {
    return (options.CompressOptions & coOtherFolder) && (options.CompressOptions & coPreserveDirs) &&
           IsAbsolutePath(options.OtherFolder);
}

void SyncFolder(const TBatchOptions& options, const std::string& base, const std::string& root, TSyncResult& result) {
    // Depth first on an explicit stack; links to folders are not followed and
    // the mirror itself (when it lies below the base) is never entered.
    std::vector<std::string> folders{root};
    while (!folders.empty()) {
        const std::string folder = std::move(folders.back());
        folders.pop_back();
        const std::string mirror = options.OtherFolder + folder.substr(std::min(base.size(), folder.size()));
        std::vector<std::string> subFolders;
        ForceFolders(mirror);
        std::error_code ec;
        for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
             !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            std::error_code statusError;
            const fs::file_status status = it->symlink_status(statusError);
            if (statusError) continue;
            if (fs::is_directory(status)) {
                const std::string sub = folder + name + PathSeparator;
                if (!IsOwnFolder(options, sub)) subFolders.push_back(sub);
                continue;
            }
            const fs::file_status target = fs::is_symlink(status) ? it->status(statusError) : status;
            if (statusError || !fs::is_regular_file(target)) continue;
            const std::string copy = mirror + name;
            if (fs::exists(fs::symlink_status(copy, statusError))) continue;
            const TCopyResult copied = CopyFileNoReplace(folder + name, copy);
            if (copied == TCopyResult::Ok) result.Copied.push_back(copy);
            else if (copied == TCopyResult::Failed) result.Failed.push_back(copy);
        }
        // Keep the file system's order: the first sub-folder is visited first.
        folders.insert(folders.end(), subFolders.rbegin(), subFolders.rend());
    }
}

TSyncResult SyncDirectories(TFileList& list) {
    TSyncResult result;
    if (!SyncPreconditionHolds(list.Options)) return result;
    result.PreconditionMet = true;
    NormalizeFolder(list.Options.OtherFolder);
    const std::string base = CommonFolder(list.EntryList);
    if (base.empty()) return result;
    SyncFolder(list.Options, base, base, result);
    return result;
}

}  // namespace trimora
