// LOAD "$" on an image and on a PC directory, byte for byte.
#include <gtest/gtest.h>

#include <filesystem>

#include "drive_fixture.h"

namespace brimwick::drive::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes text(std::string_view t) {
    return bytesOf(t);
}
Bytes spaces(std::size_t n) {
    return Bytes(n, ' ');
}

// Reads a listing through the bus: the bytes, and whether only the last
// carried the end flag.
struct ListingTest : DriveFixture {
    Bytes listing(std::string_view name = "$") {
        bus.open(0, name);
        std::vector<std::int32_t> raw = bus.readRaw(0, 100000);
        Bytes bytes;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            bytes.push_back(static_cast<std::uint8_t>(raw[i]));
            EXPECT_EQ((raw[i] & kLastByte) != 0, i + 1 == raw.size());
        }
        return bytes;
    }
};

TEST_F(ListingTest, FreshImage) {
    Bytes expected = Bytes{0x00, 0x10, 0x23, 0x10, 0xA9, 0x02} + text("BLOCKS FREE. CODED BAD.") +
                     spaces(8) + Bytes{0, 0, 0};
    EXPECT_EQ(listing(), expected);
    EXPECT_EQ(expected.size(), 40u);
    EXPECT_NE(trace().find("\n hallo open dir"), std::string::npos);
}

TEST_F(ListingTest, OneFile) {
    bus.save("TEST", pattern(5 * 254));
    Bytes expected = Bytes{0x00, 0x10, 0x23, 0x10, 0x05, 0x00} + spaces(3) + text("\"TEST\"") +
                     spaces(14) + text("PRG") + spaces(4) + Bytes{0} +
                     Bytes{0x46, 0x10, 0xA4, 0x02} + text("BLOCKS FREE. CODED BAD.") + spaces(8) +
                     Bytes{0, 0, 0};
    EXPECT_EQ(listing(), expected);
    EXPECT_EQ(expected.size(), 75u);
}

TEST_F(ListingTest, PatternSelectsNamesAndTheFreeLineFollows) {
    bus.save("TOOL", {1});
    bus.save("GAME", {1});
    bus.save("TEXT", {1});
    Bytes got = listing("$0:T*");
    std::string s(got.begin(), got.end());
    EXPECT_NE(s.find("\"TOOL\""), std::string::npos);
    EXPECT_NE(s.find("\"TEXT\""), std::string::npos);
    EXPECT_EQ(s.find("GAME"), std::string::npos);
    EXPECT_NE(s.find("BLOCKS FREE."), std::string::npos);
    EXPECT_EQ(got.size(), 37u + 35u + 37u + 1u);
}

TEST_F(ListingTest, MarksAndTypes) {
    bus.save("A", {1});
    bus.open(2, "OPEN,S,W");  // not closed yet
    d64::BlockCursor entry(unit.image);
    entry.rewind();
    entry.nextEntry();
    entry.setEntryType(0xC2);  // locked PRG
    entry.nextEntry();
    entry.nextEntry();
    entry.writeName("ODD");
    entry.setEntryType(0x85);
    Bytes got = listing();
    // Line 1: "A" locked; line 2: "OPEN" unclosed; line 3: type 5.
    auto quoteIn = [&](std::size_t start) {
        return std::find(got.begin() + static_cast<long>(start), got.end(), '"') - got.begin();
    };
    auto q1 = static_cast<std::size_t>(quoteIn(0));
    EXPECT_EQ(got[q1 + 23], '<');
    EXPECT_EQ(text("PRG"), Bytes(got.begin() + static_cast<long>(q1 + 20),
                                 got.begin() + static_cast<long>(q1 + 23)));
    auto q2 = static_cast<std::size_t>(quoteIn(37));
    EXPECT_EQ(got[q2 + 19], '*');
    EXPECT_EQ(text("SEQ"), Bytes(got.begin() + static_cast<long>(q2 + 20),
                                 got.begin() + static_cast<long>(q2 + 23)));
    auto q3 = static_cast<std::size_t>(quoteIn(72));
    EXPECT_EQ(text("???"), Bytes(got.begin() + static_cast<long>(q3 + 20),
                                 got.begin() + static_cast<long>(q3 + 23)));
}

