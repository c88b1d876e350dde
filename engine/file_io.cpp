#include "file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>
#include <thread>
#include <type_traits>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace trimora {

namespace {
std::atomic<std::int64_t> writeFailureAfter{-1};

struct FileCloser {
    void operator()(std::FILE* file) const noexcept {
        if (file != nullptr) std::fclose(file);
    }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// The file a write to path really lands in: a symbolic link is followed so
// that the link stays and its target is replaced.
fs::path ResolveWriteTarget(const fs::path& path) {
    std::error_code ec;
    fs::path target = path;
    for (int hops = 0; hops < 40; ++hops) {
        if (!fs::is_symlink(target, ec)) break;
        fs::path link = fs::read_symlink(target, ec);
        if (ec) break;
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    return target;
}

// The new file gets the old one's owner and group where the system allows
// (as root, or a group the user belongs to).
void KeepOwner(const std::string& existing, const std::string& replacement) {
#ifndef _WIN32
    struct stat old {};
    if (::stat(existing.c_str(), &old) != 0) return;
    if (::chown(replacement.c_str(), old.st_uid, old.st_gid) != 0)
        (void)::chown(replacement.c_str(), static_cast<uid_t>(-1), old.st_gid);
#else
    (void)existing;
    (void)replacement;
#endif
}

}  // namespace

void SetWriteFailureAfterForTesting(std::int64_t bytes) { writeFailureAfter = bytes; }
std::int64_t WriteFailureAfterForTesting() noexcept { return writeFailureAfter.load(); }

namespace {
constexpr std::string_view TemporaryPrefix = ".trimora-";
constexpr std::string_view TemporarySuffix = ".tmp";
constexpr std::size_t TemporaryLength = TemporaryPrefix.size() + 8 + 1 + 8 + TemporarySuffix.size();

unsigned CurrentProcess() {
#ifdef _WIN32
    return 0;
#else
    return static_cast<unsigned>(::getpid());
#endif
}

bool IsHexDigits(std::string_view text) {
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}
}  // namespace

// ".trimora-PPPPPPPP-RRRRRRRR.tmp": the writing process and a random part,
// the same short length whatever the target's name.
std::string TemporaryNameBeside(const std::string& targetPath) {
    const fs::path target(targetPath);
    static thread_local std::mt19937 generator{std::random_device{}()};
    char name[48];
    std::snprintf(name, sizeof name, "%.*s%08x-%08x%.*s", static_cast<int>(TemporaryPrefix.size()),
                  TemporaryPrefix.data(), CurrentProcess(), static_cast<unsigned>(generator()),
                  static_cast<int>(TemporarySuffix.size()), TemporarySuffix.data());
    return (target.parent_path() / name).string();
}

bool IsTemporaryName(std::string_view name) noexcept {
    return name.size() == TemporaryLength && name.substr(0, TemporaryPrefix.size()) == TemporaryPrefix &&
           name.substr(name.size() - TemporarySuffix.size()) == TemporarySuffix &&
           name[TemporaryPrefix.size() + 8] == '-' && IsHexDigits(name.substr(TemporaryPrefix.size(), 8)) &&
           IsHexDigits(name.substr(TemporaryPrefix.size() + 9, 8));
}

bool IsLeftoverTemporary(std::string_view name) noexcept {
    if (!IsTemporaryName(name)) return false;
#ifdef _WIN32
    return false;
#else
    const auto process = static_cast<pid_t>(std::strtoul(std::string(name.substr(TemporaryPrefix.size(), 8)).c_str(),
                                                         nullptr, 16));
    if (process <= 0 || process == ::getpid()) return false;
    // The process that wrote it is gone: nobody will rename it any more.
    return ::kill(process, 0) != 0 && errno == ESRCH;
#endif
}

bool SyncPathData(const std::string& path) noexcept {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    const bool synced = SyncFileData(file);
    std::fclose(file);
    return synced;
}

bool SyncFileData(std::FILE* file) noexcept {
#ifdef _WIN32
    (void)file;
    return true;
#else
    return ::fdatasync(::fileno(file)) == 0;
#endif
}

namespace {
// Touches the back half of a large new buffer on a thread of its own, so
// that the system clears its pages while the front half is read.
class TPrefault {
public:
    void Start(std::uint8_t* data, std::size_t size) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
        if (size < TByteBuffer::LargeSize * 4) return;
        const std::size_t half = size / 2 / TByteBuffer::LargeSize * TByteBuffer::LargeSize;
        try {
            worker_ = std::thread([data, half, size] { (void)::madvise(data + half, size - half, MADV_POPULATE_WRITE); });
        } catch (const std::system_error&) {  // no thread to be had: the read clears its pages itself
        }
#else
        (void)data;
        (void)size;
#endif
    }
    // Waits for the thread: before the buffer may move.
    void Wait() {
        if (worker_.joinable()) worker_.join();
    }
    ~TPrefault() { Wait(); }

private:
    std::thread worker_;
};

// Reads the open file into buffer from its start: straight into the
// buffer's memory, which is sized once by the size the file had when it was
// opened and only grows if the file grew since. setSize(buffer, n) makes
// the buffer n bytes long without caring what they hold.
template <typename Buffer, typename SetSize>
ReadResult ReadOpenFile(const std::string& path, Buffer& buffer, SetSize setSize) {
    try {
#ifndef _WIN32
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::CannotOpen;
        struct Closer {
            int fd;
            ~Closer() { ::close(fd); }
        } closer{fd};
        struct stat info {};
        if (::fstat(fd, &info) != 0) return ReadResult::ReadError;
        // Replaced by something else since it was looked at: not read.
        if (!S_ISREG(info.st_mode)) return ReadResult::NotRegular;
        std::size_t size = 0;
        std::size_t room = static_cast<std::size_t>(info.st_size);
        setSize(buffer, room);
        // Fresh memory is cleared by the system as it is first touched; for
        // a large file a second thread has the back half cleared while the
        // front half is read.
        TPrefault prefault;
        if constexpr (std::is_same_v<Buffer, TByteBuffer>) prefault.Start(buffer.data(), room);
        for (;;) {
            if (size == room) {
                // Read as much as the file had: one more read finds its end,
                // or the part written since.
                std::uint8_t probe[4096];
                const ssize_t got = ::read(fd, probe, sizeof probe);
                if (got < 0 && errno == EINTR) continue;
                if (got < 0) return ReadResult::ReadError;
                if (got == 0) break;
                room = size + static_cast<std::size_t>(got) + room / 2;
                prefault.Wait();
                setSize(buffer, room);
                std::memcpy(buffer.data() + size, probe, static_cast<std::size_t>(got));
                size += static_cast<std::size_t>(got);
                continue;
            }
            const ssize_t got = ::read(fd, buffer.data() + size, room - size);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return ReadResult::ReadError;
            if (got == 0) break;
            size += static_cast<std::size_t>(got);
        }
        setSize(buffer, size);
#else
        FileHandle file(std::fopen(path.c_str(), "rb"));
        if (!file) return ReadResult::CannotOpen;
        std::error_code ec;
        std::size_t room = static_cast<std::size_t>(fs::file_size(path, ec)) + 1;
        if (ec) room = 65536;
        std::size_t size = 0;
        setSize(buffer, room);
        for (;;) {
            size += std::fread(buffer.data() + size, 1, room - size, file.get());
            if (size < room) break;
            room += room / 2;
            setSize(buffer, room);
        }
        if (std::ferror(file.get())) return ReadResult::ReadError;
        setSize(buffer, size);
#endif
    } catch (const std::exception&) {  // more than memory holds
        return ReadResult::ReadError;
    }
    return ReadResult::Ok;
}

template <typename Buffer, typename SetSize>
ReadResult ReadWholeFileInto(const std::string& path, Buffer& data, SetSize setSize) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    ReadResult result = ReadResult::Ok;
    if (!fs::exists(status))
        result = ReadResult::Missing;
    else if (!fs::is_regular_file(status))
        result = ReadResult::NotRegular;
    else
        result = ReadOpenFile(path, data, setSize);
    if (result != ReadResult::Ok) data.clear();
    return result;
}
}  // namespace

