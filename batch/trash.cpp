#include "trash.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include <unistd.h>

#include "file_copy.h"
#include "file_io.h"
#include "paths.h"
#include "safe_files.h"

namespace fs = std::filesystem;

namespace trimora {

namespace {
constexpr std::string_view InfoExtension = ".trashinfo";
constexpr std::string_view InfoMark = "# Trimora process ";

std::string ReadText(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (ReadWholeFile(path, bytes) != ReadResult::Ok) return {};
    return std::string(bytes.begin(), bytes.end());
}

bool Fail(std::string* error, const std::string& reason) {
    if (error != nullptr) *error = reason;
    return false;
}

std::string LocalTimeText(std::time_t time) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &time);
#else
    localtime_r(&time, &local);
#endif
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return std::string(text, length);
}

// "index.html", "index.2.html", "index.3.html", ...
std::string CandidateName(const std::string& name, int number) {
    if (number == 1) return name;
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return name + "." + std::to_string(number);
    return name.substr(0, dot) + "." + std::to_string(number) + name.substr(dot);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
}  // namespace

std::string HomeTrashFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::string folder;
    if (dataHome != nullptr && IsAbsolutePath(dataHome)) {
        folder = dataHome;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || *home == '\0') return {};
        folder = std::string(home) + "/.local/share";
    }
    folder += "/Trash/";
    NormalizeFolder(folder);
    return folder;
}

TTrash::TTrash(std::string folder) : folder_(std::move(folder)) {
    if (!folder_.empty()) NormalizeFolder(folder_);
}

std::string TTrash::EscapePath(std::string_view path) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string text;
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool keep = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                          (byte >= '0' && byte <= '9') || std::string_view("-_.!~*'()/").find(c) != std::string_view::npos;
        if (keep) {
            text += c;
        } else {
            text += '%';
            text += Hex[byte >> 4];
            text += Hex[byte & 15];
        }
    }
    return text;
}

std::string TTrash::UnescapePath(std::string_view text) {
    std::string path;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            path += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            path += text[i];
        }
    }
    return path;
}

bool TTrash::ParseInfo(std::string_view text, Entry& entry) {
    bool inGroup = false, sawPath = false;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::string_view line = NextLine(text, start);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inGroup = line == "[Trash Info]";
            continue;
        }
        if (!inGroup) continue;
        if (line.substr(0, 5) == "Path=" && !sawPath) {
            entry.Path = UnescapePath(line.substr(5));
            sawPath = true;
        } else if (line.substr(0, 13) == "DeletionDate=") {
            entry.DeletionDate = std::string(line.substr(13));
        }
    }
    return sawPath && !entry.Path.empty();
}

bool TTrash::PutCopy(const std::string& path, std::string* error, std::string* entryName, bool mayLink,
                     bool* linked) {
    if (folder_.empty()) return Fail(error, "no trash folder: neither XDG_DATA_HOME nor HOME is set");
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return Fail(error, "Cannot open file " + path);
    const std::string files = folder_ + "files/", info = folder_ + "info/";
    const bool created = !fs::exists(folder_, ec);
    if (!ForceFolders(files) || !ForceFolders(info)) return Fail(error, "Cannot create the trash folder " + folder_);
    if (created) fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::replace, ec);

    const std::string name = NamePart(path);
    // The comment names the process, so that an info file left without its
    // file by an interrupted run can be known for one and removed.
    const std::string content = "[Trash Info]\nPath=" + EscapePath(AbsolutePath(path)) +
                                "\nDeletionDate=" + LocalTimeText(std::time(nullptr)) + "\n" + std::string(InfoMark) +
                                std::to_string(::getpid()) + "\n";
    // The copy is made under a temporary name first (a leftover of an
    // interrupted run is then recognisable as one), and takes its entry's
    // name only once the info file has reserved it.
    SweepLeftovers();
    const std::string temporary = TemporaryNameBeside(files + name);
    bool isLink = false;
    std::string reason;
    const TCopyResult made = mayLink ? BackupFileNoReplace(path, temporary, isLink, &reason)
                                     : CopyFileNoReplace(path, temporary, &reason);
    if (made != TCopyResult::Ok) return Fail(error, reason);
    const auto cleanUp = [&] { fs::remove(temporary, ec); };
    for (int number = 1; number < 100000; ++number) {
        const std::string candidate = CandidateName(name, number);
        const std::string infoFile = InfoOf(candidate);
        // The info file is made first and exclusively: it reserves the name.
        std::FILE* out = std::fopen(infoFile.c_str(), "wx");
        if (out == nullptr) {
            if (fs::exists(fs::symlink_status(infoFile, ec))) continue;
            cleanUp();
            return Fail(error, "Cannot create file " + infoFile);
        }
        const bool written = std::fwrite(content.data(), 1, content.size(), out) == content.size();
        if (std::fclose(out) != 0 || !written) {
            fs::remove(infoFile, ec);
            cleanUp();
            return Fail(error, "Cannot create file " + infoFile);
        }
        // A hard link refuses a name that is taken.
        fs::create_hard_link(temporary, files + candidate, ec);
        if (!ec) {
            cleanUp();
            std::lock_guard lock(mutex_);
            if (indexLoaded_) {
                Entry entry{candidate, AbsolutePath(path), {}, 0};
                ParseInfo(content, entry);
                entry.InfoTime = fs::last_write_time(infoFile, ec).time_since_epoch().count();
                index_.push_back(std::move(entry));
            }
            if (entryName != nullptr) *entryName = candidate;
            if (linked != nullptr) *linked = isLink;
            return true;
        }
        const bool taken = ec == std::errc::file_exists;
        fs::remove(infoFile, ec);
        if (!taken) {
            cleanUp();
            return Fail(error, "Cannot create file " + files + candidate);
        }
        // A stray file under that name in files/: try the next name.
    }
    cleanUp();
    return Fail(error, "no free name in the trash for " + name);
}

