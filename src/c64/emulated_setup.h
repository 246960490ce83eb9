// The whole PC side of Brimwick wired to the emulated C64 through the
// user-port cable: the ten drives, the settings record, the link, the
// keyboard feed, the screen mirror and the dispatcher. The C64 runs real
// code (a patched kernal and programs); the PC side polls as its serve loop
// does. Tests and the benchmark build on it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "c64/emulated_c64.h"
#include "c64/user_port_cable.h"
#include "config/settings.h"
#include "drive/drive_unit.h"
#include "link/keyboard_feed.h"
#include "link/link_port.h"
#include "link/request_dispatcher.h"
#include "link/screen_mirror.h"

namespace brimwick::c64 {

class EmulatedSetup {
  public:
    config::Settings settings{};                               // the drive table and options
    std::array<drive::DriveUnit, config::kDriveCount> drives;  // devices 5..14
    EmulatedC64 c64;                                           // the far end
    UserPortCable cable{c64};                                  // between the two
    link::LinkPort link;                                       // the PC end
    link::KeyboardFeed keyboard;                               // typed text
    link::ScreenMirror mirror;                                 // the terminal's copy
    link::RequestDispatcher dispatcher{link, drives, settings, keyboard, mirror};  // serves it all

    EmulatedSetup();

    // Powers the C64 on with `kernal` (8 KB) and lets the PC raise its
    // presence line.
    void powerOn(const std::vector<std::uint8_t>& kernal);
    // Lets the PC poll until `done` holds or `maxCycles` C64 cycles have
    // passed; returns whether `done` held.
    bool runUntil(const std::function<bool()>& done, std::uint64_t maxCycles);
};

}  // namespace brimwick::c64
