// The BASIC program in the virtual C64's memory, laid out as BASIC V2 keeps
// it from $0801: each line is a link to the next line, a 16-bit line number,
// the crunched text and a 0; a link of 0 ends the program. The start of the
// program (TXTTAB, $2B) and the end of it (VARTAB, $2D, where the variables
// would begin) are the pointers LOAD, SAVE and LIST work with.
//
// After a LOAD, BASIC does not trust the links it got: the directory a drive
// sends has made-up links ($0101), and a program saved elsewhere may have
// been linked for another address. `relink` recomputes every link from the
// 0 that ends each line, as BASIC does after LOAD and after a line is typed.
#pragma once

#include <cstdint>
#include <vector>

#include "c64/vc64/c64_memory.h"

namespace brimwick::c64::vc64 {

inline constexpr int kTxtTab = 0x002B;     // start of the BASIC program
inline constexpr int kVarTab = 0x002D;     // end of the program, start of the variables
inline constexpr int kAryTab = 0x002F;     // start of the arrays
inline constexpr int kStrEnd = 0x0031;     // end of the arrays
inline constexpr int kProgramStart = 0x0801;
inline constexpr int kProgramLimit = 0xA000;  // BASIC RAM ends where the BASIC ROM begins
inline constexpr int kMaxLineNumber = 63999;

// One line of the program as LIST shows it.
struct BasicLine {
    int number = 0;                    // the line number
    std::vector<std::uint8_t> text;    // the crunched text, without its 0
};

// What NEW and a cold start leave: an empty program at $0801.
void clearProgram(C64Memory& memory);
// Sets the end of the program (and of the variables) to `end`.
void setProgramEnd(C64Memory& memory, int end);
// Recomputes the links from the program start; returns the program's end
// (one past the final 0 0 link).
int relink(C64Memory& memory);
// The lines of the program, following the links from the start, at most up
// to the end of BASIC RAM.
std::vector<BasicLine> programLines(const C64Memory& memory);
// Enters a typed line: replaces the line with its number, deletes it when
// `text` is empty, or inserts it in order. False when it does not fit
// below the BASIC ROM (?OUT OF MEMORY).
bool enterLine(C64Memory& memory, int number, const std::vector<std::uint8_t>& text);

}  // namespace brimwick::c64::vc64
