// brimwick-cli asm as a user runs it: files beside the source, messages on
// stderr in the SOURCE:LINE: error: TEXT form, the exit status, and the rule
// that no output ever replaces the source or is left half written.
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
        fs::remove_all(dir_);
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
        return runProgram(argv, (dir_ / "stderr.txt").string(), (dir_ / "stdout.txt").string());
    }
    std::string read(const std::string& name) {
        std::ifstream in(dir_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The names in the test directory, apart from the captured streams.
    std::vector<std::string> files() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            const std::string name = entry.path().filename().string();
            if (name != "stderr.txt" && name != "stdout.txt") names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;        // temporary directory of this test
    std::string source_;  // the source file in it
};

TEST_F(AsmCommand, CleanSourceWritesFilesAndExitsZero) {
    EXPECT_EQ(run(lines({"*=$c000", "lda #1", "rts"})), 0);
    EXPECT_EQ(hex(read("democ000.prg")), "00 C0 A9 01 60");
    EXPECT_NE(read("demo.txt").find(" 0  ERRORS"), std::string::npos);
    EXPECT_EQ(read("stderr.txt"), "");
    EXPECT_EQ(files(), (std::vector<std::string>{"demo.a64", "demo.txt", "democ000.prg"}));
}

// The stderr form names what a message is about where the listing's text
// does not; the listing keeps its texts.
TEST_F(AsmCommand, MessagesGoToStderrInCompilerForm) {
    EXPECT_EQ(run(lines({"*=$c000", "lda fwd", "ldz #3", "fwd = 1", "lda #1 2", "jmp nowhere",
                         "x = 1", "x = 2"})),
              1);
    EXPECT_EQ(read("stderr.txt"), source_ + ":8: error: double definition: x\n" + source_ +
                                      ":2: warning: operand size 'word' taken\n" + source_ +
                                      ":3: error: no number expected: ldz\n" + source_ +
                                      ":5: error: no number expected: 2\n" + source_ +
                                      ":6: error: undefined statement: nowhere\n");
    const std::string listing = read("demo.txt");
    EXPECT_NE(listing.find("ERROR in line 6 : undefined statement\n"), std::string::npos)
        << listing;
}

TEST_F(AsmCommand, AddressNameOptions) {
    EXPECT_EQ(run(lines({"*=$c000", "nop"}), {"--no-address-name"}), 0);
    EXPECT_EQ(hex(read("demo.prg")), "00 C0 EA");
    EXPECT_FALSE(fs::exists(dir_ / "democ000.prg"));
    EXPECT_EQ(runSource({"--address-name"}), 0);
    EXPECT_TRUE(fs::exists(dir_ / "democ000.prg"));
}

TEST_F(AsmCommand, UnreadableSourceExitsTwoAndLeavesNoListing) {
    EXPECT_EQ(runSource(), 2);
    EXPECT_EQ(read("stderr.txt"),
              source_ + ": error: can't read source file: No such file or directory\n");
    EXPECT_TRUE(files().empty());
}

// The listing of prog.txt would be prog.txt; the object file of prog.prg,
// without the address in its name, would be prog.prg; a label file may be
// named like the source, and a listing may be a link to it. Each run stops
// before it opens anything and leaves the source as it was.
TEST_F(AsmCommand, OutputsNeverReplaceTheSource) {
    struct Case {
        std::string source;
        std::vector<std::string> extra;
        std::string link;  // made a symbolic link to the source first, when set
        std::string message;
    };
    const Case cases[] = {
        {"prog.txt", {}, "", "the listing would replace the source file: %/prog.txt"},
        {"prog.prg",
         {"--no-address-name"},
         "",
         "the object file would replace the source file: %/prog.prg"},
        {"prog.a64",
         {"--labels", "%/prog.a64"},
         "",
         "the label file would replace the source file: %/prog.a64"},
        {"prog.a64", {}, "prog.txt", "the listing would replace the source file: %/prog.txt"},
    };
    const std::string text = lines({"; keep me", "*=$c000", "nop"});
    auto withDir = [&](std::string s) {
        if (auto at = s.find('%'); at != std::string::npos) s.replace(at, 1, dir_.string());
        return s;
    };
    for (const Case& c : cases) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        source_ = (dir_ / c.source).string();
        std::vector<std::string> extra;
        for (const auto& e : c.extra) extra.push_back(withDir(e));
        if (!c.link.empty()) fs::create_symlink(c.source, dir_ / c.link);
        EXPECT_EQ(run(text, extra), 2) << c.source;
        EXPECT_EQ(read(c.source), text);
        EXPECT_EQ(read("stderr.txt"), source_ + ": error: " + withDir(c.message) + "\n");
        std::vector<std::string> expected{c.source};
        if (!c.link.empty()) expected.push_back(c.link);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(files(), expected) << c.source;
    }
}

