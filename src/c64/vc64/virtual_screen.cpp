// The virtual C64's screen editor and its printing.
#include "c64/vc64/virtual_screen.h"

#include <string_view>

namespace brimwick::c64::vc64 {

void VirtualScreen::clear(C64Memory& memory) {
    for (int i = 0; i < kVirtualColumns * kVirtualRows; ++i)
        memory.write(link::kC64Screen + i, kScreenSpace);
    row = column = lineStart = 0;
}

void VirtualScreen::powerUp(C64Memory& memory) {
    clear(memory);
    reverse = quoteMode = false;
    for (char c : std::string_view("READY.\r")) print(memory, c);
}

void VirtualScreen::put(C64Memory& memory, int code) {
    memory.write(cell(), static_cast<std::uint8_t>(code | (reverse ? 0x80 : 0)));
    if (++column == kVirtualColumns) newLine(memory, true);
}

void VirtualScreen::rubOut(C64Memory& memory) {
    if (column > 0) {
        --column;
    } else if (row > lineStart) {
        // Back over the join into the first row of the logical line.
        --row;
        column = kVirtualColumns - 1;
    } else {
        return;
    }
    memory.write(cell(), kScreenSpace);
}

void VirtualScreen::type(C64Memory& memory, int key) {
    if (key == kKeyReturn || key == kShiftedReturn) {
        reverse = false;
        newLine(memory, false);
    } else if (key == kKeyDelete) {
        rubOut(memory);
    } else if (int code = screenCodeOf(key); code >= 0) {
        put(memory, code);
    }
}

void VirtualScreen::print(C64Memory& memory, int petscii) {
    if (petscii == '"') quoteMode = !quoteMode;
    if (quoteMode && petscii != kKeyReturn && petscii != kShiftedReturn) {
        // The symbol of a control character: its own code reversed, for
        // $00-$1F, and that of $40-$5F for the shifted ones $80-$9F.
        int symbol = petscii < 0x20 ? petscii : petscii >= 0x80 && petscii < 0xA0 ? petscii - 0x40 : -1;
        if (symbol >= 0) {
            bool before = reverse;
            reverse = true;  // the symbol is always reversed
            put(memory, symbol);
            reverse = before;
            return;
        }
    }
    switch (petscii) {
        case kKeyReturn:
        case kShiftedReturn:
            reverse = quoteMode = false;
            newLine(memory, false);
            return;
        case kReverseOn:
            reverse = true;
            return;
        case kReverseOff:
            reverse = false;
            return;
        case kClearScreen:
            clear(memory);
            return;
        case kHome:
            row = column = lineStart = 0;
            return;
        case kKeyDelete:
            rubOut(memory);
            return;
        default:
            if (int code = screenCodeOf(petscii); code >= 0) put(memory, code);
    }
}

std::vector<std::uint8_t> VirtualScreen::logicalLine(const C64Memory& memory) const {
    std::vector<std::uint8_t> line;
    int end = row * kVirtualColumns + column;
    for (int i = lineStart * kVirtualColumns; i < end; ++i)
        line.push_back(static_cast<std::uint8_t>(
            petsciiOfScreenCode(memory.read(link::kC64Screen + i))));
    while (!line.empty() && line.back() == kScreenSpace) line.pop_back();
    return line;
}

void VirtualScreen::newLine(C64Memory& memory, bool wrapped) {
    column = 0;
    bool continues = wrapped && row - lineStart + 1 < kLogicalLineRows;
    ++row;
    if (row == kVirtualRows) {
        row = kVirtualRows - 1;
        for (int i = 0; i < kVirtualColumns * (kVirtualRows - 1); ++i)
            memory.write(link::kC64Screen + i,
                         memory.read(link::kC64Screen + kVirtualColumns + i));
        for (int i = 0; i < kVirtualColumns; ++i) memory.write(cell() + i, kScreenSpace);
        if (lineStart > 0) --lineStart;
    }
    if (!continues) lineStart = row;
}

}  // namespace brimwick::c64::vc64
