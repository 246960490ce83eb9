// A copy of the C64's 40 x 25 text screen for the terminal view, fetched a
// fifth at a time from screen memory at $0400 during keyboard polls. Screen
// memory holds screen codes, not characters: after each full refresh the
// copy is turned into displayable characters (reverse video dropped, the
// letters and symbols moved to where a character set expects them).
#pragma once

#include <array>
#include <cstdint>

#include "link/c64_locations.h"
#include "link/link_port.h"
#include "link/terminal_view.h"

namespace brimwick::link {

inline constexpr int kScreenColumns = 40;
inline constexpr int kScreenRows = 25;
inline constexpr int kScreenBytes = kScreenColumns * kScreenRows;
inline constexpr int kMirrorSlice = 200;  // bytes fetched per step

class ScreenMirror {
  public:
    std::array<std::uint8_t, kScreenBytes> screenMirror{};  // the screen, row-major
    int mirrorOffset = 0;                                   // next slice: 0, 200, ... 800

    // Fetches the next slice; after the fifth, converts and asks for a repaint.
    void mirrorScreenStep(LinkPort& link, TerminalView* view);
};

// The displayable character for a screen code.
std::uint8_t screenCodeToDisplay(std::uint8_t code);

}  // namespace brimwick::link
