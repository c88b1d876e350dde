#include "file_checks.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "file_io.h"

namespace fs = std::filesystem;

namespace trimora {

bool FileHoldsExactly(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) != bytes.size() || ec) return false;
    std::vector<std::uint8_t> content;
    return ReadWholeFile(path, content) == ReadResult::Ok && content == bytes;
}

std::string WhyCannotOpen(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) return std::strerror(ENOENT);
    if (fs::is_directory(status)) return std::strerror(EISDIR);
    // Opening a pipe or a device could wait for a writer.
    if (!fs::is_regular_file(status)) return "not a regular file";
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return std::strerror(errno != 0 ? errno : EACCES);
    std::fclose(file);
    // It opens now: reading it failed.
    return std::strerror(EIO);
}

std::string CannotOpenFileText(const std::string& path) {
    return "Cannot open file " + path + " (" + WhyCannotOpen(path) + ")";
}

}  // namespace trimora
