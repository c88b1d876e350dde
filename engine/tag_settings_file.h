#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "rule_tree.h"
#include "settings_prompts.h"

namespace trimora {

// The registry values that give the fallback formats' patterns when a file of
// an older layout is read.
struct FallbackPatterns {
    std::string ScriptExt = "*.js";
    std::string StyleExt = "*.css";
};

// What reading a tag-settings file found.
struct SettingsLoadReport {
    enum class Outcome { Loaded, Missing, NewerVersion, CannotOpen };
    Outcome Result = Outcome::Missing;
    int Layout = -1;        // 0 (headerless), 1, 2 or 3; -1 when nothing was read
    bool Damaged = false;   // a record's name was rejected, or the records are cut short
    std::string Error;      // "Cannot open file %s" when the file could not be read
};

// What writing one did.
struct SettingsSaveReport {
    bool Ok = false;
    std::string Error;          // "Cannot create file %s"
    std::string KeptNewerFile;  // where a newer version's file was moved aside
};

// Builds a tree from the bytes of a tag-settings file of any layout. The
// corruption message goes through prompts (once per call), and so does the
// newer-version question; without prompts nothing is shown.
SettingsLoadReport ReadRuleTree(const std::uint8_t* data, std::size_t size, TRuleTree& rules,
                                SettingsPrompts* prompts = nullptr, const FallbackPatterns& fallback = {});

// The same, but leaving tag names as stored and tags in stored order: the
// file's records exactly as they are, for showing them.
SettingsLoadReport ReadRuleTreeAsStored(const std::uint8_t* data, std::size_t size, TRuleTree& rules,
                                        SettingsPrompts* prompts = nullptr, const FallbackPatterns& fallback = {});

// The same from a file. A missing file leaves rules as they were.
SettingsLoadReport ReadRuleTreeFile(const std::string& path, TRuleTree& rules, SettingsPrompts* prompts = nullptr,
                                    const FallbackPatterns& fallback = {});

// Writes the tree in the newest layout, replacing the file whole or not at
// all. A file that a newer version wrote is moved aside first.
SettingsSaveReport WriteRuleTreeFile(const TRuleTree& rules, const std::string& path);

// A tag name as read from a record: every character but the last is one of
// ! ? 0-9 A-Z a-z, up to a zero byte.
bool IsValidTagName(const NameString& name) noexcept;

// The three roots every older layout is read into; reserve slots go to the first.
void BuildFallbackFormats(TTagInfo& formats, std::size_t reserve, const FallbackPatterns& fallback);

}  // namespace trimora
