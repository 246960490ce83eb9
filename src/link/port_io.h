// Access to the parallel port's registers. The link only ever reads or writes
// one byte at an I/O address (base, base + 1, base + 2); a backend supplies
// that: the Linux parport driver, direct port instructions, or the virtual
// cable to the in-process C64.
#pragma once

#include <cstdint>

namespace brimwick::link {

// Register offsets from the port's base address.
inline constexpr int kDataRegister = 0;     // PC -> C64 lines, written
inline constexpr int kStatusRegister = 1;   // C64 -> PC lines, read
inline constexpr int kControlRegister = 2;  // interrupt enable and friends

class PortIo {
  public:
    virtual ~PortIo() = default;
    // Reads the register at an I/O address (base + 0..2).
    virtual std::uint8_t readPort(int address) = 0;
    // Writes the low 8 bits of value to the register at an I/O address.
    virtual void writePort(int address, std::uint8_t value) = 0;
    // Waits up to `timeoutUs` microseconds for the C64 to raise a request
    // line, so that an idle link need not be polled without pause. The
    // default sleeps for the time given; backends that can be woken (the
    // parport driver's interrupt on the request line) return early.
    virtual void waitForActivity(int timeoutUs);
    // Lets `milliseconds` pass (the C64 reset pulse needs real time; the
    // virtual cable only advances its own clock).
    virtual void delay(int milliseconds);
};

}  // namespace brimwick::link
