// The virtual C64's character set: Brimwick's own 8 x 8 glyphs in the
// style of the C64's (no Commodore character ROM is used), laid out as the
// C64's 4 KB character ROM is, so the VIC-II reads it like that one: the
// upper-case set with graphics at $000 (what $D018 = $15 shows) and the
// lower-case set at $800 ($D018 = $17), each 256 glyphs of 8 bytes, one
// byte a row, the leftmost pixel in bit 7, screen codes $80-$FF the
// reversed copies of $00-$7F. The glyphs are drawn in character_glyphs.h;
// a malformed drawing fails the build.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace brimwick::c64::vc64 {

inline constexpr int kGlyphBytes = 8;
inline constexpr int kGlyphsPerSet = 256;
inline constexpr int kSetBytes = kGlyphsPerSet * kGlyphBytes;
inline constexpr int kCharacterSetBytes = 2 * kSetBytes;
inline constexpr int kLowerCaseSet = kSetBytes;  // offset of the lower-case set

using CharacterSet = std::array<std::uint8_t, kCharacterSetBytes>;

// Builds the table from a drawing (the format is described at the top of
// character_glyphs.h); constexpr, so a fault in the drawing is a build error.
constexpr CharacterSet buildCharacterSet(std::string_view drawing) {
    CharacterSet set{};
    auto nextLine = [&drawing](std::string_view& line) {
        if (drawing.empty()) return false;
        std::size_t end = drawing.find('\n');
        if (end == std::string_view::npos) end = drawing.size();
        line = drawing.substr(0, end);
        drawing.remove_prefix(end == drawing.size() ? end : end + 1);
        return true;
    };
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        throw "a glyph's code is two hex digits";
    };
    int base = -1;  // the set being drawn
    std::string_view line;
    while (nextLine(line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line == "upper") {
            base = 0;
            continue;
        }
        if (line == "lower") {
            // The lower-case set starts as the upper one, capitals moved to $41.
            for (int i = 0; i < kSetBytes / 2; ++i) set[kLowerCaseSet + i] = set[i];
            for (int i = 0; i < 26 * kGlyphBytes; ++i)
                set[kLowerCaseSet + 0x41 * kGlyphBytes + i] = set[0x01 * kGlyphBytes + i];
            base = kLowerCaseSet;
            continue;
        }
        if (base < 0 || line.size() < 2) throw "a glyph outside a set";
        int code = hex(line[0]) * 16 + hex(line[1]);
        if (code >= 0x80) throw "only codes $00-$7F are drawn";
        for (int row = 0; row < kGlyphBytes; ++row) {
            if (!nextLine(line) || line.size() != 8) throw "a glyph row is eight pixels";
            std::uint8_t bits = 0;
            for (char c : line) {
                if (c != '#' && c != '.') throw "a pixel is '#' or '.'";
                bits = static_cast<std::uint8_t>((bits << 1) | (c == '#' ? 1 : 0));
            }
            set[base + code * kGlyphBytes + row] = bits;
        }
    }
    for (int half : {0, kLowerCaseSet})
        for (int i = 0; i < kSetBytes / 2; ++i)
            set[half + kSetBytes / 2 + i] = static_cast<std::uint8_t>(~set[half + i]);
    return set;
}

// The table, built at compile time.
const CharacterSet& characterSet();

}  // namespace brimwick::c64::vc64
