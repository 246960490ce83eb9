// The VIC-II's registers, raster counter and picture.
#include "c64/machine/vic2.h"

#include <algorithm>

namespace brimwick::c64 {

namespace {

constexpr int kFirstBadLine = 0x30;  // rows start where (line & 7) == YSCROLL from here
constexpr int kTextRows = 25;
constexpr int kTextColumns = 40;
constexpr int kSpriteHeight = 21;
constexpr int kSpritePointers = 0x3F8;  // after the 1000 screen bytes
constexpr std::uint8_t kNoSprite = 0xFF;

// Bits of registers that do not exist read as 1.
constexpr std::uint8_t kUnusedBits[kVicRegisterCount] = {
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,     // $00
    0,    0,    0,    0,    0,    0,    0xC0, 0,    0x01, 0x70, 0xF0, 0,    0,    0,    0,    0,     // $10
    0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xFF,  // $20
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // $30
};

}  // namespace

VicII::VicII()
    : picture(static_cast<std::size_t>(kPictureWidth * kPictureHeight), 0),
      lastPicture(static_cast<std::size_t>(kPictureWidth * kPictureHeight), 0) {}

void VicII::setStandard(VideoStandard standard) {
    timing = timingOf(standard);
    if (rasterLine >= timing.lines) rasterLine = 0;
    lineCycle = 0;
}

std::uint8_t VicII::read(int reg) const {
    reg &= 0x3F;
    std::uint8_t value = registers[static_cast<std::size_t>(reg)];
    switch (reg) {
        case kVicControl1:
            value = static_cast<std::uint8_t>((value & 0x7F) | ((rasterLine >> 1) & kVicRaster8));
            break;
        case kVicRaster: value = static_cast<std::uint8_t>(rasterLine & 0xFF); break;
        case kVicInterrupt:
            value = interruptLatch;
            if (interruptActive()) value |= 0x80;
            break;
        case 0x13:
        case 0x14:  // no light pen
        case kVicSpriteSpriteCollision:
        case kVicSpriteDataCollision: value = 0; break;
        default: break;
    }
    return static_cast<std::uint8_t>(value | kUnusedBits[reg]);
}

void VicII::write(int reg, std::uint8_t value) {
    reg &= 0x3F;
    if (reg > kVicLastRegister) return;
    switch (reg) {
        case kVicControl1:
            compareLine = (compareLine & 0xFF) | ((value & kVicRaster8) << 1);
            checkRasterCompare();
            break;
        case kVicRaster:
            compareLine = (compareLine & 0x100) | value;
            checkRasterCompare();
            return;  // the register reads the raster, not what was written
        case kVicInterrupt:
            interruptLatch &= static_cast<std::uint8_t>(~value & 0x0F);
            return;
        case kVicSpriteSpriteCollision:
        case kVicSpriteDataCollision: return;
        default: break;
    }
    registers[static_cast<std::size_t>(reg)] = value;
}

void VicII::checkRasterCompare() {
    // Setting the compare line to the line being drawn latches at once.
    if (rasterLine == compareLine) interruptLatch |= kVicRasterIrq;
}

void VicII::endLine(const VicMemory& memory) {
    drawLine(rasterLine, memory);
    if (++rasterLine >= timing.lines) {
        rasterLine = 0;
        // Lines a short (NTSC) frame never reaches show the border.
        const std::uint8_t border = registers[kVicBorder] & 0x0F;
        for (int line = timing.lines; line < kPictureFirstLine + kPictureHeight; ++line)
            std::fill_n(picture.begin() + (line - kPictureFirstLine) * kPictureWidth, kPictureWidth,
                        border);
        picture.swap(lastPicture);
        ++frames;
    }
    checkRasterCompare();
}

void VicII::drawLine(int line, const VicMemory& memory) {
    const int y = line - kPictureFirstLine;
    if (y < 0 || y >= kPictureHeight) return;
    std::uint8_t* out = picture.data() + y * kPictureWidth;
    const std::uint8_t control1 = registers[kVicControl1];
    const std::uint8_t border = registers[kVicBorder] & 0x0F;
    const bool rows25 = (control1 & kVic25Rows) != 0;
    const int top = rows25 ? kDisplayTopLine : kDisplayTopLine + 4;
    const int bottom = rows25 ? kDisplayTopLine + 199 : kDisplayTopLine + 195;
    if ((control1 & kVicDisplayEnable) == 0 || line < top || line > bottom) {
        std::fill_n(out, kPictureWidth, border);
        return;
    }
    std::fill_n(out, kPictureWidth, static_cast<std::uint8_t>(registers[kVicBackground0] & 0x0F));
    std::array<std::uint8_t, kPictureWidth> foreground{};
    drawGraphics(line, memory, out, foreground.data());
    drawSprites(line, memory, out, foreground.data());
    const bool columns40 = (registers[kVicControl2] & kVic40Columns) != 0;
    const int left = columns40 ? kDisplayLeft : kDisplayLeft + 7;
    const int right = columns40 ? kDisplayLeft + kDisplayWidth : kDisplayLeft + kDisplayWidth - 9;
    std::fill_n(out, left, border);
    std::fill(out + right, out + kPictureWidth, border);
}

void VicII::drawGraphics(int line, const VicMemory& memory, std::uint8_t* out,
                         std::uint8_t* foreground) const {
    const std::uint8_t control1 = registers[kVicControl1];
    const std::uint8_t control2 = registers[kVicControl2];
    const int first = kFirstBadLine + (control1 & 0x07);
    if (line < first || line >= first + kTextRows * 8) return;  // idle: the background
    const int row = (line - first) >> 3;
    const int rowLine = (line - first) & 7;
    const std::uint8_t pointers = registers[kVicMemory];
    const int screenBase = (pointers >> 4) * 0x400;
    const int charBase = ((pointers >> 1) & 0x07) * 0x800;
    const int bitmapBase = (pointers & 0x08) != 0 ? 0x2000 : 0;
    const int mode = (control1 & (kVicExtendedColour | kVicBitmap)) | (control2 & kVicMulticolour);
    std::uint8_t background[4];
    for (int i = 0; i < 4; ++i)
        background[i] = static_cast<std::uint8_t>(registers[static_cast<std::size_t>(kVicBackground0 + i)] & 0x0F);

    for (int column = 0; column < kTextColumns; ++column) {
        const int index = row * kTextColumns + column;
        const std::uint8_t code = memory.read(screenBase + index);
        const std::uint8_t colour = memory.colourRam[index] & 0x0F;
        const int x = kDisplayLeft + (control2 & 0x07) + column * 8;
        std::uint8_t* px = out + x;
        std::uint8_t* fg = foreground + x;
        auto hires = [&](std::uint8_t bits, std::uint8_t on, std::uint8_t off) {
            for (int b = 0; b < 8; ++b) {
                const bool set = (bits & (0x80 >> b)) != 0;
                px[b] = set ? on : off;
                fg[b] = set ? 1 : 0;
            }
        };
        auto multicolour = [&](std::uint8_t bits, const std::uint8_t (&colours)[4]) {
            for (int pair = 0; pair < 4; ++pair) {
                const int value = (bits >> (6 - 2 * pair)) & 0x03;
                px[2 * pair] = px[2 * pair + 1] = colours[value];
                fg[2 * pair] = fg[2 * pair + 1] = value >= 2 ? 1 : 0;
            }
        };
        switch (mode) {
            case 0x00:  // standard text
                hires(memory.read(charBase + code * 8 + rowLine), colour, background[0]);
                break;
            case kVicMulticolour: {  // multicolour text: colour RAM bit 3 chooses per character
                const std::uint8_t bits = memory.read(charBase + code * 8 + rowLine);
                if ((colour & 0x08) == 0) {
                    hires(bits, colour, background[0]);
                } else {
                    const std::uint8_t colours[4] = {background[0], background[1], background[2],
                                                     static_cast<std::uint8_t>(colour & 0x07)};
                    multicolour(bits, colours);
                }
                break;
            }
            case kVicBitmap:  // standard bitmap: the screen byte holds both colours
                hires(memory.read(bitmapBase + index * 8 + rowLine), static_cast<std::uint8_t>(code >> 4),
                      static_cast<std::uint8_t>(code & 0x0F));
                break;
            case kVicBitmap | kVicMulticolour: {
                const std::uint8_t colours[4] = {background[0], static_cast<std::uint8_t>(code >> 4),
                                                 static_cast<std::uint8_t>(code & 0x0F), colour};
                multicolour(memory.read(bitmapBase + index * 8 + rowLine), colours);
                break;
            }
            case kVicExtendedColour:  // the code's top two bits choose the background
                hires(memory.read(charBase + (code & 0x3F) * 8 + rowLine), colour, background[code >> 6]);
                break;
            default:  // the invalid combinations show black
                hires(0, 0, 0);
                break;
        }
    }
}

void VicII::drawSprites(int line, const VicMemory& memory, std::uint8_t* out,
                        const std::uint8_t* foreground) const {
    const std::uint8_t enabled = registers[kVicSpriteEnable];
    if (enabled == 0) return;
    std::array<std::uint8_t, kPictureWidth> owner;
    std::array<std::uint8_t, kPictureWidth> colour{};
    owner.fill(kNoSprite);
    bool any = false;
    const int screenBase = (registers[kVicMemory] >> 4) * 0x400;
    const std::uint8_t multicolour[4] = {0, static_cast<std::uint8_t>(registers[kVicSpriteMulticolour0] & 0x0F), 0,
                                         static_cast<std::uint8_t>(registers[kVicSpriteMulticolour1] & 0x0F)};
    // Sprite 0 has the highest priority: the first to claim a pixel keeps it.
    for (int s = 0; s < 8; ++s) {
        const std::uint8_t bit = static_cast<std::uint8_t>(1 << s);
        if ((enabled & bit) == 0) continue;
        const bool tall = (registers[kVicSpriteExpandY] & bit) != 0;
        // A sprite's first line is the one after its Y coordinate.
        const int d = line - (registers[static_cast<std::size_t>(2 * s + 1)] + 1);
        if (d < 0 || d >= (tall ? 2 : 1) * kSpriteHeight) continue;
        const int spriteLine = tall ? d / 2 : d;
        const int data = memory.read(screenBase + kSpritePointers + s) * 64 + spriteLine * 3;
        const std::uint32_t bits = (static_cast<std::uint32_t>(memory.read(data)) << 16) |
                                   (static_cast<std::uint32_t>(memory.read(data + 1)) << 8) |
                                   memory.read(data + 2);
        if (bits == 0) continue;
        const int x = registers[static_cast<std::size_t>(2 * s)] |
                      ((registers[kVicSpriteXHigh] & bit) != 0 ? 0x100 : 0);
        const int start = x + kPictureXOffset;
        const int width = (registers[kVicSpriteExpandX] & bit) != 0 ? 2 : 1;
        const std::uint8_t own = static_cast<std::uint8_t>(registers[static_cast<std::size_t>(kVicSpriteColour0 + s)] & 0x0F);
        auto put = [&](int pos, std::uint8_t c) {
            if (pos < 0 || pos >= kPictureWidth || owner[static_cast<std::size_t>(pos)] != kNoSprite) return;
            owner[static_cast<std::size_t>(pos)] = static_cast<std::uint8_t>(s);
            colour[static_cast<std::size_t>(pos)] = c;
            any = true;
        };
        if ((registers[kVicSpriteMulticolour] & bit) == 0) {
            for (int i = 0; i < 24; ++i)
                if ((bits & (0x800000U >> i)) != 0)
                    for (int k = 0; k < width; ++k) put(start + i * width + k, own);
        } else {
            for (int pair = 0; pair < 12; ++pair) {
                const int value = static_cast<int>((bits >> (22 - 2 * pair)) & 0x03);
                if (value == 0) continue;
                const std::uint8_t c = value == 2 ? own : multicolour[value];
                for (int k = 0; k < 2 * width; ++k) put(start + pair * 2 * width + k, c);
            }
        }
    }
    if (!any) return;
    const std::uint8_t behind = registers[kVicSpritePriority];
    for (int pos = 0; pos < kPictureWidth; ++pos) {
        const std::uint8_t s = owner[static_cast<std::size_t>(pos)];
        if (s == kNoSprite) continue;
        if ((behind & (1 << s)) != 0 && foreground[pos] != 0) continue;
        out[pos] = colour[static_cast<std::size_t>(pos)];
    }
}

}  // namespace brimwick::c64
