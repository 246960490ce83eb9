// Cross-check with Debian's cbmconvert, an independent implementation of the
// C64's file formats: D64, D71 and D81 images and PC64 files written here
// unpack byte for byte with it, and what it writes (images, PC64 files) lists
// and unpacks here as it wrote it; T64 tapes unpack here as they do there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "cli_runner.h"
#include "d64/t64_builder.h"

namespace brimwick::cli::testing {
namespace {

using brimwick::testing::TempDir;
using Bytes = std::vector<std::uint8_t>;

// cbmconvert's path on PATH, or "".
std::string findCbmconvert() {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string d; std::getline(dirs, d, ':');) {
        std::filesystem::path candidate = std::filesystem::path(d) / "cbmconvert";
        if (std::filesystem::exists(candidate)) return candidate.string();
    }
    return "";
}

struct Sample {
    const char* name;  // PC file name (lower case: the same C64 name for both tools)
    std::size_t size;  // bytes
};

constexpr Sample kSamples[] = {
    {"game.prg", 600},          {"notes.seq", 10},   {"one.prg", 1},
    {"block.prg", 254},         {"blocks.prg", 255}, {"tool.usr", 10000},
    {"long name 12.prg", 3000},
};

Bytes content(std::size_t n, std::size_t seed) {
    Bytes v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>((i * 31 + seed * 7) ^ (i >> 8));
    return v;
}

struct CbmconvertTest : ::testing::Test {
    TempDir dir;                                // working directory
    std::string cbmconvert = findCbmconvert();  // the tool, when installed

    void SetUp() override {
        if (cbmconvert.empty()) GTEST_SKIP() << "cbmconvert is not installed";
        std::filesystem::create_directory(dir.file("in"));
        for (std::size_t i = 0; i < std::size(kSamples); ++i)
            dir.write(std::string("in/") + kSamples[i].name, content(kSamples[i].size, i));
    }
    std::vector<std::string> inputs() const {
        std::vector<std::string> files;
        for (const Sample& s : kSamples) files.push_back(dir.file(std::string("in/") + s.name));
        return files;
    }
    // Every sample is in `directory` with its exact content, and nothing else.
    void expectSamplesIn(const std::string& directory) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(directory))
            names.push_back(e.path().filename().string());
        std::vector<std::string> expected;
        for (const Sample& s : kSamples) expected.push_back(s.name);
        std::sort(names.begin(), names.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names, expected);
        for (std::size_t i = 0; i < std::size(kSamples); ++i)
            EXPECT_EQ(TempDir::read(directory + "/" + kSamples[i].name),
                      content(kSamples[i].size, i))
                << kSamples[i].name;
    }
};

