#pragma once

#include <string>

namespace trimora {

enum class TCopyResult { Ok, TargetExists, Failed };

// Copies a file to a name that must be free. The copy is written under a
// temporary name beside the target and linked into place, so the target
// appears complete or not at all and an existing file is never replaced.
// The copy keeps the source's permission bits and modification time.
TCopyResult CopyFileNoReplace(const std::string& source, const std::string& target, std::string* error = nullptr);

// A backup of a file that is about to be replaced by writing a new file and
// renaming it over the old one (as the engine does): the backup is a second
// name for the original's data, which the rename leaves alone, so nothing is
// copied. Where no such link can be made (another file system, a symbolic
// link) the file is copied as CopyFileNoReplace does. `linked` tells which.
TCopyResult BackupFileNoReplace(const std::string& source, const std::string& target, bool& linked,
                                std::string* error = nullptr);

// Gives a backup made by BackupFileNoReplace data of its own, for when the
// file was not replaced after all (the two would otherwise change together).
bool SeparateBackup(const std::string& backup, std::string* error = nullptr);

// Replaces the target (or the file a symbolic link there points to) with a
// copy of the source, whole or not at all; the target then has the source's
// modification time, and its own permission bits when it existed.
bool CopyFileReplacing(const std::string& source, const std::string& target, std::string* error = nullptr);

// True when both paths lead to the same existing file.
bool IsSameFile(const std::string& a, const std::string& b) noexcept;

// Test hook: the next `count` copies fail as on a full disk, leaving no
// target behind. 0 turns it off.
void SetCopyFailuresForTesting(int count);

}  // namespace trimora
