#include "file_list.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <unordered_set>

#include "backup_records.h"
#include "paths.h"
#include "report.h"
#include "trimora.h"

namespace fs = std::filesystem;

namespace trimora {

namespace {
TBatchCallbacks& NoCallbacks() {
    static TBatchCallbacks none;
    return none;
}

std::int64_t ToSeconds(fs::file_time_type time) {
    const auto system = fs::file_time_type::clock::to_sys(time);
    return std::chrono::duration_cast<std::chrono::seconds>(system.time_since_epoch()).count();
}

// Letters compared without case (ASCII), other bytes by value. Paths in a
// list share long beginnings: the bytes that are equal as they stand are
// passed over first at the speed of a memory compare.
int CompareText(std::string_view a, std::string_view b) {
    const std::size_t length = std::min(a.size(), b.size());
    const std::size_t same =
        static_cast<std::size_t>(std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(length), b.begin()).first -
                                 a.begin());
    for (std::size_t i = same; i < length; ++i) {
        auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int Sign(std::int64_t value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

bool HasListExtension(const std::string& name) {
    if (name.size() < 4) return false;
    std::string extension = name.substr(name.size() - 4);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return extension == ".lst";
}

// A relative MoveFolder or OtherFolder as the scan meets it: the folder names
// without the leading dots, ending with a separator.
std::string ScanSuffix(const std::string& setting) {
    std::string text = TrimControls(setting);
    if (text.empty() || IsAbsolutePath(text)) return {};
    std::size_t start = 0;
    while (start < text.size() && (text[start] == '.' || IsPathSeparator(text[start]))) ++start;
    std::string rest = text.substr(start);
    if (rest.empty()) return {};
    NormalizeFolder(rest);
    if (rest.size() == 1 && !IsPathSeparator(rest.back())) rest += PathSeparator;
    return rest;
}
}  // namespace

bool ReadListing(const std::string& path, TFileListing& listing) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::is_regular_file(status)) return false;
    const auto size = fs::file_size(path, ec);
    if (ec) return false;
    const auto time = fs::last_write_time(path, ec);
    if (ec) return false;
    listing.Name = NamePart(path);
    listing.Size = static_cast<std::int64_t>(size);
    listing.Modified = ToSeconds(time);
    listing.IsLink = fs::is_symlink(fs::symlink_status(path, ec));
    return true;
}

std::string CommonFolder(const std::vector<TFileEntry>& entries) {
    std::string common;
    for (const TFileEntry& entry : entries)
        common = common.empty() ? entry.Folder : CommonPrefix(common, entry.Folder);
    // Folders /site/abc/ and /site/abd/ share "/site/ab": only /site/ is a folder.
    return FolderPart(common);
}

TFileList::TFileList(TTrimora& engine, TBatchOptions& options, TBatchCallbacks* callbacks)
    : Engine(engine), Options(options), Callbacks(callbacks != nullptr ? *callbacks : NoCallbacks()) {}

bool TFileList::IsSupported(const std::string& fileName) { return Engine.FindFormat(fileName) >= 0; }

namespace {
TFileEntry MakeEntry(const std::string& folder, const TFileListing& listing) {
    TFileEntry entry;
    entry.Name = listing.Name;
    entry.Folder = folder;
    entry.Size = listing.Size;
    entry.Modified = listing.Modified;
    entry.Linked = listing.IsLink;
    return entry;
}
}  // namespace

void TFileList::AddFile(const std::string& folder, const TFileListing& listing) {
    FlushAdded();
    AppendEntries({MakeEntry(folder, listing)});
}

void TFileList::AddPending(const std::string& folder, const TFileListing& listing) {
    pending_.push_back(MakeEntry(folder, listing));
}

void TFileList::FlushAdded(bool dropListed) {
    if (pending_.empty()) return;
    std::vector<TFileEntry> added = std::move(pending_);
    pending_.clear();
    if (dropListed) {
        // A folder added again brings no second entry of a file already listed.
        std::unordered_set<std::string> listed;
        listed.reserve(EntryList.size() + added.size());
        for (const TFileEntry& entry : EntryList) listed.insert(entry.Path());
        std::erase_if(added, [&](const TFileEntry& entry) { return !listed.insert(entry.Path()).second; });
    }
    AppendEntries(std::move(added));
}

void TFileList::AppendEntries(std::vector<TFileEntry> added) {
    if (added.empty()) return;
    const std::size_t first = EntryList.size();
    Callbacks.RowsAboutToBeInserted(first, first + added.size() - 1);
    for (TFileEntry& entry : added) {
        entry.Id = nextId_++;
        EntryList.push_back(std::move(entry));
    }
    Callbacks.RowsInserted();
}

void TFileList::LetEventsThrough() {
    FlushAdded();
    Callbacks.ProcessEvents();
}

void TFileList::RemoveRange(std::size_t first, std::size_t last) {
    Callbacks.RowsAboutToBeRemoved(first, last);
    EntryList.erase(EntryList.begin() + static_cast<std::ptrdiff_t>(first),
                    EntryList.begin() + static_cast<std::ptrdiff_t>(last) + 1);
    rowsDirty_ = true;
    Callbacks.RowsRemoved();
}

void TFileList::Clear() {
    FlushAdded();
    if (!EntryList.empty()) RemoveRange(0, EntryList.size() - 1);
}

std::size_t TFileList::RowOf(std::uint64_t id, std::size_t hint) const {
    if (hint < EntryList.size() && EntryList[hint].Id == id) return hint;
    if (rowsDirty_ || rowOfId_.size() != EntryList.size()) {
        rowOfId_.clear();
        for (std::size_t row = 0; row < EntryList.size(); ++row) rowOfId_.emplace(EntryList[row].Id, row);
        rowsDirty_ = false;
    }
    const auto found = rowOfId_.find(id);
    return found != rowOfId_.end() && found->second < EntryList.size() && EntryList[found->second].Id == id
               ? found->second
               : NoRow;
}

void TFileList::ShowFileCount() {
    Callbacks.StatusText(0, FileCountText(EntryList.size()));
    Callbacks.StatusText(1, "");
}

void TFileList::AddDir(std::string folder) {
    if (folder.empty()) return;
    if (!IsPathSeparator(folder.back())) folder += PathSeparator;
    AbortRequested = false;
    AddDirs(folder);
    AbortRequested = false;
    RemDuplicates();
    ListModified = true;
    ShowFileCount();
}

bool IsOwnFolder(const TBatchOptions& options, const std::string& folder) {
    for (const std::string* setting : {&options.MoveFolder, &options.OtherFolder}) {
        const std::string text = TrimControls(*setting);
        if (text.empty()) continue;
        if (IsAbsolutePath(text)) {
            std::string absolute = text;
            NormalizeFolder(absolute);
            if (absolute == folder) return true;
            continue;
        }
        const std::string suffix = ScanSuffix(text);
        if (suffix.empty() || folder.size() <= suffix.size()) continue;
        if (folder.compare(folder.size() - suffix.size(), suffix.size(), suffix) == 0 &&
            IsPathSeparator(folder[folder.size() - suffix.size() - 1]))
            return true;
    }
    return false;
}

void TFileList::AddDirs(const std::string& root) {
    // Depth first in the order the file system gives, as a recursive scan
    // would go, but on an explicit stack so that deep trees cannot exhaust
    // the call stack. Symbolic links to folders are not followed.
    struct Level {
        std::string Folder;
        fs::directory_iterator Next;
        TBackupRecords Backups;  // the backups this folder holds: never listed
    };
    std::vector<Level> levels;
    auto open = [&](const std::string& folder) {
        Callbacks.StatusText(1, std::string(SearchingPrefix) + folder + "*.*");
        std::error_code ec;
        fs::directory_iterator it(fs::path(folder), fs::directory_options::skip_permission_denied, ec);
        if (ec) {
            Callbacks.RowCountChanged(EntryList.size());
            return;
        }
        TBackupRecords backups;
        TBackupRecords::Read(RecordFileIn(folder), backups);
        levels.push_back({folder, std::move(it), std::move(backups)});
    };
    open(root);
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.Next == fs::directory_iterator()) {
            levels.pop_back();
            Callbacks.RowCountChanged(EntryList.size());
            continue;
        }
        const fs::directory_entry item = *level.Next;
        const std::string folder = level.Folder;
        std::error_code ec;
        level.Next.increment(ec);
        if (ec) level.Next = fs::directory_iterator();

