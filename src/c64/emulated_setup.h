// The whole PC side of Brimwick wired to the emulated C64 through the
// user-port cable: the ten drives, the settings record, the link, the
// keyboard feed, the screen mirror and the dispatcher. The C64 runs real
// code (a patched kernal and programs); the PC side polls as its serve loop
// does. Tests and the benchmark build on it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "c64/machine/emulated_c64.h"
#include "c64/machine/user_port_cable.h"
#include "link/pc_side.h"

namespace brimwick::c64 {

class EmulatedSetup : public link::PcSide {
  public:
    EmulatedC64 c64;           // the far end
    UserPortCable cable{c64};  // between the two

    EmulatedSetup();

    // Powers the C64 on with `kernal` (8 KB) and lets the PC raise its
    // presence line.
    void powerOn(const std::vector<std::uint8_t>& kernal);
    // Lets the PC poll until `done` holds or `maxCycles` C64 cycles have
    // passed; returns whether `done` held.
    bool runUntil(const std::function<bool()>& done, std::uint64_t maxCycles);
};

}  // namespace brimwick::c64
