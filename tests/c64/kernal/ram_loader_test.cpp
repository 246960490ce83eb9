// The RAM kernal loader on the emulated C64 with the stand-in stock kernal,
// unpatched, as a C64 without an EPROM has it: the loader sends the kernal
// ROM to the real PC side, which patches it and sends it back, and the C64
// then runs the link kernal from RAM. Afterwards the served drives answer
// LOAD and SAVE; the PC's reset, RUN/STOP+RESTORE and a call of IOINIT keep
// the RAM kernal; a power cycle ends it. The test program stands in for
// BASIC (its cold and warm start at $A000/$A002), so it is copied to RAM too.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../../temp_dir.h"
#include "../c64_rig.h"
#include "../open_roms.h"
#include "c64/kernal/ram_kernal.h"
#include "platform/file.h"
#include "platform/trace_log.h"

namespace brimwick::c64 {
namespace {

using brimwick::testing::TempDir;
using testing::C64Rig;
namespace mb = testing::mailbox;

constexpr int kImageDevice = 8;
constexpr std::uint16_t kLoaderStart = 0x8009;  // SYS 32777
constexpr std::uint16_t kMemtop = 0x0283;
constexpr std::uint8_t kRomBanking = 0x37;
const std::vector<std::uint8_t> kSignature = {0xC3, 0xC2, 0xCD, 0x38, 0x30};

std::vector<std::uint8_t> loaderProgram() {
    return testing::readBytes(BRIMWICK_RAM_LOADER);
}

class RamLoader : public ::testing::Test {
  protected:
    TempDir dir;
    std::vector<std::uint8_t> stock = testing::stockKernal();
    std::unique_ptr<C64Rig> rig;

    RamLoader() {
        platform::traceLog().captureInMemory();
        std::filesystem::create_directory(dir.file("kernels"));
        std::vector<std::uint8_t> link = testing::linkProgram();
        platform::writeFile(dir.file("kernels/link.prg"), link.data(), link.size());
    }
    ~RamLoader() override { platform::traceLog().close(); }

