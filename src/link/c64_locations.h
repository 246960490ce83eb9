// The C64 memory locations and kernal routine that the link relies on, with
// their standard meanings on a C64 (the kernal's zero page and system area),
// and the bits of the status byte ST. Both ends of the cable use them: the
// dispatcher on the PC and the virtual C64.
#pragma once

namespace brimwick::link {

inline constexpr int kC64StatusByte = 0x0090;     // ST
inline constexpr int kC64VerifyFlag = 0x0093;     // 0 LOAD, else VERIFY
inline constexpr int kC64SerialCommand = 0x0095;  // buffered LISTEN/TALK + device
inline constexpr int kC64SaveStart = 0x00AC;      // SAVE start address, low first
inline constexpr int kC64DeviceNumber = 0x00BA;   // current device number
inline constexpr int kC64KeyCount = 0x00C6;       // characters in the keyboard buffer
inline constexpr int kC64InputLine = 0x0200;      // BASIC input line buffer
inline constexpr int kC64KeyBuffer = 0x0277;      // the keyboard buffer
inline constexpr int kC64KeyBufferSize = 10;      // characters the keyboard buffer holds
inline constexpr int kC64Screen = 0x0400;         // first byte of screen memory
inline constexpr int kC64SetStatus = 0xFE1C;      // ORs A into the status byte ST

// ST bits.
inline constexpr int kStDriveError = 0x02;        // drive error (read time-out): see the status
inline constexpr int kStVerifyError = 0x10;       // verify mismatch
inline constexpr int kStEndOfFile = 0x40;         // EOI: the byte just read was the last
inline constexpr int kStDeviceNotPresent = 0x80;  // nothing answered on the serial bus

}  // namespace brimwick::link
