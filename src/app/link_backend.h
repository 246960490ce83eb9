// What the window serves: a C64 on the parallel port, the virtual C64, or
// the emulated C64 with the person's ROMs.
// Either way there are ten drives, a settings record and a dispatcher; the
// backend also knows how to take one look at its link (the serve step of the
// link thread) and how to shut the link down at exit.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "app/emulated_view.h"
#include "c64/emulated_choice.h"
#include "config/settings.h"
#include "drive/drive_unit.h"
#include "link/port_io.h"
#include "link/request_dispatcher.h"
#include "shell/link_thread.h"

namespace brimwick::app {

class LinkBackend {
  public:
    virtual ~LinkBackend() = default;
    virtual link::RequestDispatcher& dispatcher() = 0;
    virtual config::Settings& settings() = 0;
    virtual std::span<drive::DriveUnit, config::kDriveCount> drives() = 0;
    // Opens the port that the loaded settings choose; false (portFailure
    // says why) when it cannot be opened: the link then has no port.
    virtual bool openPort() = 0;
    // One look at the link, on the link thread.
    virtual int step() = 0;
    // What is served, in words, for the trace.
    virtual std::string describe() const = 0;
    // The emulated C64's picture and keys; null for the other backends.
    virtual EmulatedScreen* emulatedScreen() { return nullptr; }
    // The port could not be opened: why ("" when it was, or none is set).
    std::string portFailure;
};

// The parallel port of the settings' port choice (direct port I/O), or the
// parport driver's device `ppdev` when given. A port that cannot be opened
// leaves the link without a port (portFailure says why).
std::unique_ptr<LinkBackend> makePortBackend(const std::string& ppdev);
// The virtual C64 at READY.
std::unique_ptr<LinkBackend> makeVirtualBackend();
// The emulated C64, started as `start` says, in real time.
std::unique_ptr<LinkBackend> makeEmulatedBackend(const c64::EmulatedStart& start);

}  // namespace brimwick::app
