// The C64's banking through the processor port and CIA 2's port pins.
#include <gtest/gtest.h>

#include "c64/machine/memory_map.h"

namespace brimwick::c64 {
namespace {

struct Banking {
    std::uint8_t port;     // $0001 written with all lines as outputs
    std::uint8_t atA000;   // what $A000 reads
    std::uint8_t atD000;   // what $D000 reads
    std::uint8_t atE000;   // what $E000 reads
};

TEST(MemoryMap, ProcessorPortBanksBasicKernalAndIo) {
    // ROM bytes 0xBA / 0xCE / 0xC4, RAM 0x11, I/O 0x10.
    const Banking cases[] = {
        {0x37, 0xBA, 0x10, 0xCE},  // the normal C64: BASIC, I/O, KERNAL
        {0x36, 0x11, 0x10, 0xCE},  // BASIC out
        {0x35, 0x11, 0x10, 0x11},  // only I/O
        {0x33, 0xBA, 0xC4, 0xCE},  // character ROM instead of I/O
        {0x34, 0x11, 0x11, 0x11},  // all RAM
        {0x30, 0x11, 0x11, 0x11},  // all RAM
    };
    for (const Banking& c : cases) {
        MemoryMap m;
        m.basicRom[0] = 0xBA;
        m.kernalRom[0] = 0xCE;
        m.characterRom[0] = 0xC4;
        m.ram[0xA000] = m.ram[0xD000] = m.ram[0xE000] = 0x11;
        m.vic.write(0, 0x10);  // sprite 0 X
        m.write(0x0000, 0x2F);
        m.write(0x0001, c.port);
        EXPECT_EQ(m.read(0xA000), c.atA000) << std::hex << int(c.port);
        EXPECT_EQ(m.read(0xD000), c.atD000) << std::hex << int(c.port);
        EXPECT_EQ(m.read(0xE000), c.atE000) << std::hex << int(c.port);
    }
}

TEST(MemoryMap, WritesGoUnderTheRomsAndIoTakesItsOwn) {
    MemoryMap m;  // after reset every line is an input: all banked in
    EXPECT_EQ(m.read(0x0001) & 0x07, 0x07);
    m.write(0xE000, 0x42);
    m.write(0xA123, 0x43);
    EXPECT_EQ(m.ram[0xE000], 0x42);
    EXPECT_EQ(m.ram[0xA123], 0x43);
    EXPECT_EQ(m.read(0xE000), 0x00);  // the ROM still shows
    m.write(0xDD03, 0xFF);            // CIA 2 DDR B, not RAM
    EXPECT_EQ(m.cia2.directionB, 0xFF);
    EXPECT_EQ(m.ram[0xDD03], 0x00);
    m.write(0xDD13, 0x0F);  // mirrored every 16 bytes
    EXPECT_EQ(m.cia2.directionB, 0x0F);
}

TEST(MemoryMap, CiaPinsShowLatchesOnOutputsAndTheOutsideOnInputs) {
    Cia2 cia;
    cia.externalB = 0x81;  // the outside pulls PB1-6 low, PB0 and PB7 high
    cia.write(kCiaDirectionB, 0x78);
    cia.write(kCiaPortB, 0x48);
    EXPECT_EQ(cia.read(kCiaPortB), 0xC9);  // PB7, PB0 from outside; PB3, PB6 from the latch
    EXPECT_EQ(cia.pinsB(), 0xC9);
    cia.reset();
    cia.externalB = 0xFF;
    EXPECT_EQ(cia.pinsB(), 0xFF);  // inputs with pull-ups
}

}  // namespace
}  // namespace brimwick::c64
