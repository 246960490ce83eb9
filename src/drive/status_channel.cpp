// Channel 15 read: the status line "NN,TEXT,TT,SS" and a carriage return.
// Reading the status clears it, as on the 1541, whether or not the C64 reads
// all of it; reading on after the carriage return starts the same text again.
#include <cstdio>
#include <cstring>

#include "drive/drive_core.h"

namespace brimwick::drive {

namespace {

// The end of a status line: a carriage return, then the text's end.
constexpr char kStatusEnd[] = {'\r', '\0', '\0', '\0'};
constexpr std::uint8_t kCarriageReturn = 0x0D;

// The 1541's OK.
constexpr char kOk1541[] = "00, OK";

}  // namespace

void DriveCore::setDosMode(DosMode mode) {
    dos1541 = mode == DosMode::C1541;
    status = errorRow(dos1541 ? kErrDosVersion : kErrOk);
}

void DriveCore::formatStatus() {
    char* text = commandText();
    const char* wording = dos1541 && status == errorRow(kErrOk) ? kOk1541 : status->text;
    // A 1571 or 1581 disk in the drive: the drive answers a reset as that
    // drive does.
    if (status == errorRow(kErrDosVersion)) wording = format->dosVersion;
    std::size_t n = std::strlen(wording);
    std::memcpy(text, wording, n);
    int track = status == errorRow(kErrFilesScratched) ? filesScratched : status->track;
    // The rows the Parts' drive knows keep their short form; the answers of
    // the 1541's own commands print two digits, as on a 1541.
    const char* form =
        dos1541 || status >= &kC1541Errors[kFirstTwoDigitRow] ? ",%02d,%02d" : ",%d,%d";
    int added = std::snprintf(text + n, kRamBufferSize - n, form, track,
                              static_cast<int>(status->sector));
    n += static_cast<std::size_t>(added);
    std::memcpy(text + n, kStatusEnd, sizeof kStatusEnd);
    status = errorRow(kErrOk);
}

std::int32_t DriveCore::readStatusByte() {
    if (memoryReadLength > 0) {
        // The bytes of an M-R; after the last one, the status again.
        std::int32_t v = ram[static_cast<std::size_t>(commandLength++)];
        if (commandLength < memoryReadLength) return v;
        memoryReadLength = 0;
        commandLength = 0;
        formatStatus();
        return v | kLastByte;
    }
    if (commandLength >= kCommandLimit) return kNothingToRead;
    std::int32_t v = ram[static_cast<std::size_t>(commandLength++)];
    if (v == kCarriageReturn) {
        commandLength = 0;
        return v | kLastByte;
    }
    return v;
}

}  // namespace brimwick::drive
