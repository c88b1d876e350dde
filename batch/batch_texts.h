#pragma once

#include <string>
#include <string_view>

namespace trimora {

// Status texts of a list entry.
inline constexpr std::string_view StatusWaiting = "Waiting";
inline constexpr std::string_view StatusOptimizing = "Optimizing";
inline constexpr std::string_view StatusFinished = "Finished";
inline constexpr std::string_view StatusCompressFailed = "Compress Failed";
inline constexpr std::string_view StatusUnableToBackup = "Unable to Backup";
inline constexpr std::string_view StatusRestored = "Restored";
inline constexpr std::string_view StatusRestoreFailed = "Restore Failed";
inline constexpr std::string_view StatusBackupRemoved = "Backup Removed";
inline constexpr std::string_view StatusBackupRemovalFailed = "Backup Removal Failed";

// True for the statuses that mean an entry ended badly.
bool IsFailureStatus(std::string_view status) noexcept;

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
