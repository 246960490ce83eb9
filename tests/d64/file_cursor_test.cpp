// File data: block boundaries, the end flag, appending, damaged chains.
#include "d64/file_cursor.h"

#include <gtest/gtest.h>

#include "d64_fixture.h"

namespace brimwick::d64 {
namespace {

using testing::driveErrorOf;
using testing::ImageFixture;
using testing::pattern;

using FileData = ImageFixture;

TEST_F(FileData, BlockBoundaries) {
    struct Case {
        std::size_t length;
        std::int32_t blocks;
        std::uint8_t lastIndex;  // byte 1 of the last block
    };
    const Case cases[] = {{0, 1, 1},   {1, 1, 2},     {254, 1, 255},
                          {255, 2, 2}, {508, 2, 255}, {509, 3, 2}};
    for (const auto& c : cases) {
        formatBlankImage(img());
        BlockCursor entry = addFile("F", pattern(c.length));
        EXPECT_EQ(entry.entryBlocks(), c.blocks) << c.length;
        FileCursor walk(img());
        walk.openAt(entry.entryFirstBlock());
        while (walk.followLink() != kEndOfChain) {
        }
        EXPECT_EQ(walk.linkTrack(), 0);
        EXPECT_EQ(walk.linkSector(), c.lastIndex) << c.length;
        EXPECT_EQ(readFile(entry.entryFirstBlock()), pattern(c.length)) << c.length;
    }
}

TEST_F(FileData, EndFlagComesWithTheLastByte) {
    BlockCursor entry = addFile("F", {1, 2, 3});
    FileCursor f(img());
    f.openAt(entry.entryFirstBlock());
    EXPECT_EQ(f.readWithEnd(), 1);
    EXPECT_EQ(f.readWithEnd(), 2);
    EXPECT_EQ(f.readWithEnd(), 3 | kEndFlag);
    EXPECT_EQ(f.readWithEnd(), kEndOfChain);

    BlockCursor empty = addFile("E", {});
    f.openAt(empty.entryFirstBlock());
    EXPECT_EQ(f.readWithEnd(), kEndOfChain);
    EXPECT_EQ(f.readNext(), kEndOfChain);
}

TEST_F(FileData, EndFlagOnAFullLastBlock) {
    BlockCursor entry = addFile("F", pattern(508));
    FileCursor f(img());
    f.openAt(entry.entryFirstBlock());
    for (int i = 0; i < 507; ++i) ASSERT_EQ(f.readWithEnd() & kEndFlag, 0) << i;
    EXPECT_EQ(f.readWithEnd(), pattern(508)[507] | kEndFlag);
}

TEST_F(FileData, SeekEndAppendsToTheChain) {
    for (std::size_t first : {std::size_t{10}, std::size_t{254}}) {
        formatBlankImage(img());
        BlockCursor entry = addFile("F", pattern(first));
        FileCursor f(img());
        f.openAt(entry.entryFirstBlock());
        f.seekEnd();
        for (std::uint8_t b : {0xAA, 0xBB}) f.writeNext(b);
        f.finishWrite();
        entry.closeEntry();
        auto expected = pattern(first);
        expected.push_back(0xAA);
        expected.push_back(0xBB);
        EXPECT_EQ(readFile(entry.entryFirstBlock()), expected) << first;
    }
}

TEST_F(FileData, LoopingChainsStopReadingAndAppending) {
    BlockCursor entry = addFile("F", pattern(600));  // 19/0 -> 19/1 -> 19/2
    block(19, 2)[0] = 19;                            // the last block links back to the first
    block(19, 2)[1] = 0;
    FileCursor f(img());
    f.openAt(entry.entryFirstBlock());
    EXPECT_EQ(driveErrorOf([&] { f.seekEnd(); }), "52,LOOPING BLOCK CHAINING");
    f.openAt(entry.entryFirstBlock());
    std::size_t bytes = 0;
    EXPECT_EQ(driveErrorOf([&] {
                  while (f.readNext() != kEndOfChain) ++bytes;
              }),
              "52,LOOPING BLOCK CHAINING");
    // The first block and one block per link followed before the guard.
    EXPECT_EQ(bytes, 254u * (kBlockCount + 1));
}

TEST_F(FileData, OpenAtRejectsOffsetsOutsideTheImage) {
    FileCursor f(img());
    EXPECT_EQ(driveErrorOf([&] { f.openAt(kImageSize); }), "67,ILLEGAL T OR S");
    EXPECT_EQ(driveErrorOf([&] { f.openAt(100); }), "49,PROGRAM ERROR");
}

TEST_F(FileData, DiskFullKeepsWhatWasWritten) {
    BamView view(img());
    // Leave two blocks free: 19/0 and 19/1.
    for (std::int32_t off = 0; off < kImageSize; off += kBlockSize) view.takeBlock(off);
    view.freeBlock(96256);
    view.freeBlock(96512);
    BlockCursor dir(img());
    dir.rewind();
    dir.findFreeEntry();
    dir.writeName("FULL");
    dir.allocateFirstBlock();
    dir.setEntryType(2);
    FileCursor f(img());
    f.openAt(dir.entryFirstBlock());
    std::size_t written = 0;
    EXPECT_EQ(driveErrorOf([&] {
                  for (;; ++written) f.writeNext(0x11);
              }),
              "72,DISK FULL");
    EXPECT_EQ(written, 508u);
    EXPECT_EQ(dir.entryType(), 2);  // not closed
}

}  // namespace
}  // namespace brimwick::d64
