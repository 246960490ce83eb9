// BAM bookkeeping and the allocation order, on a freshly formatted image.
#include "d64/bam_view.h"

#include <gtest/gtest.h>

#include "d64_fixture.h"

namespace brimwick::d64 {
namespace {

using testing::driveErrorOf;
using testing::ImageFixture;

using Bam = ImageFixture;

TEST_F(Bam, BlankImageLayout) {
    EXPECT_EQ(freeBlocks(), 681);
    const std::uint8_t* bam = block(18, 0);
    EXPECT_EQ(bam[0], 18);
    EXPECT_EQ(bam[1], 1);
    EXPECT_EQ(bam[2], 0x41);
    EXPECT_EQ(bam[3], 0);
    // Track 1: 21 free sectors, bits 0..20 set.
    EXPECT_EQ(bam[4], 21);
    EXPECT_EQ(bam[5], 0xFF);
    EXPECT_EQ(bam[6], 0xFF);
    EXPECT_EQ(bam[7], 0x1F);
    // Track 18: 17 free, sectors 0 and 1 in use.
    EXPECT_EQ(bam[72], 17);
    EXPECT_EQ(bam[73], 0xFC);
    EXPECT_EQ(bam[74], 0xFF);
    EXPECT_EQ(bam[75], 0x07);
    // Track 35: 17 sectors.
    EXPECT_EQ(bam[140], 17);
    EXPECT_EQ(bam[143], 0x01);
    for (int i = 144; i <= 164; ++i) EXPECT_EQ(bam[i], 0xA0) << i;
    EXPECT_EQ(bam[165], 0x32);
    EXPECT_EQ(bam[166], 0x41);
    for (int i = 167; i <= 170; ++i) EXPECT_EQ(bam[i], 0xA0) << i;
    for (int i = 171; i <= 220; ++i) EXPECT_EQ(bam[i], 0x00) << i;
    for (int i = 221; i <= 255; ++i) EXPECT_EQ(bam[i], 0xA0) << i;
    const std::uint8_t* dir = block(18, 1);
    EXPECT_EQ(dir[0], 0);
    EXPECT_EQ(dir[1], 0xFF);
    for (int i = 2; i < 256; ++i) EXPECT_EQ(dir[i], (i - 2) % 16 == 0 ? 0x00 : 0xA0) << i;
}

TEST_F(Bam, TakeAndFreeChangeCountOnce) {
    BamView view(img());
    EXPECT_EQ(view.takeBlock(0), 1);
    EXPECT_EQ(view.takeBlock(0), 0);
    EXPECT_EQ(freeBlocks(), 680);
    EXPECT_EQ(view.freeBlock(0), 1);
    EXPECT_EQ(view.freeBlock(0), 0);
    EXPECT_EQ(freeBlocks(), 681);
}

TEST_F(Bam, AllocationOrder) {
    BamView view(img());
    struct Step {
        std::int32_t start, expected;
    };
    const Step steps[] = {
        {kLastDirTrackOffset, 96256},  // first file block: 19/0
        {96256, 96512},                // then 19/1
        {kLastBlockOffset, 0},         // after 35/16 comes 1/0
        {kBamOffset, 91904},           // a new directory block: 18/2 (18/1 is taken)
    };
    for (const auto& s : steps) EXPECT_EQ(view.allocateAfter(s.start), s.expected) << s.start;
}

TEST_F(Bam, LastFreeBlockIsFoundFromAnywhereThenDiskFull) {
    BamView view(img());
    for (std::int32_t off = 0; off < kImageSize; off += kBlockSize) view.takeBlock(off);
    BlockCursor only;
    only.toOffset(18, 5);
    view.freeBlock(only.offset);
    for (std::int32_t start : {0, only.offset, kLastBlockOffset, kLastDirTrackOffset}) {
        EXPECT_EQ(view.allocateAfter(start), only.offset) << start;
        view.freeBlock(only.offset);
    }
    view.takeBlock(only.offset);
    EXPECT_EQ(freeBlocks(), 0);
    for (std::int32_t start : {0, kLastDirTrackOffset, -256})
        EXPECT_EQ(driveErrorOf([&] { view.allocateAfter(start); }), "72,DISK FULL") << start;
}

}  // namespace
}  // namespace brimwick::d64
