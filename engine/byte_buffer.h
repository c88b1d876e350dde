#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace trimora {

// A growable byte array that never fills what it adds: the engine's input
// and output buffers, which are written in full before they are read. Large
// buffers come straight from the system in whole huge pages where it offers
// them, so that a file of 50 MB costs a few dozen page faults instead of
// ten thousand. Capacity is kept across clear(), so one buffer serves file
// after file without asking the system again.
class TByteBuffer {
public:
    TByteBuffer() noexcept = default;
    ~TByteBuffer() { Release(); }
    TByteBuffer(TByteBuffer&& other) noexcept;
    TByteBuffer& operator=(TByteBuffer&& other) noexcept;
    TByteBuffer(const TByteBuffer&) = delete;
    TByteBuffer& operator=(const TByteBuffer&) = delete;

    [[nodiscard]] std::uint8_t* data() noexcept { return data_; }
    [[nodiscard]] const std::uint8_t* data() const noexcept { return data_; }
    [[nodiscard]] std::size_t size() const noexcept { return size_; }
    [[nodiscard]] std::size_t capacity() const noexcept { return capacity_; }
    [[nodiscard]] bool empty() const noexcept { return size_ == 0; }
    [[nodiscard]] const std::uint8_t* begin() const noexcept { return data_; }
    [[nodiscard]] const std::uint8_t* end() const noexcept { return data_ + size_; }
    [[nodiscard]] std::span<const std::uint8_t> Bytes() const noexcept { return {data_, size_}; }
    std::uint8_t& operator[](std::size_t index) noexcept { return data_[index]; }
    std::uint8_t operator[](std::size_t index) const noexcept { return data_[index]; }

    void clear() noexcept { size_ = 0; }
    // Room for at least count bytes; the bytes held stay. Throws
    // std::bad_alloc when the system has no memory for it.
    void reserve(std::size_t count);
    // The size becomes count. Bytes added are not set: the caller writes them.
    void resize_uninitialized(std::size_t count) {
        if (count > capacity_) reserve(count);
        size_ = count;
    }
    // Replaces the contents with a copy of these bytes.
    void assign(const std::uint8_t* bytes, std::size_t count);
    // Gives the memory back.
    void Release() noexcept;

    // Buffers of at least this many bytes are mapped pages of their own.
    static constexpr std::size_t LargeSize = std::size_t{1} << 21;

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    bool mapped_ = false;  // from the system's page mapping rather than the heap
};

}  // namespace trimora
