// Recognising a C64 kernal and patching the link kernal into it.
#include "c64/kernal/kernal_patcher.h"

#include <algorithm>

#include "c64/machine/opcode_table.h"
#include "c64/vc64/hex_text.h"

namespace brimwick::c64 {

using c64::vc64::hex2;
using c64::vc64::hex4;

namespace {

// Bytes a JMP over a routine's start takes.
constexpr int kHookSize = 3;
// Branch opcodes flip their condition with this bit.
constexpr std::uint8_t kBranchInvert = 0x20;
constexpr std::uint8_t kOraImmediate = 0x09;
constexpr std::uint8_t kBitAbsolute = 0x2C;
constexpr std::uint8_t kListenBits = 0x20;
constexpr std::uint8_t kTalkBits = 0x40;

std::string at(std::uint16_t address) {
    return "$" + hex4(address);
}

// Read access to an 8 KB image by C64 address.
class Rom {
  public:
    explicit Rom(const std::vector<std::uint8_t>& image) : image_(image) {}
    static bool inRom(int address) { return address >= kKernalStart && address <= 0xFFFF; }
    std::uint8_t byte(int address) const {
        return image_[static_cast<std::size_t>(address - kKernalStart)];
    }
    std::uint16_t word(int address) const {
        return static_cast<std::uint16_t>(byte(address) | (byte(address + 1) << 8));
    }

