// The link kernal's speed on the emulated C64: C64 clock cycles per byte of
// a fast load (one block transfer) and of a byte-by-byte load (the stock
// LOAD over the diverted ACPTR, one request per byte), with a PC that
// answers every handshake step at once, and what that means on a PAL C64
// (985,248 cycles per second). The per-byte figures are the difference
// between a long and a short file, so opening and closing the file drop
// out. Goal: under 100 cycles per byte for the fast load.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../tests/temp_dir.h"
#include "c64_rig.h"
#include "platform/trace_log.h"

using namespace brimwick;
using namespace brimwick::c64;

namespace {

constexpr int kShortFile = 2'000;
constexpr int kLongFile = 28'000;  // up to $7D60, below the test program's mailbox at $C000
constexpr int kDevice = 9;
constexpr double kFastGoal = 100.0;

struct Run {
    std::uint64_t cycles = 0;  // C64 cycles of the whole LOAD
    double seconds = 0;        // wall time of the PC and the emulation together
};

Run load(c64::testing::C64Rig& rig, const std::string& name, bool fast) {
    std::uint64_t before = rig.setup.c64.cycles();
    auto start = std::chrono::steady_clock::now();
    if (!rig.load(kDevice, name, 1, fast) || (rig.st() & ~0x40) != 0) {  // EOF is fine
        std::fprintf(stderr, "load of %s failed (st $%02X)\n", name.c_str(), rig.st());
        std::exit(1);
    }
    Run run;
    run.cycles = rig.setup.c64.cycles() - before;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

void writeProgram(const std::string& path, int length) {
    std::ofstream out(path, std::ios::binary);
    out.put(0x00);
    out.put(0x10);  // loads at $1000
    for (int i = 0; i < length; ++i) out.put(static_cast<char>(i * 13));
}

}  // namespace

int main() {
    platform::traceLog().captureInMemory();
    brimwick::testing::TempDir dir;
    std::filesystem::create_directory(dir.file("pc"));
    writeProgram(dir.file("pc/SHORT.prg"), kShortFile);
    writeProgram(dir.file("pc/LONG.prg"), kLongFile);

    c64::testing::C64Rig rig(c64::testing::patchedKernal());
    rig.setup.drives[kDevice - 5].mount(dir.file("pc") + "/", true);
    rig.setup.settings.realDevice[kDevice - 5] = 0;
    rig.setup.settings.hostMode[kDevice - 5] = 1;

    bool ok = true;
    for (bool fast : {true, false}) {
        Run shortRun = load(rig, "SHORT", fast);
        Run longRun = load(rig, "LONG", fast);
        double perByte = static_cast<double>(longRun.cycles - shortRun.cycles) /
                         static_cast<double>(kLongFile - kShortFile);
        double bytesPerSecond = kPalClockHz / perByte;
        double pcMicros = (longRun.seconds - shortRun.seconds) * 1e6 / (kLongFile - kShortFile);
        std::printf("%-12s %7.1f C64 cycles/byte  %8.0f bytes/s on a PAL C64  (%.2f us/byte here)\n",
                    fast ? "fast load" : "byte by byte", perByte, bytesPerSecond, pcMicros);
        if (fast && perByte >= kFastGoal) {
            std::printf("fast load misses the goal of %.0f cycles/byte\n", kFastGoal);
            ok = false;
        }
    }
    platform::traceLog().close();
    return ok ? 0 : 1;
}
