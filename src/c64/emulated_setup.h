// The whole PC side of Brimwick wired to the emulated C64 through the
// user-port cable: the ten drives, the settings record, the link, the
// keyboard feed, the screen mirror and the dispatcher. The C64 runs real
// code (the person's ROMs with the link kernal patched in, or the tests'
// stand-in kernal and programs); the PC side polls as its serve loop does,
// and the C64 runs inside those polls. Tests, the benchmark, `brimwick-cli
// vc64 --roms`, `serve --virtual-c64 --roms` and the window build on it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "c64/machine/emulated_c64.h"
#include "c64/machine/keyboard_matrix.h"
#include "c64/machine/rom_set.h"
#include "c64/machine/user_port_cable.h"
#include "link/pc_side.h"

namespace brimwick::c64 {

// The kernal the emulated C64 runs from the person's `kernal`: patched in
// memory with `linkProgram` (the assembled link kernal) when it is a stock
// one, as it is when it already holds the link kernal or `asIs` is set.
// `how` says which, for the one line the commands print. Throws RomError
// naming `kernalPath` when it cannot be patched.
std::vector<std::uint8_t> kernalToRun(const std::vector<std::uint8_t>& kernal,
                                      const std::string& kernalPath,
                                      const std::vector<std::uint8_t>& linkProgram, bool asIs,
                                      std::string& how);

// What the person is told of a kernal the patcher refuses.
std::string unpatchableMessage(const std::string& kernalPath, const std::string& reason);

class EmulatedSetup : public link::PcSide {
  public:
    EmulatedC64 c64;           // the far end
    UserPortCable cable{c64};  // between the two

    EmulatedSetup();

    // Powers the C64 on with `kernal` (8 KB) and optionally a BASIC ROM,
    // and lets the PC raise its presence line.
    void powerOn(const std::vector<std::uint8_t>& kernal,
                 const std::vector<std::uint8_t>& basic = {});
    // The same with a whole ROM set, `kernal` being the one to run (see
    // kernalToRun).
    void powerOn(const RomSet& roms, const std::vector<std::uint8_t>& kernal);
    // Lets the PC poll until `done` holds or `maxCycles` C64 cycles have
    // passed; returns whether `done` held.
    bool runUntil(const std::function<bool()>& done, std::uint64_t maxCycles);
    // C64 time passes, the PC polling.
    void runFor(std::uint64_t cycles) {
        runUntil([] { return false; }, cycles);
    }
    // Presses each stroke on the C64's keyboard long enough for the
    // kernal's scan to see it, and lets go of it again.
    void press(const std::vector<KeyStroke>& strokes);
};

}  // namespace brimwick::c64
