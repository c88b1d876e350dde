#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace trimora {

// The home trash of the freedesktop.org Trash: $XDG_DATA_HOME/Trash/ (when
// that variable is absolute) or $HOME/.local/share/Trash/; empty when neither
// is known.
std::string HomeTrashFolder();

// A trash folder: files/NAME holds a trashed file, info/NAME.trashinfo tells
// where it came from (Path=, URL-escaped) and when (DeletionDate=).
// Safe to share between threads.
class TTrash {
public:
    struct Entry {
        std::string Name;          // under files/ and, with ".trashinfo", under info/
        std::string Path;          // the original's full path
        std::string DeletionDate;  // YYYY-MM-DDThh:mm:ss, local time
        std::int64_t InfoTime = 0; // when the info file was written, to order equal dates
    };

    explicit TTrash(std::string folder = HomeTrashFolder());
    const std::string& Folder() const noexcept { return folder_; }

    // Puts a copy of the file into the trash; the file itself stays. A name
    // already used in the trash is never replaced: the copy gets a free one,
    // which entryName receives. With mayLink, on the same file system the
    // copy is a second name for the file's data (for a file that is about to
    // be replaced, never changed in place), and `linked` says so.
    bool PutCopy(const std::string& path, std::string* error = nullptr, std::string* entryName = nullptr,
                 bool mayLink = false, bool* linked = nullptr);
    // Moves the newest entry whose Path is exactly this path back to it,
    // replacing what is there, and removes its info file.
    bool TakeBack(const std::string& path, std::string* error = nullptr);
    // Moves the entry of that name back to path and removes its info file.
    // A symbolic link at path is written through only when throughLink is
    // set; otherwise it is refused.
    bool TakeBackEntry(const std::string& entryName, const std::string& path, bool throughLink,
                       std::string* error = nullptr);
    // Removes an entry: its file and its info file.
    void RemoveEntry(const std::string& entryName);
    // Where the file and the info file of an entry lie.
    std::string FileOf(const std::string& entryName) const { return folder_ + "files/" + entryName; }
    std::string InfoOf(const std::string& entryName) const;
    // When the entry was made: its info file's DeletionDate, then its time.
    bool EntryTime(const std::string& entryName, std::string& deletionDate, std::int64_t& infoTime) const;
    // Every readable entry, in no particular order.
    std::vector<Entry> Entries();

    static std::string EscapePath(std::string_view path);
    static std::string UnescapePath(std::string_view text);
    // The fields of an info file; false when it is not one or has no Path.
    static bool ParseInfo(std::string_view text, Entry& entry);

private:
    void LoadIndex();
    // Removes, once, what interrupted runs left: their temporary copies and
    // the info files they wrote for copies that never arrived.
    void SweepLeftovers();

    std::string folder_;
    std::mutex mutex_;
    bool indexLoaded_ = false;
    bool swept_ = false;
    std::vector<Entry> index_;
};

// Takes the newest copy of this path back out of the home trash.
bool UndeleteFile(const std::string& path);

}  // namespace trimora
