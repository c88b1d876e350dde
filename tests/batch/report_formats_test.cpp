#include <gtest/gtest.h>

#include "report_formats.h"

namespace trimora::test {
namespace {

std::vector<TFileEntry> Entries() {
    std::vector<TFileEntry> entries(3);
    entries[0].Folder = "/site/";
    entries[0].Name = "index.htm";
    entries[0].OriginalSize = 1000;
    entries[0].Size = 667;
    entries[0].Status = TEntryStatus::Finished;
    entries[1].Folder = "/site/a,b \"x\"/";
    entries[1].Name = "new.htm";
    entries[1].Size = 250;
    entries[1].Status = TEntryStatus::CompressFailed;
    entries[2].Folder = "/site/\xff/";
    entries[2].Name = "e\tmpty.htm";
    entries[2].OriginalSize = 0;
    entries[2].Size = 0;
    entries[2].Status = TEntryStatus::Finished;
    return entries;
}

struct FormatCase {
    const char* Name;
    TReportFormat Format;
    std::vector<TFileEntry> Entries;
    std::string Text;
};
class ReportFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ReportFormatTest, WritesOneRecordPerFileAndTheTotals) {
    EXPECT_EQ(ReportText(GetParam().Entries, GetParam().Format), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReportFormatTest,
    ::testing::Values(
        FormatCase{"Csv", TReportFormat::Csv, Entries(),
                   "path,status,original_bytes,compressed_bytes,saved_bytes,saved_percent\n"
                   "/site/index.htm,Finished,1000,667,333,33.3\n"
                   "\"/site/a,b \"\"x\"\"/new.htm\",Compress Failed,250,250,0,0.0\n"
                   "/site/\xff/e\tmpty.htm,Finished,0,0,0,0.0\n"
                   "Total,,1250,917,333,26.6\n"},
        FormatCase{"Json", TReportFormat::Json, Entries(),
                   "{\n  \"files\": [\n"
                   "    {\"path\": \"/site/index.htm\", \"status\": \"Finished\", \"original_bytes\": 1000, "
                   "\"compressed_bytes\": 667, \"saved_bytes\": 333, \"saved_percent\": 33.3},\n"
                   "    {\"path\": \"/site/a,b \\\"x\\\"/new.htm\", \"status\": \"Compress Failed\", "
                   "\"original_bytes\": 250, \"compressed_bytes\": 250, \"saved_bytes\": 0, \"saved_percent\": 0.0},\n"
                   "    {\"path\": \"/site/\xEF\xBF\xBD/e\\u0009mpty.htm\", \"status\": \"Finished\", "
                   "\"original_bytes\": 0, \"compressed_bytes\": 0, \"saved_bytes\": 0, \"saved_percent\": 0.0}\n"
                   "  ],\n"
                   "  \"total\": {\"files\": 3, \"original_bytes\": 1250, \"compressed_bytes\": 917, "
                   "\"saved_bytes\": 333, \"saved_percent\": 26.6}\n}\n"},
        FormatCase{"JsonEmpty", TReportFormat::Json, {},
                   "{\n  \"files\": [],\n  \"total\": {\"files\": 0, \"original_bytes\": 0, \"compressed_bytes\": 0, "
                   "\"saved_bytes\": 0, \"saved_percent\": 0.0}\n}\n"},
        FormatCase{"LogIsTheViewLogText", TReportFormat::Log, {Entries()[0]},
                   "File Name\tOriginal Size\tCompressed Size\tSaved\t% Saved\n"
                   "/site/index.htm\t1000 bytes\t667 bytes\t333 bytes\t33%\n"
                   "Total\t1000 bytes\t667 bytes\t333 bytes\t33%\n"},
        FormatCase{"LogOfNothing", TReportFormat::Log, {}, ""}),
    [](const auto& testInfo) { return std::string(testInfo.param.Name); });

TEST(ReportFormat, Names) {
    TReportFormat format = TReportFormat::Log;
    EXPECT_TRUE(ParseReportFormat("json", format));
    EXPECT_EQ(format, TReportFormat::Json);
    EXPECT_FALSE(ParseReportFormat("JSON", format));
    EXPECT_FALSE(ParseReportFormat("xml", format));
}

}  // namespace
}  // namespace trimora::test
