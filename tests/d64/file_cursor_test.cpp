// File data: block boundaries, the end flag, appending, damaged chains.
#include "d64/file_cursor.h"

#include <gtest/gtest.h>

#include "d64/bam_view.h"
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

TEST_F(FileData, LoopingChainsStopAtTheFirstRepeatedBlock) {
    // A three-block file 19/0 -> 19/1 -> 19/2 whose chain is bent back; every
    // walk stops as soon as a link leads to a block it has been on, having
    // read each block once.
    struct Case {
        const char* what;
        std::int32_t from;     // sector on track 19 whose link is bent
        std::int32_t to;       // the sector it now leads to
        std::size_t distinct;  // blocks read before the loop shows
    };
    const Case cases[] = {
        {"first block links to itself", 0, 0, 1},
        {"last block links back to the first", 2, 0, 3},
        {"last block links back to the middle", 2, 1, 3},
        {"middle block links to itself", 1, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        formatBlankImage(img());
        BlockCursor entry = addFile("F", pattern(600));
        block(19, c.from)[0] = 19;
        block(19, c.from)[1] = static_cast<std::uint8_t>(c.to);
        FileCursor f(img());
        f.openAt(entry.entryFirstBlock());
        std::size_t bytes = 0;
        EXPECT_EQ(driveErrorOf([&] {
                      while (f.readWithEnd() != kEndOfChain) ++bytes;
                  }),
                  "52,LOOPING BLOCK CHAINING");
        EXPECT_EQ(bytes, 254 * c.distinct);
        f.openAt(entry.entryFirstBlock());
        EXPECT_EQ(driveErrorOf([&] { f.seekEnd(); }), "52,LOOPING BLOCK CHAINING");
        EXPECT_EQ(driveErrorOf([&] { entry.closeEntry(); }), "52,LOOPING BLOCK CHAINING");
        std::int32_t freeBefore = freeBlocks();
        EXPECT_EQ(driveErrorOf([&] { entry.deleteFile(); }), "52,LOOPING BLOCK CHAINING");
        EXPECT_EQ(freeBlocks(), freeBefore + static_cast<std::int32_t>(c.distinct));
    }
}

TEST_F(FileData, TakenBlocksEndTheirChainAtOnce) {
    BlockCursor old = addFile("OLD", pattern(300));    // 19/0 -> 19/1
    BlockCursor live = addFile("LIVE", pattern(300));  // 19/2 -> 19/3
    old.deleteFile();
    // The freed blocks keep links of their earlier life; here they lead
    // into the live file.
    block(19, 0)[0] = 19;
    block(19, 0)[1] = 2;
    block(19, 1)[0] = 19;
    block(19, 1)[1] = 3;
    // A file that is never finished (a C64 that goes away, a full disk).
    BlockCursor dir(img());
    dir.rewind();
    dir.findFreeEntry();
    dir.writeName("LOST");
    dir.allocateFirstBlock();  // takes 19/0
    dir.setEntryType(2);
    EXPECT_EQ(block(19, 0)[0], 0);
    EXPECT_EQ(block(19, 0)[1], 1);
    FileCursor f(img());
    f.openAt(dir.entryFirstBlock());
    for (int i = 0; i < 300; ++i) f.writeNext(0x77);  // on into 19/1
    EXPECT_EQ(block(19, 1)[0], 0);
    EXPECT_EQ(block(19, 1)[1], 1);
    // Deleting it (as a replace with "@" does) frees its own two blocks only.
    std::int32_t freeBefore = freeBlocks();
    dir.deleteFile();
    EXPECT_EQ(freeBlocks(), freeBefore + 2);
    BamView bam(img());
    for (std::int32_t s : {2, 3}) EXPECT_EQ(bam.takeBlock(block(19, s) - img()), 0) << s;
    EXPECT_EQ(readFile(live.entryFirstBlock()), pattern(300));
}

TEST_F(FileData, AppendNeverWritesOnTheLinkOfADamagedLastBlock) {
    // The last block's second byte is the index of its last used byte: 1 is
    // an empty block, 0 is impossible (it would make the link byte data).
    for (std::uint8_t lastIndex : {std::uint8_t{0}, std::uint8_t{1}}) {
        SCOPED_TRACE(static_cast<int>(lastIndex));
        formatBlankImage(img());
        BlockCursor entry = addFile("F", pattern(300));  // 19/0 -> 19/1
        block(19, 1)[1] = lastIndex;
        FileCursor f(img());
        f.openAt(entry.entryFirstBlock());
        f.seekEnd();
        for (std::uint8_t b : {0xAA, 0xBB}) f.writeNext(b);
        f.finishWrite();
        EXPECT_EQ(block(19, 1)[0], 0);
        EXPECT_EQ(block(19, 1)[1], 3);
        std::vector<std::uint8_t> expected = pattern(254);
        expected.push_back(0xAA);
        expected.push_back(0xBB);
        EXPECT_EQ(readFile(entry.entryFirstBlock()), expected);
    }
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
