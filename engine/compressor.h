#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "byte_buffer.h"
#include "rule_tree.h"

namespace trimora {

// How one compression ended.
enum class CompressStatus {
    Ok,
    CannotRead,  // the source file could not be read
    NoFormat,    // no file format matches the file's name
    PassFailed,  // the pass ran out of memory
    CannotSave,  // the result could not be written
};

// The sentence that begins a failure's Detail, before the file's path; empty for Ok.
std::string_view CompressStatusText(CompressStatus status) noexcept;

// The outcome of one Compress or CompressBytes, returned by the call itself.
struct CompressResult {
    CompressStatus Status = CompressStatus::Ok;
    std::int64_t Size = -1;  // bytes of the compressed text; -1 on failure
    std::string Detail;      // a failure as a sentence naming the file; empty on success

    [[nodiscard]] bool Ok() const noexcept { return Status == CompressStatus::Ok; }
    explicit operator bool() const noexcept { return Ok(); }
};

// Compresses files under one shared rule tree. Each compressor has its own
// buffers and runs one pass at a time; any number of them, on as many
// threads, can share one tree.
class TCompressor {
public:
    explicit TCompressor(TSharedRules rules) noexcept;

    // Compresses SourceFile and writes the result to DestFile, or over
    // SourceFile when DestFile is empty. On failure the destination is
    // exactly as it was.
    CompressResult Compress(const std::string& SourceFile, const std::string& DestFile);
    // The same in memory: fileName selects the format. On failure output is
    // empty. The pass builds its result in place in output, whose memory is
    // reused from call to call.
    CompressResult CompressBytes(std::string_view fileName, std::span<const std::uint8_t> input,
                                 TByteBuffer& output);
    // The same into a vector: the result is built in a buffer of this
    // compressor's and copied over.
    CompressResult CompressBytes(std::string_view fileName, std::span<const std::uint8_t> input,
                                 std::vector<std::uint8_t>& output);

    [[nodiscard]] const TSharedRules& Rules() const noexcept { return rules_; }
    // Takes another tree for the calls that follow.
    void SetRules(TSharedRules rules) noexcept { rules_ = std::move(rules); }

    // Tests compare the byte-at-a-time pass with its shortcuts.
    void SetFastPathsForTesting(bool enabled) noexcept { fastPaths_ = enabled; }

private:
    TSharedRules rules_;
    TByteBuffer input_, output_;  // of Compress, and output_ of CompressBytes into a vector
    bool fastPaths_ = true;
};

}  // namespace trimora