    void boot(const std::vector<std::uint8_t>& kernal) {
        rig = std::make_unique<C64Rig>(kernal);
        rig->setup.dispatcher.programDirectory = dir.path();
        for (auto& unit : rig->setup.drives) unit.ramFilePath = dir.file("RAM_C1541.prg");
        rig->setup.drives[kImageDevice - 5].newImage(TextSlice(dir.file("disk.d64").c_str()));
        rig->setup.settings.realDevice[kImageDevice - 5] = 0;
    }
    // The loader's bytes in memory, as the listing's DATA lines put them, and SYS 32777.
    bool runLoader() {
        std::vector<std::uint8_t> prg = loaderProgram();
        rig->memory.load(kRamLoaderStart, {prg.begin() + 2, prg.end()});
        return rig->call(kLoaderStart);
    }
    std::uint8_t banking() const { return rig->memory.portValue(); }
    // A fast SAVE and LOAD through the PC, back to where they came from.
    void expectServed(const std::string& name, int start, int length) {
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> bytes;
        for (int i = 0; i < length; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 11 + 5));
        for (int i = 0; i < length; ++i) rig->poke(static_cast<std::uint16_t>(start + i), bytes[i]);
        ASSERT_TRUE(rig->save(kImageDevice, name, start, start + length, true));
        EXPECT_EQ(rig->st(), 0);
        for (int i = 0; i < length; ++i) rig->poke(static_cast<std::uint16_t>(start + i), 0);
        ASSERT_TRUE(rig->load(kImageDevice, name, 1, true));
        EXPECT_EQ(rig->st() & ~0x40, 0);
        EXPECT_EQ(rig->ram(start, length), bytes);
    }
    // RESTORE (with RUN/STOP held): true once BASIC's warm start is back.
    bool restore() {
        EmulatedC64& c64 = rig->setup.c64;
        const KeyStroke runStop{{kKeyRunStop}, false};
        const KeyStroke restoreKey{{}, true};
        c64.holdKeys(runStop, true);
        rig->expectStart();
        c64.holdKeys(restoreKey, true);
        bool started = rig->waitForStart();
        c64.holdKeys(restoreKey, false);
        c64.holdKeys(runStop, false);
        return started;
    }
    std::string screen(int length) const {
        std::vector<std::uint8_t> row = rig->ram(0x0400, length);
        return {row.begin(), row.end()};
    }
};

TEST_F(RamLoader, StartsTheLinkKernalFromRam) {
    boot(stock);
    ASSERT_TRUE(runLoader());
    std::vector<std::uint8_t> patched = patchKernal(stock, testing::linkProgram());
    EXPECT_EQ(platform::readFile(dir.file("kernels/ks.rom"), 1 << 16), patched);
    EXPECT_EQ(rig->ram(kKernalStart, kKernalImageSize), ramKernal(patched));
    std::vector<std::uint8_t> basic = testing::testBasic();
    EXPECT_EQ(rig->ram(0xA000, static_cast<int>(basic.size())), basic);
    EXPECT_EQ(banking(), kRamBanking);
    EXPECT_EQ(rig->ram(kRamLoaderStart + 4, 5), kSignature);
    // RAMTAS found RAM up to $D000; BASIC's memory ends below the loader.
    EXPECT_EQ(rig->peekWord(kMemtop), kRamLoaderStart);

    // LOAD"$",8, a fast LOAD and a SAVE, and the same byte by byte.
    expectServed("PROGRAM", 0x1000, 0x0300);
    ASSERT_TRUE(rig->load(kImageDevice, "$", 0, true));
    EXPECT_EQ(rig->st() & ~0x40, 0);
    std::string listing(reinterpret_cast<const char*>(&rig->memory.ram[0x0801]), 0x100);
    EXPECT_NE(listing.find("\"PROGRAM\""), std::string::npos);
    ASSERT_TRUE(rig->load(kImageDevice, "PROGRAM", 1, false));
    EXPECT_EQ(rig->st() & ~0x40, 0);
    // A SAVE reaching into $A000-$BFFF reads the RAM there; the PC does not
    // bank a ROM in under the running kernal.
    expectServed("HIGH", 0xBF00, 0x0100);
    EXPECT_EQ(banking(), kRamBanking);
}

TEST_F(RamLoader, ComesBackAfterTheResetsButNotAfterAPowerCycle) {
    boot(stock);
    ASSERT_TRUE(runLoader());
    ASSERT_EQ(banking(), kRamBanking);

    // IOINIT called by a program ($FF84) keeps the RAM kernal.
    ASSERT_TRUE(rig->call(0xFF84));
    EXPECT_EQ(banking(), kRamBanking);

    // The PC resets the C64 (the ROMs come back) and types into it: the
    // stock reset finds the loader's signature and starts the RAM kernal.
    rig->expectStart();
    ASSERT_TRUE(rig->setup.keyboard.typeText(rig->setup.link, rig->setup.settings,
                                             TextSlice("run\r")));
    ASSERT_TRUE(rig->waitForStart());
    EXPECT_EQ(banking(), kRamBanking);
    EXPECT_EQ(rig->peekWord(kMemtop), kRamLoaderStart);
    ASSERT_TRUE(rig->channel(testing::Op::Keys, 0, 0, "", 40));
    std::vector<std::uint8_t> keys = rig->received();
    ASSERT_GE(keys.size(), 4u);
    EXPECT_EQ(std::string(keys.end() - 4, keys.end()), "RUN\r");
    expectServed("AFTER RESET", 0x1000, 0x0100);

    // RUN/STOP+RESTORE: the RAM kernal's NMI, then BASIC's warm start.
    ASSERT_TRUE(restore());
    EXPECT_EQ(banking(), kRamBanking);
    expectServed("AFTER RESTORE", 0x1000, 0x0100);

    // A program that banks the ROMs in ends the link; RESTORE then comes
    // back through the loader's warm entry.
    rig->poke(0x0001, kRomBanking);
    rig->memory.portData = kRomBanking;
    ASSERT_TRUE(restore());
    EXPECT_EQ(banking(), kRamBanking);
    expectServed("AFTER ROM RESTORE", 0x1000, 0x0100);

    // Switched off and on: the RAM forgets the loader, the stock kernal
    // starts, and the PC is no longer asked.
    rig->memory.ram.fill(0);
    rig->expectStart();
    rig->setup.powerOn(stock, testing::testBasic());
    ASSERT_TRUE(rig->waitForStart());
    EXPECT_EQ(banking(), kRomBanking);
    ASSERT_TRUE(rig->load(kImageDevice, "AFTER RESET", 1, true));
    EXPECT_EQ(rig->st(), 0x80);  // the empty serial bus of the stand-in
}

TEST_F(RamLoader, RefusesWhatItCannotPatchAndLeavesTheC64AsItWas) {
    std::vector<std::uint8_t> damaged = stock;
    damaged[0xFE1E - kKernalStart] = 0x8D;
    struct Case {
        const char* name;
        std::vector<std::uint8_t> kernal;
        bool online;
        const char* said;  // on the C64's screen
    };
    const Case cases[] = {
        {"not recognised", damaged, true,
         "BRIMWICK CANNOT USE THIS KERNAL: $FE1C DOES NOT OR THE ACCUMULATOR INTO ST"},
        {"already patched", patchKernal(stock, testing::linkProgram()), true,
         "BRIMWICK CANNOT USE THIS KERNAL: IT ALREADY HOLDS THE BRIMWICK LINK KERNAL"},
        {"no PC", stock, false, "\rNO PC ON THE CABLE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boot(c.kernal);
        if (!c.online) {
            rig->setup.link.requestOnline(false);
            rig->setup.dispatcher.poll();
        }
        std::vector<std::uint8_t> underRom = rig->ram(kKernalStart, kKernalImageSize);
        ASSERT_TRUE(runLoader());
        EXPECT_EQ(screen(static_cast<int>(std::string(c.said).size())), c.said);
        EXPECT_EQ(banking(), kRomBanking);
        EXPECT_NE(rig->ram(kRamLoaderStart + 4, 5), kSignature);
        EXPECT_EQ(rig->ram(kKernalStart, kKernalImageSize), underRom);
        EXPECT_FALSE(platform::exists(dir.file("kernels/ks.rom")));
    }
}

// On a whole C64 with the Open ROMs (a kernal of another layout, which the
// patcher does not take): SYS 32777 typed at READY, the kernal goes to the
// PC and the refusal comes back onto the screen through the kernal's CHROUT.
TEST_F(RamLoader, ARefusalIsPrintedByTheC64sOwnKernal) {
    BRIMWICK_NEED_OPEN_ROMS(roms);
    EmulatedSetup setup;
    setup.dispatcher.programDirectory = dir.path();
    RomSet set;
    set.kernal = roms->kernal;
    set.basic = roms->basic;
    set.characters = roms->characters;
    setup.powerOn(set, roms->kernal);
    setup.runFor(3 * static_cast<std::uint64_t>(setup.c64.clockHz()));
    ASSERT_TRUE(testing::screenShows(setup.c64, "READY."));
    std::vector<std::uint8_t> prg = loaderProgram();
    setup.c64.memory.load(kRamLoaderStart, {prg.begin() + 2, prg.end()});
    setup.press(keyStrokesFor("sys 32777\r"));
    setup.runFor(static_cast<std::uint64_t>(setup.c64.clockHz()));
    EXPECT_TRUE(testing::screenShows(setup.c64, "BRIMWICK CANNOT USE THIS KERNAL:"));
    EXPECT_EQ(setup.c64.memory.portValue() & 0x07, 0x07);
    EXPECT_FALSE(platform::exists(dir.file("kernels/ks.rom")));
}

}  // namespace
}  // namespace brimwick::c64
