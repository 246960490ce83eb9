// Power-on, reset and running of the emulated C64.
#include "c64/machine/emulated_c64.h"

#include <algorithm>

namespace brimwick::c64 {

namespace {
template <std::size_t N>
void install(std::array<std::uint8_t, N>& rom, const std::vector<std::uint8_t>& image) {
    rom.fill(0);
    std::copy_n(image.begin(), std::min(image.size(), N), rom.begin());
}
}  // namespace

void EmulatedC64::powerOn(const std::vector<std::uint8_t>& kernal,
                          const std::vector<std::uint8_t>& basic,
                          const std::vector<std::uint8_t>& characters) {
    install(memory.kernalRom, kernal);
    install(memory.basicRom, basic);
    install(memory.characterRom, characters);
    resetHeld = false;
    reset();
}

void EmulatedC64::reset() {
    memory.resetPort();
    memory.cia1.reset();
    memory.cia2.reset();
    memory.sid.reset();
    cpu.irqLine = false;
    nmiLine_ = restoreHeld;
    cpu.reset();
}

void EmulatedC64::holdKeys(const KeyStroke& stroke, bool down) {
    if (stroke.restore) restoreHeld = down;
    for (const MatrixKey& key : stroke.keys) memory.cia1.setKey(key.column, key.row, down);
}

void EmulatedC64::setStandard(VideoStandard standard) {
    standard_ = standard;
    memory.vic.setStandard(standard);
    mainsCycles_ = 0;
}

void EmulatedC64::clockChips(int cycles) {
    memory.vic.advance(cycles, memory.vicMemory());
    if (resetHeld) return;  // the CIAs are held in reset
    memory.cia1.tick(cycles);
    memory.cia2.tick(cycles);
    mainsCycles_ += cycles;
    const int perMains = clockHz() / framesPerSecond(standard_);
    if (mainsCycles_ >= perMains) {
        mainsCycles_ -= perMains;
        memory.cia1.mainsTick();
        memory.cia2.mainsTick();
    }
    cpu.irqLine = memory.vic.interruptActive() || memory.cia1.interruptActive();
    const bool nmi = memory.cia2.interruptActive() || restoreHeld;
    if (nmi && !nmiLine_) cpu.triggerNmi();  // NMI takes the falling edge only
    nmiLine_ = nmi;
}

int EmulatedC64::step() {
    int cycles = 1;
    if (resetHeld || cpu.jammed)
        ++cpu.cycles;
    else
        cycles = cpu.step();
    clockChips(cycles);
    return cycles;
}

std::vector<std::uint8_t> EmulatedC64::screenCodes() {
    const VicMemory& view = memory.vicMemory();
    const int base = (memory.vic.registers[kVicMemory] >> 4) * 0x400;
    std::vector<std::uint8_t> codes(kScreenCells);
    for (int i = 0; i < kScreenCells; ++i) codes[static_cast<std::size_t>(i)] = view.read(base + i);
    return codes;
}

void EmulatedC64::run(std::uint64_t cycles) {
    const std::uint64_t end = cpu.cycles + cycles;
    while (cpu.cycles < end) step();
}

}  // namespace brimwick::c64
