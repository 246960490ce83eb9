// Image files: mount, save, new images, adding PC files and unpacking.
#include <gtest/gtest.h>

#include <filesystem>

#include "d64/bam_view.h"
#include "d64/blank_image.h"
#include "drive_fixture.h"

namespace brimwick::drive::testing {
namespace {

using brimwick::testing::TempDir;
using Bytes = std::vector<std::uint8_t>;

struct DriveUnitTest : ::testing::Test {
    TempDir dir;          // scratch directory
    DriveUnit unit;       // the unit under test
    KernalBus bus{unit};  // the C64 side

    DriveUnitTest() {
        platform::traceLog().captureInMemory();
        unit.ramFilePath = dir.file(kRamFileName);
    }
    const std::string& trace() { return platform::traceLog().captured(); }
    std::string fresh(const std::string& name) {
        unit.newImage(TextSlice(dir.file(name).c_str()));
        return dir.file(name);
    }
    static Bytes blankImage() {
        Bytes image(d64::kImageSize);
        d64::formatBlankImage(image.data());
        return image;
    }
    // The entry that addHostFile fills on a fresh image: it goes on from the
    // end of its search, so the last block's first entry stays free.
    d64::BlockCursor addedEntry() {
        d64::BlockCursor entry(unit.image);
        entry.rewind();
        entry.nextEntry();
        entry.nextEntry();
        return entry;
    }
};

TEST_F(DriveUnitTest, NewImageIsWrittenAtTheNextSave) {
    std::string path = fresh("new.d64");
    EXPECT_TRUE(unit.imageModified);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(unit.saveImage());
    EXPECT_EQ(TempDir::read(path), blankImage());
    EXPECT_FALSE(unit.imageModified);
    EXPECT_NE(trace().find("\n Saving_Diskimage"), std::string::npos);
}

TEST_F(DriveUnitTest, MountReadsTheFirstImageSizeBytes) {
    Bytes file = pattern(175531);
    unit.mount(dir.write("errors.d64", file), false);
    ASSERT_NE(unit.image, nullptr);
    EXPECT_TRUE(std::equal(unit.image, unit.image + d64::kImageSize, file.begin()));
    EXPECT_FALSE(unit.imageModified);
    EXPECT_NE(trace().find("\n versuch load diskimage: " + dir.file("errors.d64")),
              std::string::npos);
}

TEST_F(DriveUnitTest, MountOfAMissingImageLeavesNoImage) {
    unit.mount(dir.file("missing.d64"), false);
    EXPECT_EQ(unit.image, nullptr);
    EXPECT_NE(trace().find("\n\nFile could not be opened 2\n"), std::string::npos);
    bus.open(0, "$");
    EXPECT_EQ(bus.lastError, "74,DRIVE NOT READY");
}

TEST_F(DriveUnitTest, DestroyedUnitSavesRamDumpAndModifiedImage) {
    std::string path = dir.file("kept.d64");
    {
        DriveUnit local;
        local.ramFilePath = dir.file("ram.prg");
        local.newImage(TextSlice(path.c_str()));
        KernalBus c64(local);
        c64.save("DATA", pattern(10));
        c64.open(2, "#");
        c64.command("B-P 2 0");
        c64.command(std::string("M-W\x10\x00\x01Z", 7));
    }
    Bytes ram = TempDir::read(dir.file("ram.prg"));
    ASSERT_EQ(ram.size(), 2050u);
    EXPECT_EQ(ram[0], 0x00);
    EXPECT_EQ(ram[1], 0x10);
    EXPECT_EQ(ram[2 + 0x10], 'Z');
    unit.mount(path, false);
    EXPECT_EQ(bus.load("DATA"), pattern(10));
}

TEST_F(DriveUnitTest, FailedSaveKeepsTheOldImageAndTheFlag) {
    std::string path = fresh("safe.d64");
    ASSERT_TRUE(unit.saveImage());
    Bytes before = TempDir::read(path);
    bus.save("NEW", pattern(3000));
    // The temporary file beside the image cannot be made.
    std::filesystem::create_directory(path + ".brimwick-new");
    EXPECT_FALSE(unit.saveImage());
    EXPECT_TRUE(unit.imageModified);
    EXPECT_EQ(TempDir::read(path), before);
    EXPECT_NE(trace().find("\nFile could not be saved "), std::string::npos);
    std::filesystem::remove(path + ".brimwick-new");
    EXPECT_TRUE(unit.saveImage());
    EXPECT_NE(TempDir::read(path), before);
}

TEST_F(DriveUnitTest, TypeFromExtension) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"a/game.prg", 2}, {"GAME.PRG", 2}, {"x.Seq", 1}, {"x.usr", 3},  {"x.rel", 4},
        {"x.del", 0},      {"x.BIN", 0},    {"prg", 0},   {"x/y.p00", 0}};
    for (auto [file, type] : cases) EXPECT_EQ(DriveUnit::typeFromExtension(file), type) << file;
    EXPECT_NE(trace().find("\n Die Fileendung lautet .bin"), std::string::npos);
}

