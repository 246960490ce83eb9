// The command bytes with which the C64's link kernal opens a request. Most
// stand for one diverted serial-bus routine of the kernal (LISTEN, SECOND,
// CIOUT, ...); the others are the link's own services.
#pragma once

#include <cstdint>

#include "link/c64_locations.h"

namespace brimwick::link {

enum RequestCode : std::uint8_t {
    kNop = 0,
    kDeviceServed = 1,       // is the device at $00BA served by the PC?
    kKeyboardPoll = 3,       // a key for the keyboard buffer, and the screen mirror
    kInputLine = 5,          // the BASIC input line at $0200
    kListenTalk = 6,         // LISTEN or TALK (argument: 0x20/0x40 + device)
    kSecond = 7,             // SECOND
    kTalkSecond = 8,         // TKSA
    kUntalk = 9,             // UNTLK
    kUnlisten = 10,          // UNLSN
    kByteToDrive = 11,       // CIOUT
    kByteFromDrive = 12,     // ACPTR
    kCheckPassThrough = 13,  // is the addressed device passed through?
    kBoostLoad = 14,         // whole-file load or verify
    kBoostSave = 15,         // whole-file save
    kListenCurrent = 16,     // LISTEN + SECOND on the addressed drive
    kTalkCurrent = 17,       // TALK + TKSA on the addressed drive
    kExtendedMessage = 32,   // a 16-byte message from a C64 tool
    kKernalDump = 254,       // the C64's own kernal, to be patched (the RAM kernal loader)
    kWriteRom = 255,         // the kernal upload
};

}  // namespace brimwick::link
