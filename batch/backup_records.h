#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace trimora {

// One backup that Trimora made.
struct TBackupRecord {
    std::string Original;        // full path of the file it was made from
    std::string BackupName;      // its name in the record's folder (in the trash: its name under files/)
    std::int64_t Size = -1;      // its size when made; -1 in records of older versions
    bool OriginalWasLink = false;  // the original was named as a symbolic link, and written through it

    bool operator==(const TBackupRecord&) const = default;
};

// Which backups a folder holds and whose originals they are.
//
// Restore and backup removal only ever use a file that such a record names:
// a file that merely has a backup's name is the user's. One folder can hold
// backups of files of the same name from different folders (an absolute
// MoveFolder), so the record, not the name, says whose original it is.
//
// The record file has one line a backup, "+ORIGINAL<TAB>NAME<TAB>SIZE<TAB>FLAGS"
// ('%', TAB, CR and LF written as %25, %09, %0D, %0A; FLAGS "L" or empty).
// Older versions wrote "+ORIGINAL" (the name being the original's) and
// "-ORIGINAL" for a backup that went; both are still read. The file is
// always replaced whole, under the folder's lock (TFolderLock), and goes
// when no backup is left so that the folder can be removed.
class TBackupRecords {
public:
    // The record of a folder that holds backups (a move folder, or a file's
    // own folder for suffixed copies).
    static constexpr std::string_view RecordFileName = ".trimora-backups";
    // The record of the copies in the desktop trash, in the data folder.
    static constexpr std::string_view TrashRecordFileName = "trash-backups";

    static TBackupRecords Parse(std::string_view text);
    // Reads a record file; a missing one reads as empty. Answers false when
    // it exists but cannot be read.
    static bool Read(const std::string& path, TBackupRecords& records);
    std::string Text() const;

    const TBackupRecord* FindBackup(std::string_view backupName) const;
    // The backup of original in this folder under that name, or nothing.
    const TBackupRecord* FindBackupOf(std::string_view backupName, std::string_view original) const;
    // Replaces the record of the same backup name.
    void Put(TBackupRecord record);
    bool Erase(std::string_view backupName);
    bool Empty() const noexcept { return records_.empty(); }
    // By backup name.
    const std::map<std::string, TBackupRecord, std::less<>>& All() const noexcept { return records_; }

    static std::string Escape(std::string_view text);
    static std::string Unescape(std::string_view text);

private:
    std::map<std::string, TBackupRecord, std::less<>> records_;
};

// The record file of a folder ending with a separator.
std::string RecordFileIn(const std::string& folder);

// Reads, changes and writes back the record file of folder, whole and
// durably; the caller holds the folder's lock. An empty result removes it.
template <class Change>
bool UpdateRecordFile(const std::string& recordFile, Change change, std::string* error);

bool WriteRecordFile(const std::string& recordFile, const TBackupRecords& records, std::string* error);

template <class Change>
bool UpdateRecordFile(const std::string& recordFile, Change change, std::string* error) {
    TBackupRecords records;
    if (!TBackupRecords::Read(recordFile, records)) {
        if (error != nullptr) *error = "Cannot open file " + recordFile;
        return false;
    }
    change(records);
    return WriteRecordFile(recordFile, records, error);
}

}  // namespace trimora