void TTrash::SweepLeftovers() {
    {
        std::lock_guard lock(mutex_);
        if (swept_) return;
        swept_ = true;
    }
    RemoveLeftovers(folder_ + "files/");
    std::error_code ec;
    for (fs::directory_iterator it(folder_ + "info/", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (file.size() <= InfoExtension.size() ||
            file.compare(file.size() - InfoExtension.size(), InfoExtension.size(), InfoExtension) != 0)
            continue;
        const std::string name = file.substr(0, file.size() - InfoExtension.size());
        std::error_code statusError;
        if (fs::exists(fs::symlink_status(FileOf(name), statusError))) continue;
        // Only an info file of this program's whose process is gone.
        const std::string text = ReadText(it->path().string());
        const std::size_t mark = text.find(InfoMark);
        if (mark == std::string::npos) continue;
        const long process = std::strtol(text.c_str() + mark + InfoMark.size(), nullptr, 10);
        if (process > 0 && process != ::getpid() && ::kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH)
            fs::remove(it->path(), statusError);
    }
}

std::string TTrash::InfoOf(const std::string& entryName) const {
    return folder_ + "info/" + entryName + std::string(InfoExtension);
}

bool TTrash::EntryTime(const std::string& entryName, std::string& deletionDate, std::int64_t& infoTime) const {
    std::vector<std::uint8_t> bytes;
    const std::string infoFile = InfoOf(entryName);
    if (ReadWholeFile(infoFile, bytes) != ReadResult::Ok) return false;
    Entry entry;
    if (!ParseInfo(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), entry)) return false;
    deletionDate = entry.DeletionDate;
    std::error_code ec;
    infoTime = fs::last_write_time(infoFile, ec).time_since_epoch().count();
    return true;
}

void TTrash::RemoveEntry(const std::string& entryName) {
    std::error_code ec;
    fs::remove(FileOf(entryName), ec);
    fs::remove(InfoOf(entryName), ec);
    std::lock_guard lock(mutex_);
    std::erase_if(index_, [&](const Entry& entry) { return entry.Name == entryName; });
}

bool TTrash::TakeBackEntry(const std::string& entryName, const std::string& path, bool throughLink,
                           std::string* error) {
    const std::string trashed = FileOf(entryName);
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(trashed, ec))) return Fail(error, "Cannot open file " + trashed);
    const bool pathIsLink = fs::is_symlink(fs::symlink_status(path, ec));
    if (pathIsLink && !throughLink)
        return Fail(error, path + " is a symbolic link now; nothing is written through it");
    bool moved = false;
    if (!pathIsLink) {
        fs::rename(trashed, path, ec);
        moved = !ec;
    }
    if (!moved) {
        std::string reason;
        if (!CopyFileReplacing(trashed, path, &reason)) return Fail(error, reason);
        fs::remove(trashed, ec);
    }
    fs::remove(InfoOf(entryName), ec);
    std::lock_guard lock(mutex_);
    std::erase_if(index_, [&](const Entry& entry) { return entry.Name == entryName; });
    return true;
}

std::vector<TTrash::Entry> TTrash::Entries() {
    std::vector<Entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder_ + "info/", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (file.size() <= InfoExtension.size() ||
            file.compare(file.size() - InfoExtension.size(), InfoExtension.size(), InfoExtension) != 0)
            continue;
        std::vector<std::uint8_t> bytes;
        if (ReadWholeFile(it->path().string(), bytes) != ReadResult::Ok) continue;
        Entry entry;
        entry.Name = file.substr(0, file.size() - InfoExtension.size());
        if (!ParseInfo(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), entry)) continue;
        std::error_code timeError;
        entry.InfoTime = fs::last_write_time(it->path(), timeError).time_since_epoch().count();
        entries.push_back(std::move(entry));
    }
    return entries;
}

void TTrash::LoadIndex() {
    if (indexLoaded_) return;
    index_ = Entries();
    indexLoaded_ = true;
}

bool TTrash::TakeBack(const std::string& path, std::string* error) {
    if (folder_.empty()) return Fail(error, "no trash folder: neither XDG_DATA_HOME nor HOME is set");
    std::string newestName;
    {
        std::lock_guard lock(mutex_);
        LoadIndex();
        std::size_t newest = index_.size();
        for (std::size_t i = 0; i < index_.size(); ++i) {
            if (index_[i].Path != path) continue;
            if (newest == index_.size() || index_[i].DeletionDate > index_[newest].DeletionDate ||
                (index_[i].DeletionDate == index_[newest].DeletionDate &&
                 index_[i].InfoTime > index_[newest].InfoTime))
                newest = i;
        }
        if (newest == index_.size()) return Fail(error, "no copy of " + path + " in the trash");
        newestName = index_[newest].Name;
    }
    // A symbolic link at the path is kept and the file it points to replaced.
    return TakeBackEntry(newestName, path, true, error);
}

bool UndeleteFile(const std::string& path) {
    TTrash trash;
    return trash.TakeBack(path);
}

}  // namespace trimora
