// The numbered errors and warnings of the assembler, as they appear in the
// listing. The numbering follows TurboAss; gaps are numbers it never used.
#pragma once

#include <cstdint>
#include <string_view>

namespace brimwick::assembler {

enum ErrorCode : std::uint8_t {
    kNoError = 0,
    kErrSyntax = 1,
    kErrDoubleDefinition = 2,
    kErrIllegalAddressMode = 3,
    kErrAddressModeNotAllowed = 5,
    kErrBranchOutOfRange = 7,
    kErrInvalidSourceFile = 8,
    kErrIllegalMnemonic = 9,
    kErrIllegalPseudoOp = 10,
    kErrUndefinedStatement = 11,
    kErrMissingRegister = 12,
    kErrNoNumberExpected = 13,
    kErrBracket = 14,
    kErrMissingLabel = 15,
    kErrProgramBug = 16,
    kErrIllegalString = 17,
    kErrTooManyOperands = 18,
    kErrOverflow = 19,
    kErrAssemblerLabelExpected = 20,
    kErrMissingNumber = 21,
    kErrUnexpectedEndOfLine = 22,
    kErrMissingOperand = 23,
    kErrCantWriteFile = 26,
    kErrMarkerWithoutMacro = 27,
    kErrIllegalMacroMarker = 28,
    kErrMarkerNotDefined = 29,
    kErrMacroDepth = 30,
    kErrTooManyMacroParameters = 31,
    kErrMacroNotDefined = 32,
    kErrTooManyBrackets = 33,
    kErrLabelReserved = 34,
    kErrTooManyBlocks = 35,
    kErrPhase = 36,
    kErrIllegalPhaseFlag = 37,
    kErrDivisionByZero = 38,
    kErrTooManyLines = 39,
};

enum WarningCode : std::uint8_t {
    kNoWarning = 0,
    kWarnEndifWithoutIf = 1,
    kWarnNoLabel = 2,
    kWarnNotImplemented = 3,
    kWarnWordTaken = 4,
    kWarnCodeCut = 5,
    kWarnEndmWithoutMacro = 6,
    kWarnBendWithoutBlock = 7,
    kWarnLabelCut = 8,
};

// The text of an error number; empty for an unused number.
std::string_view errorText(std::uint8_t code);
// The text of a warning number; empty for an unused number.
std::string_view warningText(std::uint8_t code);

}  // namespace brimwick::assembler
