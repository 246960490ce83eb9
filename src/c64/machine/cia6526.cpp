// The 6526's registers, timers and time-of-day clock.
#include "c64/machine/cia6526.h"

namespace brimwick::c64 {

namespace {

// Mains cycles to a tenth of a second, by CRA bit 7 (1 = 50 Hz).
constexpr std::uint8_t kCiaTod50Hz = 0x80;

std::uint8_t bcdIncrement(std::uint8_t value) {
    value = static_cast<std::uint8_t>(value + 1);
    if ((value & 0x0F) > 9) value = static_cast<std::uint8_t>((value & 0xF0) + 0x10);
    return value;
}

void advanceTod(TodTime& t) {
    if (++t.tenths < 10) return;
    t.tenths = 0;
    t.seconds = bcdIncrement(t.seconds);
    if (t.seconds < 0x60) return;
    t.seconds = 0;
    t.minutes = bcdIncrement(t.minutes);
    if (t.minutes < 0x60) return;
    t.minutes = 0;
    const std::uint8_t pm = t.hours & 0x80;
    std::uint8_t hour = static_cast<std::uint8_t>(t.hours & 0x1F);
    if (hour == 0x11) {
        t.hours = static_cast<std::uint8_t>(0x12 | (pm ^ 0x80));  // 11:59 -> 12:00 flips AM/PM
    } else if (hour == 0x12) {
        t.hours = static_cast<std::uint8_t>(0x01 | pm);
    } else {
        t.hours = static_cast<std::uint8_t>(bcdIncrement(hour) | pm);
    }
}

bool sameTime(const TodTime& a, const TodTime& b) {
    return a.tenths == b.tenths && a.seconds == b.seconds && a.minutes == b.minutes &&
           a.hours == b.hours;
}

}  // namespace

int CiaTimer::count(int ticks) {
    int underflows = 0;
    while (ticks > 0) {
        if (ticks <= counter) {
            counter = static_cast<std::uint16_t>(counter - ticks);
            break;
        }
        // Down to 0 and one more: the underflow reloads the latch.
        ticks -= counter + 1;
        counter = latch;
        ++underflows;
        if ((control & kCiaOneShot) != 0) {
            control &= static_cast<std::uint8_t>(~kCiaStart);
            break;
        }
        if (latch == 0) {  // underflows on every tick
            underflows += ticks;
            break;
        }
    }
    return underflows;
}

void Cia6526::reset() {
    portA = portB = directionA = directionB = 0;
    timerA = CiaTimer{};
    timerB = CiaTimer{};
    interruptFlags = interruptMask = 0;
    serialData = 0;
    tod = TodTime{};
    todAlarm = TodTime{};
    todFrozen = todStopped = false;
    todMainsTicks = 0;
}

std::uint8_t Cia6526::read(int reg) {
    switch (reg & 0x0F) {
        case kCiaPortA: return pinsA();
        case kCiaPortB: return pinsB();
        case kCiaDirectionA: return directionA;
        case kCiaDirectionB: return directionB;
        case kCiaTimerALow: return static_cast<std::uint8_t>(timerA.counter & 0xFF);
        case kCiaTimerAHigh: return static_cast<std::uint8_t>(timerA.counter >> 8);
        case kCiaTimerBLow: return static_cast<std::uint8_t>(timerB.counter & 0xFF);
        case kCiaTimerBHigh: return static_cast<std::uint8_t>(timerB.counter >> 8);
        case kCiaTodTenths:
        case kCiaTodSeconds:
        case kCiaTodMinutes:
        case kCiaTodHours: return readTod(reg & 0x0F);
        case kCiaSerialData: return serialData;
        case kCiaInterruptControl: {
            std::uint8_t value = interruptFlags;
            if (interruptActive()) value |= kCiaIrqAny;
            interruptFlags = 0;
            return value;
        }
        case kCiaControlA: return timerA.control;
        default: return timerB.control;
    }
}

void Cia6526::write(int reg, std::uint8_t value) {
    auto setLatch = [](CiaTimer& t, bool high, std::uint8_t v) {
        if (high) {
            t.latch = static_cast<std::uint16_t>((t.latch & 0x00FF) | (v << 8));
            // A stopped timer takes the latch at once.
            if ((t.control & kCiaStart) == 0) t.counter = t.latch;
        } else {
            t.latch = static_cast<std::uint16_t>((t.latch & 0xFF00) | v);
        }
    };
    auto setControl = [](CiaTimer& t, std::uint8_t v) {
        if ((v & kCiaForceLoad) != 0) t.counter = t.latch;
        t.control = static_cast<std::uint8_t>(v & ~kCiaForceLoad);
    };
    switch (reg & 0x0F) {
        case kCiaPortA: portA = value; break;
        case kCiaPortB: portB = value; break;
        case kCiaDirectionA: directionA = value; break;
        case kCiaDirectionB: directionB = value; break;
        case kCiaTimerALow: setLatch(timerA, false, value); break;
        case kCiaTimerAHigh: setLatch(timerA, true, value); break;
        case kCiaTimerBLow: setLatch(timerB, false, value); break;
        case kCiaTimerBHigh: setLatch(timerB, true, value); break;
        case kCiaTodTenths:
        case kCiaTodSeconds:
        case kCiaTodMinutes:
        case kCiaTodHours: writeTod(reg & 0x0F, value); break;
        case kCiaSerialData: serialData = value; break;
        case kCiaInterruptControl:
            if ((value & 0x80) != 0)
                interruptMask |= static_cast<std::uint8_t>(value & 0x1F);
            else
                interruptMask &= static_cast<std::uint8_t>(~value & 0x1F);
            break;
        case kCiaControlA: setControl(timerA, value); break;
        default: setControl(timerB, value); break;
    }
}

void Cia6526::tick(int cycles) {
    int underflowsA = 0;
    // Timer A counts processor cycles unless it counts the CNT pin (not wired here).
    if ((timerA.control & (kCiaStart | 0x20)) == kCiaStart) {
        underflowsA = timerA.count(cycles);
        if (underflowsA > 0) interruptFlags |= kCiaIrqTimerA;
    }
    if ((timerB.control & kCiaStart) != 0) {
        int ticks = 0;
        switch ((timerB.control >> 5) & 0x03) {
            case 0: ticks = cycles; break;       // processor cycles
            case 1: break;                       // CNT edges: CNT is not driven
            default: ticks = underflowsA; break;  // timer A's underflows (CNT is high)
        }
        if (ticks > 0 && timerB.count(ticks) > 0) interruptFlags |= kCiaIrqTimerB;
    }
}

void Cia6526::mainsTick() {
    if (todStopped) return;
    const int perTenth = (timerA.control & kCiaTod50Hz) != 0 ? 5 : 6;
    if (++todMainsTicks < perTenth) return;
    todMainsTicks = 0;
    advanceTod(tod);
    if (sameTime(tod, todAlarm)) interruptFlags |= kCiaIrqAlarm;
}

std::uint8_t Cia6526::readTod(int reg) {
    if (reg == kCiaTodHours && !todFrozen) {
        todLatch = tod;
        todFrozen = true;
    }
    const TodTime& shown = todFrozen ? todLatch : tod;
    switch (reg) {
        case kCiaTodTenths:
            todFrozen = false;
            return shown.tenths;
        case kCiaTodSeconds: return shown.seconds;
        case kCiaTodMinutes: return shown.minutes;
        default: return shown.hours;
    }
}

void Cia6526::writeTod(int reg, std::uint8_t value) {
    TodTime& target = (timerB.control & kCiaTodAlarmWrite) != 0 ? todAlarm : tod;
    switch (reg) {
        case kCiaTodTenths:
            target.tenths = static_cast<std::uint8_t>(value & 0x0F);
            if (&target == &tod) {
                todStopped = false;
                todMainsTicks = 0;
            }
            break;
        case kCiaTodSeconds: target.seconds = static_cast<std::uint8_t>(value & 0x7F); break;
        case kCiaTodMinutes: target.minutes = static_cast<std::uint8_t>(value & 0x7F); break;
        default:
            target.hours = static_cast<std::uint8_t>(value & 0x9F);
            if (&target == &tod) todStopped = true;
            break;
    }
}

}  // namespace brimwick::c64
