#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace trimora {

// The text of the tag being read. Only its beginning ever matters (the name,
// cut at 255 characters, and its first byte), so it keeps the first bytes
// and counts the rest: a tag megabytes long costs no memory and no
// allocation, and compares exactly as the whole text would.
class TagTextBuffer {
public:
    static constexpr std::size_t Capacity = 512;

    void Clear() noexcept { size_ = 0; }
    void Append(std::uint8_t c) noexcept {
        if (size_ < Capacity) text_[size_] = static_cast<char>(c);
        ++size_;
    }
    // Appends count bytes, as count calls of Append would.
    void AppendBytes(const std::uint8_t* bytes, std::size_t count) noexcept {
        if (size_ < Capacity) std::memcpy(text_ + size_, bytes, std::min(count, Capacity - size_));
        size_ += count;
    }
    void Assign(std::string_view text) noexcept {
        size_ = text.size();
        std::memcpy(text_, text.data(), std::min(text.size(), Capacity));
    }
    [[nodiscard]] bool Empty() const noexcept { return size_ == 0; }
    [[nodiscard]] std::size_t Size() const noexcept { return size_; }
    [[nodiscard]] std::uint8_t Front() const noexcept { return static_cast<std::uint8_t>(text_[0]); }
    [[nodiscard]] bool StartsWith(char c) const noexcept { return size_ != 0 && text_[0] == c; }
    // The bytes kept: all of them unless the text is longer than Capacity.
    [[nodiscard]] std::string_view Stored() const noexcept { return {text_, std::min(size_, Capacity)}; }
    [[nodiscard]] bool Equals(std::string_view text) const noexcept { return size_ == text.size() && Stored() == text; }

private:
    char text_[Capacity];
    std::size_t size_ = 0;
};

}  // namespace trimora
