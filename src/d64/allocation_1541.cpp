// The 1541's choice of blocks: nearest track to the directory first, ten
// sectors between a file's blocks, three between directory blocks.
#include "d64/allocation_1541.h"

#include <algorithm>

#include "d64/bam_view.h"
#include "d64/block_cursor.h"
#include "d64/c1541_error.h"
#include "d64/geometry.h"

namespace brimwick::d64 {

namespace {

// Times the search for a file's next block may cross over to the other
// side of track 18 before the disk counts as full: enough to look at every
// track once from wherever the file stands.
constexpr int kSidesToTry = 3;
// Takes the first free sector of `track` from `from` up, else from sector 0
// up; the block's offset, or -1 when the bitmap has none free.
std::int32_t takeOnTrack(BamView& bam, std::int32_t track, std::int32_t from) {
    const std::int32_t sectors = bam.format->sectorsOnTrack(track);
    for (std::int32_t start : {from, 0}) {
        for (std::int32_t s = start; s < sectors; ++s) {
            if (!bam.sectorFree(track, s)) continue;
            std::int32_t offset = bam.format->offsetOf(track, s);
            bam.takeBlock(offset);
            return offset;
        }
    }
    return -1;
}

// Takes the next block of a chain on `track` after `sector`, `interleave`
// sectors on; -1 when the track has no room.
std::int32_t takeStepOnTrack(BamView& bam, std::int32_t track, std::int32_t sector,
                             std::int32_t interleave) {
    if (bam.freeOnTrack(track) == 0) return -1;
    return takeOnTrack(bam, track,
                       sectorAfter(sector, interleave, bam.format->sectorsOnTrack(track)));
}

}  // namespace

std::int32_t takeFirstFileBlock1541(std::uint8_t* image, const DiskFormat& format) {
    BamView bam(image, format);
    const std::int32_t home = format.directoryTrack;
    const std::int32_t farthest = std::max(home - 1, format.trackCount - home);
    for (std::int32_t distance = 1; distance <= farthest; ++distance) {
        for (std::int32_t track : {home - distance, home + distance}) {
            if (track < 1 || track > format.trackCount || format.isSystemTrack(track) ||
                bam.freeOnTrack(track) == 0)
                continue;
            std::int32_t offset = takeOnTrack(bam, track, 0);
            if (offset >= 0) return offset;
        }
    }
    throwDriveError(kErrDiskFull);
}

std::int32_t takeNextFileBlock1541(std::uint8_t* image, std::int32_t current,
                                   const DiskFormat& format) {
    BlockCursor at(image, format);
    at.toTrackSector(current);
    if (format.isSystemTrack(at.track)) return takeFirstFileBlock1541(image, format);
    BamView bam(image, format);
    const std::int32_t home = format.directoryTrack;
    std::int32_t track = at.track;
    std::int32_t sector = at.sector;
    for (int sides = kSidesToTry;;) {
        if (!format.isSystemTrack(track)) {
            std::int32_t offset = takeStepOnTrack(bam, track, sector, format.fileInterleave);
            if (offset >= 0) return offset;
        }
        // Outward, away from the directory track; past the edge, on the
        // other side.
        bool crossed = false;
        if (track < home) {
            if (--track < 1) {
                track = home + 1;
                crossed = true;
            }
        } else if (++track > format.trackCount) {
            track = home - 1;
            crossed = true;
        }
        if (crossed) {
            sector = 0;
            if (--sides == 0) throwDriveError(kErrDiskFull);
        }
    }
}

std::int32_t takeNextDirectoryBlock1541(std::uint8_t* image, std::int32_t current,
                                        const DiskFormat& format) {
    BlockCursor at(image, format);
    at.toTrackSector(current);
    BamView bam(image, format);
    std::int32_t sector = at.track == format.directoryTrack ? at.sector : 0;
    std::int32_t offset =
        takeStepOnTrack(bam, format.directoryTrack, sector, format.directoryInterleave);
    if (offset < 0) throwDriveError(kErrDiskFull);
    return offset;
}

}  // namespace brimwick::d64
