// The 1541's choice of blocks: nearest track to the directory first, ten
// sectors between a file's blocks, three between directory blocks.
#include "d64/allocation_1541.h"

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
// Tracks on either side of track 18.
constexpr std::int32_t kTracksPerSide = kDirectoryTrack - 1;

std::int32_t offsetOf(std::int32_t track, std::int32_t sector) {
    BlockCursor at;
    at.toOffset(track, sector);
    return at.offset;
}

// Takes the first free sector of `track` from `from` up, else from sector 0
// up; the block's offset, or -1 when the bitmap has none free.
std::int32_t takeOnTrack(BamView& bam, std::int32_t track, std::int32_t from) {
    const std::int32_t sectors = sectorsOnTrack(track);
    for (std::int32_t start : {from, 0}) {
        for (std::int32_t s = start; s < sectors; ++s) {
            if (!bam.sectorFree(track, s)) continue;
            std::int32_t offset = offsetOf(track, s);
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
    return takeOnTrack(bam, track, sectorAfter(sector, interleave, sectorsOnTrack(track)));
}

}  // namespace

std::int32_t takeFirstFileBlock1541(std::uint8_t* image) {
    BamView bam(image);
    for (std::int32_t distance = 1; distance <= kTracksPerSide; ++distance) {
        for (std::int32_t track : {kDirectoryTrack - distance, kDirectoryTrack + distance}) {
            if (track < 1 || track > kTrackCount || bam.freeOnTrack(track) == 0) continue;
            std::int32_t offset = takeOnTrack(bam, track, 0);
            if (offset >= 0) return offset;
        }
    }
    throwDriveError(kErrDiskFull);
}

std::int32_t takeNextFileBlock1541(std::uint8_t* image, std::int32_t current) {
    BlockCursor at;
    at.toTrackSector(current);
    if (at.track == kDirectoryTrack) return takeFirstFileBlock1541(image);
    BamView bam(image);
    std::int32_t track = at.track;
    std::int32_t sector = at.sector;
    for (int sides = kSidesToTry;;) {
        std::int32_t offset = takeStepOnTrack(bam, track, sector, kFileInterleave);
        if (offset >= 0) return offset;
        // Outward, away from track 18; past the edge, on the other side.
        bool crossed = false;
        if (track < kDirectoryTrack) {
            if (--track < 1) {
                track = kDirectoryTrack + 1;
                crossed = true;
            }
        } else if (++track > kTrackCount) {
            track = kDirectoryTrack - 1;
            crossed = true;
        }
        if (crossed) {
            sector = 0;
            if (--sides == 0) throwDriveError(kErrDiskFull);
        }
    }
}

std::int32_t takeNextDirectoryBlock1541(std::uint8_t* image, std::int32_t current) {
    BlockCursor at;
    at.toTrackSector(current);
    BamView bam(image);
    std::int32_t sector = at.track == kDirectoryTrack ? at.sector : 0;
    std::int32_t offset = takeStepOnTrack(bam, kDirectoryTrack, sector, kDirectoryInterleave);
    if (offset < 0) throwDriveError(kErrDiskFull);
    return offset;
}

}  // namespace brimwick::d64
