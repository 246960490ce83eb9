// The block availability map in track 18 sector 0. Each track has a four-byte
// entry: the count of free sectors, then a bitmap with one bit per sector
// (set = free). Read as a little-endian word, sector s is bit s + 8. The free
// counts are kept alongside the bitmaps and never recomputed from them, just
// as the 1541 does. allocateAfter takes blocks in plain image order with no
// interleave, as the original program does; allocation_1541.h takes them as
// a 1541 does.
#pragma once

#include <cstdint>

namespace brimwick::d64 {

// Offset in the BAM block of track t's entry: 4 * t.
inline constexpr std::int32_t kBamEntrySize = 4;

class BamView {
  public:
    std::uint8_t* bam;  // the BAM block inside an image (image + kBamOffset)

    explicit BamView(std::uint8_t* image);

    // Marks a free block as used: 1, or 0 when it was already in use.
    int takeBlock(std::int32_t offset);
    // Marks a used block as free: 1, or 0 when it was already free.
    int freeBlock(std::int32_t offset);
    // Takes the first free block after `start` in image order, wrapping once
    // and trying `start` itself last; throws "72,DISK FULL".
    std::int32_t allocateAfter(std::int32_t start);
    // Sum of the free counts of tracks 1..35.
    std::int32_t freeBlockCount() const;
    // The free count of a track 1..35, as the BAM keeps it.
    std::int32_t freeOnTrack(std::int32_t track) const { return bam[kBamEntrySize * track]; }
    // The bitmap's flag of one sector of a track 1..35: set when it is free.
    bool sectorFree(std::int32_t track, std::int32_t sector) const {
        return (entryWord(track) >> (sector + 8)) & 1u;
    }

  private:
    std::uint32_t entryWord(std::int32_t track) const;
    void setEntryWord(std::int32_t track, std::uint32_t word);
};

}  // namespace brimwick::d64
