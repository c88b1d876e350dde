#include "recycle_index.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "file_copy.h"
#include "file_io.h"

namespace fs = std::filesystem;

namespace trimora {

std::vector<TRecycleRecord> ParseRecycleIndex(std::span<const std::uint8_t> data) {
    std::vector<TRecycleRecord> records;
    for (std::size_t offset = RecycleHeaderSize; offset + RecycleRecordSize <= data.size();
         offset += RecycleRecordSize) {
        const std::uint8_t* record = data.data() + offset;
        TRecycleRecord parsed;
        parsed.Offset = offset;
        std::size_t length = 0;
        while (length < 260 && record[length] != 0) ++length;
        parsed.Path.assign(reinterpret_cast<const char*>(record), length);
        parsed.Live = record[0] != 0;
        parsed.Number = static_cast<std::uint32_t>(record[260]) | static_cast<std::uint32_t>(record[261]) << 8 |
                        static_cast<std::uint32_t>(record[262]) << 16 | static_cast<std::uint32_t>(record[263]) << 24;
        records.push_back(std::move(parsed));
    }
    return records;
}

std::string RecycledFileName(const TRecycleRecord& record) {
    std::string name = "D";
    if (!record.Path.empty()) name += record.Path[0];
    name += std::to_string(record.Number);
    const std::size_t dot = record.Path.rfind('.');
    const std::size_t separator = record.Path.find_last_of("\\/");
    if (dot != std::string::npos && (separator == std::string::npos || dot > separator)) name += record.Path.substr(dot);
    return name;
}

TRecycleBin FindRecycleBin(const std::string& driveRoot) {
    std::error_code ec;
    TRecycleBin bin;
    for (const char* folder : {"recycled/", "RECYCLER/"}) {
        if (fs::is_directory(driveRoot + folder, ec)) {
            bin.Folder = driveRoot + folder;
            break;
        }
    }
    if (bin.Folder.empty()) return {};
    for (const char* index : {"INFO2", "INFO", "info"}) {
        if (fs::is_regular_file(bin.Folder + index, ec)) {
            bin.IndexName = index;
            return bin;
        }
    }
    return {};
}

bool UndeleteFromRecycleBin(const TRecycleBin& bin, const std::string& recordedPath, const std::string& target) {
    if (bin.Folder.empty() || bin.IndexName.empty()) return false;
    const std::string indexFile = bin.Folder + bin.IndexName;
    std::vector<std::uint8_t> data;
    if (ReadWholeFile(indexFile, data) != ReadResult::Ok) return false;
    for (const TRecycleRecord& record : ParseRecycleIndex(data)) {
        if (!record.Live || record.Path != recordedPath) continue;
        const std::string recycled = bin.Folder + RecycledFileName(record);
        if (!CopyFileReplacing(recycled, target)) continue;
        // The bin no longer lists it: its first byte becomes 0, in place.
        std::FILE* index = std::fopen(indexFile.c_str(), "r+b");
        if (index != nullptr) {
            if (std::fseek(index, static_cast<long>(record.Offset), SEEK_SET) == 0) std::fputc(0, index);
            std::fclose(index);
        }
        std::error_code ec;
        fs::remove(recycled, ec);
        return true;
    }
    return false;
}

}  // namespace trimora
