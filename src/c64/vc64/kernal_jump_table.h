// The kernal routines a program calls through the jump table at
// $FF81-$FFF3, answered by the virtual kernal in C++ with the registers and
// the carry as the C64's kernal takes and gives them: SETLFS takes the file,
// device and secondary address in A, X and Y, SETNAM the name's length in A
// and its address in X/Y, LOAD the verify flag in A and an address in X/Y,
// SAVE the zero-page address of the start in A and the end in X/Y, PLOT the
// row in X and the column in Y; a failing OPEN, CHKIN, CHKOUT, LOAD or SAVE
// comes back with the carry set and the kernal's error number in A. The
// routines keep their state where the kernal keeps it: the file parameters
// at $B7-$BC, the input and output device at $99 and $9A, the number of
// open files at $98, the jiffy clock at $A0-$A2, MEMBOT and MEMTOP at
// $0281-$0284.
//
// Files, channels, LOAD and SAVE go through the virtual kernal's requests,
// so the PC serves them as it serves a real C64's. The keyboard is the
// keyboard buffer that the jiffy's scan fills; CHRIN from it is the
// editor's line input: it echoes keys until RETURN and then hands out the
// line's characters, the RETURN last (the CPU waits at CHRIN meanwhile).
// The screen is device 3 and CHROUT's default output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "c64/machine/cpu6510.h"
#include "c64/vc64/task.h"
#include "c64/vc64/virtual_kernal.h"

namespace brimwick::c64::vc64 {

inline constexpr int kJumpTableFirst = 0xFF81;  // CINT
inline constexpr int kJumpTableLast = 0xFFF3;   // IOBASE

// The jump table's entries.
enum KernalEntry : int {
    kCint = 0xFF81, kIoinit = 0xFF84, kRamtas = 0xFF87, kRestor = 0xFF8A, kVector = 0xFF8D,
    kSetmsg = 0xFF90, kSecond = 0xFF93, kTksa = 0xFF96, kMemtop = 0xFF99, kMembot = 0xFF9C,
    kScnkey = 0xFF9F, kSettmo = 0xFFA2, kAcptr = 0xFFA5, kCiout = 0xFFA8, kUntlk = 0xFFAB,
    kUnlsn = 0xFFAE, kListen = 0xFFB1, kTalk = 0xFFB4, kReadst = 0xFFB7, kSetlfs = 0xFFBA,
    kSetnam = 0xFFBD, kOpen = 0xFFC0, kClose = 0xFFC3, kChkin = 0xFFC6, kChkout = 0xFFC9,
    kClrchn = 0xFFCC, kChrin = 0xFFCF, kChrout = 0xFFD2, kLoad = 0xFFD5, kSave = 0xFFD8,
    kSettim = 0xFFDB, kRdtim = 0xFFDE, kStop = 0xFFE1, kGetin = 0xFFE4, kClall = 0xFFE7,
    kUdtim = 0xFFEA, kScreen = 0xFFED, kPlot = 0xFFF0, kIobase = 0xFFF3,
};

// The kernal's error numbers, in A with the carry set.
inline constexpr int kErrorTooManyFiles = 1;
inline constexpr int kErrorFileOpen = 2;
inline constexpr int kErrorFileNotOpen = 3;
inline constexpr int kErrorFileNotFound = 4;
inline constexpr int kErrorDeviceNotPresent = 5;
inline constexpr int kErrorNotInputFile = 6;
inline constexpr int kErrorNotOutputFile = 7;
inline constexpr int kErrorMissingFileName = 8;
inline constexpr int kErrorIllegalDevice = 9;

// Kernal locations the routines keep their state in.
inline constexpr int kOpenFiles = 0x0098;     // number of open files
inline constexpr int kInputDevice = 0x0099;   // CHRIN's device: 0 keyboard
inline constexpr int kOutputDevice = 0x009A;  // CHROUT's device: 3 screen
inline constexpr int kNameLength = 0x00B7;
inline constexpr int kFileNumber = 0x00B8;
inline constexpr int kSecondary = 0x00B9;
inline constexpr int kDevice = 0x00BA;
inline constexpr int kNamePointer = 0x00BB;
inline constexpr int kMemBottom = 0x0281;
inline constexpr int kMemTop = 0x0283;
inline constexpr int kMaxOpenFiles = 10;
inline constexpr int kKeyboard = 0;
inline constexpr int kScreenDevice = 3;

class KernalJumpTable {
  public:
    explicit KernalJumpTable(VirtualKernal& machineKernal) : kernal(machineKernal) {}

    VirtualKernal& kernal;            // the file routines and the screen
    bool readingLine = false;         // CHRIN waits for RETURN
    std::vector<std::uint8_t> line;   // the line CHRIN hands out, RETURN last
    std::size_t lineAt = 0;           // its next character
    int inputRow = 0;                 // where the line's input began
    int inputColumn = 0;

    static bool isEntry(int address) {
        return address >= kJumpTableFirst && address <= kJumpTableLast &&
               (address - kJumpTableFirst) % 3 == 0;
    }
    // Runs the routine at jump table entry `address` with the CPU's
    // registers. Returns false when the routine cannot finish yet (CHRIN
    // waiting for a line): the CPU then stays at the entry.
    Task<bool> call(int address, Cpu6510& cpu);
    // Power-up: the channels and the kernal's variables.
    void powerUp();
    // Restores the kernal's vectors at $0314-$0333 (RESTOR).
    void restoreVectors();
    // The jiffy clock's count and the RUN/STOP key into $91 (UDTIM).
    void updateClock();
    // The next key from the keyboard buffer, 0 when it is empty.
    int takeKey();

  private:
    std::string fileName() const;
    void clearChannels();
    Task<int> clearChannelsOnBus();
    Task<bool> chrin(Cpu6510& cpu);
    Task<int> open(Cpu6510& cpu);
    // CHKIN (`output` false) and CHKOUT.
    Task<int> openChannel(Cpu6510& cpu, bool output);
    Task<int> load(Cpu6510& cpu);
    Task<int> save(Cpu6510& cpu);
    C64Memory& memory() { return kernal.c64.memory; }
};

}  // namespace brimwick::c64::vc64
