// The drive's status rows. A 1541 reports every failure as a status line
// "NN,TEXT,TT,SS" read on channel 15; inside Brimwick a failure is thrown as a
// pointer to one row of this single static table, caught by the link
// dispatcher and handed back to the drive, which then reports it.
#pragma once

#include <cstdint>

namespace brimwick {

// One status row. Track and sector are carried for the status line's last two
// fields; no operation ever changes them, so they are 0 in every row.
struct c1541_error {
    char text[52];        // NUL-terminated status text, "62,FILE NOT FOUND"
    std::int32_t track;   // track reported with the status (always 0)
    std::int32_t sector;  // sector reported with the status (always 0)
};

// Index of each row of kC1541Errors.
enum C1541ErrorRow : int {
    kErrOk,                  // 00, no error
    kErrSyntax,              // 30, unknown DOS command or missing number
    kErrProgram,             // 49, an image offset not on a block boundary
    kErrLoopingChain,        // 52, a block chain longer than the disk
    kErrFileNotFound,        // 62
    kErrFileExists,          // 63
    kErrFileTypeMismatch,    // 64
    kErrIllegalTrackSector,  // 66, a track/sector pair outside the disk
    kErrIllegalTOrS,         // 67, an image offset outside the disk
    kErrNoChannel,           // 70
    kErrDiskFull,            // 72
    kErrDriveNotReady,       // 74, no disk image and no PC directory
    kErrWriteError,          // 25, a PC file could not be written
    kErrSyntaxName,          // 33, a wildcard in the name of a file to write
    kErrNoName,              // 34, a DOS command without the name it needs
    kErrFilesScratched,      // 01, the answer to S: (its track field is the count)
    kErrDosVersion,          // 73, the answer to a reset (UI, UJ)
    kErrWriteProtect,        // 26, a write to a medium that takes none (a T64 tape)
    kC1541ErrorRowCount,
};

// The one static table; `throw` and `status` always point into it.
inline constexpr c1541_error kC1541Errors[kC1541ErrorRowCount] = {
    {"00, OK. CODED BAD.", 0, 0},    {"30,SYNTAX ERROR", 0, 0},
    {"49,PROGRAM ERROR", 0, 0},      {"52,LOOPING BLOCK CHAINING", 0, 0},
    {"62,FILE NOT FOUND", 0, 0},     {"63,FILE EXISTS", 0, 0},
    {"64,FILE TYPE MISMATCH", 0, 0}, {"66,ILLEGAL TRACK AND SECTOR", 0, 0},
    {"67,ILLEGAL T OR S", 0, 0},     {"70,NO CHANNEL", 0, 0},
    {"72,DISK FULL", 0, 0},          {"74,DRIVE NOT READY", 0, 0},
    {"25,WRITE ERROR", 0, 0},        {"33,SYNTAX ERROR", 0, 0},
    {"34,SYNTAX ERROR", 0, 0},       {"01, FILES SCRATCHED", 0, 0},
    {"73,CBM DOS V2.6 1541", 0, 0},  {"26,WRITE PROTECT ON", 0, 0},
};

// The first row whose status line carries track and sector as two digits,
// as a 1541 prints them ("01, FILES SCRATCHED,03,00").
inline constexpr int kFirstTwoDigitRow = kErrFilesScratched;

// The row with the given index.
inline const c1541_error* errorRow(C1541ErrorRow row) {
    return &kC1541Errors[row];
}

// Raises a drive failure: throws a pointer to the row.
[[noreturn]] inline void throwDriveError(C1541ErrorRow row) {
    throw errorRow(row);
}

}  // namespace brimwick
