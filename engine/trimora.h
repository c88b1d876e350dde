#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings_prompts.h"
#include "tag_text.h"
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
    // The node FindTag and FindSubTag would copy into Current, or nullptr.
    const TagProp* LookupTag(const TTagInfo& tags, const PatternString& key) const noexcept;
    const TagProp* LookupSubTag(const TTagInfo& subTags) const noexcept;

    const SettingsLoadReport& LoadReport() const noexcept { return loadReport_; }

    // Rule tree and lookups.
    TTagInfo Formats;
    std::vector<std::uint8_t> Streams[2];  // input and output of Compress
    CurrentRule Current;
    std::string FileName;

    // State of the compress pass.
    std::uint8_t CurChar = 0;       // the character being processed
    std::uint8_t PrevChar = 0;      // the one processed before it
    TagTextBuffer TagText;          // the tag being read: its name part
    PatternString AttrText;         // the rest of the tag (its first 255 bytes: all a lookup reads)
    TagTextBuffer ContentTag;       // the opening tag whose content a compressor works through
    std::int64_t InputSize = 0;
    bool InTag = false;             // inside a tag
    bool InTagName = false;         // still collecting the tag's name part
    bool IsOpenTag = false;         // the tag just ended is an opening tag
    std::uint8_t Quote = ' ';       // the quote that opened the value being read; SPACE when none
    std::int32_t UnsafeCount = 0;   // characters in the open value that need its quotes
    bool RemoveQuotes = false;
    bool RemoveComments = true;
    std::int32_t FormatIndex = -1;
    std::int32_t MaxLength = 0;     // maximum output line length, 0 for no limit
    std::int64_t Column = 1;        // characters on the current output line
    std::int64_t LineStart = 0;     // output position where the current line begins
    std::int64_t LastBreak = 0;     // output position just after the last whitespace outside quotes

    // Routines of the pass, each working on the buffers and the state above.
    void CopyContent();
    void SkipContent();
    void SkipComment();
    void WrapLine();
    void UnquoteValue();
    void RemovePrecedingSpace();
    void ReplaceTagName(const NameString& replaceWith);
    void EraseTag();
    void CompressJavaScript();
    void CompressVBScript();
    void CompressStyle();

    // Tests compare the byte-at-a-time pass with its shortcuts.
    void SetFastPathsForTesting(bool enabled) noexcept { fastPaths_ = enabled; }

private:
    void RunPass();
    void CharacterStep();
    void EndOfTag();
    void QuoteBookkeeping();
    bool TrackScriptEnd();
    void FastMarkupRun();
    void ScanContent(bool copy);
    // Makes room for count more output bytes and answers the output's bytes.
    std::uint8_t* OutputRoom(std::int64_t count) {
        if (outPos_ + count > static_cast<std::int64_t>(output_->size()))
            GrowOutput(static_cast<std::size_t>(outPos_ + count) - output_->size());
        return output_->data();
    }

    // Input and output of the pass: the input is read where it lies, the
    // output is edited in place by moving its position back and overwriting.
    std::uint8_t ReadInput() noexcept { return input_[inPos_++]; }
    bool InputLeft() const noexcept { return inPos_ < InputSize; }
    void Write(std::uint8_t c) {
        if (outPos_ == static_cast<std::int64_t>(output_->size())) GrowOutput(1);
        (*output_)[static_cast<std::size_t>(outPos_++)] = c;
    }
    void WriteBytes(const std::uint8_t* bytes, std::size_t count);
    void GrowOutput(std::size_t atLeast);
    std::uint8_t OutAt(std::int64_t position) const noexcept {
        return (*output_)[static_cast<std::size_t>(position)];
    }

    const std::uint8_t* input_ = nullptr;
    std::int64_t inPos_ = 0;
    std::vector<std::uint8_t>* output_ = nullptr;
    std::int64_t outPos_ = 0;
    // Where the quote of the value being read stands in the input and the output.
    std::int64_t valueOpenedIn_ = 0;
    std::int64_t valueOpenedOut_ = 0;
    // A tag whose less-than sign was read and whose end-of-tag steps have not run.
    bool tagPending_ = false;
    // The length of TagText last compared with a script block's closing tag.
    std::size_t scriptEndCheckedSize_ = 0;
    // Where the style compressor's last look-ahead for "{", ";" or "}" began,
    // where it ended, and what it found there.
    std::int64_t styleLookAheadFrom_ = 0;
    std::int64_t styleLookAheadAt_ = -1;
    std::uint8_t styleLookAheadFound_ = 0;
    bool fastPaths_ = true;

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