ReadResult ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& data) {
    // Growing the vector fills the new bytes; a vector used for file after
    // file only fills what it grows by.
    const ReadResult result = ReadWholeFileInto(path, data, [](std::vector<std::uint8_t>& buffer, std::size_t size) {
        buffer.resize(size);
    });
    if (result == ReadResult::ReadError) data.shrink_to_fit();
    return result;
}

ReadResult ReadWholeFile(const std::string& path, TByteBuffer& data) {
    const ReadResult result = ReadWholeFileInto(path, data, [](TByteBuffer& buffer, std::size_t size) {
        buffer.resize_uninitialized(size);
    });
    if (result == ReadResult::ReadError) data.Release();
    return result;
}

bool WriteFileReplacing(const std::string& path, const std::uint8_t* data, std::size_t size,
                        std::string* error) {
    auto fail = [&](const std::string& reason) {
        if (error != nullptr) *error = reason;
        return false;
    };
    const fs::path target = ResolveWriteTarget(path);
    std::error_code ec;
    const fs::file_status existing = fs::status(target, ec);
    if (fs::is_directory(existing)) return fail("is a folder");
    if (fs::exists(existing) && !fs::is_regular_file(existing)) return fail("is not a regular file");

    const std::int64_t failAfter = writeFailureAfter.load();
    std::size_t toWrite = size;
    if (failAfter >= 0 && static_cast<std::uint64_t>(failAfter) < size) toWrite = static_cast<std::size_t>(failAfter);
    std::string temporary;
    bool ok = true;
    std::string reason;
#ifndef _WIN32
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = TemporaryNameBeside(target.string());
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return fail(std::strerror(errno));
    }
    if (fd < 0) return fail("no temporary name is free");
    // In pieces: the disk starts on each piece while the next is handed
    // over, so that little is left for the sync at the end.
    constexpr std::size_t Piece = std::size_t{8} << 20;
    for (std::size_t done = 0; ok && done < toWrite;) {
        const std::size_t pieceEnd = std::min(toWrite, done + Piece);
        const ssize_t wrote = ::write(fd, data + done, pieceEnd - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            ok = false;
            reason = std::strerror(wrote < 0 ? errno : ENOSPC);
            break;
        }
        const std::size_t from = done;
        done += static_cast<std::size_t>(wrote);
#ifdef __linux__
        if (done == pieceEnd && done < toWrite)
            (void)::sync_file_range(fd, static_cast<off_t>(from), static_cast<off_t>(done - from),
                                    SYNC_FILE_RANGE_WRITE);
#else
        (void)from;
#endif
    }
    if (ok && toWrite != size) {
        ok = false;
        reason = std::strerror(ENOSPC);
    }
    // The data reaches the disk before the rename makes it the file.
    if (::fdatasync(fd) != 0 && ok) {
        ok = false;
        reason = std::strerror(errno);
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        reason = std::strerror(errno);
    }
