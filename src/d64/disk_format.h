// The three disks a drive can hold as an image: a 1541's single-sided D64, a
// 1571's double-sided D71 and a 1581's D81. Each is a table: its tracks in
// zones of equal sector counts, where its header, BAM and directory lie, how
// its BAM keeps the free sectors of each track, and how its drive spaces the
// blocks of a file. Every block-level walk goes through one of these tables,
// so a D71 or D81 is walked with exactly the code that walks a D64.
//
// The formats differ in surprising ways:
// - A D71 is two D64 sides one after the other: tracks 36..70 are the
//   second side, laid out like tracks 1..35. Its BAM is split: the free
//   counts of tracks 36..70 stand at the end of the first BAM block (18/0),
//   their bitmaps in block 53/0. A 1571 keeps all of track 53 for that one
//   block, as it keeps track 18 for the directory.
// - A D81 has 80 tracks of 40 sectors. Track 40 holds the header (40/0:
//   disk name, id, the directory's start), two BAM blocks (40/1 for tracks
//   1..40, 40/2 for 41..80, six bytes a track) and the directory from 40/3.
//   A 1581 reads a whole track into its buffer, so its interleave is 1.
//
// Which format an image file holds is told by its size (each size belongs to
// one format: the blocks alone, or with one error byte per block).
#pragma once

#include <cstdint>
#include <span>

#include "d64/geometry.h"

namespace brimwick::d64 {

// The most blocks a disk of any format has (a D81's).
inline constexpr std::int32_t kMaxBlockCount = 3200;
inline constexpr std::int32_t kMaxZoneCount = 8;

enum class DiskKind : std::uint8_t { D64, D71, D81 };

// A run of tracks with the same number of sectors.
struct DiskZone {
    std::int32_t firstTrack;       // the zone's first track
    std::int32_t sectorsPerTrack;  // sectors on each of its tracks
    std::int32_t tracks;           // tracks in the zone
    std::int32_t firstBlock;       // block index of its first track's sector 0
};

struct DiskFormat {
    DiskKind kind;                      // which disk this is
    const char* name;                   // "D64", "D71", "D81"
    const char* drive;                  // the drive that writes it: "1541", "1571", "1581"
    std::int32_t trackCount;            // tracks 1..trackCount
    std::int32_t blockCount;            // blocks on the disk
    std::int32_t zoneCount;             // entries of zones
    DiskZone zones[kMaxZoneCount];      // the tracks, zone by zone
    std::int32_t directoryTrack;        // header, BAM and directory
    std::int32_t firstDirectorySector;  // the directory's first block on that track
    std::int32_t bamTrack;              // a second track kept for the BAM (D71: 53), or 0
    std::int32_t nameAt;                // in the header block: the 16-byte disk name
    std::int32_t idAt;                  // in the header block: the id, then a fill byte and the DOS type
    std::int32_t fileInterleave;        // sectors between a file's blocks on the drive
    std::int32_t directoryInterleave;   // sectors between directory blocks on the drive
    std::int32_t imageFileSizes[2];     // the blocks alone, and with an error byte per block
    const char* dosVersion;             // the drive's answer to a reset, "73,..."

    constexpr std::int32_t imageSize() const { return blockCount * kBlockSize; }
    // Sectors on `track`, 0 for a track the disk does not have.
    constexpr std::int32_t sectorsOnTrack(std::int32_t track) const {
        for (std::int32_t z = 0; z < zoneCount; ++z) {
            const DiskZone& zone = zones[z];
            if (track >= zone.firstTrack && track < zone.firstTrack + zone.tracks)
                return zone.sectorsPerTrack;
        }
        return 0;
    }
    // Image offset of a track and sector, or -1 when the disk has no such block.
    constexpr std::int32_t offsetOf(std::int32_t track, std::int32_t sector) const {
        if (sector < 0) return -1;
        for (std::int32_t z = 0; z < zoneCount; ++z) {
            const DiskZone& zone = zones[z];
            if (track < zone.firstTrack || track >= zone.firstTrack + zone.tracks) continue;
            if (sector >= zone.sectorsPerTrack) return -1;
            return (zone.firstBlock + (track - zone.firstTrack) * zone.sectorsPerTrack + sector) *
                   kBlockSize;
        }
        return -1;
    }
    // The image offset of the header block (the first BAM block of a D64/D71).
    constexpr std::int32_t headerOffset() const { return offsetOf(directoryTrack, 0); }
    constexpr std::int32_t firstDirectoryOffset() const {
        return offsetOf(directoryTrack, firstDirectorySector);
    }
    // The last block of the directory track: a new file's first block is
    // searched from the block after it.
    constexpr std::int32_t lastDirectoryTrackOffset() const {
        return offsetOf(directoryTrack, sectorsOnTrack(directoryTrack) - 1);
    }
    // True for a track that holds only the disk's own bookkeeping.
    constexpr bool isSystemTrack(std::int32_t track) const {
        return track == directoryTrack || (bamTrack != 0 && track == bamTrack);
    }
};

inline constexpr DiskFormat kD64Format = {
    DiskKind::D64, "D64", "1541", 35, 683, 4,
    {{1, 21, 17, 0}, {18, 19, 7, 357}, {25, 18, 6, 490}, {31, 17, 5, 598}},
    18, 1, 0, 0x90, 0xA2, 10, 3, {174848, 175531}, "73,CBM DOS V2.6 1541",
};

inline constexpr DiskFormat kD71Format = {
    DiskKind::D71, "D71", "1571", 70, 1366, 8,
    {{1, 21, 17, 0}, {18, 19, 7, 357}, {25, 18, 6, 490}, {31, 17, 5, 598},
     {36, 21, 17, 683}, {53, 19, 7, 1040}, {60, 18, 6, 1173}, {66, 17, 5, 1281}},
    18, 1, 53, 0x90, 0xA2, 6, 3, {349696, 351062}, "73,CBM DOS V3.0 1571",
};

inline constexpr DiskFormat kD81Format = {
    DiskKind::D81, "D81", "1581", 80, 3200, 1,
    {{1, 40, 80, 0}},
    40, 3, 0, 0x04, 0x16, 1, 1, {819200, 822400}, "73,COPYRIGHT CBM DOS V10 1581",
};

// The formats, D64 first.
inline constexpr const DiskFormat* kDiskFormats[] = {&kD64Format, &kD71Format, &kD81Format};

// The format of an image file of `length` bytes, or null for a length no
// disk image has. A D64 is also read from the sizes of 40-track disks
// (kImageFileSizes).
const DiskFormat* formatForImageFileSize(std::int64_t length);

}  // namespace brimwick::d64
