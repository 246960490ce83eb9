// The state of the statement being parsed on the current line, and the names
// of the parser states, statement kinds and addressing modes. The parser is a
// per-line state machine driven one token at a time; at each line start the
// line state is reset to the values given here.
#pragma once

#include <cstdint>

#include "asm/symbol_record.h"

namespace brimwick::assembler {

enum ParserState : std::int8_t {
    kStateLineStart = 1,       // start of a line, or after the label
    kStateOperand = 2,         // a value is expected
    kStateIndexRegister = 3,   // after operand and ",": x or y
    kStateIndirectX = 4,       // after "(" operand ",": x
    kStateIndirectY = 5,       // after "(" operand ")" ",": y
    kStateAfterOperand = 6,    // operator, ",", ")" or end of line
    kStateLineEnd = 7,         // only the end of the line
    kStateCloseIndirect = 8,   // after the x of "(zp,x": ")"
    kStateAfterStar = 9,       // after "*" at the start: "="
    kStateDirectiveName = 10,  // after ".": a directive name
    kStateAfterString = 11,    // after ")" of an indirect operand or a string
    kStateString = 12,         // a string operand
    kStateGotoTarget = 13,     // after .goto: a source mark
    kStateMacroName = 14,      // after "#": a macro name
};

enum StatementKind : std::int8_t {
    kKindNone = -1,
    kKindInstruction = 2,
    kKindDirective = 3,  // also "=", "*=" and macro calls
};

enum AddressingMode : std::int8_t {
    kModeNone = -1,
    kModeZeroPage = 0,
    kModeAbsolute = 1,
    kModeZeroPageX = 2,
    kModeAbsoluteX = 3,
    kModeZeroPageY = 4,
    kModeAbsoluteY = 5,
    kModeImmediate = 6,
    kModeIndexedIndirect = 7,  // (zp,x)
    kModeIndirectIndexed = 8,  // (zp),y
    kModeAccumulator = 9,
    kModeRelative = 10,
    kModeIndirect = 11,  // (abs), jmp only
    kModeImplied = 12,
};

// No statement code recognised yet on this line.
inline constexpr std::uint16_t kNoStatement = 0xFFFF;
// No operator or prefix waiting.
inline constexpr char kNone = 0;

inline constexpr int kMaxBrackets = 16;

struct LineState {
    std::int8_t kind = kKindNone;                // statement kind
    std::int8_t state = kStateLineStart;         // parser state
    std::uint16_t statementCode = kNoStatement;  // mnemonic code or directive number
    SymbolRecord* labelRecord = nullptr;         // the line's label, when labelPresent
    bool labelPresent = false;                   // a label was read at the line start
    bool labelMoved = false;                     // its address differs from the first pass's
    std::uint16_t lineStartAddress = 0;          // address counter at the line start
    std::int8_t mode = kModeNone;                // addressing mode of an instruction
    std::uint32_t instruction = 0;               // its number in the order of the pass
    bool firstOperandPending = false;            // mnemonic read, its operand not yet begun
    bool indirectOpen = false;                   // the operand began with "("
    bool indirectClosed = false;                 // and that bracket was closed
    char pendingOp = kNone;                      // operator waiting for its right operand
    char prefix = kNone;                         // "<" or ">" on the current expression
    std::int16_t bracketDepth = 0;               // open grouping brackets, 0..16
    bool operandPresent = false;                 // an operand (or string) was completed
    bool stringSeen = false;                     // the operand just completed is a string
    std::int32_t stringStart = 0;                // position of the last string read
    std::int32_t stringLength = 0;               // and its length
    bool undefinedSeen = false;                  // the expression used an undefined symbol
    bool undefinedAllowed = false;               // undefined symbols may be used here
    bool wordSized = false;                      // the operand is output as two bytes
    bool listAllowed = false;                    // operands may be separated by ","
    bool nullTerminate = false;                  // .null
    bool shiftLast = false;                      // .shift
    std::int32_t rtaAdjust = 0;                  // -1 for .rta
    std::int32_t macroBody = 0;                  // body position of the called macro
};

// One saved level of a grouping bracket.
struct BracketEntry {
    std::int32_t value = 0;  // exprValue when the bracket opened
    char op = kNone;         // pendingOp when the bracket opened
};

}  // namespace brimwick::assembler
