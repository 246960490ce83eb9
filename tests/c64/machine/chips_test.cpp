// The VIC-II, the CIAs and the reset of the whole emulated C64, each
// compared with what a C64 does: a program of our own (c64src/
// chip_test_program.a64) for the interrupts and the keyboard scan, and
// pictures of the VIC-II's modes set up in memory.
#include <gtest/gtest.h>

#include "../c64_rig.h"
#include "c64/machine/emulated_c64.h"

namespace brimwick::c64 {
namespace {

constexpr std::size_t at(int x, int y) { return static_cast<std::size_t>(y * kPictureWidth + x); }
// The picture row of a raster line.
constexpr int rowOf(int rasterLine) { return rasterLine - kPictureFirstLine; }

// A C64 running the chip test program with no ROMs.
struct ChipProgram {
    EmulatedC64 c64;
    ChipProgram() {
        std::vector<std::uint8_t> kernal(kRomSize, 0);
        kernal[0x1FFC] = 0x00;  // reset vector: $C000
        kernal[0x1FFD] = 0xC0;
        std::vector<std::uint8_t> program =
            testing::readBytes(std::string(BRIMWICK_C64_TEST_BUILD) + "/chip_test_program/chip_test_programc000.prg");
        c64.memory.load(0xC000, std::vector<std::uint8_t>(program.begin() + 2, program.end()));
        c64.powerOn(kernal);
    }
};

TEST(Chips, RasterInterruptsSplitTheBorderAndTheTimersCountTheirPeriods) {
    ChipProgram p;
    p.c64.run(kPalClockHz);  // one second: 50 frames
    EXPECT_FALSE(p.c64.cpu.jammed);
    // Two raster interrupts a frame (lines 100 and 200).
    EXPECT_NEAR(p.c64.memory.ram[0xC100], 100, 1);
    // CIA 1 timer A: a period of latch + 1 = 9852 cycles, 100 a second.
    EXPECT_NEAR(p.c64.memory.ram[0xC101], 100, 1);
    // CIA 2 timer B's NMI: 19704 cycles, 50 a second.
    EXPECT_NEAR(p.c64.memory.ram[0xC102], 50, 1);
    const std::vector<std::uint8_t>& picture = p.c64.picture();
    EXPECT_EQ(picture[at(0, rowOf(90))], 0);
    EXPECT_EQ(picture[at(0, rowOf(101))], 2);
    EXPECT_EQ(picture[at(383, rowOf(199))], 2);
    EXPECT_EQ(picture[at(0, rowOf(201))], 0);
    EXPECT_EQ(picture[at(0, rowOf(280))], 0);
}

TEST(Chips, TheKeyboardScanSeesAKeyInItsColumnAndRow) {
    ChipProgram p;
    p.c64.run(20'000);
    for (int c = 0; c < 8; ++c) EXPECT_EQ(p.c64.memory.ram[0xC110 + c], 0xFF) << c;
    p.c64.memory.cia1.setKey(1, 2, true);  // A
    p.c64.memory.cia1.setKey(7, 7, true);  // RUN/STOP
    p.c64.run(20'000);
    for (int c = 0; c < 8; ++c) {
        const int expected = c == 1 ? 0xFB : c == 7 ? 0x7F : 0xFF;
        EXPECT_EQ(p.c64.memory.ram[0xC110 + c], expected) << c;
    }
    // Joystick 2 pulls port A's lines: fire shows in $DC00's bit 4.
    p.c64.memory.cia1.joystick2 = kJoyFire;
    EXPECT_EQ(p.c64.memory.read(0xDC00) & 0x10, 0);
}

TEST(Chips, RestorePullsNmiOnceForEachPress) {
    EmulatedC64 c64;
    std::vector<std::uint8_t> kernal(kRomSize, 0xEA);  // NOPs everywhere
    kernal[0x1FFA] = 0x00;                            // NMI: $E100
    kernal[0x1FFB] = 0xE1;
    kernal[0x1FFC] = 0x00;                            // reset: $E000
    kernal[0x1FFD] = 0xE0;
    c64.powerOn(kernal);
    c64.run(100);
    c64.restoreHeld = true;
    c64.step();  // the edge
    c64.step();  // taken
    EXPECT_EQ(c64.cpu.pc, 0xE100);
    c64.run(400);  // held down: no second edge
    EXPECT_GT(c64.cpu.pc, 0xE150);
    c64.restoreHeld = false;
    c64.step();
    c64.restoreHeld = true;
    c64.step();
    c64.step();
    EXPECT_EQ(c64.cpu.pc, 0xE100);
}

TEST(Chips, CiaTimersOneShotIcrAndTimerBCountingTimerA) {
    Cia6526 cia;
    cia.reset();
    cia.write(kCiaTimerALow, 9);
    cia.write(kCiaTimerAHigh, 0);  // stopped: loads the counter
    EXPECT_EQ(cia.read(kCiaTimerALow), 9);
    cia.write(kCiaControlA, kCiaStart | kCiaOneShot);
    cia.tick(9);
    EXPECT_EQ(cia.read(kCiaTimerALow), 0);
    EXPECT_FALSE(cia.interruptActive());
    cia.tick(1);  // the underflow: reloaded, stopped, flagged (masked)
    EXPECT_EQ(cia.read(kCiaTimerALow), 9);
    EXPECT_EQ(cia.read(kCiaControlA) & kCiaStart, 0);
    EXPECT_FALSE(cia.interruptActive());
    cia.write(kCiaInterruptControl, 0x81);  // unmasking a latched flag pulls the line
    EXPECT_TRUE(cia.interruptActive());
    EXPECT_EQ(cia.read(kCiaInterruptControl), 0x81);
    EXPECT_EQ(cia.read(kCiaInterruptControl), 0x00);  // read clears
    EXPECT_FALSE(cia.interruptActive());

    // Timer B counts timer A's underflows: A every 4 cycles, B after 3 of them.
    cia.write(kCiaTimerALow, 3);
    cia.write(kCiaTimerAHigh, 0);
    cia.write(kCiaTimerBLow, 2);
    cia.write(kCiaTimerBHigh, 0);
    cia.write(kCiaInterruptControl, 0x01);  // timer A masked again
    cia.write(kCiaInterruptControl, 0x82);
    cia.write(kCiaControlB, kCiaStart | 0x40);
    cia.write(kCiaControlA, kCiaStart);
    cia.tick(11);
    EXPECT_FALSE(cia.interruptActive());
    cia.tick(1);
    EXPECT_TRUE(cia.interruptActive());
    EXPECT_EQ(cia.read(kCiaInterruptControl), 0x83);  // A flagged too, masked
}

TEST(Chips, TodCountsTenthsInBcdAndFreezesWhileRead) {
    Cia6526 cia;
    cia.reset();
    cia.write(kCiaControlA, 0x80);  // 50 Hz mains
    cia.write(kCiaTodHours, 0x11);  // 11:59:59.9 AM, stopped until the tenths
    cia.write(kCiaTodMinutes, 0x59);
    cia.write(kCiaTodSeconds, 0x59);
    cia.write(kCiaTodTenths, 0x09);
    for (int i = 0; i < 5; ++i) cia.mainsTick();
    EXPECT_EQ(cia.read(kCiaTodHours), 0x92);  // 12 PM
    for (int i = 0; i < 5; ++i) cia.mainsTick();
    EXPECT_EQ(cia.read(kCiaTodSeconds), 0x00);  // frozen at the hours' read
    EXPECT_EQ(cia.read(kCiaTodTenths), 0x00);
    EXPECT_EQ(cia.read(kCiaTodTenths), 0x01);   // running again
}

TEST(Chips, VicLatchesTheRasterWhileMaskedAndReadsUnusedBitsAsOne) {
    EmulatedC64 c64;
    VicII& vic = c64.memory.vic;
    vic.write(kVicControl1, 0x9B);  // compare line 311, as the kernal sets it
    vic.write(kVicRaster, 0x37);
    c64.run(static_cast<std::uint64_t>(312 * 63));
    EXPECT_EQ(vic.read(kVicInterrupt) & 0x0F, kVicRasterIrq);
    EXPECT_FALSE(vic.interruptActive());
    EXPECT_EQ(vic.read(kVicInterrupt), 0x71);  // no IRQ bit: masked
    vic.write(kVicInterruptEnable, 1);
    EXPECT_EQ(vic.read(kVicInterrupt), 0xF1);
    vic.write(kVicInterrupt, 1);
    EXPECT_EQ(vic.read(kVicInterrupt), 0x70);
    EXPECT_EQ(vic.read(kVicBorder) & 0xF0, 0xF0);
    EXPECT_EQ(vic.read(0x3F), 0xFF);
    // NTSC: no line 311, and the counter wraps after 262.
    EmulatedC64 ntsc;
    ntsc.setStandard(VideoStandard::Ntsc);
    ntsc.memory.vic.write(kVicControl1, 0x9B);
    ntsc.memory.vic.write(kVicRaster, 0x37);
    int highest = 0;
    for (int i = 0; i < 263 * 65 * 2; i += 65) {
        ntsc.run(65);
        highest = std::max(highest, ntsc.memory.vic.rasterLine);
    }
    EXPECT_EQ(highest, 262);
    EXPECT_EQ(ntsc.memory.vic.read(kVicInterrupt) & 1, 0);
}

TEST(Chips, ResetKeepsRamAndTheVicButResetsTheCiasAndTheProcessorPort) {
    EmulatedC64 c64;
    std::vector<std::uint8_t> kernal(kRomSize, 0xEA);  // NOPs everywhere
    kernal[0x1FFC] = 0x00;
    kernal[0x1FFD] = 0xE0;
    c64.powerOn(kernal);
    EXPECT_EQ(c64.memory.ram[0x0040], 0xFF);  // the power-on pattern
    EXPECT_EQ(c64.memory.ram[0x0080], 0x00);
    c64.memory.ram[0x1234] = 0x56;
    c64.memory.write(0xD020, 5);
    c64.memory.write(0xDC0E, kCiaStart);
    c64.memory.write(0xDC0D, 0x81);
    c64.memory.write(0x0000, 0x2F);
    c64.memory.write(0x0001, 0x30);
    c64.run(1000);
    const int line = c64.memory.vic.rasterLine;
    c64.reset();
    EXPECT_EQ(c64.memory.ram[0x1234], 0x56);
    EXPECT_EQ(c64.memory.vic.read(kVicBorder) & 0x0F, 5);
    EXPECT_EQ(c64.memory.vic.rasterLine, line);
    EXPECT_EQ(c64.memory.cia1.timerA.control, 0);
    EXPECT_EQ(c64.memory.cia1.interruptMask, 0);
    EXPECT_EQ(c64.memory.read(0x0001) & 0x07, 0x07);
    EXPECT_EQ(c64.cpu.pc, 0xE000);
}

// The VIC-II's modes: a known screen and character set, one cell looked at.
struct ModeCase {
    const char* name;         // the mode
    std::uint8_t control1;    // $D011
    std::uint8_t control2;    // $D016
    std::uint8_t code;        // screen byte of cell 0
    std::uint8_t colour;      // its colour RAM
    std::array<std::uint8_t, 8> expected;  // the first line's 8 pixels
};

TEST(Chips, VicModesDrawTheFirstCellAsAC64Does) {
    // Glyph / bitmap byte %10110001 everywhere; backgrounds 6, 7, 8, 9.
    const ModeCase cases[] = {
        {"standard text", 0x1B, 0x08, 0x01, 0x0E, {14, 6, 14, 14, 6, 6, 6, 14}},
        {"multicolour text, colour bit 3 set", 0x1B, 0x18, 0x01, 0x0D, {8, 8, 5, 5, 6, 6, 7, 7}},
        {"multicolour text, colour bit 3 clear", 0x1B, 0x18, 0x01, 0x05, {5, 6, 5, 5, 6, 6, 6, 5}},
        {"extended background: code bits 6-7", 0x5B, 0x08, 0xC1, 0x03, {3, 9, 3, 3, 9, 9, 9, 3}},
        {"bitmap", 0x3B, 0x08, 0x2A, 0x00, {2, 10, 2, 2, 10, 10, 10, 2}},
        {"multicolour bitmap", 0x3B, 0x18, 0x2A, 0x04, {10, 10, 4, 4, 6, 6, 2, 2}},
        {"invalid: extended with bitmap", 0x7B, 0x08, 0x01, 0x0E, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"blanked", 0x0B, 0x08, 0x01, 0x0E, {1, 1, 1, 1, 1, 1, 1, 1}},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.name);
        EmulatedC64 c64;
        MemoryMap& m = c64.memory;
        for (int i = 0x2000; i < 0x4000; ++i) m.ram[static_cast<std::size_t>(i)] = 0xB1;  // characters at $2000, bitmap at $2000
        for (int i = 0; i < 1000; ++i) {
            m.ram[static_cast<std::size_t>(0x0400 + i)] = c.code;
            m.colourRam[static_cast<std::size_t>(i)] = c.colour;
        }
        m.write(0xD018, 0x18);  // screen $0400, characters / bitmap $2000
        m.write(0xD020, 1);
        for (int i = 0; i < 4; ++i) m.write(static_cast<std::uint16_t>(0xD021 + i), static_cast<std::uint8_t>(6 + i));
        m.write(0xD011, c.control1);
        m.write(0xD016, c.control2);
        c64.run(2 * 312 * 63);
        const int y = kDisplayTopLine - kPictureFirstLine;
        for (int b = 0; b < 8; ++b)
            EXPECT_EQ(c64.picture()[at(kDisplayLeft + b, y)], c.expected[static_cast<std::size_t>(b)]) << b;
    }
}

TEST(Chips, VicBordersScrollAndSprites) {
    EmulatedC64 c64;
    MemoryMap& m = c64.memory;
    std::fill(m.ram.begin() + 0x0400, m.ram.begin() + 0x0800, 0x20);
    for (int i = 0x2000; i < 0x2800; ++i) m.ram[static_cast<std::size_t>(i)] = 0;
    for (int i = 0; i < 8; ++i) m.ram[static_cast<std::size_t>(0x2000 + 0xA0 * 8 + i)] = 0xFF;  // code $A0: solid
    m.ram[0x0400] = 0xA0;  // the first cell solid
    m.colourRam.fill(1);
    m.write(0xD018, 0x18);
    m.write(0xD020, 2);
    m.write(0xD021, 0);
    // 38 columns, 24 rows, scrolled 3 right and 3 down... XSCROLL 3, YSCROLL 7.
    m.write(0xD011, 0x17);
    m.write(0xD016, 0x03);
    // Sprite 0: a 24 x 21 block at X=100, Y=100, colour 7; sprite 1 (blue,
    // behind the foreground) over the first cell.
    for (int i = 0; i < 63; ++i) m.ram[static_cast<std::size_t>(0x3000 + i)] = 0xFF;
    m.ram[0x07F8] = 0x3000 / 64;
    m.ram[0x07F9] = 0x3000 / 64;
    m.write(0xD015, 0x03);
    m.write(0xD000, 100);
    m.write(0xD001, 100);
    m.write(0xD027, 7);
    m.write(0xD002, 24);
    m.write(0xD003, 54);  // first line 55: the first text row (YSCROLL 7)
    m.write(0xD028, 6);
    m.write(0xD01B, 0x02);
    m.write(0xD01D, 0x01);  // sprite 0 twice as wide
    c64.run(2 * 312 * 63);
    const std::vector<std::uint8_t>& pic = c64.picture();
    const int textTop = rowOf(0x30 + 7);
    EXPECT_EQ(pic[at(kDisplayLeft + 7 + 3, textTop + 1)], 1);      // the cell, scrolled right by 3
    EXPECT_EQ(pic[at(kDisplayLeft + 7 + 3 + 8, textTop + 1)], 6);  // sprite 1 beside it, behind only the cell
    EXPECT_EQ(pic[at(kDisplayLeft + 3, textTop + 1)], 2);          // 38 columns: 7 more border pixels
    EXPECT_EQ(pic[at(kDisplayLeft + 320 - 5, textTop + 1)], 2);
    EXPECT_EQ(pic[at(kDisplayLeft + 320 - 12, textTop + 1)], 0);
    EXPECT_EQ(pic[at(200, rowOf(52))], 2);                        // 24 rows: border to line 54
    EXPECT_EQ(pic[at(200, rowOf(248))], 2);
    const int sx = 100 + kPictureXOffset;
    EXPECT_EQ(pic[at(sx, rowOf(101))], 7);
    EXPECT_EQ(pic[at(sx + 47, rowOf(121))], 7);  // expanded: 48 wide; 21 lines
    EXPECT_EQ(pic[at(sx + 48, rowOf(121))], 0);
    EXPECT_EQ(pic[at(sx, rowOf(122))], 0);
    EXPECT_EQ(pic[at(sx, rowOf(100))], 0);
}

}  // namespace
}  // namespace brimwick::c64
