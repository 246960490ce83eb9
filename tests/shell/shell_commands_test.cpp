// Each shell command's effect on the drives, the drive table, the files and
// the C64's keyboard, run against the whole PC side with the virtual C64.
#include "shell/shell_commands.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "c64/vc64/virtual_setup.h"
#include "d64/block_cursor.h"
#include "d64/file_cursor.h"
#include "platform/trace_log.h"
#include "recording_dialogs.h"
#include "shell/typed_name.h"
#include "temp_dir.h"

namespace brimwick::shell {
namespace {

namespace fs = std::filesystem;
using brimwick::testing::TempDir;

std::vector<std::uint8_t> bytes(std::size_t count, int seed = 0) {
    std::vector<std::uint8_t> v(count);
    for (std::size_t i = 0; i < count; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return v;
}

class ShellCommandsTest : public ::testing::Test {
  protected:
    TempDir dir;
    testing::InstalledDialogs installed;
    testing::RecordingDialogs& dialogs = installed.dialogs;
    c64::vc64::VirtualSetup setup;
    config::Settings& settings = setup.settings;
    ShellCommands commands{setup.dispatcher};
    std::vector<std::string> listingsShown;

    ShellCommandsTest() {
        platform::traceLog().captureInMemory();
        setup.dispatcher.programDirectory = dir.path();
        for (auto& unit : setup.drives) unit.ramFilePath = dir.file("RAM_C1541.prg");
        commands.documentOpener = [this](const std::string& path) {
            listingsShown.push_back(path);
        };
    }
    ~ShellCommandsTest() override { platform::traceLog().close(); }

    drive::DriveUnit& drive(int device) {
        return setup.drives[static_cast<std::size_t>(device - config::kFirstDevice)];
    }
    int realDevice(int device) { return settings.realDevice[device - config::kFirstDevice]; }
    void run(const std::string& text) { commands.execute(text); }

    // An image file holding the given PC files.
    std::string image(const std::string& name, const std::vector<std::string>& files = {}) {
        drive::DriveUnit unit;
        unit.newImage(TextSlice(dir.file(name).c_str()));
        for (const std::string& f : files) unit.addHostFile(f);
        EXPECT_TRUE(unit.saveImage());
        return dir.file(name);
    }
    // The bytes of a file in an image, or nothing when it is not there.
    std::optional<std::vector<std::uint8_t>> fileInImage(const std::string& path,
                                                         const char* name) {
        drive::DriveUnit unit;
        unit.mount(path, false);
        if (unit.image == nullptr) return std::nullopt;
        d64::BlockCursor entries(unit.image);
        entries.rewind();
        if (!entries.findEntry(name)) return std::nullopt;
        d64::FileCursor file(unit.image);
        file.openAt(entries.entryFirstBlock());
        std::vector<std::uint8_t> out;
        for (std::int32_t b; (b = file.readNext()) != d64::kEndOfChain;)
            out.push_back(static_cast<std::uint8_t>(b));
        return out;
    }
    // Keyboard polls until the feed has delivered everything; the keys as
    // the PC typed them.
    std::string typedKeys() {
        auto& k = setup.kernal;
        k.keys.clear();
        for (int i = 0; i < 1000 && setup.keyboard.feedActive; ++i) setup.run(k.keyboardPoll());
        std::string text;
        for (int key : k.keys)
            if (key != 0) text += static_cast<char>(link::translateKey(key));
        return text;
    }
};

TEST_F(ShellCommandsTest, InsertDiskServesDevice8) {
    dir.write("prog.prg", bytes(10));
    const struct {
        std::string file;  // the path after the code
        bool directory;    // served as a directory
        std::string path;  // what drive 8 serves
    } cases[] = {
        {image("demo.d64"), false, dir.file("demo.d64")},
        {image("demo.D64"), false, dir.file("demo.D64")},
        {dir.file("prog.prg"), true, dir.path() + "/"},
    };
    // The "current drive" of the preferences is only stored.
    settings.currentDrive = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        settings.realDevice[3] = 8;
        run("ID__" + c.file);
        EXPECT_EQ(realDevice(8), 0);
        EXPECT_EQ(drive(8).hostMode, c.directory);
        EXPECT_EQ(drive(8).path, c.path);
        EXPECT_EQ(drive(8).image == nullptr, c.directory);
        EXPECT_EQ(realDevice(5), 5);
    }
    EXPECT_TRUE(dialogs.texts.empty());
    EXPECT_FALSE(setup.keyboard.feedActive) << "nothing is typed";
}

TEST_F(ShellCommandsTest, AMountThatFailsChangesNothing) {
    std::string served = image("served.d64");
    fs::create_directory(dir.file("adir.d64"));
    ASSERT_EQ(::mkfifo(dir.file("pipe.d64").c_str(), 0600), 0);
    const struct {
        std::string text;
        const char* expected;  // in the message box
    } cases[] = {
        {"ID__" + dir.file("missing.d64"), "No such file or directory"},
        {"ID__" + dir.file("adir.d64"), "Is a directory"},
        {"ID__" + dir.file("pipe.d64"), "it is a FIFO, not a regular file"},
        {"IDS_" + dir.file("missing.d64"), "No such file or directory"},
        {"L___" + dir.file("gone/GAME.PRG"), "does not exist"},
        {"ID__" + dir.file("gone/x.prg"), "does not exist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        for (int device : {8, 9}) ASSERT_TRUE(drive(device).mount(served, false));
        settings.realDevice[3] = 0;
        settings.realDevice[4] = 9;  // device 9 passed to the real drive
        dialogs.texts.clear();
        CommandResult result = commands.execute(c.text);
        EXPECT_EQ(result.outcome, Outcome::Failed);
        ASSERT_EQ(dialogs.texts.size(), 1u);
        EXPECT_NE(dialogs.texts[0].find(c.expected), std::string::npos) << dialogs.texts[0];
        EXPECT_NE(dialogs.texts[0].find("is as it was"), std::string::npos) << dialogs.texts[0];
        for (int device : {8, 9}) {
            EXPECT_EQ(drive(device).path, served);
            EXPECT_NE(drive(device).image, nullptr);
        }
        EXPECT_EQ(realDevice(8), 0);
        EXPECT_EQ(realDevice(9), 9);
        EXPECT_FALSE(setup.keyboard.feedActive) << "nothing is typed";
    }
}

TEST_F(ShellCommandsTest, InsertDiskOnTheSelectedDrive) {
    std::string disk = image("a.d64");
    run("IDS_" + disk);
    EXPECT_EQ(dialogs.selections, 1);
    EXPECT_EQ(realDevice(9), 0) << "the selection offers device 9 first";
    EXPECT_EQ(drive(9).path, disk);
    dialogs.driveAnswer = 7;  // device 12
    run("IDS_" + disk);
    EXPECT_EQ(realDevice(12), 0);
    dialogs.driveAnswer = std::nullopt;  // Cancel
    run("IDS_" + disk);
    EXPECT_EQ(realDevice(13), 13);
    EXPECT_EQ(dialogs.selections, 3);
}

TEST_F(ShellCommandsTest, UnpackIntoANewDirectoryOnceOnly) {
    dir.write("game.prg", bytes(300));
    dir.write("notes.seq", bytes(20, 3));
    std::string disk = image("game.d64", {dir.file("game.prg"), dir.file("notes.seq")});
    run("UD__" + disk);
    EXPECT_EQ(TempDir::read(dir.file("game/game.prg")), bytes(300));
    EXPECT_EQ(TempDir::read(dir.file("game/notes.seq")), bytes(20, 3));
    EXPECT_TRUE(dialogs.texts.empty());

    run("UD__" + disk);
    ASSERT_EQ(dialogs.texts.size(), 1u);
    EXPECT_EQ(dialogs.texts[0], "Directory Already Exists. Aborted.");
    EXPECT_EQ(dialogs.details[0], dir.file("game") + ": File exists");
    EXPECT_NE(platform::traceLog().captured().find(
                  "\n ERROR makedir: \n    errno =17   eacces =13    enoent = 2\n   eexist =17"),
              std::string::npos);
}

TEST_F(ShellCommandsTest, AFailedUnpackShowsItsOwnTextWithTheFileAndReasonBeneath) {
    dir.write("game.prg", bytes(300));
    std::string disk = image("game.d64", {dir.file("game.prg")});
    // The file's directory entry (in track 18, sector 1, one each 32 bytes
    // from byte 2) points it at track 99, which no disk has.
    constexpr std::size_t kDirectorySector = (17 * 21 + 1) * 256;
    constexpr std::uint8_t kClosedProgram = 0x82;
    std::vector<std::uint8_t> raw = TempDir::read(disk);
    std::size_t entry = kDirectorySector + 2;
    while (raw[entry] != kClosedProgram && entry < kDirectorySector + 256) entry += 32;
    ASSERT_LT(entry, kDirectorySector + 256);
    raw[entry + 1] = 99;
    dir.write("game.d64", raw);
    run("UD__" + disk);
    ASSERT_EQ(dialogs.texts.size(), 1u);
    EXPECT_EQ(dialogs.texts[0], "An Error Occured During Unpacking Diskimage.");
    EXPECT_NE(dialogs.details[0].find(disk + " into " + dir.file("game") + "/:\n" +
                                      dir.file("game/game.prg") + ": "),
              std::string::npos)
        << dialogs.details[0];
}

TEST_F(ShellCommandsTest, UnpackNamesTheDirectoryAfterTheImageFileOnly) {
    fs::create_directory(dir.file("my.disks"));
    dir.write("a.prg", bytes(5));
    std::string disk = image("my.disks/game.v2.d64", {dir.file("a.prg")});
    run("UD__" + disk);
    EXPECT_EQ(TempDir::read(dir.file("my.disks/game/a.prg")), bytes(5));
    EXPECT_FALSE(fs::exists(dir.file("my")));
}

TEST_F(ShellCommandsTest, UnpackOfAnUnreadableImageMakesNoDirectory) {
    run("UD__" + dir.file("gone.d64"));
    ASSERT_EQ(dialogs.texts.size(), 1u);
    EXPECT_NE(dialogs.texts[0].find("Nothing was unpacked"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.file("gone")));
}

TEST_F(ShellCommandsTest, LoadAndRunServesTheDirectoryAndTypesAfterTheResetSequence) {
    dir.write("GAME.PRG", bytes(100));
    std::strcpy(settings.resetSequences[2], "poke53280,0\r");
    settings.resetSequenceIndex = 2;
    run("L___" + dir.file("GAME.PRG"));
    EXPECT_EQ(realDevice(8), 0);
    EXPECT_TRUE(drive(8).hostMode);
    EXPECT_EQ(drive(8).path, dir.path() + "/");
    EXPECT_TRUE(setup.c64.cable.resetSeen);
    EXPECT_EQ(typedKeys(), "poke53280,0\rload\"GAME\",8,1:\rrun:\r");
    // The program LOADs from the drive that serves it.
    auto program = setup.run(setup.kernal.load(8, "GAME", 1, true, false));
    EXPECT_TRUE(program.ok);
}

TEST_F(ShellCommandsTest, ANameIsTypedOnlyAsTheC64NameItStandsFor) {
    const struct {
        std::string code;
        std::string file;      // in the scratch directory
        std::string reset;     // the selected reset sequence
        const char* refusal;   // in the message box; nullptr: typed
    } cases[] = {
        {"L___", "x\r@s:*\r.prg", "", "it holds a carriage return (byte 0x0D)"},
        {"L___", "a\"b.prg", "", "it holds a quote"},
        {"L___", "a\x93" "b.prg", "", "a control key of the C64"},
        {"L___", "a\x01" "b.prg", "", "the control byte 0x01"},
        {"L___", "a:b.prg", "", "the character ':'"},
        {"L___", "a,b.prg", "", "the character ','"},
        {"L___", "$.prg", "", "begins with '$'"},
        {"L___", "caf\xC3\xA9.prg", "", "cannot type as itself"},
        {"L___", std::string(70, 'n') + ".prg", "", "longer than the 80 characters"},
        {"L___", std::string(67, 'n') + ".prg", "abc", "longer than the 80 characters"},
        {"L___", std::string(69, 'n') + ".prg", "", nullptr},
        {"L___", "Game 2.prg", "poke53280,0\r", nullptr},
        {"ETF_", "x\ry.prg", "", "it holds a carriage return"},
        {"ASS_", "x\ry.a64", "", "it holds a carriage return"},
    };
    settings.startAssembled = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::string path = dir.write(c.file, c.code == "ASS_" ? "*=$0801\r\nrts\r\n" : "x");
        std::strcpy(settings.resetSequences[0], c.reset.c_str());
        settings.resetSequenceIndex = 0;
        settings.realDevice[3] = 8;
        settings.realDevice[4] = 9;
        dialogs.texts.clear();
        commands.lastTypedText.clear();
        commands.lastTextTyped = false;
        CommandResult result = commands.execute(c.code + path);
        if (c.refusal == nullptr) {
            EXPECT_EQ(result.outcome, Outcome::Done) << result.message;
            EXPECT_TRUE(commands.lastTextTyped);
            typedKeys();
            continue;
        }
        EXPECT_EQ(result.outcome, Outcome::Failed);
        EXPECT_FALSE(setup.keyboard.feedActive) << "nothing is typed";
        EXPECT_FALSE(commands.lastTextTyped);
        EXPECT_EQ(realDevice(8), 8) << "nothing is served either";
        EXPECT_EQ(realDevice(9), 9);
        ASSERT_EQ(dialogs.texts.size(), 1u);
        EXPECT_NE(dialogs.texts[0].find(c.refusal), std::string::npos) << dialogs.texts[0];
        EXPECT_NE(dialogs.texts[0].find(displayName(path)), std::string::npos) << dialogs.texts[0];
        EXPECT_EQ(dialogs.texts[0].find('\r'), std::string::npos) << "the name is shown escaped";
    }
}

TEST_F(ShellCommandsTest, LoadAndRunUsesTheDriveTheC64AddressedLast) {
    dir.write("x.prg", bytes(10));
    setup.dispatcher.addressedDrive = 4;
    run("L___" + dir.file("x.prg"));
    EXPECT_EQ(realDevice(9), 0);
    EXPECT_EQ(realDevice(8), 8);
    EXPECT_EQ(typedKeys(), "load\"x\",9,1:\rrun:\r");
}

TEST_F(ShellCommandsTest, ConvertToProgramDropsTheFirst1024Bytes) {
    const struct {
        std::size_t size;
        std::size_t programBytes;  // after the load address
    } cases[] = {{3000, 1976}, {70000, 64512}, {1000, 0}, {1024, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        std::string input = dir.write("dump.bin", bytes(c.size));
        run("CT__" + input);
        std::vector<std::uint8_t> out = TempDir::read(dir.file("dump.prg"));
        ASSERT_EQ(out.size(), 2 + c.programBytes);
        EXPECT_EQ(out[0], 0x01);
        EXPECT_EQ(out[1], 0x08);
        if (c.programBytes > 0) {
            EXPECT_EQ(out[2], bytes(c.size)[1024]);
        }
    }
    EXPECT_TRUE(dialogs.texts.empty());
}

TEST_F(ShellCommandsTest, OutputsStayBesideTheirInputAndReplaceOnlyRegularFiles) {
    fs::create_directory(dir.file("sub"));
    std::string parentFile = dir.write("su.prg", "parent's own");
    const struct {
        std::string code;
        std::string input;   // in the scratch directory
        std::string output;  // what it writes there
    } cases[] = {
        {"CT__", "sub/ab", "sub/ab.prg"},
        {"CASC", "sub/ab", "sub/ab.a64"},
        {"CT__", "sub/a.b.bin", "sub/a.b.prg"},
        {"CASC", "sub/.hidden", "sub/.hidden.a64"},
        {"CT__", "sub/dump.bin", "sub/dump.prg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code + c.input);
        dir.write(c.input, bytes(2000));
        CommandResult result = commands.execute(c.code + dir.file(c.input));
        EXPECT_EQ(result.outcome, Outcome::Done) << result.message;
        EXPECT_TRUE(fs::is_regular_file(dir.file(c.output)));
    }
    std::vector<std::uint8_t> parent = TempDir::read(parentFile);
    EXPECT_EQ(std::string(parent.begin(), parent.end()), "parent's own") << "never the parent's";
    EXPECT_TRUE(dialogs.texts.empty());

    // An output whose place holds anything but a regular file is refused.
    std::string victim = dir.write("victim", bytes(10));
    fs::create_symlink(victim, dir.file("sub/l.prg"));
    fs::create_directory(dir.file("sub/d.prg"));
    ASSERT_EQ(::mkfifo(dir.file("sub/f.prg").c_str(), 0600), 0);
    const struct {
        const char* input;
        const char* kind;
    } refused[] = {{"sub/l.bin", "a symbolic link"}, {"sub/d.bin", "a directory"},
                   {"sub/f.bin", "a FIFO"}};
    for (const auto& r : refused) {
        SCOPED_TRACE(r.input);
        dialogs.texts.clear();
        CommandResult result = commands.execute("CT__" + dir.write(r.input, bytes(2000)));
        EXPECT_EQ(result.outcome, Outcome::Failed);
        ASSERT_EQ(dialogs.texts.size(), 1u);
        EXPECT_NE(dialogs.texts[0].find(std::string("it is ") + r.kind), std::string::npos)
            << dialogs.texts[0];
        EXPECT_NE(dialogs.texts[0].find("Nothing was written"), std::string::npos);
    }
    EXPECT_EQ(TempDir::read(victim), bytes(10));
}

TEST_F(ShellCommandsTest, ConvertToProgramNeverWritesOverItsInputAndReportsFailures) {
    std::string input = dir.write("data.bin", bytes(2000));
    fs::create_symlink(input, dir.file("data.prg"));
    run("CT__" + input);
    EXPECT_EQ(TempDir::read(input), bytes(2000));
    ASSERT_EQ(dialogs.texts.size(), 1u);
    EXPECT_NE(dialogs.texts[0].find("would write over"), std::string::npos);

    // A program file stands for its directory, which is no file to read.
    dir.write("p.prg", bytes(2000));
    run("CT__" + dir.file("p.prg"));
    ASSERT_EQ(dialogs.texts.size(), 2u);
    EXPECT_NE(dialogs.texts[1].find("Is a directory"), std::string::npos);

    run("CT__" + dir.file("missing.bin"));
    ASSERT_EQ(dialogs.texts.size(), 3u);
    EXPECT_NE(dialogs.texts[2].find(dir.file("missing.bin")), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.file("missing.prg")));
}

TEST_F(ShellCommandsTest, AddCreatesAddD64ThenReplacesTheFile) {
    dir.write("a.prg", bytes(600));
    run("ADD_" + dir.file("a.prg"));
    EXPECT_EQ(fileInImage(dir.file("ADD.d64"), "A"), bytes(600));
    dir.write("a.prg", bytes(50, 9));
    run("ADD_" + dir.file("a.prg"));
    EXPECT_EQ(fileInImage(dir.file("ADD.d64"), "A"), bytes(50, 9));
    // Any file goes into the ADD.d64 beside it.
    dir.write("b.seq", bytes(5));
    run("ADD_" + dir.file("b.seq"));
    EXPECT_EQ(fileInImage(dir.file("ADD.d64"), "B"), bytes(5));
    EXPECT_TRUE(dialogs.texts.empty());
}

TEST_F(ShellCommandsTest, AddWritesAsTheServedDrivesDos) {
    // After dos=1541 the served drives speak a 1541's DOS: ADD_'s own drive
    // lays the file out as a 1541 does, as a drive in that mode would.
    for (auto& unit : setup.drives) unit.setDosMode(drive::DosMode::C1541);
    std::string file = dir.write("a.prg", bytes(600));
    run("ADD_" + file);
    drive::DriveUnit expected;
    expected.setDosMode(drive::DosMode::C1541);
    expected.newImage(TextSlice(dir.file("want.d64").c_str()));
    ASSERT_EQ(expected.addHostFile(file), drive::AddResult::Added);
    ASSERT_TRUE(expected.saveImage());
    EXPECT_EQ(TempDir::read(dir.file("ADD.d64")), TempDir::read(dir.file("want.d64")));
    drive::DriveUnit original;
    original.newImage(TextSlice(dir.file("original.d64").c_str()));
    original.addHostFile(file);
    ASSERT_TRUE(original.saveImage());
    EXPECT_NE(TempDir::read(dir.file("ADD.d64")), TempDir::read(dir.file("original.d64")));
}

TEST_F(ShellCommandsTest, AddReportsWhatItCannotDoAndKeepsTheImage) {
    const struct {
        const char* name;
        std::function<std::string()> prepare;  // returns the string to run
        const char* expected;                  // in the message box
    } cases[] = {
        {"missing input", [&] { return "ADD_" + dir.file("gone.prg"); }, "Nothing was added"},
        {"unreadable image",
         [&] {
             fs::create_directory(dir.file("sub"));
             fs::create_directory(dir.file("sub/ADD.d64"));
             return "ADD_" + dir.write("sub/a.prg", bytes(3));
         },
         "Is a directory"},
        {"image that cannot be saved", [] { return std::string("ADD_/proc/version"); },
         "The disk image /proc/ADD.d64 could not be saved: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.texts.clear();
        run(c.prepare());
        ASSERT_EQ(dialogs.texts.size(), 1u);
        EXPECT_NE(dialogs.texts[0].find(c.expected), std::string::npos) << dialogs.texts[0];
    }
    EXPECT_FALSE(fs::exists(dir.file("ADD.d64"))) << "no empty image for a failed add";
    EXPECT_TRUE(fs::is_directory(dir.file("sub/ADD.d64")));
}

TEST_F(ShellCommandsTest, ImagesOfOurOwnNameHeldByALinkOrAFifoAreRefused) {
    // ADD.d64 and drv8.d64 are names the person did not give: a link in
    // their place would make the command write over the file it points to,
    // a FIFO would hang it.
    std::string victim = dir.write("victim.bin", bytes(100));
    const struct {
        const char* name;
        const char* code;
        const char* file;      // the path after the code
        const char* own;       // the image of our own name
        bool fifo;             // a FIFO instead of a link to the victim
        const char* expected;  // in the message box
    } cases[] = {
        {"ADD.d64 a link", "ADD_", "a.prg", "ADD.d64", false, "is a symbolic link"},
        {"ADD.d64 a FIFO", "ADD_", "a.prg", "ADD.d64", true, "is a FIFO"},
        {"drv8.d64 a link", "CDD_", "9.cdd", "drv8.d64", false, "exists already"},
    };
    dir.write("a.prg", bytes(3));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(dir.file(c.own));
        if (c.fifo)
            ASSERT_EQ(::mkfifo(dir.file(c.own).c_str(), 0600), 0);
        else
            fs::create_symlink(victim, dir.file(c.own));
        dialogs.texts.clear();
        CommandResult result = commands.execute(std::string(c.code) + dir.file(c.file));
        EXPECT_EQ(result.outcome, Outcome::Failed);
        ASSERT_EQ(dialogs.texts.size(), 1u);
        EXPECT_NE(dialogs.texts[0].find(c.expected), std::string::npos) << dialogs.texts[0];
        EXPECT_EQ(TempDir::read(victim), bytes(100));
        EXPECT_EQ(drive(9).image, nullptr);
    }
    for (auto& unit : setup.drives) unit.unmount();
    EXPECT_EQ(TempDir::read(victim), bytes(100));
}

TEST_F(ShellCommandsTest, NothingIsTypedForADriveThatKeepsAnImageItCouldNotSave) {
    const struct {
        const char* code;
        int device;        // the drive that holds the image that cannot be saved
        const char* file;  // the path after the code
        int device8;       // what device 8 reaches afterwards (0: the PC's drive)
    } cases[] = {
        {"L___", 8, "GAME.PRG", 0},
        {"ID__", 8, "other.d64", 0},
        {"CDD_", 9, "9.cdd", 8},
    };
    dir.write("GAME.PRG", bytes(10));
    image("other.d64");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        settings.realDevice[3] = 8;  // device 8 passed through to the real drive 8
        std::string lost = dir.file("missing/keep.d64");
        ASSERT_TRUE(drive(c.device).newImage(TextSlice(lost.c_str())));
        dialogs.texts.clear();
        run(std::string(c.code) + dir.file(c.file));
        EXPECT_EQ(drive(c.device).path, lost);
        EXPECT_NE(drive(c.device).image, nullptr);
        EXPECT_TRUE(drive(c.device).imageModified) << "the changes stay for the next try";
        EXPECT_EQ(realDevice(8), c.device8);
        EXPECT_FALSE(setup.keyboard.feedActive) << "nothing is typed";
        ASSERT_FALSE(dialogs.texts.empty());
        EXPECT_NE(dialogs.texts[0].find(lost + " could not be saved: No such file or directory"),
                  std::string::npos)
            << dialogs.texts[0];
        // The drive goes without the image at the end of the case.
        drive(c.device).imageModified = false;
        drive(c.device).unmount();
    }
}

TEST_F(ShellCommandsTest, AddThatFillsTheDiskLeavesTheImageFile) {
    dir.write("big.prg", bytes(170000));
    run("ADD_" + dir.file("big.prg"));
    std::vector<std::uint8_t> before = TempDir::read(dir.file("ADD.d64"));
    dir.write("more.prg", bytes(20000));
    run("ADD_" + dir.file("more.prg"));
    ASSERT_EQ(dialogs.texts.size(), 1u);
    EXPECT_NE(dialogs.texts[0].find("72,DISK FULL"), std::string::npos);
    EXPECT_EQ(TempDir::read(dir.file("ADD.d64")), before);
}

TEST_F(ShellCommandsTest, ConvertTextTurnsPetsciiIntoPcText) {
    std::string input =
        dir.write("letter.seq", std::vector<std::uint8_t>{0x0D, 0x41, 0xC1, 0x09, 0x01, 0x61});
    run("CASC" + input);
    EXPECT_EQ(TempDir::read(dir.file("letter.a64")),
              (std::vector<std::uint8_t>{0x0D, 0x0A, 0x61, 0x41, 0xFE, 0x7E, 0x41}));
    EXPECT_TRUE(dialogs.texts.empty());
}

TEST_F(ShellCommandsTest, ConvertTextReportsFailuresAndNeverWritesOverItsInput) {
    const std::vector<std::uint8_t> source = {0x0D};
    const struct {
        std::string file;
        const char* expected;
    } cases[] = {
        {dir.write("t.prg", source), "Is a directory"},
        {dir.file("none.seq"), "No such file or directory"},
        {dir.write("same.a64", source), "would write over"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        dialogs.texts.clear();
        run("CASC" + c.file);
        ASSERT_EQ(dialogs.texts.size(), 1u);
        EXPECT_NE(dialogs.texts[0].find(c.expected), std::string::npos) << dialogs.texts[0];
        EXPECT_EQ(dialogs.icons[0], platform::MessageIcon::Stop);
    }
    EXPECT_EQ(TempDir::read(dir.file("same.a64")), source);
    EXPECT_FALSE(fs::exists(dir.file("none.a64")));
}

TEST_F(ShellCommandsTest, CopyRealDiskSetsUpTheCopier) {
    run("CDD_" + dir.file("9.cdd"));
    EXPECT_EQ(realDevice(8), 9) << "device 8 reaches the real drive 9";
    EXPECT_EQ(realDevice(9), 0);
    EXPECT_EQ(drive(9).path, dir.file("drv8.d64"));
    EXPECT_NE(drive(9).image, nullptr);
    EXPECT_EQ(realDevice(10), 0);
    EXPECT_TRUE(drive(10).hostMode);
    EXPECT_EQ(drive(10).path, dir.path() + "/c64/");
    EXPECT_EQ(typedKeys(), "load\"diskcopier0801\",10,1:\rrun:\ryes\r");
}

TEST_F(ShellCommandsTest, CopyRealDiskRefusesIllegalDevicesAndAnEarlierCopy) {
    run("CDD_" + dir.file("4.cdd"));
    ASSERT_EQ(dialogs.texts.size(), 1u);
    EXPECT_EQ(dialogs.texts[0], "Illegal Device \n \nDevice number must be in the range 5-14");
    std::vector<std::uint8_t> earlier = TempDir::read(image("drv8.d64"));
    run("CDD_" + dir.file("9.cdd"));
    ASSERT_EQ(dialogs.texts.size(), 2u);
    EXPECT_NE(dialogs.texts[1].find("exists already"), std::string::npos);
    for (int device = 8; device <= 10; ++device) EXPECT_EQ(realDevice(device), device);
    EXPECT_FALSE(setup.keyboard.feedActive);
    EXPECT_EQ(TempDir::read(dir.file("drv8.d64")), earlier);
}

TEST_F(ShellCommandsTest, AssembleThenLoadAndRunWhenAsked) {
    const struct {
        const char* name;
        const char* source;
        int startAssembled;
        int addressInName;
        const char* typed;  // "" when nothing is typed
    } cases[] = {
        {"start", "*=$0801\r\nlda #1\r\nrts\r\n", 1, 1, "load\"prog0801\",8,1:\rrun:\r"},
        {"no address in name", "*=$0801\r\nrts\r\n", 1, 0, "load\"prog\",8,1:\rrun:\r"},
        {"not asked", "*=$0801\r\nrts\r\n", 0, 1, ""},
        {"errors", "*=$0801\r\nlda #1 2\r\n", 1, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir.file("src"));
        fs::create_directory(dir.file("src"));
        std::string source = dir.write("src/prog.a64", c.source);
        settings.startAssembled = c.startAssembled;
        settings.addressInObjectName = c.addressInName;
        settings.realDevice[3] = 8;
        commands.lastTypedText.clear();
        run("ASS_" + source);
        EXPECT_EQ(commands.lastTypedText, c.typed);
        if (*c.typed != '\0') {
            EXPECT_EQ(realDevice(8), 0);
            EXPECT_EQ(drive(8).path, dir.file("src") + "/");
            EXPECT_EQ(typedKeys(), c.typed);
            std::string object = c.addressInName ? "src/prog0801.prg" : "src/prog.prg";
            EXPECT_TRUE(fs::exists(dir.file(object)));
        } else {
            EXPECT_EQ(realDevice(8), 8);
        }
        EXPECT_EQ(listingsShown.back(), dir.file("src/prog.txt"));
    }
}

TEST_F(ShellCommandsTest, EditInTurboAssTypesALongBaseNameWhole) {
    std::string name(60, 'n');
    std::string source = dir.write(name + ".prg", "x");
    run("ETF_" + source);
    EXPECT_EQ(realDevice(8), 0);
    EXPECT_EQ(drive(8).path, dir.path() + "/");
    EXPECT_EQ(realDevice(9), 0);
    EXPECT_EQ(drive(9).path, dir.path() + "/c64/");
    const std::string expected = "load\"turbo ass+*\",9,1:\rsys4096*8\r\x5fl" + name +
                                 "\r\x89\x5fms\x8c\x5fme\x5fw" + name + "\r";
    EXPECT_EQ(commands.lastTypedText, expected);
    EXPECT_EQ(typedKeys(), expected);
}

TEST_F(ShellCommandsTest, RedirectToARealDevice) {
    run("IPD_" + dir.file("9.dev"));
    EXPECT_EQ(realDevice(8), 9);
    run("IPD_" + dir.file("4.dev"));
    EXPECT_EQ(realDevice(8), 9) << "an illegal device changes nothing";
    ASSERT_EQ(dialogs.texts.size(), 1u);
    EXPECT_EQ(dialogs.selections, 0);

    dialogs.driveAnswer = 6;  // device 11
    run("IPDS" + dir.file("12.dev"));
    EXPECT_EQ(realDevice(11), 12);
    run("IPDS" + dir.file("15.dev"));
    EXPECT_EQ(dialogs.selections, 1) << "no selection for an illegal device";
    EXPECT_EQ(dialogs.texts.size(), 2u);
}

TEST_F(ShellCommandsTest, UnknownCodesAndShortStringsOnlyTrace) {
    dir.write("GAME.PRG", bytes(10));
    for (const std::string& text : {"l___" + dir.file("GAME.PRG"), std::string("ID"),
                                    std::string(""), "XYZW" + dir.file("GAME.PRG")}) {
        platform::traceLog().clearCaptured();
        run(text);
        EXPECT_EQ(platform::traceLog().captured().rfind(text + "***\n\n\n DDE-Command:\n", 0), 0u);
    }
    for (int device = 5; device <= 14; ++device) EXPECT_EQ(realDevice(device), device);
    EXPECT_FALSE(setup.keyboard.feedActive);
    EXPECT_TRUE(dialogs.texts.empty());
}

TEST_F(ShellCommandsTest, TraceLinesOfACommand) {
    std::string disk = image("Demo.D64");
    platform::traceLog().clearCaptured();
    run("ID__" + disk);
    std::string trace = platform::traceLog().captured();
    std::string expected = "ID__" + dir.file("Demo.D64") + "***\n\n\n DDE-Command:\n" +
                           dir.file("Demo.D64") + "\nID__\n.D64";
    EXPECT_EQ(trace.rfind(expected, 0), 0u) << trace;
}

}  // namespace
}  // namespace brimwick::shell
