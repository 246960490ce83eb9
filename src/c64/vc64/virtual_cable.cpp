// The cable's side of the handshake and its checks on the PC.
#include "c64/vc64/virtual_cable.h"

#include "c64/vc64/hex_text.h"
#include "link/link_port.h"

namespace brimwick::c64::vc64 {

std::uint8_t VirtualCable::status() const {
    std::uint8_t value = 0;
    if (requestLines) value |= link::kRequestLines;
    value |= static_cast<std::uint8_t>((pair & 3) << link::kC64PairShift);
    if (strobe) value |= link::kC64Strobe;
    return value;
}

void VirtualCable::resumeWaiter() {
    auto h = waiter;
    waiter = {};
    wait = Wait::Nothing;
    if (h) h.resume();
}

std::uint8_t VirtualCable::readPort(int address) {
    if (address == base + link::kControlRegister) return control;
    if (address != base + link::kStatusRegister) return 0xFF;
    ++statusReads;
    if (wait == Wait::NextStatusRead) resumeWaiter();
    std::uint8_t value = status();
    // A request held back for a latency measurement looks like an idle line.
    if (requestLines && hideRequestUntil != std::chrono::steady_clock::time_point{} &&
        std::chrono::steady_clock::now() < hideRequestUntil)
        return 0;
    if (wait == Wait::ReleaseSeen && !requestLines) wait = Wait::NextStatusRead;
    return value;
}

void VirtualCable::writePort(int address, std::uint8_t value) {
    if (address == base + link::kControlRegister) {
        control = value;
        return;
    }
    if (address != base + link::kDataRegister) return;
    std::uint8_t previous = lastResetByte_;
    lastResetByte_ = value;
    dataLatch = value;
    // 0x42 followed by 0xBF is the reset pulse; it resets the C64 whatever it
    // was doing.
    if (previous == 0x42 && value == 0xBF) {
        resetSeen = true;
        ++resets;
        abandon();
        return;
    }
    if (value == 0x42) return;
    if (wait == Wait::Step) {
        int echoed = (value & link::kPcStrobe) ? 1 : 0;
        if ((value & 0x7C) != 0 || echoed != awaitedLevel) {
            fail("PC wrote $" + hex2(value) + " out of turn (C64 strobe at " +
                 std::to_string(awaitedLevel) + ")");
            return;
        }
        resumeWaiter();
        return;
    }
    // Between requests only the presence line moves.
    if (value == 0x00 || value == link::kPresence) {
        presence = value == link::kPresence;
        return;
    }
    if (!requestLines) {
        if (value == 0xBF) return;  // second half of a reset already handled
        fail("PC wrote $" + hex2(value) + " while no request was open");
    }
}

void VirtualCable::waitForActivity(int timeoutUs) {
    // Nothing to wait for in-process: the C64 side moves only when the PC
    // reads or writes. Count the idle time instead of sleeping, unless the
    // idle loop itself is being measured.
    if (sleepWhenIdle) return link::PortIo::waitForActivity(timeoutUs);
    virtualMs += static_cast<std::uint64_t>(timeoutUs / 1000);
}

void VirtualCable::fail(const std::string& message) {
    if (failure.empty()) failure = message;
    abandon();
}

void VirtualCable::abandon() {
    requestLines = false;
    strobe = 0;
    pair = 0;
    wait = Wait::Nothing;
    waiter = {};
}

bool VirtualCable::countByte(bool fromPc, std::uint8_t value) {
    if (recordTraffic) traffic.push_back({fromPc, value});
    if (dropAfterBytes < 0) return false;
    return ++bytesMoved > dropAfterBytes;
}

}  // namespace brimwick::c64::vc64
