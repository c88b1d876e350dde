#pragma once

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
    // Workers compressing at once, one engine each. Results, statuses and
    // callbacks are the same as with one worker and come in list order. A
    // stop request (AbortRequested) lets each worker finish the file it is
    // on; the files it did not start stay as they were.
    unsigned Jobs = 1;
    // Makes the engine of each worker beyond the first (same rules as the
    // list's engine). Without it the run uses one worker.
    std::function<std::unique_ptr<TTrimora>()> MakeEngine;
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

// The compress run: every entry of the list in order, each backed up and
// compressed in place, or compressed into the other folder.
TRunResult CompressFiles(TFileList& list, const TRunSettings& settings = {});

}  // namespace trimora
