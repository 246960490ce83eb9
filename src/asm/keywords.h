// The built-in names of TurboAss: the 56 documented NMOS 6502 mnemonics, the
// directive names and the register names. Keywords are lower case and compared
// exactly, so "LDA" is an ordinary symbol, never the instruction.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace brimwick::assembler {

// Directive numbers; also the statement codes of "#", "*=" and "=".
enum Directive : std::uint16_t {
    kText = 0,
    kNull = 1,
    kShift = 2,
    kWord = 3,
    kRta = 4,
    kByte = 5,
    kVar = 6,
    kGoto = 7,
    kLbl = 8,
    kMacro = 9,  // also .segment
    kEndm = 10,
    kBlock = 11,
    kBend = 12,
    kIf = 13,  // also .ifne
    kIfeq = 14,
    kIfmi = 15,
    kIfpl = 16,
    kEndif = 17,
    kOffs = 18,
    kEor = 19,
    kInclude = 21,
    kShowmac = 22,
    kHidemac = 23,
    kPron = 24,
    kProff = 25,
    kMacroCall = 26,   // "#" name
    kSetAddress = 27,  // "*="
    kAssignment = 28,  // label "="
};

struct MnemonicEntry {
    std::string_view name;  // lower-case mnemonic
    std::uint16_t code;     // opcode-table group * 256 + base opcode
};

// Grouped by the row of the opcode table the instruction uses.
inline constexpr std::array<MnemonicEntry, 56> kMnemonics{{
    {"ora", 0x0001}, {"and", 0x0021}, {"eor", 0x0041}, {"adc", 0x0061}, {"lda", 0x00A1},
    {"cmp", 0x00C1}, {"sbc", 0x00E1}, {"asl", 0x0102}, {"rol", 0x0122}, {"lsr", 0x0142},
    {"ror", 0x0162}, {"bpl", 0x0210}, {"bmi", 0x0230}, {"bvc", 0x0250}, {"bvs", 0x0270},
    {"bcc", 0x0290}, {"bcs", 0x02B0}, {"bne", 0x02D0}, {"beq", 0x02F0}, {"jsr", 0x0320},
    {"jmp", 0x0440}, {"ldx", 0x05A2}, {"ldy", 0x06A0}, {"stx", 0x0782}, {"sty", 0x0880},
    {"cpy", 0x09C0}, {"cpx", 0x09E0}, {"brk", 0x0A00}, {"php", 0x0A08}, {"clc", 0x0A18},
    {"plp", 0x0A28}, {"sec", 0x0A38}, {"rti", 0x0A40}, {"pha", 0x0A48}, {"cli", 0x0A58},
    {"rts", 0x0A60}, {"pla", 0x0A68}, {"sei", 0x0A78}, {"dey", 0x0A88}, {"txa", 0x0A8A},
    {"tya", 0x0A98}, {"txs", 0x0A9A}, {"tay", 0x0AA8}, {"tax", 0x0AAA}, {"clv", 0x0AB8},
    {"tsx", 0x0ABA}, {"iny", 0x0AC8}, {"dex", 0x0ACA}, {"cld", 0x0AD8}, {"inx", 0x0AE8},
    {"nop", 0x0AEA}, {"sed", 0x0AF8}, {"bit", 0x0B20}, {"sta", 0x0C81}, {"dec", 0x0DC2},
    {"inc", 0x0DE2},
}};

struct DirectiveEntry {
    std::string_view name;  // directive name as written after "."
    std::uint16_t number;   // directive number
};

// The directive list after x and y, in its search order.
inline constexpr std::array<DirectiveEntry, 27> kDirectives{{
    {"text", kText},   {"null", kNull},       {"shift", kShift},     {"word", kWord},
    {"rta", kRta},     {"byte", kByte},       {"var", kVar},         {"goto", kGoto},
    {"lbl", kLbl},     {"macro", kMacro},     {"segment", kMacro},   {"endm", kEndm},
    {"block", kBlock}, {"bend", kBend},       {"if", kIf},           {"ifeq", kIfeq},
    {"ifne", kIf},     {"ifpl", kIfpl},       {"ifmi", kIfmi},       {"endif", kEndif},
    {"eor", kEor},     {"include", kInclude}, {"showmac", kShowmac}, {"hidemac", kHidemac},
    {"pron", kPron},   {"proff", kProff},     {"offs", kOffs},
}};

}  // namespace brimwick::assembler
