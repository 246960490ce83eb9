// How a 1541 chooses the blocks of files and of the directory, so that an
// image written in the 1541 mode looks as a 1541 would have written it.
//
// Track 18 holds the BAM and the directory and nothing else: files never
// take a block there, and the directory never leaves it (18 directory
// blocks of 8 entries: at most 144 files; then "72,DISK FULL").
//
// A new file starts on the track nearest to track 18 that has a free
// block, the lower one first (17, 19, 16, 20, ... 1, 35), on its first free
// sector. Each next block of a file lies ten sectors on (the interleave: while
// the drive sends one block to the C64 the disk turns on, and ten sectors
// later the next one arrives under the head just as the drive is ready for
// it). Past the end of the track the count wraps round one sector short of
// a plain wrap, a quirk of the 1541's ROM, so a file on a fresh disk takes
// 17/0, 17/10, 17/20, 17/8, 17/18, 17/6, ... A sector already in use is
// passed over to the next free one above it (or from sector 0 on). When the
// track is full the file goes on at the next track away from track 18, with
// the same step from the sector it was on; past track 1 it goes on at track
// 19 (past track 35 at track 17), counting from sector 0.
//
// New directory blocks follow on track 18 three sectors apart: 18/1, 18/4,
// 18/7, 18/10, 18/13, 18/16, 18/2, 18/5, ... 18/15, 18/18.
//
// A track is used only when its free count and its bitmap both say it has
// room: a BAM whose counts and bits disagree never gives out a block in use.
//
// A 1571 and a 1581 choose blocks the same way around their own directory
// track, with their own interleave (disk_format.h): a 1571 six sectors
// apart, going on past track 35 onto the second side (36..70, never onto
// track 53, which holds its second BAM block); a 1581 one sector apart
// around track 40. Their directories stay on their directory track too (a
// 1581's 37 directory blocks: at most 296 files).
#pragma once

#include <cstdint>

#include "d64/disk_format.h"

namespace brimwick::d64 {

// Takes the first block of a new file; returns its offset. Throws
// "72,DISK FULL".
std::int32_t takeFirstFileBlock1541(std::uint8_t* image, const DiskFormat& format = kD64Format);

// Takes the block that follows the file block at `current`; returns its
// offset. Throws "72,DISK FULL". A file that was left on track 18 by another
// DOS goes on where a new file would start.
std::int32_t takeNextFileBlock1541(std::uint8_t* image, std::int32_t current,
                                   const DiskFormat& format = kD64Format);

// Takes a new directory block on track 18 after the directory block at
// `current`; returns its offset. Throws "72,DISK FULL" when track 18 is full.
std::int32_t takeNextDirectoryBlock1541(std::uint8_t* image, std::int32_t current,
                                        const DiskFormat& format = kD64Format);

// The sector `interleave` sectors after `sector` on a track of `sectors`
// sectors, wrapped as the 1541 wraps it: one short past the end, and to 0
// right at the end.
constexpr std::int32_t sectorAfter(std::int32_t sector, std::int32_t interleave,
                                   std::int32_t sectors) {
    std::int32_t next = sector + interleave;
    if (next < sectors) return next;
    return next == sectors ? 0 : next - sectors - 1;
}

}  // namespace brimwick::d64
