#include "compressor.h"

#include <new>
#include <utility>

#include "file_io.h"
#include "markup_pass.h"

namespace trimora {

namespace {
struct StatusText {
    CompressStatus Status;
    std::string_view Text;
};
constexpr StatusText StatusTexts[] = {
    {CompressStatus::Ok, ""},
    {CompressStatus::CannotRead, "Cannot open file"},
    {CompressStatus::NoFormat, "No file format matches the name"},
    {CompressStatus::PassFailed, "Out of memory while compressing"},
    {CompressStatus::CannotSave, "Cannot create file"},
};

CompressResult Failure(CompressStatus status, std::string_view path) {
    CompressResult result;
    result.Status = status;
    result.Detail = std::string(CompressStatusText(status)) + ' ' + std::string(path);
    return result;
}
}  // namespace

std::string_view CompressStatusText(CompressStatus status) noexcept {
    for (const StatusText& row : StatusTexts)
        if (row.Status == status) return row.Text;
    return {};
}

TCompressor::TCompressor(TSharedRules rules) noexcept : rules_(std::move(rules)) {}

CompressResult TCompressor::Compress(const std::string& SourceFile, const std::string& DestFile) {
    if (ReadWholeFile(SourceFile, input_) != ReadResult::Ok) return Failure(CompressStatus::CannotRead, SourceFile);
    CompressResult result = CompressBytes(SourceFile, input_.Bytes(), output_);
    input_.clear();
    if (!result) return result;
    const std::string& target = DestFile.empty() ? SourceFile : DestFile;
    if (!WriteFileReplacing(target, output_.data(), output_.size())) return Failure(CompressStatus::CannotSave, target);
    return result;
}

CompressResult TCompressor::CompressBytes(std::string_view fileName, std::span<const std::uint8_t> input,
                                          std::vector<std::uint8_t>& output) {
    CompressResult result = CompressBytes(fileName, input, output_);
    output.assign(output_.begin(), output_.end());
    return result;
}

CompressResult TCompressor::CompressBytes(std::string_view fileName, std::span<const std::uint8_t> input,
                                          TByteBuffer& output) {
    output.clear();
    const TRuleTree* rules = rules_.get();
    const std::int32_t formatIndex = rules != nullptr ? rules->FindFormat(fileName) : -1;
    if (formatIndex < 0) return Failure(CompressStatus::NoFormat, fileName);
    try {
        TMarkupPass pass(*rules, formatIndex, input, output, fastPaths_);
        pass.Run();
    } catch (const std::bad_alloc&) {
        output.Release();
        return Failure(CompressStatus::PassFailed, fileName);
    }
    CompressResult result;
    result.Size = static_cast<std::int64_t>(output.size());
    return result;
}

}  // namespace trimora
