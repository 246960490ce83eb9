// The block availability map. Each track has a free count and a bitmap with
// one bit per sector (set = free), bit s mod 8 of the bitmap's byte s / 8.
// Where they stand depends on the disk (see disk_format.h): a D64 keeps four
// bytes a track in 18/0 (the count, then three bitmap bytes); a D71 keeps
// tracks 36..70's counts at the end of 18/0 and their bitmaps in 53/0; a D81
// keeps six bytes a track (the count, then five bitmap bytes) in 40/1 and
// 40/2. The free counts are kept alongside the bitmaps and never recomputed
// from them, just as the drives do. allocateAfter takes blocks in plain
// image order with no interleave, as the original program does;
// allocation_1541.h takes them as the drives do.
#pragma once

#include <cstdint>

#include "d64/disk_format.h"

namespace brimwick::d64 {

// Offset in the BAM block of a D64 track t's entry: 4 * t.
inline constexpr std::int32_t kBamEntrySize = 4;

class BamView {
  public:
    std::uint8_t* bam;          // the BAM (header) block inside an image: 18/0, or 40/0 of a D81
    std::uint8_t* image;        // the whole image
    const DiskFormat* format;   // where the BAM keeps each track

    explicit BamView(std::uint8_t* image);
    BamView(std::uint8_t* image, const DiskFormat& disk);

    // Marks a free block as used: 1, or 0 when it was already in use.
    int takeBlock(std::int32_t offset);
    // Marks a used block as free: 1, or 0 when it was already free.
    int freeBlock(std::int32_t offset);
    // Takes the first free block after `start` in image order, wrapping once
    // and trying `start` itself last; throws "72,DISK FULL".
    std::int32_t allocateAfter(std::int32_t start);
    // Sum of the free counts of every track (1..35 of a D64).
    std::int32_t freeBlockCount() const;
    // The free count of a track, as the BAM keeps it.
    std::int32_t freeOnTrack(std::int32_t track) const { return *countOf(track); }
    // The bitmap's flag of one sector of a track: set when it is free.
    bool sectorFree(std::int32_t track, std::int32_t sector) const {
        return (bitmapOf(track)[sector / 8] >> (sector % 8)) & 1u;
    }
    // Where the BAM keeps a track's free count and its bitmap.
    std::uint8_t* countOf(std::int32_t track) const;
    std::uint8_t* bitmapOf(std::int32_t track) const;
};

}  // namespace brimwick::d64
