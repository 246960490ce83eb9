// Everything the PC needs to serve a C64 over one cable: the ten drives, the
// settings record, the link, the keyboard feed, the screen mirror and the
// dispatcher, wired together. The in-process C64s (the virtual C64 and the
// emulated 6510) each put their cable behind it; tests, benchmarks and the
// virtual C64's commands build on it.
#pragma once

#include <array>
#include <string>

#include "config/settings.h"
#include "drive/drive_unit.h"
#include "link/keyboard_feed.h"
#include "link/link_port.h"
#include "link/port_io.h"
#include "link/request_dispatcher.h"
#include "link/screen_mirror.h"

namespace brimwick::link {

// The port an in-process C64's cable pretends to be (LPT2, the settings' choice 2).
inline constexpr int kInProcessPortChoice = 2;

class PcSide {
  public:
    config::Settings settings{};                               // the drive table and options
    std::array<drive::DriveUnit, config::kDriveCount> drives;  // devices 5..14
    LinkPort link;                                             // the PC end
    KeyboardFeed keyboard;                                     // typed text
    ScreenMirror mirror;                                       // the terminal's copy
    RequestDispatcher dispatcher{link, drives, settings, keyboard, mirror};  // serves it all

    PcSide();
    PcSide(const PcSide&) = delete;
    PcSide& operator=(const PcSide&) = delete;

    // The I/O base address of the port the cable must answer on.
    int portBase() const { return config::portBaseFor(settings.portChoice); }
    // Puts `cable` behind the link and asks for the presence line; the next
    // poll raises it.
    void attach(PortIo& cable);

    // Serves device `device` with an image file or, for a path ending in the
    // separator, a PC directory (an image that does not exist yet is made);
    // returns the drive. Throws std::runtime_error when the image cannot be
    // read or the drive's old image not be saved.
    drive::DriveUnit& serve(int device, const std::string& path);
};

}  // namespace brimwick::link
