// The 16 colours of the emulated C64's picture, as 0xRRGGBB. One fixed
// palette: the widely published values measured from a PAL C64's video
// output by Philip "Pepto" Timmermann (2001), which most C64 users know.
#pragma once

#include <array>
#include <cstdint>

namespace brimwick::c64 {

inline constexpr int kColourCount = 16;

inline constexpr std::array<std::uint32_t, kColourCount> kPalette = {
    0x000000,  //  0 black
    0xFFFFFF,  //  1 white
    0x68372B,  //  2 red
    0x70A4B2,  //  3 cyan
    0x6F3D86,  //  4 purple
    0x588D43,  //  5 green
    0x352879,  //  6 blue
    0xB8C76F,  //  7 yellow
    0x6F4F25,  //  8 orange
    0x433900,  //  9 brown
    0x9A6759,  // 10 light red
    0x444444,  // 11 dark grey
    0x6C6C6C,  // 12 grey
    0x9AD284,  // 13 light green
    0x6C5EB5,  // 14 light blue
    0x959595,  // 15 light grey
};

}  // namespace brimwick::c64
