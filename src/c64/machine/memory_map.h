// The C64's 64 KB as the 6510 sees them. The processor port at $0000 (data
// direction) and $0001 (data) banks the ROMs: with HIRAM (bit 1) set the
// KERNAL shows at $E000-$FFFF, with LORAM (bit 0) and HIRAM both set the
// BASIC ROM shows at $A000-$BFFF, and with either set $D000-$DFFF shows I/O
// (CHAREN, bit 2, set) or the character ROM (CHAREN clear). A bit whose
// direction is input reads as 1 through the pull-up, so after a reset (all
// inputs) everything is banked in. Writes always reach the RAM underneath,
// also under the ROMs and at $0000/$0001, except that I/O, when banked in,
// takes its own writes.
//
// The I/O area: the VIC-II at $D000-$D3FF, the SID at $D400-$D7FF, the
// colour RAM at $D800-$DBFF (1000 nibbles used; its upper four bits are not
// connected and read 1 here), CIA 1 at $DC00, CIA 2 at $DD00, and the
// expansion port's I/O 1 and 2 at $DE00-$DFFF, which keep what is written.
//
// A C64's RAM powers on in a pattern of alternating 64-byte blocks of $00
// and $FF (some programs and kernals see it); the memory map starts so.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "c64/machine/cia1.h"
#include "c64/machine/cia2.h"
#include "c64/machine/cpu6510.h"
#include "c64/machine/sid_registers.h"
#include "c64/machine/vic2.h"

namespace brimwick::c64 {

inline constexpr int kC64MemorySize = 0x10000;
inline constexpr int kRomSize = 0x2000;        // BASIC and KERNAL, 8 KB each
inline constexpr int kCharacterRomSize = 0x1000;
inline constexpr int kColourRamSize = 0x400;
inline constexpr std::uint16_t kBasicRomStart = 0xA000;
inline constexpr std::uint16_t kIoStart = 0xD000;
inline constexpr std::uint16_t kColourRamStart = 0xD800;
inline constexpr std::uint16_t kExpansionIoStart = 0xDE00;
inline constexpr std::uint16_t kKernalRomStart = 0xE000;
inline constexpr std::uint16_t kPortDirectionAddress = 0x0000;
inline constexpr std::uint16_t kPortDataAddress = 0x0001;

// Processor port bits.
inline constexpr std::uint8_t kLoram = 0x01;
inline constexpr std::uint8_t kHiram = 0x02;
inline constexpr std::uint8_t kCharen = 0x04;
// The bits of $0001 that read 1 when set as inputs (the banking lines and
// the cassette sense line are pulled up).
inline constexpr std::uint8_t kPortPullUps = 0x17;

class MemoryMap : public Bus {
  public:
    std::array<std::uint8_t, kC64MemorySize> ram{};              // all RAM, under the ROMs too
    std::array<std::uint8_t, kRomSize> basicRom{};               // $A000-$BFFF when banked in
    std::array<std::uint8_t, kRomSize> kernalRom{};              // $E000-$FFFF when banked in
    std::array<std::uint8_t, kCharacterRomSize> characterRom{};  // $D000-$DFFF without CHAREN; the VIC's glyphs
    std::array<std::uint8_t, kColourRamSize> colourRam{};        // $D800-$DBFF, 4 bits each
    std::array<std::uint8_t, 0x200> expansionIo{};               // $DE00-$DFFF as written
    VicII vic;                                                   // $D000-$D3FF
    SidRegisters sid;                                            // $D400-$D7FF
    Cia1 cia1;                                                   // $DC00-$DCFF
    Cia2 cia2;                                                   // $DD00-$DDFF
    std::uint8_t portDirection = 0;                              // $0000
    std::uint8_t portData = 0;                                   // $0001 as written

    MemoryMap();
    MemoryMap(const MemoryMap&) = delete;
    MemoryMap& operator=(const MemoryMap&) = delete;

    // The processor port as the CPU reads $0001.
    std::uint8_t portValue() const {
        return static_cast<std::uint8_t>((portData & portDirection) | (kPortPullUps & ~portDirection));
    }
    // Power-on or reset of the processor port (all inputs).
    void resetPort() {
        portDirection = 0;
        portData = 0;
    }

    std::uint8_t read(std::uint16_t address) override;
    void write(std::uint16_t address, std::uint8_t value) override;

    // Loads bytes into RAM at `address` (wrapping at $FFFF), as a loader would.
    void load(std::uint16_t address, const std::vector<std::uint8_t>& bytes);

    // What the VIC-II sees now (its bank follows CIA 2).
    const VicMemory& vicMemory() {
        vicMemory_.bank = cia2.vicBank();
        return vicMemory_;
    }

  private:
    VicMemory vicMemory_;  // pointers into this map
    std::uint8_t readIo(std::uint16_t address);
    void writeIo(std::uint16_t address, std::uint8_t value);
};

}  // namespace brimwick::c64
