// The tag-settings file: "TR3" followed by 288-byte node records in
// pre-order, each record's ChildCount telling how many subtrees follow it.
// Three older layouts are still read: headerless 28-byte records, and "TR1"
// (1032 bytes) and "TR2" (284 bytes), where consecutive records of the same
// name become sub tags of one tag.

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "tag_settings_file.h"

#include "file_io.h"

namespace trimora {

namespace {

constexpr std::size_t RecordSize = 288;
constexpr std::size_t Layout0RecordSize = 28;
constexpr std::size_t Tr1RecordSize = 1032;
constexpr std::size_t Tr2RecordSize = 284;
constexpr std::size_t HeaderSize = 3;

constexpr std::size_t NameOffset = 0;
constexpr std::size_t ReplaceWithOffset = 11;
constexpr std::size_t FlagsOffset = 24;
constexpr std::size_t PatternOffset = 28;
constexpr std::size_t ChildCountOffset = 284;

template <std::size_t Capacity>
ShortString<Capacity> ReadShortString(const std::uint8_t* field) {
    const std::size_t length = std::min<std::size_t>(field[0], Capacity);
    return ShortString<Capacity>(std::string_view(reinterpret_cast<const char*>(field + 1), length));
}

std::uint32_t ReadUint32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

std::uint16_t ReadUint16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

// Name, ReplaceWith and Flags are where every layout keeps them.
TagRule ReadRecordFields(const std::uint8_t* record, bool hasPattern) {
    TagRule fields;
    fields.Name = ReadShortString<10>(record + NameOffset);
    fields.ReplaceWith = ReadShortString<10>(record + ReplaceWithOffset);
    fields.Flags = ReadUint32(record + FlagsOffset);
    if (hasPattern) fields.Pattern = ReadShortString<255>(record + PatternOffset);
    return fields;
}

template <std::size_t Capacity>
void WriteShortString(std::uint8_t* field, const ShortString<Capacity>& text) {
    field[0] = static_cast<std::uint8_t>(text.Size());
    if (!text.Empty()) std::memcpy(field + 1, text.Data(), text.Size());
}

void WriteRecord(std::vector<std::uint8_t>& out, const TagProp& node, std::size_t childCount) {
    std::uint8_t record[RecordSize] = {};
    WriteShortString(record + NameOffset, node.Name);
    WriteShortString(record + ReplaceWithOffset, node.ReplaceWith);
    for (int i = 0; i < 4; ++i) record[FlagsOffset + i] = static_cast<std::uint8_t>(node.Flags >> (8 * i));
    WriteShortString(record + PatternOffset, node.Pattern);
    record[ChildCountOffset] = static_cast<std::uint8_t>(childCount);
    record[ChildCountOffset + 1] = static_cast<std::uint8_t>(childCount >> 8);
    out.insert(out.end(), record, record + RecordSize);
}

bool IsDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

// "TR" and a digit other than 1, 2, 3: written by a newer version.
bool HasNewerVersionHeader(const std::uint8_t* data, std::size_t size) {
    return size >= HeaderSize && data[0] == 'T' && data[1] == 'R' && IsDigit(data[2]) &&
           (data[2] < '1' || data[2] > '3');
}

}  // namespace

bool IsValidTagName(const NameString& name) noexcept {
    for (std::size_t i = 0; i + 1 < name.Size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == 0) return true;
        const bool allowed = c == '!' || c == '?' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                             (c >= 'a' && c <= 'z');
        if (!allowed) return false;
    }
    return true;
}

void BuildFallbackFormats(TTagInfo& formats, std::size_t reserve, const FallbackPatterns& fallback) {
    FreeTags(formats);
    TagRule all;
    all.Name = "ALL";
    all.Pattern = "*.htm;*.html;";
    formats.Add(all).Children.Reserve(reserve);
    TagRule script;
    script.Name = "JS";
    script.Flags = tfJavaScript;
    script.Pattern = fallback.ScriptExt;
    formats.Add(script);
    TagRule style;
    style.Name = "CSS";
    style.Flags = tfStyleSheet;
    style.Pattern = fallback.StyleExt;
    formats.Add(style);
}

namespace {

// One reading of a file: the records go into Formats, damage is reported
// through the prompts once.
class TSettingsReader {
public:
    TSettingsReader(TTagInfo& formats, SettingsPrompts* prompts, const FallbackPatterns& fallback, bool asStored)
        : Formats(formats), prompts_(prompts), fallback_(fallback), asStored_(asStored) {}

    SettingsLoadReport Read(const std::uint8_t* data, std::size_t size);

private:
    // A rejected name shows the corruption message once; the record is still
    // loaded. When the message cannot be shown, reading stops at this level.
    bool TestName(const NameString& name, bool& stopReading);
    // Marks the file damaged and shows the corruption message, once per
    // reading; false when the message could not be shown.
    bool ReportDamage();
    void ReadCurrentLayout(const std::uint8_t* data, std::size_t size);
    void ReadOlderLayout(const std::uint8_t* data, std::size_t size);
    void NormalizeAndSortTags();

