// The virtual C64's 6510 and the traps into its C++ kernal.
#include "c64/vc64/machine_code.h"

#include "c64/vc64/basic_program.h"

namespace brimwick::c64::vc64 {

namespace {

constexpr std::uint8_t kJmp = 0x4C;

// Puts `bytes` into the ROM image at `address`.
template <std::size_t N>
constexpr void place(std::array<std::uint8_t, 0x2000>& rom, int address,
                     const std::uint8_t (&bytes)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        rom[static_cast<std::size_t>(address - kKernalRomStart) + i] = bytes[i];
}

constexpr std::uint8_t low(int value) { return static_cast<std::uint8_t>(value & 0xFF); }
constexpr std::uint8_t high(int value) { return static_cast<std::uint8_t>((value >> 8) & 0xFF); }

constexpr std::array<std::uint8_t, 0x2000> makeKernalRom() {
    std::array<std::uint8_t, 0x2000> rom{};
    // The IRQ entry: save A, X, Y; a BRK (B set in the pushed status) goes
    // through ($0316), an interrupt through ($0314).
    const std::uint8_t irqEntry[] = {
        0x48,              // PHA
        0x8A, 0x48,        // TXA, PHA
        0x98, 0x48,        // TYA, PHA
        0xBA,              // TSX
        0xBD, 0x04, 0x01,  // LDA $0104,X   (the pushed status)
        0x29, 0x10,        // AND #$10      (B)
        0xF0, 0x03,        // BEQ +3
        0x6C, low(kBrkVectorRam), high(kBrkVectorRam),  // JMP ($0316)
        0x6C, low(kIrqVectorRam), high(kIrqVectorRam),  // JMP ($0314)
    };
    place(rom, kIrqEntry, irqEntry);
    // The end of the standard IRQ handler, where hooked handlers chain to.
    const std::uint8_t irqReturn[] = {0x68, 0xA8, 0x68, 0xAA, 0x68, 0x40};  // PLA TAY PLA TAX PLA RTI
    place(rom, kIrqReturn, irqReturn);
    // The standard handler itself is a trap; its bytes jump to the end.
    const std::uint8_t irqHandler[] = {kJmp, low(kIrqReturn), high(kIrqReturn)};
    place(rom, kIrqHandler, irqHandler);
    // The NMI entry: SEI, JMP ($0318).
    const std::uint8_t nmiEntry[] = {0x78, 0x6C, low(kNmiVectorRam), high(kNmiVectorRam)};
    place(rom, kNmiEntry, nmiEntry);
    // Each jump table entry is a JMP, as on a C64; the trap runs before it.
    for (int entry = kJumpTableFirst; entry <= kJumpTableLast; entry += 3) {
        const std::uint8_t jump[] = {kJmp, low(entry), high(entry)};
        place(rom, entry, jump);
    }
    const std::uint8_t vectors[] = {low(kNmiEntry),   high(kNmiEntry), low(kResetEntry),
                                    high(kResetEntry), low(kIrqEntry), high(kIrqEntry)};
    place(rom, kNmiVector, vectors);
    return rom;
}

constexpr std::array<std::uint8_t, 0x2000> kKernalRom = makeKernalRom();

}  // namespace

const std::array<std::uint8_t, 0x2000>& kernalRom() { return kKernalRom; }

MachineCode::MachineCode(VirtualKernal& machineKernal)
    : kernal(machineKernal), bus(machineKernal.c64.memory), cpu(bus), jumpTable(machineKernal) {
    powerUp();
}

void MachineCode::powerUp() {
    jumpTable.powerUp();
    running = false;
    ended = Ended::No;
    cpu.jammed = false;
    cpu.irqLine = false;
    cpu.nmiPending = false;
    cpu.sp = kBasicStack;
    cpu.p = kFlagUnused;
    cpu.pc = kEditorWait;
}

void MachineCode::startSys(int address) {
    auto& m = kernal.c64.memory;
    cpu.a = m.read(kSysRegisters);
    cpu.x = m.read(kSysRegisters + 1);
    cpu.y = m.read(kSysRegisters + 2);
    cpu.p = static_cast<std::uint8_t>(m.read(kSysRegisters + 3) | kFlagUnused);
    cpu.sp = kBasicStack;
    const int back = kSysReturn - 1;  // RTS adds one
    m.write(0x0100 | cpu.sp, static_cast<std::uint8_t>(back >> 8));
    cpu.sp = static_cast<std::uint8_t>(cpu.sp - 1);
    m.write(0x0100 | cpu.sp, static_cast<std::uint8_t>(back & 0xFF));
    cpu.sp = static_cast<std::uint8_t>(cpu.sp - 1);
    cpu.pc = static_cast<std::uint16_t>(address);
    cpu.jammed = false;
    running = true;
    ended = Ended::No;
}

void MachineCode::restore(bool stopDown) {
    if (stopDown) kernal.c64.memory.write(kStopKeyFlag, kStopDown);
    cpu.triggerNmi();
}

void MachineCode::returnFromSubroutine() {
    int lo = bus.read(static_cast<std::uint16_t>(0x0100 | ++cpu.sp));
    int hi = bus.read(static_cast<std::uint16_t>(0x0100 | ++cpu.sp));
    cpu.pc = static_cast<std::uint16_t>(((hi << 8) | lo) + 1);
}

void MachineCode::returnFromInterrupt() {
    cpu.p = static_cast<std::uint8_t>(bus.read(static_cast<std::uint16_t>(0x0100 | ++cpu.sp)) |
                                      kFlagUnused);
    cpu.p &= static_cast<std::uint8_t>(~kFlagBreak);
    int lo = bus.read(static_cast<std::uint16_t>(0x0100 | ++cpu.sp));
    int hi = bus.read(static_cast<std::uint16_t>(0x0100 | ++cpu.sp));
    cpu.pc = static_cast<std::uint16_t>((hi << 8) | lo);
}

void MachineCode::endProgram(Ended how) {
    running = false;
    ended = how;
    cpu.pc = kEditorWait;
    cpu.sp = kBasicStack;
    cpu.p = kFlagUnused;
    cpu.jammed = false;
    jumpTable.readingLine = false;
}

void MachineCode::warmStart() {
    // The kernal's warm start: vectors, channels and files as at power-up;
    // BASIC then clears the screen in the default colours and says READY.
    jumpTable.powerUp();
    endProgram(Ended::WarmStart);
}

bool MachineCode::isTrap(int address) const {
    if (address == kSysReturn || address == kBasicReady) return true;
    if (address < kKernalRomStart || !VirtualBus::kernalVisible(kernal.c64.memory)) return false;
    return KernalJumpTable::isEntry(address) || address == kIrqHandler || address == kNmiHandler ||
           address == kWarmStart || address == kBasicWarmStart || address == kEditorWait;
}

Task<int> MachineCode::trap(int address, bool& trapped, bool& endSlice) {
    auto& m = kernal.c64.memory;
    trapped = true;
    if (address == kSysReturn) {
        // SYS's RTS: BASIC keeps the registers for the next SYS and PEEKs.
        m.write(kSysRegisters, cpu.a);
        m.write(kSysRegisters + 1, cpu.x);
        m.write(kSysRegisters + 2, cpu.y);
        m.write(kSysRegisters + 3, cpu.p);
        endProgram(Ended::Returned);
        endSlice = true;
        co_return 0;
    }
    if (address == kBasicReady && m.basicVisible()) {
        endProgram(Ended::Jumped);
        endSlice = true;
        co_return 0;
    }
    if (address < kKernalRomStart || !VirtualBus::kernalVisible(m)) {
        trapped = false;
        co_return 0;
    }
    if (KernalJumpTable::isEntry(address)) {
        cpu.cycles += kTrapCycles;
        if (co_await jumpTable.call(address, cpu)) {
            returnFromSubroutine();
        } else {
            endSlice = true;  // CHRIN waits for the rest of the line
        }
        co_return 0;
    }
    switch (address) {
        case kIrqHandler: {
            // The jiffy: clock, keyboard (request 3), RUN/STOP.
            cpu.cycles += kTrapCycles;
            jumpTable.updateClock();
            lastKey = co_await kernal.scanKeyboard();
            m.write(kStopKeyFlag, lastKey == kRunStop || stopHeld > 0 ? kStopDown : kNoStop);
            if (stopHeld > 0) --stopHeld;
            cpu.pc = kIrqReturn;
            break;
        }
        case kNmiHandler:
            if (m.read(kStopKeyFlag) == kStopDown) {
                warmStart();
                endSlice = true;
            } else {
                returnFromInterrupt();
            }
            break;
        case kWarmStart:
            warmStart();
            endSlice = true;
            break;
        case kBasicWarmStart:
            endProgram(Ended::Jumped);
            endSlice = true;
            break;
        case kEditorWait:
            endSlice = true;  // READY: nothing runs until the next jiffy
            break;
        default:
            trapped = false;
    }
    co_return 0;
}

Task<int> MachineCode::slice() {
    ++jiffies;
    lastKey = 0;
    cpu.irqLine = true;
    const std::uint64_t end = cpu.cycles + kCyclesPerJiffy;
    while (cpu.cycles < end && !cpu.jammed) {
        bool irqDue = cpu.irqLine && !cpu.flag(kFlagInterrupt);
        if (cpu.nmiPending || irqDue) {
            bool nmi = cpu.nmiPending;
            cpu.step();  // takes the interrupt
            if (!nmi) cpu.irqLine = false;  // the handler acknowledges CIA 1
            continue;
        }
        if (!isTrap(cpu.pc)) {
            cpu.step();
            continue;
        }
        bool trapped = false, endSlice = false;
        co_await trap(cpu.pc, trapped, endSlice);
        if (endSlice) break;
        if (!trapped) cpu.step();
    }
    co_return 0;
}

}  // namespace brimwick::c64::vc64
