// The virtual C64's screen editor and its printing.
#include "c64/vc64/virtual_screen.h"

#include <string_view>

namespace brimwick::c64::vc64 {

namespace {
constexpr int kCells = kVirtualColumns * kVirtualRows;
constexpr int kColourRamOffset = kColourRam - link::kC64Screen;  // screen cell to its colour
}  // namespace

void VirtualScreen::syncCursor(C64Memory& memory) const {
    memory.write(kCursorRow, static_cast<std::uint8_t>(row));
    memory.write(kCursorColumn, static_cast<std::uint8_t>(column));
}

void VirtualScreen::clear(C64Memory& memory) {
    std::uint8_t colour = memory.read(kTextColour) & 0x0F;
    for (int i = 0; i < kCells; ++i) {
        memory.write(link::kC64Screen + i, kScreenSpace);
        memory.write(kColourRam + i, colour);
    }
    row = column = lineStart = 0;
    syncCursor(memory);
}

void VirtualScreen::reset(C64Memory& memory) {
    memory.write(kBorderColour, kLightBlue);
    memory.write(kBackgroundColour, kBlue);
    memory.write(kTextColour, kLightBlue);
    memory.write(kMemorySetup, kUpperCaseSetup);
    clear(memory);
    reverse = quoteMode = false;
}

void VirtualScreen::powerUp(C64Memory& memory) {
    reset(memory);
    for (char c : std::string_view("READY.\r")) print(memory, c);
}

void VirtualScreen::moveTo(C64Memory& memory, int newRow, int newColumn) {
    row = newRow < 0 ? 0 : newRow >= kVirtualRows ? kVirtualRows - 1 : newRow;
    column = newColumn < 0 ? 0 : newColumn >= kVirtualColumns ? kVirtualColumns - 1 : newColumn;
    lineStart = row;
    syncCursor(memory);
}

void VirtualScreen::put(C64Memory& memory, int code) {
    memory.write(cell(), static_cast<std::uint8_t>(code | (reverse ? 0x80 : 0)));
    memory.write(cell() + kColourRamOffset, memory.read(kTextColour) & 0x0F);
    if (++column == kVirtualColumns) newLine(memory, true);
    syncCursor(memory);
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
    syncCursor(memory);
}

void VirtualScreen::type(C64Memory& memory, int key) {
    // The editor echoes a key as it prints one: control keys act (colours,
    // cursor moves, CLR, HOME, RVS ON), inside quotes they show as their
    // reversed symbols; DEL always rubs out.
    if (key == kKeyDelete) {
        rubOut(memory);
        return;
    }
    print(memory, key);
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
            moveTo(memory, 0, 0);
            return;
        case kKeyDelete:
            rubOut(memory);
            return;
        case kCursorDown:
            if (row == kVirtualRows - 1) {
                int keep = column;
                newLine(memory, false);
                column = keep;
            } else {
                ++row;
                lineStart = row;
            }
            syncCursor(memory);
            return;
        case kCursorUp:
            if (row > 0) moveTo(memory, row - 1, column);
            return;
        case kCursorRight:
            if (column + 1 < kVirtualColumns) {
                ++column;
                syncCursor(memory);
            } else {
                newLine(memory, true);
            }
            return;
        case kCursorLeft:
            if (column > 0) {
                --column;
            } else if (row > 0) {
                --row;
                column = kVirtualColumns - 1;
                if (row < lineStart) lineStart = row;
            }
            syncCursor(memory);
            return;
        case kLowerCase:
            memory.write(kMemorySetup, kLowerCaseSetup);
            return;
        case kUpperCase:
            memory.write(kMemorySetup, kUpperCaseSetup);
            return;
        default:
            if (int colour = colourOfCode(petscii); colour >= 0) {
                memory.write(kTextColour, static_cast<std::uint8_t>(colour));
            } else if (int code = screenCodeOf(petscii); code >= 0) {
                put(memory, code);
            }
    }
}

std::vector<std::uint8_t> VirtualScreen::logicalLine(const C64Memory& memory) const {
    std::vector<std::uint8_t> line;
    int end = row * kVirtualColumns + column;
    bool quoted = false;
    for (int i = lineStart * kVirtualColumns; i < end; ++i) {
        int code = memory.read(link::kC64Screen + i);
        int petscii = petsciiOfScreenCode(code);
        // Inside quotes a reversed symbol reads back as the control
        // character that typed it, so PRINT "{CLR}" keeps its CLR.
        if (quoted && (code & 0x80) != 0) {
            int symbol = code & 0x7F;
            if (symbol < 0x20) petscii = symbol;
            else if (symbol >= 0x40 && symbol < 0x60) petscii = symbol + 0x40;
        }
        if (petscii == '"') quoted = !quoted;
        line.push_back(static_cast<std::uint8_t>(petscii));
    }
    while (!line.empty() && line.back() == kScreenSpace) line.pop_back();
    return line;
}

void VirtualScreen::newLine(C64Memory& memory, bool wrapped) {
    column = 0;
    bool continues = wrapped && row - lineStart + 1 < kLogicalLineRows;
    ++row;
    if (row == kVirtualRows) {
        row = kVirtualRows - 1;
        for (int i = 0; i < kVirtualColumns * (kVirtualRows - 1); ++i) {
            for (int base : {link::kC64Screen, kColourRam})
                memory.write(base + i, memory.read(base + kVirtualColumns + i));
        }
        std::uint8_t colour = memory.read(kTextColour) & 0x0F;
        for (int i = 0; i < kVirtualColumns; ++i) {
            memory.write(cell() + i, kScreenSpace);
            memory.write(cell() + kColourRamOffset + i, colour);
        }
        if (lineStart > 0) --lineStart;
    }
    if (!continues) lineStart = row;
    syncCursor(memory);
}

}  // namespace brimwick::c64::vc64