    TTagInfo& Formats;
    SettingsPrompts* prompts_;
    const FallbackPatterns& fallback_;
    const bool asStored_;  // names and order left as stored
    SettingsLoadReport report_;
    bool corruptMessageShown_ = false;
};

bool TSettingsReader::TestName(const NameString& name, bool& stopReading) {
    stopReading = false;
    if (IsValidTagName(name)) return true;
    stopReading = !ReportDamage();
    return false;
}

bool TSettingsReader::ReportDamage() {
    report_.Damaged = true;
    if (corruptMessageShown_) return true;
    corruptMessageShown_ = true;
    return prompts_ == nullptr || prompts_->ShowCorruptFile(CorruptFileCaption, CorruptFileText);
}

void TSettingsReader::NormalizeAndSortTags() {
    for (std::size_t f = 0; f < Formats.Size(); ++f) {
        TTagInfo& tags = Formats[f].Children;
        for (std::size_t t = 0; t < tags.Size(); ++t) tags[t].Name = NormalizeTagName(tags[t].Name.View()).View();
        if (!tags.Empty()) SortTags(tags, 0, static_cast<std::ptrdiff_t>(tags.Size()) - 1);
    }
}

SettingsLoadReport TSettingsReader::Read(const std::uint8_t* data, std::size_t size) {
    FreeTags(Formats);
    report_ = SettingsLoadReport{};
    report_.Result = SettingsLoadReport::Outcome::Loaded;
    corruptMessageShown_ = false;

    if (size >= HeaderSize && data[0] == 'T' && data[1] == 'R' && IsDigit(data[2])) {
        if (HasNewerVersionHeader(data, size)) {
            report_.Result = SettingsLoadReport::Outcome::NewerVersion;
            if (prompts_ != nullptr && prompts_->AskNewerVersion(NewerVersionCaption, NewerVersionText))
                prompts_->OpenWebPage(ProductWebPage);
            return report_;
        }
        report_.Layout = data[2] - '0';
    } else {
        report_.Layout = 0;
    }
    if (report_.Layout == 3)
        ReadCurrentLayout(data, size);
    else
        ReadOlderLayout(data, size);
    if (!asStored_) NormalizeAndSortTags();
    return report_;
}

void TSettingsReader::ReadCurrentLayout(const std::uint8_t* data, std::size_t size) {
    // Each level takes at most its count of records, and only while whole
    // records remain; an explicit stack keeps any nesting depth safe.
    struct Level {
        TTagInfo* List;
        std::size_t Remaining;
        int Depth;
    };
    bool stop = false;
    // The data ends inside a record.
    bool cutShort = (size - HeaderSize) % RecordSize != 0;
    std::vector<Level> levels;
    levels.push_back({&Formats, size / RecordSize, 0});
    std::size_t position = HeaderSize;
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.Remaining == 0 || size - position < RecordSize) {
            // A node whose count promises more records than the data holds.
            if (level.Remaining != 0 && level.Depth > 0) cutShort = true;
            levels.pop_back();
            continue;
        }
        const std::uint8_t* record = data + position;
        TagRule fields = ReadRecordFields(record, true);
        if (level.Depth == 1) {
            TestName(fields.Name, stop);
            if (stop) {
                levels.pop_back();
                continue;
            }
        }
        fields.ChildCount = ReadUint16(record + ChildCountOffset);
        position += RecordSize;
        --level.Remaining;
        const int childDepth = level.Depth + 1;
        TagProp& node = level.List->Add(fields);
        levels.push_back({&node.Children, fields.ChildCount, childDepth});
    }
    if (cutShort) ReportDamage();
}

void TSettingsReader::ReadOlderLayout(const std::uint8_t* data, std::size_t size) {
    const std::size_t headerSize = report_.Layout == 0 ? 0 : HeaderSize;
    const std::size_t recordSize = report_.Layout == 0   ? Layout0RecordSize
                                   : report_.Layout == 1 ? Tr1RecordSize
                                                         : Tr2RecordSize;
    const std::size_t count = size / recordSize;
    BuildFallbackFormats(Formats, count, fallback_);
    TTagInfo& tags = Formats[0].Children;
    bool stop = false;
    if (report_.Layout == 0) {
        for (std::size_t i = 0; i < count && !stop; ++i) {
            const TagRule fields = ReadRecordFields(data + i * recordSize, false);
            TestName(fields.Name, stop);
            if (!stop) tags.Add(fields);
        }
    } else {
        std::size_t position = headerSize;
        std::size_t taken = 0;
        // Merged records do not count, so the data's end is what stops the loop.
        while (taken < count && size - position >= recordSize) {
            const TagRule fields = ReadRecordFields(data + position, true);
            TestName(fields.Name, stop);
            if (stop) break;
            position += recordSize;
            if (!tags.Empty() && tags.Back().Name == fields.Name) {
                TagProp& tag = tags.Back();
                if (tag.Children.Empty()) {
                    tag.Children.Add(static_cast<const TagRule&>(tag));
                    tag.Children.Back().ChildCount = 0;
                    tag.Children.Add(fields);
                    tag.Flags = tfDoNotCompress;
                } else {
                    tag.Children.Add(fields);
                }
                continue;
            }
            tags.Add(fields);
            ++taken;
        }
    }
    // The data ends inside a record: the piece is ignored, the file reported.
    if ((size - headerSize) % recordSize != 0 && !stop) ReportDamage();
}

}  // namespace

