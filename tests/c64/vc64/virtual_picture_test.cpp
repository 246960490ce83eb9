// The virtual C64 as it looks: its character set, the VIC-II's picture of
// its screen (border, background, colour RAM, the blinking cursor), and the
// demo disk's programs run through the vc64 operations press, wait, run,
// screen and screenshot, the screenshot checked on the pixels that matter.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "c64/machine/vic2.h"
#include "c64/machine/vic_palette.h"
#include "c64/vc64/character_set.h"
#include "c64/vc64/script.h"
#include "c64/vc64/virtual_operations.h"
#include "c64/vc64/virtual_picture.h"
#include "virtual_setup_test.h"

namespace brimwick::c64::vc64 {
namespace {

TEST(CharacterSetTest, LettersDigitsAndBothCasesAreDrawnAndReversed) {
    const CharacterSet& set = characterSet();
    auto glyph = [&](int base, int code) {
        return std::vector<std::uint8_t>(set.begin() + base + code * kGlyphBytes,
                                         set.begin() + base + (code + 1) * kGlyphBytes);
    };
    auto packed = [&](int base, int code) {
        std::uint64_t bits = 0;
        for (std::uint8_t row : glyph(base, code)) bits = (bits << 8) | row;
        return bits;
    };
    std::set<std::uint64_t> distinct;
    for (int code = 0x00; code < 0x40; ++code) distinct.insert(packed(0, code));
    for (int code = 0x01; code <= 0x1A; ++code) distinct.insert(packed(kLowerCaseSet, code));
    EXPECT_EQ(distinct.size(), 64u + 26u) << "every letter, digit and sign has a glyph of its own";
    EXPECT_EQ(glyph(0, 0x20), std::vector<std::uint8_t>(8, 0x00)) << "a blank";
    for (int code = 0x01; code <= 0x1A; ++code)
        EXPECT_EQ(glyph(kLowerCaseSet, 0x40 + code), glyph(0, code)) << "capitals in the lower-case set";
    for (int base : {0, kLowerCaseSet})
        for (int i = 0; i < kSetBytes / 2; ++i)
            ASSERT_EQ(set[base + kSetBytes / 2 + i], static_cast<std::uint8_t>(~set[base + i]));
}

TEST(CharacterSetTest, AFaultyDrawingIsRefused) {
    EXPECT_ANY_THROW(buildCharacterSet("upper\n01 A\n..##..\n"));         // a short row
    EXPECT_ANY_THROW(buildCharacterSet("01 A\n"));                         // outside a set
    EXPECT_ANY_THROW(buildCharacterSet("upper\n81 A\n" + std::string(8 * 9, '.')));
}

class VirtualPictureTest : public testing::VirtualSetupTest {
  protected:
    C64Memory& memory = setup.c64.memory;

