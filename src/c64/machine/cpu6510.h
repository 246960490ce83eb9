// The 6510, the C64's processor: a 6502 core executing the 151 documented
// opcodes with their flags, the NMOS decimal mode, their cycle counts (page
// crossings and taken branches included) and the three interrupts (IRQ, NMI,
// BRK). It runs one instruction at a time against a Bus; the processor port
// that the 6510 adds at $0000/$0001 lives in the C64's memory map, which is
// the bus the C64 gives it. An undocumented opcode stops the processor
// ("jammed"), as the real chip's KIL opcodes do; no C64 program here uses
// the others.
#pragma once

#include <cstdint>

namespace brimwick::c64 {

// What the processor reads and writes.
class Bus {
  public:
    virtual ~Bus() = default;
    virtual std::uint8_t read(std::uint16_t address) = 0;
    virtual void write(std::uint16_t address, std::uint8_t value) = 0;
};

// Status register bits.
inline constexpr std::uint8_t kFlagCarry = 0x01;
inline constexpr std::uint8_t kFlagZero = 0x02;
inline constexpr std::uint8_t kFlagInterrupt = 0x04;
inline constexpr std::uint8_t kFlagDecimal = 0x08;
inline constexpr std::uint8_t kFlagBreak = 0x10;   // only in copies pushed by BRK/PHP
inline constexpr std::uint8_t kFlagUnused = 0x20;  // always reads 1
inline constexpr std::uint8_t kFlagOverflow = 0x40;
inline constexpr std::uint8_t kFlagNegative = 0x80;

// Vectors at the top of memory.
inline constexpr std::uint16_t kNmiVector = 0xFFFA;
inline constexpr std::uint16_t kResetVector = 0xFFFC;
inline constexpr std::uint16_t kIrqVector = 0xFFFE;

// Cycles the processor takes to answer an interrupt or a reset.
inline constexpr int kInterruptCycles = 7;

class Cpu6510 {
  public:
    std::uint8_t a = 0;                            // accumulator
    std::uint8_t x = 0;                            // index X
    std::uint8_t y = 0;                            // index Y
    std::uint8_t sp = 0xFD;                        // stack pointer (page 1)
    std::uint8_t p = kFlagUnused | kFlagInterrupt;  // status register
    std::uint16_t pc = 0;                          // program counter
    std::uint64_t cycles = 0;                      // cycles run since power-on
    bool jammed = false;                           // an undocumented opcode stopped it
    bool irqLine = false;                          // a device holds IRQ low
    bool nmiPending = false;                       // an NMI edge waits to be taken

    explicit Cpu6510(Bus& bus) : bus_(bus) {}

    // The reset sequence: I set, stack pointer moved down by three, PC from
    // $FFFC.
    void reset();
    // Runs one instruction, or takes a pending interrupt; returns its cycles
    // (0 when jammed).
    int step();
    // An edge on the NMI line (RESTORE key, CIA 2).
    void triggerNmi() { nmiPending = true; }

    bool flag(std::uint8_t bit) const { return (p & bit) != 0; }

  private:
    Bus& bus_;

    std::uint8_t read(std::uint16_t address) { return bus_.read(address); }
    void write(std::uint16_t address, std::uint8_t value) { bus_.write(address, value); }
    std::uint16_t readWord(std::uint16_t address) {
        return static_cast<std::uint16_t>(read(address) | (read(address + 1) << 8));
    }
    std::uint8_t fetch() { return read(pc++); }
    std::uint16_t fetchWord() {
        std::uint16_t value = readWord(pc);
        pc = static_cast<std::uint16_t>(pc + 2);
        return value;
    }
    void push(std::uint8_t value) { write(static_cast<std::uint16_t>(0x0100 | sp--), value); }
    std::uint8_t pull() { return read(static_cast<std::uint16_t>(0x0100 | ++sp)); }
    void setFlag(std::uint8_t bit, bool on) { p = on ? (p | bit) : (p & ~bit); }
    void setNZ(std::uint8_t value) {
        setFlag(kFlagZero, value == 0);
        setFlag(kFlagNegative, (value & 0x80) != 0);
    }
    void interrupt(std::uint16_t vector, bool fromBrk);
    void addWithCarry(std::uint8_t value);
    void subtractWithBorrow(std::uint8_t value);
    void compare(std::uint8_t reg, std::uint8_t value);
};

}  // namespace brimwick::c64
