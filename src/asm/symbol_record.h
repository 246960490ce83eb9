// The one record layout that holds every name the assembler knows: the 6502
// mnemonics, the directive names, the register names and the symbols of a
// source. Records of one name are chained through `next`, innermost block
// first, so a lookup walks outwards from the block of the current line.
#pragma once

#include <cstdint>
#include <string_view>

namespace brimwick::assembler {

// Longest name TurboAss tells apart; longer names are cut to this length.
inline constexpr int kMaxNameLength = 35;

// What a record stands for; decides what its value means.
enum class SymbolType : std::int8_t {
    EndMarker = 0,   // never a real record; kept for completeness of the numbering
    Label = 1,       // address of the statement it names
    Mnemonic = 2,    // built-in 6502 instruction
    Directive = 3,   // built-in directive name, written after "."
    RegisterX = 4,   // the index register name x
    RegisterY = 5,   // the index register name y
    RegisterA = 6,   // the accumulator name a; cannot be defined
    Variable = 7,    // assigned with .var, may be reassigned
    SourceMark = 8,  // defined with .lbl: source position of the next line
    Macro = 9,       // defined with .macro/.segment: position of the body
    Constant = 10,   // assigned with "="
    NoLabel = -3,    // a label written on a .goto line
};

struct SymbolRecord {
    SymbolRecord* next = nullptr;         // next record of the same name (innermost first)
    SymbolType type = SymbolType::Label;  // what the record stands for
    std::uint8_t defined = 0;             // 1 once the symbol received a definition
    std::uint8_t seenInSecondPass = 0;    // 1 once the second pass read its defining line
    std::uint8_t setInSecondPass = 0;     // 1 once the second pass gave it its value
    std::uint16_t code = 0;               // keyword code: group*256+opcode, or directive number
    std::int32_t value = 0;               // address, constant or source position
    std::int16_t nameLength = 0;          // significant characters of the name, 1..35
    char name[kMaxNameLength + 1] = {};   // the name, NUL-terminated
    std::uint16_t block = 0;              // block the symbol was defined in; 0 is outermost
    std::int32_t line = 0;                // line of its definition in the first pass
};

// The record's name as a view.
inline std::string_view nameOf(const SymbolRecord& r) {
    return {r.name, static_cast<std::size_t>(r.nameLength)};
}

}  // namespace brimwick::assembler
