// The emulated C64: a 6510 on the C64's memory map with CIA 2 for the user
// port, and the /RESET line. It runs real C64 code (a kernal image and
// programs) instruction by instruction and counts its clock cycles.
#pragma once

#include <cstdint>
#include <vector>

#include "c64/machine/cpu6510.h"
#include "c64/machine/memory_map.h"

namespace brimwick::c64 {

// The clock of a PAL C64, in cycles per second.
inline constexpr int kPalClockHz = 985'248;

class EmulatedC64 {
  public:
    MemoryMap memory;            // RAM, ROMs, processor port and CIA 2
    Cpu6510 cpu{memory};         // the processor
    bool resetHeld = false;      // the /RESET line is held low

    // Installs an 8 KB kernal image (and optionally BASIC) and resets.
    void powerOn(const std::vector<std::uint8_t>& kernal,
                 const std::vector<std::uint8_t>& basic = {});
    // What releasing /RESET does: the processor port and CIA 2 become
    // inputs, the processor starts at the reset vector. RAM is kept.
    void reset();
    // One instruction; while /RESET is held only the clock moves.
    int step();
    // Runs until `cycles` more cycles have passed.
    void run(std::uint64_t cycles);
    std::uint64_t cycles() const { return cpu.cycles; }
};

}  // namespace brimwick::c64
