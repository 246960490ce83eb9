// Wiring the PC side to the emulated C64.
#include "c64/emulated_setup.h"

namespace brimwick::c64 {

namespace {
// The port the setup pretends to use (LPT2's base, the settings' choice 2).
constexpr int kPortChoice = 2;
}  // namespace

EmulatedSetup::EmulatedSetup() {
    config::resetSettings(settings);
    settings.portChoice = kPortChoice;
    cable.base = config::portBaseFor(kPortChoice);
    link.selectPort(kPortChoice, &cable);
    link.requestOnline(true);
}

void EmulatedSetup::powerOn(const std::vector<std::uint8_t>& kernal) {
    c64.powerOn(kernal);
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
