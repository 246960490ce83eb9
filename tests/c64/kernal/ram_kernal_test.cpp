// The RAM copy of a patched kernal: which bytes differ from the ROM image,
// and what the search for them refuses. (What the copy then does on the
// emulated C64 is in ram_loader_test.cpp.)
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "../c64_rig.h"
#include "c64/kernal/ram_kernal.h"

namespace brimwick::c64 {
namespace {

std::uint8_t at(const std::vector<std::uint8_t>& image, int address) {
    return image[static_cast<std::size_t>(address - kKernalStart)];
}
void put(std::vector<std::uint8_t>& image, int address, std::uint8_t value) {
    image[static_cast<std::size_t>(address - kKernalStart)] = value;
}

TEST(RamKernal, ChangesIoinitTheCartridgeChecksAndTheTopOfMemory) {
    std::vector<std::uint8_t> patched = testing::patchedKernal();
    std::vector<std::uint8_t> ram = ramKernal(patched);
    EXPECT_EQ(at(patched, 0xFDD3), 0xE7);  // IOINIT's LDA #$E7 : STA $01
    EXPECT_EQ(at(ram, 0xFDD3), 0xE5);
    for (int a : {0xFCEC, 0xFCED, 0xFCEE, 0xFE5B, 0xFE5C, 0xFE5D})  // JMP ($8000), JMP ($8002)
        EXPECT_EQ(at(ram, a), 0xEA) << std::hex << a;
    // RAMTAS's JSR to MEMTOP's setting part now goes to LDX #$00, LDY #$80,
    // JMP there, at the end of the link area.
    int call = 0;
    for (int a = 0xFD50; a < 0xFD9B && call == 0; ++a)
        if (at(patched, a) == 0x20 && at(patched, a + 1) == 0x2D && at(patched, a + 2) == 0xFE)
            call = a;
    ASSERT_NE(call, 0);
    int routine = at(ram, call + 1) | (at(ram, call + 2) << 8);
    EXPECT_EQ(routine, kLinkAreaEnd - 7);
    EXPECT_EQ(std::vector<std::uint8_t>(ram.begin() + (routine - kKernalStart),
                                        ram.begin() + (routine - kKernalStart) + 7),
              (std::vector<std::uint8_t>{0xA2, 0x00, 0xA0, 0x80, 0x4C, 0x2D, 0xFE}));
    int changed = 0;
    for (std::size_t i = 0; i < ram.size(); ++i) changed += ram[i] != patched[i];
    EXPECT_EQ(changed, 1 + 3 + 3 + 2 + 7);
    EXPECT_EQ(ramKernalFixes(patched).size(), 16u);
}

TEST(RamKernal, RefusesWhatItCannotFind) {
    struct Case {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        const char* reason;
    };
    const Case cases[] = {
        {"ioinit", [](auto& i) { put(i, 0xFDD3, 0xE6); }, "IOINIT at $FDA3 does not write $E7 to $01"},
        {"reset", [](auto& i) { put(i, 0xFCEA, 0x04); }, "the reset at $FCE2 has no check for a cartridge"},
        {"nmi", [](auto& i) { put(i, 0xFE5C, 0x04); }, "the NMI at $FE43 has no check for a cartridge"},
        {"memtop", [](auto& i) { put(i, 0xFE25, 0xB0); }, "MEMTOP at $FE25 does not start with BCC"},
        {"ramtas", [](auto& i) { put(i, 0xFD50, 0x60); put(i, 0xFD50 + 0x3E, 0x00); },
         "RAMTAS at $FD50 does not set the top of memory through $FE2D"},
        {"no room", [](auto& i) { put(i, kLinkAreaEnd - 1, 0x00); }, "no room left at the end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> image = testing::patchedKernal();
        c.damage(image);
        try {
            ramKernalFixes(image);
            ADD_FAILURE() << "fixed";
        } catch (const PatchError& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(ramKernalFixes(testing::stockKernal()), PatchError);
}

}  // namespace
}  // namespace brimwick::c64
