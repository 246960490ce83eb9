// Track/sector to image offset and back, with the 1541's zone layout.
#include <gtest/gtest.h>

#include "d64/block_cursor.h"
#include "d64_fixture.h"

namespace brimwick::d64 {
namespace {

using testing::driveErrorOf;

struct OffsetCase {
    int track, sector, offset;
};

TEST(Geometry, ZoneBoundariesMapToTheirOffsets) {
    const OffsetCase cases[] = {
        {1, 0, 0},        {1, 20, 5120},   {17, 20, 91136},  {18, 0, 91392},
        {18, 1, 91648},   {18, 18, 96000}, {24, 18, 125184}, {25, 0, 125440},
        {30, 17, 152832}, {31, 0, 153088}, {35, 16, 174592},
    };
    for (const auto& c : cases) {
        BlockCursor cursor;
        cursor.toOffset(c.track, c.sector);
        EXPECT_EQ(cursor.offset, c.offset) << c.track << "/" << c.sector;
        BlockCursor back;
        back.toTrackSector(c.offset);
        EXPECT_EQ(back.track, c.track);
        EXPECT_EQ(back.sector, c.sector);
    }
}

TEST(Geometry, ImpossibleBlocksAreRejected) {
    struct Bad {
        int track, sector;
    };
    const Bad pairs[] = {{18, 19}, {31, 17}, {0, 0}, {36, 0}, {1, -1}, {17, 21}, {255, 255}};
    for (const auto& b : pairs) {
        BlockCursor cursor;
        EXPECT_EQ(driveErrorOf([&] { cursor.toOffset(b.track, b.sector); }),
                  "66,ILLEGAL TRACK AND SECTOR")
            << b.track << "/" << b.sector;
    }
    struct BadOffset {
        int offset;
        const char* error;
    };
    const BadOffset offsets[] = {{174848, "67,ILLEGAL T OR S"},
                                 {-256, "67,ILLEGAL T OR S"},
                                 {1 << 30, "67,ILLEGAL T OR S"},
                                 {91393, "49,PROGRAM ERROR"}};
    for (const auto& b : offsets) {
        BlockCursor cursor;
        EXPECT_EQ(driveErrorOf([&] { cursor.toTrackSector(b.offset); }), b.error) << b.offset;
    }
}

TEST(Geometry, EveryBlockRoundTrips) {
    int blocks = 0;
    for (int off = 0; off < kImageSize; off += kBlockSize, ++blocks) {
        BlockCursor a;
        a.toTrackSector(off);
        BlockCursor b;
        b.toOffset(a.track, a.sector);
        ASSERT_EQ(b.offset, off);
        ASSERT_LT(a.sector, sectorsOnTrack(a.track));
    }
    EXPECT_EQ(blocks, kBlockCount);
}

TEST(Geometry, ErrorsArePointersIntoOneTable) {
    const c1541_error* first = nullptr;
    const c1541_error* second = nullptr;
    try {
        BlockCursor().toOffset(0, 0);
    } catch (const c1541_error* e) {
        first = e;
    }
    try {
        BlockCursor().toOffset(40, 0);
    } catch (const c1541_error* e) {
        second = e;
    }
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, errorRow(kErrIllegalTrackSector));
    EXPECT_EQ(first->track, 0);
    EXPECT_EQ(first->sector, 0);
}

}  // namespace
}  // namespace brimwick::d64
