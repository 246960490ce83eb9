// The VIC-II video chip ($D000-$D3FF, 47 registers mirrored every 64 bytes).
//
// Its raster counter moves with the processor's clock: PAL 312 lines of 63
// cycles, NTSC 263 of 65 ($D012 and bit 7 of $D011 read the current line).
// When the counter reaches the compare line (written through the same two
// places) the raster bit of $D019 is latched, also while $D01A masks it; the
// kernal relies on that: at power-on it waits for line 0 and then reads the
// latch of compare line 311, which only a PAL frame has. IRQ is pulled while
// a latched source is enabled in $D01A; writing 1 to a $D019 bit clears it.
// The VIC-II runs on through /RESET (it has no reset line).
//
// The picture is drawn one raster line at a time, at the end of the line,
// from the registers as they are then; cycle-exact effects (bad lines
// stealing cycles, mid-line register changes, opened borders) are not
// emulated, and the sprite collision registers stay 0. Each frame is a
// 384 x 272 picture of palette indexes (vic_palette.h): the 320 x 200
// display window with a border of 32 pixels left and right and 36 lines
// above and below, raster lines 15-286. An NTSC frame ends at line 262; its
// picture's lines beyond show the border.
//
// What it sees of memory: a 16 KB bank chosen by CIA 2 (cia2.h) of the RAM,
// except that banks 0 and 2 show the character ROM at $1000-$1FFF; and the
// colour RAM's 4 bits on its own lines.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "c64/machine/video_standard.h"

namespace brimwick::c64 {

inline constexpr std::uint16_t kVicBase = 0xD000;
inline constexpr int kVicRegisterCount = 0x40;  // 47 used, the rest read $FF

// The picture.
inline constexpr int kPictureWidth = 384;
inline constexpr int kPictureHeight = 272;
inline constexpr int kPictureFirstLine = 15;    // the raster line of the picture's top row
inline constexpr int kPictureXOffset = 8;       // picture column = sprite X coordinate + this
inline constexpr int kDisplayLeft = 32;         // the 40-column window's first picture column
inline constexpr int kDisplayWidth = 320;
inline constexpr int kDisplayTopLine = 51;      // the 25-row window's first raster line
inline constexpr int kScreenCells = 1000;       // 40 x 25 screen codes

// Register numbers.
inline constexpr int kVicSpriteXHigh = 0x10;
inline constexpr int kVicControl1 = 0x11;       // YSCROLL, RSEL, DEN, BMM, ECM, raster bit 8
inline constexpr int kVicRaster = 0x12;
inline constexpr int kVicSpriteEnable = 0x15;
inline constexpr int kVicControl2 = 0x16;       // XSCROLL, CSEL, MCM
inline constexpr int kVicSpriteExpandY = 0x17;
inline constexpr int kVicMemory = 0x18;         // screen and character (or bitmap) base
inline constexpr int kVicInterrupt = 0x19;      // the latch
inline constexpr int kVicInterruptEnable = 0x1A;
inline constexpr int kVicSpritePriority = 0x1B;  // 1 = behind the foreground
inline constexpr int kVicSpriteMulticolour = 0x1C;
inline constexpr int kVicSpriteExpandX = 0x1D;
inline constexpr int kVicSpriteSpriteCollision = 0x1E;
inline constexpr int kVicSpriteDataCollision = 0x1F;
inline constexpr int kVicBorder = 0x20;
inline constexpr int kVicBackground0 = 0x21;    // to 0x24
inline constexpr int kVicSpriteMulticolour0 = 0x25;
inline constexpr int kVicSpriteMulticolour1 = 0x26;
inline constexpr int kVicSpriteColour0 = 0x27;  // to 0x2E
inline constexpr int kVicLastRegister = 0x2E;

// $D011 / $D016 bits.
inline constexpr std::uint8_t kVicRaster8 = 0x80;
inline constexpr std::uint8_t kVicExtendedColour = 0x40;
inline constexpr std::uint8_t kVicBitmap = 0x20;
inline constexpr std::uint8_t kVicDisplayEnable = 0x10;
inline constexpr std::uint8_t kVic25Rows = 0x08;
inline constexpr std::uint8_t kVicMulticolour = 0x10;
inline constexpr std::uint8_t kVic40Columns = 0x08;
inline constexpr std::uint8_t kVicRasterIrq = 0x01;

// What the VIC-II reads: pointers into the machine's memory (memory_map.h).
struct VicMemory {
    const std::uint8_t* ram = nullptr;            // the 64 KB
    const std::uint8_t* characterRom = nullptr;   // 4 KB
    const std::uint8_t* colourRam = nullptr;      // 1 KB, low nibbles
    int bank = 0;                                 // 0-3, from CIA 2

    std::uint8_t read(int address) const {  // a 14-bit VIC address in the bank
        address &= 0x3FFF;
        if ((bank & 1) == 0 && (address & 0x3000) == 0x1000) return characterRom[address & 0x0FFF];
        return ram[bank * 0x4000 + address];
    }
};

class VicII {
  public:
    std::array<std::uint8_t, kVicRegisterCount> registers{};  // as written ($D011/$D012: without the raster)
    int rasterLine = 0;          // the line being drawn
    int lineCycle = 0;           // cycles of it that have passed
    int compareLine = 0;         // the raster interrupt's line (9 bits)
    std::uint8_t interruptLatch = 0;  // $D019's sources (bits 0-3)
    std::uint64_t frames = 0;    // frames completed since power-on
    VideoTiming timing = kPalTiming;  // lines and cycles of the standard
    std::vector<std::uint8_t> picture;      // the frame being drawn
    std::vector<std::uint8_t> lastPicture;  // the last complete frame

    VicII();

    void setStandard(VideoStandard standard);

    std::uint8_t read(int reg) const;
    void write(int reg, std::uint8_t value);

    // IRQ is pulled.
    bool interruptActive() const {
        return (interruptLatch & registers[kVicInterruptEnable] & 0x0F) != 0;
    }

    // `cycles` processor cycles pass; every raster line completed is drawn
    // from `memory`.
    void advance(int cycles, const VicMemory& memory) {
        lineCycle += cycles;
        while (lineCycle >= timing.cyclesPerLine) {
            lineCycle -= timing.cyclesPerLine;
            endLine(memory);
        }
    }

  private:
    void endLine(const VicMemory& memory);
    void drawLine(int line, const VicMemory& memory);
    void drawGraphics(int line, const VicMemory& memory, std::uint8_t* out, std::uint8_t* foreground) const;
    void drawSprites(int line, const VicMemory& memory, std::uint8_t* out, const std::uint8_t* foreground) const;
    void checkRasterCompare();
};

}  // namespace brimwick::c64
