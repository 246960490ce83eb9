// Machine code on the virtual C64: the emulated 6510 runs programs over the
// virtual C64's own 64 KB, while the kernal underneath stays C++. The kernal
// ROM at $E000-$FFFF (visible while the processor port's HIRAM bit is set)
// holds only what a program can see of it: the hardware vectors, the IRQ
// entry that saves A, X and Y and jumps through ($0314), the end of the
// standard IRQ handler at $EA81 (restore Y, X, A, RTI) and the NMI entry
// that jumps through ($0318). Everything else is a trap: when the CPU is
// about to fetch an instruction at a kernal jump table entry ($FF81-$FFF3),
// at the standard IRQ handler $EA31, the NMI handler $FE47 or the BRK
// handler $FE66, the C++ routine runs instead (kernal_jump_table.h) and the
// CPU goes on as after an RTS (or, for $EA31, at $EA81).
//
// Time is counted in jiffies, as the C64's kernal counts it: each `slice`
// raises the jiffy interrupt (CIA 1's timer on a C64, 60 times a second) and
// runs the CPU for one jiffy's worth of cycles. At READY the CPU waits at
// the editor's wait loop (a trap that ends the slice), so the interrupt runs
// there too: a program that hooks $0314 and returns keeps its handler
// running at READY, as on a C64. The standard handler at $EA31 counts the
// jiffy clock at $A0-$A2, notes the RUN/STOP key in $91 and scans the
// keyboard, which with the link is request 3 to the PC.
//
// SYS loads A, X, Y and P from $030C-$030F, pushes a return into BASIC and
// jumps; the RTS back stores the registers there again. RUN/STOP with
// RESTORE (an NMI while $91 says RUN/STOP is down), a BRK, or a jump to
// BASIC's READY ($A474) or warm start ($E37B) ends a program: the kernal's
// warm start restores the vectors, clears the screen in the default colours
// and BASIC says READY.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "c64/machine/cpu6510.h"
#include "c64/vc64/c64_memory.h"
#include "c64/vc64/kernal_jump_table.h"
#include "c64/vc64/task.h"

namespace brimwick::c64::vc64 {

inline constexpr int kKernalRomStart = 0xE000;
inline constexpr int kIrqEntry = 0xFF48;       // the hardware IRQ vector's target
inline constexpr int kNmiEntry = 0xFE43;       // the hardware NMI vector's target
inline constexpr int kResetEntry = 0xFCE2;     // the hardware reset vector's target
inline constexpr int kIrqHandler = 0xEA31;     // the standard jiffy handler, ($0314)
inline constexpr int kIrqReturn = 0xEA81;      // its end: restore Y, X, A and RTI
inline constexpr int kNmiHandler = 0xFE47;     // the standard NMI handler, ($0318)
inline constexpr int kWarmStart = 0xFE66;      // the BRK handler, ($0316): back to READY
inline constexpr int kEditorWait = 0xE5CD;     // where the editor waits for keys at READY
inline constexpr int kBasicReady = 0xA474;     // BASIC's READY, which programs jump to
inline constexpr int kBasicWarmStart = 0xE37B;  // BASIC's warm start, likewise
inline constexpr int kSysReturn = 0xA7EA;      // where SYS's RTS comes back to BASIC
inline constexpr int kIrqVectorRam = 0x0314;   // IRQ vector, set by programs to hook the jiffy
inline constexpr int kBrkVectorRam = 0x0316;   // BRK vector
inline constexpr int kNmiVectorRam = 0x0318;   // NMI vector
inline constexpr int kSysRegisters = 0x030C;   // A, X, Y and P for and after SYS
inline constexpr int kStopKeyFlag = 0x0091;    // $7F while RUN/STOP is down
inline constexpr std::uint8_t kStopDown = 0x7F;
inline constexpr std::uint8_t kNoStop = 0xFF;
inline constexpr int kRunStop = 0x03;          // the key code RUN/STOP puts in the buffer
inline constexpr int kJiffyClock = 0x00A0;     // three bytes, most significant first
inline constexpr int kJiffiesPerDay = 0x4F1A01;  // the clock wraps to 0 after 24 hours
inline constexpr int kMessageFlag = 0x009D;    // $80 in direct mode: LOAD and SAVE talk
inline constexpr std::uint8_t kDirectModeMessages = 0x80;
// Cycles of one jiffy: the PAL kernal sets CIA 1's timer A to $4025.
inline constexpr int kCyclesPerJiffy = 0x4025 + 1;
// Cycles a trapped kernal routine counts for, so that a loop of calls moves
// time on.
inline constexpr int kTrapCycles = 40;
inline constexpr std::uint8_t kBasicStack = 0xFA;  // the stack pointer BASIC calls SYS with

// The kernal ROM as programs can read it.
const std::array<std::uint8_t, 0x2000>& kernalRom();

// The bus the CPU sees: the virtual C64's memory, the kernal ROM over
// $E000-$FFFF while HIRAM is set. The I/O area is plain RAM here: the
// VIC-II's colour registers and colour RAM keep what is written.
class VirtualBus : public Bus {
  public:
    explicit VirtualBus(C64Memory& machineMemory) : memory(machineMemory) {}
    C64Memory& memory;  // the 64 KB underneath