TEST_F(ListingTest, BlockCountsAreFollowedByAligningSpaces) {
    const std::pair<int, int> cases[] = {{9, 3},   {10, 2},   {99, 2},   {100, 1},
                                         {999, 1}, {1000, 0}, {65535, 0}};
    for (auto [count, gap] : cases) {
        SCOPED_TRACE(count);
        unit.linePos = 4;
        unit.putBlockCount(count);
        EXPECT_EQ(unit.linePos, 6 + gap);
    }
}

TEST_F(ListingTest, DollarOnAnotherChannelIsClosed) {
    bus.open(2, "$");
    EXPECT_EQ(bus.errorCount, 0);
    EXPECT_FALSE(unit.channels[2].isOpen);
    EXPECT_EQ(bus.readRaw(2, 2), (std::vector<std::int32_t>{0x80 | kLastByte}));
}

TEST_F(ListingTest, ReadingOnAfterTheEndKeepsGivingTheEndFlag) {
    listing();
    bus.talk();
    bus.tksa(0x60);
    EXPECT_EQ(bus.acptr(), kLastByte);
    EXPECT_EQ(bus.acptr(), kLastByte);
}

TEST_F(ListingTest, PatternSurvivesAStatusReadBeforeTheListing) {
    bus.save("TOOL", {1});
    bus.save("GAME", {1});
    bus.open(0, "$:G*");
    bus.status();  // the status text overwrites the name in the command buffer
    Bytes got = bus.read(0);
    std::string s(got.begin(), got.end());
    EXPECT_NE(s.find("GAME"), std::string::npos);
    EXPECT_EQ(s.find("TOOL"), std::string::npos);
}

TEST_F(ListingTest, DamagedDirectoryEndsWithAnErrorAndClosesTheChannel) {
    block(18, 1)[0] = 40;  // a link to track 40
    bus.open(0, "$");
    bus.read(0);
    EXPECT_EQ(bus.lastError, "66,ILLEGAL TRACK AND SECTOR");
    EXPECT_FALSE(unit.channels[0].isOpen);
}

using HostListingTest = ListingTest;

TEST_F(HostListingTest, BlockCountsOfPcFiles) {
    std::filesystem::create_directory(dir.file("pc"));
    unit.mount(dir.file("pc"), true);
    dir.write("pc/a.prg", pattern(1000));
    dir.write("pc/b.prg", pattern(254));
    dir.write("pc/c.prg", pattern(255));
    dir.write("pc/d.prg", pattern(0));
    Bytes expected =
        Bytes{0x00, 0x10, 0x23, 0x10, 4, 0} + spaces(3) + text("A.PRG") + spaces(22) + Bytes{0};
    expected =
        expected + Bytes{0x46, 0x10, 1, 0} + spaces(3) + text("B.PRG") + spaces(22) + Bytes{0};
    expected =
        expected + Bytes{0x69, 0x10, 2, 0} + spaces(3) + text("C.PRG") + spaces(22) + Bytes{0};
    expected =
        expected + Bytes{0x8C, 0x10, 0, 0} + spaces(3) + text("D.PRG") + spaces(22) + Bytes{0};
    expected = expected + Bytes{0xAF, 0x10} + spaces(33) + Bytes{0, 0, 0};
    EXPECT_EQ(listing(), expected);
}

TEST_F(HostListingTest, EmptyOrUnmatchedDirectoryIsOneEndByte) {
    std::filesystem::create_directory(dir.file("pc"));
    unit.mount(dir.file("pc"), true);
    EXPECT_EQ(listing(), Bytes{0});
    dir.write("pc/game.prg", "x");
    EXPECT_EQ(listing("$:Z*"), Bytes{0});
}

TEST_F(HostListingTest, LongNamesAreCutBeforeTheLineEnd) {
    std::filesystem::create_directory(dir.file("pc"));
    unit.mount(dir.file("pc"), true);
    dir.write("pc/" + std::string(40, 'n') + ".prg", "x");
    Bytes got = listing();
    ASSERT_GE(got.size(), 37u);
    EXPECT_EQ(got[35], 'N');  // PC lower case is PETSCII upper case
    EXPECT_EQ(got[36], 0);
}

TEST_F(HostListingTest, PatternNeverReachesOutsideTheDirectory) {
    std::filesystem::create_directory(dir.file("pc"));
    dir.write("secret.prg", "s");
    unit.mount(dir.file("pc"), true);
    for (const char* name : {"$:../*", "$:..\\*", "$:/*", "$:../secret.prg"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(listing(name), Bytes{0});
    }
}

}  // namespace
}  // namespace brimwick::drive::testing
