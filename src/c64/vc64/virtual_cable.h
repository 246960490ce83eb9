// The cable between the PC's LinkPort and the virtual C64, as a port backend.
// The PC side reads the status register and writes the data register exactly
// as it would on real hardware; the C64 side is a coroutine that suspends at
// every two-bit handshake step and is resumed from inside the PC's port
// access once the PC has answered that step. The cable also checks the PC:
// a data write that does not answer the step the C64 waits for is a protocol
// error, recorded with a clear message, and the C64 then drops its lines.
#pragma once

#include <chrono>
#include <coroutine>
#include <cstdint>
#include <string>
#include <vector>

#include "link/port_io.h"

namespace brimwick::c64::vc64 {

// One byte that crossed the cable, for traffic checks.
struct TrafficByte {
    bool fromPc;         // true: PC -> C64
    std::uint8_t value;  // the byte
    bool operator==(const TrafficByte&) const = default;
};

class VirtualCable : public link::PortIo {
  public:
    // What the C64 side is suspended on.
    enum class Wait {
        Nothing,         // no coroutine waits (idle, or aborted)
        Step,            // a handshake step: the PC's strobe echo at `awaitedLevel`
        ReleaseSeen,     // the PC to read the status with the request lines down
        NextStatusRead,  // the PC's next status read (the C64 then may open a request)
    };

    int base = 0x378;                  // I/O base address the cable answers on
    bool requestLines = false;         // C64 holds status bits 7 and 6 up
    int strobe = 0;                    // C64 strobe level (status bit 3)
    int pair = 0;                      // C64 bit pair on status bits 5-4
    std::uint8_t dataLatch = 0;        // last value the PC wrote to the data register
    std::uint8_t control = 0xCC;       // control register (bit 4: interrupt enable)
    bool presence = false;             // the PC's presence line as last seen between requests
    Wait wait = Wait::Nothing;         // what the C64 waits for
    int awaitedLevel = 0;              // the strobe echo it waits for (Wait::Step)
    std::coroutine_handle<> waiter;    // the suspended C64 coroutine
    std::string failure;               // the first protocol error, "" when none
    bool resetSeen = false;            // the PC pulsed the reset lines
    int resets = 0;                    // reset pulses so far
    std::uint64_t virtualMs = 0;       // time the PC let pass with delay()
    std::uint64_t statusReads = 0;     // status register reads by the PC
    bool recordTraffic = false;        // keep `traffic`
    std::vector<TrafficByte> traffic;  // bytes that crossed, in order
    int dropAfterBytes = -1;           // drop the request lines after this many bytes (-1 never)
    int bytesMoved = 0;                // bytes moved since dropAfterBytes was set
    bool sleepWhenIdle = false;        // idle waits really sleep (for measuring the idle loop)
    std::chrono::steady_clock::time_point
        hideRequestUntil{};  // the request lines show only from then on

    std::uint8_t readPort(int address) override;
    void writePort(int address, std::uint8_t value) override;
    void waitForActivity(int timeoutUs) override;
    void delay(int milliseconds) override { virtualMs += static_cast<std::uint64_t>(milliseconds); }

    // The status register as the PC reads it.
    std::uint8_t status() const;
    // Records a protocol error (the first one wins) and abandons the C64 side.
    void fail(const std::string& message);
    // Drops the request lines and forgets the waiting coroutine.
    void abandon();
    // Counts a byte that crossed; true when the configured drop is due.
    bool countByte(bool fromPc, std::uint8_t value);

    // Awaitable: one handshake step at strobe `level`, presenting `pairOut`;
    // yields the PC's data bits 1-0 of its answering write.
    struct StepAwaiter {
        VirtualCable& cable;
        int level;
        int pairOut;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> h) noexcept {
            cable.strobe = level;
            cable.pair = pairOut & 3;
            cable.wait = Wait::Step;
            cable.awaitedLevel = level;
            cable.waiter = h;
        }
        int await_resume() const noexcept { return cable.dataLatch & 3; }
    };
    StepAwaiter step(int level, int pairOut) { return StepAwaiter{*this, level, pairOut}; }

    // Awaitable: suspends until the given wait condition is met.
    struct WaitAwaiter {
        VirtualCable& cable;
        Wait until;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> h) noexcept {
            cable.wait = until;
            cable.waiter = h;
        }
        void await_resume() const noexcept {}
    };
    // After a request: drop the lines, wait until the PC has seen that and
    // comes back for its next look at the status register.
    WaitAwaiter releaseLines() {
        requestLines = false;
        strobe = 0;
        pair = 0;
        return WaitAwaiter{*this, Wait::ReleaseSeen};
    }
    // Before a request: wait for the PC's next status read.
    WaitAwaiter nextStatusRead() { return WaitAwaiter{*this, Wait::NextStatusRead}; }

  private:
    void resumeWaiter();
    std::uint8_t lastResetByte_ = 0;  // previous data write, to spot the reset pattern
};

}  // namespace brimwick::c64::vc64
