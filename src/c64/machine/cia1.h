// CIA 1 ($DC00-$DCFF) as the C64 wires it: the keyboard matrix between its
// two ports and the joysticks on the same pins. The kernal drives one port A
// line low at a time (a "column") and reads on port B which keys of that
// column are down (a "row" line pulled low); a program may drive port B and
// read port A the other way round, and both work as the switches connect
// the lines. Joystick 2 pulls port A bits 0-4 low (up, down, left, right,
// fire), joystick 1 the same bits of port B, which is why a joystick in port
// 2 moved during a keyboard scan looks like keys. Its interrupt output is
// the processor's IRQ line (with the VIC-II's); RESTORE is not in the
// matrix: it pulls NMI (emulated_c64.h).
#pragma once

#include <array>
#include <cstdint>

#include "c64/machine/cia6526.h"

namespace brimwick::c64 {

inline constexpr std::uint16_t kCia1Base = 0xDC00;

// Joystick lines (active low on the port, set here as 1 = pressed).
inline constexpr std::uint8_t kJoyUp = 0x01;
inline constexpr std::uint8_t kJoyDown = 0x02;
inline constexpr std::uint8_t kJoyLeft = 0x04;
inline constexpr std::uint8_t kJoyRight = 0x08;
inline constexpr std::uint8_t kJoyFire = 0x10;

class Cia1 : public Cia6526 {
  public:
    std::array<std::uint8_t, 8> keyColumns{};  // per port A line: the port B lines of keys held down
    std::uint8_t joystick1 = 0;                // port 1's switches closed (kJoy*)
    std::uint8_t joystick2 = 0;                // port 2's switches closed

    // The ports as the processor reads them through the switches.
    std::uint8_t read(int reg);

    // A key of the matrix: `column` is its port A line, `row` its port B line.
    void setKey(int column, int row, bool down);
    void releaseAllKeys() { keyColumns.fill(0); }

    // The levels on the two ports with every closed switch connecting them.
    std::uint8_t levelsA() const;
    std::uint8_t levelsB() const;
};

}  // namespace brimwick::c64
