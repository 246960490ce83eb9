// The DOS command channel: block commands, B-P, M-W, refused commands and the
// M-E refusal, and the scanner that reads them.
#include "drive/dos_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "d64/bam_view.h"
#include "d64/blank_image.h"
#include "drive_fixture.h"
#include "platform/user_dialogs.h"

namespace brimwick::drive::testing {
namespace {

using DosTest = DriveFixture;

TEST_F(DosTest, BlockReadFillsTheChannelBuffer) {
    bus.open(2, "#");
    bus.command("U1 2 0 18 0");
    EXPECT_EQ(bus.errorCount, 0);
    std::vector<std::uint8_t> got = bus.read(2, 256);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), block(18, 0)));
    EXPECT_TRUE(unit.ramModified);
}

TEST_F(DosTest, BlockReadSpellingsAgree) {
    bus.open(2, "#");
    const char* commands[] = {"BLOCK-READ:2,0,18,1", "B-R 2 0 18 1", "U1:2 0 18 1", "UA 2,0,18,1"};
    for (const char* command : commands) {
        SCOPED_TRACE(command);
        std::memset(unit.ram.data() + 256, 0x55, 256);
        bus.command(command);
        EXPECT_EQ(bus.errorCount, 0);
        EXPECT_EQ(std::memcmp(unit.ram.data() + 256, block(18, 1), 256), 0);
    }
}

TEST_F(DosTest, BlockWrittenBackUnchangedStaysUnchanged) {
    std::uint8_t* target = block(20, 3);
    for (int i = 0; i < 256; ++i) target[i] = static_cast<std::uint8_t>(i);
    std::vector<std::uint8_t> before(target, target + 256);
    bus.open(2, "#");
    bus.command("U1 2 0 20 3");
    unit.imageModified = false;
    bus.command("U2 2 0 20 3");
    EXPECT_EQ(bus.errorCount, 0);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), target));
    EXPECT_TRUE(unit.imageModified);
}

TEST_F(DosTest, BlockWriteStoresTheBufferByteForByte) {
    bus.open(3, "#");
    std::vector<std::uint8_t> data = pattern(256);
    bus.send(3, data);
    const char* commands[] = {"B-W 3 0 1 0", "BLOCK-WRITE:3,0,1,1", "U2 3 0 1 2", "UB:3,0,1,3"};
    for (int s = 0; s < 4; ++s) {
        bus.command(commands[s]);
        EXPECT_TRUE(std::equal(data.begin(), data.end(), block(1, s))) << commands[s];
    }
    EXPECT_EQ(bus.errorCount, 0);
}

TEST_F(DosTest, BlockPointerTakesTheLowByte) {
    bus.open(2, "#");
    bus.command("U1 2 0 18 0");
    bus.command("B-P 2 300");
    EXPECT_EQ(unit.channels[2].bufferPos, 44);
    EXPECT_EQ(bus.read(2, 1)[0], block(18, 0)[44]);
    bus.command("BLOCK-POINTER:2,7");
    EXPECT_EQ(unit.channels[2].bufferPos, 7);
}

TEST_F(DosTest, RefusedAndFailingCommands) {
    bus.open(2, "#");
    bus.open(3, "FILE,S,W");
    struct Case {
        const char* command;
        const char* status;
    };
    const Case cases[] = {
        {"B-R 2 0 18", "30,SYNTAX ERROR"},
        {"B-R", "30,SYNTAX ERROR"},
        {"B-R 2", "30,SYNTAX ERROR"},
        {"B-P 2", "30,SYNTAX ERROR"},
        {"B-R 15 0 18 0", "70,NO CHANNEL"},
        {"B-R 3 0 18 0", "70,NO CHANNEL"},
        {"B-R 4 0 18 0", "70,NO CHANNEL"},
        {"B-P 9 1", "70,NO CHANNEL"},
        {"B-R 2 0 36 0", "66,ILLEGAL TRACK AND SECTOR"},
        {"B-W 2 0 18 19", "66,ILLEGAL TRACK AND SECTOR"},
        {"B-R 2 0 0 0", "66,ILLEGAL TRACK AND SECTOR"},
        {"U0", "30,SYNTAX ERROR"},
        {"B-A 0 18 5", "30,SYNTAX ERROR"},
        {"XYZ", "30,SYNTAX ERROR"},
        {"M-R", "30,SYNTAX ERROR"},
        {"u1 2 0 18 0", "30,SYNTAX ERROR"},
        {"", "30,SYNTAX ERROR"},
    };
    std::vector<std::uint8_t> image(unit.image, unit.image + d64::kImageSize);
    std::vector<std::uint8_t> buffer(unit.ram.begin() + 256, unit.ram.begin() + 512);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        bus.lastError.clear();
        bus.command(c.command);
        EXPECT_EQ(bus.lastError, c.status);
        EXPECT_EQ(bus.status(), statusLine(c.status));
        EXPECT_TRUE(std::equal(image.begin(), image.end(), unit.image));
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), unit.ram.begin() + 256));
    }
    EXPECT_NE(trace().find("\n UNBEKANNTER BEFEHL!"), std::string::npos);
}

