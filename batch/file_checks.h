#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trimora {

// True when the file at path is a regular file holding exactly these bytes.
bool FileHoldsExactly(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Why the file cannot be opened for reading, as the system says it
// ("No such file or directory", "Permission denied", "Is a directory").
std::string WhyCannotOpen(const std::string& path);

// "Cannot open file PATH (reason)".
std::string CannotOpenFileText(const std::string& path);

}  // namespace trimora
