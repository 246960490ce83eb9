// What the virtual C64 shows on its screen, kept as screen codes at $0400 as
// on a real C64, so the link's screen mirror reads it like any. After
// power-up or a reset the screen is clear with READY. at the top. Two kinds
// of writing reach it, as on a C64:
// - the editor's echo of a typed key (`type`): the key printed, except that
//   DEL rubs out the one before it even inside quotes;
// - what BASIC and the kernal print (`print`, CHROUT): PETSCII with RETURN,
//   reverse on and off, clear, home, the cursor moves, the sixteen colour
//   codes and the switch between the upper-case and the lower-case
//   character set. A quote printed starts the editor's quote
//   mode, as on a C64: until the next quote or RETURN, control characters
//   show as reverse-video symbols instead of acting, so LIST shows a
//   program's PRINT "{clear}" instead of clearing the screen.
// A line that runs past column 40 continues on the next row; the editor
// joins at most two rows into one logical line (80 characters), and RETURN
// reads that logical line back from the screen for BASIC (`logicalLine`),
// a reversed symbol inside quotes as the control character it stands for.
// Printing exactly 40 characters and then RETURN leaves an empty row, as a
// C64 does. At the bottom the screen scrolls up.
//
// Each character written also sets its colour in colour RAM at $D800 to the
// text colour at $0286, which programs may change by a colour code or by
// POKEing $0286 directly; clearing the screen paints colour RAM with it too.
// The cursor's row and column are kept at $D6 and $D3 as the kernal keeps
// them (PLOT reads and sets them). Power-up gives the C64's light blue
// border and text on a blue background.
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
inline constexpr int kCursorDown = 0x11;
inline constexpr int kCursorUp = 0x91;
inline constexpr int kCursorRight = 0x1D;
inline constexpr int kCursorLeft = 0x9D;
inline constexpr int kLowerCase = 0x0E;  // switch to the lower-case character set
inline constexpr int kUpperCase = 0x8E;  // back to upper case with graphics
inline constexpr int kInsert = 0x94;

// Where the screen's state lives, as in the C64's kernal and VIC-II.
inline constexpr int kColourRam = 0xD800;         // one colour nibble per screen cell
inline constexpr int kBorderColour = 0xD020;      // VIC-II border colour
inline constexpr int kBackgroundColour = 0xD021;  // VIC-II background colour 0
inline constexpr int kMemorySetup = 0xD018;       // VIC-II screen and character set base
inline constexpr int kTextColour = 0x0286;        // colour of the next character printed
inline constexpr int kCursorColumn = 0x00D3;      // the cursor's column
inline constexpr int kCursorRow = 0x00D6;         // the cursor's row
inline constexpr std::uint8_t kUpperCaseSetup = 0x15;  // $D018: screen $0400, upper case
inline constexpr std::uint8_t kLowerCaseSetup = 0x17;  // $D018: screen $0400, lower case
inline constexpr std::uint8_t kLightBlue = 14;
inline constexpr std::uint8_t kBlue = 6;

// The colour a PETSCII colour code selects, or -1 for any other code.
constexpr int colourOfCode(int petscii) {
    constexpr int kCodes[16] = {0x90, 0x05, 0x1C, 0x9F, 0x9C, 0x1E, 0x1F, 0x9E,
                                0x81, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B};
    for (int colour = 0; colour < 16; ++colour)
        if (kCodes[colour] == petscii) return colour;
    return -1;
}

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
    // The editor's start (CINT): default colours, upper case, a clear screen.
    void reset(C64Memory& memory);
    // The editor's echo of one typed key.
    void type(C64Memory& memory, int key);
    // One character printed by BASIC or the kernal.
    void print(C64Memory& memory, int petscii);
    // The logical line the cursor is on, from its first column up to the
    // cursor, read back as PETSCII without trailing blanks.
    std::vector<std::uint8_t> logicalLine(const C64Memory& memory) const;
    // Moves the cursor (PLOT); a new logical line begins there.
    void moveTo(C64Memory& memory, int newRow, int newColumn);
    // Clears the screen in the current text colour, the cursor at home.
    void clear(C64Memory& memory);

  private:
    int cell() const { return link::kC64Screen + row * kVirtualColumns + column; }
    // Writes the cursor's place to $D6/$D3.
    void syncCursor(C64Memory& memory) const;
    void put(C64Memory& memory, int code);
    void rubOut(C64Memory& memory);
    // To the next row: a new logical line, or (`wrapped`) its continuation.
    void newLine(C64Memory& memory, bool wrapped);
};

}  // namespace brimwick::c64::vc64