// Writes a file of `size` bytes through the bus.
void writeFile(KernalBus& bus, const char* name, std::size_t size) {
    bus.open(2, name);
    bus.send(2, pattern(size));
    bus.close(2);
}

std::int32_t freeBlocks(DriveUnit& unit) {
    return d64::BamView(unit.image).freeBlockCount();
}

TEST_F(DosTest, ScratchLeavesLockedFilesAndFreesTheBlocks) {
    std::int32_t empty = freeBlocks(unit);
    writeFile(bus, "KEEP,P,W", 600);
    writeFile(bus, "KILL,P,W", 600);
    entryOf("KEEP").setEntryType(static_cast<std::uint8_t>(
        entryOf("KEEP").entryType() | d64::kTypeLocked));
    bus.command("S:K*");
    EXPECT_EQ(bus.status(), "01, FILES SCRATCHED,01,00\r");
    EXPECT_EQ(freeBlocks(unit), empty - 3);
    entryOf("KEEP");
}

TEST_F(DosTest, CopyThatDoesNotFitChangesNothing) {
    writeFile(bus, "BIG,P,W", 254 * 400);
    std::vector<std::uint8_t> before(unit.image, unit.image + d64::kImageSize);
    bus.command("C:COPY=BIG");
    EXPECT_EQ(bus.lastError, "72,DISK FULL");
    EXPECT_TRUE(std::equal(before.begin(), before.end(), unit.image));
}

TEST_F(DosTest, NewWritesNameAndIdOrKeepsTheId) {
    writeFile(bus, "OLD,P,W", 300);
    std::uint8_t* bam = block(18, 0);
    bus.command("N0:GAMES,G1");
    EXPECT_EQ(std::memcmp(bam + 144, "GAMES\xA0", 6), 0);
    EXPECT_EQ(std::memcmp(bam + d64::kDiskIdOffset, "G1", 2), 0);
    EXPECT_EQ(freeBlocks(unit), 664 + 17);
    writeFile(bus, "NEXT,P,W", 300);
    bus.command("N:TOOLS");
    EXPECT_EQ(std::memcmp(bam + 144, "TOOLS\xA0", 6), 0);
    EXPECT_EQ(std::memcmp(bam + d64::kDiskIdOffset, "G1", 2), 0);
    EXPECT_EQ(freeBlocks(unit), 664 + 17);
    d64::BlockCursor entries(unit.image);
    entries.rewind();
    EXPECT_FALSE(entries.findEntry("*"));
}

TEST_F(DosTest, ValidateRebuildsTheBamAndStopsAtADamagedChain) {
    std::int32_t empty = freeBlocks(unit);
    writeFile(bus, "GOOD,P,W", 600);
    // Blocks taken by nothing, and a file never closed.
    d64::BamView(unit.image).takeBlock(block(30, 0) - unit.image);
    bus.open(3, "HALF,S,W");
    bus.send(3, pattern(300));
    bus.command("UI");
    bus.command("V");
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
    EXPECT_EQ(freeBlocks(unit), empty - 3);
    d64::BlockCursor entries(unit.image);
    entries.rewind();
    EXPECT_FALSE(entries.findEntry("HALF"));
    // A file whose chain loops: V refuses and changes nothing.
    std::uint8_t* first = unit.image + entryOf("GOOD").entryFirstBlock();
    d64::BlockCursor at;
    at.toTrackSector(static_cast<std::int32_t>(first - unit.image));
    first[0] = static_cast<std::uint8_t>(at.track);
    first[1] = static_cast<std::uint8_t>(at.sector);
    std::vector<std::uint8_t> before(unit.image, unit.image + d64::kImageSize);
    bus.command("V");
    EXPECT_EQ(bus.lastError, "52,LOOPING BLOCK CHAINING");
    EXPECT_TRUE(std::equal(before.begin(), before.end(), unit.image));
}

