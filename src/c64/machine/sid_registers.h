// The SID ($D400-$D7FF, 32 registers mirrored): there is no sound, but its
// registers are kept so that programs that write them and read back the
// readable ones run. Of the read registers, the paddles ($19, $1A) read $FF
// (no paddles plugged in), the oscillator 3 output ($1B) reads a changing
// value (BASIC's RND(0) and many games seed from it) and envelope 3 ($1C)
// reads 0; the write-only registers read 0.
#pragma once

#include <array>
#include <cstdint>

namespace brimwick::c64 {

inline constexpr std::uint16_t kSidBase = 0xD400;
inline constexpr int kSidRegisterCount = 32;

class SidRegisters {
  public:
    std::array<std::uint8_t, kSidRegisterCount> registers{};  // as last written
    std::uint32_t noise = 0x7FFFF8;                           // oscillator 3's stand-in shift register

    // /RESET clears every register.
    void reset() { registers.fill(0); }
    void write(int reg, std::uint8_t value) { registers[static_cast<std::size_t>(reg & 0x1F)] = value; }
    std::uint8_t read(int reg) {
        switch (reg & 0x1F) {
            case 0x19:
            case 0x1A: return 0xFF;
            case 0x1B: {
                // A 23-bit noise register (taps 22 and 17), one step a read.
                const std::uint32_t bit = ((noise >> 22) ^ (noise >> 17)) & 1U;
                noise = ((noise << 1) | bit) & 0x7FFFFFU;
                return static_cast<std::uint8_t>(noise >> 15);
            }
            default: return 0;
        }
    }
};

}  // namespace brimwick::c64
