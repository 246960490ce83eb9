// Geometry of a single-sided 1541 disk as stored in a D64 image: 35 tracks in
// four speed zones. The outer tracks hold more sectors (21) than the inner
// ones (17) because the 1541 writes them at a higher bit rate; an image stores
// the blocks track by track, sector by sector. Image files written by other
// tools may go on after the 35 tracks: one error byte per block, and disks
// formatted to 40 tracks carry tracks 36 to 40 (and their error bytes).
#pragma once

#include <cstdint>

namespace brimwick::d64 {

inline constexpr std::int32_t kBlockSize = 256;             // bytes per block
inline constexpr std::int32_t kBlockCount = 683;            // blocks on a 35-track disk
inline constexpr std::int32_t kImageSize = 174848;          // kBlockCount * kBlockSize
inline constexpr std::int32_t kTrackCount = 35;             // tracks 1..35
inline constexpr std::int32_t kZoneCount = 4;               // speed zones
inline constexpr std::int32_t kBamOffset = 91392;           // track 18 sector 0
inline constexpr std::int32_t kFirstDirOffset = 91648;      // track 18 sector 1
inline constexpr std::int32_t kLastDirTrackOffset = 96000;  // track 18 sector 18
inline constexpr std::int32_t kLastBlockOffset = 174592;    // track 35 sector 16
inline constexpr std::int32_t kDirectoryTrack = 18;         // track of BAM and directory
inline constexpr std::int32_t kToEndOfImage = kImageSize;   // one past the last block

// The sizes of image files that hold such a disk: the 683 blocks alone, with
// 683 error bytes, 40 tracks (768 blocks), and 40 tracks with 768 error bytes.
// Only tracks 1..35 are used; whatever follows them is kept as it is.
inline constexpr std::int32_t kImageFileSizes[] = {174848, 175531, 196608, 197376};

// True for a file length in kImageFileSizes.
constexpr bool isImageFileSize(std::int64_t length) {
    for (std::int32_t size : kImageFileSizes)
        if (length == size) return true;
    return false;
}

// The zone table: the first track of each zone followed by the end value 36,
// the sectors per track, the tracks, the blocks and the image offset of each zone.
struct ZoneTable {
    std::int32_t firstTrack[kZoneCount + 1];   // 1, 18, 25, 31 and the end value 36
    std::int32_t sectorsPerTrack[kZoneCount];  // 21, 19, 18, 17
    std::int32_t tracksInZone[kZoneCount];     // 17, 7, 6, 5
    std::int32_t blocksInZone[kZoneCount];     // 357, 133, 108, 85
    std::int32_t zoneOffset[kZoneCount];       // 0, 91392, 125440, 153088
};

inline constexpr ZoneTable kZones = {
    {1, 18, 25, 31, 36}, {21, 19, 18, 17},           {17, 7, 6, 5},
    {357, 133, 108, 85}, {0, 91392, 125440, 153088},
};

// Sectors on a track 1..35 (0 for any other track).
constexpr std::int32_t sectorsOnTrack(std::int32_t track) {
    for (int z = 0; z < kZoneCount; ++z)
        if (track >= kZones.firstTrack[z] && track < kZones.firstTrack[z + 1])
            return kZones.sectorsPerTrack[z];
    return 0;
}

}  // namespace brimwick::d64
