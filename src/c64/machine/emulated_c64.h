// The emulated C64: a 6510 on the C64's memory map with the VIC-II, the SID's
// registers, CIA 1 (keyboard, joysticks, IRQ), CIA 2 (VIC bank, serial bus,
// user port, NMI), the colour RAM, the RESTORE key and the /RESET line. It
// runs real C64 code (the person's ROMs, or the tests' stand-in kernal and
// programs) instruction by instruction and counts its clock cycles; the chips
// move on by each instruction's cycles. No sound and no serial-bus drive of
// its own: its drives are Brimwick's, through the user-port cable.
//
// /RESET resets the 6510 (its processor port becomes inputs, so the ROMs
// show), both CIAs and the SID; not the RAM, which keeps its contents, and
// not the VIC-II, which has no reset line and runs on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "c64/machine/cpu6510.h"
#include "c64/machine/keyboard_matrix.h"
#include "c64/machine/memory_map.h"
#include "c64/machine/video_standard.h"

namespace brimwick::c64 {

// The clock of a PAL C64, in cycles per second.
inline constexpr int kPalClockHz = kPalTiming.clockHz;

class EmulatedC64 {
  public:
    MemoryMap memory;            // RAM, ROMs, processor port and the I/O chips
    Cpu6510 cpu{memory};         // the processor
    bool resetHeld = false;      // the /RESET line is held low
    bool restoreHeld = false;    // the RESTORE key is down (pulls NMI)

    // Installs an 8 KB kernal image (and optionally BASIC and the character
    // ROM) and resets.
    void powerOn(const std::vector<std::uint8_t>& kernal,
                 const std::vector<std::uint8_t>& basic = {},
                 const std::vector<std::uint8_t>& characters = {});
    // What releasing /RESET does: the processor port, both CIAs and the SID
    // are reset, the processor starts at the reset vector. RAM and the VIC-II
    // are kept.
    void reset();
    // One instruction (and the chips' time of it); while /RESET is held only
    // the clock and the VIC-II move.
    int step();
    // Runs until `cycles` more cycles have passed.
    void run(std::uint64_t cycles);
    std::uint64_t cycles() const { return cpu.cycles; }

    // Holds down or lets go of a stroke's keys (RESTORE included).
    void holdKeys(const KeyStroke& stroke, bool down);
    // How long `press` holds each stroke, and the pause after it, in cycles:
    // three of the kernal's 60 Hz keyboard scans each.
    std::uint64_t keyHoldCycles() const { return static_cast<std::uint64_t>(clockHz() / 20); }
    // Presses each stroke long enough for the kernal's scan to see it, and
    // lets go of it again; `runFor(cycles)` lets the time pass (run() by
    // default, or a PC side polling).
    template <typename RunFor>
    void press(const std::vector<KeyStroke>& strokes, RunFor runFor) {
        for (const KeyStroke& stroke : strokes) {
            holdKeys(stroke, true);
            runFor(keyHoldCycles());
            holdKeys(stroke, false);
            runFor(keyHoldCycles());
        }
    }
    void press(const std::vector<KeyStroke>& strokes) {
        press(strokes, [this](std::uint64_t cycles) { run(cycles); });
    }

    // PAL (the default) or NTSC: the raster and the clock.
    void setStandard(VideoStandard standard);
    VideoStandard standard() const { return standard_; }
    int clockHz() const { return timingOf(standard_).clockHz; }

    // The last complete VIC-II frame (vic2.h) and the frames completed.
    const std::vector<std::uint8_t>& picture() const { return memory.vic.lastPicture; }
    std::uint64_t frames() const { return memory.vic.frames; }
    // The 1000 screen codes of the text screen the VIC-II shows (its bank
    // and $D018's screen base).
    std::vector<std::uint8_t> screenCodes();

  private:
    VideoStandard standard_ = VideoStandard::Pal;  // the chips' timing
    int mainsCycles_ = 0;   // processor cycles towards the next mains cycle (the TOD clocks)
    bool nmiLine_ = false;  // NMI was pulled after the last instruction
    void clockChips(int cycles);
};

}  // namespace brimwick::c64
