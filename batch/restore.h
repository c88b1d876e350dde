#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "batch_options.h"
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

struct TSyncResult {
    bool PreconditionMet = false;
    std::vector<std::string> Copied;  // mirror paths written
    std::vector<std::string> Failed;  // mirror paths that could not be written
};
TSyncResult SyncDirectories(TFileList& list);

// One level of the synchronisation: folder (below base) into the mirror,
// with everything beneath it.
void SyncFolder(const TBatchOptions& options, const std::string& base, const std::string& folder,
                TSyncResult& result);

}  // namespace trimora
