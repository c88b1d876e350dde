#include "file_copy.h"

#include <atomic>
#include <filesystem>
#include <system_error>
#include <vector>

#include "file_io.h"

namespace fs = std::filesystem;

namespace trimora {

namespace {
std::atomic<int> copyFailures{0};

bool InjectedFailure() {
    int left = copyFailures.load();
    while (left > 0)
        if (copyFailures.compare_exchange_weak(left, left - 1)) return true;
    return false;
}

fs::path TemporaryBeside(const fs::path& target) { return TemporaryNameBeside(target.string()); }

bool Fail(std::string* error, const std::string& reason) {
    if (error != nullptr) *error = reason;
    return false;
}
}  // namespace

void SetCopyFailuresForTesting(int count) { copyFailures = count; }

bool IsSameFile(const std::string& a, const std::string& b) noexcept {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

TCopyResult CopyFileNoReplace(const std::string& source, const std::string& target, std::string* error) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(target, ec))) {
        if (error != nullptr) *error = target + " exists already";
        return TCopyResult::TargetExists;
    }
    if (!fs::is_regular_file(source, ec)) {
        Fail(error, "Cannot open file " + source);
        return TCopyResult::Failed;
    }
    const auto modified = fs::last_write_time(source, ec);
    if (ec) {
        Fail(error, "Cannot open file " + source + " (" + ec.message() + ")");
        return TCopyResult::Failed;
    }
    fs::path temporary;
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary = TemporaryBeside(target);
        ec.clear();
        if (fs::copy_file(source, temporary, fs::copy_options::none, ec)) break;
        if (ec != std::errc::file_exists) break;
    }
    if (!ec && InjectedFailure()) ec = std::make_error_code(std::errc::no_space_on_device);
    if (!ec) fs::last_write_time(temporary, modified, ec);
    // The copy's data is on the disk before its name appears.
    if (!ec && !SyncPathData(temporary.string())) ec = std::make_error_code(std::errc::io_error);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        Fail(error, "Cannot create file " + target + " (" + ec.message() + ")");
        return TCopyResult::Failed;
    }
    // A hard link refuses an existing name, so nothing is ever replaced.
    // File systems without hard links get a rename after a last look.
    TCopyResult result = TCopyResult::Ok;
    fs::create_hard_link(temporary, target, ec);
    if (ec == std::errc::file_exists) {
        result = TCopyResult::TargetExists;
        if (error != nullptr) *error = target + " exists already";
    } else if (ec) {
        std::error_code renameError;
        if (fs::exists(fs::symlink_status(target, renameError))) {
            result = TCopyResult::TargetExists;
            if (error != nullptr) *error = target + " exists already";
        } else {
            fs::rename(temporary, target, renameError);
            if (renameError) {
                result = TCopyResult::Failed;
                Fail(error, "Cannot create file " + target + " (" + renameError.message() + ")");
            }
        }
    }
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return result;
}

TCopyResult BackupFileNoReplace(const std::string& source, const std::string& target, bool& linked,
                                std::string* error) {
    linked = false;
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(source, ec);
    if (!ec && fs::is_regular_file(status)) {
        if (InjectedFailure()) {
            Fail(error, "Cannot create file " + target + " (no space left on device)");
            return TCopyResult::Failed;
        }
        fs::create_hard_link(source, target, ec);
        if (!ec) {
            linked = true;
            return TCopyResult::Ok;
        }
        if (ec == std::errc::file_exists) {
            if (error != nullptr) *error = target + " exists already";
            return TCopyResult::TargetExists;
        }
    }
    return CopyFileNoReplace(source, target, error);
}

bool SeparateBackup(const std::string& backup, std::string* error) {
    std::error_code ec;
    if (fs::hard_link_count(backup, ec) <= 1 && !ec) return true;
    const fs::path temporary = TemporaryBeside(backup);
    fs::copy_file(backup, temporary, fs::copy_options::none, ec);
    if (!ec) fs::last_write_time(temporary, fs::last_write_time(backup, ec), ec);
    if (!ec) fs::rename(temporary, backup, ec);
    if (!ec) return true;
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return Fail(error, "Cannot create file " + backup + " (" + ec.message() + ")");
}

bool CopyFileReplacing(const std::string& source, const std::string& target, std::string* error) {
    std::error_code ec;
    const fs::file_status sourceStatus = fs::status(source, ec);
    if (ec || !fs::is_regular_file(sourceStatus)) return Fail(error, "Cannot open file " + source);
    const auto modified = fs::last_write_time(source, ec);
    if (ec) return Fail(error, "Cannot open file " + source + " (" + ec.message() + ")");
    std::vector<std::uint8_t> bytes;
    if (ReadWholeFile(source, bytes) != ReadResult::Ok) return Fail(error, "Cannot open file " + source);
    if (InjectedFailure()) return Fail(error, "Cannot create file " + target + " (no space left on device)");
    const bool existed = fs::exists(target, ec);
    std::string reason;
    if (!WriteFileReplacing(target, bytes.data(), bytes.size(), &reason))
        return Fail(error, "Cannot create file " + target + " (" + reason + ")");
    if (!existed) fs::permissions(target, sourceStatus.permissions(), fs::perm_options::replace, ec);
    fs::last_write_time(target, modified, ec);
    return true;
}

}  // namespace trimora
