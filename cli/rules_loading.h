#pragma once

#include <string>
#include <string_view>

#include "console_prompts.h"
#include "trimora.h"

namespace trimora::cli {

// Why a loaded tag-settings file cannot be used: it is missing, cannot be
// read (with the system's reason), was written by a newer version, has a
// size that fits no layout (not a tag-settings file at all), or the loader
// found it damaged. Empty when it can be used.
std::string RulesFileProblem(const std::string& path, const SettingsLoadReport& report);

// Loads the file into the engine, which was made with these prompts; the
// loader's own messages and the problem go to standard error as
// "trimora-cli COMMAND: PATH: ...". Answers whether the rules can be used;
// the engine holds whatever could be read.
bool LoadRulesFile(TTrimora& engine, ConsolePrompts& prompts, const std::string& path, std::string_view command);

// "trimora-cli COMMAND: PATH: ", which starts every message about the file.
std::string RulesMessagePrefix(std::string_view command, const std::string& path);

// The same for a file the engine read when it was made.
bool CheckLoadedRules(const TTrimora& engine, const std::string& path, std::string_view command);

}  // namespace trimora::cli
