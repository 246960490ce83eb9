// What each directive number expects and what it makes of a label on its
// line. Set when the directive name (or "#", "*=", "=") is recognised.
#pragma once

#include <array>
#include <cstdint>

#include "asm/keywords.h"
#include "asm/line_state.h"
#include "asm/symbol_record.h"

namespace brimwick::assembler {

struct DirectiveAttributes {
    std::int8_t initialState;  // parser state after the name
    bool wordSized;            // operands are output as two bytes
    bool listAllowed;          // several operands separated by ","
    bool labelNeeded;          // the statement defines its label
    SymbolType labelType;      // type the label receives
};

inline constexpr DirectiveAttributes kNoDirective{kStateLineEnd, false, false, false,
                                                  SymbolType::Label};

inline constexpr auto kDirectiveAttributes = [] {
    using T = SymbolType;
    std::array<DirectiveAttributes, kAssignment + 1> t{};
    t.fill(kNoDirective);
    t[kText] = {kStateString, false, false, false, T::Label};
    t[kNull] = {kStateString, false, false, false, T::Label};
    t[kShift] = {kStateString, false, false, false, T::Label};
    t[kWord] = {kStateOperand, true, true, false, T::Label};
    t[kRta] = {kStateOperand, true, true, false, T::Label};
    t[kByte] = {kStateOperand, false, true, false, T::Label};
    t[kVar] = {kStateOperand, true, false, true, T::Variable};
    t[kGoto] = {kStateGotoTarget, false, false, false, T::NoLabel};
    t[kLbl] = {kStateLineEnd, false, false, true, T::SourceMark};
    t[kMacro] = {kStateLineEnd, false, false, false, T::Macro};
    t[kEndm] = {kStateLineEnd, false, false, false, T::Label};
    t[kIf] = {kStateOperand, true, false, false, T::Label};
    t[kIfeq] = {kStateOperand, true, false, false, T::Label};
    t[kIfmi] = {kStateOperand, true, false, false, T::Label};
    t[kIfpl] = {kStateOperand, true, false, false, T::Label};
    t[kOffs] = {kStateOperand, true, false, false, T::Label};
    t[kEor] = {kStateOperand, false, false, false, T::Label};
    t[kMacroCall] = {kStateMacroName, false, true, false, T::Label};
    t[kSetAddress] = {kStateOperand, true, false, false, T::Label};
    t[kAssignment] = {kStateOperand, true, false, true, T::Constant};
    return t;
}();

// The attributes of a statement number; numbers without a directive get none.
inline const DirectiveAttributes& directiveAttributes(std::uint16_t number) {
    return number < kDirectiveAttributes.size() ? kDirectiveAttributes[number] : kNoDirective;
}

inline bool isIfFamily(std::uint16_t number) {
    return number >= kIf && number <= kIfpl;
}

}  // namespace brimwick::assembler
