// The statement parser: a per-line state machine that handles the source one
// token at a time, without building tokens or lines in memory. Identifiers are
// looked up in place in the source buffer; the end of a line hands the
// statement to the instruction encoder or the directive executor.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "asm/assembler.h"
#include "asm/character_class.h"
#include "asm/directive_table.h"

namespace brimwick::assembler {

namespace {

// A byte as the messages name it: printable characters as themselves.
std::string describeByte(std::uint8_t c) {
    if (c > ' ' && c < 127) return std::string(1, static_cast<char>(c));
    char text[16];
    std::snprintf(text, sizeof text, "byte $%.2x", c);
    return text;
}

}  // namespace

bool Assembler::skipLine() {
    for (;;) {
        const std::int32_t pos = cursor_.pos;
        if (pos >= 1 && byteAt(pos - 1) == '\n') return true;
        // Every line ends with an LF, whether a CR stands before it or not.
        const std::uint8_t* base = source_.data();
        const std::int32_t rest = std::max(cursor_.windowEnd - pos, std::int32_t{0});
        const auto* lf = static_cast<const std::uint8_t*>(
            std::memchr(base + pos, '\n', static_cast<std::size_t>(rest)));
        if (lf != nullptr) {
            cursor_.pos = static_cast<std::int32_t>(lf - base) + 1;
            return true;
        }
        cursor_.pos = cursor_.windowEnd;
        if (!stack_.pop(cursor_)) return false;
    }
}

std::int32_t Assembler::clampPosition(std::int32_t position) const {
    // Source positions come from .lbl and .macro lines; a symbol whose value
    // was overwritten later must still not lead the reader out of the text.
    return std::clamp(position, std::int32_t{0}, cursor_.windowEnd);
}

int Assembler::handleToken() {
    const std::uint8_t c = byteAt(cursor_.pos);
    if (c == '@') return expandMarker();
    if (c == ';') {
        ++cursor_.pos;
        if (!skipLine()) return kPassEnded;
        return endOfLine();
    }
    if (isInvalidByte(c)) {
        // Consumed, so that the skip after the error moves on even when the
        // byte stands at the very start of a line.
        ++cursor_.pos;
        setError(kErrInvalidSourceFile, describeByte(c));
        return kContinue;
    }
    if (c == '\n') {
        // Sources from Linux editors end their lines with LF alone.
        ++cursor_.pos;
        return endOfLine();
    }
    if (c == '\r') {
        // CR and the byte after it form one token: a line end only with LF.
        ++cursor_.pos;
        const bool lineFeed = cursor_.pos < cursor_.windowEnd && byteAt(cursor_.pos) == '\n';
        if (cursor_.pos < cursor_.windowEnd) ++cursor_.pos;
        if (lineFeed) return endOfLine();
        setError(kErrInvalidSourceFile, describeByte(c));
        return kContinue;
    }
    if (isIdentifierStart(c)) return identifierToken();
    if (isDecimalDigit(c)) {
        numberToken(10, cursor_.pos);
        return kContinue;
    }
    ++cursor_.pos;
    switch (c) {
        case ' ':
        case '\t':
            break;
        case '"':
            stringToken();
            break;
        case '#':
            hashToken();
            break;
        case '$':
            numberToken(16, cursor_.pos - 1);
            break;
        case '%':
            numberToken(2, cursor_.pos - 1);
            break;
        case '*':
            if (line_.state == kStateAfterOperand) {
                line_.pendingOp = '*';
                line_.state = kStateOperand;
            } else if (line_.state == kStateLineStart) {
                line_.state = kStateAfterStar;
            } else {
                setError(kErrSyntax);
            }
            break;
        case '&':
        case '+':
        case '-':
        case '/':
            if (line_.state == kStateAfterOperand) {
                line_.pendingOp = static_cast<char>(c);
                line_.state = kStateOperand;
            } else {
                setError(kErrSyntax);
            }
            break;
        case '(':
            openBracket();
            break;
        case ')':
            closeBracketToken();
            break;
        case ',':
            commaToken();
            break;
        case '.':
            if (line_.kind == kKindNone) {
                line_.kind = kKindDirective;
                line_.state = kStateDirectiveName;
            } else {
                setError(kErrSyntax);
            }
            break;
        case '<':
        case '>':
            if (line_.firstOperandPending) {
                line_.mode = kModeAbsolute;
                line_.firstOperandPending = false;
            }
            if (line_.state == kStateOperand && line_.prefix == kNone) {
                line_.prefix = static_cast<char>(c);
            } else {
                setError(kErrSyntax);
            }
            break;
        case '=':
            equalsToken();
            break;
        default:
            setError(kErrInvalidSourceFile, describeByte(c));
            break;
    }
    // A character where none of its kind may stand: name it.
    if (errorCode_ == kErrSyntax && errorDetail_.empty())
        errorDetail_.assign(1, static_cast<char>(c));
    return kContinue;
}

SymbolRecord* Assembler::lookupIdentifier(SymbolList list, bool create) {
    // TurboAss tells names apart by their first 35 characters only.
    const std::int32_t start = cursor_.pos;
    std::int32_t end = start;
    while (end < cursor_.windowEnd && isIdentifierChar(byteAt(end))) ++end;
    std::int32_t length = end - start;
    identifier_ = sourceText(start, end);
    if (length > kMaxNameLength) {
        setWarning(kWarnLabelCut, identifier_);
        length = kMaxNameLength;
    }
    cursor_.pos = end;
    return symbols_.lookup(identifier_.substr(0, static_cast<std::size_t>(length)), list, create,
                           *blocks_);
}

int Assembler::identifierToken() {
    const std::int8_t s = line_.state;
    const bool registerOrDirective = s == kStateIndexRegister || s == kStateIndirectX ||
                                     s == kStateIndirectY || s == kStateDirectiveName;
    actOnIdentifier(lookupIdentifier(
        registerOrDirective ? SymbolList::Directives : SymbolList::Symbols, !registerOrDirective));
    return kContinue;
}

void Assembler::actOnIdentifier(SymbolRecord* record) {
    const SymbolType type = record != nullptr ? record->type : SymbolType::EndMarker;
    switch (line_.state) {
        case kStateLineStart:
            if (type == SymbolType::Mnemonic) {
                line_.kind = kKindInstruction;
                line_.statementCode = record->code;
                line_.instruction = instructionCount_++;
                if (firstPass_) modeChoices_.push_back(kNoModeChoice);
                line_.firstOperandPending = true;
                line_.state = kStateOperand;
                line_.undefinedAllowed = firstPass_;
            } else if (line_.labelPresent) {
                setError(kErrIllegalMnemonic, identifier_);
            } else if (type == SymbolType::RegisterA) {
                setError(kErrLabelReserved);
            } else {
                line_.labelPresent = true;
                line_.labelRecord = record;
                if (!firstPass_) record->seenInSecondPass = 1;
            }
            break;
        case kStateOperand:
            if (line_.firstOperandPending) {
                line_.mode = kModeAbsolute;
                line_.firstOperandPending = false;
                if (type == SymbolType::RegisterA) {
                    line_.mode = kModeAccumulator;
                    line_.state = kStateLineEnd;
                    break;
                }
            }
            if (record->defined != 0) {
                operandValue_ = record->value;
                applyOperator();
            } else if (line_.undefinedAllowed) {
                line_.undefinedSeen = true;
                applyOperator();
            } else {
                setError(kErrUndefinedStatement, identifier_);
            }
            break;
        case kStateIndexRegister:
            if (type == SymbolType::RegisterX) {
                line_.mode = kModeAbsoluteX;
            } else if (type == SymbolType::RegisterY) {
                line_.mode = kModeAbsoluteY;
            } else {
                setError(kErrMissingRegister, identifier_);
            }
            line_.state = kStateLineEnd;
            break;
        case kStateIndirectX:
            line_.state = kStateCloseIndirect;
            if (type != SymbolType::RegisterX) setError(kErrIllegalAddressMode);
            break;
        case kStateIndirectY:
            line_.state = kStateLineEnd;
            if (type != SymbolType::RegisterY) setError(kErrIllegalAddressMode);
            break;
        case kStateDirectiveName:
            if (type == SymbolType::Directive) {
                startDirective(record->code);
            } else {
                setError(kErrIllegalPseudoOp, identifier_);
            }
            break;
        case kStateGotoTarget:
            line_.state = kStateLineEnd;
            if (record->defined != 0) {
                exprValue_ = record->value;
                if (type != SymbolType::SourceMark)
                    setError(kErrAssemblerLabelExpected, identifier_);
            } else {
                setError(kErrUndefinedStatement, identifier_);
            }
            break;
        case kStateMacroName:
            if (type != SymbolType::Macro) setError(kErrMacroNotDefined, identifier_);
            line_.macroBody = record->value;
            line_.state = kStateString;
            line_.listAllowed = true;
            break;
        default:
            setError(kErrSyntax, identifier_);
            break;
    }
}

void Assembler::startDirective(std::uint16_t number) {
    const DirectiveAttributes& a = directiveAttributes(number);
    line_.statementCode = number;
    line_.state = a.initialState;
    line_.wordSized = a.wordSized;
    line_.listAllowed = a.listAllowed;
    line_.undefinedAllowed = firstPass_ && !isIfFamily(number);
    line_.nullTerminate = number == kNull;
    line_.shiftLast = number == kShift;
    line_.rtaAdjust = number == kRta ? -1 : 0;
}

void Assembler::hashToken() {
    if (line_.kind == kKindInstruction && line_.firstOperandPending) {
        line_.mode = kModeImmediate;
        line_.firstOperandPending = false;
    } else if (line_.kind == kKindNone) {
        line_.kind = kKindDirective;
        line_.statementCode = kMacroCall;
        cursor_.paramCount = 0;
        line_.state = kStateMacroName;
    } else {
        setError(kErrSyntax);
    }
}

void Assembler::equalsToken() {
    if (line_.state == kStateLineStart) {
        if (line_.labelPresent) {
            startDirective(kAssignment);
            // Forward references are fine in the first pass; a name that is
            // still undefined in the second pass would give the constant a
            // meaningless value, so it is reported there.
            line_.undefinedAllowed = firstPass_;
        } else {
            setError(kErrMissingLabel);
        }
    } else if (line_.state == kStateAfterStar) {
        startDirective(kSetAddress);
        line_.undefinedAllowed = false;
    } else {
        setError(kErrSyntax);
        return;
    }
    line_.kind = kKindDirective;
    line_.state = kStateOperand;
}

void Assembler::commaToken() {
    if (line_.state != kStateAfterOperand && line_.state != kStateAfterString) {
        setError(kErrSyntax);
        return;
    }
    if (line_.kind == kKindInstruction) {
        // The comma decides the indexed form of the operand.
        if (line_.indirectOpen && line_.indirectClosed) {
            line_.mode = kModeIndirectIndexed;
            line_.state = kStateIndirectY;
        } else if (line_.indirectOpen) {
            line_.mode = kModeIndexedIndirect;
            line_.state = kStateIndirectX;
        } else if (line_.mode == kModeAbsolute) {
            line_.state = kStateIndexRegister;
        } else {
            setError(kErrIllegalAddressMode);
        }
        return;
    }
    if (!line_.listAllowed) {
        setError(kErrTooManyOperands);
        return;
    }
    if (line_.statementCode != kMacroCall) requestOutput();
    line_.state = line_.stringSeen ? kStateString : kStateOperand;
}

void Assembler::closeBracketToken() {
    if (line_.state == kStateAfterOperand) {
        if (line_.bracketDepth > 0) {
            --line_.bracketDepth;
            operandValue_ = exprValue_;
            const BracketEntry& saved = brackets_[static_cast<std::size_t>(line_.bracketDepth)];
            exprValue_ = saved.value;
            line_.pendingOp = saved.op;
            applyOperator();
        } else if (line_.indirectOpen && !line_.indirectClosed) {
            line_.indirectClosed = true;
            line_.state = kStateAfterString;
        } else {
            setError(kErrBracket);
        }
    } else if (line_.state == kStateCloseIndirect) {
        line_.state = kStateLineEnd;
        line_.indirectClosed = true;
    } else {
        setError(kErrSyntax);
    }
}

int Assembler::endOfLine() {
    const int result = finishStatement();
    if (line_.labelMoved && errorCode_ == kNoError) {
        const SymbolRecord& label = *line_.labelRecord;
        setError(kErrPhase, nameOf(label));
    }
    return result;
}

int Assembler::finishStatement() {
    resetPending_ = true;
    if (line_.bracketDepth != 0) {
        setError(kErrBracket);
        return kContinue;
    }
    if (line_.pendingOp != kNone) {
        setError(kErrMissingOperand);
        return kContinue;
    }
    if (line_.kind == kKindInstruction) {
        encodeInstruction();
        return kContinue;
    }
    if (line_.kind == kKindDirective) return executeStatement();
    if (line_.labelPresent) {
        if (firstPass_ && !symbols_.define(line_.labelRecord, *blocks_)) {
            setError(kErrDoubleDefinition, nameOf(*line_.labelRecord));
            return kContinue;
        }
        setLabelAddress(*line_.labelRecord, pc_);
    }
    return kContinue;
}

}  // namespace brimwick::assembler