        const std::string name = item.path().filename().string();
        const fs::file_status own = item.symlink_status(ec);
        if (ec) continue;
        const bool isLink = fs::is_symlink(own);
        const fs::file_status target = isLink ? item.status(ec) : own;
        if (ec) continue;

        if (fs::is_directory(target)) {
            if (!Options.Recurse || isLink) continue;
            if (AbortRequested) {
                levels.pop_back();
                Callbacks.RowCountChanged(EntryList.size());
                continue;
            }
            LetEventsThrough();
            const std::string sub = folder + name + PathSeparator;
            if (!IsOwnFolder(Options, sub) && (!ScanFilter || ScanFilter(sub))) open(sub);
            continue;
        }
        // No pipes or devices (reading them could block), no links to files
        // (what they point to may lie outside the folder), no backups.
        if (!fs::is_regular_file(own) || level.Backups.FindBackup(name) != nullptr) continue;
        if (ScanFilter && !ScanFilter(folder + name)) continue;
        if (IsSupported(name)) {
            TFileListing listing;
            if (ReadListing(folder + name, listing)) AddPending(folder, listing);
        } else if (HasListExtension(name)) {
            FlushAdded();
            LoadList(folder + name, true);
        }
    }
    FlushAdded();
}

void TFileList::AddDropped(const std::vector<std::string>& paths, TDropTarget target) {
    for (const std::string& path : paths) {
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        if (ec || !fs::exists(status)) continue;
        if (fs::is_directory(status)) {
            AddDir(path);
            continue;
        }
        TFileListing listing;
        if (!ReadListing(path, listing)) continue;
        if (IsSupported(path)) {
            AddFile(FolderPart(path), listing);
        } else if (HasListExtension(listing.Name)) {
            LoadList(path, true);
        } else {
            const bool add = Callbacks.AskAddUnsupported(UnsupportedFileMessage(path), target);
            if (add && target == TDropTarget::Window) AddFile(FolderPart(path), listing);
        }
    }
    RemDuplicates();
    ListModified = true;
}

