// The whole emulated C64's speed in warp (as fast as the PC can), VIC-II
// frames included: C64 cycles a second and the multiple of a PAL C64's real
// time (985,248 cycles a second), on one core. Goal: at least 20 times real
// time, so that running in real time costs at most 5 % of a core.
//
// Two loads: the Open ROMs (from $BRIMWICK_OPEN_ROMS or the shared test data
// beside the source tree, when there) running a BASIC loop that prints and
// scrolls; and, always, a worst case for the picture: a machine-code loop
// with the multicolour bitmap mode and all eight sprites, expanded, on.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "c64/machine/emulated_c64.h"

using namespace brimwick::c64;

namespace {

constexpr double kSeconds = 20;  // C64 time each load runs
constexpr double kGoal = 20;     // times real time

std::vector<std::uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool measure(const char* name, EmulatedC64& c64) {
    const auto cycles = static_cast<std::uint64_t>(kSeconds * kPalClockHz);
    const std::uint64_t frames = c64.frames();
    const auto start = std::chrono::steady_clock::now();
    c64.run(cycles);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double perSecond = static_cast<double>(cycles) / wall;
    const double times = perSecond / kPalClockHz;
    std::printf("%-34s %6.1f M cycles/s  %5.1f x real time  %4.2f %% of a core in real time  "
                "(%llu frames) %s\n",
                name, perSecond / 1e6, times, 100.0 / times,
                static_cast<unsigned long long>(c64.frames() - frames), times >= kGoal ? "ok" : "BELOW GOAL");
    return times >= kGoal;
}

}  // namespace

int main() {
    bool ok = true;
    std::string dir;
    if (const char* env = std::getenv("BRIMWICK_OPEN_ROMS"); env != nullptr && *env != '\0')
        dir = env;
    else
        dir = std::string(BRIMWICK_SOURCE_DIR) + "/../shared/test-data/open-roms";
    if (std::filesystem::exists(dir + "/kernal_generic.rom")) {
        EmulatedC64 c64;
        c64.powerOn(readAll(dir + "/kernal_generic.rom"), readAll(dir + "/basic_generic.rom"),
                    readAll(dir + "/chargen_openroms.rom"));
        c64.run(3 * kPalClockHz);  // to READY.
        c64.press(keyStrokesFor("10 print \"hello, world\"\r20 goto 10\rrun\r"));
        ok = measure("Open ROMs, BASIC printing", c64) && ok;
    } else {
        std::printf("Open ROMs not at %s: their load is skipped\n", dir.c_str());
    }

    // $E000: INC $D020, JMP $E000.
    std::vector<std::uint8_t> kernal(kRomSize, 0);
    const std::uint8_t loop[] = {0xEE, 0x20, 0xD0, 0x4C, 0x00, 0xE0};
    std::copy(std::begin(loop), std::end(loop), kernal.begin());
    kernal[0x1FFC] = 0x00;
    kernal[0x1FFD] = 0xE0;
    EmulatedC64 c64;
    c64.powerOn(kernal);
    MemoryMap& m = c64.memory;
    m.write(0xD011, 0x3B);
    m.write(0xD016, 0x18);
    m.write(0xD018, 0x18);
    m.write(0xD015, 0xFF);
    m.write(0xD01D, 0xFF);
    m.write(0xD017, 0xFF);
    m.write(0xD01C, 0x0F);
    for (int s = 0; s < 8; ++s) {
        m.write(static_cast<std::uint16_t>(0xD000 + 2 * s), static_cast<std::uint8_t>(30 + 30 * s));
        m.write(static_cast<std::uint16_t>(0xD001 + 2 * s), static_cast<std::uint8_t>(60 + 10 * s));
        m.ram[static_cast<std::size_t>(0x07F8 + s)] = 0x80;  // data at $2000
    }
    ok = measure("bitmap, 8 expanded sprites", c64) && ok;
    return ok ? 0 : 1;
}
