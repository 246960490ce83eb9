// A T64 tape in a drive: listed with its name, each program loaded with its
// load address (wrong end addresses corrected and said in the trace), and
// every write refused with "26,WRITE PROTECT ON" and never saved.
#include <gtest/gtest.h>

#include "d64/t64_builder.h"
#include "drive_fixture.h"

namespace brimwick::drive::testing {
namespace {

using d64::testing::makeTape;
using d64::testing::Slot;

struct TapeTest : DriveFixture {
    std::vector<std::uint8_t> tape = makeTape(
        "DEMO TAPE", {{"INTRO", 0x01, 0x0801, 0x0801 + 400, pattern(400)},
                      {"GAME", 0x01, 0x1000, 0xC3C6, pattern(1200, 5)}},
        4);
    std::string path = dir.write("demo.t64", tape);
    TapeTest() { EXPECT_TRUE(unit.mount(path, false)) << unit.loadFailure; }
};

std::vector<std::uint8_t> withLoadAddress(std::uint16_t address, std::vector<std::uint8_t> data) {
    data.insert(data.begin(), {static_cast<std::uint8_t>(address & 0xFF),
                               static_cast<std::uint8_t>(address >> 8)});
    return data;
}

TEST_F(TapeTest, ListsAndLoadsItsPrograms) {
    EXPECT_STREQ(unit.medium(), "T64");
    EXPECT_TRUE(unit.writeProtected);
    std::vector<std::uint8_t> listing = bus.load("$");
    std::string text(listing.begin(), listing.end());
    EXPECT_NE(text.find("\x12\"DEMO TAPE       \""), std::string::npos) << text;
    EXPECT_NE(text.find("\"INTRO\""), std::string::npos);
    EXPECT_NE(text.find("\"GAME\""), std::string::npos);
    std::size_t free = text.find("BLOCKS FREE.");
    ASSERT_NE(free, std::string::npos);
    EXPECT_EQ(listing[free - 2], 0);
    EXPECT_EQ(listing[free - 1], 0);
    EXPECT_EQ(bus.load("INTRO"), withLoadAddress(0x0801, pattern(400)));
    EXPECT_EQ(bus.load("GAME"), withLoadAddress(0x1000, pattern(1200, 5)));
    EXPECT_NE(trace().find("T64 entry \"GAME\": end address 50118 corrected to 5296"),
              std::string::npos)
        << trace();
}

TEST_F(TapeTest, EveryWriteIsRefusedAndTheTapeIsNeverWritten) {
    const std::vector<std::string> commands = {"S:INTRO",       "R:NEW=INTRO", "C:NEW=INTRO",
                                               "N:BLANK,B1",    "V"};
    for (const std::string& command : commands) {
        bus.command(command);
        EXPECT_EQ(bus.status(), "26,WRITE PROTECT ON,00,00\r") << command;
    }
    bus.save("NEW", pattern(10));
    EXPECT_EQ(bus.lastError, "26,WRITE PROTECT ON");
    bus.lastError.clear();
    bus.open(2, "INTRO,P,A");
    EXPECT_EQ(bus.lastError, "26,WRITE PROTECT ON");
    bus.open(2, "#");
    bus.command("U1 2 0 18 0");
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
    bus.command("U2 2 0 18 0");
    EXPECT_EQ(bus.status(), "26,WRITE PROTECT ON,00,00\r");
    EXPECT_EQ(unit.addHostFile(dir.write("x.prg", pattern(5))), AddResult::WriteProtected);
    unit.markImageModified();  // as a block written over the link would
    EXPECT_TRUE(unit.unmount());
    EXPECT_EQ(brimwick::testing::TempDir::read(path), tape);
    EXPECT_TRUE(unit.mount(path, false));
    EXPECT_EQ(bus.load("INTRO"), withLoadAddress(0x0801, pattern(400)));
}

TEST_F(DriveFixture, FilesThatAreNoTapeOrTooBigAreRefused) {
    std::vector<std::uint8_t> notTape = pattern(1000);
    EXPECT_FALSE(unit.mount(dir.write("x.t64", notTape), false));
    EXPECT_EQ(unit.loadFailure,
              "not a D64 image: 1000 bytes (a D64 image has 174848, 175531, 196608 or 197376)");
    std::vector<Slot> huge(14, Slot{"BIG", 1, 0x0801, 0x0801, pattern(60000)});
    EXPECT_FALSE(unit.mount(dir.write("huge.t64", makeTape("HUGE", huge, 14)), false));
    EXPECT_EQ(unit.loadFailure, "a T64 tape whose programs do not fit on a D81 disk");
    EXPECT_EQ(unit.image, nullptr);
}

}  // namespace
}  // namespace brimwick::drive::testing
