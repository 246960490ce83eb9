// The emulated C64 of the tests and the benchmark, booted with the patched
// stand-in kernal and running the test program (c64src/) in the place of
// BASIC, which does one operation at a time from a mailbox in its memory
// through the kernal.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "c64/emulated_setup.h"
#include "c64/kernal/kernal_patcher.h"

namespace brimwick::c64::testing {

inline std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The stand-in stock kernal: its segments, one program file each.
inline std::vector<std::uint8_t> stockKernal() {
    std::vector<std::uint8_t> image(kKernalImageSize, 0);
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(BRIMWICK_C64_TEST_BUILD) + "/stock_kernal")) {
        std::string name = entry.path().filename().string();
        if (name.rfind("stock_kernal", 0) != 0 || entry.path().extension() != ".prg") continue;
        std::vector<std::uint8_t> prg = readBytes(entry.path().string());
        int address = prg[0] | (prg[1] << 8);
        for (std::size_t i = 2; i < prg.size(); ++i)
            image.at(static_cast<std::size_t>(address - kKernalStart) + i - 2) = prg[i];
    }
    return image;
}

inline std::vector<std::uint8_t> linkProgram() { return readBytes(BRIMWICK_LINK_KERNAL); }
// The test program, as the BASIC ROM of the emulated C64 ($A000-$BFFF).
inline std::vector<std::uint8_t> testBasic() {
    std::vector<std::uint8_t> prg =
        readBytes(std::string(BRIMWICK_C64_TEST_BUILD) + "/link_test_program/link_test_programa000.prg");
    return {prg.begin() + 2, prg.end()};
}
inline std::vector<std::uint8_t> patchedKernal() { return patchKernal(stockKernal(), linkProgram()); }

// The test program's mailbox (link_test_program.a64).
namespace mailbox {
inline constexpr std::uint16_t kOp = 0xC000;
inline constexpr std::uint16_t kDevice = 0xC001;
inline constexpr std::uint16_t kSecondary = 0xC002;
inline constexpr std::uint16_t kFast = 0xC003;
inline constexpr std::uint16_t kAddress1 = 0xC004;
inline constexpr std::uint16_t kAddress2 = 0xC006;
inline constexpr std::uint16_t kCount = 0xC008;
inline constexpr std::uint16_t kNameLength = 0xC009;
inline constexpr std::uint16_t kStockRoutine = 0xC00A;
inline constexpr std::uint16_t kVerify = 0xC00C;
inline constexpr std::uint16_t kName = 0xC010;
inline constexpr std::uint16_t kSt = 0xC080;
inline constexpr std::uint16_t kCarry = 0xC081;
inline constexpr std::uint16_t kEnd = 0xC082;
inline constexpr std::uint16_t kReceivedCount = 0xC084;
inline constexpr std::uint16_t kReceived = 0xC100;
}  // namespace mailbox

enum class Op : std::uint8_t {
    Load = 1, Save, Open, Print, Get, Close, Status, Command, Keys, Request, Call,
};

// Where the stand-in's own (byte-by-byte) LOAD and SAVE are.
inline constexpr std::uint16_t kStockLoad = 0xF4A5;
inline constexpr std::uint16_t kStockSave = 0xF5ED;
// Cycles one operation may take at most.
inline constexpr std::uint64_t kOperationCycles = 400'000'000;
// Cycles from a reset to the test program's main loop at most (the kernal
// tests the RAM up to $A000 on the way).
inline constexpr std::uint64_t kStartCycles = 20'000'000;

class C64Rig {
  public:
    static constexpr std::uint8_t kStarting = 0xFF;  // an operation code the program clears at its start
    EmulatedSetup setup;
    MemoryMap& memory = setup.c64.memory;

    explicit C64Rig(const std::vector<std::uint8_t>& kernal) {
        // The virtual C64 it is compared with starts with zeroed RAM, not a
        // C64's power-on pattern.
        memory.ram.fill(0);
        poke(mailbox::kOp, kStarting);
        setup.powerOn(kernal, testBasic());
        if (!waitForStart()) throw std::runtime_error("the test program did not start");
    }

