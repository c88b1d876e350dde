#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "batch_options.h"
#include "file_list.h"

namespace trimora {

class TTrimora;

// How originals are kept when compressing in place.
enum class TBackupMethod {
    ToFolder,     // coMove, absolute MoveFolder
    ToRelFolder,  // coMove, MoveFolder relative to each file's folder
    WithSuffix,   // coSuffix
    ToRecycleBin, // coRecycle: a copy goes to the trash
    None,         // coDelete alone: nothing is kept
    Unavailable,  // no method bit at all: nothing is compressed
};

// The method the options select; MoveFolder is normalised for coMove.
TBackupMethod ChooseBackupMethod(TBatchOptions& options);

// The folder whose record names the backup of a file of `folder` (empty for
// the trash and for no backup), and the backup's name there.
std::string BackupFolderOf(const TBatchOptions& options, TBackupMethod method, const std::string& folder);
std::string BackupNameOf(const TBatchOptions& options, TBackupMethod method, const std::string& name);

struct TRunSettings {
    // Workers compressing at once, each with its own pass on the list
    // engine's rule tree. Results, statuses and callbacks are the same as
    // with one worker and come in list order. A stop request
    // (AbortRequested) lets each worker finish the file it is on; the files
    // it did not start stay as they were.
    unsigned Jobs = 1;
    // Compresses in memory only: statuses and sizes say what a run would do;
    // nothing is written, no backup made, no folder created.
    bool DryRun = false;
    // With coOtherFolder and coPreserveDirs: the folder whose tree the
    // output keeps; it must hold every entry. Empty: the entries' common
    // folder.
    std::string BaseFolder;
    // With coOtherFolder: an output that already holds exactly the
    // compressed text is left as it is (its time too), as a build tool
    // leaves a target that is up to date.
    bool KeepIdenticalOutputs = false;
    // Called on a worker's thread just before it starts entry index (tests
    // use it to stop a run at a known file).
    std::function<void(std::size_t)> BeforeFile;
};

struct TRunResult {
    bool Aborted = false;
    std::size_t Processed = 0;
};

// A compress run as a plan and its results. The entries and options are
// taken when it is made; workers carry it out off the list's thread, and the
// list's thread takes the results over in list order (TakeResults), the
// only place where the run changes EntryList. List changes meanwhile are
// allowed: a result finds its entry by Id.
class TCompressRun {
public:
    TCompressRun(TFileList& list, const TRunSettings& settings = {});
    ~TCompressRun();  // stops and waits for the workers
    TCompressRun(const TCompressRun&) = delete;
    TCompressRun& operator=(const TCompressRun&) = delete;

    // Called on a worker's thread whenever results are ready to take over
    // (a window posts itself an event). Set before Start.
    std::function<void()> ResultsReady;

    void Start();
    // On the list's thread: applies every result finished so far, in list
    // order, and shows the entry next in line as "Optimizing". True once
    // the run is over (every result in, or stopped and its workers ended).
    bool TakeResults();
    // Waits until a result may be ready (at most timeout).
    void WaitForResults(std::chrono::milliseconds timeout);
    // A stop request: each worker finishes the file it is on.
    void Stop();
    bool Over() const;
    TRunResult Result() const;
    std::size_t Count() const;

private:
    friend TRunResult CompressFiles(TFileList& list, const TRunSettings& settings);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The compress run on the calling thread's behalf: every entry of the list,
// results taken over in list order with events let through between them.
TRunResult CompressFiles(TFileList& list, const TRunSettings& settings = {});

}  // namespace trimora
