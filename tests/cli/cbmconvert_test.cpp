// Cross-check with Debian's cbmconvert, an independent D64 implementation:
// images written here unpack byte for byte with it, and images it writes list
// and unpack here as it wrote them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "cli_runner.h"

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

}  // namespace
}  // namespace brimwick::cli::testing
