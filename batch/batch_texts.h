#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace trimora {

// Where a list entry stands; the Status column shows its text.
enum class TEntryStatus : std::uint8_t {
    Waiting,
    Optimizing,
    Finished,
    CompressFailed,
    UnableToBackup,
    Restored,
    RestoreFailed,
    BackupRemoved,
    BackupRemovalFailed,
};

// The one table of shown texts: "Waiting", "Optimizing", "Finished",
// "Compress Failed", "Unable to Backup", "Restored", "Restore Failed",
// "Backup Removed", "Backup Removal Failed".
std::string_view StatusText(TEntryStatus status) noexcept;

// True for the statuses that mean an entry ended badly.
bool IsFailureStatus(TEntryStatus status) noexcept;

inline constexpr std::string_view ConfirmCaption = "Confirm";
// The message for a dropped file that no file format claims.
std::string UnsupportedFileMessage(std::string_view path);

inline constexpr std::string_view SaveCaption = "Save";
inline constexpr std::string_view SaveChangesQuestion = "Do you want to save changes to the list?";

inline constexpr std::string_view LogCaption = "Log";
inline constexpr std::string_view EmptyLogMessage = "Sorry, there are no items to display in the log.";

inline constexpr std::string_view RemoveBackupsCaption = "Remove Backups";
inline constexpr std::string_view RemoveBackupsQuestion = "Are you sure you want to permantly delete the backups?";

inline constexpr std::string_view InformationCaption = "Information";
inline constexpr std::string_view SyncPreconditionMessage =
    "To use this feature, under Options you must:\r\n"
    " a) enable \"Place compressed file in another folder\"\r\n"
    " b) enable \"Preserve directory structure\"\r\n"
    " c) ensure the directory for \"Place compressed file in another folder\" is absolute.";

inline constexpr std::string_view SearchingPrefix = "Press Esc to abort! Searching: ";
inline constexpr std::string_view UntitledCaption = "Trimora - Untitled";
inline constexpr std::string_view CaptionPrefix = "Trimora - ";

// "N file(s)".
std::string FileCountText(std::size_t count);

}  // namespace trimora
