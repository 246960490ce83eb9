// The few bytes of the 1541's ROM ($C000-$FFFF) that C64 programs read with
// M-R to find out which drive they talk to. Programs look at the DOS version
// text ("CBM DOS V2.6 1541", whose "4" at $E5C6 tells a 1541 from a 1571 or
// 1581) and at the processor vectors at the top of memory. No DOS code runs
// in this drive, so every other ROM byte reads as $00.
#pragma once

#include <cstdint>

namespace brimwick::drive {

inline constexpr std::int32_t kRomStart = 0xC000;          // first ROM address
inline constexpr std::int32_t kVersionTextAddress = 0xE5B7;  // "CBM DOS V2.6 1541"
inline constexpr char kVersionText[] = "CBM DOS V2.6 1541";
inline constexpr std::int32_t kVectorsAddress = 0xFFFA;  // NMI, RESET, IRQ
inline constexpr std::uint8_t kVectors[] = {0x01, 0xFF, 0xA0, 0xEA, 0x67, 0xFE};

// The byte a 1541 holds at a ROM address, as far as programs are known to
// look; $00 elsewhere and below the ROM.
constexpr std::uint8_t driveRomByte(std::int32_t address) {
    constexpr std::int32_t textLength = sizeof kVersionText - 1;
    if (address >= kVersionTextAddress && address < kVersionTextAddress + textLength)
        return static_cast<std::uint8_t>(kVersionText[address - kVersionTextAddress]);
    if (address >= kVectorsAddress && address < kVectorsAddress + static_cast<std::int32_t>(sizeof kVectors))
        return kVectors[address - kVectorsAddress];
    return 0;
}

static_assert(driveRomByte(0xE5C6) == '4', "the byte that tells a 1541");

}  // namespace brimwick::drive
