#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "batch_options.h"
#include "compress_run.h"
#include "file_list.h"

namespace trimora {

// Restore and backup removal try five methods in a ring, starting at the one
// the options select and going on while a method fails:
//   index  restore                 removal
//   0      RestoreFromFolder       RemoveFromFolder      (absolute MoveFolder)
//   1      RestoreFromRelFolder    RemoveFromRelFolder   (relative MoveFolder)
//   2      RestoreFromSuffix       RemoveSuffixBackup
//   3      RestoreFromRecycleBin   RemoveNone
//   4      RestoreNone             RemoveNone
// Only a backup that a record names as this very file's is ever used
// (records: TBackupRecords), and only while its size is the recorded one; a
// method whose MoveFolder kind does not fit (an absolute method with a
// relative folder or the other way round) fails.
int RingStart(TBatchOptions& options);

enum class TRingKind { Restore, RemoveBackups };

// Restore or backup removal as a plan and its results, like TCompressRun:
// the entries concerned and the options are taken when it is made, a worker
// runs the ring for each in list order off the list's thread, and the
// list's thread takes the results over (TakeResults). A stop request lets
// the entry in progress finish; the others are left as they were.
class TRingRun {
public:
    TRingRun(TFileList& list, TRingKind kind, const TRowSelection& concerned);
    ~TRingRun();
    TRingRun(const TRingRun&) = delete;
    TRingRun& operator=(const TRingRun&) = delete;

    std::function<void()> ResultsReady;  // called on the worker's thread; set before Start
    void Start();
    // Applies every result ready, in list order; at the end reads sizes and
    // times of every entry again. True once the run is over.
    bool TakeResults();
    void WaitForResults(std::chrono::milliseconds timeout);
    void Stop();
    bool Over() const;
    TRunResult Result() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Restores entry index, or every entry when index is -1 or outside the list.
void RestoreFiles(TFileList& list, std::ptrdiff_t index);
// Restores the selected entries in list order (the Restore command).
void RestoreSelected(TFileList& list, const TRowSelection& isSelected);
// Removes the backups of entry index, or of every entry.
void RemBakFiles(TFileList& list, std::ptrdiff_t index);

// Adds to the list every file below folder whose original a record keeps
// although the file itself is gone, so that restoring the folder brings it
// back. Answers how many were added.
std::size_t AddRecordedOriginals(TFileList& list, const std::string& folder);

// Directory synchronisation copies every file below the list's common folder
// that the mirror (OtherFolder) lacks; it needs coOtherFolder, coPreserveDirs
// and an absolute OtherFolder, else the caller shows SyncPreconditionMessage.
bool SyncPreconditionHolds(const TBatchOptions& options);

// How a synchronisation goes beyond copying what the mirror lacks.
struct TSyncSettings {
    // The folder the mirror copies; empty: the list's common folder. Every
    // path synchronised lies below it.
    std::string Base;
    // Also replaces the mirror's copy of a file that is not compressed when
    // the source is newer or differs in size.
    bool Update = false;
    // Reports what would be copied and writes nothing (no folder either).
    bool DryRun = false;
    // Asked for each folder (its path ending with the separator) before it
    // is entered and for each file before it is copied; empty: everything.
    std::function<bool(const std::string& path)> Takes;
    // True for a source whose mirror copy is its compressed text: never
    // replaced (and, in a dry run, counted as written by the compress run).
    std::function<bool(const std::string& path)> IsCompressed;
};

struct TSyncResult {
    bool PreconditionMet = false;
    bool Stopped = false;             // a stop request ended it between two files
    std::vector<std::string> Copied;   // mirror paths written
    std::vector<std::string> Updated;  // mirror paths replaced by a newer source
    std::vector<std::string> Failed;   // mirror paths that could not be written
    std::vector<std::string> FailureReasons;  // why, one for each of Failed
    // Read between files: set, the synchronisation stops there.
    const std::atomic<bool>* StopRequested = nullptr;
    // Files looked at so far, for progress.
    std::atomic<std::size_t> Visited{0};

    TSyncResult() = default;
    TSyncResult(TSyncResult&& other) noexcept;
    TSyncResult& operator=(TSyncResult&& other) noexcept;
};

// Directory synchronisation off the list's thread, with progress and a stop
// request like the other runs; the plan (the base, by default the list's
// common folder, the options and the settings) is taken when it is made.
class TSyncRun {
public:
    explicit TSyncRun(TFileList& list, TSyncSettings settings = {});
    ~TSyncRun();
    TSyncRun(const TSyncRun&) = delete;
    TSyncRun& operator=(const TSyncRun&) = delete;

    std::function<void()> Finished;  // called on the worker's thread at its end; set before Start
    void Start();
    // True once it is over; Result() is then complete.
    bool TakeResults();
    void WaitForResults(std::chrono::milliseconds timeout);
    void Stop();
    std::size_t Visited() const;
    const TSyncResult& Result() const;
    // The result, moved out (once the run is over).
    TSyncResult TakeResult();

private:
    TFileList& list_;
    TBatchOptions options_;
    TSyncSettings settings_;
    std::string base_;
    TSyncResult result_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> ended_{false};
    std::thread worker_;
};

TSyncResult SyncDirectories(TFileList& list, const TSyncSettings& settings = {});

// One level of the synchronisation: folder (below base) into the mirror,
// with everything beneath it.
void SyncFolder(const TBatchOptions& options, const std::string& base, const std::string& folder,
                TSyncResult& result, const TSyncSettings& settings = {});
// One file below base into the mirror, as SyncFolder copies it; the mirror's
// folders on the way are made.
void SyncFile(const TBatchOptions& options, const std::string& base, const std::string& path, TSyncResult& result,
              const TSyncSettings& settings = {});

}  // namespace trimora
