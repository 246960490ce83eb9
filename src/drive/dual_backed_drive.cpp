// Each operation goes to the image unless the drive serves a PC directory.
#include "drive/dual_backed_drive.h"

namespace brimwick::drive {

void DualBackedDrive::openFile() {
    if (hostMode)
        openHostFile();
    else
        DriveCore::openFile();
}

void DualBackedDrive::openDirectory() {
    if (hostMode)
        openHostDirectory();
    else
        DriveCore::openDirectory();
}

void DualBackedDrive::closeFile() {
    if (hostMode)
        closeHostFile();
    else
        DriveCore::closeFile();
}

void DualBackedDrive::fillDirectoryLine() {
    if (hostMode)
        fillHostDirectoryLine();
    else
        DriveCore::fillDirectoryLine();
}

std::int32_t DualBackedDrive::readByte() {
    return hostMode ? readHostByte() : DriveCore::readByte();
}

void DualBackedDrive::writeByte(std::uint8_t b) {
    if (hostMode)
        writeHostByte(b);
    else
        DriveCore::writeByte(b);
}

void DualBackedDrive::reset(std::uint8_t* newImage) {
    for (std::int32_t ch = kChannelCount - 1; ch >= 0; --ch) freeHostBuffer(ch);
    finder.close();
    upcoming.reset();
    DriveCore::reset(newImage);
}

void DualBackedDrive::setError(const c1541_error* error) {
    freeHostBuffer(channelNumber);
    DriveCore::setError(error);
}

void DualBackedDrive::freeHostBuffer(std::int32_t channel) {
    hostBuffer[static_cast<std::size_t>(channel)].reset();
}

}  // namespace brimwick::drive
