// Cross-check against 64tass -a -T (ASCII source, TASM-compatible mode): on
// the subset both assemblers share (instructions, labels, "*=", .byte, .word,
// .rta, .text, .null, "=", macros called with "#") they must produce the same
// bytes. 64tass writes one file with the gaps between segments filled; we
// write one file per segment and compare each with its slice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "asm_bench_source.h"
#include "asm_test_support.h"
#include "guide_examples.h"

namespace brimwick::assembler::test {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CrossCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::system("command -v 64tass >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "64tass is not installed";
        dir_ = fs::temp_directory_path() /
               ("brimwick-asm-cross-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        if (!dir_.empty()) fs::remove_all(dir_);
    }

    // Assembles `text` with both assemblers and compares every segment.
    void compare(const std::string& text) {
        const fs::path source = dir_ / "cross.a64";
        std::ofstream(source, std::ios::binary) << text;
        AssemblerOptions options;
        options.showResultsOnSuccess = options.showResultsOnErrors = false;
        auto ours = std::make_unique<Assembler>(options);
        ASSERT_EQ(ours->assembleFile(source.string()), 0) << readFile(dir_ / "cross.txt");

        const fs::path theirs = dir_ / "theirs.bin";
        ASSERT_EQ(runProgram({"64tass", "-a", "-T", "-q", source.string(), "-o", theirs.string()}),
                  0);
        const std::string image = readFile(theirs);
        ASSERT_GE(image.size(), 2u);
        const unsigned base =
            static_cast<unsigned char>(image[0]) + 256u * static_cast<unsigned char>(image[1]);

        int segments = 0;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("cross", 0) != 0 || entry.path().extension() != ".prg") continue;
            const std::string file = readFile(entry.path());
            ASSERT_GE(file.size(), 2u) << name;
            const unsigned load =
                static_cast<unsigned char>(file[0]) + 256u * static_cast<unsigned char>(file[1]);
            ASSERT_GE(load, base) << name;
            const std::string slice = image.substr(2 + load - base, file.size() - 2);
            EXPECT_EQ(hex(file.substr(2)), hex(slice)) << name;
            ++segments;
        }
        EXPECT_GT(segments, 0);
    }

    fs::path dir_;  // temporary directory of this test
};

TEST_F(CrossCheck, EveryAddressingMode) {
    compare(lines({
        "zp = $fb",     "*=$c000",      "start lda #$41", " lda zp",      " lda zp,x",
        " ldx zp,y",    " lda $1234",   " lda $1234,x",   " lda $1234,y", " lda (zp,x)",
        " lda (zp),y",  " asl a",       " asl",           " rol $10",     " ror $1000,x",
        " lsr zp,x",    " jmp ($0314)", " jmp start",     " jsr start",   " bne start",
        " beq fwd",     " bit $d011",   " bit zp",        " cpx #1",      " cpy $1234",
        " stx zp,y",    " sty zp,x",    " inc $d020",     " dec zp,x",    " sta ($fc),y",
        " sta $0400,y", " ora #%1010",  " and #12",       " eor #$ff",    " adc zp",
        " sbc $1234,x", " cmp #\"a\"",  " ldy $1000,x",   " ldx $1000,y", "fwd brk",
        " php",         " clc",         " plp",           " sec",         " rti",
        " pha",         " cli",         " rts",           " pla",         " sei",
        " dey",         " txa",         " tya",           " txs",         " tay",
        " tax",         " clv",         " tsx",           " iny",         " dex",
        " cld",         " inx",         " nop",           " sed",
    }));
}

TEST_F(CrossCheck, DataDirectivesAndExpressions) {
    compare(lines({
        "*=$0801",
        "table .byte 1,2,3,$ff,%1001,\"a\",\"Z\"",
        " .word table,$1234,65535",
        " .rta table,$c000",
        " .text \"hello, world!\"",
        " .null \"abc\"",
        "value = 2+3*4",
        " .byte value, <table, >table, (1+2)*3, 7/2, 12&10",
        " .word value*256+1",
        " lda #<table",
        " ldx #>table",
        " lda table+1,x",
    }));
}

TEST_F(CrossCheck, MacrosAndSegments) {
    compare(lines({
        "poke .macro",
        " lda #@1",
        " sta @2",
        " .endm",
        "*=$c000",
        " #poke \"1\",\"$d020\"",
        " #poke \"<data\",\"$d021\"",
        "data .byte 0",
        "*=$c100",
        "more #poke \"2\",\"more\"",
        " jmp data",
        "*=$1000",
        " .word more",
    }));
}

TEST_F(CrossCheck, GeneratedSourceWithManyLabels) {
    compare(brimwick::bench::generateAsmSource(6, 96));
}

TEST_F(CrossCheck, GeneratedSourceWithLineFeedLineEnds) {
    std::string text = brimwick::bench::generateAsmSource(6, 96);
    std::erase(text, '\r');
    compare(text);
}

// The guide's examples that assemble without messages, except those it marks
// as differing from 64tass. Both assemblers get the same start address for
// code without one of its own.
TEST_F(CrossCheck, SyntaxGuideExamples) {
    int compared = 0;
    for (const GuideExample& example : readGuideExamples(BRIMWICK_ASSEMBLER_GUIDE)) {
        const bool clean =
            std::none_of(example.outcomes.begin(), example.outcomes.end(), [](const auto& o) {
                return o.find(": error: ") != std::string::npos ||
                       o.find(": warning: ") != std::string::npos;
            });
        if (!example.crossCheck || !clean || example.outcomes.empty()) continue;
        SCOPED_TRACE("example at docs/assembler.md:" + std::to_string(example.line));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        compare("*=$1000\n" + example.source);
        ++compared;
    }
    EXPECT_GT(compared, 10);
}

}  // namespace
}  // namespace brimwick::assembler::test
