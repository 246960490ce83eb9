// The virtual C64's 64 KB, as its link routine sees them. The CPU reads the
// BASIC ROM at $A000-$BFFF unless the processor port at $0001 banks it out
// (its two low bits not both set); writes always reach the RAM underneath.
// The ROM holds a recognisable pattern so that tests can tell which they got.
#pragma once

#include <array>
#include <cstdint>

namespace brimwick::c64::vc64 {

inline constexpr int kMemorySize = 0x10000;
inline constexpr int kBasicRomStart = 0xA000;
inline constexpr int kBasicRomEnd = 0xC000;  // one past the last ROM byte
inline constexpr int kProcessorPortAddress = 0x0001;
inline constexpr std::uint8_t kProcessorPortDefault = 0x37;  // BASIC, kernal, I/O visible

// The byte the BASIC ROM shows at an address: never equal to a fresh RAM byte.
constexpr std::uint8_t basicRomByte(int address) {
    return static_cast<std::uint8_t>(0xB0 ^ (address & 0xFF) ^ ((address >> 8) & 0xFF));
}

class C64Memory {
  public:
    std::array<std::uint8_t, kMemorySize> ram{};  // all RAM, including under the ROMs

    C64Memory() { ram[kProcessorPortAddress] = kProcessorPortDefault; }

    bool basicVisible() const { return (ram[kProcessorPortAddress] & 0x03) == 0x03; }
    // A CPU read: ROM where it is banked in, RAM elsewhere.
    std::uint8_t read(int address) const {
        address &= 0xFFFF;
        if (address >= kBasicRomStart && address < kBasicRomEnd && basicVisible())
            return basicRomByte(address);
        return ram[static_cast<std::size_t>(address)];
    }
    // A CPU write: always RAM.
    void write(int address, std::uint8_t value) {
        ram[static_cast<std::size_t>(address & 0xFFFF)] = value;
    }
    int readWord(int address) const { return read(address) | (read(address + 1) << 8); }
};

}  // namespace brimwick::c64::vc64
