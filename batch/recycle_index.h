#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace trimora {

// The index file ("INFO2", older "INFO") of a legacy per-drive recycle bin,
// as found on a mounted Windows drive: a 20-byte header, then 280-byte
// records of the original path (260 bytes, zero-terminated; a first byte 0
// marks a record whose file left the bin), the record number (32-bit little
// endian) and 16 bytes not read here. A short last record is ignored.
struct TRecycleRecord {
    std::size_t Offset = 0;   // of the record in the index file
    std::string Path;         // original full path, e.g. C:\site\index.htm
    std::uint32_t Number = 0;
    bool Live = false;        // first byte not 0
};

inline constexpr std::size_t RecycleHeaderSize = 20;
inline constexpr std::size_t RecycleRecordSize = 280;

std::vector<TRecycleRecord> ParseRecycleIndex(std::span<const std::uint8_t> data);

// The recycled copy's name in the bin: "D", the drive letter of the record's
// path, the record number, and the path's extension with its dot.
std::string RecycledFileName(const TRecycleRecord& record);

// The bin of a drive (its root folder, ending with a separator):
// "recycled/" or "RECYCLER/" when present, and its index file "INFO2" or
// "INFO". Empty texts when there is none.
struct TRecycleBin {
    std::string Folder;
    std::string IndexName;
};
TRecycleBin FindRecycleBin(const std::string& driveRoot);

// Takes the file recorded under this exact path (case matters) back out of
// the bin: the recycled copy is copied to `target` (replacing it), its record
// marked gone in the index and the copy deleted. False when the bin has no
// index, it cannot be opened, or no live record matches and copies back.
bool UndeleteFromRecycleBin(const TRecycleBin& bin, const std::string& recordedPath, const std::string& target);

}  // namespace trimora
