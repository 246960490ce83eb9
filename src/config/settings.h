// The one configuration record. Its 620 bytes are, byte for byte, the head of
// Status.ini, so the layout is fixed: little-endian 32-bit fields at the
// offsets noted, padding included. The drive table says for each device
// number 5..14 whether the PC serves it (0) or which device number on the
// C64's real serial bus takes its requests instead.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brimwick::config {

inline constexpr int kDriveCount = 10;   // devices 5..14
inline constexpr int kFirstDevice = 5;   // device of drive index 0
inline constexpr int kDefaultDrive = 3;  // drive index of device 8
inline constexpr int kResetSequenceCount = 5;
inline constexpr int kResetSequenceSize = 105;  // bytes per sequence, NUL included
inline constexpr std::size_t kSettingsSize = 620;

struct Settings {
    std::int32_t reserved;                 // 0: unused
    std::int32_t realDevice[kDriveCount];  // 4: 0 = served by the PC, else real device
    std::uint8_t hostMode[kDriveCount];    // 44: 1 = drive serves a PC directory
    std::uint8_t padding1[2];              // 54
    std::int32_t currentDrive;             // 56: drive index chosen in Preferences
    std::int32_t currentDriveAtReset;      // 60: copy made by the reset
    std::int32_t startMinimized;           // 64: open the main window minimized
    std::int32_t portChoice;               // 68: 0 none, 1 0x278, 2 0x378, 3 0x3BC
    char resetSequences[kResetSequenceCount][kResetSequenceSize];  // 72: typed after a reset
    std::uint8_t padding2[3];                                      // 597
    std::int32_t resetSequenceIndex;    // 600: the selected reset sequence
    std::int32_t showResultsOnErrors;   // 604: open the listing after errors
    std::int32_t showResultsOnSuccess;  // 608: open the listing after success
    std::int32_t startAssembled;        // 612: run the program after assembly
    std::int32_t addressInObjectName;   // 616: start address in object names
};

static_assert(sizeof(Settings) == kSettingsSize);
static_assert(offsetof(Settings, hostMode) == 44);
static_assert(offsetof(Settings, currentDrive) == 56);
static_assert(offsetof(Settings, resetSequences) == 72);
static_assert(offsetof(Settings, resetSequenceIndex) == 600);
static_assert(offsetof(Settings, addressInObjectName) == 616);

// Parallel-port base addresses of the port choices 1, 2 and 3 (0: no port).
inline constexpr int kPortBases[4] = {0, 0x278, 0x378, 0x3BC};

// The base address of a port choice; 0 (no port) for anything but 1..3.
constexpr int portBaseFor(int portChoice) {
    return (portChoice >= 1 && portChoice <= 3) ? kPortBases[portChoice] : 0;
}

// Fills the record with the defaults: every device passed through to the
// real device of the same number, no port, empty reset sequences.
void resetSettings(Settings& settings);

// The program-wide record (defaults until Status.ini has been read).
Settings& settings();

// The reset sequence that is typed after a reset ("" when the index is bad).
const char* selectedResetSequence(const Settings& settings);

}  // namespace brimwick::config
