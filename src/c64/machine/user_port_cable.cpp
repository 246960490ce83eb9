// The cable's lines and the interleaving of the PC and the emulated C64.
#include "c64/machine/user_port_cable.h"

#include "link/link_port.h"

namespace brimwick::c64 {

UserPortCable::UserPortCable(EmulatedC64& machine) : c64(machine) { driveC64Inputs(); }

std::uint8_t UserPortCable::lines() const {
    const std::uint8_t b = c64.memory.cia2.pinsB();
    const std::uint8_t a = c64.memory.cia2.pinsA();
    std::uint8_t value = static_cast<std::uint8_t>(b & (kPbC64Pair | kPbRequest));
    if ((b & kPbC64Strobe) != 0) value |= link::kC64Strobe;
    if ((a & kPaRequest) == 0) value |= 0x80;  // BUSY reads inverted
    return value;
}

std::uint8_t UserPortCable::status() const { return lines(); }

void UserPortCable::driveC64Inputs() {
    // Unconnected inputs float high through the CIA's pull-ups.
    std::uint8_t b = static_cast<std::uint8_t>(~(kPbPcPair | kPbPcStrobe));
    b |= static_cast<std::uint8_t>((dataLatch << kPbPcPairShift) & kPbPcPair);
    if ((dataLatch & link::kPcStrobe) != 0) b |= kPbPcStrobe;
    c64.memory.cia2.externalB = b;
}

bool UserPortCable::runC64(std::uint64_t cycles, bool untilMoved) {
    const std::uint8_t before = lines();
    const std::uint64_t end = c64.cycles() + cycles;
    while (c64.cycles() < end) {
        c64.step();
        if (untilMoved && lines() != before) return true;
    }
    return lines() != before;
}

std::uint8_t UserPortCable::readPort(int address) {
    if (address == base + link::kControlRegister) return control;
    if (address != base + link::kStatusRegister) return 0xFF;
    ++statusReads;
    if (sameMoment_) {
        sameMoment_ = false;
    } else {
        sameMoment_ = runC64(sliceCycles, true);
    }
    return status();
}

void UserPortCable::writePort(int address, std::uint8_t value) {
    if (address == base + link::kControlRegister) {
        control = value;
        return;
    }
    if (address != base + link::kDataRegister) return;
    const bool wasReset = (dataLatch & kDataReset) != 0;
    dataLatch = value;
    sameMoment_ = false;
    driveC64Inputs();
    const bool reset = (value & kDataReset) != 0;
    if (reset && !wasReset) c64.resetHeld = true;
    if (!reset && wasReset) {
        c64.resetHeld = false;
        c64.reset();
    }
}

void UserPortCable::waitForActivity(int timeoutUs) {
    const std::uint64_t cycles =
        static_cast<std::uint64_t>(timeoutUs) * static_cast<std::uint64_t>(c64.clockHz()) / 1'000'000;
    const std::uint64_t end = c64.cycles() + cycles;
    while (c64.cycles() < end && !requestOpen()) c64.step();
    sameMoment_ = false;
}

void UserPortCable::delay(int milliseconds) {
    if (milliseconds <= 0) return;
    runC64(static_cast<std::uint64_t>(milliseconds) * static_cast<std::uint64_t>(c64.clockHz()) / 1000, false);
    sameMoment_ = false;
}

}  // namespace brimwick::c64
