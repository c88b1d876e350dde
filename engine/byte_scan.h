#pragma once

// Scans that find the next byte of interest sixteen bytes at a time (SSE2,
// which every x86-64 processor has), and a byte at a time elsewhere and for
// the tail that is shorter than sixteen bytes. Both give the same answer.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define TRIMORA_SSE2 1
#else
#define TRIMORA_SSE2 0
#endif

namespace trimora {

// The bytes a scan stops at: up to a handful, compared one by one.
template <std::size_t N>
struct TByteSet {
    std::array<std::uint8_t, N> Bytes;

    [[nodiscard]] constexpr bool Has(std::uint8_t c) const noexcept {
        bool found = false;
        for (std::uint8_t b : Bytes) found |= b == c;
        return found;
    }
};
template <typename... Chars>
constexpr auto ByteSet(Chars... chars) noexcept {
    return TByteSet<sizeof...(Chars)>{{static_cast<std::uint8_t>(chars)...}};
}

#if TRIMORA_SSE2
// A 16-bit mask of the lanes of chunk that hold one of the set's bytes.
template <std::size_t N>
struct TVectorSet {
    explicit TVectorSet(const TByteSet<N>& set) noexcept {
        for (std::size_t i = 0; i < N; ++i) Needles[i] = _mm_set1_epi8(static_cast<char>(set.Bytes[i]));
    }
    [[nodiscard]] __m128i Match(__m128i chunk) const noexcept {
        __m128i hit = _mm_cmpeq_epi8(chunk, Needles[0]);
        for (std::size_t i = 1; i < N; ++i) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(chunk, Needles[i]));
        return hit;
    }
    [[nodiscard]] unsigned Mask(__m128i chunk) const noexcept {
        return static_cast<unsigned>(_mm_movemask_epi8(Match(chunk)));
    }
    __m128i Needles[N];
};

inline __m128i LoadChunk(const std::uint8_t* at) noexcept {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}
inline void StoreChunk(std::uint8_t* at, __m128i chunk) noexcept {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), chunk);
}
#endif

// The first byte in [at, end) that is in set, or end.
template <std::size_t N>
inline const std::uint8_t* FindAny(const std::uint8_t* at, const std::uint8_t* end, const TByteSet<N>& set) noexcept {
#if TRIMORA_SSE2
    const TVectorSet<N> vectors(set);
    while (end - at >= 16) {
        if (const unsigned mask = vectors.Mask(LoadChunk(at)); mask != 0) return at + std::countr_zero(mask);
        at += 16;
    }
#endif
    while (at < end && !set.Has(*at)) ++at;
    return at;
}

// The first byte in [at, end) that is not in set, or end.
template <std::size_t N>
inline const std::uint8_t* FindNotAny(const std::uint8_t* at, const std::uint8_t* end,
                                      const TByteSet<N>& set) noexcept {
#if TRIMORA_SSE2
    const TVectorSet<N> vectors(set);
    while (end - at >= 16) {
        if (const unsigned mask = ~vectors.Mask(LoadChunk(at)) & 0xFFFFu; mask != 0)
            return at + std::countr_zero(mask);
        at += 16;
    }
#endif
    while (at < end && set.Has(*at)) ++at;
    return at;
}

// The first byte in [at, end) equal to stop, or end; seen becomes true when
// a byte before it is in set.
template <std::size_t N>
inline const std::uint8_t* FindNoting(const std::uint8_t* at, const std::uint8_t* end, std::uint8_t stop,
                                      const TByteSet<N>& set, bool& seen) noexcept {
#if TRIMORA_SSE2
    const TVectorSet<N> vectors(set);
    const __m128i stops = _mm_set1_epi8(static_cast<char>(stop));
    unsigned noted = 0;
    while (end - at >= 16) {
        const __m128i chunk = LoadChunk(at);
        const unsigned inSet = vectors.Mask(chunk);
        if (const unsigned stopMask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, stops)));
            stopMask != 0) {
            noted |= inSet & ((1u << std::countr_zero(stopMask)) - 1u);
            seen = seen || noted != 0;
            return at + std::countr_zero(stopMask);
        }
        noted |= inSet;
        at += 16;
    }
    seen = seen || noted != 0;
#endif
    for (; at < end && *at != stop; ++at) seen = seen || set.Has(*at);
    return at;
}

// Copies count bytes (at most 255) to buffer with a..z made A..Z, up to the
// first NUL; answers how many were copied.
inline std::size_t UpperCopyUntilNul(const char* text, std::size_t count, char* buffer) noexcept {
    std::size_t length = 0;
#if TRIMORA_SSE2
    const __m128i zero = _mm_setzero_si128();
    while (count - length >= 16) {
        const __m128i chunk = LoadChunk(reinterpret_cast<const std::uint8_t*>(text + length));
        // a..z moved to the bottom of the signed range, where one compare finds them.
        const __m128i moved = _mm_add_epi8(chunk, _mm_set1_epi8(static_cast<char>(128 - 'a')));
        const __m128i lower = _mm_cmplt_epi8(moved, _mm_set1_epi8(static_cast<char>(-128 + 26)));
        StoreChunk(reinterpret_cast<std::uint8_t*>(buffer + length),
                   _mm_sub_epi8(chunk, _mm_and_si128(lower, _mm_set1_epi8(32))));
        if (const unsigned nul = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, zero))); nul != 0)
            return length + static_cast<std::size_t>(std::countr_zero(nul));
        length += 16;
    }
#endif
    for (; length < count && text[length] != '\0'; ++length) {
        const char c = text[length];
        buffer[length] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    }
    return length;
}

}  // namespace trimora