int TFileList::CompareByName(const TFileEntry& a, const TFileEntry& b) const {
    int result = CompareText(a.Name, b.Name);
    if (result == 0) result = CompareText(a.Folder, b.Folder);
    return result * SortDirection;
}

int TFileList::CompareByFolder(const TFileEntry& a, const TFileEntry& b) const {
    const int result = CompareText(a.Folder, b.Folder);
    return (result != 0 ? result : CompareByName(a, b)) * SortDirection;
}

int TFileList::CompareBySize(const TFileEntry& a, const TFileEntry& b) const {
    const int result = Sign(a.Size - b.Size);
    return (result != 0 ? result : CompareByName(a, b)) * SortDirection;
}

int TFileList::CompareByModified(const TFileEntry& a, const TFileEntry& b) const {
    const int result = Sign(a.Modified - b.Modified);
    return (result != 0 ? result : CompareByName(a, b)) * SortDirection;
}

int TFileList::CompareByStatus(const TFileEntry& a, const TFileEntry& b) const {
    // Byte-wise on the shown texts, as the column reads.
    const int result = StatusText(a.Status).compare(StatusText(b.Status));
    return (result != 0 ? Sign(result) : CompareByName(a, b)) * SortDirection;
}

// Entries that compare equal are ordered by their bytes, so that identical
// entries always end up side by side (names differing only in case could
// otherwise sit between them and hide a duplicate).
void TFileList::SortEntries(const std::function<int(const TFileEntry&, const TFileEntry&)>& compare) {
    FlushAdded();
    Callbacks.LayoutAboutToChange();
    std::vector<std::size_t> order(EntryList.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        const TFileEntry& a = EntryList[x];
        const TFileEntry& b = EntryList[y];
        const int result = compare(a, b);
        if (result != 0) return result < 0;
        if (a.Name != b.Name) return a.Name < b.Name;
        return a.Folder < b.Folder;
    });
    std::vector<TFileEntry> sorted;
    sorted.reserve(EntryList.size());
    std::vector<std::size_t> newRowOfOld(EntryList.size());
    for (std::size_t row = 0; row < order.size(); ++row) {
        newRowOfOld[order[row]] = row;
        sorted.push_back(std::move(EntryList[order[row]]));
    }
    EntryList = std::move(sorted);
    rowsDirty_ = true;
    Callbacks.LayoutChanged(newRowOfOld);
}

bool TFileList::hasItem(std::size_t index) const {
    if (index >= EntryList.size()) return false;
    const TFileEntry& entry = EntryList[index];
    for (std::size_t next = index + 1; next < EntryList.size(); ++next) {
        const TFileEntry& other = EntryList[next];
        if (other.Name != entry.Name) return false;
        if (other.Folder == entry.Folder) return true;
    }
    return false;
}

