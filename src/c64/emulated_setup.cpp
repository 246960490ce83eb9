// Wiring the PC side to the emulated C64.
#include "c64/emulated_setup.h"

#include "c64/kernal/kernal_preparer.h"

namespace brimwick::c64 {

EmulatedSetup::EmulatedSetup() {
    answerKernalDumps(dispatcher);
    cable.base = portBase();
    attach(cable);
}

void EmulatedSetup::powerOn(const std::vector<std::uint8_t>& kernal,
                            const std::vector<std::uint8_t>& basic) {
    c64.powerOn(kernal, basic);
    dispatcher.poll();  // raises the presence line
}

bool EmulatedSetup::runUntil(const std::function<bool()>& done, std::uint64_t maxCycles) {
    const std::uint64_t end = c64.cycles() + maxCycles;
    while (!done()) {
        if (c64.cycles() >= end) return false;
        dispatcher.poll();
    }
    return true;
}

}  // namespace brimwick::c64
