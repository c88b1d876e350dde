#include "safe_files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "file_io.h"
#include "paths.h"

namespace fs = std::filesystem;

namespace trimora {

namespace {
std::string SystemReason(int code) { return std::strerror(code); }

std::string WithoutTrailingSeparator(std::string folder) {
    while (folder.size() > 1 && IsPathSeparator(folder.back())) folder.pop_back();
    return folder;
}
}  // namespace

#ifndef _WIN32

namespace {
void FillStamp(const struct stat& info, TFileStamp& stamp) {
    stamp.Exists = true;
    stamp.IsRegular = S_ISREG(info.st_mode);
    stamp.Device = static_cast<std::uint64_t>(info.st_dev);
    stamp.Inode = static_cast<std::uint64_t>(info.st_ino);
    stamp.Size = static_cast<std::int64_t>(info.st_size);
    stamp.ModifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.Mode = static_cast<std::uint32_t>(info.st_mode & 07777);
    stamp.Owner = info.st_uid;
    stamp.Group = info.st_gid;
}
// Read once: the mask can only be read by setting it.
mode_t ProcessUmask() {
    static const mode_t mask = [] {
        const mode_t old = ::umask(022);
        ::umask(old);
        return old;
    }();
    return mask;
}
}  // namespace

TFileStamp StampOf(const std::string& path) {
    TFileStamp stamp;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return stamp;
    if (S_ISLNK(info.st_mode)) {
        stamp.IsLink = true;
        if (::stat(path.c_str(), &info) != 0) {
            stamp.Exists = true;  // a dangling link
            return stamp;
        }
    }
    FillStamp(info, stamp);
    return stamp;
}

bool IsReadOnlyFile(const std::string& path, const TFileStamp& stamp) {
    // Root may write anything: the owner's write bit is what the user set.
    return (stamp.Mode & S_IWUSR) == 0 || ::access(path.c_str(), W_OK) != 0;
}

TFolderLock& TFolderLock::operator=(TFolderLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = other.fd_;
        folder_ = std::move(other.folder_);
        other.fd_ = -1;
    }
    return *this;
}

bool TFolderLock::Acquire(const std::string& folder, bool wait, bool create) {
    Release();
    const std::string path = WithoutTrailingSeparator(folder);
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (create) ForceFolders(folder);
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return false;
        int result;
        do {
            result = ::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB));
        } while (result != 0 && errno == EINTR);
        if (result != 0) {
            ::close(fd);
            return false;
        }
        // The last holder may have removed the folder (it was empty): the
        // lock is then on a folder nobody else will see.
        struct stat locked {}, now {};
        if (::fstat(fd, &locked) == 0 && ::stat(path.c_str(), &now) == 0 && locked.st_dev == now.st_dev &&
            locked.st_ino == now.st_ino) {
            fd_ = fd;
            folder_ = folder;
            return true;
        }
        ::flock(fd, LOCK_UN);
        ::close(fd);
        if (!create) return false;
    }
    return false;
}

void TFolderLock::Release() noexcept {
    if (fd_ < 0) return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
    folder_.clear();
}

