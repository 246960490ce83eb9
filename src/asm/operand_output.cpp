// Writing operand values into the 64 KB code image at the address counter:
// strings as PETSCII, numbers as one or two bytes (low byte first) with the
// byte-select prefix, the .rta adjustment, the .eor scrambling and the range
// check. The address counter is 16 bits and wraps from $FFFF to 0.
#include "asm/assembler.h"
#include "asm/character_class.h"

namespace brimwick::assembler {

void Assembler::putByte(std::uint8_t value) {
    image_[pc_] = value;
    ++pc_;
}

void Assembler::requestOutput() {
    // After an error on the same token nothing is written, but the address
    // counter still moves over the operand, so later addresses stay put.
    if (errorCode_ != kNoError && !line_.stringSeen) {
        pc_ = static_cast<std::uint16_t>(pc_ + (line_.wordSized ? 2 : 1));
        return;
    }
    outputOperand();
}

void Assembler::outputOperand() {
    const int width = line_.wordSized ? 2 : 1;
    if (!line_.operandPresent) {
        pc_ = static_cast<std::uint16_t>(pc_ + width);
        setError(kErrMissingOperand);
        line_.prefix = kNone;
        return;
    }
    if (line_.stringSeen) {
        for (std::int32_t i = 0; i < line_.stringLength; ++i)
            putByte(toPetscii(byteAt(line_.stringStart + i)));
        if (line_.shiftLast) image_[static_cast<std::uint16_t>(pc_ - 1)] ^= 0x20;
        if (line_.nullTerminate) putByte(0);
        if (line_.prefix != kNone) setError(kErrSyntax);
        return;
    }
    if (line_.undefinedSeen) {
        // The value means nothing yet (a forward reference in the first pass).
        pc_ = static_cast<std::uint16_t>(pc_ + width);
        line_.prefix = kNone;
        line_.undefinedSeen = false;
        return;
    }
    exprValue_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(exprValue_) +
                                           static_cast<std::uint32_t>(line_.rtaAdjust));
    if (line_.prefix == '<') exprValue_ &= 0xFF;
    if (line_.prefix == '>') exprValue_ = (exprValue_ >> 8) & 0xFF;
    line_.prefix = kNone;
    putByte(static_cast<std::uint8_t>((exprValue_ ^ eorValue_) & 0xFF));
    if (line_.wordSized) putByte(static_cast<std::uint8_t>(((exprValue_ >> 8) ^ eorValue_) & 0xFF));
    const bool inRange = line_.wordSized ? exprValue_ >= -32768 && exprValue_ <= 65535
                                         : exprValue_ >= -128 && exprValue_ <= 255;
    if (!inRange) setError(kErrOverflow);
    line_.undefinedSeen = false;
}

}  // namespace brimwick::assembler