  private:
    const std::vector<std::uint8_t>& image_;
};

bool inLinkArea(int address) {
    return address >= kLinkAreaStart && address < kLinkAreaEnd;
}

// Where a JMP-absolute jump table entry leads.
std::uint16_t jumpTarget(const Rom& rom, std::uint16_t entry, const char* name) {
    if (rom.byte(entry) != kJmpAbsolute)
        throw PatchError(std::string("the jump table entry of ") + name + " at " + at(entry) +
                         " is not a JMP");
    std::uint16_t target = rom.word(entry + 1);
    if (!Rom::inRom(target))
        throw PatchError(std::string(name) + " at " + at(entry) + " leads out of the kernal, to " +
                         at(target));
    return target;
}

// Copies the instructions that cover [from, until) so that they run
// elsewhere and then go on at the first byte after them. A branch becomes
// the opposite branch over a JMP to its target.
std::vector<std::uint8_t> relocate(const Rom& rom, std::uint16_t from, std::uint16_t until,
                                   const std::string& name) {
    std::vector<std::uint8_t> out;
    int pc = from;
    auto refuse = [&](const std::string& why) {
        return PatchError("the start of " + name + " at " + at(from) + " cannot be moved: " + why);
    };
    while (pc < until) {
        std::uint8_t opcode = rom.byte(pc);
        const OpcodeInfo& info = kOpcodeTable[opcode];
        if (info.operation == Operation::Illegal || info.operation == Operation::BRK ||
            info.operation == Operation::RTI)
            throw refuse("$" + hex2(opcode) + " at " + at(static_cast<std::uint16_t>(pc)));
        int length = instructionLength(info.mode);
        if (pc + length > 0x10000) throw refuse("it runs past $FFFF");
        int target = -1;
        if (info.mode == AddressMode::Relative)
            target = (pc + 2 + static_cast<std::int8_t>(rom.byte(pc + 1))) & 0xFFFF;
        else if (info.operation == Operation::JMP || info.operation == Operation::JSR)
            target = rom.word(pc + 1);
        int coveredEnd = std::max<int>(until, pc + length);
        if (target > from && target < coveredEnd)
            throw refuse("a jump into the bytes the hook covers");
        if (info.mode == AddressMode::Relative) {
            out.insert(out.end(), {static_cast<std::uint8_t>(opcode ^ kBranchInvert), 3,
                                   kJmpAbsolute, static_cast<std::uint8_t>(target & 0xFF),
                                   static_cast<std::uint8_t>(target >> 8)});
        } else {
            for (int i = 0; i < length; ++i) out.push_back(rom.byte(pc + i));
        }
        pc += length;
    }
    out.insert(out.end(), {kJmpAbsolute, static_cast<std::uint8_t>(pc & 0xFF),
                           static_cast<std::uint8_t>((pc >> 8) & 0xFF)});
    return out;
}

}  // namespace

KernalStructure recogniseKernal(const std::vector<std::uint8_t>& image) {
    if (image.size() != static_cast<std::size_t>(kKernalImageSize))
        throw PatchError("it is " + std::to_string(image.size()) +
                         " bytes; a C64 kernal image is 8192");
    Rom rom(image);
    KernalStructure k;
    for (int entry = kJumpTableFirst; entry <= kJumpTableLast; entry += kJumpEntrySize) {
        std::uint8_t opcode = rom.byte(entry);
        if (opcode != kJmpAbsolute && opcode != kJmpIndirect)
            throw PatchError("no kernal jump table at $FF81-$FFF3 ($" + hex2(opcode) + " at " +
                             at(static_cast<std::uint16_t>(entry)) + ")");
        std::uint16_t target = rom.word(entry + 1);
        if (opcode == kJmpAbsolute && !Rom::inRom(target))
            throw PatchError("the jump table entry at " + at(static_cast<std::uint16_t>(entry)) +
                             " leads out of the kernal");
        if (opcode == kJmpAbsolute && inLinkArea(target))
            throw PatchError("the jump table entry at " + at(static_cast<std::uint16_t>(entry)) +
                             " leads into the datasette routines at $F72C-$FB8D");
    }
    if (rom.byte(kJumpOpen) != kJmpIndirect ||
        rom.word(kJumpOpen + 1) != kIoVectorsRam + 2 * kVectorOpen)
        throw PatchError("OPEN ($FFC0) does not jump through the vector at $031A");

    // RESTOR starts with LDX #<table, LDY #>table.
    std::uint16_t restor = jumpTarget(rom, kJumpRestor, "RESTOR");
    if (restor > 0xFFFF - 4 || rom.byte(restor) != 0xA2 || rom.byte(restor + 2) != 0xA0)
        throw PatchError("RESTOR at " + at(restor) +
                         " does not load the address of the I/O vectors");
    k.vectorTable = static_cast<std::uint16_t>(rom.byte(restor + 1) | (rom.byte(restor + 3) << 8));
    if (!Rom::inRom(k.vectorTable) || k.vectorTable + 2 * kIoVectorCount > 0x10000)
        throw PatchError("the default I/O vectors at " + at(k.vectorTable) +
                         " are not in the kernal");
    for (int i = 0; i < kIoVectorCount; ++i) {
        k.vectors[static_cast<std::size_t>(i)] = rom.word(k.vectorTable + 2 * i);
        std::uint16_t v = k.vectors[static_cast<std::size_t>(i)];
        if (!Rom::inRom(v) || inLinkArea(v))
            throw PatchError("the default I/O vector " + std::to_string(i) + " (" + at(v) +
                             ") does not lead into the kernal's own routines");
    }

    if (!std::equal(kSetStatusCode.begin(), kSetStatusCode.end(),
                    image.begin() + (kSetStatusRoutine - kKernalStart)))
        throw PatchError("$FE1C does not OR the accumulator into ST");

    for (std::size_t i = 0; i < kCodeHooks.size(); ++i) {
        k.routines[i] = jumpTarget(rom, kCodeHooks[i].jumpEntry, kCodeHooks[i].name);
        if (k.routines[i] > 0xFFFF - 8)
            throw PatchError(std::string(kCodeHooks[i].name) + " is too close to $FFFF");
    }
    // TALK is ORA #$40 followed by BIT abs, which skips LISTEN's ORA #$20:
    // both then share LISTEN's code.
    std::uint16_t listen = k.routines[0];
    std::uint16_t talk = k.routines[1];
    if (listen != talk + 3 || rom.byte(talk) != kOraImmediate || rom.byte(talk + 1) != kTalkBits ||
        rom.byte(talk + 2) != kBitAbsolute || rom.byte(listen) != kOraImmediate ||
        rom.byte(listen + 1) != kListenBits)
        throw PatchError("TALK (" + at(talk) + ") and LISTEN (" + at(listen) +
                         ") do not share their code as a C64 kernal's do");
    for (std::size_t i = 0; i < kCodeHooks.size(); ++i) {
        for (std::size_t j = 0; j < kCodeHooks.size(); ++j) {
            int distance = static_cast<int>(k.routines[j]) - static_cast<int>(k.routines[i]);
            if (i != j && distance >= 0 && distance < kHookSize)
                throw PatchError(std::string(kCodeHooks[i].name) + " and " + kCodeHooks[j].name +
                                 " are too close together to be hooked");
        }
    }

    // The datasette's interrupt routines: a table of four IRQ handlers
    // (write leader, write, the normal IRQ, read), the read handler inside
    // the area the link kernal takes, the others after it.
    bool found = false;
    for (int a = kKernalStart; a + 8 <= 0x10000 && !found; ++a) {
        std::uint16_t leader = rom.word(a), write = rom.word(a + 2), normal = rom.word(a + 4),
                      read = rom.word(a + 6);
        found = normal == k.vectors[kVectorIrq] && inLinkArea(read) && write >= kLinkAreaEnd &&
                leader >= kLinkAreaEnd && Rom::inRom(write) && Rom::inRom(leader);
    }
    if (!found)
        throw PatchError(
            "no datasette routines at $F72C-$FB8D (no tape interrupt table leads there)");
    for (std::size_t i = 0; i < kCodeHooks.size(); ++i)
        if (inLinkArea(k.routines[i]))
            throw PatchError(std::string(kCodeHooks[i].name) +
                             " lies among the datasette routines");
    return k;
}

bool isLinkKernal(const std::vector<std::uint8_t>& image) {
    std::size_t offset = kLinkAreaStart - kKernalStart + kLinkMagicOffset;
    return image.size() == static_cast<std::size_t>(kKernalImageSize) &&
           std::equal(kLinkMagic.begin(), kLinkMagic.end(),
                      image.begin() + static_cast<long>(offset));
}

std::vector<std::uint8_t> patchKernal(const std::vector<std::uint8_t>& stock,
                                      const std::vector<std::uint8_t>& linkProgram) {
    if (isLinkKernal(stock)) throw PatchError("it already holds the Brimwick link kernal");
    KernalStructure k = recogniseKernal(stock);

    // The link kernal program: loads at kLinkAreaStart, starts with its table.
    if (linkProgram.size() < 2 + static_cast<std::size_t>(kLinkCodeEndOffset + 2) ||
        (linkProgram[0] | (linkProgram[1] << 8)) != kLinkAreaStart ||
        !std::equal(kLinkMagic.begin(), kLinkMagic.end(),
                    linkProgram.begin() + 2 + kLinkMagicOffset) ||
        linkProgram[2 + kLinkVersionOffset] != kLinkVersion)
        throw PatchError("the link kernal program is not one this version of Brimwick built");
    std::vector<std::uint8_t> code(linkProgram.begin() + 2, linkProgram.end());
    auto codeWord = [&](int offset) {
        return static_cast<std::uint16_t>(code[static_cast<std::size_t>(offset)] |
                                          (code[static_cast<std::size_t>(offset) + 1] << 8));
    };
    std::uint16_t codeEnd = codeWord(kLinkCodeEndOffset);
    if (codeEnd != kLinkAreaStart + code.size() || codeEnd > kLinkAreaEnd)
        throw PatchError("the link kernal program does not fit the datasette routines' place");

    std::vector<std::uint8_t> image = stock;
    auto put = [&](int address, std::uint8_t value) {
        image[static_cast<std::size_t>(address - kKernalStart)] = value;
    };
    auto putWord = [&](int address, int value) {
        put(address, static_cast<std::uint8_t>(value & 0xFF));
        put(address + 1, static_cast<std::uint8_t>((value >> 8) & 0xFF));
    };
    for (int a = kLinkAreaStart; a < kLinkAreaEnd; ++a) put(a, kLinkAreaFiller);
    for (std::size_t i = 0; i < code.size(); ++i)
        put(kLinkAreaStart + static_cast<int>(i), code[i]);

    // Trampolines go after the code.
    int free = codeEnd;
    auto place = [&](const std::vector<std::uint8_t>& bytes) {
        if (free + static_cast<int>(bytes.size()) > kLinkAreaEnd)
            throw PatchError(
                "the moved starts of the hooked routines do not fit after the link kernal");
        int address = free;
        for (std::uint8_t b : bytes) put(free++, b);
        return address;
    };
    auto hookEntry = [&](std::size_t i) {
        return codeWord(kLinkHooksOffset + kLinkHookSize * static_cast<int>(i));
    };
    auto passOperand = [&](std::size_t i) {
        return codeWord(kLinkHooksOffset + kLinkHookSize * static_cast<int>(i) + 2);
    };
    Rom rom(stock);
    for (std::size_t i = 0; i < kCodeHooks.size(); ++i) {
        std::uint16_t routine = k.routines[i];
        if (i == 1) {
            // TALK passes through like LISTEN, after LISTEN's ORA.
        } else {
            std::uint16_t from = i == 0 ? static_cast<std::uint16_t>(routine + 2) : routine;
            int trampoline = place(relocate(
                rom, from, static_cast<std::uint16_t>(routine + kHookSize), kCodeHooks[i].name));
            putWord(passOperand(i), trampoline);
        }
        put(routine, kJmpAbsolute);
        putWord(routine + 1, hookEntry(i));
    }
    for (std::size_t v = 0; v < kVectorHooks.size(); ++v) {
        std::size_t slot = kCodeHooks.size() + v;
        int vector = kVectorHooks[v].vector;
        putWord(passOperand(slot), k.vectors[static_cast<std::size_t>(vector)]);
        putWord(k.vectorTable + 2 * vector, hookEntry(slot));
    }
    return image;
}

}  // namespace brimwick::c64
