#pragma once

#include <array>
#include <cstdint>

namespace trimora {

// The bytes the pass tests by name.
inline constexpr std::uint8_t Nul = 0;
inline constexpr std::uint8_t Space = ' ';
inline constexpr std::uint8_t Less = '<';
inline constexpr std::uint8_t Greater = '>';

// Byte classes of the engine, one table for the hot scans.
enum CharClassBits : std::uint8_t {
    ccWhitespace = 1,  // TAB, LF, CR, SPACE
    ccQuote = 2,       // '"' and '\''
    ccLineBreak = 4,   // LF, CR
    ccSeparator = 8,   // style-sheet separators , : ; { }
    ccLower = 16,      // a..z
};

inline constexpr std::array<std::uint8_t, 256> CharClasses = [] {
    std::array<std::uint8_t, 256> table{};
    table['\t'] = ccWhitespace;
    table['\n'] = ccWhitespace | ccLineBreak;
    table['\r'] = ccWhitespace | ccLineBreak;
    table[' '] = ccWhitespace;
    table['"'] = ccQuote;
    table['\''] = ccQuote;
    for (unsigned char c : {',', ':', ';', '{', '}'}) table[c] = ccSeparator;
    for (int c = 'a'; c <= 'z'; ++c) table[static_cast<std::size_t>(c)] = ccLower;
    return table;
}();

constexpr bool IsWhitespace(std::uint8_t c) noexcept { return (CharClasses[c] & ccWhitespace) != 0; }
constexpr bool IsQuoteChar(std::uint8_t c) noexcept { return (CharClasses[c] & ccQuote) != 0; }
constexpr bool IsLineBreak(std::uint8_t c) noexcept { return (CharClasses[c] & ccLineBreak) != 0; }
constexpr bool IsStyleSeparator(std::uint8_t c) noexcept { return (CharClasses[c] & ccSeparator) != 0; }
constexpr std::uint8_t UpperAscii(std::uint8_t c) noexcept {
    return (CharClasses[c] & ccLower) != 0 ? static_cast<std::uint8_t>(c - 32) : c;
}

}  // namespace trimora
