// The cable's wiring between the PC's port registers and the emulated C64's
// user port, the reset line, and the way a status read runs the C64.
#include <gtest/gtest.h>

#include <vector>

#include "c64/machine/user_port_cable.h"

namespace brimwick::c64 {
namespace {

constexpr int kBase = 0x378;

// A C64 whose kernal ROM only holds a reset vector to $1000, where `program`
// is placed.
class CableTest : public ::testing::Test {
  protected:
    EmulatedC64 c64;
    UserPortCable cable{c64};

    void boot(const std::vector<std::uint8_t>& program) {
        std::vector<std::uint8_t> kernal(kRomSize, 0);
        kernal[0x1FFC] = 0x00;
        kernal[0x1FFD] = 0x10;
        c64.memory.load(0x1000, program);
        c64.powerOn(kernal);
    }
    std::uint8_t status() { return cable.readPort(kBase + 1); }
};

TEST_F(CableTest, C64LinesReachTheStatusRegister) {
    // DDR B = $79 (PB0, PB3-6 out), PB = $51 (strobe, PB4, request), PA2 low.
    boot({0xA9, 0x79, 0x8D, 0x03, 0xDD, 0xA9, 0x51, 0x8D, 0x01, 0xDD,  //
          0xA9, 0x04, 0x8D, 0x02, 0xDD, 0xA9, 0x00, 0x8D, 0x00, 0xDD,  //
          0x4C, 0x14, 0x10});
    while ((status() & 0xC0) != 0xC0) {
    }
    EXPECT_EQ(status(), 0xD8);  // both request lines, strobe, PB4
    EXPECT_TRUE(cable.requestOpen());
}

TEST_F(CableTest, PcDataReachesPortBAndD6ResetsTheC64) {
    // Copies $DD01 to $0002 forever.
    boot({0xAD, 0x01, 0xDD, 0x85, 0x02, 0x4C, 0x00, 0x10});
    cable.writePort(kBase, 0x83);
    cable.delay(1);
    EXPECT_EQ(c64.memory.ram[0x0002], 0xFF);  // PB1, PB2, PB7 high; the rest pulled up
    cable.writePort(kBase, 0x02);
    cable.delay(1);
    EXPECT_EQ(c64.memory.ram[0x0002], 0x7D);  // D0 low reaches PB1, D7 low PB7
    c64.memory.ram[0x1000] = 0xEA;  // the program after the reset differs
    c64.memory.ram[0x1001] = 0x4C;
    c64.memory.ram[0x1002] = 0x01;
    c64.memory.ram[0x1003] = 0x10;
    cable.writePort(kBase, 0x42);  // D6 high holds /RESET
    EXPECT_TRUE(c64.resetHeld);
    std::uint16_t held = c64.cpu.pc;
    cable.delay(2);
    EXPECT_EQ(c64.cpu.pc, held);
    cable.writePort(kBase, 0xBF);  // released: the C64 starts again
    EXPECT_FALSE(c64.resetHeld);
    EXPECT_EQ(c64.cpu.pc, 0x1000);
}

TEST_F(CableTest, ReadRightAfterAMoveShowsTheSameMoment) {
    // Toggles PB0 (the strobe) forever with INC and DEC.
    boot({0xA9, 0x01, 0x8D, 0x03, 0xDD, 0xEE, 0x01, 0xDD, 0xCE, 0x01, 0xDD, 0x4C, 0x05, 0x10});
    std::uint8_t first = status();
    std::uint64_t at = c64.cycles();
    EXPECT_EQ(status(), first);  // the PC's second look
    EXPECT_EQ(c64.cycles(), at);
    EXPECT_NE(status(), first);  // the next read runs on to the next move
}

}  // namespace
}  // namespace brimwick::c64
