// What the vc64 operations press, run, wait and screenshot do on the
// virtual C64, as they do on the emulated one:
// - press "TEXT": the keys the text names (keyboard_matrix.h's syntax:
//   lower-case letters unshifted, capitals shifted, {clr}, {f1},
//   {ctrl-1} ...) reach the keyboard buffer one by one, as the kernal's
//   keyboard scan decodes them into PETSCII, two jiffies apart; RESTORE
//   ({restore}) is the NMI, and {run/stop}{restore} is RUN/STOP held
//   with RESTORE;
// - run SECONDS: 60 jiffies a second;
// - wait "TEXT": jiffies until the screen shows the text;
// - screenshot FILE.png: the picture of virtual_picture.h in the palette.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "c64/vc64/virtual_setup.h"

namespace brimwick::c64::vc64 {

inline constexpr int kJiffiesPerSecond = 60;
inline constexpr int kRestoreKey = -1;          // in petsciiKeysFor's result: RESTORE
inline constexpr int kStopRestoreKey = -2;      // RUN/STOP held with RESTORE

// The PETSCII codes the keyboard gives for `text`; throws
// std::invalid_argument for a key it does not know.
std::vector<int> petsciiKeysFor(std::string_view text);

// Presses the keys; returns how many.
int pressKeys(VirtualSetup& setup, std::string_view text);
// Runs `jiffies` jiffies.
void runJiffies(VirtualSetup& setup, long jiffies);
// Runs jiffies until a screen row holds `text` or `jiffies` have passed.
bool waitForText(VirtualSetup& setup, const std::string& text, long jiffies);
// The screen as the PC's terminal would show its codes (screen_mirror.h).
std::vector<std::uint8_t> virtualScreenCodes(const VirtualSetup& setup);
// The picture, each pixel 0xRRGGBB.
std::vector<std::uint32_t> virtualScreenshot(const VirtualSetup& setup);

}  // namespace brimwick::c64::vc64
