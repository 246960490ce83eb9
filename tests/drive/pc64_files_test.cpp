// PC64 files (.p00, .s00, ...) in a PC directory: found, listed, loaded,
// scratched, renamed and copied by the C64 name in their header; with the
// drive's PC64 option the files it writes are PC64 files, so names a PC
// file name would change come back exactly.
#include <gtest/gtest.h>

#include <filesystem>

#include "drive/pc64_file.h"
#include "drive_fixture.h"

namespace brimwick::drive::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using brimwick::testing::TempDir;

// A PC64 file's bytes: the header with `name` padded with `fill`, then data.
Bytes pc64(const std::string& name, const Bytes& data, std::uint8_t fill = 0) {
    Bytes bytes = {'C', '6', '4', 'F', 'i', 'l', 'e', 0};
    for (std::size_t i = 0; i < 16; ++i)
        bytes.push_back(i < name.size() ? static_cast<std::uint8_t>(name[i]) : fill);
    bytes.push_back(0);
    bytes.push_back(0);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

struct Pc64Test : DriveFixture {
    Pc64Test() { serveDirectory(); }
    std::string listing() {
        Bytes bytes = bus.load("$");
        return std::string(bytes.begin(), bytes.end());
    }
};

TEST_F(Pc64Test, FilesAreFoundByTheirC64NameAndType) {
    dir.write("spyvsspy.p00", pc64("SPY/VS SPY:2", pattern(600)));
    dir.write("notes.s00", pc64("MY NOTES?", pattern(40, 2), 0xA0));
    dir.write("broken.p00", Bytes{'n', 'o', 't', ' ', 'p', 'c', '6', '4'});
    EXPECT_EQ(bus.load("0:SPY/VS SPY:2"), pattern(600));
    EXPECT_EQ(bus.load("SPY/*"), pattern(600));
    bus.open(2, "MY NOTES?,S");
    EXPECT_EQ(bus.read(2), pattern(40, 2));
    bus.close(2);
    bus.lastError.clear();
    bus.load("MY NOTES?");  // a PRG of that name there is not
    EXPECT_EQ(bus.lastError, "62,FILE NOT FOUND");
    std::string text = listing();
    EXPECT_NE(text.find("SPY/VS SPY:2.PRG"), std::string::npos) << text;
    EXPECT_NE(text.find("MY NOTES?.SEQ"), std::string::npos) << text;
    EXPECT_NE(text.find("BROKEN.P00"), std::string::npos) << text;  // a PC file as any other
    // Blocks of the data, not of the header: 600 bytes are 3 blocks.
    std::size_t at = text.find("SPY/VS");
    EXPECT_EQ(text[at - 5], 3);
}

TEST_F(Pc64Test, ScratchRenameAndCopyWorkOnTheC64Names) {
    dir.write("game.p00", pc64("GAME/1", pattern(300)));
    bus.command("C:COPY=GAME/1");
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
    EXPECT_EQ(TempDir::read(dir.file("copy.prg")), pattern(300));
    bus.command("R:GAME/2=GAME/1");
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
    EXPECT_EQ(TempDir::read(dir.file("game.p00")), pc64("GAME/2", pattern(300)));
    bus.command("R:COPY=GAME/2");
    EXPECT_EQ(bus.status(), statusLine("63,FILE EXISTS"));
    bus.command("S:GAME/*");
    EXPECT_EQ(bus.status(), "01, FILES SCRATCHED,01,00\r");
    EXPECT_FALSE(std::filesystem::exists(dir.file("game.p00")));
}

TEST_F(Pc64Test, WithTheOptionSavedNamesComeBackExactly) {
    unit.setPc64Files(true);
    const std::string names[] = {"A/B", "A|B", "\xC1" "BC", "ABC"};
    for (std::size_t i = 0; i < std::size(names); ++i) bus.save(names[i], pattern(100 + i, int(i)));
    EXPECT_EQ(bus.errorCount, 0) << bus.lastError;
    for (std::size_t i = 0; i < std::size(names); ++i)
        EXPECT_EQ(bus.load(names[i]), pattern(100 + i, int(i))) << i;
    EXPECT_EQ(TempDir::read(dir.file("a_b.p00")), pc64("A/B", pattern(100, 0)));
    EXPECT_EQ(TempDir::read(dir.file("a_b.p01")), pc64("A|B", pattern(101, 1)));
    std::string text = listing();
    for (const std::string& name : names) EXPECT_NE(text.find(name + ".PRG"), std::string::npos) << name;
    // A replace writes over the file that holds the name; an append goes
    // after its data.
    bus.save("@0:A|B", pattern(7, 9));
    EXPECT_EQ(TempDir::read(dir.file("a_b.p01")), pc64("A|B", pattern(7, 9)));
    bus.open(2, "LOG/1,S,W");
    bus.send(2, "ONE");
    bus.close(2);
    bus.open(2, "LOG/1,S,A");
    bus.send(2, "TWO");
    bus.close(2);
    EXPECT_EQ(TempDir::read(dir.file("log_1.s00")), pc64("LOG/1", bytesOf("ONETWO")));
    // Wildcards are refused for writing, as for any file.
    bus.save("A*", pattern(3));
    EXPECT_EQ(bus.lastError, "33,SYNTAX ERROR");
}

TEST(Pc64File, NamesAndHeaders) {
    EXPECT_EQ(pc64TypeOfName("game.p00"), 2);
    EXPECT_EQ(pc64TypeOfName("GAME.S17"), 1);
    EXPECT_EQ(pc64TypeOfName("x.u99"), 3);
    EXPECT_EQ(pc64TypeOfName("x.r00"), 4);
    EXPECT_EQ(pc64TypeOfName("x.prg"), -1);
    EXPECT_EQ(pc64TypeOfName("x.p0"), -1);
    EXPECT_EQ(pc64FileName("SPY/VS SPY", 2, 0), "spy_vs spy.p00");
    EXPECT_EQ(pc64FileName("", 1, 12), "_.s12");
    Bytes header = pc64Header("NAME");
    EXPECT_EQ(header, pc64("NAME", {}));
    EXPECT_EQ(pc64NameOf(header), "NAME");
    EXPECT_EQ(pc64NameOf(pc64("PADDED", {}, 0xA0)), "PADDED");
    header[7] = 'x';
    EXPECT_FALSE(pc64NameOf(header).has_value());
    EXPECT_FALSE(pc64NameOf(Bytes(10, 0)).has_value());
}

}  // namespace
}  // namespace brimwick::drive::testing
