// Data operations of FileCursor.
#include "d64/file_cursor.h"

#include <algorithm>

#include "d64/c1541_error.h"

namespace brimwick::d64 {

namespace {

// Rejects an offset that is not the start of a block inside the image, with
// the same errors as the track/sector conversion.
void checkBlockOffset(std::int32_t off, const DiskFormat& format) {
    if ((off & 0xFF) != 0) throwDriveError(kErrProgram);
    if (off < 0 || off >= format.imageSize()) throwDriveError(kErrIllegalTOrS);
}

}  // namespace

void FileCursor::openAt(std::int32_t off) {
    checkBlockOffset(off, *format);
    beginWalk(off);
    countAt = -1;
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
        if (countAt >= 0) {
            std::int32_t blocks = (image[countAt + kEntryBlocksAt] |
                                   image[countAt + kEntryBlocksAt + 1] << 8) + 1;
            image[countAt + kEntryBlocksAt] = static_cast<std::uint8_t>(blocks & 0xFF);
            image[countAt + kEntryBlocksAt + 1] = static_cast<std::uint8_t>((blocks >> 8) & 0xFF);
        }
    }
    image[offset + pos++] = byte;
}

std::int32_t FileCursor::seekEnd() {
    beginWalk(offset);
    std::int32_t blocks = 1;
    while (followLink() != kEndOfChain) ++blocks;
    // A damaged last block can claim fewer bytes than its own link takes:
    // appending starts at the first data byte, never on the link.
    pos = std::max(usedBytes(), kFirstDataByte);
    return blocks;
}

void FileCursor::countInEntry(const BlockCursor& dir, std::int32_t blocks) {
    countAt = dir.offset + dir.pos;
    image[countAt + kEntryBlocksAt] = static_cast<std::uint8_t>(blocks & 0xFF);
    image[countAt + kEntryBlocksAt + 1] = static_cast<std::uint8_t>((blocks >> 8) & 0xFF);
}

}  // namespace brimwick::d64
