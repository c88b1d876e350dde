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
    // already used in the trash is never replaced: the copy gets a free one.
    bool PutCopy(const std::string& path, std::string* error = nullptr);
    // Moves the newest entry whose Path is exactly this path back to it,
    // replacing what is there, and removes its info file.
    bool TakeBack(const std::string& path, std::string* error = nullptr);
    // Every readable entry, in no particular order.
    std::vector<Entry> Entries();

    static std::string EscapePath(std::string_view path);
    static std::string UnescapePath(std::string_view text);
    // The fields of an info file; false when it is not one or has no Path.
    static bool ParseInfo(std::string_view text, Entry& entry);

private:
    void LoadIndex();

    std::string folder_;
    std::mutex mutex_;
    bool indexLoaded_ = false;
    std::vector<Entry> index_;
};

// Takes the newest copy of this path back out of the home trash.
bool UndeleteFile(const std::string& path);

}  // namespace trimora
