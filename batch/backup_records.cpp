#include "backup_records.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "file_io.h"
#include "paths.h"

namespace fs = std::filesystem;

namespace trimora {

std::string TBackupRecords::Escape(std::string_view path) {
    std::string text;
    text.reserve(path.size());
    for (char c : path) {
        if (c == '%') text += "%25";
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
            if (code == "25") { path += '%'; i += 2; continue; }
            if (code == "0D") { path += '\r'; i += 2; continue; }
            if (code == "0A") { path += '\n'; i += 2; continue; }
        }
        path += text[i];
    }
    return path;
}

TBackupRecords::FolderRecords& TBackupRecords::Load(const std::string& folder) {
    auto found = folders_.find(folder);
    if (found != folders_.end()) return found->second;
    FolderRecords& records = folders_[folder];
    std::vector<std::uint8_t> bytes;
    if (ReadWholeFile(folder + std::string(RecordFileName), bytes) != ReadResult::Ok) return records;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.size() < 2 || (line[0] != '+' && line[0] != '-')) continue;  // damaged: ignored
        const std::string path = Unescape(line.substr(1));
        const std::string name = NamePart(path);
        if (line[0] == '+') {
            records.Owners[name] = path;
        } else {
            auto owner = records.Owners.find(name);
            if (owner != records.Owners.end() && owner->second == path) records.Owners.erase(owner);
        }
    }
    return records;
}

bool TBackupRecords::Append(const std::string& folder, char kind, const std::string& path, std::string* error) {
    const std::string file = folder + std::string(RecordFileName);
    const std::string line = kind + Escape(path) + '\n';
    std::FILE* out = std::fopen(file.c_str(), "ab");
    bool ok = out != nullptr && std::fwrite(line.data(), 1, line.size(), out) == line.size();
    if (out != nullptr && std::fclose(out) != 0) ok = false;
    if (!ok && error != nullptr) *error = "Cannot write " + file;
    return ok;
}

bool TBackupRecords::Add(const std::string& folder, const std::string& originalPath, std::string* error) {
    std::lock_guard lock(mutex_);
    FolderRecords& records = Load(folder);
    if (!Append(folder, '+', originalPath, error)) return false;
    records.Owners[NamePart(originalPath)] = originalPath;
    return true;
}

bool TBackupRecords::BelongsTo(const std::string& folder, const std::string& originalPath) {
    std::lock_guard lock(mutex_);
    const FolderRecords& records = Load(folder);
    const auto owner = records.Owners.find(NamePart(originalPath));
    return owner != records.Owners.end() && owner->second == originalPath;
}

void TBackupRecords::Remove(const std::string& folder, const std::string& originalPath) {
    std::lock_guard lock(mutex_);
    FolderRecords& records = Load(folder);
    const auto owner = records.Owners.find(NamePart(originalPath));
    if (owner == records.Owners.end() || owner->second != originalPath) return;
    records.Owners.erase(owner);
    std::error_code ec;
    if (records.Owners.empty())
        fs::remove(folder + std::string(RecordFileName), ec);
    else
        Append(folder, '-', originalPath, nullptr);
}

}  // namespace trimora
