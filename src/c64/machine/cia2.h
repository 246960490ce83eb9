// CIA 2 ($DD00-$DDFF) as the C64 wires it: port A bits 0-1 choose the
// VIC-II's 16 KB bank, inverted (%11, what the pull-ups give after a reset,
// is bank 0 at $0000); bit 2 is the user port's PA2; bits 3-5 drive the
// serial bus's ATN, CLOCK and DATA through inverters and bits 6-7 read
// CLOCK and DATA back. Port B is the user port's PB0-PB7. Its interrupt
// output is the processor's NMI line (shared with RESTORE).
//
// With no drive on the serial bus of its own (the emulated C64's drives are
// Brimwick's, through the cable), nothing pulls the bus: port A bits 6-7
// read released (1), so the stock serial routines answer DEVICE NOT PRESENT
// rather than wait.
#pragma once

#include <cstdint>

#include "c64/machine/cia6526.h"

namespace brimwick::c64 {

inline constexpr std::uint16_t kCia2Base = 0xDD00;
inline constexpr std::uint8_t kCia2VicBankBits = 0x03;

class Cia2 : public Cia6526 {
  public:
    // The VIC bank (0-3, base bank * $4000) port A's lines choose.
    int vicBank() const { return 3 - (pinsA() & kCia2VicBankBits); }
};

}  // namespace brimwick::c64
