#include "report_formats.h"

#include <cstdint>
#include <cstdio>

#include "report.h"

namespace trimora {

namespace {

struct TSizes {
    std::int64_t Original = 0;
    std::int64_t Now = 0;
};

TSizes SizesOf(const TFileEntry& entry) {
    return {entry.OriginalSize == -1 ? entry.Size : entry.OriginalSize, entry.Size};
}

std::string Percent(const TSizes& sizes) {
    if (sizes.Original == 0) return "0.0";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f",
                  static_cast<double>(sizes.Original - sizes.Now) * 100.0 / static_cast<double>(sizes.Original));
    return text;
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string CsvRecord(std::string_view path, std::string_view status, const TSizes& sizes) {
    return CsvField(path) + ',' + CsvField(status) + ',' + std::to_string(sizes.Original) + ',' +
           std::to_string(sizes.Now) + ',' + std::to_string(sizes.Original - sizes.Now) + ',' + Percent(sizes) +
           "\n";
}

// Length of the UTF-8 sequence at text[at], or 0 when it is not one.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    std::uint32_t lowest = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, lowest = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, lowest = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, lowest = 0x10000;
    else return 0;
    if (at + length > text.size()) return 0;
    std::uint32_t code = lead & (0xFF >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 0;
        code = code << 6 | (next & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        const std::size_t length = Utf8Length(text, at);
        if (length == 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD
            ++at;
            continue;
        }
        if (length > 1) {
            out.append(text, at, length);
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
        at += length;
    }
    return out + '"';
}

std::string JsonSizes(const TSizes& sizes) {
    return "\"original_bytes\": " + std::to_string(sizes.Original) + ", \"compressed_bytes\": " +
           std::to_string(sizes.Now) + ", \"saved_bytes\": " + std::to_string(sizes.Original - sizes.Now) +
           ", \"saved_percent\": " + Percent(sizes);
}

}  // namespace

bool ParseReportFormat(std::string_view name, TReportFormat& format) {
    if (name == "log") format = TReportFormat::Log;
    else if (name == "csv") format = TReportFormat::Csv;
    else if (name == "json") format = TReportFormat::Json;
    else return false;
    return true;
}

std::string ReportText(const std::vector<TFileEntry>& entries, TReportFormat format) {
    std::string text;
    if (format == TReportFormat::Log) {
        for (const std::string& line : ReportLines(entries)) text += line + '\n';
        return text;
    }
    TSizes total;
    if (format == TReportFormat::Csv) {
        text = "path,status,original_bytes,compressed_bytes,saved_bytes,saved_percent\n";
        for (const TFileEntry& entry : entries) {
            const TSizes sizes = SizesOf(entry);
            total.Original += sizes.Original;
            total.Now += sizes.Now;
            text += CsvRecord(entry.Path(), StatusText(entry.Status), sizes);
        }
        return text + CsvRecord("Total", "", total);
    }
    text = "{\n  \"files\": [";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TSizes sizes = SizesOf(entries[i]);
        total.Original += sizes.Original;
        total.Now += sizes.Now;
        text += std::string(i == 0 ? "\n" : ",\n") + "    {\"path\": " + JsonString(entries[i].Path()) +
                ", \"status\": " + JsonString(StatusText(entries[i].Status)) + ", " + JsonSizes(sizes) + "}";
    }
    text += entries.empty() ? "],\n" : "\n  ],\n";
    return text + "  \"total\": {\"files\": " + std::to_string(entries.size()) + ", " + JsonSizes(total) + "}\n}\n";
}

}  // namespace trimora
