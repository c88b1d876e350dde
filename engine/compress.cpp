#include "file_io.h"
#include "trimora.h"

namespace trimora {

std::int64_t TTrimora::Compress(const std::string& SourceFile, const std::string& DestFile) {
    lastFailure_ = CompressFailure::None;
    lastFailurePath_ = SourceFile;
    std::vector<std::uint8_t> input;
    if (ReadWholeFile(SourceFile, input) != ReadResult::Ok) {
        lastFailure_ = CompressFailure::CannotRead;
        return -1;
    }
    std::vector<std::uint8_t> output;
    if (!CompressBytes(SourceFile, input, output)) return -1;
    const std::string& target = DestFile.empty() ? SourceFile : DestFile;
    if (!WriteFileReplacing(target, output.data(), output.size())) {
        lastFailure_ = CompressFailure::CannotSave;
        lastFailurePath_ = target;
        return -1;
    }
    return static_cast<std::int64_t>(output.size());
}

// Provisional: the markup pass replaces this copy.
bool TTrimora::CompressBytes(std::string_view fileName, std::span<const std::uint8_t> input,
                             std::vector<std::uint8_t>& output) {
    output.clear();
    if (FindFormat(fileName) < 0) {
        lastFailure_ = CompressFailure::NoFormat;
        lastFailurePath_ = std::string(fileName);
        return false;
    }
    output.assign(input.begin(), input.end());
    return true;
}

std::string TTrimora::LastFailureText() const {
    switch (lastFailure_) {
        case CompressFailure::None: return {};
        case CompressFailure::CannotRead: return "Cannot open file " + lastFailurePath_;
        case CompressFailure::NoFormat: return "No file format matches " + lastFailurePath_;
        case CompressFailure::PassFailed: return "Compressing failed for " + lastFailurePath_;
        case CompressFailure::CannotSave: return "Cannot create file " + lastFailurePath_;
    }
    return {};
}

}  // namespace trimora
