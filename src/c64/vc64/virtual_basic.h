// The virtual C64 as a person meets it: BASIC at the READY prompt. Once per
// jiffy (1/60 s) the kernal scans the keyboard: with the link that is
// request 3, which brings the key the PC types (a shell command's LOAD and
// RUN, a key pressed in the terminal) and, while the PC's terminal is shown,
// moves its screen mirror along. The screen editor echoes each key at the
// cursor; RETURN hands the line on the screen to BASIC, which runs it in
// direct mode: LOAD, SAVE, VERIFY and LIST and the DOS wedge's "@" go
// through the virtual kernal's requests, so the PC serves them exactly as it
// serves a real C64 (its byte counters move, its trace log shows them).
//
// For a program that drives the virtual C64 (the desktop window's link
// thread, `brimwick-cli serve --virtual-c64`, the vc64 scripts):
//
//   VirtualSetup setup;                 // PC side + virtual C64
//   setup.serve(8, "demo.d64");
//   for (;;) {                          // on the thread that owns `setup`
//       setup.jiffy();                  // one keyboard scan, and a line run
//       ...run shell commands here...  // between jiffies, never inside one
//       sleep 1/60 s
//   }
//
// `jiffy()` returns when the keyboard scan and any line it completed have
// been served to their end; a LOAD of a long file takes that long. The
// screen is at $0400 in the C64's memory (`setup.c64.memory`); the window's
// terminal paints the PC's screen mirror, which the scans fill in.
#pragma once

#include <cstdint>
#include <vector>

#include "c64/vc64/direct_mode.h"
#include "c64/vc64/task.h"
#include "c64/vc64/virtual_kernal.h"

namespace brimwick::c64::vc64 {

class VirtualBasic {
  public:
    explicit VirtualBasic(VirtualKernal& kernal);

    VirtualKernal& kernal;                   // the kernal underneath
    MachineCode machine;                     // the 6510 for SYS and RUN
    DirectMode direct;                       // runs the lines typed
    std::vector<std::uint8_t> lastLine;      // the last line RETURN handed to BASIC (PETSCII)
    int linesRun = 0;                        // lines handed to BASIC since start

    // One jiffy: the jiffy interrupt with its keyboard scan (request 3), a
    // running program's share of the 6510, and at READY the editor taking
    // the keys from the keyboard buffer, each completed line run to its
    // end. Returns the key the scan delivered, 0 when none.
    Task<int> jiffy();
    // RESTORE pressed, with RUN/STOP held down or not.
    void restoreKey(bool stopDown) { machine.restore(stopDown); }

  private:
    int resetsSeen_ = 0;  // the cable's resets BASIC has already started over after
};

}  // namespace brimwick::c64::vc64
