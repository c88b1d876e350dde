// List files: one path a line, ended by CR LF when written; LF alone is read
// as well. A line may name a file (added whatever its type) or a folder
// (scanned as Add Directory does).

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "file_io.h"
#include "file_list.h"
#include "paths.h"

namespace fs = std::filesystem;

namespace trimora {

namespace {
// The canonical form of a list file, to recognise it when lists name one
// another, directly or through folders.
std::string ListIdentity(const std::string& path) {
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(path, ec);
    return ec ? path : canonical.string();
}
}  // namespace

void TFileList::AddMRU(const std::string& path) {
    RecentLists.AddMRU(path);
    ListFileName = path;
}

void TFileList::DeleteMRU(const std::string& path) { RecentLists.DeleteMRU(path); }

std::string TFileList::Caption() const {
    return ListFileName.empty() ? std::string(UntitledCaption) : std::string(CaptionPrefix) + ListFileName;
}

namespace {
// A line that can name a path: not blank, no control byte.
bool IsPathLine(std::string_view line) {
    if (TrimControls(line).empty()) return false;
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 127) return false;
    }
    return true;
}

// Reads at most `limit` + 1 bytes of a regular file.
ReadResult ReadBounded(const std::string& path, std::int64_t limit, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return ReadResult::CannotOpen;
    std::uint8_t chunk[65536];
    while (static_cast<std::int64_t>(bytes.size()) <= limit) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk) break;
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? ReadResult::ReadError : ReadResult::Ok;
}
}  // namespace

bool TFileList::LoadList(const std::string& path, bool userLoad, std::string* error) {
    // Only the load the user asked for names the list; lists it leads to add.
    const bool outermost = loadDepth_ == 0;
    const bool namesList = userLoad && outermost;
    if (namesList) ListFileName = path;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        if (namesList) DeleteMRU(path);
        return true;
    }
    if (!fs::is_regular_file(status)) {
        if (error != nullptr) *error = "Cannot open file " + path;
        return false;
    }
    if (outermost) listsRead_.clear();
    // A list that names itself, or a folder holding it, is read once.
    if (!listsRead_.insert(ListIdentity(path)).second) return true;

    std::vector<std::uint8_t> bytes;
    if (ReadBounded(path, MaxListBytes, bytes) != ReadResult::Ok) {
        if (error != nullptr) *error = "Cannot open file " + path;
        return false;
    }
    AbortRequested = false;
    if (namesList) AddMRU(path);
    Callbacks.FreezeMenus(true);
    if (namesList) {
        Callbacks.ProgressStart(static_cast<std::int64_t>(bytes.size()));
        Callbacks.PauseIconLoader();
    }
    ++loadDepth_;

    const std::string listFolder = FolderPart(AbsolutePath(path));
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::int64_t position = 0;
    std::size_t start = 0, lines = 0;
    std::string tooLarge;
    while (start < text.size()) {
        if (start >= static_cast<std::size_t>(MaxListBytes) || lines >= MaxListLines) {
            tooLarge = "The list file " + path + " is larger than any list of files (more than " +
                       std::to_string(MaxListBytes / (1024 * 1024)) + " MB or " + std::to_string(MaxListLines) +
                       " lines); loading stopped there.";
            break;
        }
        const std::string_view line = NextLine(text, start);
        ++lines;
        if (IsPathLine(line)) {
            // The program writes full paths; another line is taken from the list's folder.
            const std::string linePath = IsAbsolutePath(line) ? std::string(line) : AbsolutePath(line, listFolder);
            const fs::file_status lineStatus = fs::status(linePath, ec);
            TFileListing listing;
            if (!ec && fs::is_directory(lineStatus)) {
                AddDir(linePath);
            } else if (!ec && fs::is_regular_file(lineStatus) && ReadListing(linePath, listing)) {
                AddPending(FolderPart(linePath), listing);
            }
        }
        if (namesList) {
            position += static_cast<std::int64_t>(line.size()) + 2;
            Callbacks.ProgressPosition(position);
        }
        FlushAdded(false);  // a list may name a file twice: both stay
        Callbacks.ProcessEvents();
        if (AbortRequested) break;
    }
    FlushAdded(false);
    --loadDepth_;
    if (!tooLarge.empty()) {
        Callbacks.Warning(tooLarge);
        if (error != nullptr) *error = tooLarge;
    }
    // The icon loader resumes after a stopped load as well: it would
    // otherwise stay paused for good.
    if (namesList) {
        Callbacks.ResumeIconLoader();
        Callbacks.CaptionChanged(std::string(CaptionPrefix) + path);
        Callbacks.ProgressEnd();
    }
    Callbacks.RowCountChanged(EntryList.size());
    if (outermost) {
        ShowFileCount();
        AbortRequested = false;
        ListModified = false;
    }
    Callbacks.FreezeMenus(false);
    return tooLarge.empty();
}

bool TFileList::LoadAutomaticList(const std::string& path, std::string* error) {
    const bool loaded = LoadList(path, false, error);
    ListModified = true;
    Callbacks.ProgressEnd();
    return loaded;
}

std::string TFileList::ListFileText(const std::vector<TFileEntry>& entries, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count && i < entries.size(); ++i) {
        text += entries[i].Path();
        text += "\r\n";
    }
    return text;
}

bool TFileList::SaveList(std::string* error) {
    if (ListFileName.empty()) {
        if (error != nullptr) *error = "no list file name";
        return false;
    }
    AbortRequested = false;
    Callbacks.PauseIconLoader();
    Callbacks.ProgressStart(static_cast<std::int64_t>(EntryList.size()));
    FlushAdded();
    std::size_t written = 0;
    while (written < EntryList.size()) {
        ++written;
        Callbacks.ProgressPosition(static_cast<std::int64_t>(written));
        Callbacks.ProcessEvents();
        if (AbortRequested) break;
    }
    // The list is saved whole or not at all: a stopped save leaves the old
    // file as it was, and the list modified.
    const bool stopped = written < EntryList.size() || AbortRequested;
    std::string reason;
    bool saved = false;
    if (!stopped) {
        const std::string text = ListFileText(EntryList, written);
        saved = WriteFileReplacing(ListFileName, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                                   &reason);
    }
    Callbacks.ProgressEnd();
    Callbacks.ResumeIconLoader();
    AbortRequested = false;
    if (stopped) {
        if (error != nullptr) *error = "Saving was stopped: the list was not saved to " + ListFileName;
        return false;
    }
    if (!saved) {
        if (error != nullptr) *error = "Cannot create file " + ListFileName + " (" + reason + ")";
        return false;
    }
    ListModified = false;
    Callbacks.CaptionChanged(Caption());
    AddMRU(ListFileName);
    return true;
}

bool TFileList::SaveAutomaticList(const std::string& path, std::string* error) {
    ForceFolders(FolderPart(path));
    const std::string text = ListFileText(EntryList, EntryList.size());
    std::string reason;
    if (!WriteFileReplacing(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), &reason)) {
        if (error != nullptr) *error = "Cannot create file " + path + " (" + reason + ")";
        return false;
    }
    return true;
}

void TFileList::OpenRecentList(const std::string& path) {
    DeleteMRU(path);
    Clear();
    Callbacks.RowCountChanged(0);
    Callbacks.RedrawAll();
    LoadList(path, true);
}

}  // namespace trimora
