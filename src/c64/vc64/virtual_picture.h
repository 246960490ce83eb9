// The virtual C64's screen as a C64's monitor shows it: the emulated C64's
// VIC-II draws it (a 384 x 272 picture of palette indexes, vic_palette.h)
// from the virtual C64's screen RAM at $0400, colour RAM at $D800, the
// border and background colours at $D020/$D021 and the character set that
// $D018 selects, Brimwick's own (character_set.h). At READY and while a
// program reads a line the cursor blinks: its cell shows reversed for 20
// jiffies of every 40, as the C64's editor blinks it.
#pragma once

#include <cstdint>
#include <vector>

#include "c64/vc64/c64_memory.h"

namespace brimwick::c64::vc64 {

inline constexpr int kCursorBlinkJiffies = 20;  // the cursor's phase, on or off

// Whether the cursor shows reversed at jiffy `jiffies`.
constexpr bool cursorBlinkOn(std::uint64_t jiffies) {
    return (jiffies / kCursorBlinkJiffies) % 2 == 0;
}

// What the picture shows of the cursor.
struct CursorView {
    bool shown = false;  // blinking now, and in its reversed phase
    int row = 0;         // its cell
    int column = 0;
};

// One frame of the virtual C64's screen.
std::vector<std::uint8_t> virtualPicture(const C64Memory& memory, const CursorView& cursor);

}  // namespace brimwick::c64::vc64
