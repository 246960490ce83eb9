// Power-on, reset and running of the emulated C64.
#include "c64/machine/emulated_c64.h"

#include <algorithm>

namespace brimwick::c64 {

void EmulatedC64::powerOn(const std::vector<std::uint8_t>& kernal,
                          const std::vector<std::uint8_t>& basic) {
    memory.kernalRom.fill(0);
    std::copy_n(kernal.begin(), std::min<std::size_t>(kernal.size(), kRomSize),
                memory.kernalRom.begin());
    memory.basicRom.fill(0);
    std::copy_n(basic.begin(), std::min<std::size_t>(basic.size(), kRomSize),
                memory.basicRom.begin());
    resetHeld = false;
    reset();
}

void EmulatedC64::reset() {
    memory.resetPort();
    memory.cia2.reset();
    cpu.irqLine = false;
    cpu.reset();
}

int EmulatedC64::step() {
    if (resetHeld || cpu.jammed) {
        ++cpu.cycles;
        return 1;
    }
    return cpu.step();
}

void EmulatedC64::run(std::uint64_t cycles) {
    const std::uint64_t end = cpu.cycles + cycles;
    while (cpu.cycles < end) step();
}

}  // namespace brimwick::c64
