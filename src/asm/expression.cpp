// Expressions: numbers, character constants, strings, operators and grouping
// brackets. TurboAss evaluates strictly from left to right as the tokens
// arrive (2+3*4 is 20), has no unary minus, and wraps silently in 32 bits.
#include <limits>

#include "asm/assembler.h"
#include "asm/character_class.h"

namespace brimwick::assembler {

namespace {

int digitValue(std::uint8_t c, int base) {
    if (base == 2) return c == '0' || c == '1' ? c - '0' : -1;
    if (c >= '0' && c <= '9') return c - '0';
    // Hexadecimal digits are lower case only: an upper-case letter ends the number.
    if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

void Assembler::numberToken(int base, std::int32_t start) {
    if (line_.firstOperandPending) {
        line_.mode = kModeAbsolute;
        line_.firstOperandPending = false;
    }
    std::uint32_t value = 0;
    while (cursor_.pos < cursor_.windowEnd) {
        int digit = digitValue(byteAt(cursor_.pos), base);
        if (digit < 0) break;
        value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
        ++cursor_.pos;
    }
    if (line_.state != kStateOperand) {
        // A number right after the line's label, or after "#" with no macro
        // name, most often follows a mistyped mnemonic ("ldz #3", "LDA #1"):
        // the label is what the message is about then.
        const bool afterLabel = line_.labelPresent &&
                                (line_.state == kStateLineStart || line_.state == kStateMacroName);
        setError(kErrNoNumberExpected,
                 afterLabel ? nameOf(*line_.labelRecord) : sourceText(start, cursor_.pos));
        return;
    }
    operandValue_ = static_cast<std::int32_t>(value);
    applyOperator();
}

bool Assembler::readString() {
    const std::int32_t start = cursor_.pos;
    while (cursor_.pos < cursor_.windowEnd) {
        const std::uint8_t c = byteAt(cursor_.pos);
        if (c == '"') {
            line_.stringStart = start;
            line_.stringLength = cursor_.pos - start;
            ++cursor_.pos;
            return true;
        }
        if (!isStringChar(c)) break;
        ++cursor_.pos;
    }
    setError(kErrIllegalString);
    return false;
}

void Assembler::stringToken() {
    if (line_.state == kStateOperand) {
        // A character constant: a string of exactly one character.
        if (line_.firstOperandPending) {
            line_.mode = kModeAbsolute;
            line_.firstOperandPending = false;
        }
        if (!readString()) return;
        if (line_.stringLength != 1) {
            // A character constant holds one character.
            setError(kErrSyntax,
                     sourceText(line_.stringStart - 1, line_.stringStart + line_.stringLength + 1));
            return;
        }
        operandValue_ = toPetscii(byteAt(line_.stringStart));
        applyOperator();
    } else if (line_.state == kStateString) {
        if (!readString()) return;
        line_.state = kStateAfterString;
        line_.stringSeen = true;
        line_.operandPresent = true;
        if (line_.statementCode == kMacroCall) {
            // A macro parameter: its text is read in place wherever the
            // body says @1..@9.
            SourceCursor& c = cursor_;
            if (c.paramCount >= kMaxMacroParameters) {
                setError(kErrTooManyMacroParameters);
                return;
            }
            const auto i = static_cast<std::size_t>(c.paramCount);
            c.paramStart[i] = line_.stringStart;
            c.paramEnd[i] = line_.stringStart + line_.stringLength;
            ++c.paramCount;
        }
    } else {
        setError(kErrSyntax);
    }
}

void Assembler::applyOperator() {
    const auto a = static_cast<std::uint32_t>(exprValue_);
    const auto b = static_cast<std::uint32_t>(operandValue_);
    switch (line_.pendingOp) {
        case '+':
            exprValue_ = static_cast<std::int32_t>(a + b);
            break;
        case '-':
            exprValue_ = static_cast<std::int32_t>(a - b);
            break;
        case '*':
            exprValue_ = static_cast<std::int32_t>(a * b);
            break;
        case '&':
            exprValue_ = static_cast<std::int32_t>(a & b);
            break;
        case '/':
            if (operandValue_ == 0) {
                // Never a crash: the value is 0, and a real division by zero
                // (not one by a forward reference of the first pass) is an error.
                exprValue_ = 0;
                if (!line_.undefinedSeen) setError(kErrDivisionByZero);
            } else if (operandValue_ == -1) {
                exprValue_ = static_cast<std::int32_t>(0u - a);  // INT_MIN / -1 wraps
            } else {
                exprValue_ = exprValue_ / operandValue_;
            }
            break;
        default:
            exprValue_ = operandValue_;
            break;
    }
    line_.operandPresent = true;
    line_.stringSeen = false;
    line_.state = kStateAfterOperand;
    line_.pendingOp = kNone;
}

void Assembler::openBracket() {
    if (line_.firstOperandPending) {
        // The bracket belongs to the addressing mode: (zp,x), (zp),y or (abs).
        line_.indirectOpen = true;
        line_.firstOperandPending = false;
    } else if (line_.state == kStateOperand) {
        if (line_.bracketDepth == kMaxBrackets) {
            setError(kErrTooManyBrackets);
            return;
        }
        brackets_[static_cast<std::size_t>(line_.bracketDepth)] = {exprValue_, line_.pendingOp};
        ++line_.bracketDepth;
        line_.pendingOp = kNone;
    } else {
        setError(kErrSyntax);
    }
}

}  // namespace brimwick::assembler
