// Opcode offsets of the NMOS 6502 by instruction group and addressing mode.
// An instruction's opcode is its base opcode plus the offset; -1 marks a mode
// the group does not have. The 6502 has regular opcode rows, which is why a
// few bases and offsets cover all 151 documented opcodes.
#pragma once

#include <array>
#include <cstdint>

namespace brimwick::assembler {

inline constexpr int kModeCount = 13;
inline constexpr int kGroupCount = 14;
inline constexpr std::int16_t kNotAllowed = -1;

// Operand bytes per addressing mode (zp, abs, zp,x, abs,x, zp,y, abs,y, #,
// (zp,x), (zp),y, a, rel, (abs), implied).
inline constexpr std::array<std::uint8_t, kModeCount> kOperandBytes{1, 2, 1, 2, 1, 2, 1,
                                                                    1, 1, 0, 1, 2, 0};

inline constexpr std::int16_t N = kNotAllowed;
inline constexpr std::array<std::array<std::int16_t, kModeCount>, kGroupCount> kOpcodeOffsets{{
    //  zp    abs   zp,x  abs,x zp,y  abs,y  #    (zp,x) (zp),y a    rel  (abs) impl
    {0x04, 0x0C, 0x14, 0x1C, N, 0x18, 0x08, 0x00, 0x10, N, N, N, N},  // ora and eor ...
    {0x04, 0x0C, 0x14, 0x1C, N, N, N, N, N, 0x08, N, N, 0x08},        // asl rol lsr ror
    {N, N, N, N, N, N, N, N, N, N, 0x00, N, N},                       // branches
    {N, 0x00, N, N, N, N, N, N, N, N, N, N, N},                       // jsr
    {N, 0x0C, N, N, N, N, N, N, N, N, N, 0x2C, N},                    // jmp
    {0x04, 0x0C, N, N, 0x14, 0x1C, 0x00, N, N, N, N, N, N},           // ldx
    {0x04, 0x0C, 0x14, 0x1C, N, N, 0x00, N, N, N, N, N, N},           // ldy
    {0x04, 0x0C, N, N, 0x14, N, N, N, N, N, N, N, N},                 // stx
    {0x04, 0x0C, 0x14, N, N, N, N, N, N, N, N, N, N},                 // sty
    {0x04, 0x0C, N, N, N, N, 0x00, N, N, N, N, N, N},                 // cpx cpy
    {N, N, N, N, N, N, N, N, N, N, N, N, 0x00},                       // single byte
    {0x04, 0x0C, N, N, N, N, N, N, N, N, N, N, N},                    // bit
    {0x04, 0x0C, 0x14, 0x1C, N, 0x18, N, 0x00, 0x10, N, N, N, N},     // sta
    {0x04, 0x0C, 0x14, 0x1C, N, N, N, N, N, N, N, N, N},              // dec inc
}};

}  // namespace brimwick::assembler
