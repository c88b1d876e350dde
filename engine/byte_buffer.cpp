#include "byte_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#define TRIMORA_MAPPED_BUFFERS 1
#endif

namespace trimora {

namespace {
#if TRIMORA_MAPPED_BUFFERS
constexpr std::size_t HugePage = TByteBuffer::LargeSize;

std::size_t RoundToHugePage(std::size_t count) { return (count + HugePage - 1) / HugePage * HugePage; }

// Anonymous memory of count bytes (a multiple of the huge page) starting on
// a huge-page boundary, so that every part of it can be a huge page. The
// kernel hands it out zeroed and only as it is first touched.
std::uint8_t* MapPages(std::size_t count) {
    const std::size_t span = count + HugePage;
    void* mapped = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    auto* base = static_cast<std::uint8_t*>(mapped);
    const auto address = reinterpret_cast<std::uintptr_t>(base);
    std::uint8_t* aligned = base + (HugePage - address % HugePage) % HugePage;
    if (aligned != base) ::munmap(base, static_cast<std::size_t>(aligned - base));
    const std::size_t tail = static_cast<std::size_t>(base + span - (aligned + count));
    if (tail != 0) ::munmap(aligned + count, tail);
#ifdef MADV_HUGEPAGE
    // Where the system gives huge pages only on request; refused quietly elsewhere.
    (void)::madvise(aligned, count, MADV_HUGEPAGE);
#endif
    return aligned;
}
#endif
}  // namespace

TByteBuffer::TByteBuffer(TByteBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      mapped_(std::exchange(other.mapped_, false)) {}

TByteBuffer& TByteBuffer::operator=(TByteBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        mapped_ = std::exchange(other.mapped_, false);
    }
    return *this;
}

void TByteBuffer::Release() noexcept {
#if TRIMORA_MAPPED_BUFFERS
    if (mapped_) {
        ::munmap(data_, capacity_);
    } else
#endif
    {
        std::free(data_);
    }
    data_ = nullptr;
    size_ = capacity_ = 0;
    mapped_ = false;
}

void TByteBuffer::reserve(std::size_t count) {
    if (count <= capacity_) return;
    // Growing by half at least keeps appending linear.
    const std::size_t wanted = std::max(count, capacity_ + capacity_ / 2);
#if TRIMORA_MAPPED_BUFFERS
    if (wanted >= LargeSize) {
        const std::size_t bytes = RoundToHugePage(wanted);
        std::uint8_t* fresh = nullptr;
        if (mapped_) {
            // The kernel moves the pages themselves: nothing is copied.
            void* moved = ::mremap(data_, capacity_, bytes, MREMAP_MAYMOVE);
            if (moved == MAP_FAILED) throw std::bad_alloc();
            fresh = static_cast<std::uint8_t*>(moved);
#ifdef MADV_HUGEPAGE
            (void)::madvise(fresh, bytes, MADV_HUGEPAGE);
#endif
        } else {
            fresh = MapPages(bytes);
            if (size_ != 0) std::memcpy(fresh, data_, size_);
            std::free(data_);
        }
        data_ = fresh;
        capacity_ = bytes;
        mapped_ = true;
        return;
    }
#endif
    void* fresh = std::realloc(data_, wanted);
    if (fresh == nullptr) throw std::bad_alloc();
    data_ = static_cast<std::uint8_t*>(fresh);
    capacity_ = wanted;
}

void TByteBuffer::assign(const std::uint8_t* bytes, std::size_t count) {
    size_ = 0;
    resize_uninitialized(count);
    if (count != 0) std::memcpy(data_, bytes, count);
}

}  // namespace trimora
