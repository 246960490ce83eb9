// The Open ROMs (free C64-compatible KERNAL, BASIC and character set) for
// the tests of the whole emulated C64: from $BRIMWICK_OPEN_ROMS, or the
// shared test data beside the source tree. Tests skip when they are absent.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "c64/machine/emulated_c64.h"
#include "c64_rig.h"

namespace brimwick::c64::testing {

struct OpenRoms {
    std::vector<std::uint8_t> kernal;      // $E000-$FFFF
    std::vector<std::uint8_t> basic;       // $A000-$BFFF
    std::vector<std::uint8_t> characters;  // 4 KB
};

inline std::string openRomsDirectory() {
    if (const char* path = std::getenv("BRIMWICK_OPEN_ROMS"); path != nullptr && *path != '\0')
        return path;
    const char* source = std::getenv("BRIMWICK_SOURCE_DIR");
    return std::string(source != nullptr ? source : ".") + "/../shared/test-data/open-roms";
}

inline std::optional<OpenRoms> openRoms() {
    const std::string dir = openRomsDirectory();
    if (!std::filesystem::exists(dir + "/kernal_generic.rom")) return std::nullopt;
    return OpenRoms{readBytes(dir + "/kernal_generic.rom"), readBytes(dir + "/basic_generic.rom"),
                    readBytes(dir + "/chargen_openroms.rom")};
}

#define BRIMWICK_NEED_OPEN_ROMS(roms)                                                       \
    auto roms = ::brimwick::c64::testing::openRoms();                                      \
    if (!roms)                                                                              \
        GTEST_SKIP() << "the Open ROMs are not at " << ::brimwick::c64::testing::openRomsDirectory() \
                     << " (set BRIMWICK_OPEN_ROMS to their directory)"

// The text screen's row `row` as characters.
inline std::string screenRow(EmulatedC64& c64, int row) {
    std::vector<std::uint8_t> codes = c64.screenCodes();
    std::string text;
    for (int i = 0; i < 40; ++i) {
        int c = codes[static_cast<std::size_t>(row * 40 + i)] & 0x7F;
        if (c < 0x20) c += 0x40;
        text.push_back(static_cast<char>(c));
    }
    return text;
}

inline bool screenShows(EmulatedC64& c64, const std::string& text) {
    for (int row = 0; row < 25; ++row)
        if (screenRow(c64, row).find(text) != std::string::npos) return true;
    return false;
}

}  // namespace brimwick::c64::testing
