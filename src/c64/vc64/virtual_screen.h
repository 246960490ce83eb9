// What the virtual C64 shows on its screen: after power-up or a reset a
// clear screen with READY. at the top, then every key that BASIC's editor
// takes from the keyboard buffer echoed at the cursor. RETURN moves to the
// start of the next line (the line is not run: this C64 stays at READY) and
// the screen scrolls up at the bottom. The screen holds screen codes at
// $0400, as on a real C64, so the link's screen mirror reads it like any.
#pragma once

#include <cstdint>
#include <string_view>

#include "c64/vc64/c64_memory.h"
#include "link/c64_locations.h"

namespace brimwick::c64::vc64 {

inline constexpr int kVirtualColumns = 40;
inline constexpr int kVirtualRows = 25;
inline constexpr std::uint8_t kScreenSpace = 0x20;  // screen code of a blank
inline constexpr int kKeyReturn = 0x0D;
inline constexpr int kKeyDelete = 0x14;

// The screen code of a PETSCII character as the editor prints it, or -1 for
// a control key that prints nothing.
constexpr int screenCodeOf(int petscii) {
    if (petscii >= 0x20 && petscii < 0x40) return petscii;
    if (petscii >= 0x40 && petscii < 0x60) return petscii - 0x40;  // @, letters, [ ...
    if (petscii >= 0x60 && petscii < 0x80) return petscii - 0x20;
    if (petscii >= 0xA0 && petscii < 0xC0) return petscii - 0x40;
    if (petscii >= 0xC0 && petscii < 0xE0) return petscii - 0x80;  // shifted letters
    return -1;
}

class VirtualScreen {
  public:
    int row = 0;     // cursor row 0..24
    int column = 0;  // cursor column 0..39

    // A clear screen, READY. in the first row, the cursor below it.
    void powerUp(C64Memory& memory) {
        for (int i = 0; i < kVirtualColumns * kVirtualRows; ++i)
            memory.write(link::kC64Screen + i, kScreenSpace);
        row = column = 0;
        for (char c : std::string_view("READY.")) type(memory, c);
        type(memory, kKeyReturn);
    }

    // The editor's echo of one key.
    void type(C64Memory& memory, int key) {
        if (key == kKeyReturn) {
            newLine(memory);
        } else if (key == kKeyDelete) {
            if (column > 0) --column;
            memory.write(cell(), kScreenSpace);
        } else if (int code = screenCodeOf(key); code >= 0) {
            memory.write(cell(), static_cast<std::uint8_t>(code));
            if (++column == kVirtualColumns) newLine(memory);
        }
    }

  private:
    int cell() const { return link::kC64Screen + row * kVirtualColumns + column; }
    void newLine(C64Memory& memory) {
        column = 0;
        if (++row < kVirtualRows) return;
        row = kVirtualRows - 1;
        for (int i = 0; i < kVirtualColumns * (kVirtualRows - 1); ++i)
            memory.write(link::kC64Screen + i, memory.read(link::kC64Screen + kVirtualColumns + i));
        for (int i = 0; i < kVirtualColumns; ++i) memory.write(cell() + i, kScreenSpace);
    }
};

}  // namespace brimwick::c64::vc64
