// Drawing the virtual C64's screen with the VIC-II.
#include "c64/vc64/virtual_picture.h"

#include <algorithm>
#include <array>

#include "c64/machine/vic2.h"
#include "c64/vc64/character_set.h"
#include "c64/vc64/virtual_screen.h"

namespace brimwick::c64::vc64 {

namespace {
constexpr int kBankBytes = 0x4000;                 // the VIC-II's bank 0: the screen is in it
constexpr std::uint8_t kTextMode25Rows = 0x1B;     // $D011: display on, 25 rows, YSCROLL 3
constexpr std::uint8_t kTextMode40Columns = 0xC8;  // $D016: 40 columns, no multicolour
}  // namespace

std::vector<std::uint8_t> virtualPicture(const C64Memory& memory, const CursorView& cursor) {
    // The bank the VIC-II sees, with the cursor's cell reversed.
    std::vector<std::uint8_t> bank(memory.ram.begin(), memory.ram.begin() + kBankBytes);
    if (cursor.shown && cursor.row >= 0 && cursor.row < kVirtualRows && cursor.column >= 0 &&
        cursor.column < kVirtualColumns)
        bank[static_cast<std::size_t>(link::kC64Screen + cursor.row * kVirtualColumns + cursor.column)] ^= 0x80;
    VicMemory vicMemory;
    vicMemory.ram = bank.data();
    vicMemory.characterRom = characterSet().data();
    vicMemory.colourRam = memory.ram.data() + kColourRam;
    vicMemory.bank = 0;
    VicII vic;
    vic.write(kVicControl1, kTextMode25Rows);
    vic.write(kVicControl2, kTextMode40Columns);
    vic.write(kVicMemory, memory.ram[kMemorySetup]);
    vic.write(kVicBorder, memory.ram[kBorderColour]);
    vic.write(kVicBackground0, memory.ram[kBackgroundColour]);
    vic.advance(vic.timing.lines * vic.timing.cyclesPerLine, vicMemory);
    return vic.lastPicture;
}

}  // namespace brimwick::c64::vc64
