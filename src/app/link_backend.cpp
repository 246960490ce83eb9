// The two backends of the window's link.
#include "app/link_backend.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <streambuf>

#include "link/direct_port.h"
#include "link/idle_pacer.h"
#include "link/keyboard_feed.h"
#include "link/link_port.h"
#include "link/ppdev_port.h"
#include "link/screen_mirror.h"
#include "c64/emulated_setup.h"
#include "c64/kernal/kernal_preparer.h"
#include "c64/real_time_pacer.h"
#include "c64/vc64/virtual_setup.h"
#include "shell/virtual_c64_session.h"

namespace brimwick::app {

namespace {

// How long the link thread may sleep while no port is configured: only jobs
// and execute strings wake it.
constexpr int kNoPortWaitMs = 50;

class PortBackend : public LinkBackend {
  public:
    std::array<drive::DriveUnit, config::kDriveCount> units;  // devices 5..14
    link::LinkPort cable;                                     // the PC end
    link::KeyboardFeed keyboard;                              // typed text
    link::ScreenMirror mirror;                                // the terminal's copy
    link::RequestDispatcher serving{cable, units, config::settings(), keyboard, mirror};
    std::unique_ptr<link::PortIo> io;  // the port's registers, when open
    link::IdlePacer pacer;             // spares the processor while the C64 is quiet
    std::string ppdev;                 // the parport device, or "" for direct I/O

    PortBackend() { c64::answerKernalDumps(serving); }

    link::RequestDispatcher& dispatcher() override { return serving; }
    config::Settings& settings() override { return config::settings(); }
    std::span<drive::DriveUnit, config::kDriveCount> drives() override { return units; }
    bool openPort() override {
        int base = config::portBaseFor(settings().portChoice);
        if (!ppdev.empty() && base == 0) base = config::portBaseFor(2);
        if (base == 0) return true;
        try {
            if (!ppdev.empty())
                io = std::make_unique<link::PpdevPort>(ppdev, base);
            else
                io = std::make_unique<link::DirectPort>(base);
        } catch (const std::exception& e) {
            portFailure = e.what();
            return false;
        }
        cable.selectBase(base, io.get());
        cable.initialise();
        cable.requestOnline(true);
        return true;
    }
    int step() override {
        if (cable.dataPort == 0) return kNoPortWaitMs;
        bool served = serving.poll();
        pacer.afterPoll(served, *io);
        return served ? shell::kServedRequest : 0;
    }
    std::string describe() const override {
        if (cable.dataPort == 0) return "no parallel port";
        return "parallel port " + std::to_string(cable.dataPort);
    }
};

// Swallows the session's lines: the window shows the C64's screen instead.
class NullBuffer : public std::streambuf {
  protected:
    int overflow(int c) override { return c; }
};

class VirtualBackend : public LinkBackend {
  public:
    c64::vc64::VirtualSetup setup;  // the virtual C64 and the PC side
    NullBuffer nothing;              // where the session's lines go
    std::ostream quiet{&nothing};
    shell::VirtualC64Session session{setup, quiet};  // its keyboard scan

    link::RequestDispatcher& dispatcher() override { return setup.dispatcher; }
    config::Settings& settings() override { return setup.settings; }
    std::span<drive::DriveUnit, config::kDriveCount> drives() override { return setup.drives; }
    bool openPort() override { return true; }
    int step() override {
        session.pollKeyboard();
        return shell::kJiffyMs;
    }
    std::string describe() const override { return "the virtual C64"; }
};

// How much C64 time one look at the link runs at most: a frame.
constexpr int kFramesPerLook = 1;
// How long the link thread may wait while the C64 is ahead of real time.
constexpr int kAheadWaitMs = 2;

class EmulatedBackend : public LinkBackend {
  public:
    std::unique_ptr<c64::EmulatedSetup> setup = std::make_unique<c64::EmulatedSetup>();  // the C64 and the PC side
    EmulatedScreen screen;                 // shared with the window
    c64::RealTimePacer pacer{c64::kPalClockHz};  // its speed
    std::uint64_t frames = 0;              // the last frame handed to the window

    explicit EmulatedBackend(const c64::EmulatedStart& start) : how(start.summary()) {
        setup->c64.setStandard(start.standard);
        pacer = c64::RealTimePacer(setup->c64.clockHz());
        setup->powerOn(start.roms, start.kernal);
    }
    link::RequestDispatcher& dispatcher() override { return setup->dispatcher; }
    config::Settings& settings() override { return setup->settings; }
    std::span<drive::DriveUnit, config::kDriveCount> drives() override { return setup->drives; }
    bool openPort() override { return true; }
    int step() override {
        c64::EmulatedC64& c64 = setup->c64;
        bool restore = false;
        screen.keys(c64.memory.cia1.keyColumns, restore);
        c64.restoreHeld = restore;
        const std::uint64_t due = pacer.cyclesDue(c64.cycles());
        if (due == 0) return kAheadWaitMs;
        const auto frame = static_cast<std::uint64_t>(c64.clockHz() / c64::framesPerSecond(c64.standard()));
        setup->runFor(std::min(due, frame * kFramesPerLook));
        if (c64.frames() != frames) {
            frames = c64.frames();
            screen.putFrame(c64.picture());
        }
        return 0;
    }
    std::string describe() const override { return how; }
    EmulatedScreen* emulatedScreen() override { return &screen; }

  private:
    std::string how;  // what runs, in words
};

}  // namespace

std::unique_ptr<LinkBackend> makeEmulatedBackend(const c64::EmulatedStart& start) {
    return std::make_unique<EmulatedBackend>(start);
}

std::unique_ptr<LinkBackend> makePortBackend(const std::string& ppdev) {
    auto backend = std::make_unique<PortBackend>();
    backend->ppdev = ppdev;
    return backend;
}

std::unique_ptr<LinkBackend> makeVirtualBackend() {
    return std::make_unique<VirtualBackend>();
}

}  // namespace brimwick::app