#else
    FileHandle file;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        temporary = TemporaryNameBeside(target.string());
        file.reset(std::fopen(temporary.c_str(), "wbx"));
        if (!file && errno != EEXIST) return fail(std::strerror(errno));
    }
    if (!file) return fail("no temporary name is free");
    if (toWrite != 0 && std::fwrite(data, 1, toWrite, file.get()) != toWrite) {
        ok = false;
        reason = std::strerror(errno);
    }
    if (ok && toWrite != size) {
        ok = false;
        reason = std::strerror(ENOSPC);
    }
    if ((std::fflush(file.get()) != 0 || !SyncFileData(file.get())) && ok) {
        ok = false;
        reason = std::strerror(errno);
    }
    if (std::fclose(file.release()) != 0 && ok) {
        ok = false;
        reason = std::strerror(errno);
    }
#endif
    if (ok && fs::exists(existing)) {
        KeepOwner(target.string(), temporary);
        fs::permissions(temporary, existing.permissions(), fs::perm_options::replace, ec);
        ec.clear();
    }
    if (ok) {
        fs::rename(temporary, target, ec);
        if (ec) {
            ok = false;
            reason = ec.message();
        }
    }
    if (!ok) {
        fs::remove(temporary, ec);
        return fail(reason);
    }
    return true;
}

}  // namespace trimora
