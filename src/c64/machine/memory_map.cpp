// Reads and writes through the C64's banking.
#include "c64/machine/memory_map.h"

namespace brimwick::c64 {

std::uint8_t MemoryMap::read(std::uint16_t address) {
    if (address == kPortDirectionAddress) return portDirection;
    if (address == kPortDataAddress) return portValue();
    if (address < kBasicRomStart) return ram[address];
    const std::uint8_t port = portValue();
    const bool hiram = (port & kHiram) != 0;
    const bool loram = (port & kLoram) != 0;
    if (address < 0xC000) return (hiram && loram) ? basicRom[address - kBasicRomStart] : ram[address];
    if (address < kIoStart) return ram[address];
    if (address < kKernalRomStart) {
        if (!hiram && !loram) return ram[address];
        if ((port & kCharen) == 0) return characterRom[address - kIoStart];
        if ((address & 0xFF00) == kCia2Base) return cia2.read(address & 0x0F);
        return ioRegisters[address - kIoStart];
    }
    return hiram ? kernalRom[address - kKernalRomStart] : ram[address];
}

void MemoryMap::write(std::uint16_t address, std::uint8_t value) {
    if (address >= kIoStart && address < kKernalRomStart) {
        // With I/O banked in, writes reach the chips instead of the RAM.
        const std::uint8_t port = portValue();
        if ((port & (kHiram | kLoram)) != 0 && (port & kCharen) != 0) {
            if ((address & 0xFF00) == kCia2Base)
                cia2.write(address & 0x0F, value);
            else
                ioRegisters[address - kIoStart] = value;
            return;
        }
    }
    ram[address] = value;
    if (address == kPortDirectionAddress) portDirection = value;
    if (address == kPortDataAddress) portData = value;
}

void MemoryMap::load(std::uint16_t address, const std::vector<std::uint8_t>& bytes) {
    for (std::uint8_t b : bytes) ram[address++] = b;
}

}  // namespace brimwick::c64
