// Finding the four places a kernal running from RAM must differ from one in
// ROM, and the bytes that change them.
#include "c64/kernal/ram_kernal.h"

#include <algorithm>
#include <string>

#include "c64/vc64/hex_text.h"

namespace brimwick::c64 {

namespace {

using c64::vc64::hex4;

constexpr std::uint16_t kNmiVector = 0xFFFA;
constexpr std::uint16_t kResetVector = 0xFFFC;
constexpr std::uint16_t kJumpIoinit = 0xFF84;
constexpr std::uint16_t kJumpRamtas = 0xFF87;
constexpr std::uint16_t kJumpMemtop = 0xFF99;
// How far into a routine the instruction sought may lie.
constexpr int kSearchSpan = 0x60;
constexpr std::uint8_t kBcc = 0x90;
constexpr std::uint8_t kJsr = 0x20;
constexpr std::uint8_t kNop = 0xEA;
constexpr std::uint8_t kLdx = 0xA2;
constexpr std::uint8_t kLdy = 0xA0;
// IOINIT's LDA #$E7 : STA $01, and the value the RAM copy writes instead:
// the same bits with HIRAM clear (kernal RAM, BASIC RAM, I/O).
constexpr std::uint8_t kIoinitBanking[] = {0xA9, 0xE7, 0x85, 0x01};
constexpr std::uint8_t kRamIoinitBanking = 0xE5;
// BNE over JMP ($8000) in the reset, over JMP ($8002) in the NMI.
constexpr std::uint8_t kResetCartridge[] = {0xD0, 0x03, 0x6C, 0x00, 0x80};
constexpr std::uint8_t kNmiCartridge[] = {0xD0, 0x03, 0x6C, 0x02, 0x80};
constexpr int kCartridgeJumpOffset = 2;  // the JMP within those five bytes
constexpr int kJmpSize = 3;
// The routine RAMTAS calls instead of setting the top of memory itself:
// LDX #<top, LDY #>top, JMP settop; at the end of the link area.
constexpr int kTopRoutineSize = 7;
constexpr std::uint16_t kTopRoutine = kLinkAreaEnd - kTopRoutineSize;

std::string at(int address) {
    return "$" + hex4(static_cast<std::uint16_t>(address));
}

class Image {
  public:
    explicit Image(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    std::uint8_t byte(int address) const {
        return bytes_[static_cast<std::size_t>(address - kKernalStart)];
    }
    std::uint16_t word(int address) const {
        return static_cast<std::uint16_t>(byte(address) | (byte(address + 1) << 8));
    }
    // Where a JMP-absolute jump table entry leads.
    std::uint16_t entry(std::uint16_t address, const char* name) const {
        if (byte(address) != kJmpAbsolute)
            throw PatchError(std::string("the jump table entry of ") + name + " at " + at(address) +
                             " is not a JMP");
        std::uint16_t target = word(address + 1);
        if (target < kKernalStart)
            throw PatchError(std::string(name) + " leads out of the kernal, to " + at(target));
        return target;
    }
    // The first address at or after `from` (within the span) where `pattern` stands.
    template <std::size_t N>
    int find(int from, const std::uint8_t (&pattern)[N]) const {
        for (int a = from; a < from + kSearchSpan && a + static_cast<int>(N) <= 0x10000; ++a) {
            bool same = true;
            for (std::size_t i = 0; i < N && same; ++i)
                same = byte(a + static_cast<int>(i)) == pattern[i];
            if (same) return a;
        }
        return -1;
    }

  private:
    const std::vector<std::uint8_t>& bytes_;
};

}  // namespace

std::vector<RamFix> ramKernalFixes(const std::vector<std::uint8_t>& patched) {
    if (!isLinkKernal(patched)) throw PatchError("it does not hold the Brimwick link kernal");
    Image rom(patched);
    std::vector<RamFix> fixes;
    auto put = [&](int address, std::uint8_t value) {
        fixes.push_back({static_cast<std::uint16_t>(address), value});
    };

    std::uint16_t ioinit = rom.entry(kJumpIoinit, "IOINIT");
    int banking = rom.find(ioinit, kIoinitBanking);
    if (banking < 0) throw PatchError("IOINIT at " + at(ioinit) + " does not write $E7 to $01");
    put(banking + 1, kRamIoinitBanking);

    std::uint16_t reset = rom.word(kResetVector);
    int resetCheck = reset >= kKernalStart ? rom.find(reset, kResetCartridge) : -1;
    if (resetCheck < 0)
        throw PatchError("the reset at " + at(reset) + " has no check for a cartridge at $8000");
    std::uint16_t nmi = rom.word(kNmiVector);
    int nmiCheck = nmi >= kKernalStart ? rom.find(nmi, kNmiCartridge) : -1;
    if (nmiCheck < 0)
        throw PatchError("the NMI at " + at(nmi) + " has no check for a cartridge at $8000");
    for (int check : {resetCheck, nmiCheck})
        for (int i = 0; i < kJmpSize; ++i) put(check + kCartridgeJumpOffset + i, kNop);

    // MEMTOP starts with BCC to the part that sets the top; RAMTAS calls that part.
    std::uint16_t memtop = rom.entry(kJumpMemtop, "MEMTOP");
    if (rom.byte(memtop) != kBcc)
        throw PatchError("MEMTOP at " + at(memtop) + " does not start with BCC");
    int setTop = (memtop + 2 + static_cast<std::int8_t>(rom.byte(memtop + 1))) & 0xFFFF;
    std::uint16_t ramtas = rom.entry(kJumpRamtas, "RAMTAS");
    const std::uint8_t callSetTop[] = {kJsr, static_cast<std::uint8_t>(setTop & 0xFF),
                                       static_cast<std::uint8_t>(setTop >> 8)};
    int call = rom.find(ramtas, callSetTop);
    if (call < 0)
        throw PatchError("RAMTAS at " + at(ramtas) + " does not set the top of memory through " +
                         at(setTop));
    for (int a = kTopRoutine; a < kLinkAreaEnd; ++a)
        if (rom.byte(a) != kLinkAreaFiller)
            throw PatchError("no room left at the end of the link kernal, at " + at(a));
    const std::uint8_t topRoutine[kTopRoutineSize] = {
        kLdx, static_cast<std::uint8_t>(kRamLoaderStart & 0xFF),
        kLdy, static_cast<std::uint8_t>(kRamLoaderStart >> 8),
        kJmpAbsolute, static_cast<std::uint8_t>(setTop & 0xFF), static_cast<std::uint8_t>(setTop >> 8)};
    for (int i = 0; i < kTopRoutineSize; ++i) put(kTopRoutine + i, topRoutine[i]);
    put(call + 1, static_cast<std::uint8_t>(kTopRoutine & 0xFF));
    put(call + 2, static_cast<std::uint8_t>(kTopRoutine >> 8));
    return fixes;
}

std::vector<std::uint8_t> ramKernal(const std::vector<std::uint8_t>& patched) {
    std::vector<std::uint8_t> image = patched;
    for (const RamFix& fix : ramKernalFixes(patched))
        image[static_cast<std::size_t>(fix.address - kKernalStart)] = fix.value;
    return image;
}

}  // namespace brimwick::c64
