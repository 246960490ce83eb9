// BAM bit manipulation and the sequential allocator.
#include "d64/bam_view.h"

#include "d64/block_cursor.h"
#include "d64/c1541_error.h"
#include "d64/geometry.h"

namespace brimwick::d64 {

namespace {

// A D71's second side: free counts at the end of 18/0, bitmaps in 53/0.
constexpr std::int32_t kD71SecondSide = 36;        // its first track
constexpr std::int32_t kD71SecondCountsAt = 0xDD;  // in 18/0: free counts of tracks 36..70
constexpr std::int32_t kD71BitmapBytes = 3;        // in 53/0: bitmap bytes per track
// A D81: tracks 1..40 in 40/1, 41..80 in 40/2, six bytes each from byte 16.
constexpr std::int32_t kD81TracksPerBamBlock = 40;
constexpr std::int32_t kD81EntriesAt = 0x10;
constexpr std::int32_t kD81EntrySize = 6;

}  // namespace

BamView::BamView(std::uint8_t* img) : BamView(img, kD64Format) {}

BamView::BamView(std::uint8_t* img, const DiskFormat& disk)
    : bam(img + disk.headerOffset()), image(img), format(&disk) {}

std::uint8_t* BamView::countOf(std::int32_t track) const {
    switch (format->kind) {
        case DiskKind::D64:
            break;
        case DiskKind::D71:
            if (track >= kD71SecondSide) return bam + kD71SecondCountsAt + (track - kD71SecondSide);
            break;
        case DiskKind::D81: {
            std::int32_t block = 1 + (track - 1) / kD81TracksPerBamBlock;
            return bam + block * kBlockSize + kD81EntriesAt +
                   kD81EntrySize * ((track - 1) % kD81TracksPerBamBlock);
        }
    }
    return bam + kBamEntrySize * track;
}

std::uint8_t* BamView::bitmapOf(std::int32_t track) const {
    if (format->kind == DiskKind::D71 && track >= kD71SecondSide)
        return image + format->offsetOf(format->bamTrack, 0) +
               kD71BitmapBytes * (track - kD71SecondSide);
    return countOf(track) + 1;
}

int BamView::takeBlock(std::int32_t offset) {
    BlockCursor at(image, *format);
    at.toTrackSector(offset);
    std::uint8_t* bits = bitmapOf(at.track) + at.sector / 8;
    auto mask = static_cast<std::uint8_t>(1u << (at.sector % 8));
    if ((*bits & mask) == 0) return 0;
    *bits = static_cast<std::uint8_t>(*bits & ~mask);
    std::uint8_t* count = countOf(at.track);
    *count = static_cast<std::uint8_t>(*count - 1);  // the free count wraps as a byte
    return 1;
}

int BamView::freeBlock(std::int32_t offset) {
    BlockCursor at(image, *format);
    at.toTrackSector(offset);
    std::uint8_t* bits = bitmapOf(at.track) + at.sector / 8;
    auto mask = static_cast<std::uint8_t>(1u << (at.sector % 8));
    if ((*bits & mask) != 0) return 0;
    *bits = static_cast<std::uint8_t>(*bits | mask);
    std::uint8_t* count = countOf(at.track);
    *count = static_cast<std::uint8_t>(*count + 1);
    return 1;
}

std::int32_t BamView::allocateAfter(std::int32_t start) {
    std::int32_t candidate = start;
    // Every block is tried once at most, whatever `start` is.
    for (std::int32_t tries = 0; tries < format->blockCount; ++tries) {
        candidate += kBlockSize;
        if (candidate >= format->imageSize()) candidate = 0;
        if (takeBlock(candidate) == 1) return candidate;
        if (candidate == start) break;
    }
    throwDriveError(kErrDiskFull);
}

std::int32_t BamView::freeBlockCount() const {
    std::int32_t total = 0;
    for (std::int32_t t = 1; t <= format->trackCount; ++t) total += freeOnTrack(t);
    return total;
}

}  // namespace brimwick::d64
