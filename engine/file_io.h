#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "byte_buffer.h"

namespace trimora {

enum class ReadResult { Ok, Missing, CannotOpen, ReadError, NotRegular };

// Reads a whole file into data. Missing: nothing exists at the path.
// NotRegular: what is there (after following links) is a folder, a device,
// a pipe or a socket; it is not opened, so reading never blocks and never
// runs on without end. A file too large for memory is a ReadError.
ReadResult ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& data);
// The same into a buffer whose memory is reused: the file is read straight
// into it, nothing is filled first, and nothing is copied after.
ReadResult ReadWholeFile(const std::string& path, TByteBuffer& data);

// Replaces the file at path with exactly these bytes, or leaves it as it was.
// The bytes go to a temporary file in the same folder that is then renamed
// over the destination, so a crash or a full disk never leaves a truncated
// file. An existing destination keeps its permission bits; when it is a
// symbolic link, the file it points to is replaced and the link stays. A
// destination that is not a regular file (a device, a pipe) is never replaced.
// The data is on the disk before the rename; the owner and group are kept
// where the system allows.
// On failure answers false and sets error to a short reason.
bool WriteFileReplacing(const std::string& path, const std::uint8_t* data, std::size_t size,
                        std::string* error = nullptr);

// A hidden file name in the folder of target, for writing a file that is
// then renamed over target: ".trimora-" with the writing process and a
// random part, of one short length whatever target's name is.
std::string TemporaryNameBeside(const std::string& target);
// True for a name TemporaryNameBeside makes.
bool IsTemporaryName(std::string_view name) noexcept;
// True for such a name whose process has ended: a leftover of an interrupted
// write that nobody will finish.
bool IsLeftoverTemporary(std::string_view name) noexcept;
// Sends the file's written data to the disk.
bool SyncFileData(std::FILE* file) noexcept;
bool SyncPathData(const std::string& path) noexcept;

// Test hook: when set, WriteFileReplacing fails as a full disk would after
// writing this many bytes of the temporary file. Negative: no failure.
void SetWriteFailureAfterForTesting(std::int64_t bytes);
std::int64_t WriteFailureAfterForTesting() noexcept;

}  // namespace trimora
