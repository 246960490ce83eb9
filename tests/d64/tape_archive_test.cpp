// T64 tapes: their directory, the end addresses corrected from where the
// next data begin, and the read-only disk the drive serves them as.
#include "d64/tape_archive.h"

#include <gtest/gtest.h>

#include <cstring>

#include "d64/bam_view.h"
#include "d64/file_cursor.h"
#include "d64_fixture.h"
#include "t64_builder.h"

namespace brimwick::d64 {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::makeTape;
using testing::Slot;
using testing::pattern;

TEST(TapeArchive, EntriesWithTheirAddressesAndCorrectedEnds) {
    const std::vector<Slot> slots = {
        {"GAME", 0x01, 0x0801, 0x0801 + 300, pattern(300)},
        {"WRONG END", 0x82, 0x0801, 0xC3C6, pattern(500)},  // the converter's $C3C6
        {"NOTES", 0x81, 0x1000, 0x1000, pattern(20)},       // no length at all
        {"LAST", 0x01, 0xC000, 0xC3C6, pattern(40)},        // runs to the end of the file
    };
    Bytes file = makeTape("MY TAPE", slots, 6);
    ASSERT_TRUE(isTapeArchive(file));
    TapeArchive tape = readTapeArchive(file);
    EXPECT_EQ(tape.name, "MY TAPE");
    ASSERT_EQ(tape.entries.size(), 4u);
    const TapeEntry& game = tape.entries[0];
    EXPECT_EQ(game.name, "GAME");
    EXPECT_EQ(game.type, 2);
    EXPECT_EQ(game.start, 0x0801);
    EXPECT_EQ(game.data, pattern(300));
    EXPECT_FALSE(game.endCorrected);
    EXPECT_EQ(tape.entries[1].data, pattern(500));
    EXPECT_TRUE(tape.entries[1].endCorrected);
    EXPECT_EQ(tape.entries[1].statedEnd, 0xC3C6u);
    EXPECT_EQ(tape.entries[2].type, 1);  // SEQ
    EXPECT_EQ(tape.entries[2].data, pattern(20));
    EXPECT_TRUE(tape.entries[2].endCorrected);
    EXPECT_EQ(tape.entries[3].data, pattern(40));
    EXPECT_TRUE(tape.entries[3].endCorrected);
}

TEST(TapeArchive, BrokenHeadersAndSlots) {
    Bytes file = makeTape("T", {{"A", 1, 0x0801, 0x0811, pattern(16)}}, 1);
    EXPECT_FALSE(isTapeArchive(Bytes(file.begin(), file.begin() + 63)));
    Bytes other = file;
    other[0] = 'X';
    EXPECT_FALSE(isTapeArchive(other));
    // Slot counts larger than the file: only the slots that are there.
    Bytes counts = file;
    counts[34] = 0xFF;
    counts[35] = 0xFF;
    EXPECT_EQ(readTapeArchive(counts).entries.size(), 1u);
    // A slot whose data lie beyond the end of the file is left out.
    Bytes outside = file;
    outside[64 + 10] = 0x10;
    EXPECT_TRUE(readTapeArchive(outside).entries.empty());
    // Only the header, no slots.
    EXPECT_TRUE(readTapeArchive(Bytes(file.begin(), file.begin() + 64)).entries.empty());
    // Too short for a header: nothing, and nothing read beyond the bytes.
    EXPECT_TRUE(readTapeArchive(Bytes(file.begin(), file.begin() + 40)).entries.empty());
}

TEST(TapeArchive, ServedAsAFullDiskOfClosedPrograms) {
    Bytes file = makeTape("MY TAPE", {{"GAME", 1, 0x0801, 0x0801 + 3000, pattern(3000)},
                                      {"TOOL", 1, 0xC000, 0xC010, pattern(16)}},
                          2);
    std::optional<TapeDisk> disk = tapeAsDisk(readTapeArchive(file));
    ASSERT_TRUE(disk.has_value());
    EXPECT_EQ(disk->format, &kD64Format);
    std::uint8_t* image = disk->image.data();
    EXPECT_EQ(BamView(image).freeBlockCount(), 0);
    EXPECT_EQ(std::string(image + kBamOffset + 0x90, image + kBamOffset + 0x97), "MY TAPE");
    BlockCursor dir(image);
    dir.rewind();
    ASSERT_TRUE(dir.findEntry("GAME"));
    EXPECT_EQ(dir.entryType(), 0x82);
    EXPECT_EQ(dir.entryBlocks(), 12);
    FileCursor read(image);
    read.openAt(dir.entryFirstBlock());
    Bytes got;
    for (std::int32_t b; (b = read.readNext()) != kEndOfChain;) got.push_back(static_cast<std::uint8_t>(b));
    Bytes expected = {0x01, 0x08};
    Bytes body = pattern(3000);
    expected.insert(expected.end(), body.begin(), body.end());
    EXPECT_EQ(got, expected);

    // A tape larger than a D64 goes on a D71, one larger than that on a D81.
    std::vector<Slot> many;
    for (int i = 0; i < 12; ++i) many.push_back({"BIG", 1, 0x0801, 0x0801, pattern(60000)});
    auto big = tapeAsDisk(readTapeArchive(makeTape("BIG", many, 12)));
    ASSERT_TRUE(big.has_value());
    EXPECT_EQ(big->format, &kD81Format);
    many.resize(4);
    auto middle = tapeAsDisk(readTapeArchive(makeTape("MIDDLE", many, 4)));
    ASSERT_TRUE(middle.has_value());
    EXPECT_EQ(middle->format, &kD71Format);
    many.resize(14);
    for (Slot& s : many) s = {"BIG", 1, 0x0801, 0x0801, pattern(60000)};
    EXPECT_FALSE(tapeAsDisk(readTapeArchive(makeTape("HUGE", many, 14))).has_value());
}

}  // namespace
}  // namespace brimwick::d64
