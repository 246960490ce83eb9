// What the virtual C64 shows on its screen, kept as screen codes at $0400 as
// on a real C64, so the link's screen mirror reads it like any. After
// power-up or a reset the screen is clear with READY. at the top. Two kinds
// of writing reach it, as on a C64:
// - the editor's echo of a typed key (`type`): characters at the cursor, DEL
//   rubs out the one before it, RETURN ends the line;
// - what BASIC and the kernal print (`print`): PETSCII with RETURN, reverse
//   on and off, clear and home. A quote printed starts the editor's quote
//   mode, as on a C64: until the next quote or RETURN, control characters
//   show as reverse-video symbols instead of acting, so LIST shows a
//   program's PRINT "{clear}" instead of clearing the screen.
// A line that runs past column 40 continues on the next row; the editor
// joins at most two rows into one logical line (80 characters), and RETURN
// reads that logical line back from the screen for BASIC (`logicalLine`).
// Printing exactly 40 characters and then RETURN leaves an empty row, as a
// C64 does. At the bottom the screen scrolls up.
#pragma once

#include <cstdint>
#include <vector>

#include "c64/vc64/c64_memory.h"
#include "link/c64_locations.h"

namespace brimwick::c64::vc64 {

inline constexpr int kVirtualColumns = 40;
inline constexpr int kVirtualRows = 25;
inline constexpr std::uint8_t kScreenSpace = 0x20;  // screen code of a blank
inline constexpr int kKeyReturn = 0x0D;
inline constexpr int kKeyDelete = 0x14;
inline constexpr int kReverseOn = 0x12;
inline constexpr int kReverseOff = 0x92;
inline constexpr int kClearScreen = 0x93;
inline constexpr int kHome = 0x13;
inline constexpr int kShiftedReturn = 0x8D;
inline constexpr int kPi = 0xFF;
inline constexpr int kLogicalLineRows = 2;  // rows the editor joins into one line

// The screen code of a PETSCII character as the editor prints it, or -1 for
// a control key that prints nothing.
constexpr int screenCodeOf(int petscii) {
    if (petscii >= 0x20 && petscii < 0x40) return petscii;
    if (petscii >= 0x40 && petscii < 0x60) return petscii - 0x40;  // @, letters, [ ...
    if (petscii >= 0x60 && petscii < 0x80) return petscii - 0x20;
    if (petscii >= 0xA0 && petscii < 0xC0) return petscii - 0x40;
    if (petscii >= 0xC0 && petscii < 0xFF) return petscii - 0x80;  // shifted letters
    if (petscii == kPi) return 0x5E;
    return -1;
}

// The PETSCII character the editor reads back from a screen code (reverse
// video dropped): shifted letters and graphics come back as $C0-$DF and
// $A0-$BF, whichever code typed them.
constexpr int petsciiOfScreenCode(int code) {
    code &= 0x7F;
    if (code < 0x20) return code + 0x40;
    if (code < 0x40) return code;
    if (code < 0x60) return code + 0x80;
    return code + 0x40;
}

class VirtualScreen {
  public:
    int row = 0;           // cursor row 0..24
    int column = 0;        // cursor column 0..39
    int lineStart = 0;     // row where the cursor's logical line begins
    bool reverse = false;  // printing in reverse video
    bool quoteMode = false;  // a printed quote is open: control characters show

    // A clear screen, READY. in the first row, the cursor below it.
    void powerUp(C64Memory& memory);
    // The editor's echo of one typed key.
    void type(C64Memory& memory, int key);
    // One character printed by BASIC or the kernal.
    void print(C64Memory& memory, int petscii);
    // The logical line the cursor is on, from its first column up to the
    // cursor, read back as PETSCII without trailing blanks.
    std::vector<std::uint8_t> logicalLine(const C64Memory& memory) const;

  private:
    int cell() const { return link::kC64Screen + row * kVirtualColumns + column; }
    void clear(C64Memory& memory);
    void put(C64Memory& memory, int code);
    void rubOut(C64Memory& memory);
    // To the next row: a new logical line, or (`wrapped`) its continuation.
    void newLine(C64Memory& memory, bool wrapped);
};

}  // namespace brimwick::c64::vc64
