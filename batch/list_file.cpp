// List files: one path a line, ended by CR LF when written; LF alone is read
// as well. A line may name a file (added whatever its type) or a folder
// (scanned as Add Directory does).

#include <filesystem>
#include <system_error>

#include "file_io.h"
#include "file_list.h"
#include "paths.h"

namespace fs = std::filesystem;

namespace trimora {

namespace {
// The canonical form of a list file, to recognise it when a list names
// itself, directly or through a folder it holds.
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

bool TFileList::LoadList(const std::string& path, bool userLoad, std::string* error) {
    if (userLoad) ListFileName = path;
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        DeleteMRU(path);
        return true;
    }
    // A list that names itself, or a folder holding it, is read once.
    const std::string identity = ListIdentity(path);
    for (const std::string& loading : listsLoading_)
        if (loading == identity) return true;

    std::vector<std::uint8_t> bytes;
    if (ReadWholeFile(path, bytes) != ReadResult::Ok) {
        if (error != nullptr) *error = "Cannot open file " + path;
        return false;
    }
    AbortRequested = false;
    if (userLoad) AddMRU(path);
    Callbacks.FreezeMenus(true);
    Callbacks.ProgressStart(static_cast<std::int64_t>(bytes.size()));
    if (userLoad) Callbacks.PauseIconLoader();
    listsLoading_.push_back(identity);

    const std::string listFolder = FolderPart(AbsolutePath(path));
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::int64_t position = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::string_view line = NextLine(text, start);
        if (!line.empty()) {
            // The program writes full paths; another line is taken from the list's folder.
            const std::string linePath = IsAbsolutePath(line) ? std::string(line) : AbsolutePath(line, listFolder);
            const fs::file_status status = fs::status(linePath, ec);
            TFileListing listing;
            if (!ec && fs::is_directory(status)) {
                AddDir(linePath);
            } else if (!ec && fs::is_regular_file(status) && ReadListing(linePath, listing)) {
                AddFile(FolderPart(linePath), listing);
            }
        }
        if (userLoad) {
            position += static_cast<std::int64_t>(line.size()) + 2;
            Callbacks.ProgressPosition(position);
        }
        Callbacks.ProcessEvents();
        if (AbortRequested) break;
    }
    listsLoading_.pop_back();
    // The icon loader resumes after a stopped load as well: it would
    // otherwise stay paused for good.
    if (userLoad) {
        Callbacks.ResumeIconLoader();
        Callbacks.CaptionChanged(std::string(CaptionPrefix) + path);
        Callbacks.ProgressEnd();
    }
    Callbacks.RowCountChanged(EntryList.size());
    ShowFileCount();
    AbortRequested = false;
    ListModified = false;
    Callbacks.FreezeMenus(false);
    return true;
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
    std::size_t written = 0;
    while (written < EntryList.size()) {
        ++written;
        Callbacks.ProgressPosition(static_cast<std::int64_t>(written));
        Callbacks.ProcessEvents();
        if (AbortRequested) break;
    }
    const std::string text = ListFileText(EntryList, written);
    std::string reason;
    const bool saved = WriteFileReplacing(ListFileName, reinterpret_cast<const std::uint8_t*>(text.data()),
                                          text.size(), &reason);
    Callbacks.ProgressEnd();
    Callbacks.ResumeIconLoader();
    AbortRequested = false;
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
    EntryList.clear();
    Callbacks.RowCountChanged(0);
    Callbacks.RedrawAll();
    LoadList(path, true);
}

}  // namespace trimora
