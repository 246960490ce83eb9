// VALIDATE on a copy of the image: only a walk that reached every chain's end
// is written back, so a damaged disk is never made worse.
#include "d64/validate.h"

#include <cstring>
#include <vector>

#include "d64/bam_view.h"
#include "d64/block_cursor.h"
#include "d64/c1541_error.h"
#include "d64/file_cursor.h"
#include "d64/file_types.h"

namespace brimwick::d64 {

namespace {

constexpr std::int32_t kSideSectorTrack = 21;  // entry byte: first side sector of a REL file
constexpr std::int32_t kPartitionType = kFileTypePartition;  // a 1581 partition ("CBM")

// Takes every block of the chain that starts at track/sector `track`, `sector`.
void takeChain(std::uint8_t* image, BamView& bam, std::int32_t track, std::int32_t sector) {
    BlockCursor first(image, *bam.format);
    first.toOffset(track, sector);
    FileCursor walk(image, *bam.format);
    walk.openAt(first.offset);
    do {
        bam.takeBlock(walk.offset);
    } while (walk.followLink() != kEndOfChain);
}

// Takes the run of `blocks` blocks from track/sector `track`, `sector` on:
// a 1581 partition, whose blocks are not chained.
void takeRun(BamView& bam, std::int32_t track, std::int32_t sector, std::int32_t blocks) {
    BlockCursor first(bam.image, *bam.format);
    first.toOffset(track, sector);
    std::int32_t end = first.offset + blocks * kBlockSize;
    if (end > bam.format->imageSize()) throwDriveError(kErrIllegalTrackSector);
    for (std::int32_t off = first.offset; off < end; off += kBlockSize) bam.takeBlock(off);
}

}  // namespace

void validateImage(std::uint8_t* image, const DiskFormat& format) {
    std::vector<std::uint8_t> work(image, image + format.imageSize());
    std::uint8_t* copy = work.data();
    BamView bam(copy, format);
    for (std::int32_t off = 0; off < format.imageSize(); off += kBlockSize) bam.freeBlock(off);
    bam.takeBlock(format.headerOffset());
    if (format.kind == DiskKind::D81)
        for (std::int32_t s = 1; s < format.firstDirectorySector; ++s)
            bam.takeBlock(format.offsetOf(format.directoryTrack, s));
    if (format.bamTrack != 0)
        for (std::int32_t s = 0; s < format.sectorsOnTrack(format.bamTrack); ++s)
            bam.takeBlock(format.offsetOf(format.bamTrack, s));

    BlockCursor dir(copy, format);
    dir.rewind();
    while (dir.nextEntry() != kEndOfChain) {
        if (dir.pos == 0) bam.takeBlock(dir.offset);  // a new directory block
        std::uint8_t type = dir.entryType();
        if (type == 0) continue;
        if ((type & kTypeClosed) == 0) {
            dir.setEntryType(0);
            continue;
        }
        const std::uint8_t* entry = copy + dir.offset + dir.pos;
        if (format.kind == DiskKind::D81 && (type & kTypeMask) == kPartitionType) {
            takeRun(bam, entry[3], entry[4], dir.entryBlocks());
            continue;
        }
        takeChain(copy, bam, entry[3], entry[4]);
        if ((type & kTypeMask) == kFileTypeRel && entry[kSideSectorTrack] != 0)
            takeChain(copy, bam, entry[kSideSectorTrack], entry[kSideSectorTrack + 1]);
    }
    std::memcpy(image, copy, static_cast<std::size_t>(format.imageSize()));
}

}  // namespace brimwick::d64
