// Turns an instruction line into 6502 machine code: the addressing mode the
// parser found, the zero-page choice, relative branches and the opcode.
//
// The zero-page choice must be the same in both passes, or every later
// address would move. The first pass therefore records the mode it chose for
// each instruction, in the order the instructions are read, and the second
// pass follows that record. (TurboAss kept the choice in the code image at the
// instruction's own address, where a later segment over the same addresses
// overwrote it.)
#include "asm/assembler.h"
#include "asm/opcode_table.h"

namespace brimwick::assembler {

void Assembler::encodeInstruction() {
    if (line_.labelPresent) {
        if (firstPass_ && !symbols_.define(line_.labelRecord, *blocks_)) {
            setError(kErrDoubleDefinition, nameOf(*line_.labelRecord));
            return;
        }
        setLabelAddress(*line_.labelRecord, pc_);
    }
    if (line_.indirectOpen != line_.indirectClosed) {
        setError(kErrBracket);
        return;
    }
    std::int8_t mode = line_.mode;
    if (mode == kModeNone) {
        if (line_.firstOperandPending) {
            mode = kModeImplied;
        } else if (line_.indirectOpen) {
            mode = kModeIndirect;
        } else {
            setError(kErrIllegalAddressMode);
            return;
        }
    }
    const int group = line_.statementCode >> 8;
    const int base = line_.statementCode & 0xFF;
    const auto& offsets = kOpcodeOffsets[static_cast<std::size_t>(group)];

    if (offsets[kModeRelative] != kNotAllowed) {
        if (mode == kModeAbsolute) {
            mode = kModeRelative;
            exprValue_ =
                static_cast<std::int32_t>(static_cast<std::uint32_t>(exprValue_) - (pc_ + 2u));
            if (!line_.undefinedSeen && (exprValue_ < -128 || exprValue_ > 127))
                setError(kErrBranchOutOfRange);
        } else {
            setError(kErrAddressModeNotAllowed);
        }
    } else if ((mode == kModeAbsolute || mode == kModeAbsoluteX || mode == kModeAbsoluteY) &&
               offsets[static_cast<std::size_t>(mode - 1)] != kNotAllowed) {
        // A prefix always makes a one-byte operand.
        bool fits = line_.prefix != kNone;
        if (!(firstPass_ && line_.undefinedSeen))
            fits = fits || (exprValue_ >= 0 && exprValue_ <= 255);
        const std::uint8_t choice = firstPass_ ? kNoModeChoice : modeChoiceOf(line_.instruction);
        if (choice == kNoModeChoice) {
            // The first pass, or an instruction the first pass never reached
            // (it broke off, or took another way through the source; labels
            // that moved because of that are phase errors of their own).
            if (fits) --mode;
            if (firstPass_) modeChoices_[line_.instruction] = static_cast<std::uint8_t>(mode);
        } else if (choice == mode) {
            if (fits) setWarning(kWarnWordTaken);
        } else if (choice == mode - 1) {
            --mode;
            if (!fits) setError(kErrPhase);
        } else {
            setError(kErrIllegalPhaseFlag);
        }
    }
    const std::int16_t offset = offsets[static_cast<std::size_t>(mode)];
    if (offset == kNotAllowed) {
        setError(kErrAddressModeNotAllowed);
        return;
    }
    putByte(static_cast<std::uint8_t>(base + offset));
    const std::uint8_t operandBytes = kOperandBytes[static_cast<std::size_t>(mode)];
    if (operandBytes > 0) {
        line_.wordSized = operandBytes == 2;
        requestOutput();
    }
}

}  // namespace brimwick::assembler
