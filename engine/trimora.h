#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "compressor.h"
#include "rule_tree.h"
#include "settings_prompts.h"
#include "tag_settings_file.h"

namespace trimora {

// The engine object: the rule tree read from the tag-settings file, and a
// compressor on it. The tree is shared and never changed in place: an
// editor takes CopyRules, changes the copy and hands it to SetRules between
// runs; workers of a run make their own TCompressor (or TTrimora) on Rules().
class TTrimora {
public:
    // Reads the rule tree from the tag-settings file at once.
    explicit TTrimora(std::string fileName, SettingsPrompts* prompts = nullptr, FallbackPatterns fallback = {});
    // An engine on a tree another one already holds; nothing is read.
    explicit TTrimora(TSharedRules rules);
    TTrimora(const TTrimora&) = delete;
    TTrimora& operator=(const TTrimora&) = delete;

    // Tag-settings file. A missing file leaves the tree as it was.
    SettingsLoadReport LoadSettings(const std::string& path);
    // Builds the tree from the bytes of a tag-settings file already in memory.
    SettingsLoadReport LoadSettingsFromBytes(const std::uint8_t* data, std::size_t size);
    // Writes the tree in the newest layout; an empty path means FileName.
    SettingsSaveReport SaveSettings(const std::string& path = {}) const;
    // The whole tree in the newest layout, as SaveSettings writes it.
    [[nodiscard]] std::vector<std::uint8_t> SettingsBytes() const;
    [[nodiscard]] const SettingsLoadReport& LoadReport() const noexcept { return loadReport_; }
    static bool IsValidTagName(const NameString& name) noexcept { return trimora::IsValidTagName(name); }
    void BuildFallbackFormats(TTagInfo& formats, std::size_t reserve) const {
        trimora::BuildFallbackFormats(formats, reserve, fallback_);
    }

    // The rule tree.
    [[nodiscard]] const TSharedRules& Rules() const noexcept { return rules_; }
    [[nodiscard]] const TTagInfo& Formats() const noexcept { return rules_->Formats; }
    // A copy to edit.
    [[nodiscard]] TRuleTree CopyRules() const { return rules_->Copy(); }
    // Puts another tree in force for the calls that follow. Passes running
    // elsewhere on the old tree finish on it.
    void SetRules(TRuleTree rules) { SetRules(ShareRules(std::move(rules))); }
    void SetRules(TSharedRules rules);

    // The format a file name selects, or -1: whether the file is supported.
    [[nodiscard]] std::int32_t FindFormat(std::string_view fileName) const noexcept {
        return rules_->FindFormat(fileName);
    }

    // Compresses SourceFile and writes the result to DestFile, or over
    // SourceFile when DestFile is empty; on failure the destination is
    // exactly as it was and the result says why, naming the file.
    CompressResult Compress(const std::string& SourceFile, const std::string& DestFile) {
        return compressor_.Compress(SourceFile, DestFile);
    }
    // The same in memory: fileName selects the format.
    CompressResult CompressBytes(std::string_view fileName, std::span<const std::uint8_t> input,
                                 std::vector<std::uint8_t>& output) {
        return compressor_.CompressBytes(fileName, input, output);
    }
    CompressResult CompressBytes(std::string_view fileName, std::span<const std::uint8_t> input,
                                 TByteBuffer& output) {
        return compressor_.CompressBytes(fileName, input, output);
    }

    // Tests compare the byte-at-a-time pass with its shortcuts.
    void SetFastPathsForTesting(bool enabled) noexcept { compressor_.SetFastPathsForTesting(enabled); }

    std::string FileName;  // the tag-settings file given at construction

private:
    TSharedRules rules_;
    TCompressor compressor_;
    SettingsPrompts* prompts_ = nullptr;
    FallbackPatterns fallback_;
    SettingsLoadReport loadReport_;
};

}  // namespace trimora
