// brimwick-cli d64: new, list, add and extract, run as a user runs them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "cli_runner.h"
#include "d64/blank_image.h"
#include "d64/block_cursor.h"
#include "d64/file_cursor.h"
#include "d64/geometry.h"

namespace brimwick::cli::testing {
namespace {

using brimwick::testing::TempDir;
using Bytes = std::vector<std::uint8_t>;

// Where a directory entry's name starts.
constexpr std::int32_t kEntryNameOffset = 5;

Bytes bytes(std::size_t n, int seed) {
    Bytes v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 13 + seed);
    return v;
}

// One line on stderr, naming the subcommand.
void expectOneErrorLine(const CliResult& r) {
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.out.empty()) << r.out;
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_EQ(r.err.rfind("d64 ", 0), 0u) << r.err;
}

struct D64CommandTest : ::testing::Test {
    TempDir dir;  // the working directory of the runs
    CliResult cli(const std::vector<std::string>& args) { return runCli(dir, args); }
};

TEST_F(D64CommandTest, NewWritesTheBlankImageAndListsItsFreeBlocks) {
    CliResult r = cli({"d64", "new", "disk.d64"});
    EXPECT_EQ(r.status, 0) << r.err;
    Bytes blank(d64::kImageSize);
    d64::formatBlankImage(blank.data());
    EXPECT_EQ(TempDir::read(dir.file("disk.d64")), blank);
    r = cli({"d64", "list", "disk.d64"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "681 BLOCKS FREE. CODED BAD.\n");
    // An existing file is kept unless --force.
    dir.write("disk.d64", "precious");
    expectOneErrorLine(cli({"d64", "new", "disk.d64"}));
    EXPECT_EQ(TempDir::read(dir.file("disk.d64")).size(), 8u);
    EXPECT_EQ(cli({"d64", "new", "--force", "disk.d64"}).status, 0);
    EXPECT_EQ(TempDir::read(dir.file("disk.d64")), blank);
}

TEST_F(D64CommandTest, NewMakesD71AndD81ImagesThatListAsTheirDrives) {
    CliResult r = cli({"d64", "new", "--d81", "big.d81", "--name", "big", "--id", "b1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(TempDir::read(dir.file("big.d81")).size(), 819200u);
    EXPECT_EQ(cli({"d64", "list", "big.d81"}).out,
              "D81 big.d81\n"
              "0 \"BIG             \" B1 3D\n"
              "3160 BLOCKS FREE.\n");
    ASSERT_EQ(cli({"d64", "new", "--d71", "two.d71"}).status, 0);
    EXPECT_EQ(TempDir::read(dir.file("two.d71")).size(), 349696u);
    dir.write("game.prg", bytes(3000, 1));
    ASSERT_EQ(cli({"d64", "add", "two.d71", "game.prg"}).status, 0);
    EXPECT_EQ(cli({"d64", "list", "two.d71"}).out,
              "D71 two.d71\n"
              "0 \"                \"    2A\n"
              "12   \"GAME\"              PRG\n"
              "1316 BLOCKS FREE.\n");
    EXPECT_NE(cli({"d64", "new", "--d71", "--d81", "both.d81"}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("both.d81")));
}

TEST_F(D64CommandTest, NewWithNameAndIdFormatsLikeTheDrivesNewCommand) {
    CliResult r = cli({"d64", "new", "named.d64", "--name", "my games", "--id", "g1"});
    EXPECT_EQ(r.status, 0) << r.err;
    Bytes image = TempDir::read(dir.file("named.d64"));
    ASSERT_EQ(image.size(), static_cast<std::size_t>(d64::kImageSize));
    const std::uint8_t* bam = image.data() + d64::kBamOffset;
    EXPECT_EQ(std::string(bam + 144, bam + 160), "MY GAMES\xA0\xA0\xA0\xA0\xA0\xA0\xA0\xA0");
    EXPECT_EQ(std::string(bam + d64::kDiskIdOffset, bam + d64::kDiskIdOffset + 2), "G1");
    EXPECT_EQ(cli({"d64", "list", "named.d64"}).out, "681 BLOCKS FREE. CODED BAD.\n");
}

TEST_F(D64CommandTest, CmdPrintsEachStatusAndKeepsWhatWorked) {
    dir.write("game.prg", bytes(600, 1));
    dir.write("notes.seq", bytes(10, 2));
    ASSERT_EQ(cli({"d64", "add", "disk.d64", "game.prg", "notes.seq"}).status, 0);
    CliResult r = cli({"d64", "cmd", "disk.d64", "C:COPY=GAME", "R:TOOL=GAME", "S:N*",
                       "M-R\\xC5\\xE5\\x03", "V", "UI"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "00, OK. CODED BAD.,0,0\n"
              "00, OK. CODED BAD.,0,0\n"
              "01, FILES SCRATCHED,01,00\n"
              "35 34 31\n"
              "00, OK. CODED BAD.,0,0\n"
              "73,CBM DOS V2.6 1541,00,00\n");
    r = cli({"d64", "list", "disk.d64"});
    EXPECT_EQ(r.out,
              "3    \"COPY\"              PRG\n"
              "3    \"TOOL\"              PRG\n"
              "675 BLOCKS FREE. CODED BAD.\n");
    // A failing command is shown and fails the run; what came before stays.
    r = cli({"d64", "cmd", "disk.d64", "S:COPY", "R:X=NONE", "I"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "01, FILES SCRATCHED,01,00\n"
              "62,FILE NOT FOUND,0,0\n"
              "00, OK. CODED BAD.,0,0\n");
    EXPECT_NE(r.err.find("d64 cmd: "), std::string::npos);
    EXPECT_EQ(cli({"d64", "list", "disk.d64", "COPY"}).out, "678 BLOCKS FREE. CODED BAD.\n");
}

// A program on PATH, or "" when it is not installed.
std::string findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string d; std::getline(dirs, d, ':');)
        if (std::filesystem::exists(std::filesystem::path(d) / program))
            return (std::filesystem::path(d) / program).string();
    return "";
}

// Every file of a directory with its content.
std::map<std::string, Bytes> filesIn(const std::string& directory) {
    std::map<std::string, Bytes> files;
    for (const auto& e : std::filesystem::directory_iterator(directory))
        files[e.path().filename().string()] = TempDir::read(e.path().string());
    return files;
}

// Cross-check with Debian's cc1541 and cbmconvert, independent D64 tools:
// after S, R, C and V the image is valid CBM DOS to cc1541 (BAM and files
// agree), and cbmconvert unpacks it exactly as d64 extract does.
TEST_F(D64CommandTest, ImagesAfterDiskCommandsPassIndependentTools) {
    std::string cc1541 = findOnPath("cc1541");
    std::string cbmconvert = findOnPath("cbmconvert");
    if (cc1541.empty() || cbmconvert.empty()) GTEST_SKIP() << "cc1541 or cbmconvert missing";
    dir.write("game.prg", bytes(600, 1));
    dir.write("notes.seq", bytes(10, 2));
    dir.write("one.prg", bytes(1, 3));
    dir.write("tool.usr", bytes(10000, 4));
    ASSERT_EQ(cli({"d64", "add", "disk.d64", "game.prg", "notes.seq", "one.prg", "tool.usr"}).status,
              0);
    // A block that no file uses, as a cut-off write leaves it: V frees it.
    Bytes image = TempDir::read(dir.file("disk.d64"));
    image[d64::kBamOffset + 4 * 30 + 1] &= 0xFE;
    image[d64::kBamOffset + 4 * 30] -= 1;
    dir.write("disk.d64", image);
    EXPECT_NE(runProgram(dir, cc1541, {"-V", "disk.d64"}).status, 0);
    CliResult r = cli({"d64", "cmd", "disk.d64", "S:ONE", "R:RENAMED=GAME", "C:JOINED=NOTES,NOTES",
                       "C:COPY=TOOL", "V"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    r = runProgram(dir, cc1541, {"-V", "disk.d64"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::filesystem::create_directory(dir.file("cbm"));
    r = runProgram(dir, "sh", {"-c", "cd cbm && exec \"$0\" -N -d ../disk.d64", cbmconvert});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(cli({"d64", "extract", "disk.d64", "ours"}).status, 0);
    std::map<std::string, Bytes> ours = filesIn(dir.file("ours"));
    EXPECT_EQ(filesIn(dir.file("cbm")), ours);
    Bytes twice = bytes(10, 2);
    twice.insert(twice.end(), twice.begin(), twice.end());
    EXPECT_EQ(ours["joined.seq"], twice);
    EXPECT_EQ(ours["renamed.prg"], bytes(600, 1));
    EXPECT_EQ(ours["copy.usr"], bytes(10000, 4));
    EXPECT_EQ(ours.count("one.prg"), 0u);
}

// Track and sector of a block.
std::pair<int, int> trackSector(std::int32_t offset) {
    d64::BlockCursor at;
    at.toTrackSector(offset);
    return {at.track, at.sector};
}

// brimwick-cli with its program directory (Status.ini, brimwick.ini) in `home`.
CliResult cliWithHome(const TempDir& dir, const std::string& home, std::vector<std::string> args) {
    args.insert(args.begin(), {"BRIMWICK_HOME=" + home, BRIMWICK_CLI});
    return runProgram(dir, "env", args);
}

// Cross-check of the 1541 mode, set as a person sets it: an image formatted
// and written by a C64 program (SAVEs, a SEQ file, S, R, C, an abandoned
// write and V) is valid CBM DOS to cc1541, unpacks with cbmconvert as here,
// and holds its files where a 1541 puts them: from track 17 sector 0 on,
// ten sectors apart, never on track 18; the directory on 18/1, then 18/4.
TEST_F(D64CommandTest, ImagesWrittenAsA1541PassCc1541AndLieWhereA1541PutsThem) {
    std::string cc1541 = findOnPath("cc1541");
    if (cc1541.empty()) GTEST_SKIP() << "cc1541 is not installed: 1541-mode images not cross-checked";
    std::string home = dir.file("home");
    std::filesystem::create_directory(home);
    auto withHome = [&](std::vector<std::string> args) { return cliWithHome(dir, home, args); };
    ASSERT_EQ(withHome({"settings", "set", "dos=1541"}).status, 0);
    auto program = [&](const char* file, std::size_t size, int seed) {
        Bytes content = {0x01, 0x08};
        Bytes body = bytes(size, seed);
        content.insert(content.end(), body.begin(), body.end());
        dir.write(file, content);
    };
    program("big.prg", 254 * 30, 1);  // 31 blocks: track 17 and on into 16
    program("small.prg", 300, 2);
    std::string script = "serve 8 " + dir.file("disk.d64") + "\n" +
                         "status 8\n"
                         "cmd 8 \"N:CROSS CHECK,CC\"\n"
                         "status 8\n"
                         "save 8 \"BIG\" big.prg\n"
                         "save 8 \"SMALL\" small.prg\n";
    for (int n = 0; n < 10; ++n) script += "save 8 \"F" + std::to_string(n) + "\" small.prg\n";
    script +=
        "open 2 8 2 \"DATA,S,W\"\n"
        "print 2 \"HELLO\"\n"
        "close 2\n"
        "cmd 8 \"S0:F1,F2\"\n"
        "status 8\n"
        "cmd 8 \"R:RENAMED=SMALL\"\n"
        "cmd 8 \"C:JOINED=DATA,DATA\"\n"
        "cmd 8 \"C:BIGCOPY=BIG\"\n"
        "open 3 8 3 \"HALF,S,W\"\n"
        "print 3 \"XYZ\"\n"
        "cmd 8 \"UI\"\n"
        "cmd 8 \"V\"\n"
        "status 8\n";
    dir.write("script.txt", script);
    CliResult r = withHome({"vc64", "script.txt"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    for (const char* line : {"status 8: 73,CBM DOS V2.6 1541,00,00\ncmd 8 st=$00\n"
                             "status 8: 00, OK,00,00\n",
                             "status 8: 01, FILES SCRATCHED,02,00\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
    EXPECT_EQ(r.out.substr(r.out.size() - 23), "status 8: 00, OK,00,00\n") << r.out;

    r = runProgram(dir, cc1541, {"-V", "disk.d64"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;

    Bytes image = TempDir::read(dir.file("disk.d64"));
    ASSERT_EQ(image.size(), static_cast<std::size_t>(d64::kImageSize));
    std::map<std::string, std::vector<std::pair<int, int>>> files;
    std::vector<std::pair<int, int>> directory;
    d64::BlockCursor entries(image.data());
    entries.rewind();
    while (entries.nextEntry() != d64::kEndOfChain) {
        if (entries.pos == 0) directory.push_back(trackSector(entries.offset));
        if (entries.entryType() == 0) continue;
        d64::FileCursor walk(image.data());
        walk.openAt(entries.entryFirstBlock());
        auto& blocks = files[entries.name()];
        do blocks.push_back(trackSector(walk.offset));
        while (walk.followLink() != d64::kEndOfChain);
    }
    EXPECT_EQ(directory, (std::vector<std::pair<int, int>>{{18, 1}, {18, 4}}));
    ASSERT_EQ(files.size(), 13u);  // BIG, RENAMED, F0, F3-F9, DATA, JOINED, BIGCOPY
    const std::vector<std::pair<int, int>> bigStarts = {{17, 0}, {17, 10}, {17, 20}, {17, 8},
                                                        {17, 18}};
    EXPECT_TRUE(std::equal(bigStarts.begin(), bigStarts.end(), files["BIG"].begin()));
    EXPECT_EQ(files["BIG"][21], std::make_pair(16, 7));
    // Track 17 is full: the next file starts on the other side, on 19.
    EXPECT_EQ(files["RENAMED"].front(), std::make_pair(19, 0));
    for (const auto& [name, blocks] : files)
        for (const auto& [track, sector] : blocks) EXPECT_NE(track, 18) << name << " " << sector;
    const std::uint8_t* bam = image.data() + d64::kBamOffset;
    EXPECT_EQ(bam[4 * 18], 16);  // 19 sectors less the BAM and two directory blocks
    EXPECT_EQ(files.count("HALF"), 0u);
    EXPECT_EQ(std::string(bam + 144, bam + 155), "CROSS CHECK");

    std::string cbmconvert = findOnPath("cbmconvert");
    if (cbmconvert.empty()) GTEST_SKIP() << "cbmconvert is not installed: extraction not compared";
    std::filesystem::create_directory(dir.file("cbm"));
    r = runProgram(dir, "sh", {"-c", "cd cbm && exec \"$0\" -N -d ../disk.d64", cbmconvert});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(cli({"d64", "extract", "disk.d64", "ours"}).status, 0);
    EXPECT_EQ(filesIn(dir.file("cbm")), filesIn(dir.file("ours")));
    EXPECT_EQ(filesIn(dir.file("ours")).size(), 13u);
}

// A full directory written as a 1541: 144 files in 18 blocks on track 18,
// valid to cc1541; the 145th SAVE is "72,DISK FULL" and changes nothing.
TEST_F(D64CommandTest, AFullDirectoryWrittenAsA1541PassesCc1541) {
    std::string cc1541 = findOnPath("cc1541");
    if (cc1541.empty()) GTEST_SKIP() << "cc1541 is not installed: 1541-mode images not cross-checked";
    std::string home = dir.file("home");
    std::filesystem::create_directory(home);
    ASSERT_EQ(cliWithHome(dir, home, {"dos", "1541"}).status, 0);
    dir.write("one.prg", Bytes{0x01, 0x08, 0x60});
    std::string script = "serve 8 " + dir.file("full.d64") + "\n";
    for (int n = 0; n < 144; ++n) script += "save 8 \"FILE" + std::to_string(n) + "\" one.prg\n";
    dir.write("fill.txt", script);
    CliResult r = cliWithHome(dir, home, {"vc64", "fill.txt"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    Bytes full = TempDir::read(dir.file("full.d64"));
    dir.write("more.txt", "serve 8 " + dir.file("full.d64") +
                              "\nstatus 8\nsave 8 \"ONE MORE\" one.prg\nstatus 8\n");
    r = cliWithHome(dir, home, {"vc64", "more.txt"});
    EXPECT_NE(r.out.find(" st=$02\nstatus 8: 72,DISK FULL,00,00\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(TempDir::read(dir.file("full.d64")), full);
    // -m: names whose hashes collide are no concern of a 1541 (cc1541 checks
    // them for a fast loader).
    r = runProgram(dir, cc1541, {"-m", "-V", "full.d64"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(full[d64::kBamOffset + 4 * 18], 0);  // track 18: the BAM and 18 directory blocks
    EXPECT_EQ(cliWithHome(dir, home, {"d64", "list", "--1541", "full.d64", "FILE143"}).out,
              "0 \"                \"    2A\n"
              "1    \"FILE143\"           PRG\n"
              "520 BLOCKS FREE.\n");
}

// A disk filled by SAVEs of 30 KB until "72,DISK FULL": the SAVE that was
// cut off stays unclosed with the blocks it took, and cc1541 sees those
// blocks too (and a valid disk).
TEST_F(D64CommandTest, ASaveCutOffByAFullDiskListsTheBlocksItHolds) {
    std::string home = dir.file("home");
    std::filesystem::create_directory(home);
    Bytes program = {0x01, 0x08};
    Bytes body = bytes(30 * 1024, 5);
    program.insert(program.end(), body.begin(), body.end());
    dir.write("f.prg", program);
    std::string script = "serve 8 " + dir.file("full.d64") + "\n";
    for (int n = 0; n < 7; ++n) script += "save 8 \"F" + std::to_string(n) + "\" f.prg\n";
    script += "status 8\n";
    dir.write("fill.txt", script);
    CliResult r = cliWithHome(dir, home, {"vc64", "fill.txt"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("status 8: 72,DISK FULL,0,0\n"), std::string::npos) << r.out;
    r = cli({"d64", "list", "full.d64", "F5"});
    EXPECT_EQ(r.out,
              "76   \"F5\"               *PRG\n"
              "0 BLOCKS FREE. CODED BAD.\n");
    std::string cc1541 = findOnPath("cc1541");
    if (cc1541.empty()) GTEST_SKIP() << "cc1541 is not installed: the full disk not cross-checked";
    r = runProgram(dir, cc1541, {"-V", "full.d64"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("76   \"f5\"              *prg"), std::string::npos) << r.out;
}

TEST_F(D64CommandTest, ListAs1541ShowsTheHeaderAndLeavesOutTrack18) {
    ASSERT_EQ(cli({"d64", "new", "disk.d64", "--name", "tools", "--id", "t1"}).status, 0);
    // Into a pipe the header's reverse-video mark is left out...
    CliResult r = cli({"d64", "list", "--1541", "disk.d64"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "0 \"TOOLS           \" T1 2A\n"
              "664 BLOCKS FREE.\n");
    // ...on a terminal it is the terminal's reverse video, up to the line's end.
    std::string script = findOnPath("script");
    if (script.empty()) GTEST_SKIP() << "script(1) is not installed: no terminal to list on";
    r = runProgram(dir, script,
                   {"-q", "-e", "-c",
                    "env BRIMWICK_HOME=" + dir.file(".settings") + " " + BRIMWICK_CLI +
                        " d64 list --1541 disk.d64",
                    "/dev/null"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "0 \x1b[7m\"TOOLS           \" T1 2A\x1b[27m\r\n"
              "664 BLOCKS FREE.\r\n");
}

// The DOS option of the settings reaches the tools' own drives too: after
// dos=1541 a plain `d64 list` lists as a 1541 (the header, no "CODED
// BAD.", free blocks without track 18) and `d64 cmd` answers as one.
TEST_F(D64CommandTest, TheToolsFollowTheDosOfTheSettings) {
    std::string home = dir.file("home");
    std::filesystem::create_directory(home);
    dir.write("game.prg", bytes(600, 1));
    ASSERT_EQ(cliWithHome(dir, home, {"settings", "set", "dos=1541"}).status, 0);
    ASSERT_EQ(cliWithHome(dir, home, {"d64", "new", "a.d64", "--name", "x", "--id", "xy"}).status, 0);
    ASSERT_EQ(cliWithHome(dir, home, {"d64", "add", "a.d64", "game.prg"}).status, 0);
    CliResult r = cliWithHome(dir, home, {"d64", "list", "a.d64"});
    EXPECT_EQ(r.out,
              "0 \"X               \" XY 2A\n"
              "3    \"GAME\"              PRG\n"
              "661 BLOCKS FREE.\n")
        << r.err;
    r = cliWithHome(dir, home, {"d64", "cmd", "a.d64", "I"});
    EXPECT_EQ(r.out, "00, OK,00,00\n") << r.err;
    // Back to the original: the tools follow at once.
    ASSERT_EQ(cliWithHome(dir, home, {"settings", "set", "dos=original"}).status, 0);
    EXPECT_EQ(cliWithHome(dir, home, {"d64", "list", "a.d64"}).out,
              "3    \"GAME\"              PRG\n"
              "678 BLOCKS FREE. CODED BAD.\n");
}

TEST_F(D64CommandTest, AddCreatesTheImageAndListShowsTheFiles) {
    dir.write("game.prg", bytes(600, 1));
    dir.write("notes.seq", bytes(10, 2));
    dir.write("x\x01y.usr", bytes(1, 3));
    CliResult r = cli({"d64", "add", "new.d64", "game.prg", "notes.seq", "x\x01y.usr"});
    EXPECT_EQ(r.status, 0) << r.err;
    r = cli({"d64", "list", "new.d64"});
    EXPECT_EQ(r.out,
              "3    \"GAME\"              PRG\n"
              "1    \"NOTES\"             SEQ\n"
              "1    \"X\\x01Y\"               USR\n"
              "676 BLOCKS FREE. CODED BAD.\n");
    r = cli({"d64", "list", "new.d64", "N*"});
    EXPECT_EQ(r.out, "1    \"NOTES\"             SEQ\n676 BLOCKS FREE. CODED BAD.\n");
    // Adding to an existing image replaces a file of the same name.
    dir.write("game.prg", bytes(10, 4));
    EXPECT_EQ(cli({"d64", "add", "new.d64", "game.prg"}).status, 0);
    r = cli({"d64", "list", "new.d64", "GAME"});
    EXPECT_EQ(r.out, "1    \"GAME\"              PRG\n678 BLOCKS FREE. CODED BAD.\n");
}

TEST_F(D64CommandTest, ExtractWritesEveryFileIntoANewDirectory) {
    dir.write("game.prg", bytes(600, 1));
    dir.write("notes.seq", bytes(10, 2));
    ASSERT_EQ(cli({"d64", "add", "a.d64", "game.prg", "notes.seq"}).status, 0);
    CliResult r = cli({"d64", "extract", "a.d64", "out/deeper"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(TempDir::read(dir.file("out/deeper/game.prg")), bytes(600, 1));
    EXPECT_EQ(TempDir::read(dir.file("out/deeper/notes.seq")), bytes(10, 2));
}

TEST_F(D64CommandTest, FilesOfNoD64ImageSizeAreRefusedAndLeftAlone) {
    dir.write("game.prg", bytes(5, 1));
    struct Case {
        const char* file;
        std::size_t size;
    };
    for (const Case& c : {Case{"disk.d81", 819201}, Case{"main.c", 1000}}) {
        Bytes content = bytes(c.size, 3);
        dir.write(c.file, content);
        const std::vector<std::string> runs[] = {{"d64", "add", c.file, "game.prg"},
                                                 {"d64", "list", c.file},
                                                 {"d64", "extract", c.file, "out"}};
        for (const auto& args : runs) {
            SCOPED_TRACE(args[1] + " " + c.file);
            CliResult r = cli(args);
            expectOneErrorLine(r);
            EXPECT_NE(r.err.find(std::string(c.file) +
                                 ": not a D64 image: " + std::to_string(c.size) + " bytes"),
                      std::string::npos)
                << r.err;
            EXPECT_EQ(TempDir::read(dir.file(c.file)), content);
        }
    }
}

TEST_F(D64CommandTest, ImagesWithMoreThanTheirTracksKeepTheRest) {
    dir.write("game.prg", bytes(600, 1));
    Bytes file = bytes(196608, 9);  // 40 tracks
    Bytes blank(d64::kImageSize);
    d64::formatBlankImage(blank.data());
    std::copy(blank.begin(), blank.end(), file.begin());
    dir.write("forty.d64", file);
    ASSERT_EQ(cli({"d64", "add", "forty.d64", "game.prg"}).status, 0);
    Bytes saved = TempDir::read(dir.file("forty.d64"));
    ASSERT_EQ(saved.size(), file.size());
    EXPECT_TRUE(
        std::equal(saved.begin() + d64::kImageSize, saved.end(), file.begin() + d64::kImageSize));
    EXPECT_NE(cli({"d64", "list", "forty.d64"}).out.find("\"GAME\""), std::string::npos);
}

TEST_F(D64CommandTest, ALoopingDirectoryIsAnErrorNotAnEndlessListing) {
    ASSERT_EQ(cli({"d64", "new", "loop.d64"}).status, 0);
    Bytes image = TempDir::read(dir.file("loop.d64"));
    image[d64::kFirstDirOffset] = 18;  // 18/1 links to itself
    image[d64::kFirstDirOffset + 1] = 1;
    dir.write("loop.d64", image);
    CliResult r = cli({"d64", "list", "loop.d64"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("52,LOOPING BLOCK CHAINING"), std::string::npos) << r.err;
}

TEST_F(D64CommandTest, FailuresGiveOneLineAndAnExitStatus) {
    dir.write("game.prg", bytes(5, 1));
    expectOneErrorLine(cli({"d64", "list", "missing.d64"}));
    expectOneErrorLine(cli({"d64", "extract", "missing.d64", "out"}));
    std::filesystem::create_directory(dir.file("adir.d64"));
    expectOneErrorLine(cli({"d64", "add", "adir.d64", "game.prg"}));

    ASSERT_EQ(cli({"d64", "add", "a.d64", "game.prg"}).status, 0);
    Bytes before = TempDir::read(dir.file("a.d64"));
    CliResult r = cli({"d64", "add", "a.d64", "game.prg", "missing.prg"});
    expectOneErrorLine(r);
    EXPECT_NE(r.err.find("missing.prg"), std::string::npos);
    EXPECT_EQ(TempDir::read(dir.file("a.d64")), before);
    expectOneErrorLine(cli({"d64", "add", "b.d64", "missing.prg"}));
    EXPECT_FALSE(std::filesystem::exists(dir.file("b.d64")));

    // A file larger than the free space: the image stays as it was.
    dir.write("huge.prg", bytes(d64::kImageSize, 5));  // 689 blocks
    r = cli({"d64", "add", "a.d64", "huge.prg"});
    expectOneErrorLine(r);
    EXPECT_NE(r.err.find("72,DISK FULL"), std::string::npos);
    EXPECT_EQ(TempDir::read(dir.file("a.d64")), before);

    // The target is a file, not a directory.
    dir.write("plain", "x");
    expectOneErrorLine(cli({"d64", "extract", "a.d64", "plain"}));
}

TEST_F(D64CommandTest, ListFollowsEachLinesLinkPastAZeroInAName) {
    dir.write("game.prg", bytes(600, 1));
    dir.write("notes.seq", bytes(10, 2));
    ASSERT_EQ(cli({"d64", "add", "a.d64", "game.prg", "notes.seq"}).status, 0);
    // GAME becomes G$00ME.
    Bytes image = TempDir::read(dir.file("a.d64"));
    d64::BlockCursor entry(image.data());
    entry.rewind();
    ASSERT_TRUE(entry.findEntry("GAME"));
    image[static_cast<std::size_t>(entry.offset + entry.pos + kEntryNameOffset + 1)] = 0x00;
    dir.write("a.d64", image);
    CliResult r = cli({"d64", "list", "a.d64"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "3    \"G\\x00ME\"              PRG\n"
              "1    \"NOTES\"             SEQ\n"
              "677 BLOCKS FREE. CODED BAD.\n");
}

TEST_F(D64CommandTest, ExtractKeepsExistingFilesUnlessForced) {
    dir.write("game.prg", bytes(600, 1));
    dir.write("notes.seq", bytes(10, 2));
    ASSERT_EQ(cli({"d64", "add", "a.d64", "game.prg", "notes.seq"}).status, 0);
    std::filesystem::create_directory(dir.file("out"));
    dir.write("out/game.prg", "mine");
    CliResult r = cli({"d64", "extract", "a.d64", "out"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("out/game.prg exists, \"GAME\" not extracted (--force replaces it)\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("1 of 2 files not extracted into out\n"), std::string::npos) << r.err;
    EXPECT_EQ(TempDir::read(dir.file("out/game.prg")), Bytes({'m', 'i', 'n', 'e'}));
    EXPECT_EQ(TempDir::read(dir.file("out/notes.seq")), bytes(10, 2));
    r = cli({"d64", "extract", "--force", "a.d64", "out"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_EQ(TempDir::read(dir.file("out/game.prg")), bytes(600, 1));
}

TEST_F(D64CommandTest, ExtractNamesEachFileItCouldNotWriteAndWhy) {
    dir.write("game.prg", bytes(600, 1));
    dir.write("broken.prg", bytes(600, 2));
    dir.write("notes.seq", bytes(10, 3));
    ASSERT_EQ(cli({"d64", "add", "a.d64", "game.prg", "broken.prg", "notes.seq"}).status, 0);
    // BROKEN's first block links off the disk.
    Bytes image = TempDir::read(dir.file("a.d64"));
    d64::BlockCursor entry(image.data());
    entry.rewind();
    ASSERT_TRUE(entry.findEntry("BROKEN"));
    image[static_cast<std::size_t>(entry.entryFirstBlock())] = 40;
    dir.write("a.d64", image);
    std::filesystem::create_directories(dir.file("out/game.prg"));  // in the way
    CliResult r = cli({"d64", "extract", "--force", "a.d64", "out"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(r.err,
              "d64 extract: cannot write out/game.prg: Is a directory\n"
              "d64 extract: cannot read \"BROKEN\" from a.d64: 66,ILLEGAL TRACK AND SECTOR\n"
              "d64 extract: 2 of 3 files not extracted into out\n");
    EXPECT_EQ(TempDir::read(dir.file("out/notes.seq")), bytes(10, 3));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out/game.prg.brimwick-new")));

    // Reasons for the files around the extraction too.
    r = cli({"d64", "add", "a.d64", "missing.prg"});
    expectOneErrorLine(r);
    EXPECT_EQ(r.err, "d64 add: cannot open missing.prg: No such file or directory\n");
    r = cli({"d64", "extract", "a.d64", "game.prg"});
    expectOneErrorLine(r);
    EXPECT_EQ(r.err, "d64 extract: cannot create directory game.prg: Not a directory\n");
}

TEST_F(D64CommandTest, ExtractNeverLetsTwoNamesShareOnePcFile) {
    dir.write("p?q.prg", bytes(10, 1));
    dir.write("p:q.prg", bytes(20, 2));
    dir.write("p~q~2.prg", bytes(30, 3));
    ASSERT_EQ(cli({"d64", "add", "a.d64", "p?q.prg", "p:q.prg", "p~q~2.prg"}).status, 0);
    CliResult r = cli({"d64", "extract", "a.d64", "out"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err,
              "d64 extract: \"P:Q\" written as out/p~q~2.prg: its own name went to \"P?Q\"\n"
              "d64 extract: \"P~Q~2\" written as out/p~q~2~2.prg: its own name went to "
              "\"P:Q\"\n");
    EXPECT_EQ(TempDir::read(dir.file("out/p~q.prg")), bytes(10, 1));
    EXPECT_EQ(TempDir::read(dir.file("out/p~q~2.prg")), bytes(20, 2));
    EXPECT_EQ(TempDir::read(dir.file("out/p~q~2~2.prg")), bytes(30, 3));
}

TEST_F(D64CommandTest, HelpForEachSubcommand) {
    for (const char* sub : {"new", "list", "add", "extract"}) {
        CliResult r = cli({"d64", sub, "--help"});
        EXPECT_EQ(r.status, 0) << sub;
        EXPECT_NE(r.out.find("IMAGE"), std::string::npos) << sub;
    }
    EXPECT_NE(cli({"d64"}).status, 0);
}

}  // namespace
}  // namespace brimwick::cli::testing
