// Named files on the D64 image: OPEN for read, write or append, byte reads
// and writes, and CLOSE. A file being written has its directory entry from
// the OPEN on, with the "closed" bit clear (it lists with "*"), exactly like a
// 1541 that loses power before CLOSE; CLOSE ends the chain and sets the bit
// and the block count.
#include "d64/c1541_error.h"
#include "drive/drive_core.h"
#include "platform/trace_log.h"

namespace brimwick::drive {

using platform::traceLog;

void DriveCore::requireImage() const {
    if (image == nullptr) throwDriveError(kErrDriveNotReady);
}

void DriveCore::openFile() {
    requireImage();
    Channel& channel = current();
    d64::BlockCursor& dir = channel.dirCursor;
    dir.rewind();
    bool found = dir.findEntry(fileName);
    if (found && accessMode == kAccessWrite) {
        if (!replaceExisting) throwDriveError(kErrFileExists);
        dir.deleteFile();
    }
    if (found && accessMode != kAccessWrite && (dir.entryType() & d64::kTypeMask) != fileType)
        throwDriveError(kErrFileTypeMismatch);
    if (!found && accessMode != kAccessWrite) {
        traceLog() << "\n" << fileName;
        throwDriveError(kErrFileNotFound);
    }
    channel.reading = true;
    if (accessMode == kAccessWrite) {
        dir.rewind();
        dir.findFreeEntry();
        dir.writeName(fileName);
        // The first block before the type: on a full disk the entry stays
        // free instead of pointing at blocks that belong to other files.
        dir.allocateFirstBlock();
        dir.setEntryType(static_cast<std::uint8_t>(fileType));
        imageModified = true;
        channel.reading = false;
    }
    channel.fileCursor.openAt(dir.entryFirstBlock(), image);
    if (accessMode == kAccessAppend) {
        channel.fileCursor.seekEnd();
        imageModified = true;
        channel.reading = false;
    }
}

void DriveCore::closeFile() {
    requireImage();
    Channel& channel = current();
    if (channel.reading) return;
    channel.fileCursor.finishWrite();
    channel.dirCursor.closeEntry();
}

std::int32_t DriveCore::readByte() {
    requireImage();
    return current().fileCursor.readWithEnd();
}

void DriveCore::writeByte(std::uint8_t b) {
    requireImage();
    current().fileCursor.writeNext(b);
}

}  // namespace brimwick::drive
