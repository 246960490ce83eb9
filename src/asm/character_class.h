// Character classes of the source scanner. TurboAss sources are plain ASCII;
// lines end with CR LF (as TurboAss wrote them on a PC) or with LF alone (as
// Linux editors write them). Bytes 0..8 and 128..255 make a source invalid.
#pragma once

#include <cstdint>

namespace brimwick::assembler {

inline bool isIdentifierStart(std::uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

inline bool isIdentifierChar(std::uint8_t c) {
    return isIdentifierStart(c) || (c >= '0' && c <= '9');
}

inline bool isLetter(std::uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline bool isDecimalDigit(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

// Bytes that are invalid wherever they stand (and are not consumed as tokens).
inline bool isInvalidByte(std::uint8_t c) {
    return c <= 8 || c >= 128;
}

// Characters a string may hold (note: from 20, not from the space).
inline bool isStringChar(std::uint8_t c) {
    return c >= 20 && c <= 127 && c != '"';
}

// The C64's character set for strings and character constants: lower-case
// letters become the unshifted letters $41..$5A, upper-case the shifted
// letters $C1..$DA; everything else keeps its code.
constexpr std::uint8_t toPetscii(std::uint8_t c) {
    if (c >= 'a' && c <= 'z') return static_cast<std::uint8_t>(c ^ 0x20);
    if (c >= 'A' && c <= 'Z') return static_cast<std::uint8_t>(c | 0x80);
    return c;
}

}  // namespace brimwick::assembler
