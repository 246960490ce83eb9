// BASIC V2's keywords and their tokens. BASIC keeps a program line
// "crunched": each keyword it recognises becomes one byte from $80 up, the
// rest stays PETSCII. Crunching has the C64's quirks: keywords are found
// anywhere outside quotes, with no regard for word boundaries ("XLOAD" holds
// LOAD), in the table's order; a keyword may be abbreviated by its first
// letters with the last one shifted ("lO" for LOAD); "?" stands for PRINT;
// digits, ":" and ";" are never part of a keyword; after REM the rest of the
// line and after DATA the rest of the statement stay as typed. LIST turns
// the tokens back into their keywords, except inside quotes.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace brimwick::c64::vc64 {

inline constexpr std::uint8_t kFirstToken = 0x80;
inline constexpr std::uint8_t kPiToken = 0xFF;  // the pi sign, a token of its own

// The keywords in token order, $80 END to $CB GO.
inline constexpr std::array<std::string_view, 76> kBasicKeywords = {
    "END",   "FOR",  "NEXT",   "DATA",    "INPUT#", "INPUT", "DIM",   "READ",  "LET",   "GOTO",
    "RUN",   "IF",   "RESTORE", "GOSUB",  "RETURN", "REM",   "STOP",  "ON",    "WAIT",  "LOAD",
    "SAVE",  "VERIFY", "DEF",  "POKE",    "PRINT#", "PRINT", "CONT",  "LIST",  "CLR",   "CMD",
    "SYS",   "OPEN", "CLOSE",  "GET",     "NEW",    "TAB(",  "TO",    "FN",    "SPC(",  "THEN",
    "NOT",   "STEP", "+",      "-",       "*",      "/",     "^",     "AND",   "OR",    ">",
    "=",     "<",    "SGN",    "INT",     "ABS",    "USR",   "FRE",   "POS",   "SQR",   "RND",
    "LOG",   "EXP",  "COS",    "SIN",     "TAN",    "ATN",   "PEEK",  "LEN",   "STR$",  "VAL",
    "ASC",   "CHR$", "LEFT$",  "RIGHT$",  "MID$",   "GO"};

// Tokens the direct mode and the crunching rules need by name.
inline constexpr std::uint8_t kTokenData = 0x83;
inline constexpr std::uint8_t kTokenRem = 0x8F;
inline constexpr std::uint8_t kTokenLoad = 0x93;
inline constexpr std::uint8_t kTokenSave = 0x94;
inline constexpr std::uint8_t kTokenVerify = 0x95;
inline constexpr std::uint8_t kTokenPrint = 0x99;
inline constexpr std::uint8_t kTokenList = 0x9B;
inline constexpr std::uint8_t kTokenNew = 0xA2;
inline constexpr std::uint8_t kTokenRun = 0x8A;
inline constexpr std::uint8_t kTokenPoke = 0x97;
inline constexpr std::uint8_t kTokenSys = 0x9E;
inline constexpr std::uint8_t kTokenMinus = 0xAB;

// The keyword of a token; empty for a byte that is none ($CC-$FE).
constexpr std::string_view keywordOf(std::uint8_t token) {
    if (token == kPiToken) return "\xFF";
    if (token < kFirstToken || token >= kFirstToken + kBasicKeywords.size()) return {};
    return kBasicKeywords[token - kFirstToken];
}

// A line of PETSCII as BASIC crunches it.
std::vector<std::uint8_t> crunch(const std::vector<std::uint8_t>& line);

}  // namespace brimwick::c64::vc64