bool TStagedWrite::Stage(const std::string& target, const std::uint8_t* data, std::size_t size,
                         const TWriteModel& model, std::string& error) {
    Discard();
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    int fd = -1;
    std::string temporary;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = TemporaryNameBeside(target);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) {
            error = "Cannot create file " + target + " (" + SystemReason(errno) + ")";
            return false;
        }
    }
    if (fd < 0) {
        error = "Cannot create file " + target + " (no temporary name is free)";
        return false;
    }
    temporary_ = temporary;
    target_ = target;
    std::size_t done = 0;
    // Tests make the disk seem full after so many bytes.
    const std::int64_t failAfter = WriteFailureAfterForTesting();
    const std::size_t writable =
        failAfter >= 0 && static_cast<std::uint64_t>(failAfter) < size ? static_cast<std::size_t>(failAfter) : size;
    while (done < size) {
        if (done >= writable) errno = ENOSPC;
        const ::ssize_t wrote = done >= writable ? -1 : ::write(fd, data + done, writable - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            error = "Cannot write file " + target + " (" + SystemReason(wrote < 0 ? errno : ENOSPC) + ")";
            ::close(fd);
            Discard();
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    mode_t mode;
    if (model.KeepExisting && exists) {
        mode = existing.st_mode & 07777;
        // The owner and group stay where the system allows (as root, or a
        // group the user belongs to); the bits are set after, as chown may
        // clear set-id bits.
        if (::fchown(fd, existing.st_uid, existing.st_gid) != 0)
            (void)::fchown(fd, static_cast<uid_t>(-1), existing.st_gid);
    } else {
        mode = 0666 & ~ProcessUmask();
    }
    if (model.LimitToMode != 0) mode &= static_cast<mode_t>(model.LimitToMode) | S_IRWXU | S_ISUID | S_ISGID;
    if (::fchmod(fd, mode) != 0 || ::close(fd) != 0) {
        error = "Cannot write file " + target + " (" + SystemReason(errno) + ")";
        Discard();
        return false;
    }
    return true;
}

bool TStagedWrite::Commit(std::string& error) {
    if (temporary_.empty()) return true;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error = "Cannot replace " + target_ + " (" + SystemReason(errno) + ")";
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void TStagedWrite::Discard() noexcept {
    if (temporary_.empty()) return;
    ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool SyncFolders(const std::vector<std::string>& folders, std::string* error) {
    std::set<std::uint64_t> devices;
    for (const std::string& folder : folders) {
        struct stat info {};
        const std::string path = WithoutTrailingSeparator(folder);
        if (::stat(path.c_str(), &info) != 0 || !devices.insert(info.st_dev).second) continue;
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) continue;
        const bool synced = ::syncfs(fd) == 0;
        const int code = errno;
        ::close(fd);
        if (!synced) {
            if (error != nullptr) *error = "Cannot write to the disk of " + folder + " (" + SystemReason(code) + ")";
            return false;
        }
    }
    return true;
}

#else  // Windows: the standard library only.

TFileStamp StampOf(const std::string& path) {
    TFileStamp stamp;
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (ec || !fs::exists(status)) return stamp;
    stamp.Exists = true;
    stamp.IsLink = fs::is_symlink(status);
    stamp.IsRegular = fs::is_regular_file(fs::status(path, ec));
    stamp.Size = static_cast<std::int64_t>(fs::file_size(path, ec));
    stamp.ModifiedNs = fs::last_write_time(path, ec).time_since_epoch().count();
    stamp.Mode = static_cast<std::uint32_t>(status.permissions());
    stamp.Inode = std::hash<std::string>{}(fs::weakly_canonical(path, ec).string());
    return stamp;
}
bool IsReadOnlyFile(const std::string&, const TFileStamp& stamp) {
    return (stamp.Mode & static_cast<std::uint32_t>(fs::perms::owner_write)) == 0;
}
TFolderLock& TFolderLock::operator=(TFolderLock&& other) noexcept {
    folder_ = std::move(other.folder_);
    return *this;
}
bool TFolderLock::Acquire(const std::string& folder, bool, bool) {
    folder_ = folder;
    fd_ = 0;
    return true;
}
void TFolderLock::Release() noexcept { fd_ = -1; }
bool TStagedWrite::Stage(const std::string& target, const std::uint8_t* data, std::size_t size, const TWriteModel&,
                         std::string& error) {
    Discard();
    temporary_ = TemporaryNameBeside(target);
    target_ = target;
    std::FILE* file = std::fopen(temporary_.c_str(), "wbx");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        error = "Cannot write file " + target;
        Discard();
        return false;
    }
    return true;
}
bool TStagedWrite::Commit(std::string& error) {
    std::error_code ec;
    fs::rename(temporary_, target_, ec);
    if (ec) {
        error = "Cannot replace " + target_ + " (" + ec.message() + ")";
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}
void TStagedWrite::Discard() noexcept {
    std::error_code ec;
    if (!temporary_.empty()) fs::remove(temporary_, ec);
    temporary_.clear();
}
bool SyncFolders(const std::vector<std::string>&, std::string*) { return true; }

#endif

TStagedWrite::TStagedWrite(TStagedWrite&& other) noexcept
    : target_(std::move(other.target_)), temporary_(std::move(other.temporary_)) {
    other.temporary_.clear();
}

TStagedWrite& TStagedWrite::operator=(TStagedWrite&& other) noexcept {
    if (this != &other) {
        Discard();
        target_ = std::move(other.target_);
        temporary_ = std::move(other.temporary_);
        other.temporary_.clear();
    }
    return *this;
}

bool WriteDurably(const std::string& path, std::string_view text, std::string* error) {
    if (text.empty()) {
        std::error_code ec;
        fs::remove(path, ec);
        if (ec && error != nullptr) *error = "Cannot delete " + path + " (" + ec.message() + ")";
        return !ec;
    }
    std::string reason;
    if (WriteFileReplacing(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), &reason))
        return true;
    if (error != nullptr) *error = "Cannot write " + path + " (" + reason + ")";
    return false;
}

bool ForceFoldersBelow(const std::string& rootText, const std::string& folderText, std::string* error) {
    const auto fail = [&](const std::string& reason) {
        if (error != nullptr) *error = reason;
        return false;
    };
    std::string root = rootText, folder = folderText;
    NormalizeFolder(root);
    NormalizeFolder(folder);
    if (folder.compare(0, root.size(), root) != 0) return fail(folder + " is not below " + root);
    if (!ForceFolders(root)) return fail("Cannot create the folder " + root);
    std::string path = root;
    std::size_t start = root.size();
    while (start < folder.size()) {
        std::size_t end = start;
        while (end < folder.size() && !IsPathSeparator(folder[end])) ++end;
        path += folder.substr(start, end - start);
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(path, ec);
        if (fs::is_symlink(status)) return fail(path + " is a symbolic link; nothing is written through it");
        if (!fs::exists(status)) {
            fs::create_directory(path, ec);
            if (ec && !fs::is_directory(fs::symlink_status(path, ec)))
                return fail("Cannot create the folder " + path);
        } else if (!fs::is_directory(status)) {
            return fail("Cannot create the folder " + path + " (a file has that name)");
        }
        path += PathSeparator;
        start = end + 1;
    }
    return true;
}

void RemoveLeftovers(const std::string& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!IsLeftoverTemporary(name)) continue;
        std::error_code statusError;
        if (fs::is_regular_file(it->symlink_status(statusError))) fs::remove(it->path(), statusError);
    }
}

void TLeftoverSweep::Sweep(const std::string& folder) {
    {
        std::lock_guard lock(mutex_);
        if (!swept_.insert(folder).second) return;
    }
    RemoveLeftovers(folder);
}

}  // namespace trimora