    // After a reset: true once the test program is in its main loop (it
    // clears the operation code when it starts). Call `expectStart` before
    // whatever resets the C64.
    void expectStart() { poke(mailbox::kOp, kStarting); }
    bool waitForStart() {
        return setup.runUntil([this] { return peek(mailbox::kOp) == 0; }, kStartCycles);
    }

    void poke(std::uint16_t address, std::uint8_t value) { memory.ram[address] = value; }
    void pokeWord(std::uint16_t address, int value) {
        memory.ram[address] = static_cast<std::uint8_t>(value & 0xFF);
        memory.ram[static_cast<std::uint16_t>(address + 1)] = static_cast<std::uint8_t>(value >> 8);
    }
    void pokeText(const std::string& text) {
        poke(mailbox::kNameLength, static_cast<std::uint8_t>(text.size()));
        for (std::size_t i = 0; i < text.size(); ++i)
            poke(static_cast<std::uint16_t>(mailbox::kName + i), static_cast<std::uint8_t>(text[i]));
    }
    std::uint8_t peek(std::uint16_t address) const { return memory.ram[address]; }
    int peekWord(std::uint16_t address) const {
        return peek(address) | (peek(static_cast<std::uint16_t>(address + 1)) << 8);
    }
    std::vector<std::uint8_t> ram(int address, int length) const {
        std::vector<std::uint8_t> out;
        for (int i = 0; i < length; ++i) out.push_back(peek(static_cast<std::uint16_t>(address + i)));
        return out;
    }
    std::uint8_t st() const { return peek(mailbox::kSt); }
    std::vector<std::uint8_t> received() const {
        return ram(mailbox::kReceived, peek(mailbox::kReceivedCount));
    }

    // Runs one operation; false when it did not finish.
    bool run(Op op) {
        poke(mailbox::kOp, static_cast<std::uint8_t>(op));
        return setup.runUntil([this] { return peek(mailbox::kOp) == 0; }, kOperationCycles);
    }
    bool load(int device, const std::string& name, int secondary, bool fast, bool verify = false,
              int address = 0x0801) {
        poke(mailbox::kDevice, static_cast<std::uint8_t>(device));
        poke(mailbox::kSecondary, static_cast<std::uint8_t>(secondary));
        poke(mailbox::kFast, fast ? 1 : 0);
        poke(mailbox::kVerify, verify ? 1 : 0);
        pokeWord(mailbox::kAddress1, address);
        pokeWord(mailbox::kStockRoutine, kStockLoad);
        pokeText(name);
        return run(Op::Load);
    }
    bool save(int device, const std::string& name, int start, int end, bool fast) {
        poke(mailbox::kDevice, static_cast<std::uint8_t>(device));
        poke(mailbox::kSecondary, 0);
        poke(mailbox::kFast, fast ? 1 : 0);
        pokeWord(mailbox::kAddress1, start);
        pokeWord(mailbox::kAddress2, end);
        pokeWord(mailbox::kStockRoutine, kStockSave);
        pokeText(name);
        return run(Op::Save);
    }
    bool channel(Op op, int device, int secondary, const std::string& text, int count = 0) {
        poke(mailbox::kDevice, static_cast<std::uint8_t>(device));
        poke(mailbox::kSecondary, static_cast<std::uint8_t>(secondary));
        poke(mailbox::kCount, static_cast<std::uint8_t>(count));
        pokeText(text);
        return run(op);
    }
    // JSR to a routine, as SYS does.
    bool call(int address) {
        pokeWord(mailbox::kAddress1, address);
        return run(Op::Call);
    }
    bool request(int code, int pointer = 0, int counter1 = 0, int counter2 = 0) {
        pokeWord(mailbox::kAddress1, pointer);
        poke(mailbox::kAddress2, static_cast<std::uint8_t>(counter1));
        poke(mailbox::kAddress2 + 1, static_cast<std::uint8_t>(counter2));
        poke(mailbox::kCount, static_cast<std::uint8_t>(code));
        return run(Op::Request);
    }
};

}  // namespace brimwick::c64::testing