void TFileList::RemDuplicates() {
    FlushAdded();
    SortDirection = 1;
    SortEntries([this](const TFileEntry& a, const TFileEntry& b) { return CompareByName(a, b); });
    // Runs of duplicates go from the last down, each announced.
    for (std::size_t i = EntryList.size(); i-- > 0;) {
        if (!hasItem(i)) continue;
        std::size_t first = i;
        while (first > 0 && hasItem(first - 1)) --first;
        RemoveRange(first, i);
        i = first;
    }
    Callbacks.RowCountChanged(EntryList.size());
    Callbacks.RedrawAll();
}

void TFileList::RemoveRows(const TRowSelection& removeRow) {
    FlushAdded();
    ListModified = true;
    Deleting = true;
    Callbacks.FreezeRows(true);
    // The rows to remove, asked for before any goes: the selection speaks of
    // the rows as they are now. Runs of them go from the last down.
    std::vector<bool> remove(EntryList.size());
    for (std::size_t i = 0; i < EntryList.size(); ++i) remove[i] = removeRow(i);
    for (std::size_t i = remove.size(); i-- > 0;) {
        if (!remove[i]) continue;
        std::size_t first = i;
        while (first > 0 && remove[first - 1]) --first;
        RemoveRange(first, i);
        i = first;
    }
    Callbacks.FreezeRows(false);
    Callbacks.ClearSelection();
    Deleting = false;
    Callbacks.RowCountChanged(EntryList.size());
    Callbacks.RedrawAll();
}

void TFileList::DeleteSelected(const TRowSelection& isSelected) { RemoveRows(isSelected); }

void TFileList::CropSelected(const TRowSelection& isSelected) {
    RemoveRows([&](std::size_t i) { return !isSelected(i); });
}

void TFileList::NewList() {
    ListFileName.clear();
    Clear();
    Callbacks.RowCountChanged(0);
    Callbacks.RedrawAll();
    Callbacks.CaptionChanged(UntitledCaption);
}

void TFileList::UpdateItem(std::ptrdiff_t index) {
    auto update = [](TFileEntry& entry) {
        TFileListing listing;
        if (!ReadListing(entry.Path(), listing)) return;
        entry.Size = listing.Size;
        entry.Modified = listing.Modified;
        entry.OriginalSize = -1;
    };
    if (index == -1) {
        for (TFileEntry& entry : EntryList) update(entry);
    } else if (index >= 0 && static_cast<std::size_t>(index) < EntryList.size()) {
        update(EntryList[static_cast<std::size_t>(index)]);
    }
}

std::string TFileList::SizeText(std::int64_t size, std::string_view thousandsSeparator) {
    return GroupThousands(size / 1024 + 1, thousandsSeparator) + " KB";
}

std::string TFileList::ModifiedText(std::int64_t modified) {
    const std::time_t time = static_cast<std::time_t>(modified);
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &time) != 0) return {};
#else
    if (localtime_r(&time, &local) == nullptr) return {};
#endif
    const bool midnight = local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0;
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, midnight ? "%x" : "%x %X", &local);
    return std::string(text, length);
}

std::string TFileList::ColumnText(std::ptrdiff_t row, int column, const TColumnFormat& format) const {
    if (Deleting || row < 0 || static_cast<std::size_t>(row) >= EntryList.size()) return {};
    const TFileEntry& entry = EntryList[static_cast<std::size_t>(row)];
    switch (column) {
        case ColumnFilename: return entry.Name;
        case ColumnPath: return entry.Folder;
        case ColumnSize: return SizeText(entry.Size, format.ThousandsSeparator);
        case ColumnModified:
            return format.FormatModified ? format.FormatModified(entry.Modified) : ModifiedText(entry.Modified);
        case ColumnStatus: return std::string(StatusText(entry.Status));
        default: return {};
    }
}

void TFileList::SortByColumn(int column) {
    if (column != SortColumn) {
        SortColumn = column;
        SortDirection = 1;
    } else {
        SortDirection = -SortDirection;
    }
    switch (column) {
        case ColumnFilename:
            SortEntries([this](const TFileEntry& a, const TFileEntry& b) { return CompareByName(a, b); });
            break;
        case ColumnPath:
            SortEntries([this](const TFileEntry& a, const TFileEntry& b) { return CompareByFolder(a, b); });
            break;
        case ColumnSize:
            SortEntries([this](const TFileEntry& a, const TFileEntry& b) { return CompareBySize(a, b); });
            break;
        case ColumnModified:
            SortEntries([this](const TFileEntry& a, const TFileEntry& b) { return CompareByModified(a, b); });
            break;
        default:
            SortEntries([this](const TFileEntry& a, const TFileEntry& b) { return CompareByStatus(a, b); });
            break;
    }
    Callbacks.RedrawAll();
}

}  // namespace trimora
