// Directory entries: names, matching, growth, deleting and closing, and the
// walks' behaviour on damaged images.
#include <gtest/gtest.h>

#include <cstring>

#include "d64_fixture.h"

namespace brimwick::d64 {
namespace {

using testing::driveErrorOf;
using testing::ImageFixture;
using testing::pattern;

using Directory = ImageFixture;

TEST_F(Directory, WriteNamePadsAndCuts) {
    BlockCursor dir(img());
    dir.rewind();
    ASSERT_NE(dir.nextEntry(), kEndOfChain);
    dir.writeName("TEST");
    const std::uint8_t expected[16] = {0x54, 0x45, 0x53, 0x54, 0xA0, 0xA0, 0xA0, 0xA0,
                                       0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0};
    EXPECT_EQ(std::memcmp(img() + dir.offset + dir.pos + 5, expected, 16), 0);
    dir.writeName("ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(dir.name(), "ABCDEFGHIJKLMNOP");
    char buffer[17];
    EXPECT_EQ(dir.copyName(buffer), 16);
    EXPECT_STREQ(buffer, "ABCDEFGHIJKLMNOP");
    dir.writeName("");
    EXPECT_EQ(dir.copyName(buffer), 0);
    EXPECT_STREQ(buffer, "");
}

TEST_F(Directory, MatchNameTable) {
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    };
    const Case cases[] = {
        {"GAME", "*", true},
        {"GAME", "", false},
        {"ABC", "A?C", true},
        {"AB", "A?C", false},
        {"AB", "AB?", false},
        {"AB", "AB*", true},
        {"ABCD", "AB*", true},
        {"GAME", "GAM", false},
        {"GAME", "GAMES", false},
        {"GAME", "game", false},
        {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOPXYZ", true},
        {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNO", false},
    };
    BlockCursor dir(img());
    dir.rewind();
    dir.nextEntry();
    for (const auto& c : cases) {
        dir.writeName(c.name);
        EXPECT_EQ(dir.matchName(c.pattern), c.matches) << c.name << " ~ " << c.pattern;
    }
}

TEST_F(Directory, PatternEndIsNeverReadPastForNulBytesInNames) {
    // A crafted name with 0x00 bytes must not make matching read beyond the
    // pattern's terminator.
    BlockCursor dir(img());
    dir.rewind();
    dir.nextEntry();
    std::uint8_t* name = img() + dir.offset + dir.pos + 5;
    std::memset(name, 0, 16);
    EXPECT_FALSE(dir.matchName(""));
    name[0] = 'A';
    name[1] = 0;
    name[2] = 'B';
    EXPECT_FALSE(dir.matchName("A"));
}

TEST_F(Directory, FindEntrySkipsFreeEntries) {
    addFile("ONE", pattern(10));
    BlockCursor two = addFile("TWO", pattern(10));
    BlockCursor dir(img());
    dir.rewind();
    ASSERT_TRUE(dir.findEntry("TWO"));
    EXPECT_EQ(dir.pos, 32);
    two.setEntryType(0);
    dir.rewind();
    EXPECT_FALSE(dir.findEntry("TWO"));
    dir.rewind();
    EXPECT_TRUE(dir.findEntry("O*"));
    EXPECT_EQ(dir.name(), "ONE");
}

TEST_F(Directory, ANinthFileExtendsTheDirectory) {
    for (int i = 0; i < 8; ++i) addFile("F" + std::to_string(i), pattern(1));
    EXPECT_EQ(block(18, 1)[0], 0);  // still one directory block
    BlockCursor ninth = addFile("F8", pattern(1));
    EXPECT_EQ(ninth.offset, 91904);  // 18/2
    EXPECT_EQ(ninth.pos, 0);
    EXPECT_EQ(block(18, 1)[0], 18);
    EXPECT_EQ(block(18, 1)[1], 2);
    const std::uint8_t* added = block(18, 2);
    EXPECT_EQ(added[0], 0);
    EXPECT_EQ(added[1], 0xFF);
    EXPECT_EQ(added[32 + 2], 0);  // the other entries are free (cleared)
    // Nine one-block files plus the new directory block.
    EXPECT_EQ(freeBlocks(), 681 - 9 - 1);
    BlockCursor dir(img());
    dir.rewind();
    int entries = 0;
    while (dir.nextEntry() != kEndOfChain)
        if (dir.entryType() != 0) ++entries;
    EXPECT_EQ(entries, 9);
}

TEST_F(Directory, CloseCountsBlocksAndDeleteFreesThem) {
    BlockCursor entry = addFile("BIG", pattern(254 * 3 + 1));
    EXPECT_EQ(entry.entryType(), 0x82);
    EXPECT_EQ(entry.entryBlocks(), 4);
    EXPECT_EQ(freeBlocks(), 677);
    entry.deleteFile();
    EXPECT_EQ(entry.entryType(), 0);
    EXPECT_EQ(freeBlocks(), 681);
}

TEST_F(Directory, LoopingDirectoryStopsAtTheFirstRepeatedBlock) {
    // Three full directory blocks 18/1 -> 18/2 -> 18/3; the last one's link
    // is bent back. A walk sees each block's eight entries once.
    struct Case {
        const char* what;
        std::uint8_t track, sector;  // where 18/3 now links
        int entries;                 // entries seen before the loop shows
    };
    const Case cases[] = {
        {"back to the first block", 18, 1, 24},
        {"to itself", 18, 3, 24},
        {"to the BAM block", 18, 0, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::D64Image f;
        for (int i = 0; i < 24; ++i) f.addFile("F" + std::to_string(i), pattern(1));
        f.block(18, 3)[0] = c.track;
        f.block(18, 3)[1] = c.sector;
        BlockCursor dir(f.img());
        dir.rewind();
        int entries = 0;
        EXPECT_EQ(driveErrorOf([&] {
                      while (dir.nextEntry() != kEndOfChain) ++entries;
                  }),
                  "52,LOOPING BLOCK CHAINING");
        EXPECT_EQ(entries, c.entries);
        dir.rewind();
        EXPECT_EQ(driveErrorOf([&] { dir.findEntry("NOSUCH"); }), "52,LOOPING BLOCK CHAINING");
    }
}

TEST_F(Directory, DamagedImagesRaiseErrorsInsteadOfHanging) {
    struct Case {
        const char* what;
        void (*damage)(testing::D64Image&, BlockCursor&);
        void (*walk)(BlockCursor&);
        const char* error;
    };
    const Case cases[] = {
        {"directory links to itself",
         [](testing::D64Image& f, BlockCursor&) {
             f.block(18, 1)[0] = 18;
             f.block(18, 1)[1] = 1;
         },
         [](BlockCursor& d) {
             d.rewind();
             d.findEntry("NOSUCH");
         },
         "52,LOOPING BLOCK CHAINING"},
        {"file chain loops: delete",
         [](testing::D64Image& f, BlockCursor&) {
             f.block(19, 0)[0] = 19;
             f.block(19, 0)[1] = 0;
         },
         [](BlockCursor& d) { d.deleteFile(); }, "52,LOOPING BLOCK CHAINING"},
        {"file chain loops: close",
         [](testing::D64Image& f, BlockCursor&) {
             f.block(19, 0)[0] = 19;
             f.block(19, 0)[1] = 1;
             f.block(19, 1)[0] = 19;
             f.block(19, 1)[1] = 0;
         },
         [](BlockCursor& d) { d.closeEntry(); }, "52,LOOPING BLOCK CHAINING"},
        {"file chain names track 40",
         [](testing::D64Image& f, BlockCursor&) { f.block(19, 0)[0] = 40; },
         [](BlockCursor& d) { d.closeEntry(); }, "66,ILLEGAL TRACK AND SECTOR"},
        {"entry names sector 25 of track 20",
         [](testing::D64Image& f, BlockCursor& e) {
             f.img()[e.offset + e.pos + 3] = 20;
             f.img()[e.offset + e.pos + 4] = 25;
         },
         [](BlockCursor& d) { d.entryFirstBlock(); }, "66,ILLEGAL TRACK AND SECTOR"},
        {"BAM links the directory to track 0 sector 7 (end)",
         [](testing::D64Image& f, BlockCursor&) { f.block(18, 0)[0] = 0; },
         [](BlockCursor& d) {
             d.rewind();
             if (d.nextEntry() != kEndOfChain) throw "walked";
         },
         ""},
    };
    for (const auto& c : cases) {
        testing::D64Image f;
        BlockCursor entry = f.addFile("FILE", pattern(100));
        c.damage(f, entry);
        EXPECT_EQ(driveErrorOf([&] { c.walk(entry); }), c.error) << c.what;
    }
}

}  // namespace
}  // namespace brimwick::d64
