#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace trimora {

// What a file looked like when it was looked at: enough to tell whether it
// is still the same file with the same data.
struct TFileStamp {
    bool Exists = false;
    bool IsLink = false;        // the path itself is a symbolic link
    bool IsRegular = false;     // after following a link
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::int64_t Size = 0;
    std::int64_t ModifiedNs = 0;
    std::uint32_t Mode = 0;     // permission bits
    std::uint32_t Owner = 0, Group = 0;

    bool SameFile(const TFileStamp& other) const noexcept {
        return Exists && other.Exists && Device == other.Device && Inode == other.Inode;
    }
    // Same file, not written to since.
    bool Unchanged(const TFileStamp& other) const noexcept {
        return SameFile(other) && Size == other.Size && ModifiedNs == other.ModifiedNs;
    }
};
TFileStamp StampOf(const std::string& path);

// True when the file may not be written by its owner (a read-only file), or
// by this process.
bool IsReadOnlyFile(const std::string& path, const TFileStamp& stamp);

// An exclusive lock on a folder, between the threads and the processes that
// change what the folder keeps (backup records and the backups they name).
// Held from construction until release or destruction.
class TFolderLock {
public:
    TFolderLock() = default;
    TFolderLock(TFolderLock&& other) noexcept : fd_(other.fd_), folder_(std::move(other.folder_)) { other.fd_ = -1; }
    TFolderLock& operator=(TFolderLock&& other) noexcept;
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;
    ~TFolderLock() { Release(); }

    // Locks the folder; waits for another holder unless wait is false.
    // Answers false when it could not (or, without waiting, when another
    // holds it). A folder removed by the holder before it let go is made
    // again when create is set (else the lock fails).
    bool Acquire(const std::string& folder, bool wait = true, bool create = false);
    void Release() noexcept;
    bool Held() const noexcept { return fd_ >= 0; }
    const std::string& Folder() const noexcept { return folder_; }

private:
    int fd_ = -1;
    std::string folder_;
};

// How a written file is made: whose owner and permission bits it takes.
struct TWriteModel {
    // Keep the owner, group and permission bits of the file being replaced.
    bool KeepExisting = true;
    // Group and other may have no more access than on this file (a mirror
    // copy is never more readable than its source); 0: no limit.
    std::uint32_t LimitToMode = 0;
};

// A file written in full under a temporary name beside its target, waiting
// for its data to reach the disk and for the rename that makes it the file.
class TStagedWrite {
public:
    TStagedWrite() = default;
    TStagedWrite(TStagedWrite&& other) noexcept;
    TStagedWrite& operator=(TStagedWrite&& other) noexcept;
    TStagedWrite(const TStagedWrite&) = delete;
    TStagedWrite& operator=(const TStagedWrite&) = delete;
    ~TStagedWrite() { Discard(); }

    // Writes the bytes; nothing is visible under target yet.
    bool Stage(const std::string& target, const std::uint8_t* data, std::size_t size, const TWriteModel& model,
               std::string& error);
    // Renames the written file over the target (after SyncStaged).
    bool Commit(std::string& error);
    // Removes the written file; the target stays as it was.
    void Discard() noexcept;
    bool Pending() const noexcept { return !temporary_.empty(); }
    const std::string& Target() const noexcept { return target_; }
    const std::string& Temporary() const noexcept { return temporary_; }

private:
    std::string target_, temporary_;
};

// Sends everything written to the file systems of these folders to the disk:
// one flush per file system, however many files were written.
bool SyncFolders(const std::vector<std::string>& folders, std::string* error = nullptr);

// Writes a small file whole or not at all, its data on the disk before it
// replaces the old one (records and lists). An empty text removes the file.
bool WriteDurably(const std::string& path, std::string_view text, std::string* error = nullptr);

// Creates folder and its missing parents below root, which must exist or be
// creatable itself. A symbolic link below root is never followed: such a
// folder fails with a reason.
bool ForceFoldersBelow(const std::string& root, const std::string& folder, std::string* error = nullptr);

// The folders of a run's writes: each one's leftovers of interrupted runs
// (temporary files of processes that are gone) are removed the first time
// the run writes there.
class TLeftoverSweep {
public:
    void Sweep(const std::string& folder);

private:
    std::mutex mutex_;
    std::set<std::string> swept_;
};

// Removes the leftover temporary files in one folder now.
void RemoveLeftovers(const std::string& folder);

}  // namespace trimora