TEST_F(DriveUnitTest, AddHostFileMakesAClosedEntryNamedAfterTheFile) {
    fresh("add.d64");
    Bytes data = pattern(700);
    std::string file = dir.write("game.prg", data);
    EXPECT_EQ(unit.addHostFile(file), AddResult::Added);
    d64::BlockCursor entry = addedEntry();
    EXPECT_EQ(entry.name(), "GAME");
    EXPECT_EQ(entry.entryType(), 0x82);
    EXPECT_EQ(entry.entryBlocks(), 3);
    d64::BlockCursor first;
    first.toOffset(19, 0);
    EXPECT_EQ(entry.entryFirstBlock(), first.offset);
    EXPECT_EQ(bus.load("GAME"), data);
    // Adding it again replaces it in the same entry.
    std::int32_t freeBefore = d64::BamView(unit.image).freeBlockCount();
    dir.write("game.prg", pattern(10));
    EXPECT_EQ(unit.addHostFile(file), AddResult::Added);
    EXPECT_EQ(addedEntry().name(), "GAME");
    entry.nextEntry();
    EXPECT_EQ(entry.entryType(), 0);
    EXPECT_EQ(d64::BamView(unit.image).freeBlockCount(), freeBefore + 2);
    EXPECT_EQ(bus.load("GAME"), pattern(10));
}

TEST_F(DriveUnitTest, AddHostFileTypesAndFailures) {
    fresh("add.d64");
    EXPECT_EQ(unit.addHostFile(dir.write("data.BIN", "bin")), AddResult::Added);
    EXPECT_EQ(addedEntry().entryType(), 0x80);  // a closed DEL file
    Bytes before(unit.image, unit.image + d64::kImageSize);
    unit.imageModified = false;
    EXPECT_EQ(unit.addHostFile(dir.file("missing.prg")), AddResult::Unreadable);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), unit.image));
    EXPECT_FALSE(unit.imageModified);
    EXPECT_NE(trace().find("\n ERROR Add To Diskimage."), std::string::npos);
    DriveUnit empty;
    EXPECT_EQ(empty.addHostFile(dir.write("x.prg", "x")), AddResult::NoImage);
}

TEST_F(DriveUnitTest, AddHostFileComparesNamesLiterally) {
    fresh("add.d64");
    unit.addHostFile(dir.write("abc.prg", "1"));
    unit.addHostFile(dir.write("a*.prg", "2"));
    unit.addHostFile(dir.write("a?c.prg", "3"));
    EXPECT_EQ(bus.load("ABC"), bytesOf("1"));
    std::string listing;
    d64::BlockCursor entry(unit.image);
    entry.rewind();
    while (entry.nextEntry() != d64::kEndOfChain)
        if (entry.entryType() != 0) listing += entry.name() + ";";
    EXPECT_EQ(listing, "ABC;A*;A?C;");
}

TEST_F(DriveUnitTest, AddHostFileToAFullDiskThrowsDiskFull) {
    fresh("full.d64");
    std::string big = dir.write("big.prg", pattern(660 * 254));
    EXPECT_EQ(unit.addHostFile(big), AddResult::Added);
    std::string more = dir.write("more.prg", pattern(30 * 254));
    try {
        unit.addHostFile(more);
        FAIL() << "no error";
    } catch (const c1541_error* e) {
        EXPECT_STREQ(e->text, "72,DISK FULL");
    }
}

TEST_F(DriveUnitTest, ExtractAllWritesTheClosedFiles) {
    fresh("x.d64");
    bus.save("GAME", pattern(600));
    bus.open(2, "NOTES,S,W");  // never closed
    bus.send(2, "abc");
    bus.open(3, "DEL,S,W");
    bus.close(3);
    d64::BlockCursor entry(unit.image);
    entry.rewind();
    ASSERT_TRUE(entry.findEntry("DEL"));
    entry.setEntryType(0x80);
    std::filesystem::create_directory(dir.file("out"));
    DriveUnit target;
    target.mount(dir.file("out"), true);
    EXPECT_TRUE(unit.extractAll(target));
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.file("out")))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"del.del", "game.prg"}));
    EXPECT_EQ(TempDir::read(dir.file("out/game.prg")), pattern(600));
}

TEST_F(DriveUnitTest, ExtractAllRefusesAndReportsFailures) {
    fresh("x.d64");
    bus.save("GAME", pattern(6));
    DriveUnit imageTarget;
    imageTarget.newImage(TextSlice(dir.file("other.d64").c_str()));
    imageTarget.imageModified = false;
    EXPECT_FALSE(unit.extractAll(imageTarget));
    DriveUnit target;
    target.mount(dir.file("missing"), true);
    EXPECT_FALSE(unit.extractAll(target));
    EXPECT_NE(trace().find("\nProbleme bei File: " + dir.file("missing") + "/game.prg"),
              std::string::npos);
}

TEST_F(DriveUnitTest, RemountingSavesTheModifiedImageFirst) {
    std::string first = fresh("one.d64");
    bus.save("ONE", pattern(5));
    unit.mount(dir.path(), true);
    EXPECT_TRUE(unit.hostMode);
    EXPECT_EQ(unit.image, nullptr);
    unit.mount(first, false);
    EXPECT_EQ(bus.load("ONE"), pattern(5));
}

}  // namespace
}  // namespace brimwick::drive::testing
