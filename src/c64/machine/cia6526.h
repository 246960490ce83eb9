// The 6526 Complex Interface Adapter, of which the C64 has two (CIA 1 at
// $DC00, CIA 2 at $DD00; each mirrored over its 256 bytes): two 8-bit ports
// with data direction registers, two 16-bit interval timers, a time-of-day
// clock and the interrupt control register. What each port is wired to is
// the C64's business (cia1.h, cia2.h); this is the chip.
//
// The timers count processor cycles down from their latch; a timer that
// passes 0 reloads the latch (so its period is latch + 1 cycles), sets its
// interrupt flag and, in one-shot mode, stops. Timer B can count timer A's
// underflows instead. Reading the interrupt control register ($xD) returns
// the flags and clears them, which releases the interrupt line; writing it
// sets (bit 7 = 1) or clears (bit 7 = 0) the mask bits written as 1. A flag
// is latched whether or not it is masked. The TOD clock counts tenths,
// seconds, minutes and hours (BCD, 12-hour with a PM flag) from the mains
// frequency; reading the hours freezes what the registers show until the
// tenths are read, writing the hours stops it until the tenths are written.
// The serial shift register only stores what is written.
#pragma once

#include <array>
#include <cstdint>

namespace brimwick::c64 {

inline constexpr int kCiaRegisterCount = 16;  // mirrored over the 256 bytes

// Register numbers.
inline constexpr int kCiaPortA = 0;
inline constexpr int kCiaPortB = 1;
inline constexpr int kCiaDirectionA = 2;
inline constexpr int kCiaDirectionB = 3;
inline constexpr int kCiaTimerALow = 4;
inline constexpr int kCiaTimerAHigh = 5;
inline constexpr int kCiaTimerBLow = 6;
inline constexpr int kCiaTimerBHigh = 7;
inline constexpr int kCiaTodTenths = 8;
inline constexpr int kCiaTodSeconds = 9;
inline constexpr int kCiaTodMinutes = 10;
inline constexpr int kCiaTodHours = 11;
inline constexpr int kCiaSerialData = 12;
inline constexpr int kCiaInterruptControl = 13;
inline constexpr int kCiaControlA = 14;
inline constexpr int kCiaControlB = 15;

// Interrupt sources (ICR bits).
inline constexpr std::uint8_t kCiaIrqTimerA = 0x01;
inline constexpr std::uint8_t kCiaIrqTimerB = 0x02;
inline constexpr std::uint8_t kCiaIrqAlarm = 0x04;
inline constexpr std::uint8_t kCiaIrqSerial = 0x08;
inline constexpr std::uint8_t kCiaIrqFlag = 0x10;
inline constexpr std::uint8_t kCiaIrqAny = 0x80;

// Control register bits.
inline constexpr std::uint8_t kCiaStart = 0x01;
inline constexpr std::uint8_t kCiaOneShot = 0x08;
inline constexpr std::uint8_t kCiaForceLoad = 0x10;   // a strobe: never stored
inline constexpr std::uint8_t kCiaTodAlarmWrite = 0x80;  // CRB: TOD writes set the alarm

// One interval timer.
struct CiaTimer {
    std::uint16_t counter = 0xFFFF;  // counts down
    std::uint16_t latch = 0xFFFF;    // reloaded into the counter
    std::uint8_t control = 0;        // CRA or CRB as written, without the load strobe

    // Counts `ticks` down; returns the number of underflows.
    int count(int ticks);
};

// The time-of-day clock's four registers, BCD.
struct TodTime {
    std::uint8_t tenths = 0;   // 0-9
    std::uint8_t seconds = 0;  // 00-59
    std::uint8_t minutes = 0;  // 00-59
    std::uint8_t hours = 1;    // 01-12, bit 7 = PM
};

class Cia6526 {
  public:
    std::uint8_t portA = 0;            // port A latch
    std::uint8_t portB = 0;            // port B latch
    std::uint8_t directionA = 0;       // 1 = output
    std::uint8_t directionB = 0;
    std::uint8_t externalA = 0xFF;     // levels driven into port A from outside (1 = high or open)
    std::uint8_t externalB = 0xFF;     // levels driven into port B from outside
    CiaTimer timerA;                   // timer A
    CiaTimer timerB;                   // timer B
    std::uint8_t interruptFlags = 0;   // sources that fired since the last ICR read
    std::uint8_t interruptMask = 0;    // sources that pull the interrupt line
    std::uint8_t serialData = 0;       // the shift register, as written
    TodTime tod;                       // the running clock
    TodTime todAlarm;                  // the alarm time
    TodTime todLatch;                  // what the registers show while frozen
    bool todFrozen = false;            // hours were read, tenths not yet
    bool todStopped = false;           // hours were written, tenths not yet
    int todMainsTicks = 0;             // mains cycles counted towards the next tenth

    // Power-on and /RESET: every pin an input, timers stopped with their
    // latches at $FFFF, no interrupts.
    void reset();

    // A register as the processor reads it; reading ICR clears the flags.
    // Ports read their pins (outputs show their latch); a chip wired to more
    // than pull-ups reads its ports itself.
    std::uint8_t read(int reg);
    void write(int reg, std::uint8_t value);

    // `cycles` processor cycles pass.
    void tick(int cycles);
    // One cycle of the mains frequency (50 or 60 Hz) reaches the TOD input.
    void mainsTick();

    // The chip's interrupt output is active (IRQ on CIA 1, NMI on CIA 2).
    bool interruptActive() const { return (interruptFlags & interruptMask) != 0; }

    // The level of each pin as the outside world sees it: outputs show their
    // latch, inputs are high unless driven low from outside.
    std::uint8_t pinsA() const { return pins(portA, directionA, externalA); }
    std::uint8_t pinsB() const { return pins(portB, directionB, externalB); }

  protected:
    static std::uint8_t pins(std::uint8_t latch, std::uint8_t direction, std::uint8_t external) {
        return static_cast<std::uint8_t>((latch & direction) | (external & ~direction));
    }

  private:
    std::uint8_t readTod(int reg);
    void writeTod(int reg, std::uint8_t value);
};

}  // namespace brimwick::c64
