// Finding the person's ROMs by name, revision and size.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "../../temp_dir.h"
#include "c64/machine/rom_set.h"

namespace brimwick::c64 {
namespace {

void writeRom(const std::string& path, std::size_t size, std::uint8_t fill) {
    std::ofstream out(path, std::ios::binary);
    out << std::string(size, static_cast<char>(fill));
}

std::string nameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

TEST(RomSet, TakesTheC64sLastKernalRevisionAndNeverAnotherMachines) {
    struct Case {
        std::vector<std::string> kernals;  // files in the directory
        const char* chosen;                // the one taken, "" for none
    };
    const Case cases[] = {
        {{"kernal-901227-01.bin", "kernal-901227-03.bin", "kernal-901227-02.bin", "kernal"}, "kernal-901227-03.bin"},
        {{"kernal", "KERNAL-901227-02.ROM"}, "KERNAL-901227-02.ROM"},
        {{"kernal.901227-01.rom", "kernal"}, "kernal.901227-01.rom"},
        {{"kernal"}, "kernal"},
        {{"kernal_generic.rom"}, "kernal_generic.rom"},
        {{"kernal-251104-04.bin", "kernal-906145-02.bin", "sxkernal", "jpkernal", "kernalx"}, ""},
    };
    for (const Case& c : cases) {
        brimwick::testing::TempDir dir;
        for (const std::string& name : c.kernals) writeRom(dir.file(name), kKernalRomBytes, 0x11);
        RomChoice found = romsInDirectory(dir.path());
        EXPECT_EQ(found.kernal.empty() ? std::string() : nameOf(found.kernal), c.chosen) << c.kernals[0];
    }
}

TEST(RomSet, FindsBasicAndCharactersByTheirNamesAndSizes) {
    brimwick::testing::TempDir dir;
    writeRom(dir.file("kernal.bin"), kKernalRomBytes, 0x11);
    writeRom(dir.file("basic-901226-01.bin"), kBasicRomBytes, 0x22);
    writeRom(dir.file("chargen"), kCharacterRomBytes * 2, 0x33);  // the wrong size
    writeRom(dir.file("characters.901225-01.bin"), kCharacterRomBytes, 0x44);
    RomSet set = loadRoms(RomChoice{dir.path(), "", "", ""});
    EXPECT_EQ(set.kernal, std::vector<std::uint8_t>(kKernalRomBytes, 0x11));
    EXPECT_EQ(set.basic, std::vector<std::uint8_t>(kBasicRomBytes, 0x22));
    EXPECT_EQ(nameOf(set.charactersPath), "characters.901225-01.bin");
    // A file named by option takes the directory's place, whatever its name.
    writeRom(dir.file("my.kernal"), kKernalRomBytes, 0x55);
    set = loadRoms(RomChoice{dir.path(), dir.file("my.kernal"), "", ""});
    EXPECT_EQ(set.kernal[0], 0x55);
}

TEST(RomSet, WhatWasAskedForAndCannotBeHadIsAnErrorNamingIt) {
    brimwick::testing::TempDir dir;
    writeRom(dir.file("kernal"), kKernalRomBytes, 0x11);
    writeRom(dir.file("short.bin"), 100, 0);
    auto message = [](const RomChoice& choice) {
        try {
            loadRoms(choice);
        } catch (const RomError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_NE(message({dir.path(), "", "", ""}).find("no BASIC ROM in " + dir.path()), std::string::npos);
    EXPECT_NE(message({dir.file("missing"), "", "", ""}).find(dir.file("missing") + ": no such directory"),
              std::string::npos);
    EXPECT_NE(message({"", dir.file("short.bin"), dir.file("kernal"), dir.file("kernal")}).find(
                  dir.file("short.bin") + ": not a KERNAL ROM"),
              std::string::npos);
    EXPECT_NE(message({"", dir.file("kernal"), dir.file("kernal"), dir.file("nothing")}).find(
                  dir.file("nothing") + ": no such file"),
              std::string::npos);
}

TEST(RomSet, TheSearchTakesTheFirstWholeSetAndOtherwiseSaysWhereItLooked) {
    brimwick::testing::TempDir a, b;
    writeRom(a.file("kernal"), kKernalRomBytes, 0x11);  // no BASIC: not a whole set
    writeRom(b.file("kernal"), kKernalRomBytes, 0x12);
    writeRom(b.file("basic"), kBasicRomBytes, 0x22);
    writeRom(b.file("chargen"), kCharacterRomBytes, 0x33);
    std::string looked;
    auto set = searchRoms({}, {a.path(), b.path()}, looked);
    ASSERT_TRUE(set);
    EXPECT_EQ(set->kernal[0], 0x12);
    EXPECT_FALSE(searchRoms({}, {a.path(), a.file("none")}, looked));
    EXPECT_NE(looked.find(a.path() + ", " + a.file("none")), std::string::npos);
    EXPECT_EQ(looked.find('\n'), std::string::npos);
    // The tests switch the search off.
    EXPECT_FALSE(romSearchEnabled());
}

}  // namespace
}  // namespace brimwick::c64
