// Message texts, exactly as TurboAss prints them (spelling included).
#include "asm/messages.h"

#include <array>

namespace brimwick::assembler {

namespace {

constexpr std::array<std::string_view, 40> kErrorTexts{
    "",
    "syntax",
    "double definition",
    "illegal addressmode",
    "",
    "addressmode not allowed",
    "",
    "branch out of range",
    "invalid source file",
    "illegal mnemonic",
    "illegal pseudo operation",
    "undefined statement",
    "missing register",
    "no number expected",
    "bracket error",
    "missing label",
    "program (bug)",
    "illegal string",
    "too many operands",
    "overflow",
    "assembler label expected",
    "missing number",
    "unexpected end of line",
    "missing operand",
    "",
    "",
    "can't write file",
    "macro marker without macro",
    "illegal macro marker",
    "macro marker not defined",
    "too high macros & includes depth",
    "too many macro parameters",
    "macro not defined",
    "too many brackets opened",
    "label reserved, can't be defined",
    "too many blocks",
    "phase error",
    "phase error, illegal phase flag",
    "division by zero",
    "too many lines; endless loop?",
};

constexpr std::array<std::string_view, 9> kWarningTexts{
    "",
    "endif without if",
    "turbo ass, no label",
    "not implemented",
    "operand size 'word' taken",
    "code suceeds $ffff, file cut",
    "endmacro without macro",
    "bend without block",
    "label too long; label cut",
};

}  // namespace

std::string_view errorText(std::uint8_t code) {
    return code < kErrorTexts.size() ? kErrorTexts[code] : std::string_view{};
}

std::string_view warningText(std::uint8_t code) {
    return code < kWarningTexts.size() ? kWarningTexts[code] : std::string_view{};
}

}  // namespace brimwick::assembler
