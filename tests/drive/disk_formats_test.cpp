// The DOS on each disk format: the same C64 operations on a D64, a D71 and
// a D81, block commands with each drive's tracks and sectors, damaged
// images, and T64 tapes served read-only.
#include <gtest/gtest.h>

#include <cstring>

#include "d64/bam_view.h"
#include "d64/blank_image.h"
#include "d64/disk_format.h"
#include "drive_fixture.h"

namespace brimwick::drive::testing {
namespace {

// The free-block count and the header line of a listing ("" when it has none).
struct Listing {
    std::int32_t free = -1;  // the number before "BLOCKS FREE."
    std::string header;      // line 0's text, when the listing has one
    std::string text;        // every byte as a character
};

Listing listingOf(KernalBus& bus) {
    std::vector<std::uint8_t> bytes = bus.load("$");
    Listing l;
    l.text.assign(bytes.begin(), bytes.end());
    std::size_t at = l.text.find("BLOCKS FREE.");
    if (at != std::string::npos && at >= 2) l.free = bytes[at - 2] | bytes[at - 1] << 8;
    if (bytes.size() > 8 && bytes[4] == 0 && bytes[5] == 0) l.header = l.text.substr(6, 26);
    return l;
}

struct FormatCase {
    const d64::DiskFormat* format;
    std::int32_t freeBlocks;   // a fresh disk's listing
    int lastTrack, lastSector; // the disk's last block
    const char* dosType;       // in the header line
    const char* resetAnswer;   // the status after UI
};

struct DiskFormatTest : DriveFixture, ::testing::WithParamInterface<FormatCase> {
    DiskFormatTest() {
        unit.newImage(TextSlice(dir.file("disk").c_str()), *GetParam().format);
    }
};

TEST_P(DiskFormatTest, TheDosOperationsOnEachFormat) {
    const FormatCase& c = GetParam();
    // D71 and D81 list as their drive does; a D64 as the original does.
    Listing fresh = listingOf(bus);
    bool asDrive = c.format != &d64::kD64Format;
    EXPECT_EQ(fresh.free, asDrive ? c.freeBlocks : 681);
    if (asDrive) {
        EXPECT_NE(fresh.header.find(std::string(" ") + c.dosType), std::string::npos) << fresh.header;
    }

    bus.save("GAME", pattern(30000));
    bus.save("NOTES,S", pattern(100, 5));
    EXPECT_EQ(bus.errorCount, 0) << bus.lastError;
    EXPECT_EQ(bus.load("GAME"), pattern(30000));
    EXPECT_EQ(listingOf(bus).free, fresh.free - 119 - 1);

    bus.save("@0:GAME", pattern(500, 7));
    EXPECT_EQ(bus.load("GAME"), pattern(500, 7));
    EXPECT_EQ(listingOf(bus).free, fresh.free - 2 - 1);

    bus.command("C:COPY=GAME");
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
    bus.command("R:RENAMED=COPY");
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
    EXPECT_EQ(bus.load("RENAMED"), pattern(500, 7));
    bus.command("S:GAME,NOTES");
    EXPECT_EQ(bus.status(), "01, FILES SCRATCHED,02,00\r");
    EXPECT_EQ(listingOf(bus).free, fresh.free - 2);

    // A block no file uses: V frees it; I only answers.
    d64::BamView bam(unit.image, *c.format);
    bam.takeBlock(c.format->offsetOf(c.lastTrack, c.lastSector));
    bus.command("I");
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
    bus.command("V");
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
    EXPECT_EQ(listingOf(bus).free, fresh.free - 2);
    EXPECT_EQ(bus.load("RENAMED"), pattern(500, 7));

    // Block commands reach the last block of the disk and no further.
    bus.open(2, "#");
    bus.command("U1 2 0 " + std::to_string(c.lastTrack) + " " + std::to_string(c.lastSector));
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
    bus.command("B-R 2 0 " + std::to_string(c.lastTrack + 1) + " 0");
    EXPECT_EQ(bus.status(), statusLine("66,ILLEGAL TRACK AND SECTOR"));
    bus.command("B-R 2 0 " + std::to_string(c.lastTrack) + " " + std::to_string(c.lastSector + 1));
    EXPECT_EQ(bus.status(), statusLine("66,ILLEGAL TRACK AND SECTOR"));
    bus.open(2, "#");
    bus.send(2, "HELLO");
    bus.command("U2 2 0 " + std::to_string(c.lastTrack) + " " + std::to_string(c.lastSector));
    EXPECT_EQ(std::memcmp(unit.image + c.format->offsetOf(c.lastTrack, c.lastSector), "HELLO", 5),
              0);
    bus.close(2);

    bus.command("UI");
    EXPECT_EQ(bus.status(), std::string(c.resetAnswer) + ",00,00\r");
    bus.command("N:EMPTY,E1");
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
    Listing formatted = listingOf(bus);
    EXPECT_EQ(formatted.free, fresh.free);
    if (asDrive) {
        EXPECT_EQ(formatted.header.substr(0, 7), "\x12\"EMPTY");
    }
    bus.load("RENAMED");
    EXPECT_EQ(bus.lastError, "62,FILE NOT FOUND");
}

TEST_P(DiskFormatTest, DamagedImagesGiveTheDosErrors) {
    const FormatCase& c = GetParam();
    bus.save("GAME", pattern(3000));
    d64::BlockCursor entry = entryOf("GAME");
    std::uint8_t* first = unit.image + entry.entryFirstBlock();
    // A link past the last track.
    std::uint8_t saved[2] = {first[0], first[1]};
    first[0] = static_cast<std::uint8_t>(c.lastTrack + 1);
    bus.lastError.clear();
    bus.load("GAME");
    EXPECT_EQ(bus.lastError, "66,ILLEGAL TRACK AND SECTOR");
    // A link back to the file's own first block.
    d64::BlockCursor self(unit.image, *c.format);
    self.toTrackSector(entry.entryFirstBlock());
    first[0] = static_cast<std::uint8_t>(self.track);
    first[1] = static_cast<std::uint8_t>(self.sector);
    bus.lastError.clear();
    bus.load("GAME");
    EXPECT_EQ(bus.lastError, "52,LOOPING BLOCK CHAINING");
    bus.command("V");
    EXPECT_EQ(bus.status(), statusLine("52,LOOPING BLOCK CHAINING"));
    first[0] = saved[0];
    first[1] = saved[1];
    EXPECT_EQ(bus.load("GAME"), pattern(3000));
    // A directory that links into itself ends the listing with an error.
    std::uint8_t* directory = unit.image + c.format->firstDirectoryOffset();
    directory[0] = static_cast<std::uint8_t>(c.format->directoryTrack);
    directory[1] = static_cast<std::uint8_t>(c.format->firstDirectorySector);
    bus.lastError.clear();
    bus.load("$");
    EXPECT_EQ(bus.lastError, "52,LOOPING BLOCK CHAINING");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DiskFormatTest,
    ::testing::Values(FormatCase{&d64::kD64Format, 664, 35, 16, "2A", "73,CBM DOS V2.6 1541"},
                      FormatCase{&d64::kD71Format, 1328, 70, 16, "2A", "73,CBM DOS V3.0 1571"},
                      FormatCase{&d64::kD81Format, 3160, 80, 39, "3D",
                                 "73,COPYRIGHT CBM DOS V10 1581"}),
    [](const ::testing::TestParamInfo<FormatCase>& param) {
        return std::string(param.param.format->name);
    });

TEST_F(DriveFixture, ImageFilesOfEachFormatMountByTheirSize) {
    for (const d64::DiskFormat* format : d64::kDiskFormats) {
        SCOPED_TRACE(format->name);
        for (std::int32_t size : format->imageFileSizes) {
            std::vector<std::uint8_t> file(static_cast<std::size_t>(size), 0x55);
            d64::formatBlankImage(file.data(), *format);
            std::string path = dir.write("disk.img", file);
            ASSERT_TRUE(unit.mount(path, false));
            EXPECT_EQ(unit.format, format);
            EXPECT_STREQ(unit.medium(), format->name);
            bus.save("GAME", pattern(1000));
            ASSERT_TRUE(unit.unmount());
            std::vector<std::uint8_t> saved = brimwick::testing::TempDir::read(path);
            ASSERT_EQ(saved.size(), file.size());
            // The error bytes after the blocks go back as they came.
            EXPECT_TRUE(std::equal(saved.begin() + format->imageSize(), saved.end(),
                                   file.begin() + format->imageSize()));
            ASSERT_TRUE(unit.mount(path, false));
            EXPECT_EQ(bus.load("GAME"), pattern(1000));
            unit.unmount();
        }
    }
}

}  // namespace
}  // namespace brimwick::drive::testing