SettingsLoadReport ReadRuleTree(const std::uint8_t* data, std::size_t size, TRuleTree& rules,
                                SettingsPrompts* prompts, const FallbackPatterns& fallback) {
    return TSettingsReader(rules.Formats, prompts, fallback, false).Read(data, size);
}

SettingsLoadReport ReadRuleTreeAsStored(const std::uint8_t* data, std::size_t size, TRuleTree& rules,
                                        SettingsPrompts* prompts, const FallbackPatterns& fallback) {
    return TSettingsReader(rules.Formats, prompts, fallback, true).Read(data, size);
}

SettingsLoadReport ReadRuleTreeFile(const std::string& path, TRuleTree& rules, SettingsPrompts* prompts,
                                    const FallbackPatterns& fallback) {
    std::vector<std::uint8_t> data;
    switch (ReadWholeFile(path, data)) {
        case ReadResult::Missing:
            return SettingsLoadReport{};
        case ReadResult::CannotOpen:
        case ReadResult::ReadError:
        case ReadResult::NotRegular: {
            FreeTags(rules.Formats);
            SettingsLoadReport report;
            report.Result = SettingsLoadReport::Outcome::CannotOpen;
            report.Error = "Cannot open file " + path;
            return report;
        }
        case ReadResult::Ok:
            break;
    }
    return ReadRuleTree(data.data(), data.size(), rules, prompts, fallback);
}

std::vector<std::uint8_t> EncodeRuleTree(const TTagInfo& formats) {
    std::vector<std::uint8_t> out{'T', 'R', '3'};
    // Pre-order: each node, then its subtrees. The tags of a format are
    // written sorted by name (a stable order: equal names keep theirs). A
    // file can record at most 65535 children of one node; further ones
    // would corrupt the layout.
    struct Level {
        std::vector<const TagProp*> Nodes;
        std::size_t Next = 0;
    };
    const auto levelOf = [](const TTagInfo& list, bool sorted, std::size_t count) {
        Level level;
        level.Nodes.reserve(list.Size());
        for (std::size_t i = 0; i < list.Size(); ++i) level.Nodes.push_back(&list[i]);
        if (sorted)
            std::stable_sort(level.Nodes.begin(), level.Nodes.end(), [](const TagProp* a, const TagProp* b) {
                return CompareNames(a->Name.View(), b->Name.View()) < 0;
            });
        level.Nodes.resize(count);
        return level;
    };
    std::vector<Level> levels;
    levels.push_back(levelOf(formats, false, formats.Size()));
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.Next == level.Nodes.size()) {
            levels.pop_back();
            continue;
        }
        const TagProp& node = *level.Nodes[level.Next++];
        const std::size_t childCount = std::min<std::size_t>(node.Children.Size(), 0xFFFF);
        WriteRecord(out, node, childCount);
        const bool tagsOfAFormat = levels.size() == 1;
        if (childCount != 0) levels.push_back(levelOf(node.Children, tagsOfAFormat, childCount));
    }
    return out;
}

SettingsSaveReport WriteRuleTreeFile(const TRuleTree& rules, const std::string& target) {
    SettingsSaveReport report;
    const std::vector<std::uint8_t> bytes = EncodeRuleTree(rules.Formats);

    // A file that a newer version wrote (and this one refused to read) is
    // moved aside rather than overwritten with what this version knows.
    std::vector<std::uint8_t> existing;
    if (ReadWholeFile(target, existing) == ReadResult::Ok &&
        HasNewerVersionHeader(existing.data(), existing.size())) {
        namespace fs = std::filesystem;
        std::error_code ec;
        std::string kept = target + ".newer";
        for (int n = 2; fs::exists(fs::symlink_status(kept, ec)); ++n) kept = target + ".newer-" + std::to_string(n);
        fs::rename(target, kept, ec);
        if (ec) {
            report.Error = "Cannot create file " + target;
            return report;
        }
        report.KeptNewerFile = kept;
    }

    if (!WriteFileReplacing(target, bytes.data(), bytes.size())) {
        report.Error = "Cannot create file " + target;
        return report;
    }
    report.Ok = true;
    return report;
}

}  // namespace trimora
