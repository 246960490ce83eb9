// Wiring the PC side to the emulated C64.
#include "c64/emulated_setup.h"

#include "c64/kernal/kernal_patcher.h"
#include "c64/kernal/kernal_preparer.h"

namespace brimwick::c64 {

std::string unpatchableMessage(const std::string& kernalPath, const std::string& reason) {
    return kernalPath + ": cannot be patched with the link kernal: " + reason + " (--as-is runs it unpatched)";
}

std::vector<std::uint8_t> kernalToRun(const std::vector<std::uint8_t>& kernal,
                                      const std::string& kernalPath,
                                      const std::vector<std::uint8_t>& linkProgram, bool asIs,
                                      std::string& how) {
    if (asIs) {
        how = "unpatched (--as-is)";
        return kernal;
    }
    if (isLinkKernal(kernal)) {
        how = "already holds the link kernal";
        return kernal;
    }
    try {
        std::vector<std::uint8_t> patched = patchKernal(kernal, linkProgram);
        how = "patched with the link kernal in memory";
        return patched;
    } catch (const PatchError& e) {
        throw RomError(unpatchableMessage(kernalPath, e.what()));
    }
}

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

void EmulatedSetup::powerOn(const RomSet& roms, const std::vector<std::uint8_t>& kernal) {
    c64.powerOn(kernal, roms.basic, roms.characters);
    dispatcher.poll();
}

bool EmulatedSetup::runUntil(const std::function<bool()>& done, std::uint64_t maxCycles) {
    const std::uint64_t end = c64.cycles() + maxCycles;
    while (!done()) {
        if (c64.cycles() >= end) return false;
        dispatcher.poll();
    }
    return true;
}

void EmulatedSetup::press(const std::vector<KeyStroke>& strokes) {
    c64.press(strokes, [this](std::uint64_t cycles) { runFor(cycles); });
}

}  // namespace brimwick::c64