TEST_F(DosTest, PcDirectoryCommandsTouchOnlyC64Files) {
    serveDirectory();
    dir.write("game.prg", "x");
    dir.write("notes.seq", "y");
    dir.write("readme.txt", "z");
    bus.command("S:*");
    EXPECT_EQ(bus.status(), "01, FILES SCRATCHED,02,00\r");
    EXPECT_TRUE(std::filesystem::exists(dir.file("readme.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("game.prg")));
    dir.write("a.seq", "AB");
    bus.command("R:README=A");
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
    EXPECT_EQ(brimwick::testing::TempDir::read(dir.file("readme.seq")), bytesOf("AB"));
    EXPECT_EQ(brimwick::testing::TempDir::read(dir.file("readme.txt")), bytesOf("z"));
    bus.command("N:X,Y");
    bus.command("V");
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
    EXPECT_TRUE(std::filesystem::exists(dir.file("readme.seq")));
}

TEST_F(DosTest, As1541TheStatusAndTheListingAreThe1541s) {
    unit.setDosMode(DosMode::C1541);
    unit.newImage(TextSlice(dir.file("fresh.d64").c_str()));
    EXPECT_EQ(bus.status(), "73,CBM DOS V2.6 1541,00,00\r");
    EXPECT_EQ(bus.status(), "00, OK,00,00\r");
    bus.command("N:GAMES,G1");
    bus.open(0, "$");
    std::vector<std::uint8_t> listing = bus.read(0);
    std::string text(listing.begin(), listing.end());
    // Line 0: the name in quotes and reverse, the id and "2A".
    EXPECT_EQ(text.substr(4, 27), std::string("\0\0\x12\"GAMES           \" G1 2A", 27));
    // 664 (0x0298) blocks free: track 18 is not counted.
    EXPECT_NE(text.find("\x98\x02" "BLOCKS FREE."), std::string::npos) << text;
    EXPECT_EQ(text.find("CODED BAD"), std::string::npos);
    unit.setDosMode(DosMode::Original);
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
}

// Track and sector of every block of a file's chain.
std::vector<std::pair<int, int>> chainOf(DriveFixture& f, const char* name) {
    std::vector<std::pair<int, int>> blocks;
    d64::FileCursor walk(f.unit.image);
    walk.openAt(f.entryOf(name).entryFirstBlock());
    do {
        d64::BlockCursor at;
        at.toTrackSector(walk.offset);
        blocks.emplace_back(at.track, at.sector);
    } while (walk.followLink() != d64::kEndOfChain);
    return blocks;
}

TEST_F(DosTest, As1541FilesAndTheDirectoryTakeBlocksAsA1541) {
    using Blocks = std::vector<std::pair<int, int>>;
    struct Case {
        DosMode mode;
        Blocks first;      // the first file's blocks
        Blocks second;     // the next file's
        Blocks copied;     // C: of the first file
    };
    const Case cases[] = {
        {DosMode::C1541, {{17, 0}, {17, 10}, {17, 20}, {17, 8}}, {{17, 1}, {17, 11}},
         {{17, 2}, {17, 12}, {17, 3}, {17, 13}}},
        {DosMode::Original, {{19, 0}, {19, 1}, {19, 2}, {19, 3}}, {{19, 4}, {19, 5}},
         {{19, 6}, {19, 7}, {19, 8}, {19, 9}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(dosModeName(c.mode));
        unit.setDosMode(c.mode);
        unit.newImage(TextSlice(dir.file("fresh.d64").c_str()));
        writeFile(bus, "FIRST,P,W", 254 * 4);
        writeFile(bus, "SECOND,P,W", 300);
        bus.command("C:COPY=FIRST");
        EXPECT_EQ(bus.errorCount, 0) << bus.lastError;
        EXPECT_EQ(chainOf(*this, "FIRST"), c.first);
        EXPECT_EQ(chainOf(*this, "SECOND"), c.second);
        EXPECT_EQ(chainOf(*this, "COPY"), c.copied);
        // Appending goes on with the same layout.
        bus.open(2, "SECOND,P,A");
        bus.send(2, pattern(254));
        bus.close(2);
        EXPECT_EQ(chainOf(*this, "SECOND").back(),
                  c.mode == DosMode::C1541 ? std::make_pair(17, 4) : std::make_pair(19, 10));
    }
}

TEST_F(DosTest, As1541TrackEighteenIsTheDirectorysAlone) {
    unit.setDosMode(DosMode::C1541);
    unit.newImage(TextSlice(dir.file("fresh.d64").c_str()));
    // A file larger than the disk: "72,DISK FULL" with track 18 untouched.
    bus.open(2, "HUGE,P,W");
    bus.send(2, pattern(254 * 665));
    EXPECT_EQ(bus.lastError, "72,DISK FULL");
    d64::BamView bam(unit.image);
    EXPECT_EQ(bam.freeBlockCount(), 17);
    EXPECT_EQ(bam.freeOnTrack(d64::kDirectoryTrack), 17);
    bus.command("S:HUGE");
    EXPECT_EQ(bus.status(), "01, FILES SCRATCHED,01,00\r");
    bus.command("V");
    EXPECT_EQ(bam.freeBlockCount(), 681);

    // 144 files fill track 18; the 145th is "72,DISK FULL" and leaves the
    // disk as it was.
    for (int n = 0; n < 144; ++n) {
        writeFile(bus, ("F" + std::to_string(n) + ",S,W").c_str(), 10);
        ASSERT_EQ(bus.errorCount, 1) << n << " " << bus.lastError;
    }
    EXPECT_EQ(bam.freeOnTrack(d64::kDirectoryTrack), 0);
    EXPECT_EQ(bam.freeBlockCount(), 681 - 17 - 144);
    std::vector<std::uint8_t> before(unit.image, unit.image + d64::kImageSize);
    bus.open(2, "ONE MORE,S,W");
    EXPECT_EQ(bus.lastError, "72,DISK FULL");
    EXPECT_EQ(bus.status(), "72,DISK FULL,00,00\r");
    EXPECT_TRUE(std::equal(before.begin(), before.end(), unit.image));
    bus.command("C:F200=F0");
    EXPECT_EQ(bus.status(), "72,DISK FULL,00,00\r");
    EXPECT_TRUE(std::equal(before.begin(), before.end(), unit.image));
}

TEST_F(DosTest, As1541APcDirectoryListsItsNameAsTheHeader) {
    std::filesystem::create_directory(dir.file("my games"));
    dir.write("my games/pong.prg", std::vector<std::uint8_t>(300));
    unit.mount(dir.file("my games") + "/", true);
    struct Case {
        DosMode mode;
        const char* pattern;
        std::string begins;  // the listing from the first line's number on
    };
    const Case cases[] = {
        {DosMode::C1541, "$", std::string("\0\0\x12\"MY GAMES        \"    2A", 27)},
        {DosMode::C1541, "$:X*", std::string("\0\0\x12\"MY GAMES        \"", 21)},
        {DosMode::Original, "$", std::string("\x02\0   ", 5)},
        {DosMode::Original, "$:X*", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(dosModeName(c.mode)) + " " + c.pattern);
        unit.setDosMode(c.mode);
        bus.open(0, c.pattern);
        std::vector<std::uint8_t> listing = bus.read(0);
        std::string text(listing.begin(), listing.end());
        if (c.begins.empty()) {
            EXPECT_EQ(text, std::string(1, '\0'));
            continue;
        }
        EXPECT_EQ(text.substr(4, c.begins.size()), c.begins);
    }
}

TEST_F(DosTest, SuccessfulCommandLeavesAnUnreadErrorStanding) {
    bus.open(3, "#");
    bus.open(2, "NOPE");
    bus.command("B-P 3 1");
    EXPECT_EQ(bus.status(), statusLine("62,FILE NOT FOUND"));
}

TEST_F(DosTest, MemoryWriteStoresIntoDriveRam) {
    std::string command = "M-W";
    command += '\x00';
    command += '\x05';  // address $0500: buffer 5
    command += '\x03';
    command += "ABC";
    bus.command(command);
    EXPECT_EQ(bus.errorCount, 0);
    EXPECT_EQ(std::memcmp(unit.ram.data() + 0x500, "ABC", 3), 0);
    EXPECT_TRUE(unit.ramModified);
}

TEST_F(DosTest, MemoryWriteStopsAtTheEndOfRam) {
    unit.ram[0x7FE] = 0x11;
    unit.ram[0x7FF] = 0x22;
    std::string command = "M-W\xFF\x07\x02XY";
    bus.command(command);
    EXPECT_EQ(unit.ram[0x7FE], 0x11);
    EXPECT_EQ(unit.ram[0x7FF], 'X');
    // An address far outside takes nothing.
    bus.command(std::string("M-W\x00\x40\x02QQ", 8));
    EXPECT_EQ(bus.errorCount, 0);
}

// Records the message boxes shown.
struct RecordingDialogs : platform::UserDialogs {
    std::vector<std::string> texts;  // every message box text, in order
    int collectedWhenShown = -1;     // bytes the drive had collected at the first box
    const DriveCore* drive = nullptr;

    platform::MessageAnswer messageBox(std::string_view text, std::string_view,
                                       platform::MessageButtons buttons,
                                       platform::MessageIcon) override {
        if (texts.empty() && drive) collectedWhenShown = drive->commandLength;
        texts.emplace_back(text);
        EXPECT_EQ(buttons, platform::MessageButtons::Ok);
        return platform::MessageAnswer::Ok;
    }
    std::optional<int> selectDrive(int preselected) override { return preselected; }
};

struct MemoryExecuteTest : DriveFixture {
    RecordingDialogs dialogs;  // installed for the test
    MemoryExecuteTest() {
        dialogs.drive = &unit;
        platform::setUserDialogs(&dialogs);
    }
    ~MemoryExecuteTest() override { platform::setUserDialogs(nullptr); }
};

TEST_F(MemoryExecuteTest, RefusedWhenItsThirdByteArrives) {
    bus.command("M-E\x00\x05");
    ASSERT_EQ(dialogs.texts.size(), 1u);
    EXPECT_EQ(dialogs.texts[0], kMemoryExecuteRefusal);
    EXPECT_EQ(dialogs.collectedWhenShown, 3);
    EXPECT_EQ(bus.lastError, "30,SYNTAX ERROR");
    EXPECT_NE(trace().find("\n *** M-E Instruction ***"), std::string::npos);
}

TEST_F(MemoryExecuteTest, AlsoForAFileNameAndNotForOthers) {
    bus.open(2, "M-EXEC");
    EXPECT_EQ(dialogs.texts.size(), 1u);
    bus.command(std::string("M-W\x00\x05\x01Z", 7));
    bus.command("M-R");
    EXPECT_EQ(dialogs.texts.size(), 1u);
}

TEST(HeadlessDialogsTest, AnswerWithTheDefaultButtonAndTrace) {
    platform::traceLog().captureInMemory();
    platform::HeadlessDialogs dialogs;
    EXPECT_EQ(dialogs.messageBox("Sure?", "Install", platform::MessageButtons::OkCancel,
                                 platform::MessageIcon::Question),
              platform::MessageAnswer::Ok);
    EXPECT_EQ(
        dialogs.messageBox("x", "c", platform::MessageButtons::YesNo, platform::MessageIcon::None),
        platform::MessageAnswer::Yes);
    EXPECT_EQ(dialogs.selectDrive(), std::optional<int>(platform::kPreselectedDrive));
    EXPECT_NE(platform::traceLog().captured().find("Sure?"), std::string::npos);
}

TEST(CommandScannerTest, NumbersAreDigitRunsOfAtMostEight) {
    const char text[] = "U1:2, 0 ;123456789x";
    CommandScanner s;
    s.init(text, sizeof text, 0, dosCommandTable);
    EXPECT_EQ(s.matchKeyword(), kBlockRead);
    EXPECT_EQ(s.pos, 2);
    const std::int32_t expected[] = {2, 0, 12345678, 9};
    for (std::int32_t n : expected) {
        ASSERT_GT(s.nextNumber(), 0);
        EXPECT_EQ(s.number, n);
    }
    std::int32_t pos = s.pos;
    EXPECT_EQ(s.nextNumber(), 0);
    EXPECT_EQ(s.pos, pos);
}

TEST(CommandScannerTest, KeywordsMatchAsPrefixesInTableOrder) {
    struct Case {
        const char* text;
        std::int32_t code;
        std::int32_t pos;
    };
    const Case cases[] = {
        {"BLOCK-WRITE", kBlockWrite, 11},
        {"B-WRONG", kBlockWrite, 3},
        {"M-W", 2, 3},
        {"B-", -1, 0},
        {"UC", -1, 0},
        {"BLOCK-P", -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CommandScanner s;
        s.init(c.text, static_cast<std::int32_t>(std::strlen(c.text)) + 1, 0, dosCommandTable);
        EXPECT_EQ(s.matchKeyword(), c.code);
        EXPECT_EQ(s.pos, c.pos);
    }
}

}  // namespace
}  // namespace brimwick::drive::testing
