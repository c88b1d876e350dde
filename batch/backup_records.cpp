#include "backup_records.h"

#include <charconv>

#include "file_io.h"
#include "paths.h"
#include "safe_files.h"

namespace trimora {

std::string TBackupRecords::Escape(std::string_view path) {
    std::string text;
    text.reserve(path.size());
    for (char c : path) {
        if (c == '%') text += "%25";
        else if (c == '\t') text += "%09";
        else if (c == '\r') text += "%0D";
        else if (c == '\n') text += "%0A";
        else text += c;
    }
    return text;
}

std::string TBackupRecords::Unescape(std::string_view text) {
    std::string path;
    path.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const std::string_view code = text.substr(i + 1, 2);
            const char* decoded = code == "25" ? "%" : code == "09" ? "\t" : code == "0D" ? "\r" : code == "0A" ? "\n" : nullptr;
            if (decoded != nullptr) {
                path += *decoded;
                i += 2;
                continue;
            }
        }
        path += text[i];
    }
    return path;
}

TBackupRecords TBackupRecords::Parse(std::string_view text) {
    TBackupRecords records;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::string_view line = NextLine(text, start);
        if (line.size() < 2 || (line[0] != '+' && line[0] != '-')) continue;  // damaged: ignored
        std::vector<std::string_view> fields;
        std::size_t from = 1;
        for (;;) {
            const std::size_t tab = line.find('\t', from);
            fields.push_back(line.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from));
            if (tab == std::string_view::npos) break;
            from = tab + 1;
        }
        TBackupRecord record;
        record.Original = Unescape(fields[0]);
        record.BackupName = fields.size() > 1 ? Unescape(fields[1]) : NamePart(record.Original);
        if (fields.size() > 2) {
            std::int64_t size = -1;
            const auto [end, status] = std::from_chars(fields[2].data(), fields[2].data() + fields[2].size(), size);
            if (status == std::errc() && end == fields[2].data() + fields[2].size() && size >= 0) record.Size = size;
        }
        record.OriginalWasLink = fields.size() > 3 && fields[3] == "L";
        if (record.Original.empty() || record.BackupName.empty()) continue;
        if (line[0] == '+') {
            records.Put(std::move(record));
        } else if (const TBackupRecord* found = records.FindBackup(record.BackupName);
                   found != nullptr && found->Original == record.Original) {
            records.Erase(record.BackupName);
        }
    }
    return records;
}

bool TBackupRecords::Read(const std::string& path, TBackupRecords& records) {
    std::vector<std::uint8_t> bytes;
    switch (ReadWholeFile(path, bytes)) {
        case ReadResult::Ok: break;
        case ReadResult::Missing: records = {}; return true;
        default: return false;
    }
    records = Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return true;
}

std::string TBackupRecords::Text() const {
    std::string text;
    for (const auto& [name, record] : records_) {
        text += '+';
        text += Escape(record.Original);
        text += '\t';
        text += Escape(record.BackupName);
        text += '\t';
        text += std::to_string(record.Size);
        text += '\t';
        if (record.OriginalWasLink) text += 'L';
        text += '\n';
    }
    return text;
}

const TBackupRecord* TBackupRecords::FindBackup(std::string_view backupName) const {
    const auto found = records_.find(backupName);
    return found != records_.end() ? &found->second : nullptr;
}

const TBackupRecord* TBackupRecords::FindBackupOf(std::string_view backupName, std::string_view original) const {
    const TBackupRecord* record = FindBackup(backupName);
    return record != nullptr && record->Original == original ? record : nullptr;
}

void TBackupRecords::Put(TBackupRecord record) {
    std::string name = record.BackupName;
    records_.insert_or_assign(std::move(name), std::move(record));
}

bool TBackupRecords::Erase(std::string_view backupName) {
    const auto found = records_.find(backupName);
    if (found == records_.end()) return false;
    records_.erase(found);
    return true;
}

std::string RecordFileIn(const std::string& folder) { return folder + std::string(TBackupRecords::RecordFileName); }

bool WriteRecordFile(const std::string& recordFile, const TBackupRecords& records, std::string* error) {
    return WriteDurably(recordFile, records.Text(), error);
}

}  // namespace trimora
