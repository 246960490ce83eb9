// The 6510's instructions.
#include "c64/machine/cpu6510.h"

#include "c64/machine/opcode_table.h"

namespace brimwick::c64 {

void Cpu6510::reset() {
    sp = static_cast<std::uint8_t>(sp - 3);
    p |= kFlagInterrupt | kFlagUnused;
    pc = readWord(kResetVector);
    jammed = false;
    nmiPending = false;
    cycles += kInterruptCycles;
}

void Cpu6510::interrupt(std::uint16_t vector, bool fromBrk) {
    push(static_cast<std::uint8_t>(pc >> 8));
    push(static_cast<std::uint8_t>(pc & 0xFF));
    push(static_cast<std::uint8_t>(p | kFlagUnused | (fromBrk ? kFlagBreak : 0)));
    p |= kFlagInterrupt;
    pc = readWord(vector);
}

void Cpu6510::addWithCarry(std::uint8_t value) {
    const int carry = flag(kFlagCarry) ? 1 : 0;
    const int binary = a + value + carry;
    if (!flag(kFlagDecimal)) {
        setFlag(kFlagCarry, binary > 0xFF);
        setFlag(kFlagOverflow, ((a ^ binary) & (value ^ binary) & 0x80) != 0);
        a = static_cast<std::uint8_t>(binary);
        setNZ(a);
        return;
    }
    // NMOS decimal mode: Z comes from the binary sum, N and V from the sum
    // after the low digit was adjusted, C from the adjusted high digit.
    int low = (a & 0x0F) + (value & 0x0F) + carry;
    int high = (a & 0xF0) + (value & 0xF0);
    if (low > 0x09) low += 0x06;
    if (low > 0x0F) high += 0x10;
    setFlag(kFlagZero, (binary & 0xFF) == 0);
    setFlag(kFlagNegative, (high & 0x80) != 0);
    setFlag(kFlagOverflow, ((a ^ high) & (value ^ high) & 0x80) != 0);
    if (high > 0x90) high += 0x60;
    setFlag(kFlagCarry, high > 0xFF);
    a = static_cast<std::uint8_t>((low & 0x0F) | (high & 0xF0));
}

void Cpu6510::subtractWithBorrow(std::uint8_t value) {
    const int borrow = flag(kFlagCarry) ? 0 : 1;
    const int binary = a - value - borrow;
    // All flags come from the binary difference, in decimal mode too.
    setFlag(kFlagCarry, binary >= 0);
    setFlag(kFlagOverflow, ((a ^ value) & (a ^ binary) & 0x80) != 0);
    setNZ(static_cast<std::uint8_t>(binary));
    if (!flag(kFlagDecimal)) {
        a = static_cast<std::uint8_t>(binary);
        return;
    }
    int low = (a & 0x0F) - (value & 0x0F) - borrow;
    int high = (a >> 4) - (value >> 4);
    if (low < 0) {
        low -= 0x06;
        --high;
    }
    if (high < 0) high -= 0x06;
    a = static_cast<std::uint8_t>(((high << 4) | (low & 0x0F)) & 0xFF);
}

void Cpu6510::compare(std::uint8_t reg, std::uint8_t value) {
    setFlag(kFlagCarry, reg >= value);
    setNZ(static_cast<std::uint8_t>(reg - value));
}

int Cpu6510::step() {
    if (jammed) return 0;
    const std::uint64_t before = cycles;
    if (nmiPending) {
        nmiPending = false;
        interrupt(kNmiVector, false);
        cycles += kInterruptCycles;
        return kInterruptCycles;
    }
    if (irqLine && !flag(kFlagInterrupt)) {
        interrupt(kIrqVector, false);
        cycles += kInterruptCycles;
        return kInterruptCycles;
    }

    const std::uint16_t opcodeAddress = pc;
    const OpcodeInfo& info = kOpcodeTable[fetch()];
    cycles += info.cycles;

    // The operand's address (for every mode that has one).
    std::uint16_t address = 0;
    bool crossed = false;
    auto indexed = [&](std::uint16_t base, std::uint8_t index) {
        address = static_cast<std::uint16_t>(base + index);
        crossed = (base & 0xFF00) != (address & 0xFF00);
    };
    switch (info.mode) {
        case AddressMode::Illegal:
            jammed = true;
            pc = opcodeAddress;
            cycles = before;
            return 0;
        case AddressMode::Implied:
        case AddressMode::Accumulator:
            break;
        case AddressMode::Immediate:
        case AddressMode::Relative:
            address = pc++;
            break;
        case AddressMode::ZeroPage:
            address = fetch();
            break;
        case AddressMode::ZeroPageX:
            address = static_cast<std::uint8_t>(fetch() + x);
            break;
        case AddressMode::ZeroPageY:
            address = static_cast<std::uint8_t>(fetch() + y);
            break;
        case AddressMode::Absolute:
            address = fetchWord();
            break;
        case AddressMode::AbsoluteX:
            indexed(fetchWord(), x);
            break;
        case AddressMode::AbsoluteY:
            indexed(fetchWord(), y);
            break;
        case AddressMode::Indirect: {
            // The pointer's high byte comes from the same page: JMP ($10FF)
            // reads $10FF and $1000.
            std::uint16_t pointer = fetchWord();
            std::uint16_t highAt = static_cast<std::uint16_t>((pointer & 0xFF00) |
                                                              ((pointer + 1) & 0x00FF));
            address = static_cast<std::uint16_t>(read(pointer) | (read(highAt) << 8));
            break;
        }
        case AddressMode::IndexedIndirect: {
            std::uint8_t zp = static_cast<std::uint8_t>(fetch() + x);
            address = static_cast<std::uint16_t>(read(zp) |
                                                 (read(static_cast<std::uint8_t>(zp + 1)) << 8));
            break;
        }
        case AddressMode::IndirectIndexed: {
            std::uint8_t zp = fetch();
            std::uint16_t base = static_cast<std::uint16_t>(
                read(zp) | (read(static_cast<std::uint8_t>(zp + 1)) << 8));
            indexed(base, y);
            break;
        }
    }
    if (crossed && info.pagePenalty) ++cycles;

    auto branch = [&](bool taken) {
        std::int8_t offset = static_cast<std::int8_t>(read(address));
        if (!taken) return;
        std::uint16_t target = static_cast<std::uint16_t>(pc + offset);
        cycles += ((target & 0xFF00) != (pc & 0xFF00)) ? 2 : 1;
        pc = target;
    };
    // Read-modify-write on memory or the accumulator.
    auto modify = [&](auto change) {
        if (info.mode == AddressMode::Accumulator) {
            a = change(a);
            setNZ(a);
        } else {
            std::uint8_t value = change(read(address));
            write(address, value);
            setNZ(value);
        }
    };

    switch (info.operation) {
        case Operation::Illegal:
            break;
        case Operation::ADC:
            addWithCarry(read(address));
            break;
        case Operation::SBC:
            subtractWithBorrow(read(address));
            break;
        case Operation::AND:
            a &= read(address);
            setNZ(a);
            break;
        case Operation::ORA:
            a |= read(address);
            setNZ(a);
            break;
        case Operation::EOR:
            a ^= read(address);
            setNZ(a);
            break;
        case Operation::ASL:
            modify([&](std::uint8_t v) {
                setFlag(kFlagCarry, (v & 0x80) != 0);
                return static_cast<std::uint8_t>(v << 1);
            });
            break;
        case Operation::LSR:
            modify([&](std::uint8_t v) {
                setFlag(kFlagCarry, (v & 0x01) != 0);
                return static_cast<std::uint8_t>(v >> 1);
            });
            break;
        case Operation::ROL:
            modify([&](std::uint8_t v) {
                std::uint8_t in = flag(kFlagCarry) ? 0x01 : 0x00;
                setFlag(kFlagCarry, (v & 0x80) != 0);
                return static_cast<std::uint8_t>((v << 1) | in);
            });
            break;
        case Operation::ROR:
            modify([&](std::uint8_t v) {
                std::uint8_t in = flag(kFlagCarry) ? 0x80 : 0x00;
                setFlag(kFlagCarry, (v & 0x01) != 0);
                return static_cast<std::uint8_t>((v >> 1) | in);
            });
            break;
        case Operation::INC:
            modify([](std::uint8_t v) { return static_cast<std::uint8_t>(v + 1); });
            break;
        case Operation::DEC:
            modify([](std::uint8_t v) { return static_cast<std::uint8_t>(v - 1); });
            break;
        case Operation::BCC:
            branch(!flag(kFlagCarry));
            break;
        case Operation::BCS:
            branch(flag(kFlagCarry));
            break;
        case Operation::BEQ:
            branch(flag(kFlagZero));
            break;
        case Operation::BNE:
            branch(!flag(kFlagZero));
            break;
        case Operation::BMI:
            branch(flag(kFlagNegative));
            break;
        case Operation::BPL:
            branch(!flag(kFlagNegative));
            break;
        case Operation::BVC:
            branch(!flag(kFlagOverflow));
            break;
        case Operation::BVS:
            branch(flag(kFlagOverflow));
            break;
        case Operation::BIT: {
            std::uint8_t v = read(address);
            setFlag(kFlagZero, (a & v) == 0);
            setFlag(kFlagNegative, (v & 0x80) != 0);
            setFlag(kFlagOverflow, (v & 0x40) != 0);
            break;
        }
        case Operation::BRK:
            ++pc;  // BRK skips a padding byte
            interrupt(kIrqVector, true);
            break;
        case Operation::CLC:
            setFlag(kFlagCarry, false);
            break;
        case Operation::CLD:
            setFlag(kFlagDecimal, false);
            break;
        case Operation::CLI:
            setFlag(kFlagInterrupt, false);
            break;
        case Operation::CLV:
            setFlag(kFlagOverflow, false);
            break;
        case Operation::SEC:
            setFlag(kFlagCarry, true);
            break;
        case Operation::SED:
            setFlag(kFlagDecimal, true);
            break;
        case Operation::SEI:
            setFlag(kFlagInterrupt, true);
            break;
        case Operation::CMP:
            compare(a, read(address));
            break;
        case Operation::CPX:
            compare(x, read(address));
            break;
        case Operation::CPY:
            compare(y, read(address));
            break;
        case Operation::DEX:
            setNZ(--x);
            break;
        case Operation::DEY:
            setNZ(--y);
            break;
        case Operation::INX:
            setNZ(++x);
            break;
        case Operation::INY:
            setNZ(++y);
            break;
        case Operation::JMP:
            pc = address;
            break;
        case Operation::JSR: {
            std::uint16_t last = static_cast<std::uint16_t>(pc - 1);  // return address - 1
            push(static_cast<std::uint8_t>(last >> 8));
            push(static_cast<std::uint8_t>(last & 0xFF));
            pc = address;
            break;
        }
        case Operation::RTS: {
            std::uint16_t low = pull();
            pc = static_cast<std::uint16_t>((low | (pull() << 8)) + 1);
            break;
        }
        case Operation::RTI: {
            p = static_cast<std::uint8_t>((pull() & ~kFlagBreak) | kFlagUnused);
            std::uint16_t low = pull();
            pc = static_cast<std::uint16_t>(low | (pull() << 8));
            break;
        }
        case Operation::LDA:
            a = read(address);
            setNZ(a);
            break;
        case Operation::LDX:
            x = read(address);
            setNZ(x);
            break;
        case Operation::LDY:
            y = read(address);
            setNZ(y);
            break;
        case Operation::STA:
            write(address, a);
            break;
        case Operation::STX:
            write(address, x);
            break;
        case Operation::STY:
            write(address, y);
            break;
        case Operation::NOP:
            break;
        case Operation::PHA:
            push(a);
            break;
        case Operation::PHP:
            push(static_cast<std::uint8_t>(p | kFlagBreak | kFlagUnused));
            break;
        case Operation::PLA:
            a = pull();
            setNZ(a);
            break;
        case Operation::PLP:
            p = static_cast<std::uint8_t>((pull() & ~kFlagBreak) | kFlagUnused);
            break;
        case Operation::TAX:
            x = a;
            setNZ(x);
            break;
        case Operation::TAY:
            y = a;
            setNZ(y);
            break;
        case Operation::TSX:
            x = sp;
            setNZ(x);
            break;
        case Operation::TXA:
            a = x;
            setNZ(a);
            break;
        case Operation::TXS:
            sp = x;
            break;
        case Operation::TYA:
            a = y;
            setNZ(a);
            break;
    }
    return static_cast<int>(cycles - before);
}

}  // namespace brimwick::c64
