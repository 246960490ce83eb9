// Macro calls and parameter markers. Nothing is copied: a call saves the
// cursor and reads the body again from the source buffer; a marker "@1".."@9"
// saves the cursor and reads the parameter's text in place, in the context of
// the line that called the macro, until the end of that text restores the
// cursor. Calls and markers share the 200 entries of the source stack.
#include "asm/assembler.h"

namespace brimwick::assembler {

int Assembler::expandMarker() {
    ++cursor_.pos;
    const SourceCursor* call = stack_.at(cursor_.macroContext);
    if (call == nullptr) {
        setError(kErrMarkerWithoutMacro);
        return kContinue;
    }
    const std::uint8_t digit = cursor_.pos < cursor_.windowEnd ? byteAt(cursor_.pos) : 0;
    if (digit < '1' || digit > '9') {
        setError(kErrIllegalMacroMarker);
        return kContinue;
    }
    ++cursor_.pos;
    const int n = digit - '1';
    if (n >= call->paramCount) {
        setError(kErrMarkerNotDefined);
        return kContinue;
    }
    const SourceCursor parameterOwner = *call;  // the push may reuse no entry, but be plain
    if (!stack_.push(cursor_)) return kErrMacroDepth;
    ++stats_.expansions;
    const auto i = static_cast<std::size_t>(n);
    cursor_.pos = parameterOwner.paramStart[i];
    cursor_.windowEnd = parameterOwner.paramEnd[i];
    cursor_.macroContext = parameterOwner.macroContext;
    return kContinue;
}

int Assembler::callMacro() {
    if (!stack_.push(cursor_)) return kErrMacroDepth;
    ++stats_.expansions;
    ++macroDepth_;
    cursor_.macroContext = stack_.count() - 1;
    cursor_.pos = clampPosition(line_.macroBody);
    return kContinue;
}

int Assembler::endMacro() {
    if (definingMacro_) {
        definingMacro_ = false;
    } else if (macroDepth_ == 0) {
        setWarning(kWarnEndmWithoutMacro);
    } else {
        --macroDepth_;
        if (!stack_.pop(cursor_)) return kErrProgramBug;
    }
    return kContinue;
}

}  // namespace brimwick::assembler
