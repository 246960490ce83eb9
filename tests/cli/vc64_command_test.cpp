// brimwick-cli vc64: scripts against the PC side, transcripts and exit codes.
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

}  // namespace
}  // namespace brimwick::cli
