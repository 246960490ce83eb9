// Reads and writes through the C64's banking and its I/O area.
#include "c64/machine/memory_map.h"

namespace brimwick::c64 {

namespace {
constexpr int kPowerOnBlock = 64;  // RAM powers on in blocks of $00 and $FF this long
}  // namespace

MemoryMap::MemoryMap() {
    for (int a = 0; a < kC64MemorySize; ++a)
        ram[static_cast<std::size_t>(a)] = (a / kPowerOnBlock) % 2 == 0 ? 0x00 : 0xFF;
    vicMemory_.ram = ram.data();
    vicMemory_.characterRom = characterRom.data();
    vicMemory_.colourRam = colourRam.data();
}

std::uint8_t MemoryMap::readIo(std::uint16_t address) {
    if (address < kSidBase) return vic.read(address & 0x3F);
    if (address < kColourRamStart) return sid.read(address & 0x1F);
    if (address < kCia1Base) return static_cast<std::uint8_t>(0xF0 | colourRam[address & 0x3FF]);
    if (address < kCia2Base) return cia1.read(address & 0x0F);
    if (address < kExpansionIoStart) return cia2.read(address & 0x0F);
    return expansionIo[address - kExpansionIoStart];
}

void MemoryMap::writeIo(std::uint16_t address, std::uint8_t value) {
    if (address < kSidBase)
        vic.write(address & 0x3F, value);
    else if (address < kColourRamStart)
        sid.write(address & 0x1F, value);
    else if (address < kCia1Base)
        colourRam[address & 0x3FF] = value & 0x0F;
    else if (address < kCia2Base)
        cia1.write(address & 0x0F, value);
    else if (address < kExpansionIoStart)
        cia2.write(address & 0x0F, value);
    else
        expansionIo[address - kExpansionIoStart] = value;
}

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
        return readIo(address);
    }
    return hiram ? kernalRom[address - kKernalRomStart] : ram[address];
}

void MemoryMap::write(std::uint16_t address, std::uint8_t value) {
    if (address >= kIoStart && address < kKernalRomStart) {
        // With I/O banked in, writes reach the chips instead of the RAM.
        const std::uint8_t port = portValue();
        if ((port & (kHiram | kLoram)) != 0 && (port & kCharen) != 0) {
            writeIo(address, value);
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
