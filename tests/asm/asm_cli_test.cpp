// brimwick-cli asm as a user runs it: files beside the source, messages on
// stderr in the SOURCE:LINE: error: TEXT form, and the exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "asm_test_support.h"

namespace brimwick::assembler::test {
namespace {

namespace fs = std::filesystem;

class AsmCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("brimwick-asm-cli-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        source_ = (dir_ / "demo.a64").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    int run(std::string_view text, std::vector<std::string> extra = {}) {
        std::ofstream(source_, std::ios::binary) << text;
        return runSource(std::move(extra));
    }
    int runSource(std::vector<std::string> extra = {}) {
        std::vector<std::string> argv{BRIMWICK_CLI, "asm", source_};
        argv.insert(argv.end(), extra.begin(), extra.end());
        return runProgram(argv, (dir_ / "stderr.txt").string());
    }
    std::string read(const std::string& name) {
        std::ifstream in(dir_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir_;        // temporary directory of this test
    std::string source_;  // the source file in it
};

TEST_F(AsmCommand, CleanSourceWritesFilesAndExitsZero) {
    EXPECT_EQ(run(lines({"*=$c000", "lda #1", "rts"})), 0);
    EXPECT_EQ(hex(read("democ000.prg")), "00 C0 A9 01 60");
    EXPECT_NE(read("demo.txt").find(" 0  ERRORS"), std::string::npos);
    EXPECT_EQ(read("stderr.txt"), "");
}

TEST_F(AsmCommand, MessagesGoToStderrInCompilerForm) {
    EXPECT_EQ(run(lines({"*=$c000", "lda fwd", "fwd = 1", "lda #1 2"})), 1);
    EXPECT_EQ(read("stderr.txt"), source_ + ":2: warning: operand size 'word' taken\n" + source_ +
                                      ":4: error: no number expected\n");
}

TEST_F(AsmCommand, AddressNameOptions) {
    EXPECT_EQ(run(lines({"*=$c000", "nop"}), {"--no-address-name"}), 0);
    EXPECT_EQ(hex(read("demo.prg")), "00 C0 EA");
    EXPECT_FALSE(fs::exists(dir_ / "democ000.prg"));
    EXPECT_EQ(runSource({"--address-name"}), 0);
    EXPECT_TRUE(fs::exists(dir_ / "democ000.prg"));
}

TEST_F(AsmCommand, UnreadableSourceExitsTwo) {
    EXPECT_EQ(runSource(), 2);
    EXPECT_NE(read("stderr.txt").find("can't read source file"), std::string::npos);
    EXPECT_NE(read("demo.txt").find(" 1  ERRORS"), std::string::npos);
}

}  // namespace
}  // namespace brimwick::assembler::test
