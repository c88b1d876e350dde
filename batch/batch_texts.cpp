#include "batch_texts.h"

#include "batch_options.h"
#include "paths.h"

namespace trimora {

bool IsFailureStatus(std::string_view status) noexcept {
    return status == StatusUnableToBackup || status == StatusCompressFailed || status == StatusRestoreFailed ||
           status == StatusBackupRemovalFailed;
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
