// Serving the C64's requests. Each request opens with a command byte; the
// dispatcher reads it, does the work with link commands and the emulated
// drives, and ends it with 64 (served) or 65 (declined). A LISTEN or TALK for
// a device the PC does not serve is declined after the device byte at $0095
// has been rewritten to the real device number: the C64's own serial bus
// then takes over, and every bus request up to the next LISTEN/TALK is
// declined too. Drive failures become the drive's status, ST bit 1 on the
// C64 and a trace line; a broken link is logged and the presence line raised.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "config/settings.h"
#include "drive/drive_unit.h"
#include "link/kernal_dump.h"
#include "link/keyboard_feed.h"
#include "link/link_port.h"
#include "link/screen_mirror.h"
#include "link/terminal_view.h"

namespace brimwick::link {

// Bytes of the BASIC input line that request 5 reads at most.
inline constexpr int kInputLineBufferSize = 108;
// The largest file a drive holds, and so the largest fast load or save.
inline constexpr int kWholeFileBufferSize = 0x2AB00;

class RequestDispatcher {
  public:
    int addressedDrive = config::kDefaultDrive;  // drive index the C64 addressed last
    bool passThrough = true;                     // the last LISTEN/TALK went to the real bus
    int keyboardPollCount = 0;                   // keyboard polls while the terminal shows
    std::array<std::uint8_t, kInputLineBufferSize> inputLineBuffer{};  // request 5's line

    LinkPort& link;                                           // the cable
    std::span<drive::DriveUnit, config::kDriveCount> drives;  // drive i serves device i + 5
    config::Settings& settings;                               // the realDevice table
    KeyboardFeed& keyboard;                                   // typed text and terminal keys
    ScreenMirror& mirror;                                     // the terminal's screen copy
    TerminalView* view = nullptr;                             // the main window, if any
    std::string programDirectory;                             // where kernels/ks.rom is
    KernalPreparer prepareKernal;  // patches a kernal the C64 sends; unset: such kernals are refused

    RequestDispatcher(LinkPort& port, std::span<drive::DriveUnit, config::kDriveCount> units,
                      config::Settings& record, KeyboardFeed& feed, ScreenMirror& screen)
        : link(port), drives(units), settings(record), keyboard(feed), mirror(screen) {}

    // One look at the port: serves a pending request, or moves the presence
    // line. Returns true when a request was served (or broke).
    bool poll();
    // Serves one request whose lines are up.
    void dispatch();
    // The end of serving: a pending request is served first, for at most
    // `grace`; then the presence line goes down, even when the C64 still
    // holds a request open.
    void goOfflineForExit(std::chrono::milliseconds grace);

  private:
    void serve(int code);
    // Index 0..9 of a device number, or -1 when the PC has no drive for it.
    static int driveIndex(int deviceByte);
    bool served(int index) const { return index >= 0 && settings.realDevice[index] == 0; }
    drive::DriveUnit& addressed() { return drives[static_cast<std::size_t>(addressedDrive)]; }
    int readC64Byte(int address);
    void keyboardPoll();
    void inputLine();
    void listenTalk();
    void byteFromDrive();
    void boostLoad();
    void boostSave();
};

}  // namespace brimwick::link
