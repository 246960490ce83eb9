// The DOS commands the drive carries out when the C64 prints them to channel
// 15 (or names them in an OPEN of channel 15): reading and writing whole
// blocks through a "#" channel's RAM buffer, setting a buffer's position,
// reading and writing drive RAM, and the disk commands of the 1541: scratch,
// rename, copy, new, initialize, validate and the resets.
//
// Like the 1541, the drive knows a disk command by its first letter, so
// "S0:NAME" and "SCRATCH:NAME" are the same; the names follow the colon.
// Everything else (M-E, U0, B-A, P, ...) is refused with "30,SYNTAX ERROR";
// M-E is in addition refused to the person at the PC while it arrives, since
// programs that send it expect 6502 code to run inside the drive.
#pragma once

#include "drive/command_scanner.h"
#include "drive/drive_core.h"

namespace brimwick::drive {

// What a block transfer does.
inline constexpr std::int32_t kBlockRead = 0;
inline constexpr std::int32_t kBlockWrite = 1;
inline constexpr std::int32_t kMemoryWriteCode = 2;

// The commands, in matching order: the first keyword that begins the
// command wins.
inline constexpr KeywordEntry dosCommandTable[] = {
    {"BLOCK-READ", kBlockRead, &DriveCore::blockTransfer},
    {"B-R", kBlockRead, &DriveCore::blockTransfer},
    {"U1", kBlockRead, &DriveCore::blockTransfer},
    {"UA", kBlockRead, &DriveCore::blockTransfer},
    {"BLOCK-WRITE", kBlockWrite, &DriveCore::blockTransfer},
    {"B-W", kBlockWrite, &DriveCore::blockTransfer},
    {"U2", kBlockWrite, &DriveCore::blockTransfer},
    {"UB", kBlockWrite, &DriveCore::blockTransfer},
    {"BLOCK-POINTER", 0, &DriveCore::blockPointer},
    {"B-P", 0, &DriveCore::blockPointer},
    {"M-W", kMemoryWriteCode, &DriveCore::memoryWrite},
    {"M-R", 0, &DriveCore::memoryRead},
    {"UI", 0, &DriveCore::resetDos},
    {"U9", 0, &DriveCore::resetDos},
    {"UJ", 0, &DriveCore::resetDos},
    {"U:", 0, &DriveCore::resetDos},
    {"S", 0, &DriveCore::scratch},
    {"R", 0, &DriveCore::rename},
    {"C", 0, &DriveCore::copy},
    {"N", 0, &DriveCore::newDisk},
    {"I", 0, &DriveCore::initialize},
    {"V", 0, &DriveCore::validate},
    {"\n", -1, nullptr},
};

// The text of the box shown when M-E arrives.
inline constexpr char kMemoryExecuteRefusal[] =
    "HARD ERROR:\n\nC1541 instruction ''M-E'' (memory execution) not supported!";

}  // namespace brimwick::drive
