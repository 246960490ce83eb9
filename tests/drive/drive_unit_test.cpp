// Image files: mount, save, new images, adding PC files and unpacking.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "d64/bam_view.h"
#include "d64/blank_image.h"
#include "drive_fixture.h"
#include "platform/file.h"
#include "platform/user_dialogs.h"
#include "unprivileged.h"

namespace brimwick::drive::testing {
namespace {

using brimwick::testing::PermissionScene;
using brimwick::testing::TempDir;
using brimwick::testing::Unprivileged;
using Bytes = std::vector<std::uint8_t>;

// Message boxes shown to the person, one text each.
struct RecordingDialogs : platform::UserDialogs {
    std::vector<std::string> texts;  // the texts shown

    platform::MessageAnswer messageBox(std::string_view text, std::string_view,
                                       platform::MessageButtons, platform::MessageIcon) override {
        texts.emplace_back(text);
        return platform::MessageAnswer::Ok;
    }
    std::optional<int> selectDrive(int preselected) override { return preselected; }
    std::string all() const {
        std::string joined;
        for (const std::string& t : texts) joined += t + "|";
        return joined;
    }
};

// Installs RecordingDialogs for the lifetime of the object.
struct DialogsInstalled {
    RecordingDialogs dialogs;  // what the person was told
    DialogsInstalled() { platform::setUserDialogs(&dialogs); }
    ~DialogsInstalled() { platform::setUserDialogs(nullptr); }
    DialogsInstalled(const DialogsInstalled&) = delete;
    DialogsInstalled& operator=(const DialogsInstalled&) = delete;
};

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

TEST_F(DriveUnitTest, OtherImageFileSizesKeepWhatFollowsTheTracks) {
    // 35 tracks with error bytes, 40 tracks, 40 tracks with error bytes:
    // tracks 1..35 are served, the rest goes back to the file unchanged.
    for (std::size_t size : {175531u, 196608u, 197376u}) {
        SCOPED_TRACE(size);
        Bytes file = pattern(size, 5);
        Bytes blank = blankImage();
        std::copy(blank.begin(), blank.end(), file.begin());
        std::string path = dir.write("big.d64", file);
        ASSERT_TRUE(unit.mount(path, false));
        bus.save("NEW", pattern(700));
        ASSERT_TRUE(unit.unmount());
        Bytes saved = TempDir::read(path);
        ASSERT_EQ(saved.size(), size);
        EXPECT_TRUE(std::equal(saved.begin() + d64::kImageSize, saved.end(),
                               file.begin() + d64::kImageSize));
        ASSERT_TRUE(unit.mount(path, false));
        EXPECT_EQ(bus.load("NEW"), pattern(700));
        unit.unmount();
    }
}

TEST_F(DriveUnitTest, FilesOfAnyOtherSizeAreRefusedAndNeverWritten) {
    for (std::size_t size : {0u, 1000u, 174847u, 174849u, 819201u}) {
        SCOPED_TRACE(size);
        std::string path = dir.write("other.d81", pattern(size));
        EXPECT_FALSE(unit.mount(path, false));
        EXPECT_EQ(unit.image, nullptr);
        EXPECT_EQ(unit.loadFailure, "not a D64 image: " + std::to_string(size) +
                                        " bytes (a D64 image has 174848, 175531, 196608 or "
                                        "197376)");
        bus.open(0, "$");
        EXPECT_EQ(bus.lastError, "74,DRIVE NOT READY");
        EXPECT_TRUE(unit.unmount());
        EXPECT_EQ(TempDir::read(path), pattern(size));
    }
}

TEST_F(DriveUnitTest, AnImageThatCannotBeSavedStaysInTheDrive) {
    DialogsInstalled shown;
    std::string path = dir.file("gone/disk.d64");
    unit.newImage(TextSlice(path.c_str()));
    bus.save("KEEP", pattern(900));
    // Unmounting, mounting another image or a new one all keep it.
    EXPECT_FALSE(unit.unmount());
    EXPECT_FALSE(unit.mount(dir.path(), true));
    EXPECT_FALSE(unit.newImage(TextSlice(dir.file("other.d64").c_str())));
    EXPECT_EQ(unit.path, path);
    EXPECT_FALSE(unit.hostMode);
    EXPECT_TRUE(unit.imageModified);
    EXPECT_EQ(bus.load("KEEP"), pattern(900));
    ASSERT_EQ(shown.dialogs.texts.size(), 3u);
    EXPECT_EQ(shown.dialogs.texts[0],
              "The disk image " + path +
                  " could not be saved: No such file or directory.\nThe disk stays in the drive, "
                  "changes and all; they are saved at the next try.");
    // Once the directory is there the next try saves it.
    ASSERT_TRUE(platform::makeDirectory(dir.file("gone")));
    EXPECT_TRUE(unit.unmount());
    EXPECT_EQ(unit.image, nullptr);
    EXPECT_EQ(shown.dialogs.texts.size(), 3u);
    ASSERT_TRUE(unit.mount(path, false));
    EXPECT_EQ(bus.load("KEEP"), pattern(900));
}

TEST_F(DriveUnitTest, TheLastSaveTellsWhatIsLost) {
    DialogsInstalled shown;
    std::string path = dir.file("gone/disk.d64");
    std::array<DriveUnit, 3> drives;
    drives[1].newImage(TextSlice(path.c_str()));
    drives[2].newImage(TextSlice(dir.file("fine.d64").c_str()));
    EXPECT_FALSE(releaseAll(drives));
    EXPECT_EQ(shown.dialogs.all(), "The disk image " + path +
                                       " could not be saved: No such file or directory.\nThe "
                                       "changes to the disk are lost.|");
    EXPECT_TRUE(std::filesystem::exists(dir.file("fine.d64")));
    {
        DriveUnit destroyed;
        destroyed.newImage(TextSlice(path.c_str()));
    }
    EXPECT_EQ(shown.dialogs.texts.size(), 2u);
    EXPECT_TRUE(releaseAll(drives));
}

TEST_F(DriveUnitTest, SavingRespectsTheImageFile) {
    // A modified image is saved through a symbolic link and in a read-only
    // directory; a read-only image file is not replaced, and the drive keeps
    // the image. The drive runs as a user without root's privileges.
    struct Case {
        const char* what;
        int fileMode;       // the image file's permissions
        int directoryMode;  // its directory's
        bool throughLink;   // the drive mounts a symbolic link to it
        const char* outcome;
    };
    const Case cases[] = {
        {"read-only image file", 0444, 0755, false, "kept: Permission denied; KEEP still there"},
        {"image in a read-only directory", 0644, 0555, false, "saved"},
        {"image reached through a symbolic link", 0644, 0755, true, "saved"},
    };
    Unprivileged user;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PermissionScene scene(user, blankImage(), c.fileMode, c.directoryMode);
        const std::string& image = scene.file;
        std::string mounted = image;
        if (c.throughLink) {
            mounted = scene.base.file("link.d64");
            ASSERT_EQ(::symlink("d/disk.d64", mounted.c_str()), 0);
        }
        std::optional<std::string> outcome = user.run([&]() -> std::string {
            DialogsInstalled shown;
            DriveUnit drive;
            KernalBus c64(drive);
            if (!drive.mount(mounted, false)) return "not mounted: " + drive.loadFailure;
            c64.save("KEEP", pattern(300));
            if (drive.unmount()) return "saved";
            std::string kept = "kept: " + drive.saveFailure;
            if (c64.load("KEEP") == pattern(300)) kept += "; KEEP still there";
            if (shown.dialogs.texts.size() != 1) kept += "; not told";
            drive.imageModified = false;
            return kept;
        });
        if (!outcome) GTEST_SKIP() << "running as root and cannot drop root's privileges";
        EXPECT_EQ(*outcome, c.outcome);
        if (c.throughLink) {
            EXPECT_TRUE(std::filesystem::is_symlink(mounted));
        }
        ASSERT_TRUE(unit.mount(image, false));
        d64::BlockCursor entry(unit.image);
        entry.rewind();
        EXPECT_EQ(entry.findEntry("KEEP"), *outcome == "saved");
        unit.unmount();
    }
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
