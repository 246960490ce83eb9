// M-R: "M-R" followed by the address (low, high) and a count. The bytes are
// read on channel 15 instead of the next status command, the last one with the
// end flag; then channel 15 gives the status again. A count that is missing
// (PRINT# ends the command with a carriage return, which the 1541 drops)
// reads one byte; a count of 0 reads 256, as the 1541's counter wraps.
#include "d64/c1541_error.h"
#include "drive/drive_core.h"
#include "drive/drive_rom.h"

namespace brimwick::drive {

namespace {

constexpr std::int32_t kAddressBytes = 5;  // "M-R", low, high
constexpr std::int32_t kCountByte = 5;     // index of the count
constexpr std::int32_t kAddressSpace = 0x10000;

}  // namespace

void DriveCore::memoryRead() {
    std::string command = commandLine();
    if (static_cast<std::int32_t>(command.size()) < kAddressBytes) throwDriveError(kErrSyntax);
    auto byteAt = [&](std::size_t i) { return static_cast<std::uint8_t>(command[i]); };
    std::int32_t address = byteAt(3) | byteAt(4) << 8;
    std::int32_t count = 1;
    if (static_cast<std::int32_t>(command.size()) > kCountByte) {
        count = byteAt(kCountByte);
        if (count == 0) count = kRamBufferSize;
    }
    memoryReadBytes.clear();
    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t at = (address + i) % kAddressSpace;
        memoryReadBytes.push_back(at < kRamSize ? ram[static_cast<std::size_t>(at)]
                                                : driveRomByte(at));
    }
}

}  // namespace brimwick::drive
