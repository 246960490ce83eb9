// The whole emulated C64 with the Open ROMs: boot, keyboard, picture.
#include <gtest/gtest.h>

#include "c64/machine/emulated_c64.h"
#include "../open_roms.h"

namespace brimwick::c64 {
namespace {

using testing::screenRow;
using testing::screenShows;

// Runs until the screen shows `text` or `seconds` of C64 time have passed.
bool runUntilShown(EmulatedC64& c64, const std::string& text, double seconds) {
    const std::uint64_t end = c64.cycles() + static_cast<std::uint64_t>(seconds * c64.clockHz());
    while (c64.cycles() < end) {
        c64.run(20'000);
        if (screenShows(c64, text)) return true;
    }
    return false;
}

std::string screen(EmulatedC64& c64) {
    std::string text;
    for (int row = 0; row < 25; ++row) text += "|" + screenRow(c64, row) + "|\n";
    return text;
}

TEST(EmulatedC64, OpenRomsBootToReady) {
    BRIMWICK_NEED_OPEN_ROMS(roms);
    EmulatedC64 c64;
    c64.powerOn(roms->kernal, roms->basic, roms->characters);
    ASSERT_TRUE(runUntilShown(c64, "READY.", 5)) << screenRow(c64, 0) << "\n" << screenRow(c64, 1)
                                                 << "\npc=" << std::hex << c64.cpu.pc;
    EXPECT_FALSE(c64.cpu.jammed);
    EXPECT_TRUE(screenShows(c64, "PAL"));  // the kernal found line 311
}

TEST(EmulatedC64, OpenRomsTellNtscByTheMissingLine311) {
    BRIMWICK_NEED_OPEN_ROMS(roms);
    EmulatedC64 c64;
    c64.setStandard(VideoStandard::Ntsc);
    c64.powerOn(roms->kernal, roms->basic, roms->characters);
    ASSERT_TRUE(runUntilShown(c64, "READY.", 5));
    EXPECT_TRUE(screenShows(c64, "NTSC"));
}

TEST(EmulatedC64, KeysPressedThroughTheMatrixRunAsBasic) {
    BRIMWICK_NEED_OPEN_ROMS(roms);
    EmulatedC64 c64;
    c64.powerOn(roms->kernal, roms->basic, roms->characters);
    ASSERT_TRUE(runUntilShown(c64, "READY.", 5));
    // (The Open ROMs' BASIC has no arithmetic yet: PRINT 2+3 is
    // ?NOT IMPLEMENTED ERROR; strings, POKE and GOTO work.)
    c64.press(keyStrokesFor("10 poke 53281,5\r20 print \"hello, world\"\r30 goto 20\r"));
    EXPECT_TRUE(screenShows(c64, "20 PRINT \"HELLO, WORLD\"")) << screen(c64);
    c64.press(keyStrokesFor("run\r"));
    ASSERT_TRUE(runUntilShown(c64, "HELLO, WORLD", 2)) << screen(c64);
    EXPECT_EQ(c64.memory.vic.read(kVicBackground0) & 0x0F, 5);
    c64.press(keyStrokesFor("{run/stop}"));
    EXPECT_TRUE(runUntilShown(c64, "BREAK", 2));
}

TEST(EmulatedC64, ThePictureAtThePromptShowsTheCharacterRomsGlyphs) {
    BRIMWICK_NEED_OPEN_ROMS(roms);
    EmulatedC64 c64;
    c64.powerOn(roms->kernal, roms->basic, roms->characters);
    ASSERT_TRUE(runUntilShown(c64, "READY.", 5));
    c64.run(2 * c64.clockHz() / 50);  // a whole frame drawn since
    int row = 0;
    while (screenRow(c64, row).rfind("READY.", 0) != 0) ++row;
    const std::vector<std::uint8_t>& picture = c64.picture();
    const std::vector<std::uint8_t> codes = c64.screenCodes();
    const int charBase = ((c64.memory.vic.registers[kVicMemory] >> 1) & 7) * 0x800;
    ASSERT_EQ(charBase, 0x1000);  // the character ROM, as bank 0 shows it
    const int background = c64.memory.vic.read(kVicBackground0) & 0x0F;
    int glyphPixels = 0;
    for (int column = 0; column < 6; ++column) {
        const int cell = row * 40 + column;
        const int code = codes[static_cast<std::size_t>(cell)];
        const int colour = c64.memory.colourRam[static_cast<std::size_t>(cell)];
        for (int line = 0; line < 8; ++line) {
            const int bits = roms->characters[static_cast<std::size_t>(code * 8 + line)];
            for (int b = 0; b < 8; ++b) {
                const int x = kDisplayLeft + column * 8 + b;
                const int y = kDisplayTopLine - kPictureFirstLine + row * 8 + line;
                const bool set = (bits & (0x80 >> b)) != 0;
                glyphPixels += set ? 1 : 0;
                ASSERT_EQ(picture[static_cast<std::size_t>(y * kPictureWidth + x)], set ? colour : background)
                    << "column " << column << " line " << line << " bit " << b;
            }
        }
    }
    EXPECT_GT(glyphPixels, 6 * 8);
    EXPECT_EQ(picture[0], c64.memory.vic.read(kVicBorder) & 0x0F);
}

}  // namespace
}  // namespace brimwick::c64