TEST_F(AsmCommand, SourcesLargerThan64MiBAreRefused) {
    { std::ofstream(source_, std::ios::binary) << "*=$c000\n"; }
    fs::resize_file(source_, (std::uintmax_t{64} << 20) + 1);  // sparse: costs no disk space
    EXPECT_EQ(runSource(), 2);
    EXPECT_EQ(read("stderr.txt"),
              source_ + ": error: source file larger than 64 MiB: 67108865 bytes\n");
    EXPECT_EQ(files(), std::vector<std::string>{"demo.a64"});
}

// A write error that only shows when the file is closed (/dev/full takes
// every byte and fails the flush) is "can't write file" with the file and the
// reason, on the line of the "*=" or the end that wrote it.
TEST_F(AsmCommand, WriteErrorsAtTheCloseAreReported) {
    fs::create_symlink("/dev/full", dir_ / "democ000.prg");
    EXPECT_EQ(run(lines({"*=$c000", "nop", "*=$d000", "nop"})), 1);
    EXPECT_EQ(read("stderr.txt"),
              source_ + ":3: error: can't write file: " + (dir_ / "democ000.prg").string() +
                  ": No space left on device\n");
    EXPECT_EQ(hex(read("demod000.prg")), "00 D0 EA");

    fs::remove(dir_ / "democ000.prg");
    fs::remove(dir_ / "demo.txt");
    fs::create_symlink("/dev/full", dir_ / "demo.txt");
    EXPECT_EQ(runSource(), 1);
    EXPECT_EQ(read("stderr.txt"), source_ + ":4: error: can't write file: " +
                                      (dir_ / "demo.txt").string() + ": No space left on device\n");
}

// Outputs are written whole or not at all, and through a symbolic link to the
// file it names: the link stays a link.
TEST_F(AsmCommand, OutputsReplaceLinkTargetsWhole) {
    fs::create_directories(dir_ / "out");
    std::ofstream(dir_ / "out" / "real.prg", std::ios::binary) << "old contents";
    fs::create_symlink(fs::path("out") / "real.prg", dir_ / "democ000.prg");
    EXPECT_EQ(run(lines({"*=$c000", "rts"})), 0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "democ000.prg"));
    EXPECT_EQ(hex(read("out/real.prg")), "00 C0 60");
    EXPECT_FALSE(fs::exists(dir_ / "out" / "real.prg.brimwick-new"));
}

TEST_F(AsmCommand, LabelFileForTheMonitor) {
    const std::string source =
        lines({"border = $d020", "*=$0801", "start lda #0", " sta border", "loop jmp loop",
               "big = 100000", "neg = 0-1", "v .var 3", "m .macro", " .endm", "here .lbl"});
    EXPECT_EQ(run(source, {"--labels", (dir_ / "demo.lbl").string()}), 0);
    const std::string expected =
        "al C:0801 .start\n"
        "al C:0806 .loop\n"
        "al C:d020 .border\n";
    EXPECT_EQ(read("demo.lbl"), expected);
    EXPECT_EQ(run(source, {"--labels", "-"}), 0);
    EXPECT_EQ(read("stdout.txt"), expected);
}

}  // namespace
}  // namespace brimwick::assembler::test
