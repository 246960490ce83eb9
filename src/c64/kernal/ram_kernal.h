// What a patched kernal needs to run from the RAM under the kernal ROM. A
// C64 can run its kernal and BASIC from RAM (the processor port $01 at $35
// instead of $37), but its own routines undo that: IOINIT writes $E7 to $01
// (ROMs back in) at every reset, RUN/STOP+RESTORE and call of $FF84; RAMTAS
// finds RAM up to $D000 under $35, so BASIC's strings would grow down over
// the RAM copy of BASIC; and the reset and the NMI jump to a program that
// shows the "CBM80" signature at $8004, which is how the RAM kernal loader
// (ram_loader.a64) comes back after a reset. The RAM copy therefore writes
// $E5 to $01 in IOINIT, tops BASIC's memory at the loader, and ignores the
// signature in its own reset and NMI (the loader's reset entry goes to the
// RAM copy's reset, which must not jump back to the loader). Everything is
// found by its structure, as the patcher finds its hooks.
#pragma once

#include <cstdint>
#include <vector>

#include "c64/kernal/kernal_patcher.h"

namespace brimwick::c64 {

// Where the loader keeps its resident part (its signature at $8004); the
// top of BASIC's memory under the RAM kernal.
inline constexpr std::uint16_t kRamLoaderStart = 0x8000;
// $01 with BASIC and the kernal in RAM and I/O in view.
inline constexpr std::uint8_t kRamBanking = 0x35;

// One byte in which the RAM copy differs from the patched image.
struct RamFix {
    std::uint16_t address;  // $E000-$FFFF
    std::uint8_t value;     // what the RAM copy holds there
};

// The bytes that make a patched kernal (patchKernal's result) run from RAM;
// throws PatchError naming what it cannot find.
std::vector<RamFix> ramKernalFixes(const std::vector<std::uint8_t>& patched);

// The patched image with those fixes applied.
std::vector<std::uint8_t> ramKernal(const std::vector<std::uint8_t>& patched);

}  // namespace brimwick::c64
