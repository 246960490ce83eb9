// The emulated 6510: the public 6502 functional test (every documented
// opcode, addressing mode, flag and decimal mode), and a table of single
// instructions with their cycle counts and flags, including the cases the
// functional test does not time: page crossings, taken branches, interrupts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "c64/machine/cpu6510.h"
#include "c64/machine/opcode_table.h"

namespace brimwick::c64 {
namespace {

// 64 KB of plain RAM, no processor port.
class FlatBus : public Bus {
  public:
    std::vector<std::uint8_t> ram = std::vector<std::uint8_t>(0x10000, 0);
    std::uint8_t read(std::uint16_t address) override { return ram[address]; }
    void write(std::uint16_t address, std::uint8_t value) override { ram[address] = value; }
};

// Where the functional test is: $BRIMWICK_6502_TEST, or the shared test data
// beside the source tree.
std::string functionalTestPath() {
    if (const char* path = std::getenv("BRIMWICK_6502_TEST"); path != nullptr && *path != '\0')
        return path;
    const char* source = std::getenv("BRIMWICK_SOURCE_DIR");
    std::string root = source != nullptr ? source : ".";
    return root + "/../shared/test-data/6502/6502_functional_test.bin";
}

TEST(Cpu6510, PassesTheFunctionalTest) {
    const std::string path = functionalTestPath();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        GTEST_SKIP() << "6502 functional test not found at " << path
                     << " (set BRIMWICK_6502_TEST to the .bin file)";
    FlatBus bus;
    in.read(reinterpret_cast<char*>(bus.ram.data()), 0x10000);
    ASSERT_EQ(in.gcount(), 0x10000);
    Cpu6510 cpu(bus);
    cpu.pc = 0x0400;
    constexpr std::uint16_t kSuccess = 0x3469;
    constexpr long kStepLimit = 200'000'000;
    std::uint16_t previous = 0;
    for (long steps = 0; steps < kStepLimit; ++steps) {
        previous = cpu.pc;
        cpu.step();
        ASSERT_FALSE(cpu.jammed) << "undocumented opcode at $" << std::hex << previous;
        if (cpu.pc == previous) break;  // a jmp * or a branch to itself
    }
    EXPECT_EQ(cpu.pc, kSuccess) << "stopped at $" << std::hex << cpu.pc
                                << " (see the test's listing for that address)";
}

TEST(Cpu6510, TableHasEveryDocumentedOpcodeOnce) {
    int documented = 0;
    for (const OpcodeInfo& info : kOpcodeTable)
        if (info.operation != Operation::Illegal) ++documented;
    EXPECT_EQ(documented, 151);
}

// One instruction at $0200 with the given bytes and registers; the result.
struct Case {
    const char* name;
    std::vector<std::uint8_t> code;  // at $0200
    std::uint8_t a, x, y, p;         // before
    int cycles;                      // expected
    std::uint8_t wantA, wantP;       // after (P with the unused bit set)
    std::uint16_t wantPc;
};

class SingleInstruction : public ::testing::TestWithParam<Case> {};

TEST_P(SingleInstruction, CyclesRegistersAndFlags) {
    const Case& c = GetParam();
    FlatBus bus;
    for (std::size_t i = 0; i < c.code.size(); ++i) bus.ram[0x0200 + i] = c.code[i];
    bus.ram[0x10FF] = 0x80;  // operands used by the cases
    bus.ram[0x1100] = 0x01;
    bus.ram[0x0080] = 0xFF;
    bus.ram[0x0081] = 0x10;  // ($80) -> $10FF
    Cpu6510 cpu(bus);
    cpu.pc = 0x0200;
    cpu.a = c.a;
    cpu.x = c.x;
    cpu.y = c.y;
    cpu.p = static_cast<std::uint8_t>(c.p | kFlagUnused);
    EXPECT_EQ(cpu.step(), c.cycles);
    EXPECT_EQ(cpu.a, c.wantA);
    EXPECT_EQ(cpu.p, static_cast<std::uint8_t>(c.wantP | kFlagUnused));
    EXPECT_EQ(cpu.pc, c.wantPc);
}

constexpr std::uint8_t C = kFlagCarry, Z = kFlagZero, V = kFlagOverflow, Nf = kFlagNegative,
                       D = kFlagDecimal, I = kFlagInterrupt;

INSTANTIATE_TEST_SUITE_P(
    Cases, SingleInstruction,
    ::testing::Values(
        Case{"lda_abs_x_no_cross", {0xBD, 0x00, 0x11}, 0, 0, 0, 0, 4, 0x01, 0, 0x0203},
        Case{"lda_abs_x_crosses", {0xBD, 0xFF, 0x10}, 0, 1, 0, 0, 5, 0x01, 0, 0x0203},
        Case{"lda_ind_y_crosses", {0xB1, 0x80}, 0, 0, 1, 0, 6, 0x01, 0, 0x0202},
        Case{"sta_abs_x_always_5", {0x9D, 0x00, 0x30}, 7, 0, 0, 0, 5, 7, 0, 0x0203},
        Case{"branch_not_taken", {0xD0, 0x10}, 0, 0, 0, Z, 2, 0, Z, 0x0202},
        Case{"branch_taken", {0xD0, 0x10}, 0, 0, 0, 0, 3, 0, 0, 0x0212},
        Case{"branch_taken_page", {0xD0, 0x80}, 0, 0, 0, 0, 4, 0, 0, 0x0182},
        Case{"adc_overflow", {0x69, 0x50}, 0x50, 0, 0, 0, 2, 0xA0, V | Nf, 0x0202},
        Case{"adc_carry_zero", {0x69, 0x01}, 0xFF, 0, 0, 0, 2, 0x00, C | Z, 0x0202},
        Case{"adc_decimal", {0x69, 0x27}, 0x15, 0, 0, D, 2, 0x42, D, 0x0202},
        Case{"adc_decimal_carry", {0x69, 0x01}, 0x99, 0, 0, D, 2, 0x00, D | C | Nf, 0x0202},
        Case{"sbc_decimal", {0xE9, 0x19}, 0x42, 0, 0, D | C, 2, 0x23, D | C, 0x0202},
        Case{"sbc_borrow", {0xE9, 0x01}, 0x00, 0, 0, C, 2, 0xFF, Nf, 0x0202},
        Case{"cmp_equal", {0xC9, 0x40}, 0x40, 0, 0, 0, 2, 0x40, Z | C, 0x0202},
        Case{"bit_copies_7_6", {0x2C, 0xFF, 0x10}, 0x00, 0, 0, 0, 4, 0x00, Nf | Z, 0x0203},
        Case{"ror_acc_through_carry", {0x6A}, 0x01, 0, 0, C, 2, 0x80, C | Nf, 0x0201},
        Case{"inc_abs_x_7", {0xFE, 0x00, 0x30}, 0, 0, 0, 0, 7, 0, 0, 0x0203},
        Case{"jmp_indirect_page_bug", {0x6C, 0xFF, 0x10}, 0, 0, 0, 0, 5, 0, 0, 0x0080},
        Case{"brk_7", {0x00}, 0, 0, 0, 0, 7, 0, I, 0x0000},
        Case{"jsr_6", {0x20, 0x00, 0x30}, 0, 0, 0, 0, 6, 0, 0, 0x3000}),
    [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

TEST(Cpu6510, InterruptsPushStateAndObeyTheIFlag) {
    FlatBus bus;
    bus.ram[0xFFFE] = 0x00;
    bus.ram[0xFFFF] = 0x40;  // IRQ -> $4000
    bus.ram[0xFFFA] = 0x00;
    bus.ram[0xFFFB] = 0x50;  // NMI -> $5000
    bus.ram[0xFFFC] = 0x00;
    bus.ram[0xFFFD] = 0x20;  // reset -> $2000
    bus.ram[0x2000] = 0xEA;
    bus.ram[0x4000] = 0x40;  // RTI
    Cpu6510 cpu(bus);
    cpu.reset();
    EXPECT_EQ(cpu.pc, 0x2000);
    EXPECT_TRUE(cpu.flag(kFlagInterrupt));
    cpu.irqLine = true;
    EXPECT_EQ(cpu.step(), 2);  // masked: the NOP runs
    EXPECT_EQ(cpu.pc, 0x2001);
    cpu.p &= static_cast<std::uint8_t>(~kFlagInterrupt);
    EXPECT_EQ(cpu.step(), kInterruptCycles);
    EXPECT_EQ(cpu.pc, 0x4000);
    EXPECT_EQ(bus.ram[0x0100 + cpu.sp + 1] & kFlagBreak, 0);  // pushed without B
    cpu.irqLine = false;
    cpu.step();  // RTI
    EXPECT_EQ(cpu.pc, 0x2001);
    EXPECT_FALSE(cpu.flag(kFlagInterrupt));
    cpu.p |= kFlagInterrupt;
    cpu.triggerNmi();  // not maskable
    cpu.step();
    EXPECT_EQ(cpu.pc, 0x5000);
}

TEST(Cpu6510, UndocumentedOpcodeJams) {
    FlatBus bus;
    bus.ram[0x0200] = 0x02;
    Cpu6510 cpu(bus);
    cpu.pc = 0x0200;
    EXPECT_EQ(cpu.step(), 0);
    EXPECT_TRUE(cpu.jammed);
    EXPECT_EQ(cpu.pc, 0x0200);
}

}  // namespace
}  // namespace brimwick::c64
