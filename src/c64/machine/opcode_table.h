// The 151 documented opcodes of the 6502 family (the 6510 in the C64 has the
// same instruction set): what each does, how it finds its operand, its base
// cycle count and whether crossing a page on the way costs one cycle more.
// The emulated 6510 executes from this table, and the kernal patcher uses it
// to know how long the instructions it moves are.
#pragma once

#include <array>
#include <cstdint>

namespace brimwick::c64 {

enum class AddressMode : std::uint8_t {
    Illegal,          // no documented instruction has this opcode
    Implied,          // CLC, RTS, ...
    Accumulator,      // ASL A
    Immediate,        // #$nn
    ZeroPage,         // $nn
    ZeroPageX,        // $nn,X
    ZeroPageY,        // $nn,Y
    Absolute,         // $nnnn
    AbsoluteX,        // $nnnn,X
    AbsoluteY,        // $nnnn,Y
    Indirect,         // ($nnnn), JMP only
    IndexedIndirect,  // ($nn,X)
    IndirectIndexed,  // ($nn),Y
    Relative,         // branches
};

enum class Operation : std::uint8_t {
    Illegal, ADC, AND, ASL, BCC, BCS, BEQ, BIT, BMI, BNE, BPL, BRK, BVC, BVS, CLC,
    CLD, CLI, CLV, CMP, CPX, CPY, DEC, DEX, DEY, EOR, INC, INX, INY, JMP, JSR,
    LDA, LDX, LDY, LSR, NOP, ORA, PHA, PHP, PLA, PLP, ROL, ROR, RTI, RTS, SBC,
    SEC, SED, SEI, STA, STX, STY, TAX, TAY, TSX, TXA, TXS, TYA,
};

struct OpcodeInfo {
    Operation operation = Operation::Illegal;  // what the instruction does
    AddressMode mode = AddressMode::Illegal;   // how it finds its operand
    std::uint8_t cycles = 0;                   // base cycle count
    bool pagePenalty = false;                  // one more cycle when indexing crosses a page
};

// Bytes an instruction takes, opcode included.
constexpr int instructionLength(AddressMode mode) {
    switch (mode) {
        case AddressMode::Illegal:
        case AddressMode::Implied:
        case AddressMode::Accumulator:
            return 1;
        case AddressMode::Absolute:
        case AddressMode::AbsoluteX:
        case AddressMode::AbsoluteY:
        case AddressMode::Indirect:
            return 3;
        default:
            return 2;
    }
}

namespace detail {

struct OpcodeRow {
    std::uint8_t opcode;
    Operation operation;
    AddressMode mode;
    std::uint8_t cycles;
    bool pagePenalty;
};

using enum Operation;
using M = AddressMode;
inline constexpr bool P = true;   // page penalty
inline constexpr bool N = false;  // none

inline constexpr OpcodeRow kRows[] = {
    {0x69, ADC, M::Immediate, 2, N}, {0x65, ADC, M::ZeroPage, 3, N}, {0x75, ADC, M::ZeroPageX, 4, N},
    {0x6D, ADC, M::Absolute, 4, N}, {0x7D, ADC, M::AbsoluteX, 4, P}, {0x79, ADC, M::AbsoluteY, 4, P},
    {0x61, ADC, M::IndexedIndirect, 6, N}, {0x71, ADC, M::IndirectIndexed, 5, P},
    {0x29, AND, M::Immediate, 2, N}, {0x25, AND, M::ZeroPage, 3, N}, {0x35, AND, M::ZeroPageX, 4, N},
    {0x2D, AND, M::Absolute, 4, N}, {0x3D, AND, M::AbsoluteX, 4, P}, {0x39, AND, M::AbsoluteY, 4, P},
    {0x21, AND, M::IndexedIndirect, 6, N}, {0x31, AND, M::IndirectIndexed, 5, P},
    {0x0A, ASL, M::Accumulator, 2, N}, {0x06, ASL, M::ZeroPage, 5, N}, {0x16, ASL, M::ZeroPageX, 6, N},
    {0x0E, ASL, M::Absolute, 6, N}, {0x1E, ASL, M::AbsoluteX, 7, N},
    {0x90, BCC, M::Relative, 2, N}, {0xB0, BCS, M::Relative, 2, N}, {0xF0, BEQ, M::Relative, 2, N},
    {0x30, BMI, M::Relative, 2, N}, {0xD0, BNE, M::Relative, 2, N}, {0x10, BPL, M::Relative, 2, N},
    {0x50, BVC, M::Relative, 2, N}, {0x70, BVS, M::Relative, 2, N},
    {0x24, BIT, M::ZeroPage, 3, N}, {0x2C, BIT, M::Absolute, 4, N},
    {0x00, BRK, M::Implied, 7, N},
    {0x18, CLC, M::Implied, 2, N}, {0xD8, CLD, M::Implied, 2, N}, {0x58, CLI, M::Implied, 2, N},
    {0xB8, CLV, M::Implied, 2, N},
    {0xC9, CMP, M::Immediate, 2, N}, {0xC5, CMP, M::ZeroPage, 3, N}, {0xD5, CMP, M::ZeroPageX, 4, N},
    {0xCD, CMP, M::Absolute, 4, N}, {0xDD, CMP, M::AbsoluteX, 4, P}, {0xD9, CMP, M::AbsoluteY, 4, P},
    {0xC1, CMP, M::IndexedIndirect, 6, N}, {0xD1, CMP, M::IndirectIndexed, 5, P},
    {0xE0, CPX, M::Immediate, 2, N}, {0xE4, CPX, M::ZeroPage, 3, N}, {0xEC, CPX, M::Absolute, 4, N},
    {0xC0, CPY, M::Immediate, 2, N}, {0xC4, CPY, M::ZeroPage, 3, N}, {0xCC, CPY, M::Absolute, 4, N},
    {0xC6, DEC, M::ZeroPage, 5, N}, {0xD6, DEC, M::ZeroPageX, 6, N}, {0xCE, DEC, M::Absolute, 6, N},
    {0xDE, DEC, M::AbsoluteX, 7, N},
    {0xCA, DEX, M::Implied, 2, N}, {0x88, DEY, M::Implied, 2, N},
    {0x49, EOR, M::Immediate, 2, N}, {0x45, EOR, M::ZeroPage, 3, N}, {0x55, EOR, M::ZeroPageX, 4, N},
    {0x4D, EOR, M::Absolute, 4, N}, {0x5D, EOR, M::AbsoluteX, 4, P}, {0x59, EOR, M::AbsoluteY, 4, P},
    {0x41, EOR, M::IndexedIndirect, 6, N}, {0x51, EOR, M::IndirectIndexed, 5, P},
    {0xE6, INC, M::ZeroPage, 5, N}, {0xF6, INC, M::ZeroPageX, 6, N}, {0xEE, INC, M::Absolute, 6, N},
    {0xFE, INC, M::AbsoluteX, 7, N},
    {0xE8, INX, M::Implied, 2, N}, {0xC8, INY, M::Implied, 2, N},
    {0x4C, JMP, M::Absolute, 3, N}, {0x6C, JMP, M::Indirect, 5, N},
    {0x20, JSR, M::Absolute, 6, N},
    {0xA9, LDA, M::Immediate, 2, N}, {0xA5, LDA, M::ZeroPage, 3, N}, {0xB5, LDA, M::ZeroPageX, 4, N},
    {0xAD, LDA, M::Absolute, 4, N}, {0xBD, LDA, M::AbsoluteX, 4, P}, {0xB9, LDA, M::AbsoluteY, 4, P},
    {0xA1, LDA, M::IndexedIndirect, 6, N}, {0xB1, LDA, M::IndirectIndexed, 5, P},
    {0xA2, LDX, M::Immediate, 2, N}, {0xA6, LDX, M::ZeroPage, 3, N}, {0xB6, LDX, M::ZeroPageY, 4, N},
    {0xAE, LDX, M::Absolute, 4, N}, {0xBE, LDX, M::AbsoluteY, 4, P},
    {0xA0, LDY, M::Immediate, 2, N}, {0xA4, LDY, M::ZeroPage, 3, N}, {0xB4, LDY, M::ZeroPageX, 4, N},
    {0xAC, LDY, M::Absolute, 4, N}, {0xBC, LDY, M::AbsoluteX, 4, P},
    {0x4A, LSR, M::Accumulator, 2, N}, {0x46, LSR, M::ZeroPage, 5, N}, {0x56, LSR, M::ZeroPageX, 6, N},
    {0x4E, LSR, M::Absolute, 6, N}, {0x5E, LSR, M::AbsoluteX, 7, N},
    {0xEA, NOP, M::Implied, 2, N},
    {0x09, ORA, M::Immediate, 2, N}, {0x05, ORA, M::ZeroPage, 3, N}, {0x15, ORA, M::ZeroPageX, 4, N},
    {0x0D, ORA, M::Absolute, 4, N}, {0x1D, ORA, M::AbsoluteX, 4, P}, {0x19, ORA, M::AbsoluteY, 4, P},
    {0x01, ORA, M::IndexedIndirect, 6, N}, {0x11, ORA, M::IndirectIndexed, 5, P},
    {0x48, PHA, M::Implied, 3, N}, {0x08, PHP, M::Implied, 3, N}, {0x68, PLA, M::Implied, 4, N},
    {0x28, PLP, M::Implied, 4, N},
    {0x2A, ROL, M::Accumulator, 2, N}, {0x26, ROL, M::ZeroPage, 5, N}, {0x36, ROL, M::ZeroPageX, 6, N},
    {0x2E, ROL, M::Absolute, 6, N}, {0x3E, ROL, M::AbsoluteX, 7, N},
    {0x6A, ROR, M::Accumulator, 2, N}, {0x66, ROR, M::ZeroPage, 5, N}, {0x76, ROR, M::ZeroPageX, 6, N},
    {0x6E, ROR, M::Absolute, 6, N}, {0x7E, ROR, M::AbsoluteX, 7, N},
    {0x40, RTI, M::Implied, 6, N}, {0x60, RTS, M::Implied, 6, N},
    {0xE9, SBC, M::Immediate, 2, N}, {0xE5, SBC, M::ZeroPage, 3, N}, {0xF5, SBC, M::ZeroPageX, 4, N},
    {0xED, SBC, M::Absolute, 4, N}, {0xFD, SBC, M::AbsoluteX, 4, P}, {0xF9, SBC, M::AbsoluteY, 4, P},
    {0xE1, SBC, M::IndexedIndirect, 6, N}, {0xF1, SBC, M::IndirectIndexed, 5, P},
    {0x38, SEC, M::Implied, 2, N}, {0xF8, SED, M::Implied, 2, N}, {0x78, SEI, M::Implied, 2, N},
    {0x85, STA, M::ZeroPage, 3, N}, {0x95, STA, M::ZeroPageX, 4, N}, {0x8D, STA, M::Absolute, 4, N},
    {0x9D, STA, M::AbsoluteX, 5, N}, {0x99, STA, M::AbsoluteY, 5, N},
    {0x81, STA, M::IndexedIndirect, 6, N}, {0x91, STA, M::IndirectIndexed, 6, N},
    {0x86, STX, M::ZeroPage, 3, N}, {0x96, STX, M::ZeroPageY, 4, N}, {0x8E, STX, M::Absolute, 4, N},
    {0x84, STY, M::ZeroPage, 3, N}, {0x94, STY, M::ZeroPageX, 4, N}, {0x8C, STY, M::Absolute, 4, N},
    {0xAA, TAX, M::Implied, 2, N}, {0xA8, TAY, M::Implied, 2, N}, {0xBA, TSX, M::Implied, 2, N},
    {0x8A, TXA, M::Implied, 2, N}, {0x9A, TXS, M::Implied, 2, N}, {0x98, TYA, M::Implied, 2, N},
};

constexpr std::array<OpcodeInfo, 256> buildOpcodeTable() {
    std::array<OpcodeInfo, 256> table{};
    for (const OpcodeRow& row : kRows)
        table[row.opcode] = OpcodeInfo{row.operation, row.mode, row.cycles, row.pagePenalty};
    return table;
}

}  // namespace detail

// The number of documented opcodes.
inline constexpr int kDocumentedOpcodes = static_cast<int>(std::size(detail::kRows));
static_assert(kDocumentedOpcodes == 151);

// Indexed by opcode; undocumented opcodes have Operation::Illegal.
inline constexpr std::array<OpcodeInfo, 256> kOpcodeTable = detail::buildOpcodeTable();

}  // namespace brimwick::c64
