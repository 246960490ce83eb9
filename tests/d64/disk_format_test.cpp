// The D71 and D81 formats: their geometry tables, their BAMs, their blank
// images, the drives' choice of blocks on them, and damaged chains.
#include "d64/disk_format.h"

#include <gtest/gtest.h>

#include <vector>

#include "d64/allocation_1541.h"
#include "d64/bam_view.h"
#include "d64/blank_image.h"
#include "d64/block_cursor.h"
#include "d64/file_cursor.h"
#include "d64/validate.h"
#include "d64_fixture.h"

namespace brimwick::d64 {
namespace {

using testing::driveErrorOf;
using testing::pattern;

// A blank image of a format.
struct Disk {
    const DiskFormat& format;
    std::vector<std::uint8_t> bytes;
    explicit Disk(const DiskFormat& f) : format(f), bytes(static_cast<std::size_t>(f.imageSize())) {
        formatBlankImage(bytes.data(), format);
    }
    std::uint8_t* img() { return bytes.data(); }
    std::uint8_t* block(int track, int sector) {
        return img() + format.offsetOf(track, sector);
    }
    BamView bam() { return BamView(img(), format); }
    // A closed file written as the drive of the format writes it.
    BlockCursor addFile(const char* name, std::size_t size) {
        BlockCursor dir(img(), format);
        dir.layout = BlockLayout::C1541;
        dir.rewind();
        dir.findFreeEntry();
        dir.writeName(name);
        dir.allocateFirstBlock();
        dir.setEntryType(0x02);
        FileCursor file(img(), format);
        file.layout = BlockLayout::C1541;
        file.openAt(dir.entryFirstBlock());
        for (std::uint8_t b : pattern(size)) file.writeNext(b);
        file.finishWrite();
        dir.closeEntry();
        return dir;
    }
    std::vector<std::pair<int, int>> chain(const BlockCursor& entry) {
        std::vector<std::pair<int, int>> blocks;
        FileCursor walk(img(), format);
        walk.openAt(entry.entryFirstBlock());
        do {
            BlockCursor at(img(), format);
            at.toTrackSector(walk.offset);
            blocks.emplace_back(at.track, at.sector);
        } while (walk.followLink() != kEndOfChain);
        return blocks;
    }
};

TEST(DiskFormat, TracksAndSectorsMapToTheirOffsets) {
    struct Case {
        const DiskFormat* format;
        int track, sector, offset;
    };
    const Case cases[] = {
        {&kD71Format, 1, 0, 0},          {&kD71Format, 18, 0, 0x16500},
        {&kD71Format, 35, 16, 0x2AA00},  {&kD71Format, 36, 0, 0x2AB00},
        {&kD71Format, 52, 20, 0x40F00},  {&kD71Format, 53, 0, 0x41000},
        {&kD71Format, 60, 0, 0x49500},   {&kD71Format, 66, 0, 0x50100},
        {&kD71Format, 70, 16, 0x55500},  {&kD81Format, 1, 0, 0},
        {&kD81Format, 1, 39, 0x2700},    {&kD81Format, 40, 0, 0x61800},
        {&kD81Format, 40, 3, 0x61B00},   {&kD81Format, 41, 0, 0x64000},
        {&kD81Format, 80, 39, 0xC7F00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.format->name) + " " + std::to_string(c.track) + "/" +
                     std::to_string(c.sector));
        BlockCursor at(nullptr, *c.format);
        at.toOffset(c.track, c.sector);
        EXPECT_EQ(at.offset, c.offset);
        BlockCursor back(nullptr, *c.format);
        back.toTrackSector(c.offset);
        EXPECT_EQ(back.track, c.track);
        EXPECT_EQ(back.sector, c.sector);
    }
    // Every block of every format converts there and back.
    for (const DiskFormat* format : kDiskFormats) {
        for (std::int32_t off = 0; off < format->imageSize(); off += kBlockSize) {
            BlockCursor at(nullptr, *format);
            at.toTrackSector(off);
            BlockCursor back(nullptr, *format);
            back.toOffset(at.track, at.sector);
            ASSERT_EQ(back.offset, off) << format->name;
        }
    }
}

TEST(DiskFormat, BlocksOutsideTheDiskAreRejected) {
    struct Case {
        const DiskFormat* format;
        int track, sector;
    };
    const Case cases[] = {{&kD71Format, 71, 0},  {&kD71Format, 36, 21}, {&kD71Format, 53, 19},
                          {&kD71Format, 0, 0},   {&kD81Format, 81, 0},  {&kD81Format, 1, 40},
                          {&kD81Format, 40, -1}, {&kD81Format, 0, 0}};
    for (const Case& c : cases) {
        BlockCursor at(nullptr, *c.format);
        EXPECT_EQ(driveErrorOf([&] { at.toOffset(c.track, c.sector); }),
                  "66,ILLEGAL TRACK AND SECTOR")
            << c.format->name << " " << c.track << "/" << c.sector;
    }
    for (const DiskFormat* format : {&kD71Format, &kD81Format}) {
        BlockCursor at(nullptr, *format);
        EXPECT_EQ(driveErrorOf([&] { at.toTrackSector(format->imageSize()); }),
                  "67,ILLEGAL T OR S");
    }
}

TEST(DiskFormat, ImageFileSizesTellTheFormat) {
    EXPECT_EQ(formatForImageFileSize(174848), &kD64Format);
    EXPECT_EQ(formatForImageFileSize(197376), &kD64Format);
    EXPECT_EQ(formatForImageFileSize(349696), &kD71Format);
    EXPECT_EQ(formatForImageFileSize(351062), &kD71Format);
    EXPECT_EQ(formatForImageFileSize(819200), &kD81Format);
    EXPECT_EQ(formatForImageFileSize(822400), &kD81Format);
    EXPECT_EQ(formatForImageFileSize(819201), nullptr);
}

TEST(DiskFormat, BlankD71KeepsTrack53ForItsBam) {
    Disk disk(kD71Format);
    const std::uint8_t* bam = disk.block(18, 0);
    EXPECT_EQ(bam[0], 18);
    EXPECT_EQ(bam[1], 1);
    EXPECT_EQ(bam[3], 0x80);  // double-sided
    BamView view = disk.bam();
    EXPECT_EQ(view.freeBlockCount(), 1366 - 2 - 19);
    EXPECT_EQ(view.freeOnTrack(18), 17);
    EXPECT_EQ(view.freeOnTrack(53), 0);
    EXPECT_EQ(view.freeOnTrack(36), 21);
    EXPECT_EQ(bam[0xDD], 21);  // track 36's count, in 18/0
    const std::uint8_t* side2 = disk.block(53, 0);
    EXPECT_EQ(side2[0], 0xFF);  // track 36's bitmap, in 53/0
    EXPECT_EQ(side2[1], 0xFF);
    EXPECT_EQ(side2[2], 0x1F);
    EXPECT_EQ(side2[3 * 17], 0);  // track 53: all in use
    // Taking a block of the second side changes its count and its bit only.
    EXPECT_EQ(view.takeBlock(kD71Format.offsetOf(36, 9)), 1);
    EXPECT_EQ(view.takeBlock(kD71Format.offsetOf(36, 9)), 0);
    EXPECT_EQ(bam[0xDD], 20);
    EXPECT_EQ(side2[1], 0xFD);
    EXPECT_EQ(view.freeBlock(kD71Format.offsetOf(36, 9)), 1);
    EXPECT_EQ(side2[1], 0xFF);
}

TEST(DiskFormat, BlankD81HasItsHeaderTwoBamBlocksAndTheDirectory) {
    Disk disk(kD81Format);
    writeDiskHeader(disk.img(), "GAMES", "G1", kD81Format);
    const std::uint8_t* header = disk.block(40, 0);
    const std::vector<std::uint8_t> start = {0x28, 0x03, 0x44, 0x00, 'G', 'A', 'M', 'E', 'S'};
    EXPECT_TRUE(std::equal(start.begin(), start.end(), header));
    EXPECT_EQ(header[0x16], 'G');
    EXPECT_EQ(header[0x17], '1');
    EXPECT_EQ(header[0x18], 0xA0);
    EXPECT_EQ(header[0x19], '3');
    EXPECT_EQ(header[0x1A], 'D');
    for (int b : {1, 2}) {
        const std::uint8_t* bam = disk.block(40, b);
        const std::vector<std::uint8_t> head = {
            static_cast<std::uint8_t>(b == 1 ? 40 : 0), static_cast<std::uint8_t>(b == 1 ? 2 : 0xFF),
            0x44, 0xBB, 'G', '1', 0xC0};
        EXPECT_TRUE(std::equal(head.begin(), head.end(), bam)) << b;
    }
    const std::uint8_t* track40 = disk.block(40, 1) + 0x10 + 6 * 39;
    const std::vector<std::uint8_t> entry40 = {36, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(std::equal(entry40.begin(), entry40.end(), track40));
    const std::uint8_t* track41 = disk.block(40, 2) + 0x10;
    EXPECT_EQ(track41[0], 40);
    EXPECT_EQ(disk.bam().freeBlockCount(), 3196);
    EXPECT_EQ(disk.block(40, 3)[0], 0);
    EXPECT_EQ(disk.block(40, 3)[1], 0xFF);
}

TEST(DiskFormat, DrivesLayFilesAroundTheirDirectoryTrack) {
    {
        // A 1581: from track 39 on, one sector apart, then outward to 38;
        // the next file starts on the nearest track with room.
        Disk disk(kD81Format);
        BlockCursor first = disk.addFile("FIRST", 254 * 42);
        auto blocks = disk.chain(first);
        ASSERT_EQ(blocks.size(), 42u);
        EXPECT_EQ(blocks[0], std::make_pair(39, 0));
        EXPECT_EQ(blocks[1], std::make_pair(39, 1));
        EXPECT_EQ(blocks[39], std::make_pair(39, 39));
        EXPECT_EQ(blocks[40], std::make_pair(38, 0));
        BlockCursor second = disk.addFile("SECOND", 10);
        EXPECT_EQ(disk.chain(second).front(), std::make_pair(41, 0));  // 39 is full
    }
    {
        // A 1571: six sectors apart; past track 35 onto the second side,
        // never onto track 53.
        Disk disk(kD71Format);
        BlockCursor big = disk.addFile("BIG", 254 * 700);
        auto blocks = disk.chain(big);
        EXPECT_EQ(blocks[0], std::make_pair(17, 0));
        EXPECT_EQ(blocks[1], std::make_pair(17, 6));
        bool secondSide = false;
        for (const auto& [track, sector] : blocks) {
            EXPECT_NE(track, 18);
            EXPECT_NE(track, 53);
            secondSide = secondSide || track > 35;
        }
        EXPECT_TRUE(secondSide);
        EXPECT_EQ(disk.bam().freeBlockCount(), 1366 - 2 - 19 - 700);
    }
}

TEST(DiskFormat, FullDisksAndFullDirectories) {
    for (const DiskFormat* format : {&kD71Format, &kD81Format}) {
        SCOPED_TRACE(format->name);
        Disk disk(*format);
        std::int32_t room = disk.bam().freeBlockCount() - disk.bam().freeOnTrack(format->directoryTrack);
        EXPECT_EQ(room, format == &kD81Format ? 3160 : 1328);
        EXPECT_EQ(driveErrorOf([&] { disk.addFile("HUGE", 254 * static_cast<std::size_t>(room + 1)); }),
                  "72,DISK FULL");
        // The directory track is left to the directory.
        EXPECT_EQ(disk.bam().freeOnTrack(format->directoryTrack),
                  format->sectorsOnTrack(format->directoryTrack) - format->firstDirectorySector - 1);
    }
    // 296 files fill a 1581's directory track; the 297th finds no room.
    Disk disk(kD81Format);
    for (int n = 0; n < 296; ++n) disk.addFile(("F" + std::to_string(n)).c_str(), 1);
    EXPECT_EQ(disk.bam().freeOnTrack(40), 0);
    EXPECT_EQ(driveErrorOf([&] { disk.addFile("MORE", 1); }), "72,DISK FULL");
}

TEST(DiskFormat, DamagedChainsGiveTheDriveErrors) {
    for (const DiskFormat* format : {&kD71Format, &kD81Format}) {
        SCOPED_TRACE(format->name);
        Disk disk(*format);
        BlockCursor file = disk.addFile("FILE", 254 * 3);
        auto blocks = disk.chain(file);
        std::uint8_t* second = disk.block(blocks[1].first, blocks[1].second);
        // A link past the last track.
        second[0] = static_cast<std::uint8_t>(format->trackCount + 1);
        FileCursor walk(disk.img(), *format);
        walk.openAt(file.entryFirstBlock());
        EXPECT_EQ(driveErrorOf([&] {
                      while (walk.readNext() != kEndOfChain) {
                      }
                  }),
                  "66,ILLEGAL TRACK AND SECTOR");
        EXPECT_EQ(driveErrorOf([&] { validateImage(disk.img(), *format); }),
                  "66,ILLEGAL TRACK AND SECTOR");
        // A link back to the first block.
        second[0] = static_cast<std::uint8_t>(blocks[0].first);
        second[1] = static_cast<std::uint8_t>(blocks[0].second);
        walk.openAt(file.entryFirstBlock());
        EXPECT_EQ(driveErrorOf([&] { walk.seekEnd(); }), "52,LOOPING BLOCK CHAINING");
        std::vector<std::uint8_t> before = disk.bytes;
        EXPECT_EQ(driveErrorOf([&] { validateImage(disk.img(), *format); }),
                  "52,LOOPING BLOCK CHAINING");
        EXPECT_EQ(disk.bytes, before);
    }
}

TEST(DiskFormat, ValidateKeepsTheSystemBlocksAndPartitions) {
    Disk disk(kD81Format);
    disk.addFile("FILE", 1000);
    // A 1581 partition: 80 blocks from track 10 sector 0, not chained.
    BlockCursor dir(disk.img(), kD81Format);
    dir.rewind();
    dir.findFreeEntry();
    dir.writeName("PART");
    dir.setEntryType(0x85);
    dir.setEntryFirstBlock(kD81Format.offsetOf(10, 0));
    dir.setEntryBlocks(80);
    EXPECT_TRUE(dir.isPartition());
    validateImage(disk.img(), kD81Format);
    BamView bam = disk.bam();
    EXPECT_EQ(bam.freeBlockCount(), 3196 - 4 - 80);
    EXPECT_EQ(bam.freeOnTrack(10), 0);
    EXPECT_EQ(bam.freeOnTrack(11), 0);
    EXPECT_EQ(bam.freeOnTrack(40), 36);
    dir.deleteFile();  // scratched as a run of blocks
    EXPECT_EQ(bam.freeBlockCount(), 3196 - 4);

    Disk d71(kD71Format);
    d71.addFile("FILE", 1000);
    validateImage(d71.img(), kD71Format);
    EXPECT_EQ(d71.bam().freeOnTrack(53), 0);
    EXPECT_EQ(d71.bam().freeBlockCount(), 1366 - 2 - 19 - 4);
}

}  // namespace
}  // namespace brimwick::d64
