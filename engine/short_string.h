#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace trimora {

// A length-prefixed string of fixed capacity, as the rule tree stores its
// names (10 characters) and patterns (255). Longer texts are cut when stored.
// Copying and comparing never allocate.
template <std::size_t Capacity>
class ShortString {
    static_assert(Capacity > 0 && Capacity <= 255, "the length prefix is one byte");

public:
    static constexpr std::size_t MaxSize = Capacity;

    constexpr ShortString() = default;
    ShortString(std::string_view text) { Assign(text); }  // NOLINT: implicit on purpose
    ShortString(const char* text) { Assign(std::string_view(text)); }  // NOLINT

    ShortString(const ShortString& other) noexcept { CopyFrom(other); }
    ShortString& operator=(const ShortString& other) noexcept {
        if (this != &other) CopyFrom(other);
        return *this;
    }

    void Assign(std::string_view text) noexcept {
        length_ = static_cast<std::uint8_t>(std::min(text.size(), Capacity));
        if (length_ != 0) std::memcpy(text_, text.data(), length_);
    }
    ShortString& operator=(std::string_view text) noexcept {
        Assign(text);
        return *this;
    }
    ShortString& operator=(const char* text) noexcept {
        Assign(std::string_view(text));
        return *this;
    }

    void Clear() noexcept { length_ = 0; }
    // Appends while there is room; a full string stays as it is.
    void Append(char c) noexcept {
        if (length_ < Capacity) text_[length_++] = c;
    }
    [[nodiscard]] bool Full() const noexcept { return length_ == Capacity; }
    // Appends as many of the bytes as there is room for.
    void AppendBytes(const void* bytes, std::size_t count) noexcept {
        const std::size_t take = std::min(count, Capacity - length_);
        if (take == 0) return;
        std::memcpy(text_ + length_, bytes, take);
        length_ = static_cast<std::uint8_t>(length_ + take);
    }
    [[nodiscard]] std::size_t Size() const noexcept { return length_; }
    [[nodiscard]] bool Empty() const noexcept { return length_ == 0; }
    [[nodiscard]] const char* Data() const noexcept { return text_; }
    [[nodiscard]] std::string_view View() const noexcept { return {text_, length_}; }
    [[nodiscard]] std::string Str() const { return std::string(View()); }
    operator std::string_view() const noexcept { return View(); }  // NOLINT
    char operator[](std::size_t index) const noexcept { return text_[index]; }

private:
    void CopyFrom(const ShortString& other) noexcept {
        if constexpr (Capacity <= 16) {
            std::memcpy(static_cast<void*>(this), &other, sizeof *this);  // a few bytes: copy them all
        } else {
            length_ = other.length_;
            if (length_ != 0) std::memcpy(text_, other.text_, length_);
        }
    }

    std::uint8_t length_ = 0;
    char text_[Capacity];  // only the first length_ bytes are ever read
};

template <std::size_t A, std::size_t B>
bool operator==(const ShortString<A>& left, const ShortString<B>& right) noexcept {
    return left.View() == right.View();
}
template <std::size_t A>
bool operator==(const ShortString<A>& left, std::string_view right) noexcept {
    return left.View() == right;
}

using NameString = ShortString<10>;
using PatternString = ShortString<255>;

}  // namespace trimora
