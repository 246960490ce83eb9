// Source lines and the bytes and messages they produce: expressions, numbers,
// strings, prefixes, brackets, instructions and directives, each assembled at
// $C000. One table per topic; every row is a complete little source.
#include <gtest/gtest.h>

#include "asm_test_support.h"

namespace brimwick::assembler::test {
namespace {

struct LineCase {
    const char* source;                 // lines separated by "\n"
    const char* code;                   // expected bytes at $C000, as hex
    std::vector<std::string> messages;  // expected printed messages, in order
};

// The row's source on one line, without characters that test runners treat
// specially in test names.
std::ostream& operator<<(std::ostream& os, const LineCase& c) {
    for (const char* p = c.source; *p != '\0'; ++p) {
        if (*p == '\n')
            os << " / ";
        else if (*p == ';')
            os << "(semicolon)";
        else if (*p == '\t')
            os << "(tab)";
        else
            os << *p;
    }
    return os;
}

std::string crlf(std::string_view text) {
    std::string out = "*=$c000\r\n";
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out + "\r\n";
}

void check(const LineCase& c) {
    RunResult r = assembleText(crlf(c.source));
    EXPECT_EQ(hex(r.code()), c.code);
    EXPECT_EQ(r.texts(), c.messages);
}

class ExpressionLines : public ::testing::TestWithParam<LineCase> {};
TEST_P(ExpressionLines, AssembleAsTurboAssDoes) {
    check(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExpressionLines,
    ::testing::Values(
        LineCase{".byte 2+3*4", "14", {}}, LineCase{".byte 2+(3*4)", "0E", {}},
        LineCase{".byte 7/2", "03", {}}, LineCase{".byte 0-7/2", "FD", {}},
        LineCase{".byte -7", "", {"error: syntax"}}, LineCase{".byte 0-7", "F9", {}},
        LineCase{".byte $ff", "FF", {}}, LineCase{".byte $FF", "", {"error: syntax"}},
        LineCase{".byte $", "00", {}}, LineCase{".byte %101", "05", {}},
        LineCase{".byte 12&10", "08", {}}, LineCase{".byte \"a\"", "41", {}},
        LineCase{".byte \"A\"", "C1", {}}, LineCase{".byte \"ab\"", "", {"error: syntax"}},
        LineCase{".byte \"1\"+1", "32", {}}, LineCase{"lda #<$1234", "A9 34", {}},
        LineCase{".byte >$1234", "12", {}}, LineCase{".byte <>$1234", "", {"error: syntax"}},
        LineCase{".word 65535", "FF FF", {}}, LineCase{".word 65536", "00 00", {"error: overflow"}},
        LineCase{".word 0-32768", "00 80", {}},
        LineCase{".word 0-32769", "FF 7F", {"error: overflow"}}, LineCase{".byte 0-128", "80", {}},
        LineCase{".byte 0-129", "7F", {"error: overflow"}},
        LineCase{".byte 256", "00", {"error: overflow"}},
        LineCase{".byte ((((((((((((((((1))))))))))))))))", "01", {}},
        LineCase{
            ".byte (((((((((((((((((1)))))))))))))))))", "", {"error: too many brackets opened"}},
        LineCase{".byte (1", "", {"error: bracket error"}},
        LineCase{".byte 1)", "", {"error: bracket error"}},
        LineCase{".byte 1+", "", {"error: missing operand"}},
        LineCase{".byte 1 2", "", {"error: no number expected"}},
        LineCase{"label label2", "", {"error: illegal mnemonic"}},
        LineCase{"  start nop\n jmp start", "EA 4C 00 C0", {}},
        LineCase{"LDA #1", "", {"error: no number expected"}},
        LineCase{"a nop", "", {"error: label reserved, can't be defined"}},
        LineCase{".byte 1 ; two\n.byte 2", "01 02", {}},
        LineCase{"; comment\n.byte 2 ;\n;", "02", {}},
        LineCase{".byte 1,2 ! 3\n.byte 4", "01 04", {"error: invalid source file"}},
        LineCase{".text \"a\tb\"", "", {"error: illegal string"}},
        LineCase{".text \"a\x14z\"", "41 14 5A", {}},
        LineCase{".byte 4/0\n.byte 9", "09", {"error: division by zero"}},
        LineCase{".byte 1 / (2-2)", "", {"error: division by zero"}},
        LineCase{"x = 5\n.byte x*3", "0F", {}}, LineCase{"x = fwd+1\nfwd = 2\n.byte x", "03", {}},
        LineCase{"x = nowhere\n.byte 1", "01", {"error: undefined statement"}}));

class InstructionLines : public ::testing::TestWithParam<LineCase> {};
TEST_P(InstructionLines, EncodeAs6502) {
    check(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Table, InstructionLines,
    ::testing::Values(
        LineCase{"lda #$41", "A9 41", {}}, LineCase{"lda $ff", "A5 FF", {}},
        LineCase{"lda $00ff", "A5 FF", {}}, LineCase{"lda $1234", "AD 34 12", {}},
        LineCase{"lda $1234,x", "BD 34 12", {}}, LineCase{"lda $12,x", "B5 12", {}},
        LineCase{"lda $12,y", "B9 12 00", {}}, LineCase{"ldx $12,y", "B6 12", {}},
        LineCase{"stx $1234,y", "", {"error: addressmode not allowed"}},
        LineCase{"lda ($12),y", "B1 12", {}}, LineCase{"lda ($12,x)", "A1 12", {}},
        LineCase{"lda ($12),x", "", {"error: illegal addressmode"}},
        LineCase{"lda ($12,y)", "", {"error: illegal addressmode"}},
        LineCase{"lda ($12)", "", {"error: addressmode not allowed"}},
        LineCase{"lda ($12", "", {"error: bracket error"}}, LineCase{"jmp ($1234)", "6C 34 12", {}},
        LineCase{"jmp $1234", "4C 34 12", {}}, LineCase{"jsr $12", "20 12 00", {}},
        LineCase{"asl", "0A", {}}, LineCase{"asl a", "0A", {}}, LineCase{"asl $10,x", "16 10", {}},
        LineCase{"lda a", "", {"error: addressmode not allowed"}},
        LineCase{"sta #1", "", {"error: addressmode not allowed"}},
        LineCase{"lda #1,x", "", {"error: illegal addressmode"}},
        LineCase{"lda $12,z", "", {"error: missing register"}},
        LineCase{"lda #300", "A9 2C", {"error: overflow"}}, LineCase{"lda >$1234", "A5 12", {}},
        LineCase{"lda <$1234,x", "B5 34", {}},
        LineCase{"lda #", "A9 00", {"error: missing operand"}}, LineCase{"l bne l", "D0 FE", {}},
        LineCase{"bne $c000", "D0 FE", {}}, LineCase{"bne $c000+129", "D0 7F", {}},
        LineCase{"bne $c000+200\nnop", "D0 00 EA", {"error: branch out of range"}},
        LineCase{"bne #1", "", {"error: addressmode not allowed"}},
        LineCase{"lda fwd\nfwd = $12", "AD 12 00", {"warning: operand size 'word' taken"}},
        LineCase{"lda fwd,x\nfwd = $12", "BD 12 00", {"warning: operand size 'word' taken"}},
        LineCase{"lda <fwd\nfwd = $1234", "A5 34", {}},
        LineCase{"ldy fwd,x\nfwd = $1234", "BC 34 12", {}},
        LineCase{"inc fwd\nfwd = $d020", "EE 20 D0", {}},
        LineCase{"cpx #0\ncpy $fe\nbit $d011", "E0 00 C4 FE 2C 11 D0", {}},
        LineCase{"nop", "EA", {}}, LineCase{"LDX #1", "", {"error: no number expected"}},
        LineCase{"lda lda", "", {"error: undefined statement"}},
        LineCase{".eor $ff\nlda #$00", "A9 FF", {}},
        LineCase{".eor $ff\nlda $1234", "AD CB ED", {}}));

class DirectiveLines : public ::testing::TestWithParam<LineCase> {};
TEST_P(DirectiveLines, ActAsTurboAssDoes) {
    check(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Table, DirectiveLines,
    ::testing::Values(
        LineCase{".byte 1,2,3", "01 02 03", {}}, LineCase{".word $1234,5", "34 12 05 00", {}},
        LineCase{".rta $1234", "33 12", {}}, LineCase{".rta 0", "FF FF", {}},
        LineCase{".text \"ab\"", "41 42", {}}, LineCase{".null \"ab\"", "41 42 00", {}},
        LineCase{".shift \"ab\"", "41 62", {}}, LineCase{".null \"\"", "00", {}},
        LineCase{".text \"ab\",\"c\"", "", {"error: too many operands"}},
        LineCase{".byte", "", {"error: missing number"}},
        LineCase{".byte 1,", "01", {"error: missing number"}},
        LineCase{".text", "", {"error: unexpected end of line"}},
        LineCase{".text 5", "", {"error: no number expected"}},
        LineCase{".", "", {"error: unexpected end of line"}},
        LineCase{".foo", "", {"error: illegal pseudo operation"}},
        LineCase{".x", "", {"error: illegal pseudo operation"}},
        LineCase{".eor $ff\n.byte 1", "FE", {}}, LineCase{".eor $ff\n.text \"a\"", "41", {}},
        LineCase{"x .var 1\nx .var x+1\n.byte x", "02", {}},
        LineCase{"x = 1\nx = 2", "", {"error: double definition"}},
        LineCase{"x = 1\nx .var 2\n.byte x",
                 "02",
                 {"error: double definition", "error: double definition"}},
        LineCase{".var 1", "", {"error: missing label"}},
        LineCase{"= 1", "", {"error: missing label"}}, LineCase{"l .lbl", "", {}},
        LineCase{"x = <$1234\n.byte x", "34", {}}, LineCase{".if 0\n.byte 1\n.endif", "", {}},
        LineCase{".if 1\n.byte 1\n.endif", "01", {}},
        LineCase{".ifne 2\n.byte 1\n.endif", "01", {}},
        LineCase{".ifeq 0\n.byte 1\n.endif", "01", {}},
        LineCase{".ifeq 1\n.byte 1\n.endif", "", {}},
        LineCase{".ifpl 0\n.byte 1\n.endif", "01", {}},
        LineCase{".ifpl 0-1\n.byte 1\n.endif", "", {}},
        LineCase{".ifmi 0\n.byte 1\n.endif", "", {}},
        LineCase{".ifmi 0-1\n.byte 1\n.endif", "01", {}},
        LineCase{".if 0\n.if 1\n.byte 1\n.endif\n.byte 2\n.endif\n.byte 3", "03", {}},
        LineCase{".if 0\n.byte 1\nendif\n.byte 2", "02", {}},
        LineCase{".if 0\n.byte 1\nl .endif\n.byte 2\n.endif\n.byte 3", "03", {}},
        LineCase{".endif", "", {"warning: endif without if"}},
        LineCase{".endm", "", {"warning: endmacro without macro"}},
        LineCase{".bend", "", {"warning: bend without block"}},
        LineCase{".include", "", {"warning: not implemented"}},
        LineCase{".include \"x\"", "", {"error: syntax"}},
        LineCase{".pron\n.proff\n.showmac\n.hidemac",
                 "",
                 {"warning: not implemented", "warning: not implemented",
                  "warning: not implemented", "warning: not implemented"}},
        LineCase{"m .macro\nlda #@1\n.endm\n#m \"5\"", "A9 05", {}},
        LineCase{
            "m .segment\n.byte @2,@1\n.endm\n#m \"1\",\"2\"\n#m \"3\",\"4\"", "02 01 04 03", {}},
        LineCase{"m .macro\n.byte 1\n.endm\n#m\n#m", "01 01", {}},
        LineCase{"m .macro\n.endm\n#m \"1\",\"2\",\"3\",\"4\",\"5\",\"6\",\"7\",\"8\",\"9\",\"10\"",
                 "",
                 {"error: too many macro parameters"}},
        LineCase{"m .macro\n.endm\n#m 5", "", {"error: no number expected"}},
        LineCase{"#nothing", "", {"error: macro not defined"}},
        LineCase{"#", "", {"error: unexpected end of line"}},
        LineCase{".byte @1", "", {"error: macro marker without macro"}},
        LineCase{"m .macro\n.byte @0\n.endm\n#m \"1\"", "", {"error: illegal macro marker"}},
        LineCase{"m .macro\n.byte @2\n.endm\n#m \"1\"", "", {"error: macro marker not defined"}},
        LineCase{"m .macro\n.text \"@1\"\n.endm\n#m \"1\"", "40 31", {}},
        LineCase{"m .macro\nlda $@1\n.endm\n#m \"12\"", "", {"error: no number expected"}},
        LineCase{"o .macro\n.byte @1\n.endm\ni .macro\n#o \"@1+1\"\n.endm\n#i \"5\"", "06", {}},
        LineCase{"i .var 0\nloop .lbl\ni .var i+1\n.byte i\n.ifne i-4\n.goto loop\n.endif",
                 "01 02 03 04",
                 {}},
        LineCase{".goto nowhere", "", {"error: undefined statement", "error: undefined statement"}},
        LineCase{"x = 1\n.goto x", "", {"error: assembler label expected"}},
        LineCase{"x .var 0\nl .lbl\n.ifeq x\nx .var 1\nq .goto l\n.endif",
                 "",
                 {"warning: turbo ass, no label"}},
        LineCase{".goto", "", {"error: unexpected end of line"}},
        LineCase{"n = 1\n.block\nn = 2\n.byte n\n.bend\n.byte n", "02 01", {}},
        LineCase{".block\nn = 2\nn = 3\n.bend", "", {"error: double definition"}},
        LineCase{".block\n.byte n\nn = 7\n.bend", "07", {}},
        LineCase{".block\nv .var 4\n.bend\n.byte v", "04", {}},
        LineCase{"n = 1\n.block\n.block\n.byte n\nn = 3\n.byte n\n.bend\n.byte n\n.bend",
                 "03 03 01",
                 {}},
        LineCase{"l .block\n.byte l-$c000\nm .bend\n.byte m-$c000",
                 "00",
                 {"error: undefined statement"}},
        LineCase{".offs $1000\nnop", "EA", {}}));

}  // namespace
}  // namespace brimwick::assembler::test
