#pragma once

#include <string>
#include <string_view>

namespace trimora {

// Folder texts always end with the separator. On Windows both '\' and '/'
// separate; elsewhere '/'.
#ifdef _WIN32
inline constexpr char PathSeparator = '\\';
#else
inline constexpr char PathSeparator = '/';
#endif
bool IsPathSeparator(char c) noexcept;

// Appends a separator and collapses runs of separators. A text of one
// character or none is left alone. On Windows a leading separator is dropped;
// elsewhere it marks the root and stays.
void NormalizeFolder(std::string& folder);

// "/..." here; "C:\..." or "\..." on Windows.
bool IsAbsolutePath(std::string_view path) noexcept;

// The folder that `relative` names seen from `base`. Every leading '.' of the
// relative text climbs one folder: "./x/" is x beside base, "../x/" two up.
// Climbing never goes above the root.
std::string CombinePath(std::string_view base, std::string_view relative);

// Creates the folder and its missing parents. True when it exists as a
// folder afterwards.
bool ForceFolders(std::string_view folder);

// The longest common leading text, compared exactly.
std::string CommonPrefix(std::string_view a, std::string_view b);

// The part of a path up to and including its last separator (or, on Windows,
// colon); empty when there is none. NamePart is the rest.
std::string FolderPart(std::string_view path);
std::string NamePart(std::string_view path);

// An absolute, lexically normal form of a path given on a command line, a
// list file or a drop; a relative path is taken from `from` (the current
// folder when empty). A folder keeps or gains its trailing separator only
// if the text had one.
std::string AbsolutePath(std::string_view path, std::string_view from = {});

// Leading and trailing characters of code 32 and below removed.
std::string TrimControls(std::string_view text);

// The line of text that begins at start, without its LF or CR LF; start
// moves to the next line.
std::string_view NextLine(std::string_view text, std::size_t& start);

}  // namespace trimora
