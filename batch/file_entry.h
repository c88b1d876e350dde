#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "batch_texts.h"

namespace trimora {

// One listed file.
struct TFileEntry {
    std::string Name;          // file name without folder
    std::string Folder;        // its folder, ending with the separator
    std::string OutFolder;     // where the compress run wrote the copy in other-folder mode; empty otherwise
    std::int64_t Size = 0;     // bytes now; the compressed size after a run
    std::int64_t Modified = 0; // seconds since the epoch
    std::int64_t OriginalSize = -1;  // size before the last compression; -1 when not compressed
    TEntryStatus Status = TEntryStatus::Waiting;
    std::int32_t IconIndex = -1;     // -1 until the view looked it up
    bool BackedUp = false;     // the original was backed up during this program run
    bool Linked = false;       // named one by one as a symbolic link: written through it
    std::uint64_t Id = 0;      // given by the list when the entry joins it; never reused

    std::string Path() const { return Folder + Name; }
};

// What a directory listing tells about a file.
struct TFileListing {
    std::string Name;
    std::int64_t Size = 0;
    std::int64_t Modified = 0;
    bool IsLink = false;  // the name is a symbolic link to the file
};

// The listing of a file (a symbolic link is followed). False when nothing
// readable as a file is there.
bool ReadListing(const std::string& path, TFileListing& listing);

// The common leading text of every entry's Folder, cut back to a whole
// folder; empty for an empty list.
std::string CommonFolder(const std::vector<TFileEntry>& entries);

}  // namespace trimora
