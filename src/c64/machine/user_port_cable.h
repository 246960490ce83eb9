// The cable between the PC's parallel port and the emulated C64's user port,
// as a port backend for the PC side's LinkPort. The wiring is the one in
// docs/hardware.md:
//
//   PC data D0, D1 (pins 2, 3)     -> PB1, PB2 (user port D, E): the PC's bit pair
//   PC data D7 (pin 9)             -> PB7 (L): the PC's strobe echo
//   PC data D6 (pin 8)             -> /RESET (3) through a transistor: high resets
//   PB0 (C)                        -> nERROR (pin 15), status bit 3: the C64's strobe
//   PB4, PB5 (H, J)                -> SELECT, PAPER END (pins 13, 12), status bits 4, 5
//   PB6 (K)                        -> nACK (pin 10), status bit 6: request line
//   PA2 (M)                        -> BUSY (pin 11), status bit 7, which the port
//                                     reads inverted: PA2 low raises it
//
// so a request is open only while the C64 drives PB6 high and PA2 low; a C64
// that is off, resetting or running a stock kernal (PB6 an input pulled
// high, PA2 high) never shows one.
//
// The C64 runs inside the PC's port accesses: a status read runs it until
// one of its lines moves (or a slice of cycles has passed), which is as if
// the PC answered every step of the handshake at once. The read right after
// such a move, with no PC write in between, shows the same moment again (the
// PC's second look at a step).
#pragma once

#include <cstdint>

#include "c64/machine/emulated_c64.h"
#include "link/port_io.h"

namespace brimwick::c64 {

// C64 port B lines of the cable.
inline constexpr std::uint8_t kPbC64Strobe = 0x01;  // PB0 -> status 3
inline constexpr std::uint8_t kPbPcPair = 0x06;     // PB1-2 <- D0-1
inline constexpr int kPbPcPairShift = 1;
inline constexpr std::uint8_t kPbC64Pair = 0x30;    // PB4-5 -> status 4-5
inline constexpr std::uint8_t kPbRequest = 0x40;    // PB6 -> status 6
inline constexpr std::uint8_t kPbPcStrobe = 0x80;   // PB7 <- D7
inline constexpr std::uint8_t kPaRequest = 0x04;    // PA2 -> status 7, inverted
// PC data line that resets the C64.
inline constexpr std::uint8_t kDataReset = 0x40;
// Cycles one status read may run the C64 while none of its lines move.
inline constexpr std::uint64_t kDefaultSliceCycles = 20'000;

class UserPortCable : public link::PortIo {
  public:
    EmulatedC64& c64;                               // the far end
    int base = 0x378;                               // I/O base address the cable answers on
    std::uint8_t dataLatch = 0;                     // what the PC last wrote to its data register
    std::uint8_t control = 0xCC;                    // the PC's control register
    std::uint64_t sliceCycles = kDefaultSliceCycles;  // run per status read while nothing moves
    std::uint64_t statusReads = 0;                  // status reads by the PC

    explicit UserPortCable(EmulatedC64& machine);

    std::uint8_t readPort(int address) override;
    void writePort(int address, std::uint8_t value) override;
    // Idle time passes on the C64 (until it opens a request).
    void waitForActivity(int timeoutUs) override;
    // Time passes on the C64: the reset pulse and the boot after it.
    void delay(int milliseconds) override;

    // The status register as the C64's lines set it.
    std::uint8_t status() const;
    // True while both request lines are up.
    bool requestOpen() const { return (status() & 0xC0) == 0xC0; }
    // Runs the C64 for up to `cycles` cycles; with `untilMoved` it stops
    // after the instruction that moved one of its lines. Returns true when
    // a line moved.
    bool runC64(std::uint64_t cycles, bool untilMoved);

  private:
    bool sameMoment_ = false;  // the last read ran the C64 to a move and the PC has not written since
    std::uint8_t lines() const;  // the C64's output lines, as status() packs them
    void driveC64Inputs();
};

}  // namespace brimwick::c64
