#include "batch_texts.h"

#include "batch_options.h"
#include "paths.h"

namespace trimora {

std::string_view StatusText(TEntryStatus status) noexcept {
    switch (status) {
        case TEntryStatus::Waiting: return "Waiting";
        case TEntryStatus::Optimizing: return "Optimizing";
        case TEntryStatus::Finished: return "Finished";
        case TEntryStatus::CompressFailed: return "Compress Failed";
        case TEntryStatus::UnableToBackup: return "Unable to Backup";
        case TEntryStatus::Restored: return "Restored";
        case TEntryStatus::RestoreFailed: return "Restore Failed";
        case TEntryStatus::BackupRemoved: return "Backup Removed";
        case TEntryStatus::BackupRemovalFailed: return "Backup Removal Failed";
    }
    return {};
}

bool IsFailureStatus(TEntryStatus status) noexcept {
    return status == TEntryStatus::UnableToBackup || status == TEntryStatus::CompressFailed ||
           status == TEntryStatus::RestoreFailed || status == TEntryStatus::BackupRemovalFailed;
}

std::string UnsupportedFileMessage(std::string_view path) {
    return "\"" + std::string(path) +
           "\" is not recognised as a supported file! Go to Options to confiure Trimora to handle this type of file.";
}

std::string FileCountText(std::size_t count) { return std::to_string(count) + " file(s)"; }

std::string EffectiveSuffix(const std::string& suffix) {
    return TrimControls(suffix).empty() ? std::string(DefaultSuffix) : suffix;
}

}  // namespace trimora
