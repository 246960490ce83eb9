// Geometry conversions and chain operations of BlockCursor.
#include "d64/block_cursor.h"

#include <cstring>

#include "d64/allocation_1541.h"
#include "d64/bam_view.h"
#include "d64/c1541_error.h"

namespace brimwick::d64 {

void BlockCursor::toOffset(std::int32_t trk, std::int32_t sec) {
    track = trk;
    sector = sec;
    std::int32_t off = format->offsetOf(trk, sec);
    if (off < 0) throwDriveError(kErrIllegalTrackSector);
    offset = off;
}

void BlockCursor::toTrackSector(std::int32_t off) {
    offset = off;
    if ((off & 0xFF) != 0) throwDriveError(kErrProgram);
    std::int32_t block = off >> 8;
    if (block < 0 || block >= format->blockCount) throwDriveError(kErrIllegalTOrS);
    for (std::int32_t z = format->zoneCount - 1; z >= 0; --z) {
        const DiskZone& zone = format->zones[z];
        if (block < zone.firstBlock) continue;
        track = (block - zone.firstBlock) / zone.sectorsPerTrack + zone.firstTrack;
        sector = (block - zone.firstBlock) % zone.sectorsPerTrack;
        return;
    }
}

void BlockCursor::beginWalk(std::int32_t off) {
    offset = off;
    visited.reset();
    visited.set(static_cast<std::size_t>(off / kBlockSize));
}

std::int32_t BlockCursor::followLink() {
    if (linkTrack() == 0) return kEndOfChain;
    // The target is checked before the cursor moves: a chain that comes back
    // to one of its blocks would go round for ever.
    BlockCursor target(image, *format);
    target.toOffset(linkTrack(), linkSector());
    auto block = static_cast<std::size_t>(target.offset / kBlockSize);
    if (visited.test(block)) throwDriveError(kErrLoopingChain);
    visited.set(block);
    track = target.track;
    sector = target.sector;
    offset = target.offset;
    return offset;
}

std::int32_t BlockCursor::usedBytes() const {
    return linkTrack() != 0 ? kBlockSize : linkSector() + 1;
}

void BlockCursor::setLinkTo(std::int32_t off) {
    BlockCursor target(image, *format);
    target.toTrackSector(off);
    image[offset] = static_cast<std::uint8_t>(target.track);
    image[offset + 1] = static_cast<std::uint8_t>(target.sector);
}

void BlockCursor::markLast(std::int32_t used) {
    image[offset] = 0;
    image[offset + 1] = static_cast<std::uint8_t>(used - 1);
}

void BlockCursor::clearBlock() {
    std::memset(image + offset, 0, kBlockSize);
}

namespace {

// Makes a block just taken an empty last block: its old link bytes could
// otherwise lead an unfinished chain into live files.
std::int32_t madeFresh(std::uint8_t* image, std::int32_t block) {
    image[block] = 0;
    image[block + 1] = 1;
    return block;
}

}  // namespace

std::int32_t BlockCursor::takeFreshBlock(std::int32_t start) {
    return madeFresh(image, BamView(image, *format).allocateAfter(start));
}

void BlockCursor::linkOnTo(std::int32_t next) {
    setLinkTo(next);
    offset = next;
    visited.set(static_cast<std::size_t>(next / kBlockSize));
}

void BlockCursor::appendBlock(std::int32_t start) {
    linkOnTo(takeFreshBlock(start));
}

void BlockCursor::appendFileBlock() {
    if (layout == BlockLayout::C1541)
        linkOnTo(madeFresh(image, takeNextFileBlock1541(image, offset, *format)));
    else
        appendBlock(offset);
}

void BlockCursor::appendDirectoryBlock() {
    // The original searches from track 18 sector 1, so the directory stays
    // on track 18 while it has room there and then goes on beyond it.
    if (layout == BlockLayout::C1541)
        linkOnTo(madeFresh(image, takeNextDirectoryBlock1541(image, offset, *format)));
    else
        appendBlock(format->headerOffset());
}

std::int32_t BlockCursor::takeFirstFileBlock() {
    if (layout == BlockLayout::C1541) return madeFresh(image, takeFirstFileBlock1541(image, *format));
    return takeFreshBlock(format->lastDirectoryTrackOffset());
}

}  // namespace brimwick::d64
