// CIA 2 ($DD00-$DDFF), as far as the cable uses it: port A (whose bit 2 is
// the user port's PA2; bits 0-1 choose the VIC bank and bits 3-7 are the
// serial bus), port B (the user port's PB0-PB7) and their data direction
// registers. A port pin set as output shows its latch; an input pin shows
// what drives it from outside, or 1 through the chip's pull-up when nothing
// does. The timers, the time-of-day clock, the shift register and the
// interrupt sources are not emulated: their registers hold what was written.
#pragma once

#include <array>
#include <cstdint>

namespace brimwick::c64 {

inline constexpr std::uint16_t kCia2Base = 0xDD00;
inline constexpr int kCiaRegisterCount = 16;  // mirrored over the 256 bytes

// Register numbers.
inline constexpr int kCiaPortA = 0;
inline constexpr int kCiaPortB = 1;
inline constexpr int kCiaDirectionA = 2;
inline constexpr int kCiaDirectionB = 3;

class Cia2 {
  public:
    std::array<std::uint8_t, kCiaRegisterCount> registers{};  // as last written
    std::uint8_t externalA = 0xFF;  // levels driven into port A from outside (1 = high or open)
    std::uint8_t externalB = 0xFF;  // levels driven into port B from outside

    // Power-on and reset: every pin an input, every register 0.
    void reset() { registers.fill(0); }

    std::uint8_t read(int reg) const;
    void write(int reg, std::uint8_t value) { registers[static_cast<std::size_t>(reg & 0x0F)] = value; }

    // The level of each pin as the outside world sees it: outputs show their
    // latch, inputs are high unless driven low from outside.
    std::uint8_t pinsA() const { return pins(kCiaPortA, kCiaDirectionA, externalA); }
    std::uint8_t pinsB() const { return pins(kCiaPortB, kCiaDirectionB, externalB); }

  private:
    std::uint8_t pins(int port, int direction, std::uint8_t external) const {
        std::uint8_t out = registers[static_cast<std::size_t>(direction)];
        return static_cast<std::uint8_t>((registers[static_cast<std::size_t>(port)] & out) |
                                         (external & ~out));
    }
};

}  // namespace brimwick::c64
