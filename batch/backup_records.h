#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace trimora {

// Which file each backup in a backup folder was made from.
//
// One backup folder can serve files of the same name from different folders
// (an absolute MoveFolder, or a relative one that climbs out of the file's
// folder), and then a name alone does not say whose original a backup is.
// Every backup folder therefore holds a record file, RecordFileName, to which
// each backup adds a line "+PATH" and each restore or removal a line "-PATH"
// (PATH the original's full path, with '%', CR and LF written as %25, %0D,
// %0A). The newest line for a name tells whose backup is there. When no
// backup is left the record file goes, so the folder can be removed.
//
// Safe to share between threads.
class TBackupRecords {
public:
    static constexpr std::string_view RecordFileName = ".trimora-backups";

    // Records that folder + NamePart(originalPath) holds originalPath's original.
    bool Add(const std::string& folder, const std::string& originalPath, std::string* error = nullptr);
    // True when the backup named like originalPath in folder is recorded as its own.
    bool BelongsTo(const std::string& folder, const std::string& originalPath);
    // Records that the backup of originalPath in folder is gone.
    void Remove(const std::string& folder, const std::string& originalPath);

    static std::string Escape(std::string_view path);
    static std::string Unescape(std::string_view text);

private:
    struct FolderRecords {
        std::map<std::string, std::string> Owners;  // backup name -> original path
    };
    FolderRecords& Load(const std::string& folder);
    bool Append(const std::string& folder, char kind, const std::string& path, std::string* error);

    std::mutex mutex_;
    std::map<std::string, FolderRecords> folders_;
};

}  // namespace trimora
