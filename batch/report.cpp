#include "report.h"

namespace trimora {

std::string GroupThousands(std::int64_t value, std::string_view separator) {
    const bool negative = value < 0;
    const auto magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const std::string digits = std::to_string(magnitude);
    std::string grouped;
    const std::size_t first = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
    grouped.append(digits, 0, first);
    for (std::size_t i = first; i < digits.size(); i += 3) {
        grouped += separator;
        grouped.append(digits, i, 3);
    }
    return negative ? "-" + grouped : grouped;
}

std::int64_t PercentSaved(std::int64_t original, std::int64_t now) noexcept {
    if (original == 0) return 0;
    return (original - now) * 100 / original;
}

namespace {
std::string Bytes(std::int64_t value) { return std::to_string(value) + " bytes"; }
}  // namespace

std::vector<std::string> ReportLines(const std::vector<TFileEntry>& entries) {
    std::vector<std::string> lines;
    if (entries.empty()) return lines;
    lines.reserve(entries.size() + 2);
    lines.emplace_back("File Name\tOriginal Size\tCompressed Size\tSaved\t% Saved");
    std::int64_t totalOriginal = 0, totalSize = 0;
    for (const TFileEntry& entry : entries) {
        const std::int64_t original = entry.OriginalSize == -1 ? entry.Size : entry.OriginalSize;
        totalOriginal += original;
        totalSize += entry.Size;
        lines.push_back(entry.Path() + '\t' + Bytes(original) + '\t' + Bytes(entry.Size) + '\t' +
                        Bytes(original - entry.Size) + '\t' + std::to_string(PercentSaved(original, entry.Size)) + '%');
    }
    lines.push_back("Total\t" + Bytes(totalOriginal) + '\t' + Bytes(totalSize) + '\t' +
                    Bytes(totalOriginal - totalSize) + '\t' + std::to_string(PercentSaved(totalOriginal, totalSize)) +
                    '%');
    return lines;
}

TStatusTotals StatusTotals(const std::vector<TFileEntry>& entries, std::string_view thousandsSeparator,
                           const TRowSelection& isSelected) {
    std::size_t selected = 0;
    if (isSelected)
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (isSelected(i)) ++selected;
    std::int64_t now = 0, original = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (selected != 0 && !isSelected(i)) continue;
        now += entries[i].Size;
        original += entries[i].OriginalSize == -1 ? entries[i].Size : entries[i].OriginalSize;
    }
    TStatusTotals totals;
    totals.Files = selected != 0 ? std::to_string(selected) + " file(s) selected" : FileCountText(entries.size());
    totals.Sizes = GroupThousands(now, thousandsSeparator) + " bytes";
    if (original > now)
        totals.Sizes += " was " + GroupThousands(original, thousandsSeparator) + " bytes decreased by " +
                        std::to_string(PercentSaved(original, now)) + "%";
    return totals;
}

}  // namespace trimora