TEST_F(CbmconvertTest, ImagesWrittenHereUnpackWithCbmconvert) {
    std::vector<std::string> args = {"d64", "add", "ours.d64"};
    for (const std::string& f : inputs()) args.push_back(f);
    CliResult r = runCli(dir, args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::filesystem::create_directory(dir.file("cbm"));
    r = runProgram(dir, "sh", {"-c", "cd cbm && exec \"$0\" -N -d ../ours.d64", cbmconvert});
    ASSERT_EQ(r.status, 0) << r.err;
    expectSamplesIn(dir.file("cbm"));
}

TEST_F(CbmconvertTest, ImagesWrittenByCbmconvertListAndUnpackHere) {
    std::vector<std::string> args = {"-D4", "theirs.d64", "-n"};
    for (const std::string& f : inputs()) args.push_back(f);
    CliResult r = runProgram(dir, cbmconvert, args);
    ASSERT_EQ(r.status, 0) << r.err;
    r = runCli(dir, {"d64", "list", "theirs.d64"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "3    \"GAME\"              PRG\n"
              "1    \"NOTES\"             SEQ\n"
              "1    \"ONE\"               PRG\n"
              "1    \"BLOCK\"             PRG\n"
              "2    \"BLOCKS\"            PRG\n"
              "40   \"TOOL\"              USR\n"
              "12   \"LONG NAME 12\"      PRG\n"
              "621 BLOCKS FREE. CODED BAD.\n");
    r = runCli(dir, {"d64", "extract", "theirs.d64", "ours"});
    ASSERT_EQ(r.status, 0) << r.err;
    expectSamplesIn(dir.file("ours"));
}

// The D71 and D81 images, both ways.
TEST_F(CbmconvertTest, D71AndD81ImagesBothWays) {
    struct Case {
        const char* flag;       // d64 new's
        const char* option;     // cbmconvert's
        const char* image;      // the file
        const char* header;     // the listing's line 0, the free count last
        const char* freeLine;   // what is free once cbmconvert filled it (a 1571 counts no
                                // block of track 53, where cbmconvert leaves 18 free)
    };
    const Case cases[] = {
        {"--d71", "-D7", "disk.d71", "D71 ", "1268 BLOCKS FREE.\n"},
        {"--d81", "-D8", "disk.d81", "D81 ", "3100 BLOCKS FREE.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image);
        std::string ours = std::string("ours.") + (c.image + 5);
        ASSERT_EQ(runCli(dir, {"d64", "new", c.flag, ours}).status, 0);
        std::vector<std::string> args = {"d64", "add", ours};
        for (const std::string& f : inputs()) args.push_back(f);
        CliResult r = runCli(dir, args);
        ASSERT_EQ(r.status, 0) << r.err;
        std::string unpacked = dir.file(std::string("cbm-") + c.image);
        std::filesystem::create_directory(unpacked);
        r = runProgram(dir, "sh", {"-c", "cd \"$1\" && exec \"$0\" -N -d ../" + ours, cbmconvert, unpacked});
        ASSERT_EQ(r.status, 0) << r.err;
        expectSamplesIn(unpacked);

        std::vector<std::string> theirs = {c.option, c.image, "-n"};
        for (const std::string& f : inputs()) theirs.push_back(f);
        r = runProgram(dir, cbmconvert, theirs);
        ASSERT_EQ(r.status, 0) << r.err;
        r = runCli(dir, {"d64", "list", c.image});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.rfind(c.header, 0), 0u) << r.out;
        EXPECT_NE(r.out.find("40   \"TOOL\"              USR\n"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.substr(r.out.size() - std::string(c.freeLine).size()), c.freeLine) << r.out;
        std::string extracted = dir.file(std::string("ours-") + c.image);
        r = runCli(dir, {"d64", "extract", c.image, extracted});
        ASSERT_EQ(r.status, 0) << r.err;
        expectSamplesIn(extracted);
    }
}

// PC64 files, both ways: cbmconvert's go into an image here under their C64
// names; the ones a PC64 drive writes here unpack there as the C64 saved them.
TEST_F(CbmconvertTest, Pc64FilesBothWays) {
    std::filesystem::create_directory(dir.file("p00"));
    std::vector<std::string> args = {"-c", "cd p00 && exec \"$0\" -P -n \"$@\"", cbmconvert};
    for (const std::string& f : inputs()) args.push_back(f);
    CliResult r = runProgram(dir, "sh", args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> add = {"d64", "add", "from-p00.d64"};
    for (const auto& e : std::filesystem::directory_iterator(dir.file("p00")))
        add.push_back(e.path().string());
    ASSERT_EQ(add.size(), 3 + std::size(kSamples));
    r = runCli(dir, add);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(runCli(dir, {"d64", "list", "from-p00.d64"}).out.find("\"LONG NAME 12\"      PRG"),
              std::string::npos);
    r = runCli(dir, {"d64", "extract", "from-p00.d64", "back"});
    ASSERT_EQ(r.status, 0) << r.err;
    expectSamplesIn(dir.file("back"));

    // A drive with the PC64 option saves names no PC file name keeps.
    std::string home = dir.file("home");
    std::filesystem::create_directory(home);
    dir.write("home/Dos.ini", std::string("dos=original\ndrive.8.format=p00\n"));
    std::filesystem::create_directory(dir.file("served"));
    dir.write("prog.prg", content(500, 9));
    dir.write("script.txt", "serve 8 " + dir.file("served") + "/\nsave 8 \"0:A/B:C\" prog.prg\n");
    r = runProgram(dir, "env", {"BRIMWICK_HOME=" + home, BRIMWICK_CLI, "vc64", "script.txt"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    ASSERT_TRUE(std::filesystem::exists(dir.file("served/a_b_c.p00"))) << r.out;
    std::filesystem::create_directory(dir.file("native"));
    r = runProgram(dir, "sh", {"-c", "cd native && exec \"$0\" -N -p ../served/a_b_c.p00", cbmconvert});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.file("native")))
        names.push_back(e.path().filename().string());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(TempDir::read(dir.file("native/" + names[0])), content(500, 9));
}

// A T64 tape unpacks here as with cbmconvert, its wrong end address
// corrected as cbmconvert reads it.
TEST_F(CbmconvertTest, TapesUnpackAsWithCbmconvert) {
    using d64::testing::Slot;
    Bytes game = content(3000, 1);
    Bytes tool = content(200, 2);
    dir.write("demo.t64", d64::testing::makeTape(
                              "DEMO", {{"GAME", 0x82, 0x0801, 0x0801 + 2998, Bytes(game.begin() + 2, game.end())},
                                       {"TOOL", 0x82, 0xC000, 0xC3C6, Bytes(tool.begin() + 2, tool.end())}},
                              2));
    std::filesystem::create_directory(dir.file("cbm"));
    CliResult r = runProgram(dir, "sh", {"-c", "cd cbm && exec \"$0\" -N -t ../demo.t64", cbmconvert});
    ASSERT_EQ(r.status, 0) << r.err;
    r = runCli(dir, {"d64", "extract", "demo.t64", "ours"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> theirs, ours;
    for (const auto& e : std::filesystem::directory_iterator(dir.file("cbm")))
        theirs.push_back(e.path().filename().string());
    for (const auto& e : std::filesystem::directory_iterator(dir.file("ours")))
        ours.push_back(e.path().filename().string());
    std::sort(theirs.begin(), theirs.end());
    std::sort(ours.begin(), ours.end());
    EXPECT_EQ(ours, (std::vector<std::string>{"game.prg", "tool.prg"}));
    EXPECT_EQ(theirs, ours);
    for (const std::string& name : ours)
        EXPECT_EQ(TempDir::read(dir.file("ours/" + name)), TempDir::read(dir.file("cbm/" + name)))
            << name;
    Bytes loaded = TempDir::read(dir.file("ours/game.prg"));
    EXPECT_EQ(loaded.size(), 3000u);
    r = runCli(dir, {"d64", "list", "demo.t64"});
    EXPECT_EQ(r.out, "T64 demo.t64\n"
                     "0 \"DEMO            \"    2A\n"
                     "12   \"GAME\"              PRG\n"
                     "1    \"TOOL\"              PRG\n"
                     "0 BLOCKS FREE.\n");
    r = runCli(dir, {"d64", "add", "demo.t64", "in/game.prg"});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "d64 add: demo.t64 is a T64, which is read-only (26,WRITE PROTECT ON)\n");
}

}  // namespace
}  // namespace brimwick::cli::testing