    static bool kernalVisible(const C64Memory& memory) {
        return (memory.ram[kProcessorPortAddress] & 0x02) != 0;
    }
    std::uint8_t read(std::uint16_t address) override {
        if (address >= kKernalRomStart && kernalVisible(memory))
            return kernalRom()[address - kKernalRomStart];
        return memory.read(address);
    }
    void write(std::uint16_t address, std::uint8_t value) override { memory.write(address, value); }
};

class MachineCode {
  public:
    // Why the last program stopped.
    enum class Ended {
        No,         // still running, or none ran
        Returned,   // RTS back to SYS
        WarmStart,  // RUN/STOP+RESTORE or BRK: the kernal's warm start
        Jumped,     // a jump to BASIC's READY or warm start
    };

    explicit MachineCode(VirtualKernal& machineKernal);

    VirtualKernal& kernal;       // the kernal the traps call, and its screen
    VirtualBus bus;              // what the CPU reads and writes
    Cpu6510 cpu;                 // the 6510
    KernalJumpTable jumpTable;   // the kernal routines behind the traps
    bool running = false;        // a program runs (the CPU is not at the editor's wait)
    Ended ended = Ended::No;     // how the last program ended, until `takeEnd`
    int lastKey = 0;             // the key the last keyboard scan brought, 0 for none
    std::uint64_t jiffies = 0;   // jiffy interrupts raised since power-up
    int stopHeld = 0;            // jiffies RUN/STOP stays down besides a scanned one

    // Power-up or reset: the vectors at $0314-$0319 and the CPU at the wait.
    void powerUp();
    // One jiffy: the interrupt, and the CPU for a jiffy's cycles.
    Task<int> slice();
    // Starts a program at `address` as SYS does (registers from $030C-$030F).
    void startSys(int address);
    // RESTORE pressed: an NMI. With `stopDown` RUN/STOP is held with it.
    void restore(bool stopDown);
    // How the last program ended; forgets it.
    Ended takeEnd() { return std::exchange(ended, Ended::No); }
    // The editor's cursor blinks: at READY, and while CHRIN reads a line.
    bool cursorShown() const { return !running || jumpTable.readingLine; }

  private:
    // True when an instruction at `address` may be a trap.
    bool isTrap(int address) const;
    // Runs the routine behind a trap at `address`: `trapped` false when
    // there is none, `endSlice` when the CPU stops for this jiffy.
    Task<int> trap(int address, bool& trapped, bool& endSlice);
    void returnFromSubroutine();
    void returnFromInterrupt();
    void endProgram(Ended how);
    void warmStart();
};

}  // namespace brimwick::c64::vc64
