// Data operations of FileCursor.
#include "d64/file_cursor.h"

#include <algorithm>

#include "d64/c1541_error.h"

namespace brimwick::d64 {

namespace {

// Rejects an offset that is not the start of a block inside the image, with
// the same errors as the track/sector conversion.
void checkBlockOffset(std::int32_t off) {
    if ((off & 0xFF) != 0) throwDriveError(kErrProgram);
    if (off < 0 || off >= kImageSize) throwDriveError(kErrIllegalTOrS);
}

}  // namespace

void FileCursor::openAt(std::int32_t off) {
    checkBlockOffset(off);
    beginWalk(off);
    pos = kFirstDataByte;
    end = usedBytes();
}

void FileCursor::openAt(std::int32_t off, std::uint8_t* img) {
    image = img;
    openAt(off);
}

std::int32_t FileCursor::readNext() {
    if (pos >= end) {
        if (followLink() == kEndOfChain) return kEndOfChain;
        end = usedBytes();
        if (end <= kFirstDataByte) return kEndOfChain;
        pos = kFirstDataByte;
    }
    return image[offset + pos++];
}

std::int32_t FileCursor::readWithEnd() {
    std::int32_t b = readNext();
    if (pos >= end && linkTrack() == 0) return b | kEndFlag;
    return b;
}

void FileCursor::writeNext(std::uint8_t byte) {
    if (pos >= kBlockSize) {
        appendFileBlock();
        pos = kFirstDataByte;
    }
    image[offset + pos++] = byte;
}

void FileCursor::seekEnd() {
    beginWalk(offset);
    while (followLink() != kEndOfChain) {
    }
    // A damaged last block can claim fewer bytes than its own link takes:
    // appending starts at the first data byte, never on the link.
    pos = std::max(usedBytes(), kFirstDataByte);
}

}  // namespace brimwick::d64
