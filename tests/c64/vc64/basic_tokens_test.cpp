// Crunching typed lines into BASIC V2 tokens, with the C64's quirks, and
// the token table LIST spells them out from.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "c64/vc64/basic_tokens.h"

namespace brimwick::c64::vc64 {
namespace {

std::vector<std::uint8_t> bytes(const std::string& text) { return {text.begin(), text.end()}; }

struct CrunchCase {
    const char* typed;                  // PETSCII as typed (\xCF is a shifted O)
    std::vector<std::uint8_t> crunched;  // what BASIC keeps
};

const CrunchCase kCrunch[] = {
    {"LOAD\"$\",8", {0x93, '"', '$', '"', ',', '8'}},
    {"L\xCF\"A\"", {0x93, '"', 'A', '"'}},                 // abbreviation: L shift-O
    {"XLOAD", {'X', 0x93}},                                 // no word boundaries
    {"PRINT\"LIST\"LIST", {0x99, '"', 'L', 'I', 'S', 'T', '"', 0x9B}},
    {"?", {0x99}},
    {"INPUT#1", {0x84, '1'}},                               // INPUT# before INPUT
    {"INPUT A", {0x85, ' ', 'A'}},
    {"REM LIST:LOAD", {0x8F, ' ', 'L', 'I', 'S', 'T', ':', 'L', 'O', 'A', 'D'}},
    {"DATA LIST:LIST", {0x83, ' ', 'L', 'I', 'S', 'T', ':', 0x9B}},
    {"A=1-2", {'A', 0xB2, '1', 0xAB, '2'}},
    {"GOTO10", {0x89, '1', '0'}},
    {"GO TO", {0xCB, ' ', 0xA4}},
    {"\"OPEN", {'"', 'O', 'P', 'E', 'N'}},                  // an open quote to the end
};

TEST(BasicTokensTest, CrunchesAsC64BasicDoes) {
    for (const CrunchCase& c : kCrunch) EXPECT_EQ(crunch(bytes(c.typed)), c.crunched) << c.typed;
}

TEST(BasicTokensTest, KeywordTableRunsFromEndToGo) {
    EXPECT_EQ(keywordOf(0x80), "END");
    EXPECT_EQ(keywordOf(kTokenLoad), "LOAD");
    EXPECT_EQ(keywordOf(kTokenList), "LIST");
    EXPECT_EQ(keywordOf(0xB4), "SGN");
    EXPECT_EQ(keywordOf(0xCA), "MID$");
    EXPECT_EQ(keywordOf(0xCB), "GO");
    EXPECT_EQ(keywordOf(0xCC), "");
    EXPECT_EQ(keywordOf(0x41), "");
}

}  // namespace
}  // namespace brimwick::c64::vc64
