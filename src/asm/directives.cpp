// Statements other than instructions, run at the end of their line: data
// directives, "=", ".var", "*=", source marks and jumps, conditionals, blocks,
// macro definitions and calls, and the directives TurboAss accepts but ignores.
#include "asm/assembler.h"
#include "asm/directive_table.h"

namespace brimwick::assembler {

namespace {

std::int32_t applyPrefix(std::int32_t value, char prefix) {
    if (prefix == '<') return value & 0xFF;
    if (prefix == '>') return (value >> 8) & 0xFF;
    return value;
}

}  // namespace

bool Assembler::applyLabel() {
    const std::uint16_t code = line_.statementCode;
    const DirectiveAttributes& a = directiveAttributes(code);
    SymbolRecord*& label = line_.labelRecord;
    if (code == kVar) {
        // .var never moves a symbol into a block; it only refuses to turn a
        // label or constant into a variable, and does so all the same.
        if (label->defined != 0 && label->type != SymbolType::Variable)
            setError(kErrDoubleDefinition, nameOf(*label));
        else
            label->defined = 1;
    } else if (firstPass_ && !symbols_.define(label, *blocks_)) {
        setError(kErrDoubleDefinition, nameOf(*label));
        return false;
    }
    if (firstPass_) label->line = lineNumber_;
    if (a.labelType == SymbolType::Label) setLabelAddress(*label, line_.lineStartAddress);
    label->type = a.labelType;
    switch (a.labelType) {
        case SymbolType::NoLabel:
            label->value = 0;
            setWarning(kWarnNoLabel);
            break;
        case SymbolType::Variable:
        case SymbolType::Constant:
            label->value = applyPrefix(exprValue_, line_.prefix);
            line_.prefix = kNone;
            break;
        case SymbolType::SourceMark:
        case SymbolType::Macro:
            label->value = cursor_.pos;
            break;
        default:
            break;
    }
    return true;
}

int Assembler::executeStatement() {
    const std::uint16_t code = line_.statementCode;
    if (line_.state == kStateOperand) {
        setError(kErrMissingNumber);
        return kContinue;
    }
    if (line_.state != kStateAfterOperand && line_.state != kStateLineEnd &&
        line_.state != kStateAfterString && !(code == kMacroCall && line_.state == kStateString)) {
        setError(kErrUnexpectedEndOfLine);
        return kContinue;
    }
    if (line_.labelPresent && code != kEndm) {
        if (!applyLabel()) return kContinue;
    } else if (directiveAttributes(code).labelNeeded) {
        setError(kErrMissingLabel);
        return kContinue;
    }

    const std::int32_t value = exprValue_;
    switch (code) {
        case kText:
        case kNull:
        case kShift:
        case kByte:
        case kWord:
        case kRta:
            requestOutput();
            break;
        case kGoto:
            ++stats_.jumps;
            cursor_.pos = clampPosition(value);
            break;
        case kMacro:
            skipMode_ = 1;
            definingMacro_ = true;
            break;
        case kEndm:
            return endMacro();
        case kBlock:
            if (!blocks_->openBlock()) setError(kErrTooManyBlocks);
            break;
        case kBend:
            if (!blocks_->closeBlock()) setWarning(kWarnBendWithoutBlock);
            break;
        case kIf:
        case kIfeq:
        case kIfmi:
        case kIfpl: {
            ++ifOpen_;
            const bool assemble = code == kIf     ? value != 0
                                  : code == kIfeq ? value == 0
                                  : code == kIfmi ? value < 0
                                                  : value >= 0;
            if (!assemble) startSkipping();
            break;
        }
        case kEndif:
            if (ifSkipDepth_ > 0) --ifSkipDepth_;
            if (ifOpen_ > 0)
                --ifOpen_;
            else
                setWarning(kWarnEndifWithoutIf);
            break;
        case kOffs:
            offsValue_ = value;
            break;
        case kEor:
            eorValue_ = value;
            break;
        case kInclude:
        case kShowmac:
        case kHidemac:
        case kPron:
        case kProff:
            setWarning(kWarnNotImplemented);
            break;
        case kMacroCall:
            return callMacro();
        case kSetAddress:
            if (!firstPass_ && pc_ != segmentStart_) writeSegment();
            pc_ = static_cast<std::uint16_t>(value);
            segmentStart_ = pc_;
            break;
        default:  // .var, .lbl and "=" did all in applyLabel
            break;
    }
    return kContinue;
}

}  // namespace brimwick::assembler
