// Named files on the D64 image: OPEN for read, write or append, byte reads
// and writes, and CLOSE. A file being written has its directory entry from
// the OPEN on, with the "closed" bit clear (it lists with "*"), exactly like a
// 1541 that loses power before CLOSE; CLOSE ends the chain and sets the bit
// and the block count.
//
// Replacing a file with "@" writes the new file beside the old one, which
// stays whole until the new one is closed: a replace that never finishes
// (disk full, the channel opened anew, the C64 gone) leaves the old file as it
// was. At CLOSE the new file takes the old one's place in the directory and
// the old blocks are freed.
#include "d64/c1541_error.h"
#include "drive/drive_core.h"
#include "platform/trace_log.h"

namespace brimwick::drive {

using platform::traceLog;

namespace {

// Moves `dir` to the first free entry after the one it stands on, if the
// directory has one. The new file of a replace goes there, so that its name
// finds the old file until the new one is closed.
bool freeEntryAfter(d64::BlockCursor& dir) {
    d64::BlockCursor slot = dir;
    while (slot.nextEntry() != d64::kEndOfChain) {
        if (slot.entryType() == 0) {
            dir = slot;
            return true;
        }
    }
    return false;
}

}  // namespace

void DriveCore::requireImage() const {
    if (image == nullptr) throwDriveError(kErrDriveNotReady);
}

void DriveCore::requireWritableImage() const {
    requireImage();
    if (writeProtected) throwDriveError(kErrWriteProtect);
}

void DriveCore::openFile() {
    requireImage();
    if (accessMode != kAccessRead) requireWritableImage();
    Channel& channel = current();
    d64::BlockCursor& dir = channel.dirCursor;
    dir.rewind();
    dir.layout = blockLayout();
    channel.fileCursor.layout = blockLayout();
    channel.replacing = false;
    bool found = dir.findEntry(fileName);
    if (found && accessMode == kAccessWrite) {
        if (!replaceExisting) throwDriveError(kErrFileExists);
        channel.replacing = true;
        channel.replacedEntry = dir;
        channel.replacedStart = dir.entryStart();
    }
    if (found && accessMode != kAccessWrite && (dir.entryType() & d64::kTypeMask) != fileType)
        throwDriveError(kErrFileTypeMismatch);
    if (!found && accessMode != kAccessWrite) {
        traceLog() << "\n" << fileName;
        throwDriveError(kErrFileNotFound);
    }
    channel.reading = true;
    if (accessMode == kAccessWrite) {
        if (!channel.replacing || !freeEntryAfter(dir)) {
            dir.rewind();
            dir.findFreeEntry();
        }
        dir.writeName(fileName);
        // The first block before the type: on a full disk the entry stays
        // free instead of pointing at blocks that belong to other files.
        dir.allocateFirstBlock();
        dir.setEntryType(static_cast<std::uint8_t>(fileType));
        imageModified = true;
        channel.reading = false;
    }
    channel.fileCursor.openAt(dir.entryFirstBlock(), image);
    // The entry of a file being written counts its blocks as they come: a
    // file that is never closed still lists with the blocks it holds.
    if (accessMode == kAccessWrite) channel.fileCursor.countInEntry(dir, 1);
    if (accessMode == kAccessAppend) {
        channel.fileCursor.countInEntry(dir, channel.fileCursor.seekEnd());
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
    if (!channel.replacing) return;
    channel.replacing = false;
    d64::BlockCursor& old = channel.replacedEntry;
    // Another channel may have replaced that file meanwhile: then the new
    // file keeps the entry it has.
    if (old.entryType() == 0 || old.entryStart() != channel.replacedStart) return;
    try {
        channel.dirCursor.moveInto(old);
    } catch (const c1541_error* e) {
        // The new file is whole and in place; only the old chain was damaged,
        // and its blocks past the damage stay in use.
        traceLog() << "\n replaced file's chain: " << e->text;
    }
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
