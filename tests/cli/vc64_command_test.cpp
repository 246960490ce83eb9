// brimwick-cli vc64: scripts against the PC side, transcripts and exit codes.
#include <algorithm>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "cli_runner.h"

namespace brimwick::cli {
namespace {

using brimwick::testing::TempDir;
using testing::runCli;

class Vc64Command : public ::testing::Test {
  protected:
    TempDir scratch;
    Vc64Command() { ::setenv("BRIMWICK_HOME", scratch.path().c_str(), 1); }
    ~Vc64Command() override { ::unsetenv("BRIMWICK_HOME"); }
};

TEST_F(Vc64Command, RunsAScriptAndPrintsATranscript) {
    std::vector<std::uint8_t> program = {0x01, 0x08};
    for (int i = 0; i < 16; ++i) program.push_back(static_cast<std::uint8_t>(i));
    scratch.write("hello.prg", program);
    scratch.write("script.txt",
                  "# a comment\n"
                  "serve 8 " +
                      scratch.file("disk.d64") +
                      "\n"
                      "save 8 \"HELLO\" hello.prg fast\n"
                      "load 8 \"$\"\n"
                      "load 8 \"HELLO\" 1 fast > back.prg\n"
                      "load 8 \"MISSING\"\n"
                      "status 8\n"
                      "open 2 8 2 \"DATA,S,W\"\n"
                      "print 2 \"A\\x42\"\n"
                      "close 2\n"
                      "open 3 8 3 \"DATA,S,R\"\n"
                      "get 3 10\n"
                      "close 3\n"
                      "load 10 \"X\"\n");
    auto r = runCli(scratch, {"vc64", "script.txt"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "serve 8 image " + scratch.file("disk.d64") +
                         "\n"
                         "save $0801-$0811 st=$00\n"
                         "load $0801-$084A st=$40\n"
                         "load $0801-$0811 st=$00\n"
                         "load $0000-$0000 st=$02\n"
                         "status 8: 62,FILE NOT FOUND,0,0\n"
                         "open 2 st=$00\n"
                         "print 2 st=$00\n"
                         "close 2\n"
                         "open 3 st=$00\n"
                         "get 3: 41 42 st=$40\n"
                         "close 3\n"
                         "load $0000-$0000 st=$80\n");
    EXPECT_EQ(TempDir::read(scratch.file("back.prg")), program);
    // The image was saved when the program ended.
    EXPECT_EQ(TempDir::read(scratch.file("disk.d64")).size(), 174848u);
}

TEST_F(Vc64Command, AnImageThatCannotBeSavedAtTheEndIsToldAndFails) {
    scratch.write("hello.prg", std::vector<std::uint8_t>{0x01, 0x08, 0x60});
    std::string lost = scratch.file("gone/x.d64");
    scratch.write("other.d64", std::string(1000, 'x'));
    scratch.write("script.txt", "serve 8 " + lost +
                                    "\n"
                                    "save 8 \"HELLO\" hello.prg\n"
                                    "serve 9 " +
                                    scratch.file("other.d64") + "\n");
    auto r = runCli(scratch, {"vc64", "script.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("save $0801-$0802 st=$00\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("error: cannot read image " + scratch.file("other.d64") +
                         ": not a D64 image: 1000 bytes"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.err, "Brimwick: The disk image " + lost +
                         " could not be saved: No such file or directory.\nThe changes to the "
                         "disk are lost.\n");
    EXPECT_EQ(TempDir::read(scratch.file("other.d64")).size(), 1000u);
}

TEST_F(Vc64Command, AStoredImageThatCannotBeReadIsTold) {
    // Status.ini: device 8 served from a file that is no D64 image.
    std::string other = scratch.file("notes.txt");
    scratch.write("notes.txt", std::string(1000, 'x'));
    // Settings record, then the served path with its terminating zero.
    std::vector<std::uint8_t> status(620 + other.size() + 1, 0);
    for (int i = 0; i < 10; ++i) status[4 + 4 * i] = static_cast<std::uint8_t>(i == 3 ? 0 : i + 5);
    std::copy(other.begin(), other.end(), status.begin() + 620);
    scratch.write("Status.ini", status);
    scratch.write("script.txt", "load 8 \"$\"\nstatus 8\n");
    auto r = runCli(scratch, {"vc64", "script.txt"});
    EXPECT_EQ(r.out, "load $0000-$0000 st=$02\nstatus 8: 74,DRIVE NOT READY,0,0\n");
    EXPECT_EQ(r.err, "Brimwick: The disk image " + other +
                         " could not be read: not a D64 image: 1000 bytes (a D64 image has "
                         "174848, 175531, 196608 or 197376).\nDevice 8 has no disk.\n");
    EXPECT_EQ(TempDir::read(other).size(), 1000u);
}

TEST_F(Vc64Command, BadLinesFailAndTheRestStillRuns) {
    scratch.write("script.txt",
                  "frobnicate 8\n"
                  "load 8 NAME\n"
                  "load 8 \"unterminated\n"
                  "status 8\n");
    auto r = runCli(scratch, {"vc64", "script.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("error: unknown operation 'frobnicate'"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("error: NAME must be in double quotes"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("error: missing closing quote"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("status 8: "), std::string::npos) << r.out;
}

TEST_F(Vc64Command, UploadSendsTheKernalFromTheProgramDirectory) {
    std::vector<std::uint8_t> kernal(8192);
    for (std::size_t i = 0; i < kernal.size(); ++i) kernal[i] = static_cast<std::uint8_t>(i * 7);
    std::filesystem::create_directory(scratch.file("kernels"));
    scratch.write("kernels/ks.rom", kernal);
    scratch.write("script.txt", "upload\n");
    auto r = runCli(scratch, {"vc64", "script.txt"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "upload 8192\n");
}

TEST_F(Vc64Command, FileErrorsNameTheFileAndTheReason) {
    auto r = runCli(scratch, {"vc64", "nothing-here.txt"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "brimwick-cli vc64: cannot open nothing-here.txt: No such file or directory\n");
    // A trace that cannot be written is said, and the script still runs.
    scratch.write("script.txt", "status 8\n");
    r = runCli(scratch, {"vc64", "--trace", "no/such/dir/trace.txt", "script.txt"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "brimwick-cli vc64: cannot write trace file no/such/dir/trace.txt: No such file or "
              "directory\n");
    EXPECT_EQ(r.out, "status 8: \n");
}


TEST_F(Vc64Command, TheEmulatedC64RunsThePersonsRomsOrNothingStarts) {
    scratch.write("script.txt", "wait \"READY.\"\npress \"print \\\"hi\\\"\\r\"\nwait \"HI\" 1\n");
    // Named ROMs that are not there: an error naming them, and no script line runs.
    auto r = runCli(scratch, {"vc64", "--roms", scratch.file("none"), "script.txt"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "brimwick-cli vc64: " + scratch.file("none") +
                         ": no such directory (looked for the C64's ROMs)\n");
    const char* source = std::getenv("BRIMWICK_SOURCE_DIR");
    const char* env = std::getenv("BRIMWICK_OPEN_ROMS");
    std::string roms = env != nullptr && *env != '\0'
                           ? std::string(env)
                           : std::string(source != nullptr ? source : ".") + "/../shared/test-data/open-roms";
    if (!std::filesystem::exists(roms + "/kernal_generic.rom"))
        GTEST_SKIP() << "the Open ROMs are not at " << roms << " (set BRIMWICK_OPEN_ROMS)";
    // Their layout is not Commodore's: the patcher refuses them, --as-is runs them.
    r = runCli(scratch, {"vc64", "--roms", roms, "script.txt"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("kernal_generic.rom: cannot be patched with the link kernal"), std::string::npos)
        << r.err;
    r = runCli(scratch, {"vc64", "--roms", roms, "--as-is", "script.txt"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "wait \"READY.\" shown\npress 11 keys\nwait \"HI\" shown\n");
    EXPECT_EQ(r.err.rfind("emulated C64 (PAL) with " + roms + "/kernal_generic.rom (unpatched (--as-is))", 0), 0u)
        << r.err;
}

}  // namespace
}  // namespace brimwick::cli
