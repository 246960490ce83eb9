// BAM bit manipulation and the sequential allocator.
#include "d64/bam_view.h"

#include "d64/block_cursor.h"
#include "d64/c1541_error.h"
#include "d64/geometry.h"

namespace brimwick::d64 {

BamView::BamView(std::uint8_t* image) : bam(image + kBamOffset) {}

std::uint32_t BamView::entryWord(std::int32_t track) const {
    const std::uint8_t* e = bam + kBamEntrySize * track;
    return static_cast<std::uint32_t>(e[0]) | (static_cast<std::uint32_t>(e[1]) << 8) |
           (static_cast<std::uint32_t>(e[2]) << 16) | (static_cast<std::uint32_t>(e[3]) << 24);
}

void BamView::setEntryWord(std::int32_t track, std::uint32_t word) {
    std::uint8_t* e = bam + kBamEntrySize * track;
    for (int i = 0; i < 4; ++i) e[i] = static_cast<std::uint8_t>(word >> (8 * i));
}

int BamView::takeBlock(std::int32_t offset) {
    BlockCursor at;
    at.toTrackSector(offset);
    std::uint32_t word = entryWord(at.track);
    std::uint32_t mask = 1u << (at.sector + 8);
    if ((word & mask) == 0) return 0;
    word &= ~mask;
    std::uint32_t count = (word - 1) & 0xFF;  // the free count wraps as a byte
    setEntryWord(at.track, (word & ~0xFFu) | count);
    return 1;
}

int BamView::freeBlock(std::int32_t offset) {
    BlockCursor at;
    at.toTrackSector(offset);
    std::uint32_t word = entryWord(at.track);
    std::uint32_t mask = 1u << (at.sector + 8);
    if ((word & mask) != 0) return 0;
    word |= mask;
    std::uint32_t count = (word + 1) & 0xFF;
    setEntryWord(at.track, (word & ~0xFFu) | count);
    return 1;
}

std::int32_t BamView::allocateAfter(std::int32_t start) {
    std::int32_t candidate = start;
    // Every block is tried once at most, whatever `start` is.
    for (std::int32_t tries = 0; tries < kBlockCount; ++tries) {
        candidate += kBlockSize;
        if (candidate >= kToEndOfImage) candidate = 0;
        if (takeBlock(candidate) == 1) return candidate;
        if (candidate == start) break;
    }
    throwDriveError(kErrDiskFull);
}

std::int32_t BamView::freeBlockCount() const {
    std::int32_t total = 0;
    for (std::int32_t t = kZones.firstTrack[0]; t < kZones.firstTrack[kZoneCount]; ++t)
        total += bam[kBamEntrySize * t];
    return total;
}

}  // namespace brimwick::d64
