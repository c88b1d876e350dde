#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "file_entry.h"

namespace trimora {

// The size report for programs to read, beside the View Log text (Log):
// one record per entry in list order with its path, status and plain
// integer byte counts (original, now, saved) and the percentage saved as a
// number with one decimal, then the totals.
//   Csv:  a header line, then "path,status,original_bytes,compressed_bytes,
//         saved_bytes,saved_percent" records, the last one for "Total";
//         fields quoted when they need it.
//   Json: {"files": [{"path": ..., "status": ..., ...}, ...],
//          "total": {"files": N, "original_bytes": ..., ...}}; bytes of a
//         path that are not UTF-8 become U+FFFD.
enum class TReportFormat { Log, Csv, Json };

// "log", "csv" or "json".
bool ParseReportFormat(std::string_view name, TReportFormat& format);

// The whole report, each line ending with a line feed. A Log report of an
// empty list is empty (the window then shows EmptyLogMessage).
std::string ReportText(const std::vector<TFileEntry>& entries, TReportFormat format);

}  // namespace trimora
