// The 1541's choice of blocks: the track order outward from track 18, the
// interleave of 10 with the ROM's short wrap, directory blocks three apart on
// track 18 only, and "72,DISK FULL" with track 18 still free.
#include "d64/allocation_1541.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "d64_fixture.h"

namespace brimwick::d64 {
namespace {

using testing::driveErrorOf;
using testing::ImageFixture;
using testing::pattern;

using TrackSector = std::pair<std::int32_t, std::int32_t>;

struct Allocation1541 : ImageFixture {
    TrackSector at(std::int32_t offset) {
        BlockCursor c;
        c.toTrackSector(offset);
        return {c.track, c.sector};
    }
    std::int32_t offsetOf(std::int32_t track, std::int32_t sector) {
        BlockCursor c;
        c.toOffset(track, sector);
        return c.offset;
    }
    // Every block of a track taken.
    void fillTrack(std::int32_t track) {
        for (std::int32_t s = 0; s < sectorsOnTrack(track); ++s)
            BamView(img()).takeBlock(offsetOf(track, s));
    }
    // The blocks of the chain from `first`, in order.
    std::vector<TrackSector> chain(std::int32_t first) {
        std::vector<TrackSector> blocks;
        FileCursor walk(img());
        walk.openAt(first);
        do blocks.push_back(at(walk.offset));
        while (walk.followLink() != kEndOfChain);
        return blocks;
    }
};

TEST(SectorAfterTest, WrapsOneShortPastTheEnd) {
    struct Case {
        std::int32_t sector, interleave, sectors, expected;
    };
    const Case cases[] = {
        {0, 10, 21, 10}, {10, 10, 21, 20}, {20, 10, 21, 8},  {12, 10, 21, 0},
        {11, 10, 21, 0}, {16, 3, 19, 0},   {17, 3, 19, 0},   {15, 3, 19, 18},
        {9, 10, 17, 1},  {6, 10, 17, 16},  {18, 10, 19, 8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sectorAfter(c.sector, c.interleave, c.sectors), c.expected)
            << c.sector << "+" << c.interleave << " of " << c.sectors;
}

TEST_F(Allocation1541, AFileOnAFreshDiskFillsTrack17ThenGoesOnAt16) {
    BlockCursor dir = addFile("BIG", pattern(254 * 24), 2, BlockLayout::C1541);
    const std::vector<TrackSector> expected = {
        {17, 0},  {17, 10}, {17, 20}, {17, 8},  {17, 18}, {17, 6},  {17, 16}, {17, 4},
        {17, 14}, {17, 2},  {17, 12}, {17, 1},  {17, 11}, {17, 3},  {17, 13}, {17, 5},
        {17, 15}, {17, 7},  {17, 17}, {17, 9},  {17, 19}, {16, 7},  {16, 17}, {16, 5},
    };
    EXPECT_EQ(chain(dir.entryFirstBlock()), expected);
    EXPECT_EQ(BamView(img()).freeOnTrack(17), 0);
    EXPECT_EQ(BamView(img()).freeOnTrack(16), 18);
    EXPECT_EQ(readFile(dir.entryFirstBlock()), pattern(254 * 24));
}

TEST_F(Allocation1541, NewFilesStartNearestToTrack18OnTheFirstFreeSector) {
    struct Case {
        std::vector<std::int32_t> fullTracks;
        TrackSector first;
    };
    const Case cases[] = {
        {{}, {17, 0}},
        {{17}, {19, 0}},
        {{17, 19}, {16, 0}},
        {{17, 19, 16}, {20, 0}},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 19, 20, 21, 22, 23, 24, 25,
          26, 27, 28, 29, 30, 31, 32, 33, 34},
         {35, 0}},
    };
    for (const Case& c : cases) {
        testing::D64Image fresh;
        for (std::int32_t t : c.fullTracks)
            for (std::int32_t s = 0; s < sectorsOnTrack(t); ++s)
                BamView(fresh.img()).takeBlock(offsetOf(t, s));
        EXPECT_EQ(at(takeFirstFileBlock1541(fresh.img())), c.first) << c.fullTracks.size();
    }
    // A second file takes the gaps the first left on track 17.
    addFile("ONE", pattern(254 * 3), 2, BlockLayout::C1541);
    EXPECT_EQ(at(takeFirstFileBlock1541(img())), TrackSector(17, 1));
}

TEST_F(Allocation1541, AFullTrackSendsTheFileOutwardThenAcrossTrack18) {
    struct Case {
        std::vector<std::int32_t> fullTracks;
        TrackSector current;
        TrackSector next;
    };
    const Case cases[] = {
        {{}, {17, 19}, {17, 8}},   // 19 + 10 = 29: one short past 21 is 7, taken: 8
        {{17}, {17, 19}, {16, 7}},
        {{20}, {20, 18}, {21, 8}},
        {{1}, {1, 5}, {19, 10}},   // past track 1, from sector 0 on the other side
        {{35}, {35, 3}, {17, 10}},
        {{35, 17, 16}, {35, 3}, {15, 10}},
        {{18}, {18, 5}, {17, 0}},  // a file another DOS left on track 18
    };
    for (const Case& c : cases) {
        testing::D64Image disk;
        BamView bam(disk.img());
        for (std::int32_t t : c.fullTracks)
            for (std::int32_t s = 0; s < sectorsOnTrack(t); ++s) bam.takeBlock(offsetOf(t, s));
        bam.takeBlock(offsetOf(17, 7));
        EXPECT_EQ(at(takeNextFileBlock1541(disk.img(), offsetOf(c.current.first, c.current.second))),
                  c.next)
            << c.current.first << "/" << c.current.second;
    }
}

TEST_F(Allocation1541, DiskFullLeavesTrack18ToTheDirectory) {
    for (std::int32_t t = 1; t <= kTrackCount; ++t)
        if (t != kDirectoryTrack) fillTrack(t);
    std::vector<std::uint8_t> before = image;
    EXPECT_EQ(driveErrorOf([&] { takeFirstFileBlock1541(img()); }), "72,DISK FULL");
    EXPECT_EQ(driveErrorOf([&] { takeNextFileBlock1541(img(), offsetOf(5, 3)); }),
              "72,DISK FULL");
    EXPECT_EQ(driveErrorOf([&] { takeNextFileBlock1541(img(), offsetOf(30, 3)); }),
              "72,DISK FULL");
    EXPECT_EQ(image, before);
    EXPECT_EQ(BamView(img()).freeOnTrack(kDirectoryTrack), 17);
    // One block left anywhere is found from anywhere.
    BamView(img()).freeBlock(offsetOf(33, 16));
    EXPECT_EQ(at(takeNextFileBlock1541(img(), offsetOf(2, 0))), TrackSector(33, 16));
}

TEST_F(Allocation1541, CountsAndBitsMustBothSayFree) {
    // Track 17's count says free but its bitmap says full: passed over.
    fillTrack(17);
    img()[kBamOffset + kBamEntrySize * 17] = 5;
    EXPECT_EQ(at(takeFirstFileBlock1541(img())), TrackSector(19, 0));
    // Track 16's bitmap says free but its count says full: passed over.
    img()[kBamOffset + kBamEntrySize * 16] = 0;
    EXPECT_EQ(at(takeNextFileBlock1541(img(), offsetOf(17, 4))), TrackSector(15, 14));
}

TEST_F(Allocation1541, TheDirectoryTakes144FilesOnTrack18ThreeSectorsApart) {
    std::vector<TrackSector> blocks = {{18, 1}};
    for (int n = 0; n < 144; ++n) {
        BlockCursor dir(img());
        dir.layout = BlockLayout::C1541;
        dir.rewind();
        dir.findFreeEntry();
        if (dir.pos == 0 && n > 0) blocks.push_back(at(dir.offset));
        dir.writeName(("F" + std::to_string(n)).c_str());
        dir.setEntryType(0x81);
    }
    const std::vector<TrackSector> expected = {
        {18, 1}, {18, 4},  {18, 7},  {18, 10}, {18, 13}, {18, 16}, {18, 2},  {18, 5},  {18, 8},
        {18, 11}, {18, 14}, {18, 17}, {18, 3},  {18, 6},  {18, 9},  {18, 12}, {18, 15}, {18, 18},
    };
    EXPECT_EQ(blocks, expected);
    std::vector<TrackSector> linked;
    BlockCursor walk(img());
    walk.rewind();
    while (walk.nextEntry() != kEndOfChain)
        if (walk.pos == 0) linked.push_back(at(walk.offset));
    EXPECT_EQ(linked, expected);
    EXPECT_EQ(BamView(img()).freeOnTrack(kDirectoryTrack), 0);
    std::vector<std::uint8_t> before = image;
    BlockCursor full(img());
    full.layout = BlockLayout::C1541;
    full.rewind();
    EXPECT_EQ(driveErrorOf([&] { full.findFreeEntry(); }), "72,DISK FULL");
    EXPECT_EQ(image, before);
    // The original's directory goes on beyond track 18.
    BlockCursor original(img());
    original.rewind();
    original.findFreeEntry();
    EXPECT_EQ(at(original.offset), TrackSector(19, 0));
}

}  // namespace
}  // namespace brimwick::d64
