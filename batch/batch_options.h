#pragma once

#include <cstdint>
#include <string>

namespace trimora {

// Bits of CompressOptions: where compressed files go and what happens to the
// originals. Without coOtherFolder the first of coMove, coSuffix, coRecycle,
// coDelete that is set picks the backup method.
inline constexpr std::uint32_t coOtherFolder = 0x01;   // output into OtherFolder; originals untouched
inline constexpr std::uint32_t coPreserveDirs = 0x02;  // with coOtherFolder: keep folders below the common folder
inline constexpr std::uint32_t coDelete = 0x04;        // originals are not kept
inline constexpr std::uint32_t coRecycle = 0x08;       // originals go to the trash
inline constexpr std::uint32_t coSuffix = 0x10;        // originals kept under Name + Suffix
inline constexpr std::uint32_t coMove = 0x20;          // originals kept in MoveFolder
inline constexpr std::uint32_t coBackupMethods = coDelete | coRecycle | coSuffix | coMove;

inline constexpr std::string_view DefaultSuffix = ".bak";

// The settings that the batch operations read. The defaults are those of a
// first start; the GUI and the command line fill this one struct from their
// settings store.
struct TBatchOptions {
    std::uint32_t CompressOptions = coMove | coRecycle;  // 40
    std::string MoveFolder = "backup/";                  // absolute, or relative to each file's folder
    std::string OtherFolder;                             // absolute, or relative to each file's folder
    std::string Suffix = std::string(DefaultSuffix);
    bool Recurse = true;
    bool AutoSaveLoad = true;
};

// A suffix that is blank after trimming control characters and spaces
// becomes ".bak", as at start-up.
std::string EffectiveSuffix(const std::string& suffix);

}  // namespace trimora
