// The keyboard matrix and the joysticks on CIA 1's ports.
#include "c64/machine/cia1.h"

namespace brimwick::c64 {

std::uint8_t Cia1::levelsA() const {
    // Port A's own drive, pulled low by joystick 2 and by keys whose row
    // line port B holds low.
    std::uint8_t a = static_cast<std::uint8_t>(pins(portA, directionA, externalA) & ~joystick2);
    std::uint8_t b = static_cast<std::uint8_t>(pins(portB, directionB, externalB) & ~joystick1);
    for (int column = 0; column < 8; ++column)
        if ((keyColumns[static_cast<std::size_t>(column)] & ~b) != 0)
            a &= static_cast<std::uint8_t>(~(1 << column));
    return a;
}

std::uint8_t Cia1::levelsB() const {
    std::uint8_t a = static_cast<std::uint8_t>(pins(portA, directionA, externalA) & ~joystick2);
    std::uint8_t b = static_cast<std::uint8_t>(pins(portB, directionB, externalB) & ~joystick1);
    for (int column = 0; column < 8; ++column)
        if ((a & (1 << column)) == 0) b &= static_cast<std::uint8_t>(~keyColumns[static_cast<std::size_t>(column)]);
    return b;
}

std::uint8_t Cia1::read(int reg) {
    reg &= 0x0F;
    if (reg == kCiaPortA) return levelsA();
    if (reg == kCiaPortB) return levelsB();
    return Cia6526::read(reg);
}

void Cia1::setKey(int column, int row, bool down) {
    auto& lines = keyColumns[static_cast<std::size_t>(column & 7)];
    const auto bit = static_cast<std::uint8_t>(1 << (row & 7));
    lines = down ? static_cast<std::uint8_t>(lines | bit) : static_cast<std::uint8_t>(lines & ~bit);
}

}  // namespace brimwick::c64
