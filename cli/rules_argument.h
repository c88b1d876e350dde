#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings_prompts.h"
#include "tag_settings_file.h"

namespace trimora::cli {

// How a rules argument is read: as the engine loads it (tag names
// normalised, tags sorted) or as its records stand in the file.
enum class RulesReading { AsLoaded, AsStored };

// A rules argument as --rules and the rules commands take it: "classic" or
// "modern" names a built-in set, anything else is a tag-settings file (a file
// of either name is given as ./classic). Reads it into rules; when it cannot
// be used, says why on standard error as "trimora-cli COMMAND: ..." and
// answers false. A file is refused when it is missing, cannot be read,
// was written by a newer version, has a size that fits no layout (no
// tag-settings file at all) or was found damaged; in the last two cases
// rules holds what could be read and readButRefused is set.
bool ReadRulesArgument(const std::string& argument, std::string_view command, TRuleTree& rules,
                       SettingsPrompts* prompts, RulesReading reading, const FallbackPatterns& fallback = {},
                       bool* readButRefused = nullptr);

// "trimora-cli COMMAND: FILE: ", which starts every message about the file
// (the prefix of the ConsolePrompts that read it).
std::string RulesMessagePrefix(std::string_view command, const std::string& file);

// All of standard input; false when it cannot be read.
bool ReadStandardInput(std::vector<std::uint8_t>& data);

}  // namespace trimora::cli
