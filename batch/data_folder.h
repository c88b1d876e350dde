#pragma once

#include <string>

namespace trimora {

// The per-user data folder, ending with a separator: $TRIMORA_HOME when set
// and not empty; else $XDG_DATA_HOME/Kestrova/Trimora when XDG_DATA_HOME is
// absolute; else $HOME/.local/share/Kestrova/Trimora. Empty when none of
// these is known. Nothing is created here.
std::string DataFolder();

// The data folder, created when missing. Empty (with a reason) on failure.
std::string EnsureDataFolder(std::string* error = nullptr);

inline constexpr const char* RulesFileName = "trimora.nti";
inline constexpr const char* AutomaticListName = "Trimora.lst";

// The user's tag-settings file, written from the built-in rule set when it
// does not exist yet. Empty (with a reason) when it can be neither found nor
// made.
std::string UserRulesFile(std::string* error = nullptr);

// Where the automatic list lives.
std::string AutomaticListFile();

}  // namespace trimora
