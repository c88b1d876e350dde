#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <unordered_map>
#include <string>
#include <vector>

#include "batch_callbacks.h"
#include "batch_options.h"
#include "file_entry.h"
#include "recent_lists.h"

namespace trimora {

class TTrimora;

// How the view wants numbers and times written.
struct TColumnFormat {
    std::string ThousandsSeparator = ",";
    // Local date and time of a Modified value; empty: the C library's "%x %X"
    // with the time left out at exactly midnight.
    std::function<std::string(std::int64_t)> FormatModified;
};

// The list view's columns.
enum TListColumn { ColumnFilename = 0, ColumnPath = 1, ColumnSize = 2, ColumnModified = 3, ColumnStatus = 4 };

// True for a folder (ending with the separator) that the batch operations
// write into: an absolute MoveFolder or OtherFolder, or any folder whose
// trailing names are a relative one (its leading dots left out). Scans and
// synchronisation never enter such a folder.
bool IsOwnFolder(const TBatchOptions& options, const std::string& folder);

// Answers whether row i is selected.
using TRowSelection = std::function<bool(std::size_t)>;

// The list of files that every batch command works on, with the state the
// window shares with it. Plain data: usable without any window.
class TFileList {
public:

    TFileList(TTrimora& engine, TBatchOptions& options, TBatchCallbacks* callbacks = nullptr);
    TFileList(const TFileList&) = delete;
    TFileList& operator=(const TFileList&) = delete;

    std::vector<TFileEntry> EntryList;
    bool ListModified = false;                // changed since last saved or loaded
    std::atomic<bool> AbortRequested{false};  // Esc or closing; long loops poll and clear it
    bool Deleting = false;                    // entries are being removed: rows read empty
    int SortColumn = 0;
    int SortDirection = 1;
    std::string ListFileName;                 // the current list file; empty when untitled
    // No real list of files comes near these: a list file is read no further.
    std::int64_t MaxListBytes = 64 * 1024 * 1024;
    std::size_t MaxListLines = 1000000;
    TRecentLists RecentLists;

    TTrimora& Engine;
    TBatchOptions& Options;
    TBatchCallbacks& Callbacks;
    // Asked by folder scans for each file and sub-folder (a folder's path
    // ends with the separator): false leaves it out. Empty: everything.
    // Files named one by one are never asked about.
    std::function<bool(const std::string& path)> ScanFilter;

    static constexpr std::size_t NoRow = static_cast<std::size_t>(-1);

    // Adding files. Every change of EntryList goes through the list's
    // operations and is announced to the callbacks (rows inserted, removed,
    // moved by a sort), so that a view's model can follow it.
    void AddFile(const std::string& folder, const TFileListing& listing);
    void AddDir(std::string folder);
    void AddDirs(const std::string& folder);
    void AddDropped(const std::vector<std::string>& paths, TDropTarget target);
    bool IsSupported(const std::string& fileName);

    // Duplicates: same Name and same Folder, byte for byte.
    void RemDuplicates();
    bool hasItem(std::size_t index) const;

    // Delete and Crop by the view's selection; New List empties the list and
    // forgets the list file (asking to save changes is the window's part).
    void DeleteSelected(const TRowSelection& isSelected);
    void CropSelected(const TRowSelection& isSelected);
    void NewList();
    // Removes every entry; the list file and the flags stay.
    void Clear();
    // Where the entry with this Id is now (start looking at hint), or NoRow
    // when it left the list.
    std::size_t RowOf(std::uint64_t id, std::size_t hint = NoRow) const;

    // Re-reads size and time of entry index, or of every entry for -1.
    void UpdateItem(std::ptrdiff_t index);

    // The text of a cell; empty outside the list or while Deleting.
    std::string ColumnText(std::ptrdiff_t row, int column, const TColumnFormat& format = {}) const;
    static std::string SizeText(std::int64_t size, std::string_view thousandsSeparator);
    static std::string ModifiedText(std::int64_t modified);

    // Sorting by a clicked column: the same column again turns the direction.
    void SortByColumn(int column);
    int CompareByName(const TFileEntry& a, const TFileEntry& b) const;
    int CompareByFolder(const TFileEntry& a, const TFileEntry& b) const;
    int CompareBySize(const TFileEntry& a, const TFileEntry& b) const;
    int CompareByModified(const TFileEntry& a, const TFileEntry& b) const;
    int CompareByStatus(const TFileEntry& a, const TFileEntry& b) const;

    // List files. A user load also sets ListFileName, the recent lists, the
    // caption and the progress bar; a list met while another loads (named by
    // it, or in a folder it names) only adds its entries. Lines holding a
    // control byte, and blank ones, are skipped; a file past MaxListBytes or
    // MaxListLines is read no further. Answers false (with a reason) when an
    // existing file could not be read or was too large.
    bool LoadList(const std::string& path, bool userLoad, std::string* error = nullptr);
    // The automatic list at start: loaded quietly, then counted as modified.
    bool LoadAutomaticList(const std::string& path, std::string* error = nullptr);
    // Writes the list to ListFileName (which the caller sets when it is
    // empty). The file is replaced whole or not at all; the list stays
    // modified when writing fails.
    bool SaveList(std::string* error = nullptr);
    // The automatic list at close: no progress bar, no events.
    bool SaveAutomaticList(const std::string& path, std::string* error = nullptr);
    // The text of a list file for the given entries: one path a line, CR LF.
    static std::string ListFileText(const std::vector<TFileEntry>& entries, std::size_t count);

    void AddMRU(const std::string& path);
    void DeleteMRU(const std::string& path);
    // Choosing a recent list: the list is emptied without asking, then loaded.
    void OpenRecentList(const std::string& path);
    // "Trimora - " and the list file, or "Trimora - Untitled".
    std::string Caption() const;

private:
    // Entries a scan or a list load found, appended (and announced) in one
    // go before events are let through and when the operation ends.
    void AddPending(const std::string& folder, const TFileListing& listing);
    void FlushAdded(bool dropListed = true);
    void AppendEntries(std::vector<TFileEntry> added);
    void LetEventsThrough();
    void RemoveRange(std::size_t first, std::size_t last);
    void ShowFileCount();
    void SortEntries(const std::function<int(const TFileEntry&, const TFileEntry&)>& compare);
    void RemoveRows(const TRowSelection& removeRow);

    // The list files read during the current user load (by resolved path):
    // each is read once, however lists and folders name one another.
    std::set<std::string> listsRead_;
    int loadDepth_ = 0;
    std::vector<TFileEntry> pending_;
    std::uint64_t nextId_ = 1;
    mutable std::unordered_map<std::uint64_t, std::size_t> rowOfId_;
    mutable bool rowsDirty_ = true;
};

}  // namespace trimora
