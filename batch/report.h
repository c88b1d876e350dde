#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "file_list.h"

namespace trimora {

// 1234567 as "1,234,567" with the given separator.
std::string GroupThousands(std::int64_t value, std::string_view separator);

// (original - now) * 100 / original, truncated toward zero; 0 when original is 0.
std::int64_t PercentSaved(std::int64_t original, std::int64_t now) noexcept;

// The View Log report: a header, one tab-separated line per entry in list
// order and a total line. Empty for an empty list (the window then shows
// EmptyLogMessage).
std::vector<std::string> ReportLines(const std::vector<TFileEntry>& entries);

// The status bar's two panels for the whole list, or for the selected rows
// when any is selected: "N file(s)" or "N file(s) selected", and
// "T bytes" followed by " was O bytes decreased by P%" when O > T.
struct TStatusTotals {
    std::string Files;
    std::string Sizes;
};
TStatusTotals StatusTotals(const std::vector<TFileEntry>& entries, std::string_view thousandsSeparator,
                           const TRowSelection& isSelected = {});

}  // namespace trimora
