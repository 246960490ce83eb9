// "#" channels: an OPEN of "#" or "#n" reserves one of the drive's RAM buffers
// 1..7 for the channel, which the C64 then reads and writes byte by byte and
// the block commands fill from and store to the disk. Buffer 0 is the command
// buffer and is never handed out.
#include "d64/c1541_error.h"
#include "drive/drive_core.h"

namespace brimwick::drive {

void DriveCore::allocateBuffer() {
    scanner.init(commandText(), kRamBufferSize, static_cast<std::int32_t>(fileName - commandText()),
                 nullptr);
    std::int32_t n = 0;
    if (scanner.parseDecimal() > 0) {
        n = scanner.number;
        if (n < 1 || n >= kRamBufferCount || bufferInUse[static_cast<std::size_t>(n)])
            throwDriveError(kErrNoChannel);
    } else {
        for (n = 1; n < kRamBufferCount && bufferInUse[static_cast<std::size_t>(n)]; ++n) {
        }
        if (n == kRamBufferCount) throwDriveError(kErrNoChannel);
    }
    bufferInUse[static_cast<std::size_t>(n)] = true;
    Channel& channel = current();
    channel.bufferNumber = n;
    channel.bufferPos = 0;
}

void DriveCore::releaseBuffer(Channel& channel) {
    bufferInUse[static_cast<std::size_t>(channel.bufferNumber)] = false;
}

}  // namespace brimwick::drive
