// The RAM kernal loader's type-in listing: short lines, few of them, and
// DATA lines whose own arithmetic gives back the loader's bytes; and
// brimwick-cli kernal loader around it (the listing, -o, --d64).
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <sstream>
#include <string>

#include "../../temp_dir.h"
#include "../c64_rig.h"
#include "../open_roms.h"
#include "c64/emulated_setup.h"
#include "c64/kernal/loader_listing.h"
#include "c64/kernal/ram_kernal.h"
#include "platform/file.h"

namespace brimwick::c64 {
namespace {

std::vector<std::uint8_t> loader() {
    return testing::readBytes(BRIMWICK_RAM_LOADER);
}

// What lines 30 and 40 compute from one typed hex digit.
int digit(char typed) {
    int h = std::toupper(static_cast<unsigned char>(typed)) - 48;
    return h > 9 ? h - 7 : h;
}

// Lines 20-60 of the listing, step by step: the bytes poked, or the line
// the program names when a checksum does not agree (0 when none).
struct ListingRun {
    std::vector<std::uint8_t> poked;
    int wrongLine = 0;
};
ListingRun runListing(const std::vector<ListingLine>& lines) {
    ListingRun run;
    for (const ListingLine& line : lines) {
        if (line.text.rfind("data ", 0) != 0) continue;
        std::string items = line.text.substr(5);
        std::size_t comma = items.find(',');
        std::string hex = items.substr(0, comma);
        long sum = line.number;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            int v = digit(hex[i]) * 16 + digit(hex[i + 1]);
            run.poked.push_back(static_cast<std::uint8_t>(v));
            sum += v * static_cast<long>(i / 2 + 1);
        }
        if (sum != std::stol(items.substr(comma + 1))) {
            run.wrongLine = line.number;
            return run;
        }
    }
    return run;
}

TEST(LoaderListing, AChangedDigitIsCaughtAndItsLineNamed) {
    std::vector<ListingLine> lines = loaderListing(loader());
    EXPECT_EQ(runListing(lines).wrongLine, 0);
    for (std::size_t changed : {std::size_t(7), std::size_t(9)}) {  // the second and the fourth DATA line
        std::vector<ListingLine> typo = lines;
        std::string& text = typo[changed].text;
        std::size_t at = 5 + 2 * changed;
        text[at] = text[at] == '0' ? '1' : '0';
        EXPECT_EQ(runListing(typo).wrongLine, typo[changed].number);
        std::vector<ListingLine> badSum = lines;
        badSum[changed].text.back() = badSum[changed].text.back() == '1' ? '2' : '1';
        EXPECT_EQ(runListing(badSum).wrongLine, lines[changed].number);
    }
}

TEST(LoaderListing, ShortLinesWhoseDataGiveTheLoaderBack) {
    std::vector<std::uint8_t> prg = loader();
    std::vector<ListingLine> lines = loaderListing(prg);
    EXPECT_LE(lines.size(), 25u);
    for (const ListingLine& line : lines) {
        SCOPED_TRACE(line.number);
        std::string typed = std::to_string(line.number) + " " + line.text;
        EXPECT_LE(typed.size(), static_cast<std::size_t>(kListingLongestLine));
        for (char c : typed) EXPECT_FALSE(std::isupper(static_cast<unsigned char>(c))) << typed;
    }
    ListingRun run = runListing(lines);
    EXPECT_EQ(run.wrongLine, 0);
    EXPECT_EQ(run.poked, std::vector<std::uint8_t>(prg.begin() + 2, prg.end()));
    EXPECT_EQ(lines[1].text.find("poke 56,128:clr:a=32768:for l=100 to "), 0u);
    EXPECT_EQ(lines[5].text, "next:sys 32777");
    EXPECT_EQ(kRamLoaderEntry, kRamLoaderStart + 9);

    // A changed digit changes the sum, and so does a swap of two bytes.
    std::vector<std::uint8_t> some = {0x12, 0x34, 0x56};
    EXPECT_NE(dataChecksum(100, some), dataChecksum(100, {0x12, 0x35, 0x56}));
    EXPECT_NE(dataChecksum(100, some), dataChecksum(100, {0x34, 0x12, 0x56}));
    EXPECT_NE(dataChecksum(100, some), dataChecksum(110, some));

    std::vector<std::uint8_t> wrong = prg;
    wrong[1] = 0x90;
    EXPECT_THROW(loaderListing(wrong), std::runtime_error);
}

TEST(LoaderListing, AsAProgramFileTheLinesAreCrunched) {
    std::vector<ListingLine> lines = loaderListing(loader());
    std::vector<std::uint8_t> program = listingProgram(lines);
    ASSERT_GE(program.size(), 8u);
    EXPECT_EQ(program[0], 0x01);
    EXPECT_EQ(program[1], 0x08);
    // Walk the links: one line per listing line, in order, each ending in 0.
    std::size_t pos = 2;
    for (const ListingLine& line : lines) {
        SCOPED_TRACE(line.number);
        int link = program[pos] | (program[pos + 1] << 8);
        EXPECT_EQ(program[pos + 2] | (program[pos + 3] << 8), line.number);
        std::size_t next = static_cast<std::size_t>(link - 0x0801 + 2);
        ASSERT_LT(next, program.size());
        EXPECT_EQ(program[next - 1], 0);
        if (line.text.rfind("data ", 0) == 0) {
            EXPECT_EQ(program[pos + 4], 0x83);  // DATA; the rest as typed, in PETSCII capitals
            std::string rest(program.begin() + static_cast<long>(pos) + 5,
                             program.begin() + static_cast<long>(next) - 1);
            std::string expected = line.text.substr(4);
            for (char& c : expected) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            EXPECT_EQ(rest, expected);
        }
        pos = next;
    }
    EXPECT_EQ(program[pos], 0);
    EXPECT_EQ(program[pos + 1], 0);
}

// The listing as a person types it, key by key through the keyboard matrix,
// into a C64 running the Open ROMs: every line fits the screen editor, and
// the program the C64 then holds is the one -o writes. (The Open ROMs' BASIC
// has no numeric variables yet, ?NOT IMPLEMENTED ERROR, so it cannot RUN
// the listing; what the listing's code computes is checked above.)
TEST(LoaderListing, TypedIntoAC64ItIsTheProgramFile) {
    BRIMWICK_NEED_OPEN_ROMS(roms);
    EmulatedSetup setup;
    setup.c64.powerOn(roms->kernal, roms->basic, roms->characters);
    setup.runFor(3 * static_cast<std::uint64_t>(setup.c64.clockHz()));
    ASSERT_TRUE(testing::screenShows(setup.c64, "READY."));
    std::vector<ListingLine> lines = loaderListing(loader());
    std::string typed = listingText(lines);
    for (char& c : typed)
        if (c == '\n') c = '\r';
    setup.press(keyStrokesFor(typed));
    setup.runFor(static_cast<std::uint64_t>(setup.c64.clockHz()));  // the last line entered
    std::vector<std::uint8_t> program = listingProgram(lines);
    const auto& ram = setup.c64.memory.ram;
    int start = ram[0x2B] | (ram[0x2C] << 8);
    int end = ram[0x2D] | (ram[0x2E] << 8);
    EXPECT_EQ(start, 0x0801);
    ASSERT_EQ(end - start, static_cast<int>(program.size()) - 2);
    EXPECT_EQ(std::vector<std::uint8_t>(ram.begin() + start, ram.begin() + end),
              std::vector<std::uint8_t>(program.begin() + 2, program.end()));
}

TEST(KernalLoaderCommand, PrintsWritesAndPutsItOnAnImage) {
    brimwick::testing::TempDir dir;
    const std::string cli = std::string(BRIMWICK_CLI) + " kernal loader --loader " + BRIMWICK_RAM_LOADER;
    auto run = [&](const std::string& arguments) {
        std::string command = cli + " " + arguments + " > " + dir.file("out.txt") + " 2>&1";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    auto said = [&] {
        std::vector<std::uint8_t> out = platform::readFile(dir.file("out.txt"), 1 << 16);
        return std::string(out.begin(), out.end());
    };
    std::vector<ListingLine> lines = loaderListing(loader());
    EXPECT_EQ(run(""), 0);
    EXPECT_EQ(said(), listingText(lines));

    EXPECT_EQ(run("-o " + dir.file("loader.prg")), 0);
    EXPECT_EQ(platform::readFile(dir.file("loader.prg"), 1 << 16), listingProgram(lines));

    EXPECT_EQ(run("--d64 " + dir.file("loader.d64")), 0);
    std::string extract = std::string(BRIMWICK_CLI) + " d64 extract " + dir.file("loader.d64") + " " +
                          dir.file("out") + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(extract.c_str()), 0);
    EXPECT_EQ(platform::readFile(dir.file("out/loader.prg"), 1 << 16), listingProgram(lines));

    // An image that exists is not written over; a missing loader is said.
    std::vector<std::uint8_t> before = platform::readFile(dir.file("loader.d64"), 1 << 20);
    EXPECT_EQ(run("--d64 " + dir.file("loader.d64")), 1);
    EXPECT_NE(said().find("exists"), std::string::npos) << said();
    EXPECT_EQ(platform::readFile(dir.file("loader.d64"), 1 << 20), before);
    std::string missing = std::string(BRIMWICK_CLI) + " kernal loader --loader " +
                          dir.file("none.prg") + " > " + dir.file("out.txt") + " 2>&1";
    EXPECT_NE(std::system(missing.c_str()), 0);
    EXPECT_NE(said().find("none.prg"), std::string::npos) << said();
}

}  // namespace
}  // namespace brimwick::c64
