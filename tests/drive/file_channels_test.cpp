// Named files: OPEN names, and reading, writing, appending and replacing
// files on an image and in a PC directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "d64/bam_view.h"
#include "drive/host_files.h"
#include "drive_fixture.h"

namespace brimwick::drive::testing {
namespace {

using FileNameTest = DriveFixture;

TEST_F(FileNameTest, NamesAndOptions) {
    struct Case {
        int channel;
        const char* text;
        const char* name;
        std::int32_t access;
        std::int32_t type;
        bool replace, directory, buffer;
    };
    const Case cases[] = {
        {2, "PROG", "PROG", 100, 2, false, false, false},
        {1, "PROG", "PROG", 101, 2, false, false, false},
        {0, "PROG,S,W", "PROG", 100, 1, false, false, false},
        {2, "@0:PROG,P,W", "PROG", 101, 2, true, false, false},
        {2, "DATA,S,A", "DATA", 102, 1, false, false, false},
        {2, "DATA,USR,WRITE", "DATA", 101, 3, false, false, false},
        {0, "$", "", 100, 2, false, true, false},
        {0, "$0:A*", "A*", 100, 2, false, true, false},
        {2, "#", "", 100, 2, false, false, true},
        {2, "#3", "3", 100, 2, false, false, true},
        {2, "PROG,REL", "PROG", 100, 2, false, false, false},
        {2, "PROG,X,S", "PROG", 100, 2, false, false, false},
        {2, "A:B:C", "B:C", 100, 2, false, false, false},
        {2, "", "", 100, 2, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        unit.channelNumber = c.channel;
        std::strcpy(unit.commandText(), c.text);
        unit.parseFileName();
        EXPECT_STREQ(unit.fileName, c.name);
        EXPECT_EQ(unit.accessMode, c.access);
        EXPECT_EQ(unit.fileType, c.type);
        EXPECT_EQ(unit.replaceExisting, c.replace);
        EXPECT_EQ(unit.current().isDirectory, c.directory);
        EXPECT_EQ(unit.current().isBuffer, c.buffer);
    }
    EXPECT_NE(trace().find("\n FILEACCES =101\n FILETYPE =3"), std::string::npos);
}

// The same C64 sequences on an image and on a PC directory.
struct FileChannelTest : DriveFixture, ::testing::WithParamInterface<bool> {
    FileChannelTest() {
        if (GetParam()) serveDirectory();
    }
};

TEST_P(FileChannelTest, SavedFilesLoadBackWithTheEndFlagOnTheLastByte) {
    for (std::size_t size : {1u, 2u, 253u, 254u, 255u, 508u, 509u, 5000u}) {
        SCOPED_TRACE(size);
        std::vector<std::uint8_t> data = pattern(size, static_cast<int>(size));
        std::string name = "F" + std::to_string(size);
        bus.save(name, data);
        bus.open(2, name);
        std::vector<std::int32_t> raw = bus.readRaw(2);
        ASSERT_EQ(raw.size(), size);
        for (std::size_t i = 0; i < size; ++i) {
            EXPECT_EQ(raw[i] & 0xFF, data[i]);
            EXPECT_EQ((raw[i] & kLastByte) != 0, i + 1 == size);
        }
        bus.close(2);
    }
    EXPECT_EQ(bus.errorCount, 0) << bus.lastError;
}

TEST_P(FileChannelTest, TypesMustMatchOnRead) {
    bus.open(2, "DATA,S,W");
    bus.send(2, "HELLO");
    bus.close(2);
    bus.open(3, "DATA,S");
    EXPECT_EQ(bus.read(3), bytesOf("HELLO"));
    bus.close(3);
    EXPECT_EQ(bus.errorCount, 0);
    bus.open(0, "DATA");
    EXPECT_EQ(bus.lastError, GetParam() ? "62,FILE NOT FOUND" : "64,FILE TYPE MISMATCH");
}

TEST_P(FileChannelTest, AppendContinuesTheFile) {
    std::vector<std::uint8_t> first = pattern(254, 1);  // the first block exactly full
    std::vector<std::uint8_t> more = pattern(300, 2);
    bus.open(2, "LOG,S,W");
    bus.send(2, first);
    bus.close(2);
    bus.open(2, "LOG,S,A");
    bus.send(2, more);
    bus.close(2);
    std::vector<std::uint8_t> all = first;
    all.insert(all.end(), more.begin(), more.end());
    bus.open(3, "LOG,S");
    EXPECT_EQ(bus.read(3), all);
    EXPECT_EQ(bus.errorCount, 0);
}

TEST_P(FileChannelTest, MissingFiles) {
    bus.open(2, "NONE");
    EXPECT_EQ(bus.lastError, "62,FILE NOT FOUND");
    bus.open(0, "NONE");
    EXPECT_EQ(bus.readRaw(0, 3), (std::vector<std::int32_t>{0x80 | kLastByte}));
    if (!GetParam()) {  // a PC directory creates the file at CLOSE
        bus.lastError.clear();
        bus.open(2, "NONE,S,A");
        EXPECT_EQ(bus.lastError, "62,FILE NOT FOUND");
    }
}

TEST_P(FileChannelTest, TwoFilesWrittenAtOnceKeepTheirOwnNames) {
    bus.open(2, "ALPHA,S,W");
    bus.open(3, "BETA,P,W");
    bus.send(2, "aaa");
    bus.send(3, "bbbb");
    bus.status();  // overwrites the shared command buffer
    bus.close(2);
    bus.close(3);
    EXPECT_EQ(bus.errorCount, 0);
    bus.open(4, "ALPHA,S");
    EXPECT_EQ(bus.read(4), bytesOf("aaa"));
    EXPECT_EQ(bus.load("BETA"), bytesOf("bbbb"));
    if (GetParam()) {
        EXPECT_EQ(brimwick::testing::TempDir::read(dir.file("alpha.seq")), bytesOf("aaa"));
        EXPECT_EQ(brimwick::testing::TempDir::read(dir.file("beta.prg")), bytesOf("bbbb"));
    }
}

TEST_P(FileChannelTest, WildcardsInANameToWriteAreASyntaxErrorAndChangeNothing) {
    bus.save("FIRST", pattern(10));
    bus.save("ABC", pattern(20));
    std::vector<std::uint8_t> image(unit.image ? unit.image : nullptr,
                                    unit.image ? unit.image + d64::kImageSize : nullptr);
    auto files = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    std::vector<std::string> before = files();
    unit.imageModified = false;
    const std::pair<int, const char*> cases[] = {
        {1, "@0:*"},   {1, "*"},        {1, "@:A?C"},      {1, "F?RST"},
        {2, "A*,S,W"}, {2, "@0:?,P,W"}, {2, "FIRST*,P,A"}, {2, "AB?,P,A"},
    };
    for (auto [channel, name] : cases) {
        SCOPED_TRACE(name);
        bus.lastError.clear();
        bus.open(channel, name);
        bus.send(channel, "NEW");
        bus.close(channel);
        EXPECT_EQ(bus.lastError, "33,SYNTAX ERROR");
        EXPECT_EQ(bus.status(), statusLine("33,SYNTAX ERROR"));
    }
    EXPECT_EQ(bus.load("FIRST"), pattern(10));
    EXPECT_EQ(bus.load("ABC"), pattern(20));
    EXPECT_EQ(files(), before);
    if (!GetParam()) {
        EXPECT_FALSE(unit.imageModified);
        EXPECT_TRUE(std::equal(image.begin(), image.end(), unit.image));
    }
}

INSTANTIATE_TEST_SUITE_P(ImageAndPc, FileChannelTest, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? "Pc" : "Image"; });

using ImageFileTest = DriveFixture;

TEST_F(ImageFileTest, ReadingPastTheEndGivesAllBitsSet) {
    bus.save("ONE", {42});
    bus.open(2, "ONE");
    bus.talk();
    bus.tksa(0x62);
    EXPECT_EQ(bus.acptr(), 42 | kLastByte);
    EXPECT_EQ(bus.acptr(), -1);
}

TEST_F(ImageFileTest, WritingAnExistingNameNeedsTheReplacePrefix) {
    bus.save("FIRST", pattern(10));
    bus.save("SECOND", pattern(600));
    bus.save("SECOND", pattern(5));
    EXPECT_EQ(bus.lastError, "63,FILE EXISTS");
    std::int32_t freeBefore = d64::BamView(unit.image).freeBlockCount();
    bus.save("@0:FIRST", pattern(20, 9));
    EXPECT_EQ(bus.load("FIRST"), pattern(20, 9));
    EXPECT_EQ(d64::BamView(unit.image).freeBlockCount(), freeBefore);
    // The new file took the first free entry: the old one's.
    d64::BlockCursor entry(unit.image);
    entry.rewind();
    entry.nextEntry();
    EXPECT_EQ(entry.name(), "FIRST");
    EXPECT_EQ(entry.entryType(), 0x82);
}

TEST_F(ImageFileTest, ReplacingKeepsTheOldFileUntilTheNewOneIsClosed) {
    // Each way a replace can break off leaves the old file whole, blocks
    // and all; a later replace that is closed still works.
    struct Case {
        const char* what;
        int channel;                     // the replace's channel
        std::size_t bytes;               // what it sends
        void (*breakOff)(KernalBus& b);  // what happens then
        const char* error;               // the error the sending ends with
        bool roomLeft;                   // the broken-off file left room for another replace
    };
    const Case cases[] = {
        {"disk full", 2, 700 * 254, [](KernalBus& b) { b.close(2); }, "72,DISK FULL", false},
        {"channel opened anew", 2, 600,
         [](KernalBus& b) {
             b.open(2, "OTHER,S,W");
             b.close(2);
         },
         "", true},
        {"the C64 went away", 1, 600, [](KernalBus&) {}, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        unit.newImage(TextSlice(dir.file("disk.d64").c_str()));
        bus.save("FIRST", pattern(10));
        bus.save("GAME", pattern(1000));
        bus.save("LAST", pattern(10));
        d64::BlockCursor old = entryOf("GAME");
        bus.lastError.clear();
        bus.open(c.channel, "@0:GAME,P,W");
        bus.send(c.channel, pattern(c.bytes, 8));
        EXPECT_EQ(bus.lastError, c.error);
        c.breakOff(bus);
        EXPECT_EQ(bus.load("GAME"), pattern(1000));
        EXPECT_EQ(bus.load("LAST"), pattern(10));
        EXPECT_EQ(old.entryType(), 0x82);
        d64::FileCursor chain(unit.image);
        chain.openAt(old.entryFirstBlock());
        d64::BamView bam(unit.image);
        do {
            EXPECT_EQ(bam.takeBlock(chain.offset), 0) << chain.offset;  // still in use
        } while (chain.followLink() != d64::kEndOfChain);
        if (!c.roomLeft) continue;
        bus.lastError.clear();
        bus.save("@0:GAME", pattern(300, 5));
        EXPECT_EQ(bus.lastError, "");
        EXPECT_EQ(bus.load("GAME"), pattern(300, 5));
        EXPECT_EQ(bus.load("FIRST"), pattern(10));
        EXPECT_EQ(bus.load("LAST"), pattern(10));
    }
}

TEST_F(ImageFileTest, AReplacedFileKeepsItsPlaceInTheDirectory) {
    bus.save("ONE", pattern(10));
    bus.save("TWO", pattern(10));
    bus.save("THREE", pattern(600));
    // A free entry before the replaced file.
    entryOf("ONE").deleteFile();
    std::int32_t freeBefore = d64::BamView(unit.image).freeBlockCount();
    bus.open(1, "@0:THREE");
    bus.send(1, pattern(100, 4));
    // While the new file is written its name still finds the old one.
    EXPECT_EQ(bus.load("THREE"), pattern(600));
    bus.close(1);
    EXPECT_EQ(bus.load("THREE"), pattern(100, 4));
    std::vector<std::string> names;
    d64::BlockCursor walk(unit.image);
    walk.rewind();
    while (walk.nextEntry() != d64::kEndOfChain)
        names.push_back(walk.entryType() ? walk.name() : "-");
    EXPECT_EQ(names, (std::vector<std::string>{"-", "TWO", "THREE", "-", "-", "-", "-", "-"}));
    EXPECT_EQ(d64::BamView(unit.image).freeBlockCount(), freeBefore + 2);
}

TEST_F(ImageFileTest, LoopingChainsEndALoadAtTheFirstRepeatedBlock) {
    // LOAD byte by byte of a file and of the listing whose chains come back
    // to a block: "52,LOOPING BLOCK CHAINING" once each block has been read.
    struct Case {
        const char* what;
        const char* name;
        std::size_t most;  // bytes that may come before the error
    };
    const Case cases[] = {
        {"file", "GAME", 3 * 254},
        {"listing", "$", 2 + 16 * 35},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        unit.newImage(TextSlice(dir.file("disk.d64").c_str()));
        for (int i = 0; i < 15; ++i) bus.save("F" + std::to_string(i), pattern(1));
        bus.save("GAME", pattern(600));  // three blocks; 16 entries in 18/1, 18/2
        d64::BlockCursor entry = entryOf("GAME");
        // The chain's last block links back to its first.
        d64::BlockCursor first;
        first.toTrackSector(*c.name == '$' ? d64::kFirstDirOffset : entry.entryFirstBlock());
        d64::FileCursor chain(unit.image);
        chain.openAt(first.offset);
        while (chain.followLink() != d64::kEndOfChain) {
        }
        unit.image[chain.offset] = static_cast<std::uint8_t>(first.track);
        unit.image[chain.offset + 1] = static_cast<std::uint8_t>(first.sector);
        bus.lastError.clear();
        bus.open(0, c.name);
        std::vector<std::int32_t> raw = bus.readRaw(0);
        EXPECT_EQ(bus.lastError, "52,LOOPING BLOCK CHAINING");
        EXPECT_LE(raw.size(), c.most + 2);
        EXPECT_EQ(bus.status(), statusLine("52,LOOPING BLOCK CHAINING"));
    }
}

TEST_F(ImageFileTest, FileBeingWrittenIsUnclosedUntilClose) {
    bus.open(1, "OPEN");
    bus.send(1, pattern(300));
    d64::BlockCursor entry(unit.image);
    entry.rewind();
    ASSERT_TRUE(entry.findEntry("OPEN"));
    EXPECT_EQ(entry.entryType(), 0x02);
    EXPECT_TRUE(unit.imageModified);
    bus.close(1);
    EXPECT_EQ(entry.entryType(), 0x82);
    EXPECT_EQ(entry.entryBlocks(), 2);
}

// The blocks of a file's chain, counted by walking it.
std::int32_t chainBlocks(std::uint8_t* image, const d64::BlockCursor& entry) {
    d64::FileCursor walk(image);
    walk.openAt(entry.entryFirstBlock());
    std::int32_t n = 1;
    while (walk.followLink() != d64::kEndOfChain) ++n;
    return n;
}

TEST_F(ImageFileTest, AnUnclosedFileCountsTheBlocksItsChainHolds) {
    // Whichever way a write is cut off (the disk full, the C64 gone halfway
    // through a SAVE or an append), its entry holds the blocks it has, in
    // either DOS: never the fill bytes of the entry.
    for (DosMode mode : {DosMode::Original, DosMode::C1541}) {
        SCOPED_TRACE(dosModeName(mode));
        unit.setDosMode(mode);
        unit.newImage(TextSlice(dir.file("disk.d64").c_str()));
        bus.errorCount = 0;
        int saved = 0;
        while (bus.errorCount == 0) bus.save("F" + std::to_string(saved++), pattern(30 * 1024));
        EXPECT_EQ(bus.lastError, "72,DISK FULL");
        d64::BlockCursor last = entryOf(("F" + std::to_string(saved - 1)).c_str());
        EXPECT_EQ(last.entryType(), 0x02);
        EXPECT_EQ(last.entryBlocks(), chainBlocks(unit.image, last));
        EXPECT_EQ(last.entryBlocks(), mode == DosMode::C1541 ? 664 - 5 * 121 : 681 - 5 * 121);

        unit.newImage(TextSlice(dir.file("disk.d64").c_str()));
        bus.open(1, "GONE");
        bus.send(1, pattern(1000));  // 4 blocks, then no CLOSE
        bus.save("TEXT,S", pattern(300));
        bus.open(2, "TEXT,S,A");
        bus.send(2, pattern(600));  // 4 blocks in all, then no CLOSE
        for (const char* name : {"GONE", "TEXT"}) {
            d64::BlockCursor entry = entryOf(name);
            EXPECT_EQ(entry.entryBlocks(), 4) << name;
            EXPECT_EQ(entry.entryBlocks(), chainBlocks(unit.image, entry)) << name;
        }
    }
}

TEST_F(ImageFileTest, DiskFullLeavesNoEntryPointingIntoOtherFiles) {
    bus.save("BIG", pattern(664 * 254));  // all but 17 blocks
    bus.save("FILL", pattern(17 * 254));
    EXPECT_EQ(bus.errorCount, 0);
    bus.save("NOROOM", pattern(3));
    EXPECT_EQ(bus.lastError, "72,DISK FULL");
    d64::BlockCursor entry(unit.image);
    entry.rewind();
    EXPECT_FALSE(entry.findEntry("NOROOM"));
    EXPECT_EQ(bus.load("BIG").size(), 664u * 254u);
}

using HostFileTest = DriveFixture;

TEST(HostNameTest, PetsciiToPc) {
    const std::pair<int, int> cases[] = {{0xC1, 0x41}, {0x41, 0x61}, {0x61, 0x41}, {0xE1, 0xA1},
                                         {0x08, 0x7E}, {0x09, 0xFE}, {0x0D, 0x0D}, {0xFF, 0xFF},
                                         {0xC0, 0x60}, {0xDB, 0x7B}, {0x00, 0x7E}, {0x31, 0x31}};
    for (auto [in, out] : cases) EXPECT_EQ(petsciiToPc(static_cast<std::uint8_t>(in)), out) << in;
    for (int c : {0x22, 0x2F, 0x3A, 0x3C, 0x3E, 0x3F, 0x5C, 0x7C}) EXPECT_EQ(toHostChar(c), '~');
    EXPECT_EQ(toHostChar('*'), '*');
    EXPECT_EQ(toHostName(std::string_view("GAME/1?")), "game~1~");
}

TEST_F(HostFileTest, LoadFindsTheFileWhateverTheCaseOfItsName) {
    serveDirectory();
    for (const char* stored : {"GAME.PRG", "game.prg", "Game.Prg"}) {
        SCOPED_TRACE(stored);
        std::string file = dir.write(stored, "xyz");
        EXPECT_EQ(bus.load("GAME"), bytesOf("xyz"));
        EXPECT_EQ(bus.errorCount, 0);
        std::filesystem::remove(file);
    }
}

TEST_F(HostFileTest, NamesBecomePcNames) {
    serveDirectory();
    dir.write("test.prg", "P");
    dir.write("test.seq", "S");
    dir.write("a~b.prg", "Q");
    dir.write("tool.prg", "T");
    EXPECT_EQ(bus.load("TEST"), bytesOf("P"));
    bus.open(2, "TEST,S");
    EXPECT_EQ(bus.read(2), bytesOf("S"));
    bus.close(2);
    EXPECT_EQ(bus.load("A?B"), bytesOf("Q"));
    EXPECT_EQ(bus.load("TO*"), bytesOf("T"));
    EXPECT_EQ(bus.errorCount, 0);
    EXPECT_NE(trace().find("\n FILENAME = " + dir.path() + "/test.seq"), std::string::npos);
}

TEST_F(HostFileTest, WholeFileBufferLimitsWhatIsRead) {
    serveDirectory();
    dir.write("exact.prg", pattern(kWholeFileSize));
    dir.write("long.prg", pattern(kWholeFileSize + 10));
    for (const char* name : {"EXACT", "LONG"}) {
        bus.open(0, name);
        std::vector<std::int32_t> raw = bus.readRaw(0);
        ASSERT_EQ(raw.size(), static_cast<std::size_t>(kWholeFileSize));
        EXPECT_EQ(raw.back(), pattern(kWholeFileSize).back() | kLastByte);
        bus.close(0);
    }
    dir.write("empty.prg", "");
    bus.open(0, "EMPTY");
    EXPECT_EQ(bus.readRaw(0), std::vector<std::int32_t>{kLastByte});
}

TEST_F(HostFileTest, SaveReplacesWhateverTheCaseOrCreatesLowerCase) {
    serveDirectory();
    dir.write("Game.PRG", "old");
    bus.save("GAME", bytesOf("new"));
    bus.save("OTHER", bytesOf("o"));
    EXPECT_EQ(brimwick::testing::TempDir::read(dir.file("Game.PRG")), bytesOf("new"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("game.prg")));
    EXPECT_EQ(brimwick::testing::TempDir::read(dir.file("other.prg")), bytesOf("o"));
    bus.open(2, "OTHER,P,A");
    bus.send(2, "+");
    bus.close(2);
    EXPECT_EQ(brimwick::testing::TempDir::read(dir.file("other.prg")), bytesOf("o+"));
    EXPECT_EQ(bus.errorCount, 0);
}

TEST_F(HostFileTest, UnwritableFileAtCloseIsAWriteError) {
    unit.mount(dir.file("missing"), true);
    bus.save("GAME", bytesOf("data"));
    EXPECT_EQ(bus.lastError, "25,WRITE ERROR");
    EXPECT_EQ(bus.errorCount, 1);
    EXPECT_EQ(bus.status(), statusLine("25,WRITE ERROR"));
    EXPECT_EQ(unit.hostBuffer[1], nullptr);
    EXPECT_NE(trace().find(" could not be saved, error = 2\n"), std::string::npos);
}

TEST_F(HostFileTest, ErrorsFreeTheChannelBuffer) {
    serveDirectory();
    bus.open(2, "MISSING");
    EXPECT_EQ(unit.hostBuffer[2], nullptr);
    bus.open(3, "NEW,S,W");
    EXPECT_NE(unit.hostBuffer[3], nullptr);
    unit.mount(dir.path(), true);
    for (const auto& buffer : unit.hostBuffer) EXPECT_EQ(buffer, nullptr);
}

TEST_F(HostFileTest, TraceLinesOfPcFiles) {
    serveDirectory();
    bus.save("GAME", bytesOf("abc"));
    bus.load("GAME");
    bus.open(0, "$");
    bus.read(0);
    bus.close(0);
    bus.open(2, "GONE");
    for (const std::string& line : std::vector<std::string>{
             "\n\n ***OPEN FILE**", "\n FILENAME = " + dir.path() + "/game.prg",
             "\n\n *** CLOSE FILE ****", "\n\n *** CLOSE FILE ****   ** DIR_CLOSE **",
             "\nGAME\n FILEACCES =101\n FILETYPE =2", "\n hallo open dir"})
        EXPECT_NE(trace().find(line), std::string::npos) << line;
}

TEST_F(ImageFileTest, TraceLinesOfImageFiles) {
    bus.open(2, "GONE,S");
    bus.open(3, "#");
    bus.command("B-R 3 0 18 0");
    for (const char* line :
         {"\nGONE,S\n FILEACCES =100\n FILETYPE =1\nGONE", "\n ES IST= 3 0 18 0"})
        EXPECT_NE(trace().find(line), std::string::npos) << line;
}

}  // namespace
}  // namespace brimwick::drive::testing
