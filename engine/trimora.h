#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings_prompts.h"
#include "tag_tree.h"

namespace trimora {

// The registry values that give the fallback formats' patterns when a file of
// an older layout is read.
struct FallbackPatterns {
    std::string ScriptExt = "*.js";
    std::string StyleExt = "*.css";
};

// What LoadSettings found.
struct SettingsLoadReport {
    enum class Outcome { Loaded, Missing, NewerVersion, CannotOpen };
    Outcome Result = Outcome::Missing;
    int Layout = -1;        // 0 (headerless), 1, 2 or 3; -1 when nothing was read
    bool Damaged = false;   // a record's name was rejected
    std::string Error;      // "Cannot open file %s" when the file could not be read
};

// What SaveSettings did.
struct SettingsSaveReport {
    bool Ok = false;
    std::string Error;          // "Cannot create file %s"
    std::string KeptNewerFile;  // where a newer version's file was moved aside
};

// The rule tree in the newest layout of the tag-settings file; the tags of
// every format are sorted first, in place.
std::vector<std::uint8_t> EncodeRuleTree(TTagInfo& formats);

// Why Compress answered -1.
enum class CompressFailure { None, CannotRead, NoFormat, PassFailed, CannotSave };

// The engine object: owns the rule tree and the state of the compress pass.
class TTrimora {
public:
    // Reads the rule tree from the tag-settings file at once.
    explicit TTrimora(std::string fileName, SettingsPrompts* prompts = nullptr,
                      FallbackPatterns fallback = {});
    ~TTrimora();
    TTrimora(const TTrimora&) = delete;
    TTrimora& operator=(const TTrimora&) = delete;

    // Tag-settings file.
    SettingsLoadReport LoadSettings(const std::string& path);
    SettingsSaveReport SaveSettings(const std::string& path = {});
    // Builds the tree from the bytes of a tag-settings file already in memory.
    SettingsLoadReport LoadSettingsFromBytes(const std::uint8_t* data, std::size_t size);
    // The whole tree in the newest layout, as SaveSettings writes it.
    std::vector<std::uint8_t> SettingsBytes();
    static bool IsValidTagName(const NameString& name) noexcept;
    void BuildFallbackFormats(TTagInfo& formats, std::size_t reserve) const;

    // Compresses SourceFile and writes the result to DestFile, or over
    // SourceFile when DestFile is empty. Answers the size written, or -1 when
    // the file cannot be read, no format matches its name, or the result
    // cannot be saved; on -1 the destination is exactly as it was.
    std::int64_t Compress(const std::string& SourceFile, const std::string& DestFile);
    // The same in memory: fileName selects the format. Answers false when no
    // format matches; output then holds nothing.
    bool CompressBytes(std::string_view fileName, std::span<const std::uint8_t> input,
                       std::vector<std::uint8_t>& output);
    CompressFailure LastFailure() const noexcept { return lastFailure_; }
    // A sentence for the last failure of Compress, naming the file.
    std::string LastFailureText() const;

    // Lookups.
    std::int32_t FindFormat(std::string_view fileName) noexcept;
    void FindTag(const TTagInfo& tags, const PatternString& key) noexcept;
    void FindSubTag(const TTagInfo& subTags, const PatternString& key) noexcept;

    const SettingsLoadReport& LoadReport() const noexcept { return loadReport_; }

    TTagInfo Formats;
    CurrentRule Current;
    std::string FileName;
    std::string AttrText;
    std::int32_t FormatIndex = -1;
    std::int32_t MaxLength = 0;

private:
    bool TestName(const NameString& name, bool& stopReading);
    void NormalizeAndSortTags();

    CompressFailure lastFailure_ = CompressFailure::None;
    std::string lastFailurePath_;
    SettingsPrompts* prompts_;
    FallbackPatterns fallback_;
    SettingsLoadReport loadReport_;
    bool corruptMessageShown_ = false;
};

}  // namespace trimora