    std::vector<std::uint8_t> picture(bool cursor = false) {
        return virtualPicture(memory, CursorView{cursor, setup.kernal.screen.row, setup.kernal.screen.column});
    }
    // The colour of pixel (x, y) of a text cell.
    static int cellPixel(const std::vector<std::uint8_t>& p, int row, int column, int x, int y) {
        int px = kDisplayLeft + column * 8 + x;
        int py = kDisplayTopLine - kPictureFirstLine + row * 8 + y;
        return p[static_cast<std::size_t>(py * kPictureWidth + px)];
    }
    static bool glyphBit(int code, int x, int y, int base = 0) {
        return (characterSet()[static_cast<std::size_t>(base + code * kGlyphBytes + y)] & (0x80 >> x)) != 0;
    }
    void serveDemo() {
        if (!std::filesystem::exists(BRIMWICK_DEMO_DISK))
            GTEST_SKIP() << "no demo disk at " << BRIMWICK_DEMO_DISK << " (target demo_disk)";
        std::filesystem::copy_file(BRIMWICK_DEMO_DISK, dir.file("demo.d64"));
        setup.serve(8, dir.file("demo.d64"));
    }
    std::string script(const std::string& text) {
        std::istringstream in(text);
        std::ostringstream out;
        EXPECT_EQ(runScript(in, out, setup), 0) << out.str();
        return out.str();
    }
};

TEST_F(VirtualPictureTest, ReadyInLightBlueOnBlueWithABorderAndABlinkingCursor) {
    std::vector<std::uint8_t> p = picture();
    EXPECT_EQ(p[0], kLightBlue) << "border";
    EXPECT_EQ(p[static_cast<std::size_t>(kPictureHeight - 1) * kPictureWidth + kPictureWidth - 1], kLightBlue);
    // R of READY. in the first cell: the glyph's pixels in the text colour.
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(cellPixel(p, 0, 0, x, y), glyphBit(0x12, x, y) ? kLightBlue : kBlue) << x << "," << y;
    // The cursor's cell (row 1, column 0) reversed in the blink's on phase.
    EXPECT_EQ(cellPixel(p, 1, 0, 3, 3), kBlue);
    EXPECT_EQ(cellPixel(picture(true), 1, 0, 3, 3), kLightBlue);
    EXPECT_TRUE(cursorBlinkOn(0));
    EXPECT_FALSE(cursorBlinkOn(kCursorBlinkJiffies));
}

TEST_F(VirtualPictureTest, PokesTurnTheBorderAndBackgroundAndLowerCaseSelectsTheOtherSet) {
    script("press \"poke53280,0:poke53281,1\\r\"\npress \"{ctrl-3}\"\npress \"{shift-a}a\"\n");
    std::vector<std::uint8_t> p = picture();
    EXPECT_EQ(p[0], 0) << "POKE 53280,0 makes the border black";
    EXPECT_EQ(cellPixel(p, 5, 39, 0, 0), 1) << "POKE 53281,1 a white background";
    // The typed shifted A is a graphic in red (CTRL-3) in the upper-case set ...
    int row = setup.kernal.screen.row;
    auto cellShows = [&](const std::vector<std::uint8_t>& q, int column, int code, int base) {
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                if (cellPixel(q, row, column, x, y) != (glyphBit(code, x, y, base) ? 2 : 1)) return false;
        return true;
    };
    EXPECT_TRUE(cellShows(p, 0, 0x41, 0));
    // ... and a capital A in the lower-case set, where the plain a is small.
    memory.write(kMemorySetup, kLowerCaseSetup);
    std::vector<std::uint8_t> lower = picture();
    EXPECT_TRUE(cellShows(lower, 0, 0x41, kLowerCaseSet));
    EXPECT_TRUE(cellShows(lower, 1, 0x01, kLowerCaseSet));
}

TEST_F(VirtualPictureTest, ColoursThroughPressRunAndScreenshot) {
    serveDemo();
    if (IsSkipped()) return;
    const std::string png = dir.file("colours.png");
    std::string transcript = script("press \"load\\\"colours\\\",8\\r\"\nwait \"LOADING\"\npress \"run\\r\"\n"
                                    "run 1\nscreenshot " + png + "\n");
    EXPECT_NE(transcript.find("screenshot " + png + " 384x272"), std::string::npos) << transcript;
    EXPECT_GT(std::filesystem::file_size(png), 100u);
    std::vector<std::uint32_t> shot = virtualScreenshot(setup);
    auto at = [&](int row, int column) {
        int px = kDisplayLeft + column * 8 + 4;
        int py = kDisplayTopLine - kPictureFirstLine + row * 8 + 4;
        return shot[static_cast<std::size_t>(py * kPictureWidth + px)];
    };
    for (int bar = 0; bar < 15; ++bar) {
        EXPECT_EQ(at(bar, 0), kPalette[static_cast<std::size_t>(bar + 1)]) << "bar " << bar;
        EXPECT_EQ(at(bar, 38), kPalette[static_cast<std::size_t>(bar + 1)]) << "bar " << bar;
        EXPECT_EQ(at(bar, 39), kPalette[kBlue]) << "bar " << bar;
    }
    EXPECT_EQ(shot[0], kPalette[kLightBlue]) << "the border comes back light blue";
}

TEST_F(VirtualPictureTest, HelloThroughPressWaitAndScreen) {
    serveDemo();
    if (IsSkipped()) return;
    std::string transcript = script("press \"load\\\"hello\\\",8\\r\"\nwait \"LOADING\"\npress \"run\\r\"\n"
                                    "wait \"HELLO FROM BRIMWICK!\" 2\nscreen\n");
    EXPECT_NE(transcript.find("wait \"HELLO FROM BRIMWICK!\" shown"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("|HELLO FROM BRIMWICK!                    |\n|                                        |\n"
                              "|THIS PROGRAM CAME FROM THE PC,          |\n"),
              std::string::npos)
        << transcript;
    std::vector<std::uint8_t> p = picture();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(cellPixel(p, 0, 0, x, y), glyphBit(0x08, x, y) ? kLightBlue : kBlue) << "H";
}

TEST_F(VirtualPictureTest, PressStopsAndRestores) {
    // loop: JSR STOP; BNE loop; RTS — and a loop that ignores STOP.
    for (auto [address, value] : std::vector<std::pair<int, int>>{
             {0xC000, 0x20}, {0xC001, 0xE1}, {0xC002, 0xFF}, {0xC003, 0xD0}, {0xC004, 0xFB}, {0xC005, 0x60},
             {0xC010, 0x4C}, {0xC011, 0x10}, {0xC012, 0xC0}})
        memory.write(address, static_cast<std::uint8_t>(value));
    script("press \"sys49152\\r\"\nrun 0.5\n");
    EXPECT_TRUE(setup.basic.machine.running);
    script("press \"{run/stop}\"\n");
    EXPECT_FALSE(setup.basic.machine.running);
    script("press \"sys49168\\r\"\nrun 0.5\npress \"{run/stop}\"\n");
    EXPECT_TRUE(setup.basic.machine.running) << "RUN/STOP alone does not stop a loop that ignores it";
    script("press \"{run/stop}{restore}\"\n");
    EXPECT_FALSE(setup.basic.machine.running);
}

}  // namespace
}  // namespace brimwick::c64::vc64
