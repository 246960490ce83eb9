// Register reads of CIA 2.
#include "c64/machine/cia2.h"

namespace brimwick::c64 {

std::uint8_t Cia2::read(int reg) const {
    reg &= 0x0F;
    if (reg == kCiaPortA) return pinsA();
    if (reg == kCiaPortB) return pinsB();
    return registers[static_cast<std::size_t>(reg)];
}

}  // namespace brimwick::c64
