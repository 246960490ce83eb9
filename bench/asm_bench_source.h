// Generates TurboAss sources for the assembler benchmark and the 64tass
// cross-check: many labels, every addressing mode, branches, data directives,
// a macro called with "#", constants, variables, conditionals and comments,
// with one segment per "*=". The segments never overlap, because 64tass writes
// one image for all of them. Everything stays in the subset that 64tass -a -T
// assembles to the same bytes: zero-page operands are numbers or constants
// defined before use, forward references are code labels.
#pragma once

#include <cstdio>
#include <string>

namespace brimwick::bench {

// Every eighth label starts a group of instructions; the others are constants.
inline constexpr int kCodeLabelEvery = 8;
// Segment s starts at kFirstSegment + s * kSegmentSpacing.
inline constexpr int kFirstSegment = 0x0400;
inline constexpr int kSegmentSpacing = 0x0600;

inline std::string generateAsmSource(int segments, int labelsPerSegment) {
    std::string out;
    out.reserve(static_cast<std::size_t>(segments) * static_cast<std::size_t>(labelsPerSegment) *
                80);
    auto line = [&out](const std::string& text) {
        out += text;
        out += "\r\n";
    };
    line("; generated benchmark source");
    line("zp = $fb");
    line("screen = $0400");
    line("border = $d020");
    line("v .var 0");
    line("setc .macro");
    line(" lda #@1");
    line(" sta @2");
    line(" .endm");
    for (int s = 0; s < segments; ++s) {
        char start[32];
        std::snprintf(start, sizeof start, "*=$%04x", kFirstSegment + s * kSegmentSpacing);
        line(start);
        const std::string prefix = "l" + std::to_string(s) + "_";
        for (int k = 0; k < labelsPerSegment; ++k) {
            const std::string label = prefix + std::to_string(k);
            const std::string imm = std::to_string(k & 0xFF);
            if (k % kCodeLabelEvery != 0) {
                line(label + " = screen + " + std::to_string(k) + " * 2 + (zp & 3)");
                line("; " + imm + ": a comment that describes this constant in a few words");
                line("v .var " + label + " & $ff");
                line(" .ifne v - 300");
                line(" .endif");
                line("");
                continue;
            }
            int nextCode = k + kCodeLabelEvery;
            const std::string next =
                prefix + std::to_string(nextCode < labelsPerSegment ? nextCode : 0);
            line(label + " lda #" + imm);
            switch ((k / kCodeLabelEvery) % 8) {
                case 0:
                    line(" sta border,x");
                    line(" ldx zp");
                    break;
                case 1:
                    line(" lda (zp),y");
                    line(" sta ($fc,x)");
                    break;
                case 2:
                    line(" ldx $fe,y");
                    line(" sta $c100,y");
                    break;
                case 3:
                    line(" asl a");
                    line(" #setc \"" + imm + "\",\"$d021\"");
                    break;
                case 4:
                    line(" .byte 1," + imm);
                    line(" .word " + label + ",$1234");
                    break;
                case 5:
                    line(" stx zp,y");
                    line(" jmp ($0314)");
                    break;
                case 6:
                    line(" cpx #$10");
                    line(" inc " + next);
                    break;
                default:
                    line(" inx");
                    line(" jmp " + next);
                    break;
            }
            line(" lda zp,x");
            line(" bne " + label);
            line(" ; " + imm);
        }
    }
    return out;
}

}  // namespace brimwick::bench
