// Everything the PC side needs to serve a C64, wired to the virtual C64
// through the virtual cable: the ten drives, the settings record, the link,
// the keyboard feed, the screen mirror and the dispatcher. Tests, the
// benchmarks and `brimwick-cli vc64` all build on it.
#pragma once

#include <array>
#include <functional>

#include "config/settings.h"
#include "drive/drive_unit.h"
#include "link/keyboard_feed.h"
#include "link/link_port.h"
#include "link/request_dispatcher.h"
#include "link/screen_mirror.h"
#include "link/vc64/virtual_c64.h"
#include "link/vc64/virtual_kernal.h"

namespace brimwick::link::vc64 {

class VirtualSetup {
  public:
    config::Settings settings{};                               // the drive table and options
    std::array<drive::DriveUnit, config::kDriveCount> drives;  // devices 5..14
    VirtualC64 c64;                                            // the far end
    VirtualKernal kernal{c64};                                 // its file routines
    LinkPort link;                                             // the PC end
    KeyboardFeed keyboard;                                     // typed text
    ScreenMirror mirror;                                       // the terminal's copy
    RequestDispatcher dispatcher{link, drives, settings, keyboard, mirror};  // serves it all

    VirtualSetup();

    // Runs one operation of the virtual kernal to its end, the PC polling.
    template <typename T>
    T run(Task<T> operation) {
        T value{};
        auto wrapper = [](Task<T> op, T& out) -> Task<int> {
            out = co_await op;
            co_return 0;
        };
        c64.run(wrapper(std::move(operation), value), [this] { dispatcher.poll(); });
        return value;
    }

    // Serves device `device` with an image file or, for a path ending in the
    // separator, a PC directory; returns the drive. Throws std::runtime_error
    // when the image cannot be read or the drive's old image not be saved.
    drive::DriveUnit& serve(int device, const std::string& path);
};

}  // namespace brimwick::link::vc64
